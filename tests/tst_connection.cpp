#include "fakepanel.h"
#include "link/panellink.h"
#include "link/bytetrace.h"
#include "session/connectionthread.h"
#include "virtualpanel.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

using Kind = TransferOutcome::Kind;
using Image = PanelConfiguration::MemoryImage;

namespace {

const Image image = {0, 11, 29, 160, 45, 159, 0, 12, 30, 160, 99, 150, 159, 158, 6, 10, 1};

QByteArray writeBytes(const Image &values)
{
    QByteArray bytes = "A" + PanelLink::readCommand(63);
    for (int a = 0; a < PanelConfiguration::byteCount; ++a)
        bytes += PanelLink::writeCommand(a, values[a]) + PanelLink::readCommand(a);
    return bytes;
}

QByteArray readBytes()
{
    QByteArray bytes = "A" + PanelLink::readCommand(63);
    for (int a = 0; a < PanelConfiguration::byteCount; ++a)
        bytes += PanelLink::readCommand(a);
    return bytes;
}

// A connection whose line is an in-process panel's, made on the connection's thread as a
// real port is. What the line and the panel hold is looked at once the jobs have reported,
// or from the connection's thread in `setUp`.
struct ConnectionFixture
{
    std::unique_ptr<FakePanel> panel;
    FakeLine *line = nullptr;
    std::function<void(FakeLine &)> setUp; // on the connection's thread, the line made
    QList<TransferOutcome> outcomes;
    QList<Image> images;
    QList<ConnectionThread::Poll> polls;
    ConnectionThread connection{QStringLiteral("FAKE"), [this]() -> std::unique_ptr<SerialLine> {
                                    auto made = std::make_unique<FakeLine>();
                                    line = made.get();
                                    panel = std::make_unique<FakePanel>(*made);
                                    if (setUp)
                                        setUp(*made);
                                    return made;
                                }};

    ConnectionFixture()
    {
        QObject::connect(&connection, &ConnectionThread::finished,
                         [this](const TransferOutcome &outcome, const Image &read) {
                             outcomes << outcome;
                             images << read;
                         });
        QObject::connect(&connection, &ConnectionThread::polled, [this](ConnectionThread::Poll poll) { polls << poll; });
    }
};

} // namespace

// A connection's thread over an in-process panel: its jobs one at a time, and how it ends
// a job at each of its waits.
class TestConnection : public QObject
{
    Q_OBJECT

private slots:
    // Jobs started while a write runs reach the connection's thread inside the write's
    // waits: they wait for it to end, and run one after the other in the order started.
    void jobsStartedDuringAJobWaitTheirTurn()
    {
        ConnectionFixture f;
        QObject::connect(&f.connection, &ConnectionThread::byteStarting, [&](int address) {
            if (address == 5 && f.outcomes.isEmpty()) {
                f.connection.read();
                f.connection.poll();
            }
        });
        f.connection.write(image);
        QTRY_COMPARE_WITH_TIMEOUT(f.polls.size(), 1, 10000);
        QCOMPARE(f.outcomes.size(), 2);
        QCOMPARE(f.outcomes[0].kind, Kind::Done);
        QCOMPARE(f.outcomes[1].kind, Kind::Done);
        QCOMPARE(f.images[1], image); // the read came after the whole write
        QCOMPARE(f.polls[0], ConnectionThread::Poll::Answered);
        QCOMPARE(f.line->sent, writeBytes(image) + readBytes() + "A");
        QVERIFY(!f.line->isOpen());
    }

    // The owner going away ends the job under way at its current wait: nothing more is
    // sent, the port closes, and no outcome comes back to an owner that is gone.
    void destroyedDuringATransfer()
    {
        std::atomic<int> commands = 0;
        int commandsAtDestruction = -1;
        QElapsedTimer clock;
        {
            ConnectionFixture f;
            f.setUp = [&](FakeLine &line) {
                line.onOutput = [&commands, answer = line.onOutput](const QByteArray &bytes) {
                    ++commands;
                    answer(bytes);
                };
            };
            bool underWay = false;
            QObject::connect(&f.connection, &ConnectionThread::byteStarting, [&](int address) { underWay = address == 4; });
            f.connection.write(image);
            f.connection.read(); // dropped with the connection
            QTRY_VERIFY_WITH_TIMEOUT(underWay, 5000);
            commandsAtDestruction = commands;
            clock.start();
        }
        QVERIFY(clock.elapsed() < 1000);
        // The command under way may have had its read-back to send.
        QVERIFY2(commands - commandsAtDestruction <= 1, qPrintable(QString::number(commands - commandsAtDestruction)));
    }

