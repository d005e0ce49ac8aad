#include "cli/programminglog.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

// The programming log as stations share it: what a name the system refuses says, and that
// an append cut short by a full disk leaves every other line whole.

namespace {

QJsonObject attempt(const QString &detail)
{
    return {{QStringLiteral("command"), QStringLiteral("write")}, {QStringLiteral("detail"), detail}};
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The details of the lines that are JSON objects, and how many lines are not.
QStringList details(const QByteArray &log, int *unreadable = nullptr)
{
    QStringList found;
    int bad = 0;
    for (const QByteArray &line : log.split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (document.isObject())
            found << document.object().value(QStringLiteral("detail")).toString();
        else
            ++bad;
    }
    if (unreadable)
        *unreadable = bad;
    return found;
}

} // namespace

class TestProgrammingLog : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void openRefused_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a folder") << "." << "not a regular file";
        QTest::newRow("a missing folder") << "missing/log" << "No such file or directory";
        QTest::newRow("a name too long") << QString(300, 'n') << "File name too long";
        QTest::newRow("a path too long") << QString("d/").repeated(3000) + "log" << "File name too long";
    }

    // The system's own reason, not a guess.
    void openRefused()
    {
        QFETCH(QString, path);
        ProgrammingLog log;
        QString reason;
        QVERIFY(!log.open(dir.filePath(path), &reason));
        QTEST(reason, "reason");
    }

    void cutShort_data()
    {
        QTest::addColumn<int>("room"); // bytes the disk takes of the line; below 0, counted from its end
        QTest::newRow("no room") << 0;
        QTest::newRow("one byte") << 1;
        QTest::newRow("part of the line") << 40;
        QTest::newRow("all but the newline") << -1;
    }

    // A line the disk had no room for is cut back to where it began: the log holds whole
    // lines only, and the next append starts a line of its own.
    void cutShort()
    {
        QFETCH(int, room);
        const QString path = dir.filePath(QStringLiteral("cut-%1.log").arg(QTest::currentDataTag()));
        std::optional<qint64> left; // no limit
        ProgrammingLog log([&](int fd, const char *data, qint64 size) -> qint64 {
            if (!left)
                left = room < 0 ? size + room : room;
            if (*left <= 0) {
                errno = ENOSPC;
                return -1;
            }
            const qint64 n = ::write(fd, data, size_t(std::min(size, *left)));
            *left -= n;
            return n;
        });
        QString reason;
        QVERIFY(log.open(path, &reason));
        left = std::numeric_limits<qint64>::max();
        QVERIFY(log.append(attempt("first"), {}, &reason));
        const QByteArray before = contents(path);

        left.reset();
        QVERIFY(!log.append(attempt("cut short"), {}, &reason));
        QCOMPARE(contents(path), before);
        QCOMPARE(reason, QStringLiteral("No space left on device"));

        left = std::numeric_limits<qint64>::max();
        QVERIFY2(log.append(attempt("after"), {}, &reason), qPrintable(reason));
        int unreadable = 0;
        QCOMPARE(details(contents(path), &unreadable), (QStringList{"first", "after"}));
        QCOMPARE(unreadable, 0);
    }

    // A line torn before (a station that died while writing, a cut that failed) keeps the
    // next record off its line.
    void tornLineBefore()
    {
        const QString path = dir.filePath(QStringLiteral("torn.log"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("{\"command\":\"write\",\"detail\":\"torn");
        }
        ProgrammingLog log;
        QString reason;
        QVERIFY(log.open(path, &reason));
        QVERIFY(log.append(attempt("next"), {}, &reason));
        int unreadable = 0;
        QCOMPARE(details(contents(path), &unreadable), QStringList{"next"});
        QCOMPARE(unreadable, 1);
    }

    // Every appender takes the file's lock, so that a cut never takes another station's line.
    void appendersTakeTheLock()
    {
        const QString path = dir.filePath(QStringLiteral("shared.log"));
        ProgrammingLog log;
        QString reason;
        QVERIFY(log.open(path, &reason));
        const int other = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
        QVERIFY(other >= 0);
        QCOMPARE(::flock(other, LOCK_EX), 0); // another station, in the middle of its append

        bool appended = false;
        std::thread station([&] { appended = log.append(attempt("waited"), {}, &reason); });
        QTest::qSleep(300);
        const QByteArray whileLocked = contents(path);
        ::flock(other, LOCK_UN);
        station.join();
        ::close(other);
        QVERIFY(whileLocked.isEmpty());
        QVERIFY(appended);
        QCOMPARE(details(contents(path)), QStringList{"waited"});
    }
};

QTEST_APPLESS_MAIN(TestProgrammingLog)
#include "tst_programminglog.moc"
