#include "model/formmodel.h"
#include "model/selectortables.h"
#include "recordinghost.h"

#include <QTest>

namespace {

// A read of a panel whose backlighting (80 %) is above its indicator (50 %): the rule
// changes the backlighting shown.
void readRuleBreakingPanel(FormModel &form)
{
    const qint16 panel[17] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 160, 159, 6, 3, 1};
    for (int address = 0; address < 17; ++address)
        form.applyReadByte(address, panel[address]);
}

} // namespace

class TestModel : public QObject
{
    Q_OBJECT

private slots:
    void lists()
    {
        QCOMPARE(moduleList[0].text, "N/A");
        QCOMPARE(moduleList[0].value, 160);
        for (int p = 1; p < 17; ++p) {
            QCOMPARE(QString::fromLatin1(moduleList[p].text), QString(QChar('A' + p - 1)));
            QCOMPARE(moduleList[p].value, 10 * (p - 1));
        }
        for (int p = 0; p < 10; ++p) {
            QCOMPARE(QString::fromLatin1(channelList[p].text), QString::number(p + 1));
            QCOMPARE(channelList[p].value, p);
        }
        const int percent[] = {100, 90, 80, 70, 60, 50, 40, 30};
        for (int p = 0; p < 8; ++p) {
            QCOMPARE(QString::fromLatin1(intensityList[p].text), QString::number(percent[p]));
            QCOMPARE(intensityList[p].value, p == 0 ? 10 : 8 - p);
            QCOMPARE(intensityPosition(intensityList[p].value), p);
        }
        for (int code : {0, 8, 9, 11, -1, 160})
            QCOMPARE(intensityPosition(code), -1);
    }

    // Every bound code comes back from the positions split_code finds.
    void splitCodeRoundTrip()
    {
        for (qint16 code = 0; code < 160; ++code) {
            const CodePositions p = split_code(code, 7);
            QCOMPARE(moduleList[p.module].value + channelList[p.channel].value, code);
        }
    }

