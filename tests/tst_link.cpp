#include "fakeline.h"
#include "link/panellink.h"
#include "link/portadvice.h"
#include "link/serialportline.h"
#include "recordinghost.h"
#include "session/session.h"
#include "session/statustexts.h"
#ifdef VIRTUAL_PANEL_PATH
#include "virtualpanel.h"
#endif

#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using Kind = LinkResult::Kind;

// What the panel sends after one command: each piece so many milliseconds after the command
// went out. A piece at 100 ms comes with the tick that ends the command's wait, in the same
// pass; one at 0 is there before the wait begins.
struct Piece
{
    int ms;
    QByteArray bytes;
};
using Answer = QList<Piece>;

// One memory operation after the handshake, preceded by its ticks as a transfer does.
struct Step
{
    int address;
    int data;       // the byte written, or -1 for a read
    Answer answer;  // to the read, or to the write
    Answer readBack = {};
    int ticks = 1;
};
using Kinds = QList<Kind>;

char *toString(const Kinds &kinds)
{
    QByteArray numbers;
    for (Kind kind : kinds)
        numbers += QByteArray::number(int(kind)) + ' ';
    return qstrdup(numbers.trimmed().constData());
}

// The link against an in-process line, for the handshake's timing cases and the exact
// bytes and results of the two memory commands.
struct LinkFixture
{
    FakeLine line;
    PanelLink link{line};
    int attentions = 0;

    LinkFixture() { link.open_port(); }

    // Called as the command goes out, before its wait arms the tick. A piece keeps its side
    // of the first tick whatever the machine's load: one due within a tick after it is timed
    // from it, and one due before a tick comes with that tick at the latest. Timed from the command alone, a
    // piece and a tick both overdue after a stall may come in either order (Windows hands out
    // timer messages that are due in no order of their own).
    void play(const Answer &answer)
    {
        for (const Piece &piece : answer)
            deliverAt(piece.ms, piece.bytes);
    }

    void deliverAt(int ms, const QByteArray &bytes)
    {
        if (ms == 0) {
            line.deliver(bytes);
        } else if (ms >= 200) {
            line.deliverAfter(ms, bytes); // later waits restart the tick: timed from the command
        } else if (ms >= 100) {
            auto connection = std::make_shared<QMetaObject::Connection>();
            *connection = QObject::connect(&link.timer(), &QTimer::timeout, &line, [this, ms, bytes, connection] {
                QObject::disconnect(*connection);
                deliverAt(ms - 100, bytes);
            });
        } else {
            auto delivered = std::make_shared<bool>(false);
            const auto once = [this, bytes, delivered] {
                if (!std::exchange(*delivered, true))
                    line.deliver(bytes);
            };
            QTimer::singleShot(ms, Qt::PreciseTimer, &line, once);
            auto connection = std::make_shared<QMetaObject::Connection>();
            *connection = QObject::connect(&link.timer(), &QTimer::timeout, &line, [once, connection] {
                QObject::disconnect(*connection);
                once();
            });
        }
    }

    // What went out, one letter a command.
    QByteArray commandLetters() const
    {
        QByteArray letters;
        for (qsizetype i = 0; i < line.sent.size(); i += line.sent[i] == 'A' ? 1 : 6)
            letters += line.sent[i];
        return letters;
    }
};

#ifdef VIRTUAL_PANEL_PATH
// A transfer's frame at the link: the handshake, the model, then addresses 0 to 16 of a
// fresh panel, each after its tick. Says what went wrong, or nothing.
QString readConfiguration(PanelLink &link)
{
    if (!link.open_port().ok())
        return QStringLiteral("port not opened");
    LinkResult result = link.attention_handshake();
    int address = -1;
    for (const int next : {63, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}) {
        if (!result.ok())
            break;
        address = next;
        link.wait_tick();
        result = link.readee(address);
        if (result.ok() && result.value != (address == 63 ? 74 : address < 14 ? 160 : 10))
            result.kind = Kind::OutOfRange;
    }
    link.close_port();
    if (result.ok())
        return {};
    return QStringLiteral("kind %1 at %2, reply \"%3\"").arg(int(result.kind)).arg(address).arg(LinkResult::printable(result.reply));
}
#endif

