#include "fakepanel.h"
#include "recordinghost.h"
#include "session/session.h"

#include <QTest>

using Kind = TransferOutcome::Kind;
using Colour = FormModel::StatusColour;
using Remedy = ConfigComparison::Remedy;

namespace {

// How the window and the panel stand before a compare.
enum class Setup { Match, SwitchDiffers, RuleAdjusts, UnlistedCode, NotPicked, WrongModel, NoAnswer };

// The window's items: item i on module position i + 1, channel position i % 10; the panel
// holds the same until a case says otherwise.
struct CompareFixture
{
    RecordingHost host;
    FakeLine *line = new FakeLine;
    Session session{host, std::unique_ptr<SerialLine>(line)};
    FormModel &form = session.form();
    FakePanel panel{*line};

    explicit CompareFixture(Setup setup)
    {
        for (int i = 0; i < PanelConfiguration::itemCount; ++i) {
            form.selectModule(i, i + 1);
            form.selectChannel(i, i % 10);
            panel.memory[i] = *form.shownCode(i);
        }
        switch (setup) {
        case Setup::Match: break;
        case Setup::SwitchDiffers: panel.memory[2] += 1; break;
        // The panel's pair breaks the rule: a read takes the backlighting down to the indicator.
        case Setup::RuleAdjusts: panel.memory[14] = 6; panel.memory[15] = 5; break;
        case Setup::UnlistedCode: panel.memory[16] = 9; break;
        case Setup::NotPicked: form.selectModule(3, -1); form.selectChannel(3, -1); break;
        case Setup::WrongModel: panel.memory[63] = 99; break;
        case Setup::NoAnswer: panel.silent = true; break;
        }
    }
};

} // namespace

