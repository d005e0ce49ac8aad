#include "model/selectortables.h"

#include <QTest>

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
            PanelConfig cfg;
            cfg.A = code;
            split_code(cfg);
            QCOMPARE(moduleList[cfg.m_index].value + channelList[cfg.c_index].value, code);
        }
    }

    void splitCode_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("mIndex");
        QTest::addColumn<int>("cIndex");
        QTest::addColumn<int>("aAfter");
        // Before each call c_index holds 7 and m_index 5 from an earlier one.
        QTest::newRow("0 is A 1") << 0 << 1 << 0 << 0;
        QTest::newRow("9 is A 10") << 9 << 1 << 9 << 9;
        QTest::newRow("10 is B 1, A keeps the channel") << 10 << 2 << 0 << 0;
        QTest::newRow("159 is P 10") << 159 << 16 << 9 << 9;
        QTest::newRow("160 is N/A, c_index left over") << 160 << 0 << 7 << 160;
        QTest::newRow("161 and above too") << 200 << 0 << 7 << 200;
        QTest::newRow("negative: module A, negative channel") << -3 << 1 << -3 << -3;
    }

    void splitCode()
    {
        QFETCH(int, code);
        PanelConfig cfg;
        cfg.m_index = 5;
        cfg.c_index = 7;
        cfg.A = qint16(code);
        split_code(cfg);
        QTEST(int(cfg.m_index), "mIndex");
        QTEST(int(cfg.c_index), "cIndex");
        QTEST(int(cfg.A), "aAfter");
    }

    // The items follow the memory map and the file record: switches, LEDs, backlight, dimming.
    void itemTable()
    {
        QCOMPARE(assignmentItems[0].name, "SW1");
        QCOMPARE(assignmentItems[12].follower, int(Backlighting));
        QCOMPARE(assignmentItems[13].follower, int(Dimmed));
        QCOMPARE(assignmentItems[12].writeValue, &PanelConfig::bl);
        QCOMPARE(assignmentItems[13].writeValue, &PanelConfig::dimch);
        QVERIFY(!assignmentItems[13].channelHandler);
        for (int i = 0; i < 14; ++i)
            QCOMPARE(assignmentItems[i].incompleteFlag, i < 6 ? 1 : 2);
        QCOMPARE(intensityItems[0].code, &PanelConfig::blpercent);
        QCOMPARE(intensityItems[1].code, &PanelConfig::indpercent);
        QCOMPARE(intensityItems[2].code, &PanelConfig::dindpercent);
    }
};

QTEST_APPLESS_MAIN(TestModel)
#include "tst_model.moc"