class TestLink : public QObject
{
    Q_OBJECT

private slots:
    void handshake_data()
    {
        QTest::addColumn<QString>("panel");
        QTest::addColumn<bool>("success");
        QTest::addColumn<int>("attentionsSent");
        QTest::newRow("answers at once") << "prompt" << true << 1;
        QTest::newRow("never answers") << "silent" << false << 6;
        QTest::newRow("answers the second A") << "second" << true << 2;
        QTest::newRow("answer completes with the tick") << "atTick" << true << 1;
        QTest::newRow("late answer counted in the next attempt") << "late" << true << 2;
        QTest::newRow("two answers piled up") << "piled" << false << 1;
        QTest::newRow("lower case") << "lower" << false << 1;
        QTest::newRow("sixth byte") << "extra" << false << 1;
        QTest::newRow("three bytes at a time") << "trickle" << true << 1;
    }

    void handshake()
    {
        QFETCH(QString, panel);
        LinkFixture f;
        f.line.onOutput = [&](const QByteArray &) {
            ++f.attentions;
            if (panel == "prompt" || (panel == "second" && f.attentions == 2))
                f.line.deliver("D000D");
            else if (panel == "atTick" && f.attentions == 1)
                f.deliverAt(100, "D000D");
            else if (panel == "late" && f.attentions == 1)
                f.deliverAt(150, "D000D");
            else if (panel == "piled")
                f.line.deliver("D000DD000D");
            else if (panel == "lower")
                f.line.deliver("d000d");
            else if (panel == "extra")
                f.line.deliver("D000D\r");
            else if (panel == "trickle") {
                f.line.deliver("D00");
                f.deliverAt(30, "0D");
            }
        };
        QTEST(f.link.attention_handshake().ok(), "success");
        QFETCH(int, attentionsSent);
        QCOMPARE(f.line.sent, QByteArray(attentionsSent, 'A'));
    }

    // A panel that answers each "A" late: its answer to the first completes the handshake
    // on a later attempt, and its answers to the others arrive on their own time, anywhere
    // among the replies that follow. Each row lets such a stray acknowledgement come at one
    // moment of a model read, a byte write and a byte read; none of them is taken for a
    // reply, and every operation goes as it would without it.
    void strayAcknowledgement_data()
    {
        QTest::addColumn<int>("lateBy");     // ms: the first "A"'s answer, so 2 or 3 are sent
        QTest::addColumn<int>("command");    // after the handshake: 0 the model read, 1 the write, 2 its read-back, 3 the read
        QTest::addColumn<QString>("moment"); // where the strays come, relative to that command's reply
        QTest::newRow("before the model's reply") << 150 << 0 << "before";
        QTest::newRow("two strays before the model's reply") << 250 << 0 << "before";
        QTest::newRow("while the model's reply is awaited") << 150 << 0 << "between";
        QTest::newRow("on the heels of the model's reply") << 150 << 0 << "after";
        QTest::newRow("split between two reads") << 150 << 0 << "split";
        QTest::newRow("before a write's acknowledgement") << 150 << 1 << "before";
        QTest::newRow("while the acknowledgement is awaited") << 150 << 1 << "between";
        QTest::newRow("on the heels of the acknowledgement") << 150 << 1 << "after";
        QTest::newRow("before the read-back") << 150 << 2 << "before";
        QTest::newRow("while the read-back is awaited") << 150 << 2 << "between";
        QTest::newRow("split after the read-back") << 150 << 2 << "split";
        QTest::newRow("before a byte's reply") << 250 << 3 << "before";
        QTest::newRow("while a byte's reply is awaited") << 250 << 3 << "between";
    }

