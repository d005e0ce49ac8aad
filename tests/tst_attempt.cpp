#include "fakepanel.h"

#include "line/panelattempt.h"
#include "transfer/paneltransfer.h"

#include <QJsonObject>
#include <QTest>

#include <csignal>

using OpenKind = SerialLine::OpenFailure::Kind;
Q_DECLARE_METATYPE(OpenKind)

// A panel attempt's reason and address as the JSON output and the log give them, for the
// ways a transfer ends that no run against the virtual panel as root can show: ports that
// would not open for each of their reasons, a transfer ended by each signal. The panel's own
// faults are run over a real line in tst_cli.
class TestAttempt : public QObject
{
    Q_OBJECT

private slots:
    void portReasons_data()
    {
        QTest::addColumn<OpenKind>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not found") << OpenKind::NotFound << "port-not-found";
        QTest::newRow("no permission") << OpenKind::PermissionDenied << "port-denied";
        QTest::newRow("in use") << OpenKind::InUse << "port-in-use";
        QTest::newRow("no serial port") << OpenKind::NotASerialPort << "not-a-serial-port";
        QTest::newRow("another reason") << OpenKind::Other << "port-failed";
    }

    void portReasons()
    {
        QFETCH(OpenKind, kind);
        FakeLine line;
        line.openFailure = SerialLine::OpenFailure{kind, QStringLiteral("Too many open files")};
        PanelLink link(line);
        PanelTransfer transfer(link);
        PanelAttempt attempt;
        attempt.take(transfer.write({}));
        const QJsonObject object = attempt.toJson();
        QCOMPARE(object.value("exit").toInt(), 1);
        QCOMPARE(object.value("outcome").toString(), QStringLiteral("failed"));
        QTEST(object.value("reason").toString(), "reason");
        QVERIFY(object.value("address").isNull());
        QVERIFY(line.sent.isEmpty());
    }

    void signalReasons_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("reason");
        QTest::newRow("Ctrl+C") << int(SIGINT) << "interrupted";
        QTest::newRow("SIGTERM") << int(SIGTERM) << "terminated";
        QTest::newRow("SIGHUP") << int(SIGHUP) << "hung-up";
        QTest::newRow("the program's own abort") << 0 << "interrupted";
    }

    void signalReasons()
    {
        QFETCH(int, signal);
        TransferOutcome outcome;
        outcome.kind = TransferOutcome::Kind::Aborted;
        outcome.address = 5; // where it stopped: no address failed
        QTEST(AttemptReason::word(AttemptReason::of(outcome, signal)), "reason");
        QVERIFY(!AttemptReason::address(outcome));
    }

    // Every reason has its own word, and every outcome that is no failure has none.
    void wordsAreOneEach()
    {
        QStringList words;
        for (const AttemptReason::Row &row : AttemptReason::rows) {
            QVERIFY(!words.contains(row.word));
            words << row.word;
        }
        QCOMPARE(AttemptReason::word(AttemptReason::Reason::None), QString());
        PanelAttempt unchanged;
        unchanged.unchanged = true;
        QCOMPARE(unchanged.toJson().value("outcome").toString(), QStringLiteral("unchanged"));
        QVERIFY(unchanged.toJson().value("reason").isNull());
    }

    // check's table: every value starts in one column, after at least two blanks, the longest
    // caption included.
    void tableAligned()
    {
        PanelConfiguration configuration;
        configuration.codes.fill(160);
        configuration.codes[2] = 29;
        configuration.intensities = {6, 10, 1};
        configuration.designations.fill(QStringLiteral("DESIGNATION "));
        configuration.panelName = QStringLiteral("TRUCK 12");
        const QStringList lines = PanelAttempt::table(configuration);
        QCOMPARE(lines.size(), 2 + PanelConfiguration::byteCount);
        QCOMPARE(lines.constFirst().section(QLatin1String("  "), -1).trimmed(), QStringLiteral("TRUCK 12"));
        const qsizetype column = lines.constFirst().indexOf(QStringLiteral("TRUCK 12"));
        for (int address = 0; address < PanelConfiguration::byteCount; ++address) {
            const QString &line = lines[2 + address];
            const QString name = PanelConfiguration::name(address);
            QVERIFY2(line.startsWith(name), qPrintable(line));
            QVERIFY2(line.mid(name.size(), column - name.size()).trimmed().isEmpty() && column >= name.size() + 2,
                     qPrintable(line));
            QVERIFY2(line.at(column) != QLatin1Char(' '), qPrintable(line));
        }
        QVERIFY(lines.last().endsWith(QStringLiteral("  30 %")));
    }
};

QTEST_GUILESS_MAIN(TestAttempt)
#include "tst_attempt.moc"
