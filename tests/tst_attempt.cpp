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
};

QTEST_GUILESS_MAIN(TestAttempt)
#include "tst_attempt.moc"