    void strayAcknowledgement()
    {
        QFETCH(int, lateBy);
        QFETCH(int, command);
        QFETCH(QString, moment);
        const QByteArray ack = PanelLink::acknowledgement;
        LinkFixture f;
        // A panel that answers in order: once an answer is held back, so is every later one.
        int delay = 0;
        const auto answer = [&](const QByteArray &bytes) {
            if (delay)
                f.deliverAt(delay, bytes);
            else
                f.line.deliver(bytes);
        };
        int commands = 0;
        QByteArray strays, rest;
        f.line.onOutput = [&](const QByteArray &bytes) {
            if (bytes == "A") {
                if (++f.attentions == 1)
                    f.deliverAt(lateBy, ack);
                else
                    strays += ack; // each one's answer waits for the moment of the row
                return;
            }
            const QByteArray reply = bytes[0] == 'S' ? ack : QByteArray::number(10 * (bytes[2] == 63 ? 74 : bytes[2] == 0 ? 160 : 12)).rightJustified(5, '0');
            answer(std::exchange(rest, QByteArray()));
            if (commands++ != command) {
                answer(reply);
            } else if (moment == "before") {
                answer(strays + reply);
            } else if (moment == "between") {
                answer(strays);
                delay = 10;
                answer(reply);
            } else if (moment == "after") {
                answer(reply + strays);
            } else { // the line hands over the stray's first two bytes with the reply
                answer(reply + strays.left(2));
                rest = strays.mid(2);
            }
        };
        QVERIFY(f.link.attention_handshake().ok());
        QCOMPARE(f.attentions, lateBy / 100 + 1);

        const LinkResult model = f.link.readee(63);
        QCOMPARE(model.kind, Kind::Ok);
        QCOMPARE(model.value, qint16(74));
        const LinkResult written = f.link.sendee(0, 160);
        QCOMPARE(written.kind, Kind::Ok);
        const LinkResult read = f.link.readee(1);
        QCOMPARE(read.kind, Kind::Ok);
        QCOMPARE(read.value, qint16(12));
        QCOMPARE(f.line.sent, QByteArray(f.attentions, 'A') + PanelLink::readCommand(63) + PanelLink::writeCommand(0, 160)
                                  + PanelLink::readCommand(0) + PanelLink::readCommand(1));
        f.link.wait_tick(); // whatever else was on its way has come
        QCOMPARE(f.line.inBufferCount(), 0);
    }

