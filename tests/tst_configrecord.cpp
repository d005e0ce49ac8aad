#include "files/configrecord.h"

#include <QTest>

namespace {

ConfigRecord sampleRecord()
{
    ConfigRecord r;
    r.model = ConfigRecord::modelTag;
    r.panel = QStringLiteral("TRUCK 12");
    for (int i = 0; i < 12; ++i)
        r.pairs[i] = {QStringLiteral("DESIGNATION "), 160};
    r.pairs[12] = {QStringLiteral("BACKLIGHT"), 159};
    r.pairs[13] = {QStringLiteral("DIMMING"), 158};
    r.pairs[14] = {QStringLiteral("NORMAL INDICATOR (%)"), 10};
    r.pairs[15] = {QStringLiteral("NORMAL BACKLIGHTING (%)"), 6};
    r.pairs[16] = {QStringLiteral("DIMMED BACKLIGHTING AND INDICATOR (%)"), 1};
    return r;
}

const QByteArray sampleLine =
    "\"00-00531-MDL or 00-00537-MDL\",\"TRUCK 12\",\"DESIGNATION \",160,\"DESIGNATION \",160,"
    "\"DESIGNATION \",160,\"DESIGNATION \",160,\"DESIGNATION \",160,\"DESIGNATION \",160,"
    "\"DESIGNATION \",160,\"DESIGNATION \",160,\"DESIGNATION \",160,\"DESIGNATION \",160,"
    "\"DESIGNATION \",160,\"DESIGNATION \",160,\"BACKLIGHT\",159,\"DIMMING\",158,"
    "\"NORMAL INDICATOR (%)\",10,\"NORMAL BACKLIGHTING (%)\",6,\"DIMMED BACKLIGHTING AND INDICATOR (%)\",1\r\n";

// The sample line with its fields split at the commas that separate them.
QList<QByteArray> sampleFields()
{
    QList<QByteArray> fields;
    QByteArray line = sampleLine.chopped(2);
    qsizetype start = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ',' && !quoted) {
            fields << line.mid(start, i - start);
            start = i + 1;
        }
    }
    fields << line.mid(start);
    return fields;
}

QByteArray withField(int field, const QByteArray &text)
{
    QList<QByteArray> fields = sampleFields();
    fields[field - 1] = text;
    return fields.join(',') + "\r\n";
}

} // namespace

class TestConfigRecord : public QObject
{
    Q_OBJECT

private slots:
    void writesTheLine()
    {
        QCOMPARE(sampleFields().size(), 36);
        QCOMPARE(sampleRecord().toLine(), sampleLine);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("designation");
        QTest::addColumn<int>("code");
        QTest::newRow("ordinary") << "TRUCK 12" << "HORN" << 0;
        QTest::newRow("commas and blanks") << "A, B" << " WIPERS, FRONT " << 159;
        QTest::newRow("empty texts") << "" << "" << 160;
        QTest::newRow("Latin-1") << QString::fromUtf8("GRÜN") << QString::fromUtf8("Ç½ß") << 9;
        QTest::newRow("negative") << "X" << "Y" << -32768;
        QTest::newRow("largest") << "X" << "Y" << 32767;
        QTest::newRow("Windows-1252") << QString::fromUtf8("€ 5–6") << QString::fromUtf8("„HORN“ ™ Ÿ") << 1;
        QTest::newRow("longest texts") << QString(12, 'N') << QString(32767, 'D') << 2;
    }

    // A Windows-1252 file's bytes come back as they were, the euro sign as 0x80.
    void windows1252Bytes()
    {
        ConfigRecord r = sampleRecord();
        r.pairs[0].text = QString::fromUtf8("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ") + QChar(0xA0) + QChar(0xFF);
        const QByteArray line = r.toLine();
        QVERIFY(line.contains(QByteArray("\"\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92\x93\x94"
                                         "\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F\xA0\xFF\"")));
        QCOMPARE(ConfigRecord::parse(line)->pairs[0].text, r.pairs[0].text);
    }

