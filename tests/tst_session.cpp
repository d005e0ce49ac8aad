#include "fakepanel.h"
#include "recordinghost.h"
#include "session/session.h"

#include <QTest>
#include <QTimer>

using Kind = TransferOutcome::Kind;

namespace {

enum class Fault {
    None, Silent, WrongModel, CorruptedByte, OutOfRangeByte, ReadBackDiffers, ReadBackNoCode, ModelUnreadable, Incomplete,
    IncompleteNoPort
};

// The form and a session over an in-process panel.
struct SessionFixture
{
    RecordingHost host;
    FakeLine *line = new FakeLine;
    Session session{host, std::unique_ptr<SerialLine>(line)};
    FormModel &form = session.form();
    FakePanel panel{*line};

    SessionFixture() { form.Form_Load(); }

    // Every item bound: item i to module position i + 1, channel position i % 10.
    void pickAll()
    {
        for (int i = 0; i < 14; ++i) {
            form.selectModule(i, i + 1);
            form.selectChannel(i, i % 10);
        }
    }
};

} // namespace

// The form model, the transfers and the session together, without widgets, over a panel
// played in-process: every outcome and its words, and the byte-by-byte hand-over.
class TestSession : public QObject
{
    Q_OBJECT

private slots:
    void outcomes_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<bool>("writing");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("address");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("detail");
        const QString badData = "COMMUNICATIONS FAILURE-BAD SWITCH PANEL DATA";
        QTest::newRow("read") << Fault::None << false << Kind::Done << -1 << "SWITCH PANEL DATA READ SUCCESSFUL"
                              << "Port FAKE, panel model 74";
        QTest::newRow("write") << Fault::None << true << Kind::Done << -1 << "SWITCH PANEL HAS BEEN PROGRAMMED"
                               << "Port FAKE, panel model 74";
        QTest::newRow("no answer") << Fault::Silent << true << Kind::NoResponse << -1
                                   << "COMMUNICATIONS FAILURE SWITCH PANEL FAILED TO RESPOND ON FAKE"
                                   << "No answer to the attention command";
        QTest::newRow("wrong model") << Fault::WrongModel << false << Kind::WrongModel << -1 << "COMMUNICATIONS OK"
                                     << "the panel reports model 99";
        QTest::newRow("model unreadable") << Fault::ModelUnreadable << false << Kind::ModelUnreadable << -1 << badData
                                          << "The model byte (address 63): no reply";
        QTest::newRow("corrupted byte") << Fault::CorruptedByte << false << Kind::ByteFailed << 4 << badData
                                        << "SW5 (address 4): corrupted reply \"\\x00\\x00\\x00\\x00\\x00\"";
        QTest::newRow("byte out of range") << Fault::OutOfRangeByte << false << Kind::ByteFailed << 15 << badData
                                           << "NORMAL INDICATOR (%) (address 15): reply \"01700\" reads 170, out of range";
        QTest::newRow("read-back differs") << Fault::ReadBackDiffers << true << Kind::ByteFailed << 5 << badData
                                           << "SW6 (address 5): wrote module F channel 6, read back module F channel 7";
        // N/A is told with its code, and a code no list has as what it is.
        QTest::newRow("read-back of a code no list has")
            << Fault::ReadBackNoCode << true << Kind::ByteFailed << 5 << badData
            << "SW6 (address 5): wrote N/A (160), read back 161, which is no valid code";
        QTest::newRow("incomplete") << Fault::Incomplete << true << Kind::Incomplete << -1
                                    << "DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE WRITING DATA"
                                    << "SW3, LED5: no channel; BACKLIGHT: no module";
        // The picks were known before the port was touched: they come first.
        QTest::newRow("incomplete, and the port will not open")
            << Fault::IncompleteNoPort << true << Kind::Incomplete << -1
            << "DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE WRITING DATA"
            << "BACKLIGHT: no module\nSERIAL PORT FAKE NOT FOUND - PLUG IN THE ADAPTER OR CHOOSE ANOTHER PORT\ngone";
    }

    void outcomes()
    {
        QFETCH(Fault, fault);
        QFETCH(bool, writing);
        SessionFixture f;
        f.pickAll();
        switch (fault) {
        case Fault::None: break;
        case Fault::Silent: f.panel.silent = true; break;
        case Fault::WrongModel: f.panel.memory[63] = 99; break;
        case Fault::CorruptedByte: f.panel.replies[4] = QByteArray(5, '\0'); break;
        case Fault::OutOfRangeByte: f.panel.replies[15] = "01700"; break;
        case Fault::ReadBackDiffers: f.panel.noVerify = 5; break;
        case Fault::ReadBackNoCode:
            f.form.selectModule(5, 0); // N/A
            f.panel.noVerify = 5;
            break;
        case Fault::ModelUnreadable: f.panel.replies[63] = ""; break;
        case Fault::IncompleteNoPort:
            f.line->openFailure = SerialLine::OpenFailure{SerialLine::OpenFailure::Kind::NotFound, "gone"};
            [[fallthrough]];
        case Fault::Incomplete:
            f.form.selectModule(2, 0);
            f.form.selectModule(2, 3); // a module again, but its channel was never picked
            f.form.selectChannel(2, -1);
            f.form.selectChannel(10, -1);
            f.form.selectModule(12, -1);
            break;
        }
        const TransferOutcome outcome = writing ? f.session.writePanel() : f.session.readPanel();
        QTEST(outcome.kind, "kind");
        QTEST(outcome.address, "address");
        QCOMPARE(outcome.port, QStringLiteral("FAKE"));
        QTEST(f.form.status().text, "status");
        QFETCH(QString, detail);
        QVERIFY2(f.form.status().detail.startsWith(f.form.status().text + '\n'), qPrintable(f.form.status().detail));
        QVERIFY2(f.form.status().detail.contains(detail), qPrintable(f.form.status().detail));
        QVERIFY(!f.line->isOpen());
        QCOMPARE(f.host.boxes.size(), fault == Fault::WrongModel ? 1 : 0);
        if (fault == Fault::Incomplete || fault == Fault::IncompleteNoPort)
            QVERIFY(f.line->sent.isEmpty());
    }

    // A read hands each byte to the form as it comes: what came before is shown when the
    // next byte is asked for, and the intensity box comes up in the middle of the read.
    void readAppliesEachByteAsItComes()
    {
        SessionFixture f;
        for (int address = 0; address < 14; ++address)
            f.panel.memory[address] = 10 * address + address % 10;
        f.panel.memory[14] = 6; // backlighting 80 %
        f.panel.memory[15] = 3; // indicator 50 %: below it, so the rule's box comes up
        f.form.setPanelName("OLD NAME");
        QStringList seen;
        f.session.onByte = [&](int address) {
            if (address == 0)
                QCOMPARE(f.form.panelName(), QString());
            if (address > 0 && address <= 14)
                seen << QString::number(f.form.modulePosition(address - 1));
            if (address == 16)
                QCOMPARE(f.host.boxes.size(), 1);
        };
        QCOMPARE(f.session.readPanel().kind, Kind::Done);
        QCOMPARE(seen.join(' '), QStringLiteral("1 2 3 4 5 6 7 8 9 10 11 12 13 14"));
        QCOMPARE(f.form.intensityPosition(Backlighting), 5); // followed the indicator down to 50 %
        QVERIFY(!f.form.designationVisible(0));
    }

    // The link's waits run events, so a transfer could be started inside the one under way:
    // it is refused, and leaves the form, the line and the running transfer as they were.
    void transferDuringATransferIsRefused()
    {
        SessionFixture f;
        f.pickAll();
        f.form.setPanelName("NAME");
        QList<TransferOutcome> refused;
        f.session.onByte = [&](int address) {
            if (address != 3)
                return;
            QTimer::singleShot(0, &f.session, [&] { // runs inside the next wait
                f.form.selectModule(0, 5); // a pick a gathering would take up
                const FormModel::State form = f.form.state();
                const FormModel::Status status = f.form.status();
                const QByteArray sent = f.line->sent;
                refused << f.session.readPanel() << f.session.writePanel();
                QVERIFY(f.form.state() == form);
                QCOMPARE(f.form.status(), status);
                QCOMPARE(f.line->sent, sent);
            });
        };
        QCOMPARE(f.session.writePanel().kind, Kind::Done);
        QCOMPARE(refused.size(), 2);
        for (const TransferOutcome &outcome : refused) {
            QCOMPARE(outcome.kind, Kind::Busy);
            QCOMPARE(outcome.port, QStringLiteral("FAKE"));
        }
        QCOMPARE(f.form.status().text, QStringLiteral("SWITCH PANEL HAS BEEN PROGRAMMED"));
        for (int address = 0; address < 14; ++address)
            QCOMPARE(f.panel.memory[address], 10 * address + address % 10); // as picked before the write
    }

    // A write asks for each value as it goes out: a pick made during the write reaches the panel.
    void writeSendsWhatIsPickedAsItGoes()
    {
        SessionFixture f;
        f.pickAll();
        f.session.onByte = [&](int address) {
            if (address == 14)
                f.form.selectIntensity(Backlighting, 2); // 80 %
        };
        QCOMPARE(f.session.writePanel().kind, Kind::Done);
        QCOMPARE(f.panel.memory[14], 6);
        QCOMPARE(f.panel.memory[0], 0);
        QCOMPARE(f.panel.memory[13], 133); // N 4
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