    // The edges of the handshake and of late acknowledgements, each a byte timeline: what the
    // panel sends after each "A" and after each command that follows. The results are the
    // handshake's and each operation's, up to the first that fails.
    void timeline_data()
    {
        QTest::addColumn<QList<Answer>>("attention");
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<Kinds>("results");
        QTest::addColumn<QByteArray>("sent");

        const QByteArray ack = PanelLink::acknowledgement;
        const Step model{63, -1, {{0, "00740"}}};

        // An answer that completes as the tick is handled is the answer, not a failure.
        QTest::newRow("fifth byte with the tick") << QList<Answer>{{{60, "D000"}, {100, "D"}}} << QList<Step>{model}
                                                  << Kinds{Kind::Ok, Kind::Ok} << QByteArray("AV");
        QTest::newRow("fifth byte 2 ms after the tick") << QList<Answer>{{{60, "D000"}, {102, "D"}}} << QList<Step>{model}
                                                        << Kinds{Kind::Ok, Kind::Ok} << QByteArray("AV");
        QTest::newRow("fifth byte 40 ms after the tick: a second A")
            << QList<Answer>{{{60, "D000"}, {140, "D"}}} << QList<Step>{model} << Kinds{Kind::Ok, Kind::Ok} << QByteArray("AAV");

        // After a write's acknowledgement only an owed one may follow, whole within a tick.
        const QList<Answer> answersFirstLate{{{150, ack}}}; // the second "A" is owed, never answered
        QTest::newRow("sixth byte on a write's ack, an answer owed")
            << answersFirstLate << QList<Step>{{0, 160, {{0, "D000DD"}}, {{0, "01600"}}}}
            << Kinds{Kind::Ok, Kind::NoAcknowledgement} << QByteArray("AAS");
        QTest::newRow("owed ack on a write's ack, whole within the tick")
            << answersFirstLate << QList<Step>{{0, 160, {{0, "D000DD"}, {30, "000D"}}, {{0, "01600"}}}}
            << Kinds{Kind::Ok, Kind::Ok} << QByteArray("AASV");
        QTest::newRow("sixth byte on a write's ack, nothing owed")
            << QList<Answer>{{{0, ack}}} << QList<Step>{{0, 160, {{0, "D000DD"}}, {{0, "01600"}}}}
            << Kinds{Kind::Ok, Kind::NoAcknowledgement} << QByteArray("AS");

        // An "A" is owed its answer for 600 ms after it went out, and no longer.
        const QList<Answer> answersThird{{}, {}, {{0, ack}}};
        QTest::newRow("ignored A's, ack as a read's reply within 600 ms")
            << answersThird << QList<Step>{model, {0, -1, {{0, ack}, {10, "01600"}}}} << Kinds{Kind::Ok, Kind::Ok, Kind::Ok}
            << QByteArray("AAAVV");
        QTest::newRow("ignored A's, ack as a read's reply after 600 ms")
            << answersThird << QList<Step>{model, {0, -1, {{0, ack}}, {}, 6}}
            << Kinds{Kind::Ok, Kind::Ok, Kind::CorruptedReply} << QByteArray("AAAVV");
        QTest::newRow("owed ack in time, during the pause before a read after 600 ms")
            << QList<Answer>{{{150, ack}}, {{550, ack}}} << QList<Step>{{63, -1, {{0, "00740"}}, {}, 6}}
            << Kinds{Kind::Ok, Kind::Ok} << QByteArray("AAV");
        QTest::newRow("reply D000D and digits within 600 ms")
            << answersFirstLate << QList<Step>{model, {0, -1, {{0, "D000D01600"}}}} << Kinds{Kind::Ok, Kind::Ok, Kind::Ok}
            << QByteArray("AAVV");
        QTest::newRow("reply D000D and digits after 600 ms")
            << answersFirstLate << QList<Step>{model, {0, -1, {{0, "D000D01600"}}, {}, 6}}
            << Kinds{Kind::Ok, Kind::Ok, Kind::CorruptedReply} << QByteArray("AAVV");
    }

    void timeline()
    {
        QFETCH(QList<Answer>, attention);
        QFETCH(QList<Step>, steps);
        LinkFixture f;
        const Step *step = nullptr;
        f.line.onOutput = [&](const QByteArray &bytes) {
            if (bytes == "A")
                f.play(attention.value(f.attentions++));
            else
                f.play(step->data >= 0 && bytes[0] == 'V' ? step->readBack : step->answer);
        };
        Kinds results{f.link.attention_handshake().kind};
        for (const Step &s : steps) {
            if (results.last() != Kind::Ok)
                break;
            for (int i = 0; i < s.ticks; ++i)
                f.link.wait_tick();
            step = &s;
            results << (s.data < 0 ? f.link.readee(s.address) : f.link.sendee(s.address, qint16(s.data))).kind;
        }
        QTEST(results, "results");
        QTEST(f.commandLetters(), "sent");
    }

#ifdef VIRTUAL_PANEL_PATH
    // A panel on a pseudo-terminal that answers each "A" about a tick late, on a timer of its
    // own: whichever side of the tick its answer lands, and wherever the answers to the other
    // "A"s fall among the replies, every read of the configuration goes through. One thread
    // and one panel for each delay, side by side.
    void answersAboutATickLate()
    {
        const QList<int> delays{95, 97, 99, 100, 101, 103};
        constexpr int reads = 20;
        std::vector<std::unique_ptr<VirtualPanel>> panels;
        std::vector<QStringList> failures(delays.size());
        std::vector<std::unique_ptr<QThread>> threads;
        for (qsizetype i = 0; i < delays.size(); ++i) {
            panels.push_back(std::make_unique<VirtualPanel>(QStringList{"--ack-late", QString::number(delays[i])}));
            QVERIFY(!panels.back()->port().isEmpty());
            threads.emplace_back(QThread::create([port = panels.back()->port(), &failed = failures[i]] {
                SerialPortLine line(port);
                PanelLink link(line);
                for (int n = 0; n < reads; ++n)
                    if (const QString failure = readConfiguration(link); !failure.isEmpty())
                        failed << QStringLiteral("read %1: %2").arg(n + 1).arg(failure);
            }));
            threads.back()->start();
        }
        for (qsizetype i = 0; i < delays.size(); ++i) {
            QVERIFY(threads[i]->wait(QDeadlineTimer(120000)));
            if (!failures[i].isEmpty())
                QFAIL(qPrintable(QStringLiteral("%1 ms late: %2").arg(delays[i]).arg(failures[i].join("; "))));
        }
    }
#endif

