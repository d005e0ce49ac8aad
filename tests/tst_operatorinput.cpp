// What the operator's terminal takes in and shows: lines typed or scanned on standard input,
// and ids on the board's rows.
#include "cli/lineinput.h"
#include "cli/progressboard.h"

#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

class TestOperatorInput : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void lines_data();
    void lines();
    void notTextClosesInput();
    void idsEscapedOnTheBoard();

private:
    // Writes to what the input reads as standard input.
    void feed(const QByteArray &bytes);

    int m_savedInput = -1;
    int m_writeEnd = -1;
};

void TestOperatorInput::init()
{
    int ends[2];
    QVERIFY(::pipe(ends) == 0);
    m_savedInput = ::dup(STDIN_FILENO);
    QVERIFY(::dup2(ends[0], STDIN_FILENO) == STDIN_FILENO);
    ::close(ends[0]);
    m_writeEnd = ends[1];
    ::fcntl(m_writeEnd, F_SETFL, O_NONBLOCK); // a full pipe must not hang the test
}

void TestOperatorInput::cleanup()
{
    ::close(m_writeEnd);
    ::dup2(m_savedInput, STDIN_FILENO);
    ::close(m_savedInput);
}

void TestOperatorInput::feed(const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(m_writeEnd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else
            QTest::qWait(5); // the input reads in the event loop
    }
}

void TestOperatorInput::lines_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("refusals");
    const QByteArray longest(LineInput::maxLine, 'x');
    QTest::newRow("a scan") << QByteArray("FX1 SN-12\r\n") << QStringList{"FX1 SN-12"} << QStringList{};
    QTest::newRow("the longest line") << longest + '\n' << QStringList{QString::fromLatin1(longest)} << QStringList{};
    QTest::newRow("one byte more, then a scan")
        << longest + "x\nFX1 SN-13\n" << QStringList{"FX1 SN-13"}
        << QStringList{"ignored: a line of more than 4096 bytes"};
    QTest::newRow("a long line in pieces") << longest + longest + longest + "\nq\n" << QStringList{"q"}
                                           << QStringList{"ignored: a line of more than 4096 bytes"};
    QTest::newRow("not UTF-8") << QByteArray("FX1 SN-\xff\xfe\nFX1 SN-14\n") << QStringList{"FX1 SN-14"}
                               << QStringList{"ignored: a line that is not UTF-8 text"};
}

// Lines as they come, and what is no line of text refused with a word and dropped.
void TestOperatorInput::lines()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, lines);
    LineInput reader;
    QStringList taken, refused;
    connect(&reader, &LineInput::early, this, [&](const QString &text) { taken << text; });
    connect(&reader, &LineInput::refused, this, [&](const QString &why) { refused << why; });
    feed(input);
    QTRY_COMPARE(taken, lines);
    QTEST(refused, "refusals");
}

// Bytes that never make a line (a device, not a scanner) close input after three refusals,
// taking no more memory than one line's.
void TestOperatorInput::notTextClosesInput()
{
    LineInput reader;
    QSignalSpy ended(&reader, &LineInput::ended);
    QStringList refused;
    connect(&reader, &LineInput::refused, this, [&](const QString &why) { refused << why; });
    reader.request();
    feed(QByteArray(8 * LineInput::maxLine, '\0'));
    QTRY_COMPARE(ended.size(), 1);
    QCOMPARE(refused.size(), 4);
    QCOMPARE(refused.constLast(), "input ignored: not lines of text");
}

// An id is the scanner's bytes: on a row they are shown, never sent to the terminal raw.
void TestOperatorInput::idsEscapedOnTheBoard()
{
    const QString row = ProgressBoard::fixtureRow("FX1", 3, 1, 0, "PROGRAMMED - REMOVE PANEL",
                                                  "SN\x1b]0;TITLE\a\x1b[2J-1");
    QVERIFY(!row.contains(QChar(0x1b)));
    QVERIFY(!row.contains(QChar('\a')));
    QVERIFY2(row.endsWith("ID SN\\x1B]0;TITLE\\x07\\x1B[2J-1"), qPrintable(row));
}

QTEST_GUILESS_MAIN(TestOperatorInput)
#include "tst_operatorinput.moc"