// The window's configuration beside a panel's, over a panel played in-process: what the
// compare finds, what it says, that the form stays as it was, and what a take does.
class TestComparison : public QObject
{
    Q_OBJECT

private slots:
    void compare_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QList<Remedy>>("remedies");
        QTest::addColumn<QString>("status");
        QTest::addColumn<Colour>("colour");
        QTest::addColumn<int>("boxes");
        const QList<Remedy> none;
        QTest::newRow("match") << Setup::Match << Kind::Done << QStringList() << none
                               << "SWITCH PANEL MATCHES THIS CONFIGURATION" << Colour::Green << 0;
        QTest::newRow("one switch differs")
            << Setup::SwitchDiffers << Kind::Done << QStringList{"SW3"} << QList<Remedy>{Remedy::Take}
            << "SWITCH PANEL DIFFERS IN 1 ITEM: SW3" << Colour::Orange << 0;
        QTest::newRow("intensities the rule adjusts")
            << Setup::RuleAdjusts << Kind::Done << QStringList{"NORMAL BACKLIGHTING (%)", "NORMAL INDICATOR (%)"}
            << QList<Remedy>{Remedy::WriteCorrects, Remedy::WriteCorrects}
            << "SWITCH PANEL DIFFERS IN 2 ITEMS: NORMAL BACKLIGHTING (%), NORMAL INDICATOR (%)" << Colour::Orange << 0;
        QTest::newRow("a code no list holds")
            << Setup::UnlistedCode << Kind::Done << QStringList{"DIMMED BACKLIGHTING AND INDICATOR (%)"}
            << QList<Remedy>{Remedy::WriteCorrects}
            << "SWITCH PANEL DIFFERS IN 1 ITEM: DIMMED BACKLIGHTING AND INDICATOR (%)" << Colour::Orange << 0;
        QTest::newRow("an item not picked")
            << Setup::NotPicked << Kind::Done << QStringList{"SW4"} << QList<Remedy>{Remedy::Take}
            << "SWITCH PANEL DIFFERS IN 1 ITEM: SW4" << Colour::Orange << 0;
        QTest::newRow("wrong model") << Setup::WrongModel << Kind::WrongModel << QStringList() << none
                                     << "COMMUNICATIONS OK" << Colour::Yellow << 1;
        QTest::newRow("no answer") << Setup::NoAnswer << Kind::NoResponse << QStringList() << none
                                   << "COMMUNICATIONS FAILURE SWITCH PANEL FAILED TO RESPOND ON FAKE" << Colour::Red << 0;
    }

    void compare()
    {
        QFETCH(Setup, setup);
        QFETCH(Kind, kind);
        QFETCH(QStringList, items);
        QFETCH(QList<Remedy>, remedies);
        QFETCH(QString, status);
        QFETCH(Colour, colour);
        QFETCH(int, boxes);
        CompareFixture f(setup);
        f.form.setPanelName("TRUCK 12");
        const FormModel::State before = f.form.state();

        const Session::Compared compared = f.session.comparePanel();
        QCOMPARE(compared.outcome.kind, kind);
        QCOMPARE(compared.comparison.items(), items);
        QList<Remedy> found;
        for (const ConfigComparison::Row &row : compared.comparison.rows)
            found << row.remedy;
        QCOMPARE(found, remedies);
        QCOMPARE(f.form.status().text, status);
        QCOMPARE(f.form.status().colour, colour);
        QVERIFY(f.form.status().visible);
        QCOMPARE(f.host.boxes.size(), boxes);
        QVERIFY(f.form.state() == before); // nothing in the form, the panel name included
        if (setup == Setup::NotPicked)
            QCOMPARE(ConfigComparison::ownText(compared.comparison.rows.constFirst()), "NOT PICKED IN THE WINDOW");

        // On the wire a compare is a read, byte for byte.
        const QByteArray compareBytes = std::exchange(f.line->sent, QByteArray());
        f.session.readPanel();
        QCOMPARE(f.line->sent, compareBytes);
    }

    // A take shows the panel's value as a read would; taking every row leaves only those no
    // take can clear.
    void takes_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("one switch differs") << Setup::SwitchDiffers << QStringList();
        QTest::newRow("an item not picked") << Setup::NotPicked << QStringList();
        QTest::newRow("a code no list holds") << Setup::UnlistedCode << QStringList{"DIMMED BACKLIGHTING AND INDICATOR (%)"};
    }

    void takes()
    {
        QFETCH(Setup, setup);
        QFETCH(QStringList, left);
        CompareFixture f(setup);
        const Session::Compared compared = f.session.comparePanel();
        f.form.take(compared.comparison.takes());
        QCOMPARE(ConfigComparison::ofForm(f.form, compared.panel).items(), left);
        QVERIFY(f.host.boxes.isEmpty());
    }

    // A panel whose pair keeps the rule is taken as a pair, even where the window's indicator
    // would have stopped its backlighting alone.
    void intensitiesTakenAsAPair()
    {
        CompareFixture f(Setup::Match);
        f.form.selectIntensity(Backlighting, 3); // 70 %
        f.form.selectIntensity(Indicator, 3);
        f.panel.memory[14] = 6; // 80 %
        f.panel.memory[15] = 7; // 90 %
        const Session::Compared compared = f.session.comparePanel();
        QCOMPARE(compared.comparison.takes().size(), 2);
        f.form.take(compared.comparison.takes());
        QVERIFY(ConfigComparison::ofForm(f.form, compared.panel).matches());
        QVERIFY(f.host.boxes.isEmpty());
    }

    // verify's lines come from the same comparison: a file's value, and what a write sends.
    void fileAgainstPanel()
    {
        PanelConfiguration::MemoryImage panel{}, file{}, sent{};
        panel.fill(160);
        file = sent = panel;
        file[14] = 6;
        sent[14] = 3;
        panel[14] = 6;
        const ConfigComparison comparison = ConfigComparison::of(panel, ConfigComparison::allSent(sent), file);
        QCOMPARE(comparison.items(), QStringList{"NORMAL BACKLIGHTING (%)"});
        const ConfigComparison::Row &row = comparison.rows.constFirst();
        QCOMPARE(row.own, std::optional<qint16>(6));
        QCOMPARE(row.sent, std::optional<qint16>(3));
    }
};

QTEST_GUILESS_MAIN(TestComparison)
#include "tst_comparison.moc"