    void commandBytes()
    {
        QCOMPARE(PanelLink::writeCommand(0, 160), QByteArray("S\0\0\0\xA0" "D", 6));
        QCOMPARE(PanelLink::writeCommand(16, 0), QByteArray("S\0\x10\0\0D", 6));
        QCOMPARE(PanelLink::readCommand(63), QByteArray("V\0?00V", 6));
    }

    // Each write's result, and what the status line says of it.
    void sendee_data()
    {
        QTest::addColumn<int>("data");
        QTest::addColumn<QByteArray>("ack");
        QTest::addColumn<QByteArray>("readBack");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("readSent");

        QTest::newRow("160 verifies") << 160 << QByteArray("D000D") << QByteArray("01600") << Kind::Ok << "COMMUNICATIONS OK" << true;
        QTest::newRow("0 verifies") << 0 << QByteArray("D000D") << QByteArray("00000") << Kind::Ok << "COMMUNICATIONS OK" << true;
        QTest::newRow("1505 verifies 150") << 150 << QByteArray("D000D") << QByteArray("01505") << Kind::Ok << "COMMUNICATIONS OK" << true;
        QTest::newRow("1515 fails 151") << 151 << QByteArray("D000D") << QByteArray("01515") << Kind::ReadBackDiffers << "DATA FAILED TO VERIFY" << true;
        QTest::newRow("ack with a sixth byte") << 5 << QByteArray("D000DX") << QByteArray("00050") << Kind::NoAcknowledgement << "BEFORE" << false;
        QTest::newRow("ack in lower case") << 5 << QByteArray("d000d") << QByteArray("00050") << Kind::NoAcknowledgement << "BEFORE" << false;
        QTest::newRow("no ack") << 5 << QByteArray() << QByteArray("00050") << Kind::NoAcknowledgement << "BEFORE" << false;
        QTest::newRow("short read-back") << 5 << QByteArray("D000D") << QByteArray("050") << Kind::ReadBackUnreadable << "COMMUNICATIONS CORRUPTED" << true;
        QTest::newRow("no read-back") << 5 << QByteArray("D000D") << QByteArray() << Kind::ReadBackUnreadable << "COMMUNICATIONS CORRUPTED" << true;
        QTest::newRow("unreadable read-back") << 5 << QByteArray("D000D") << QByteArray("1E999") << Kind::ReadBackDiffers << "DATA FAILED TO VERIFY" << true;
        // Garble is no value: read as 0 it would verify a 0.
        QTest::newRow("NULs verify no 0") << 0 << QByteArray("D000D") << QByteArray(5, '\0') << Kind::ReadBackUnreadable << "COMMUNICATIONS CORRUPTED" << true;
        QTest::newRow("letters verify no 0") << 0 << QByteArray("D000D") << QByteArray("D000D") << Kind::ReadBackUnreadable << "COMMUNICATIONS CORRUPTED" << true;
        QTest::newRow("no byte") << 256 << QByteArray("D000D") << QByteArray("02560") << Kind::NotAByte << "DATA FAILED TO VERIFY" << false;
    }