    // An abort ends the job at the wait under way, whichever it is, with the port closed and
    // nothing more sent; a job started after it ends at once.
    void abortAtEveryWait_data()
    {
        QTest::addColumn<bool>("writing");
        QTest::addColumn<char>("event");    // the abort comes as a command goes out ('>') or a reply is taken ('<')
        QTest::addColumn<int>("ordinal");   // of that kind of event in the job
        QTest::newRow("the handshake's reply") << true << '>' << 1;
        QTest::newRow("the tick before the model byte") << false << '<' << 1;
        QTest::newRow("the model byte's reply") << false << '>' << 2;
        QTest::newRow("the tick before a byte") << true << '<' << 2;
        QTest::newRow("a write's acknowledgement") << true << '>' << 3;
        QTest::newRow("a write's read-back") << true << '>' << 4;
        QTest::newRow("a read's reply") << false << '>' << 3;
        QTest::newRow("the tick after the last byte") << false << '<' << 19;
    }

    void abortAtEveryWait()
    {
        QFETCH(bool, writing);
        QFETCH(char, event);
        QFETCH(int, ordinal);
        ConnectionFixture f;
        QByteArray sentAtAbort;
        f.setUp = [&](FakeLine &line) {
            const auto count = [&, seen = std::make_shared<int>(0)](char kind) {
                if (kind == event && ++*seen == ordinal) {
                    sentAtAbort = line.sent;
                    f.connection.abort(); // from the connection's thread, as any thread may
                }
            };
            line.onOutput = [count, answer = line.onOutput](const QByteArray &bytes) {
                answer(bytes);
                count('>');
            };
            line.onInput = [count](const QByteArray &) { count('<'); };
        };
        writing ? f.connection.write(image) : f.connection.read();
        QTRY_COMPARE_WITH_TIMEOUT(f.outcomes.size(), 1, 5000);
        QCOMPARE(f.outcomes[0].kind, Kind::Aborted);
        QVERIFY(!sentAtAbort.isEmpty());
        QCOMPARE(f.line->sent, sentAtAbort);
        QVERIFY(!f.line->isOpen());

        f.connection.write(image);
        QTRY_COMPARE_WITH_TIMEOUT(f.outcomes.size(), 2, 1000);
        QCOMPARE(f.outcomes[1].kind, Kind::Aborted);
        QCOMPARE(f.line->sent, sentAtAbort);
    }

    // A flooding panel at a position that polls all day: what the polls write to the trace
    // is bounded over the run, not per poll.
    void pollsOfAFloodingPanelBoundTheTrace()
    {
        QTemporaryDir dir;
        const QString tracePath = dir.filePath("trace.txt");
        VirtualPanel panel({"--flood-after", "0"});
        ConnectionThread connection(panel.port(), tracePath, QString());
        int polls = 0;
        QObject::connect(&connection, &ConnectionThread::polled, [&] {
            if (++polls < 40)
                connection.poll();
        });
        connection.poll();
        QTRY_COMPARE_WITH_TIMEOUT(polls, 40, 20000);
        QFile trace(tracePath);
        QVERIFY(trace.open(QIODevice::ReadOnly));
        const QByteArray text = trace.readAll();
        QVERIFY2(text.size() < ByteTrace::pollLimit + 1024, qPrintable(QString::number(text.size())));
        QVERIFY(text.contains("BYTES RECEIVED IN THIS POLL, NOT TRACED"));
        QCOMPARE(text.count("FURTHER POLLS ARE NOT TRACED"), 1);
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
