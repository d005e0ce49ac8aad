#include "cli/programminglog.h"
#include "platform/warnings.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QSet>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/wait.h>
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

// Each line as a word: "run" for a run's own record, else the attempt's detail.
QStringList records(const QString &path)
{
    QStringList found;
    for (const QByteArray &line : contents(path).split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        found << (record.value(QStringLiteral("event")).toString() == QLatin1String("run")
                      ? QStringLiteral("run")
                      : record.value(QStringLiteral("detail")).toString());
    }
    return found;
}

// A run's own record comes first in a file, before any other of that run.
bool runsOpen(const QString &path)
{
    QSet<QString> seen;
    for (const QByteArray &line : contents(path).split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        const QString run = record.value(QStringLiteral("run_id")).toString();
        if (!seen.contains(run) && record.value(QStringLiteral("event")).toString() != QLatin1String("run"))
            return false;
        seen.insert(run);
    }
    return true;
}

// A log as a run keeps it: its own record first.
void openRun(ProgrammingLog &log, const QString &path)
{
    QString reason;
    QVERIFY2(log.open(path, &reason), qPrintable(reason));
    log.setRunRecord({{QStringLiteral("event"), QStringLiteral("run")}});
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

    void rotated_data()
    {
        QTest::addColumn<QString>("rotation");
        QTest::addColumn<QStringList>("old");     // what the rotated part holds at the end
        QTest::addColumn<QStringList>("current"); // and the log by its name
        QTest::addColumn<int>("warnings");
        const QStringList one{"run", "one"}, two{"run", "two"};
        QTest::newRow("mv") << "mv" << one << two << 0;
        QTest::newRow("mv, the new file made first") << "mv touch" << one << two << 0;
        QTest::newRow("copy and truncate") << "cp truncate" << one << two << 0;
        QTest::newRow("rm") << "rm" << QStringList{} << two << 0;
        QTest::newRow("mv, a folder in its place") << "mv mkdir" << QStringList{"run", "one", "two", "three"}
                                                   << QStringList{} << 1;
    }

    // A rotator moving, removing or emptying the log between two appends: each append goes
    // to the file the name leads to, opened by the run's record, nothing lost or twice; a
    // name that cannot be made again keeps the old file and says so once.
    void rotated()
    {
        QFETCH(QString, rotation);
        const QString folder = dir.filePath(QTest::currentDataTag());
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + "/line.log", old = path + ".1";
        QStringList said;
        Warnings::setSink([&](const QString &text) { said << text; });
        ProgrammingLog log;
        openRun(log, path);
        QString reason;
        QVERIFY(log.append(attempt("one"), {}, &reason));
        const QByteArray name = QFile::encodeName(path), oldName = QFile::encodeName(old);
        for (const QString &step : rotation.split(' ')) {
            if (step == "mv")
                QCOMPARE(::rename(name.constData(), oldName.constData()), 0);
            else if (step == "rm")
                QCOMPARE(::unlink(name.constData()), 0);
            else if (step == "touch")
                QVERIFY(QFile(path).open(QIODevice::WriteOnly));
            else if (step == "cp")
                QVERIFY(QFile::copy(path, old));
            else if (step == "truncate")
                QCOMPARE(::truncate(name.constData(), 0), 0);
            else if (step == "mkdir")
                QVERIFY(QDir().mkdir(path));
        }
        QVERIFY2(log.append(attempt("two"), {}, &reason), qPrintable(reason));
        if (rotation.contains("mkdir"))
            QVERIFY(log.append(attempt("three"), {}, &reason));
        Warnings::setSink({});
        QTEST(records(old), "old");
        QTEST(records(path), "current");
        QTEST(int(said.size()), "warnings");
        if (!said.isEmpty())
            QVERIFY2(said[0].contains(path + " was moved or removed and cannot be made again (not a regular file)"),
                     qPrintable(said[0]));
    }

    // Two stations appending while the log is rotated under them: every record is in one of
    // the two files once, and each file begins each station's lines with its run's record.
    void twoProcessesAcrossARotation()
    {
        const QString path = dir.filePath("two.log"), old = path + ".1";
        constexpr int each = 40;
        const auto appendAll = [&](const QString &who, bool rotate) {
            ProgrammingLog log;
            openRun(log, path);
            QString reason;
            for (int i = 0; i < each; ++i) {
                if (rotate && i == each / 2)
                    ::rename(QFile::encodeName(path).constData(), QFile::encodeName(old).constData());
                if (!log.append(attempt(who + QLatin1Char(' ') + QString::number(i)), {}, &reason))
                    return false;
                ::usleep(1000);
            }
            return true;
        };
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0)
            ::_exit(appendAll("child", false) ? 0 : 1);
        QVERIFY(appendAll("parent", true));
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);

        QStringList all = records(old) + records(path), expected;
        all.removeAll("run");
        for (const QString &who : {QStringLiteral("child"), QStringLiteral("parent")})
            for (int i = 0; i < each; ++i)
                expected << who + QLatin1Char(' ') + QString::number(i);
        all.sort();
        expected.sort();
        QCOMPARE(all, expected);
        QVERIFY(runsOpen(old));
        QVERIFY(runsOpen(path));
        QCOMPARE(records(path).value(0), "run");
    }
};

QTEST_APPLESS_MAIN(TestProgrammingLog)
#include "tst_programminglog.moc"