    void sendee()
    {
        QFETCH(int, data);
        QFETCH(QByteArray, ack);
        QFETCH(QByteArray, readBack);
        QFETCH(bool, readSent);
        LinkFixture f;
        f.line.onOutput = [&](const QByteArray &bytes) { f.line.deliver(bytes[0] == 'S' ? ack : readBack); };
        const LinkResult result = f.link.sendee(7, qint16(data));
        QTEST(result.kind, "kind");
        QCOMPARE(int(result.sent), data);
        QTEST(StatusTexts::afterByte(result, StatusTexts::Direction::Write).value_or("BEFORE"), "status");
        const QByteArray write = data <= 255 ? PanelLink::writeCommand(7, data) : QByteArray();
        QCOMPARE(f.line.sent, write + (readSent ? PanelLink::readCommand(7) : QByteArray()));
        // What came back is kept to be told, at most 16 bytes of it.
        if (result.kind == Kind::NoAcknowledgement)
            QCOMPARE(result.reply, ack);
        if (result.kind == Kind::ReadBackDiffers)
            QCOMPARE(result.reply, readBack);
    }

    // Unlike the handshake, a write's acknowledgement is judged by its text alone.
    void sendeeAckWithTheTick()
    {
        LinkFixture f;
        f.line.onOutput = [&](const QByteArray &bytes) {
            if (bytes[0] == 'S')
                f.deliverAt(100, "D000D");
            else
                f.line.deliver("00090");
        };
        QVERIFY(f.link.sendee(2, 9).ok());
    }