    void roundTrip()
    {
        QFETCH(QString, panel);
        QFETCH(QString, designation);
        QFETCH(int, code);
        ConfigRecord r = sampleRecord();
        r.panel = panel;
        r.pairs[3] = {designation, qint16(code)};
        r.pairs[16].text.clear();
        QCOMPARE(ConfigRecord::parse(r.toLine()), std::optional<ConfigRecord>(r));
    }

    void reading_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("accepted");

        QByteArray onePerLine = sampleFields().join("\r\n") + "\r\n";
        QByteArray unixLines = sampleFields().join('\n');
        QTest::newRow("the line") << sampleLine << true;
        QTest::newRow("no line end") << sampleLine.chopped(2) << true;
        QTest::newRow("one field per line") << onePerLine << true;
        QTest::newRow("line feeds only") << unixLines << true;
        QTest::newRow("blanks before fields") << QByteArray(sampleLine).replace(",", ",  \t") << true;
        QTest::newRow("blanks after fields") << withField(4, "160  ") << true;
        QTest::newRow("more fields after 36") << sampleLine.chopped(2) + ",\"MORE\",5\r\nrubbish\r\n" << true;
        QTest::newRow("more lines") << sampleLine + sampleLine << true;
        QTest::newRow("empty label") << withField(27, "\"\"") << true;
        QTest::newRow("plus sign") << withField(4, "+12") << true;
        QTest::newRow("ends after field 35") << sampleFields().mid(0, 35).join(',') + "\r\n" << false;
        QTest::newRow("ends inside a quoted text") << sampleLine.left(40) << false;
        QTest::newRow("empty file") << QByteArray() << false;
        QTest::newRow("integer too large") << withField(4, "32768") << false;
        QTest::newRow("integer too small") << withField(4, "-32769") << false;
        QTest::newRow("integer without a number") << withField(4, "") << false;
        QTest::newRow("integer with letters") << withField(4, "12a") << false;
        QTest::newRow("integer with a fraction") << withField(4, "1.5") << false;
        QTest::newRow("integer in quotes") << withField(4, "\"12\"") << false;
        QTest::newRow("text without quotes") << withField(3, "HORN") << false;
        QTest::newRow("characters after the closing quote") << withField(3, "\"HORN\"X") << false;
        QTest::newRow("a quote inside a text") << withField(3, "\"HO\"RN\"") << false;
        QTest::newRow("zero byte in a text") << withField(3, QByteArray("\"H\0N\"", 5)) << false;
        QTest::newRow("huge number of digits") << withField(4, QByteArray(5000, '9')) << false;
        for (const char undefined : {'\x81', '\x8D', '\x8F', '\x90', '\x9D'})
            QTest::addRow("undefined byte %02X", quint8(undefined)) << withField(3, QByteArray("\"H") + undefined + "N\"") << false;
        QTest::newRow("panel name of 13") << withField(2, '"' + QByteArray(13, 'N') + '"') << false;
        QTest::newRow("designation over 32767") << withField(3, '"' + QByteArray(32768, 'D') + '"') << false;
        QTest::newRow("long label is no designation") << withField(27, '"' + QByteArray(40000, 'L') + '"') << true;
    }

    void reading()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, accepted);
        const std::optional<ConfigRecord> record = ConfigRecord::parse(text);
        QCOMPARE(record.has_value(), accepted);
    }

    void readsTheValues()
    {
        const std::optional<ConfigRecord> record = ConfigRecord::parse(withField(3, "  \"A, B \""));
        QVERIFY(record);
        QCOMPARE(record->pairs[0].text, QStringLiteral("A, B "));
        QCOMPARE(record->pairs[16].code, 1);
        QCOMPARE(record->model, ConfigRecord::modelTag);
    }
};

QTEST_APPLESS_MAIN(TestConfigRecord)
#include "tst_configrecord.moc"
