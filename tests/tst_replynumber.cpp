#include "link/replynumber.h"

#include <QTest>

class TestReplyNumber : public QObject
{
    Q_OBJECT

private slots:
    void value_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("begins");    // a panel's reply begins with a number; garble does not
        QTest::addColumn<int>("saturated");

        QTest::newRow("1500") << QByteArray("01500") << true << 150 << true << 150;
        QTest::newRow("1505 goes to even 150") << QByteArray("01505") << true << 150 << true << 150;
        QTest::newRow("1515 goes to even 152") << QByteArray("01515") << true << 152 << true << 152;
        QTest::newRow("1496") << QByteArray("01496") << true << 150 << true << 150;
        QTest::newRow("1604") << QByteArray("01604") << true << 160 << true << 160;
        QTest::newRow("1605") << QByteArray("01605") << true << 160 << true << 160;
        QTest::newRow("1606") << QByteArray("01606") << true << 161 << true << 161;
        QTest::newRow("-5 gives 0") << QByteArray("-0005") << true << 0 << true << 0;
        QTest::newRow("-6 gives -1") << QByteArray("-0006") << true << -1 << true << -1;
        QTest::newRow("acknowledgement reads 0") << QByteArray("D000D") << true << 0 << false << 0;
        QTest::newRow("letters read 0") << QByteArray("ABCD") << true << 0 << false << 0;
        QTest::newRow("blanks anywhere") << QByteArray(" 1 5\t0 0\n") << true << 150 << true << 150;
        QTest::newRow("sign and blanks") << QByteArray("- 1500") << true << -150 << true << -150;
        QTest::newRow("plus sign") << QByteArray("+1500") << true << 150 << true << 150;
        QTest::newRow("trailing text") << QByteArray("1500V") << true << 150 << true << 150;
        QTest::newRow("carriage return is no blank") << QByteArray("\r1500") << true << 0 << false << 0;
        QTest::newRow("decimal point") << QByteArray("1500.4") << true << 150 << true << 150;
        QTest::newRow("leading point") << QByteArray(".5xyz") << true << 0 << true << 0;
        QTest::newRow("exponent E") << QByteArray("1.5E3") << true << 150 << true << 150;
        QTest::newRow("exponent D") << QByteArray("15D2") << true << 150 << true << 150;
        QTest::newRow("exponent with blanks") << QByteArray("1 e 3") << true << 100 << true << 100;
        QTest::newRow("exponent without digits") << QByteArray("1500E+") << true << 150 << true << 150;
        QTest::newRow("underflow reads 0") << QByteArray("1e-400") << true << 0 << true << 0;
        QTest::newRow("hex") << QByteArray("&H5DC") << true << 150 << true << 150;
        QTest::newRow("octal") << QByteArray("&o2734") << true << 150 << true << 150;
        QTest::newRow("hex 16-bit is signed") << QByteArray("&HFFFF") << true << 0 << true << 0;
        QTest::newRow("hex -32768") << QByteArray("&H8000") << true << -3277 << true << -3277;
        QTest::newRow("hex without digits") << QByteArray("&HZZ") << true << 0 << false << 0;
        QTest::newRow("ampersand alone") << QByteArray("&xyz") << true << 0 << false << 0;
        QTest::newRow("sign alone") << QByteArray("-abc") << true << 0 << false << 0;
        QTest::newRow("zero bytes") << QByteArray("\0\0\0\0", 4) << true << 0 << false << 0;
        QTest::newRow("largest") << QByteArray("327674") << true << 32767 << true << 32767;
        QTest::newRow("half over the largest goes to even 32768") << QByteArray("327675") << false << 0 << true << 32767;
        QTest::newRow("smallest") << QByteArray("-327684") << true << -32768 << true << -32768;
        QTest::newRow("too large a quotient") << QByteArray("9999999") << false << 0 << true << 32767;
        QTest::newRow("huge exponent") << QByteArray("1E400") << false << 0 << true << 32767;
        QTest::newRow("many digits, tiny exponent") << QByteArray(400, '9') + "e-399" << true << 1 << true << 1;
        QTest::newRow("many zeros") << QByteArray(5000, '0') + "1500" << true << 150 << true << 150;
        QTest::newRow("too small a quotient") << QByteArray("-9999999") << false << 0 << true << -32768;
        QTest::newRow("huge negative exponent") << QByteArray(" -1E400") << false << 0 << true << -32768;
        QTest::newRow("NUL before digits") << QByteArray("\0001500", 5) << true << 0 << false << 0;
        QTest::newRow("point alone") << QByteArray(". 5") << true << 0 << true << 0;
        QTest::newRow("octal digit 8") << QByteArray("&O8") << true << 0 << false << 0;
        QTest::newRow("hex wider than 32 bits") << QByteArray("&H123456789") << false << 0 << true << 32767;
    }

    void value()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, valid);
        const std::optional<qint16> result = ReplyNumber::value(reply);
        QCOMPARE(result.has_value(), valid);
        if (valid)
            QTEST(int(*result), "value");
        QTEST(ReplyNumber::beginsWithNumber(reply), "begins");
        QTEST(int(ReplyNumber::saturated(reply)), "saturated");
    }
};

QTEST_APPLESS_MAIN(TestReplyNumber)
#include "tst_replynumber.moc"