    void readee_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("value");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("status");
        QTest::newRow("model 74") << QByteArray("00740") << 74 << Kind::Ok << "COMMUNICATIONS OK";
        QTest::newRow("160") << QByteArray("01600") << 160 << Kind::Ok << "COMMUNICATIONS OK";
        QTest::newRow("161") << QByteArray("01606") << 161 << Kind::OutOfRange << "ERROR - DATA OUT OF RANGE";
        QTest::newRow("-1") << QByteArray("-0006") << -1 << Kind::OutOfRange << "ERROR - DATA OUT OF RANGE";
        QTest::newRow("late acknowledgement is no value") << QByteArray("D000D") << 0 << Kind::CorruptedReply << "COMMUNICATIONS CORRUPTED";
        QTest::newRow("NULs are no value") << QByteArray(5, '\0') << 0 << Kind::CorruptedReply << "COMMUNICATIONS CORRUPTED";
        QTest::newRow("blanks then digits") << QByteArray(" \t00740") << 74 << Kind::Ok << "COMMUNICATIONS OK";
        QTest::newRow("longer reply") << QByteArray("00740XYZ") << 74 << Kind::Ok << "COMMUNICATIONS OK";
        QTest::newRow("short reply") << QByteArray("740") << 0 << Kind::ShortReply << "COMMUNICATIONS CORRUPTED";
        QTest::newRow("silence") << QByteArray() << 0 << Kind::NoReply << "COMMUNICATIONS CORRUPTED";
        // Too large to read fails as 161 does, on the side of its sign.
        QTest::newRow("too large to read") << QByteArray("1E999") << 32767 << Kind::OutOfRange << "ERROR - DATA OUT OF RANGE";
        QTest::newRow("too large, negative") << QByteArray("-1E999") << -32768 << Kind::OutOfRange << "ERROR - DATA OUT OF RANGE";
        QTest::newRow("hex wider than 32 bits") << QByteArray("&H1FFFFFFFF") << 32767 << Kind::OutOfRange << "ERROR - DATA OUT OF RANGE";
        QTest::newRow("a flood keeps 16 bytes") << QByteArray(40, '\xff') << 0 << Kind::CorruptedReply << "COMMUNICATIONS CORRUPTED";
    }

    void readee()
    {
        QFETCH(QByteArray, reply);
        QFETCH(Kind, kind);
        LinkFixture f;
        f.line.onOutput = [&](const QByteArray &) { f.line.deliver(reply); };
        const LinkResult result = f.link.readee(63);
        QCOMPARE(result.kind, kind);
        if (kind == Kind::Ok || kind == Kind::OutOfRange)
            QTEST(int(result.value), "value");
        QTEST(StatusTexts::afterByte(result, StatusTexts::Direction::Read).value_or("BEFORE"), "status");
        QCOMPARE(result.reply, kind == Kind::Ok ? QByteArray() : reply.left(LinkResult::replyLimit));
        QCOMPARE(f.line.sent, PanelLink::readCommand(63));
    }

    // A line lost in the middle of a wait ends it at once; nothing more goes out.
    void lostLine()
    {
        LinkFixture f;
        f.line.onOutput = [&](const QByteArray &) { QTimer::singleShot(20, &f.line, [&] { emit f.line.lost(); }); };
        QCOMPARE(f.link.attention_handshake().kind, Kind::LineLost);
        QCOMPARE(f.line.sent, QByteArray("A"));
        QCOMPARE(f.link.wait_tick().kind, Kind::LineLost);
        QCOMPARE(f.link.readee(0).kind, Kind::LineLost);
    }

    void abortEndsTheWait()
    {
        LinkFixture f;
        QTimer::singleShot(20, &f.line, [&] { f.link.abort(); });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(f.link.wait_tick().kind, Kind::Aborted);
        QVERIFY2(clock.elapsed() < 100, qPrintable(QString::number(clock.elapsed()))); // ended before its tick
        QVERIFY(!f.line.isOpen());
    }

    // Each opening failure names the port and says what to do; the detail has the whole name.
    void portThatCannotBeOpened_data()
    {
        using Kind = SerialLine::OpenFailure::Kind;
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("status");
        const QString byId = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
        QTest::newRow("no such port") << "/dev/ttyUSB0" << int(Kind::NotFound)
                                      << "SERIAL PORT /dev/ttyUSB0 NOT FOUND - PLUG IN THE ADAPTER OR CHOOSE ANOTHER PORT";
#ifdef Q_OS_LINUX
        QTest::newRow("permission") << "/dev/ttyS0" << int(Kind::PermissionDenied)
                                    << "NO PERMISSION FOR PORT /dev/ttyS0 - JOIN THE dialout GROUP, THEN LOG IN AGAIN";
#endif
        QTest::newRow("in use") << "/dev/ttyACM0" << int(Kind::InUse)
                                << "SERIAL PORT /dev/ttyACM0 IS IN USE BY ANOTHER PROGRAM - CLOSE IT AND TRY AGAIN";
        QTest::newRow("not a serial port") << "/dev/null" << int(Kind::NotASerialPort)
                                           << "/dev/null IS NOT A SERIAL PORT - CHOOSE THE PORT OF THE SWITCH PANEL";
        QTest::newRow("other") << "COM7" << int(Kind::Other)
                               << "COMMUNICATIONS FAILURE - SERIAL PORT COM7 COULD NOT BE OPENED: Some reason";
        QTest::newRow("long link, shortened") << byId << int(Kind::NotFound)
                                              << "SERIAL PORT ...T_A50285BI-if00-port0 NOT FOUND - PLUG IN THE ADAPTER OR CHOOSE ANOTHER PORT";
    }

    // Qt's errors told apart; a lock held by another program comes as a permission error on
    // a device the user may open, which root alone cannot show on a real port.
    void classifyOpenErrors_data()
    {
        using Kind = SerialLine::OpenFailure::Kind;
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("accessible");
        QTest::addColumn<int>("systemError");
        QTest::addColumn<int>("kind");
        QTest::newRow("missing") << int(QSerialPort::DeviceNotFoundError) << "No such file or directory" << false << 0
                                 << int(Kind::NotFound);
        QTest::newRow("no permission") << int(QSerialPort::PermissionError) << "Permission denied" << false << 0
                                       << int(Kind::PermissionDenied);
        QTest::newRow("locked by another") << int(QSerialPort::PermissionError)
                                           << "Permission error while locking the device" << true << int(EEXIST)
                                           << int(Kind::InUse);
#ifdef Q_OS_UNIX
        QTest::newRow("no descriptor for the lock") << int(QSerialPort::PermissionError)
                                                    << "Permission error while locking the device" << true
                                                    << int(EMFILE) << int(Kind::Other);
        QTest::newRow("not a terminal") << int(QSerialPort::UnsupportedOperationError) << qt_error_string(ENOTTY) << true
                                        << 0 << int(Kind::NotASerialPort);
#endif
        QTest::newRow("anything else") << int(QSerialPort::ResourceError) << "Input/output error" << true << 0
                                       << int(Kind::Other);
    }

    void classifyOpenErrors()
    {
        QFETCH(int, error);
        QFETCH(QString, reason);
        QFETCH(bool, accessible);
        QFETCH(int, systemError);
        PortAdvice::Device device; // a serial device that is there
        device.state = PortAdvice::Device::State::Present;
        device.characterDevice = true;
        device.accessible = accessible;
        QTEST(int(PortAdvice::afterOpen(device, {}, QSerialPort::SerialPortError(error), reason, systemError).kind),
              "kind");
    }