    void splitCode_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("mIndex");
        QTest::addColumn<int>("cIndex");
        // The channel left over from an earlier split is 7.
        QTest::newRow("0 is A 1") << 0 << 1 << 0;
        QTest::newRow("9 is A 10") << 9 << 1 << 9;
        QTest::newRow("10 is B 1") << 10 << 2 << 0;
        QTest::newRow("159 is P 10") << 159 << 16 << 9;
        QTest::newRow("160 is N/A, channel left over") << 160 << 0 << 7;
        QTest::newRow("161 and above too") << 200 << 0 << 7;
        QTest::newRow("negative: module A, negative channel") << -3 << 1 << -3;
    }

    void splitCode()
    {
        QFETCH(int, code);
        const CodePositions p = split_code(qint16(code), 7);
        QTEST(int(p.module), "mIndex");
        QTEST(int(p.channel), "cIndex");
    }

    // The items follow the memory map and the file record: switches, LEDs, backlight, dimming.
    void itemTable()
    {
        QCOMPARE(PanelConfiguration::name(0), QStringLiteral("SW1"));
        QCOMPARE(PanelConfiguration::name(13), QStringLiteral("DIMMING"));
        QCOMPARE(PanelConfiguration::name(16), QStringLiteral("DIMMED BACKLIGHTING AND INDICATOR (%)"));
        QCOMPARE(assignmentItems[12].follower, int(Backlighting));
        QCOMPARE(assignmentItems[13].follower, int(Dimmed));
        QCOMPARE(assignmentItems[12].writeValue, &PanelConfig::bl);
        QCOMPARE(assignmentItems[13].writeValue, &PanelConfig::dimch);
        QVERIFY(!assignmentItems[13].channelHandler);
        QCOMPARE(intensityCodes[Backlighting], &PanelConfig::blpercent);
        QCOMPARE(intensityCodes[Indicator], &PanelConfig::indpercent);
        QCOMPARE(intensityCodes[Dimmed], &PanelConfig::dindpercent);
    }

    // The one map between memory addresses and the configuration, and the file's order.
    void memoryImage()
    {
        PanelConfiguration c;
        for (int i = 0; i < 14; ++i)
            c.codes[i] = qint16(10 * i + 1);
        c.intensities = {6, 10, 1};
        const PanelConfiguration::MemoryImage image = c.memoryImage();
        QCOMPARE(image[0], 1);
        QCOMPARE(image[13], 131);
        QCOMPARE(image[14], 6);  // backlighting
        QCOMPARE(image[15], 10); // indicator
        QCOMPARE(image[16], 1);  // dimmed
        QCOMPARE(PanelConfiguration::fromMemoryImage(image).memoryImage(), image);
    }

    void describeBytes_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("first") << 0 << 0 << "module A channel 1";
        QTest::newRow("last") << 5 << 159 << "module P channel 10";
        QTest::newRow("not assigned") << 12 << 160 << "N/A";
        QTest::newRow("no entry") << 13 << 200 << "N/A (code 200)";
        QTest::newRow("intensity") << 14 << 7 << "90 %";
        QTest::newRow("intensity without entry") << 16 << 9 << "100 % (code 9)";
    }

    void describeBytes()
    {
        QFETCH(int, address);
        QFETCH(int, code);
        QTEST(describeByte(address, qint16(code)), "text");
    }

    // --- The form on its own ---------------------------------------------------------------

    // A module pick shows the channel and keeps the codes; "N/A" hides the channel and
    // keeps the module code of the last real pick.
    void selectionHandlers()
    {
        RecordingHost host;
        FormModel form(host);
        form.Form_Load();
        form.selectModule(1, 5); // SW2 on E
        QVERIFY(form.channelVisible(1));
        QCOMPARE(form.moduleCode(1), 40);
        form.selectChannel(1, 2);
        QCOMPARE(form.selectedCode(1), 42);
        form.selectModule(1, 0);
        QVERIFY(!form.channelVisible(1));
        QCOMPARE(form.selectedCode(1), 160);
        QCOMPARE(form.moduleCode(1), 40);
        // The dimming input's channel has no handler; its module hides the dimmed intensity.
        form.selectModule(13, 0);
        QVERIFY(!form.intensityVisible(Dimmed));
    }

    void views()
    {
        RecordingHost host;
        FormModel form(host);
        form.Form_Load();
        QCOMPARE(form.view(), FormModel::View::Switches);
        QVERIFY(form.moduleVisible(0) && !form.moduleVisible(6) && !form.framesVisible());
        form.Option2_Click();
        QCOMPARE(form.captionItem(), 6);
        QVERIFY(!form.moduleVisible(0) && form.moduleVisible(6) && form.moduleVisible(12) && form.framesVisible());
        QVERIFY(form.designationVisible(6) && !form.designationVisible(0));
        form.show_switch_view(true); // after a read the switch boxes stay hidden
        QVERIFY(!form.designationVisible(0));
        QCOMPARE(form.captionItem(), 0);
    }

    // The indicator may not go below the backlighting: a box, and the backlighting follows.
    void intensityRule()
    {
        RecordingHost host;
        FormModel form(host);
        form.Form_Load();
        form.selectIntensity(Backlighting, 2);
        QVERIFY(host.boxes.isEmpty());
        form.selectIntensity(Indicator, 4);
        QCOMPARE(host.boxes.size(), 1);
        QCOMPARE(form.intensityPosition(Backlighting), 4);
        QCOMPARE(form.intensityCode(Backlighting), 4);
        form.selectIntensity(Backlighting, 1);
        QCOMPARE(host.boxes.size(), 2);
        QCOMPARE(form.intensityPosition(Backlighting), 4);
    }

    // A read's bytes: codes shown, designations emptied and hidden, an "N/A" code showing
    // the channel left over from the code before it.
    void readBytesApplied()
    {
        RecordingHost host;
        FormModel form(host);
        form.Form_Load();
        form.setDesignation(0, "HORN");
        form.applyReadByte(0, 42);
        QCOMPARE(form.modulePosition(0), 5);
        QCOMPARE(form.channelPosition(0), 2);
        QCOMPARE(form.designation(0), QString());
        QVERIFY(!form.designationVisible(0));
        form.applyReadByte(1, 160);
        QCOMPARE(form.modulePosition(1), 0);
        QCOMPARE(form.channelPosition(1), 2);
        form.applyReadByte(16, 9); // no entry: shown and kept as 100 %
        QCOMPARE(form.intensityPosition(Dimmed), 0);
        QCOMPARE(form.intensityCode(Dimmed), 10);
    }

    // What the form holds otherwise than a read or a load brought: the rule's backlighting,
    // the code a list shows for one it has no entry for; a later read starts afresh.
    void adjustments()
    {
        RecordingHost host;
        FormModel form(host);
        readRuleBreakingPanel(form);
        QCOMPARE(form.adjustments(), (QList<FormModel::Adjustment>{{14, 6, 3}}));

        PanelConfiguration file;
        file.codes.fill(42);
        file.codes[1] = 161;
        file.intensities = {5, 7, 9};
        form.load(file);
        QCOMPARE(form.adjustments(), (QList<FormModel::Adjustment>{{1, 161, 160}, {16, 9, 10}}));

        form.applyReadByte(0, 12);
        QCOMPARE(form.adjustments(), QList<FormModel::Adjustment>());
    }

    // Going back to a state (undo) goes back to what that state was read or loaded from.
    void adjustmentsFollowRestore()
    {
        RecordingHost host;
        FormModel form(host);
        readRuleBreakingPanel(form);
        const FormModel::State afterRead = form.state();

        PanelConfiguration file;
        file.codes.fill(42);
        file.intensities = {5, 7, 9};
        form.load(file);
        QCOMPARE(form.adjustments(), (QList<FormModel::Adjustment>{{16, 9, 10}}));

        form.restore(afterRead);
        QCOMPARE(form.adjustments(), (QList<FormModel::Adjustment>{{14, 6, 3}}));
    }

    // The gathering stops at the first item not picked; the check lists them all.
    void gathering()
    {
        RecordingHost host;
        FormModel form(host);
        form.Form_Load();
        for (int i = 0; i < 14; ++i)
            form.selectModule(i, 0);
        form.selectModule(3, 2);
        form.selectModule(8, 2);
        const std::optional<MissingPick> first = form.gather_config();
        QVERIFY(first);
        QCOMPARE(first->item, 3);
        QCOMPARE(form.missingPicks(), (QList<MissingPick>{{3, false}, {8, false}}));
        form.selectChannel(3, 0);
        form.selectChannel(8, 9);
        QVERIFY(!form.gather_config());
        QCOMPARE(form.configuration().codes[3], 10);
        QCOMPARE(form.configuration().codes[8], 19);
        QCOMPARE(form.configuration().codes[0], 160);
    }

    // The whole form as a value: restoring brings everything back and runs no handler.
    void stateRestored()
    {
        RecordingHost host;
        FormModel form(host);
        form.Form_Load();
        form.setPanelName("TRUCK");
        form.selectModule(0, 3);
        const FormModel::State before = form.state();
        form.selectIntensity(Backlighting, 2);
        form.selectIntensity(Indicator, 5); // a box
        form.applyReadByte(0, 99);
        form.setPanelName(QString());
        form.Option2_Click();
        int changes = 0;
        connect(&form, &FormModel::changed, this, [&] { ++changes; });
        form.restore(before);
        QCOMPARE(form.state(), before);
        QCOMPARE(form.panelName(), QStringLiteral("TRUCK"));
        QCOMPARE(host.boxes.size(), 1);
        QCOMPARE(changes, 1);
    }
};

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