#ifdef Q_OS_UNIX
    void portWithoutDescriptors_data()
    {
        QTest::addColumn<int>("free");
        QTest::newRow("none for the lock file") << 0;
        QTest::newRow("none for the device") << 1; // the lock file takes the one there is
    }

    // A real port that the system will not give a descriptor says so, with the system's
    // reason, and leaves no lock file behind; run in a child with a low open-file limit.
    void portWithoutDescriptors()
    {
        QFETCH(int, free);
        const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(terminal >= 0 && ::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0);
        const QString port = QString::fromLocal8Bit(::ptsname(terminal));
        const QString lock = "/run/lock/LCK.." + port.mid(5).replace('/', '_');
        const pid_t child = ::fork();
        if (child == 0) {
            // Opened once while descriptors are free: the undefined-behaviour sanitizer checks
            // each object's type on first use, and needs a descriptor of its own to do it.
            SerialPortLine line(port);
            SerialLine::OpenFailure before;
            if (line.open(&before))
                line.close();
            // The limit below which exactly `free` descriptor numbers are unused.
            int limit = 0;
            for (int unused = 0; unused <= free; ++limit)
                if (::fcntl(limit, F_GETFD) == -1)
                    ++unused;
            const rlimit low{rlim_t(limit - 1), rlim_t(limit - 1)};
            ::setrlimit(RLIMIT_NOFILE, &low);
            SerialLine::OpenFailure failure;
            const bool said = !line.open(&failure) && failure.kind == SerialLine::OpenFailure::Kind::Other
                              && failure.reason == qt_error_string(EMFILE)
                              && failure.advice.contains(QStringLiteral("TOO MANY OPEN FILES"));
            ::_exit(said ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        ::close(terminal);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QVERIFY(!QFile::exists(lock));
    }
#endif

    void portThatCannotBeOpened()
    {
        QFETCH(QString, port);
        QFETCH(int, kind);
        QFETCH(QString, status);
        RecordingHost host;
        auto fake = std::make_unique<FakeLine>();
        FakeLine &line = *fake;
        line.name = port;
        line.openFailure = SerialLine::OpenFailure{SerialLine::OpenFailure::Kind(kind), QStringLiteral("Some reason")};
        Session session(host, std::move(fake));
        const FormModel &form = session.form();
        QCOMPARE(session.readPanel().kind, TransferOutcome::Kind::PortFailed);
        QCOMPARE(form.status().text, status);
        QVERIFY(form.status().detail.contains(port));
        QVERIFY(form.status().detail.endsWith(QStringLiteral("\nSome reason"))); // the reason on a line of its own
        QCOMPARE(form.status().colour, FormModel::StatusColour::Red);
        QVERIFY(form.status().visible);
        QVERIFY(line.sent.isEmpty());
        QVERIFY(!session.link().timer().isActive());
    }
};

QTEST_MAIN(TestLink)
#include "tst_link.moc"
