#include "line/productionline.h"

#include "fakeline.h"
#include "fakepanel.h"
#include "platform/exitcode.h"

#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <map>

namespace {

// Time that moves only when the test says: ticks and one-shots fire in order of their time.
class FakeClock : public LineClock
{
public:
    class FakeTicker : public Ticker
    {
    public:
        FakeTicker(FakeClock &clock, int interval, std::function<void()> tick)
            : m_clock(clock), m_interval(interval), m_tick(std::move(tick)) {}
        void start() override { m_due = m_clock.m_now + m_interval; }
        void stop() override { m_due = -1; }
        FakeClock &m_clock;
        int m_interval;
        std::function<void()> m_tick;
        qint64 m_due = -1;
    };

    qint64 now() const override { return m_now; }
    QDateTime utc() const override { return QDateTime(QDate(2026, 1, 5), QTime(6, 0), Qt::UTC).addMSecs(m_now); }
    std::unique_ptr<Ticker> ticker(int intervalMs, std::function<void()> tick) override
    {
        auto made = std::make_unique<FakeTicker>(*this, intervalMs, std::move(tick));
        m_tickers.push_back(made.get());
        return made;
    }
    void after(int ms, std::function<void()> call) { m_calls.emplace(m_now + ms, std::move(call)); }

    // Runs every tick and call due up to `until`.
    void runUntil(qint64 until)
    {
        for (;;) {
            qint64 next = until + 1;
            FakeTicker *ticker = nullptr;
            for (FakeTicker *t : m_tickers)
                if (t->m_due >= 0 && t->m_due < next)
                    next = t->m_due, ticker = t;
            if (!m_calls.empty() && m_calls.begin()->first <= next && m_calls.begin()->first <= until) {
                auto call = m_calls.extract(m_calls.begin());
                m_now = call.key();
                call.mapped()();
                continue;
            }
            if (!ticker)
                break;
            m_now = next;
            ticker->m_due += ticker->m_interval;
            ticker->m_tick();
        }
        m_now = until;
    }

private:
    qint64 m_now = 0;
    std::vector<FakeTicker *> m_tickers;
    std::multimap<qint64, std::function<void()>> m_calls;
};

using Kind = TransferOutcome::Kind;

// One position's panels: how each attempt ends (the last repeats) and when a panel is seated.
struct Script
{
    QList<Kind> outcomes;
    QList<std::pair<int, int>> seated; // [from, to) in ms
    int durationMs = 400;
    QList<int> unchanged = {}; // the attempts (from 0) that find the panel holding the file
};

// A connection whose jobs end as its script says, after their time on the fake clock; a
// poll hears the panel when one is seated.
class ScriptedConnection : public LineConnection
{
public:
    ScriptedConnection(FakeClock &clock, const Script &script)
        : m_clock(clock), m_script(script) {}

    void write(const PanelConfiguration::MemoryImage &, const QList<MissingPick> &, bool, ConnectionThread::Backup) override { job(); }
    void read() override { job(); }
    void poll() override
    {
        m_clock.after(100, [this] {
            const qint64 now = m_clock.now();
            const bool seated = std::any_of(m_script.seated.begin(), m_script.seated.end(),
                                            [&](auto w) { return now >= w.first && now < w.second; });
            emit polled(seated ? Poll::Answered : Poll::Silent);
        });
    }
    void abort() override
    {
        if (m_pending) {
            m_pending = 0;
            end(Kind::Aborted);
        }
    }

private:
    void job()
    {
        const Kind kind = m_script.outcomes.value(m_attempt, m_script.outcomes.constLast());
        ++m_attempt;
        const int mine = ++m_jobs;
        m_pending = mine;
        emit byteStarting(0);
        m_clock.after(m_script.durationMs, [this, kind, mine] {
            if (m_pending == mine) {
                m_pending = 0;
                end(kind);
            }
        });
    }
    void end(Kind kind)
    {
        TransferOutcome outcome;
        outcome.kind = kind;
        outcome.unchanged = kind == Kind::Done && m_script.unchanged.contains(m_attempt - 1);
        if (kind == Kind::ByteFailed)
            outcome.address = 5;
        if (kind == Kind::WrongModel)
            outcome.model = 12;
        if (kind == Kind::NoResponse || kind == Kind::ByteFailed)
            outcome.link = LinkResult::of(LinkResult::Kind::NoReply);
        emit finished(outcome, {}, StatusTexts::ending(outcome, StatusTexts::Direction::Write));
    }

    FakeClock &m_clock;
    Script m_script;
    int m_attempt = 0;
    int m_jobs = 0;
    int m_pending = 0;
};

// What the line told, position by position, in words a row can hold.
class RecordingSink : public LineSink
{
public:
    explicit RecordingSink(int positions) : told(positions) {}

    void positionChanged(const PositionChange &c) override
    {
        if (c.stateChanged && !c.after && c.state.kind != PositionState::Kind::PortNotFound
            && (c.state.kind != PositionState::Kind::Programming || c.state.byte < 0))
            told[c.position] << c.state.eventName() + (c.panel ? QStringLiteral(":%1").arg(c.panel) : QString());
    }
    bool attemptEnded(const AttemptEnd &end) override
    {
        told[end.position] << end.attempt.outcomeWord() + (end.attempt.panelId.isEmpty() ? QString() : QLatin1Char('@') + end.attempt.panelId);
        ++attempts;
        return true;
    }
    void idRead(int position, const QString &id) override
    {
        if (!id.isEmpty())
            told[position] << QStringLiteral("id:") + id;
    }
    // The records of ids and seatings, all positions together.
    void idRecorded(int, const IdRecord &r) override
    {
        records << QStringLiteral("id %1 %2").arg(IdRecord::word(r.bound), r.panelId)
                + (r.panel ? QStringLiteral(" panel %1").arg(*r.panel) : QString()) + (r.duplicate ? " duplicate" : "");
    }
    void seatingEnded(int, const Seating &s) override
    {
        QStringList seq;
        for (int n : s.attempts)
            seq << QString::number(n);
        records << QStringLiteral("seating %1 %2 %3 [%4] %5")
                       .arg(s.panel)
                       .arg(s.panelId.isEmpty() ? "-" : s.panelId, s.outcome.isEmpty() ? "-" : s.outcome,
                            seq.join(','), s.left ? "out" : "seated")
                + (s.duplicate ? " duplicate" : "");
    }
    void prompted(const Prompt &prompt) override { lastPrompt = prompt.kind; }
    void runEnded(const RunSummary &summary) override
    {
        ++ended;
        endedWith = summary;
    }

    QList<QStringList> told;
    QStringList records;
    int attempts = 0;
    std::optional<Prompt::Kind> lastPrompt;
    int ended = 0;
    std::optional<RunSummary> endedWith;
};

// An operator's or the system's act at a time: "q", "enter", "end", "signal", "scan LABEL ID".
struct Act
{
    int at;
    QString what;
};

// A line over scripted connections under the fake clock, with the acts done at their times.
struct ScriptedRun
{
    ScriptedRun(const LineSettings &settings, const Script &script)
        : line(settings, [this, script](int, const LineSettings::Position &) {
              return std::make_unique<ScriptedConnection>(clock, script);
          }, clock)
        , sink(int(settings.positions.size()))
    {
        line.subscribe(&sink);
    }

    static LineSettings settings(LineSettings::Mode mode, int positions)
    {
        LineSettings made;
        made.mode = mode;
        for (int i = 0; i < positions; ++i)
            made.positions.append({QStringLiteral("FX%1").arg(i + 1), QStringLiteral("fake-line-port-%1").arg(i + 1), {}});
        return made;
    }

    // "from-to,..." in ms
    static QList<std::pair<int, int>> windows(const QString &seated)
    {
        QList<std::pair<int, int>> made;
        for (const QString &window : seated.split(QLatin1Char(','), Qt::SkipEmptyParts))
            made.append({window.section('-', 0, 0).toInt(), window.section('-', 1, 1).toInt()});
        return made;
    }

    void run(const QList<Act> &acts, int until)
    {
        for (const Act &act : acts)
            clock.after(act.at, [this, act] { this->act(act.what); });
        line.start();
        clock.runUntil(until);
    }

    void act(const QString &what)
    {
        if (line.finished())
            return;
        if (what == QLatin1String("q")) {
            line.settings().handsFree() ? line.stopAfterCurrent() : line.endSeries();
        } else if (what == QLatin1String("enter")) { // each position's id (none), then Enter
            while (sink.lastPrompt == LineSink::Prompt::Kind::PanelId)
                line.enter({});
            line.enter({});
        } else if (what == QLatin1String("end")) {
            line.endSeries();
        } else if (what == QLatin1String("signal")) {
            line.interrupt();
        } else if (what.startsWith(QLatin1String("scan "))) {
            line.scan(what.section(' ', 1, 1).toInt(), what.section(' ', 2));
        }
    }

    FakeClock clock;
    ProductionLine line;
    RecordingSink sink;
};

} // namespace

Q_DECLARE_METATYPE(LineSettings::Mode)
Q_DECLARE_METATYPE(RunResult)
Q_DECLARE_METATYPE(QList<Act>)
Q_DECLARE_METATYPE(QList<Kind>)
Q_DECLARE_METATYPE(PositionState)

class TestLine : public QObject
{
    Q_OBJECT

private slots:
    void line_data();
    void line();
    void ids_data();
    void ids();
    void counts_data();
    void counts();
    void stops_data();
    void stops();
    void overFakePanels();
    void settledWithoutTransfer();
    void exitCode_data();
    void exitCode();
    void words_data();
    void words();
};

void TestLine::words_data()
{
    QTest::addColumn<PositionState>("state");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("words");
    QTest::newRow("a port") << PositionState{PositionState::Kind::PortNotFound} << "/dev/ttyUSB3"
                            << "SERIAL PORT /dev/ttyUSB3 NOT FOUND - WAITING FOR IT";
    QTest::newRow("a port that looks like a placeholder") << PositionState{PositionState::Kind::PortNotFound} << "fx%2%3"
                                                          << "SERIAL PORT fx%2%3 NOT FOUND - WAITING FOR IT";
    QTest::newRow("a reason that looks like one") << PositionState::failed("reply \"%1%4\"") << "p"
                                                  << "FAILED: reply \"%1%4\" - REMOVE PANEL";
    QTest::newRow("a byte") << PositionState{PositionState::Kind::Programming, 3} << "p" << "PROGRAMMING BYTE 4 OF 17";
    QTest::newRow("stopped") << PositionState{PositionState::Kind::Stopped} << "p" << "CHECK FIXTURE";
}

// A position's words, its port and reason put in as they are.
void TestLine::words()
{
    QFETCH(PositionState, state);
    QFETCH(QString, port);
    QTEST(state.text(port, true, false), "words");
}

void TestLine::line_data()
{
    using Mode = LineSettings::Mode;
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<int>("positions");
    QTest::addColumn<QList<Kind>>("outcomes"); // each position's attempts, the last repeating
    QTest::addColumn<QString>("seated");       // hands-free: "from-to,..." in ms, the same at every position
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<Act>>("acts");
    QTest::addColumn<int>("runFor");
    QTest::addColumn<QStringList>("first"); // what the first position told
    QTest::addColumn<int>("programmed");    // over all positions
    QTest::addColumn<int>("failed");
    QTest::addColumn<bool>("ended");

    const QList<Kind> pass{Kind::Done};
    const QStringList once{"programming:1", "done"};
    for (int n : {1, 2, 16}) {
        QTest::addRow("once, %d passing", n) << Mode::Once << n << pass << "" << 0 << QList<Act>{} << 1000 << once << n << 0 << true;
        QTest::addRow("once, %d unanswered", n) << Mode::Once << n << QList<Kind>{Kind::NoResponse} << "" << 0 << QList<Act>{} << 1000
                                                << QStringList{"programming:1", "failed"} << 0 << n << true;
    }
    // Each way a transfer fails, counted as a failure and said by its word.
    const std::tuple<Kind, const char *, QString> failures[] = {
        {Kind::NoResponse, "no-response", "failed"}, {Kind::WrongModel, "wrong-model", "wrong-model"},
        {Kind::ByteFailed, "byte-failed", "failed"}, {Kind::LineLost, "line-lost", "failed"}};
    for (const auto &[kind, name, word] : failures)
        QTest::addRow("once, fails as %s", name) << Mode::Once << 2 << QList<Kind>{kind} << "" << 0 << QList<Act>{} << 1000
                                                 << QStringList{"programming:1", word} << 0 << 2 << true;
    QTest::addRow("once, a signal") << Mode::Once << 2 << pass << "" << 0 << QList<Act>{{100, "signal"}} << 1000
                                    << QStringList{"programming:1", "interrupted"} << 0 << 2 << true;

    // At Enter: a failed panel is tried again as the same panel; a passed one moves on.
    for (int n : {1, 2, 16}) {
        QTest::addRow("series, %d, fail then pass", n)
            << Mode::Series << n << QList<Kind>{Kind::NoResponse, Kind::Done} << "" << 0
            << QList<Act>{{1000, "enter"}, {2000, "enter"}, {3000, "end"}} << 4000
            << QStringList{"programming:1", "failed", "programming:1", "done", "programming:2", "done"} << 2 * n << n << true;
    }
    QTest::addRow("series, count 2") << Mode::Series << 2 << pass << "" << 2 << QList<Act>{{1000, "enter"}, {2000, "enter"}}
                                     << 3000 << QStringList{"programming:1", "done", "programming:2", "done"} << 4 << 0 << true;
    QTest::addRow("series, q at the prompt") << Mode::Series << 2 << pass << "" << 0 << QList<Act>{{1000, "q"}} << 2000
                                             << once << 2 << 0 << true;
    QTest::addRow("series, a signal") << Mode::Series << 1 << pass << "" << 0 << QList<Act>{{1000, "enter"}, {1100, "signal"}}
                                      << 2000 << QStringList{"programming:1", "done", "programming:2", "interrupted"} << 1 << 1 << true;

    // Hands-free: a panel is programmed once it has answered twice, and the next awaited once
    // it has been taken out.
    const QStringList twoPanels{"waiting:1", "present:1", "programming:1", "done",   "removed:1",
                                "waiting:2", "present:2", "programming:2", "done"};
    for (int n : {1, 2, 16})
        QTest::addRow("hands-free, %d, two panels", n)
            << Mode::HandsFree << n << pass << "0-4000,9000-30000" << 0 << QList<Act>{} << 25000 << twoPanels << 2 * n
            << 0 << false;
    QTest::addRow("hands-free, a reject, then a pass")
        << Mode::HandsFree << 2 << QList<Kind>{Kind::ByteFailed, Kind::Done} << "0-4000,9000-30000" << 0 << QList<Act>{} << 25000
        << QStringList{"waiting:1", "present:1", "programming:1", "failed", "removed:1",
                       "waiting:2", "present:2", "programming:2", "done"}
        << 2 << 2 << false;
    QTest::addRow("hands-free, count 1") << Mode::HandsFree << 16 << pass << "0-4000,9000-30000" << 1 << QList<Act>{} << 25000
                                         << QStringList{"waiting:1", "present:1", "programming:1", "done"} << 16 << 0 << true;
    QTest::addRow("hands-free, q while programming")
        << Mode::HandsFree << 2 << pass << "0-30000" << 0 << QList<Act>{{1300, "q"}} << 25000
        << QStringList{"waiting:1", "present:1", "programming:1", "done"} << 2 << 0 << true;
    QTest::addRow("hands-free, q while waiting") << Mode::HandsFree << 2 << pass << "" << 0 << QList<Act>{{5000, "q"}} << 25000
                                                 << QStringList{"waiting:1"} << 0 << 0 << true;
    QTest::addRow("hands-free, a signal") << Mode::HandsFree << 2 << pass << "0-30000" << 0 << QList<Act>{{1300, "signal"}}
                                          << 25000 << QStringList{"waiting:1", "present:1", "programming:1", "interrupted"}
                                          << 0 << 2 << true;
    QTest::addRow("hands-free, a scanned id") << Mode::HandsFree << 2 << pass << "3000-30000" << 0
                                              << QList<Act>{{1000, "scan 0 SN-1"}} << 25000
                                              << QStringList{"waiting:1", "id:SN-1", "present:1", "programming:1", "done@SN-1"}
                                              << 2 << 0 << false;
}

void TestLine::line()
{
    QFETCH(LineSettings::Mode, mode);
    QFETCH(int, positions);
    QFETCH(QList<Kind>, outcomes);
    QFETCH(QString, seated);
    QFETCH(int, count);
    QFETCH(QList<Act>, acts);
    QFETCH(int, runFor);
    QFETCH(QStringList, first);
    QFETCH(int, programmed);
    QFETCH(int, failed);
    QFETCH(bool, ended);

    LineSettings settings = ScriptedRun::settings(mode, positions);
    settings.count = count;
    ScriptedRun run(settings, {outcomes, ScriptedRun::windows(seated)});
    run.run(acts, runFor);
    const ProductionLine &line = run.line;
    const RecordingSink &sink = run.sink;

    QCOMPARE(sink.told.constFirst(), first);
    const RunSummary summary = line.summary();
    QCOMPARE(summary.programmed(), programmed);
    QCOMPARE(summary.failed(), failed);
    QCOMPARE(sink.attempts, programmed + failed);
    // Every position alike.
    for (int i = 1; i < positions; ++i) {
        QStringList expected = first;
        expected.removeIf([](const QString &w) { return w.startsWith("id:"); });
        for (QString &w : expected)
            w = w.section('@', 0, 0);
        QCOMPARE(sink.told[i], expected);
    }
    QCOMPARE(line.finished(), ended);
    QCOMPARE(sink.ended, ended ? 1 : 0);
    // The run's end carries the counts every summary is made from.
    if (ended) {
        QCOMPARE(sink.endedWith->programmed(), programmed);
        QCOMPARE(sink.endedWith->failed(), failed);
    }
    QCOMPARE(summary.durationMs, runFor);
}

// Hands-free ids at one position: which panel a scan is bound to, when an id waiting for a
// panel expires, and the units the attempts make. The first panel seated at 3 s arrives at
// 4.2 s (two answers), the second seated at 12 s at 13.8 s; each is programmed in 0.4 s.
void TestLine::ids_data()
{
    QTest::addColumn<QString>("seated");
    QTest::addColumn<QList<Kind>>("outcomes");
    QTest::addColumn<QList<Act>>("acts");
    QTest::addColumn<QString>("options"); // "require", "refuse-duplicates", "pattern=RE", "preset=ID", "stop=MS"
    QTest::addColumn<int>("runFor");
    QTest::addColumn<QStringList>("told");    // the position's states and attempts
    QTest::addColumn<QStringList>("records"); // ids and seatings
    QTest::addColumn<QList<int>>("units");    // tried, first pass, final pass, expired ids

    const QList<Kind> pass{Kind::Done};
    QTest::newRow("a scan 13 ms into programming is that panel's")
        << "3000-8000,12000-30000" << pass << QList<Act>{{4213, "scan 0 SN-1"}} << "" << 20000
        << QStringList{"waiting:1", "present:1", "programming:1", "id:SN-1", "done@SN-1", "removed:1",
                       "waiting:2", "present:2", "programming:2", "done"}
        << QStringList{"id current SN-1 panel 1", "seating 1 SN-1 done [1] out", "seating 2 - done [2] seated"}
        << QList<int>{2, 2, 2, 0};
    QTest::newRow("a scan after the panel's record is the next one's")
        << "3000-8000,12000-30000" << pass << QList<Act>{{4700, "scan 0 SN-2"}} << "" << 20000
        << QStringList{"waiting:1", "present:1", "programming:1", "done", "id:SN-2", "removed:1",
                       "waiting:2", "present:2", "programming:2", "done@SN-2"}
        << QStringList{"id next SN-2", "seating 1 - done [1] out", "seating 2 SN-2 done [2] seated"}
        << QList<int>{2, 2, 2, 0};
    // The scanned panel never answered; the next one, a minute later, is not given its id.
    QTest::newRow("the dead scanned panel")
        << "70000-90000" << pass << QList<Act>{{1000, "scan 0 SN-DEAD-1"}} << "" << 80000
        << QStringList{"waiting:1", "id:SN-DEAD-1", "present:1", "programming:1", "done"}
        << QStringList{"id next SN-DEAD-1", "id expired SN-DEAD-1", "seating 1 - done [1] seated"}
        << QList<int>{1, 1, 1, 1};
    QTest::newRow("a second scan replaces the first")
        << "5000-30000" << pass << QList<Act>{{1000, "scan 0 SN-1"}, {2000, "scan 0 SN-2"}} << "" << 20000
        << QStringList{"waiting:1", "id:SN-1", "id:SN-2", "present:1", "programming:1", "done@SN-2"}
        << QStringList{"id next SN-1", "id replaced SN-1", "id next SN-2", "seating 1 SN-2 done [1] seated"}
        << QList<int>{1, 1, 1, 0};
    // The minute runs from the removal of the panel seated at the scan, not from the scan.
    QTest::newRow("no expiry while the previous panel is seated")
        << "3000-100000,120000-200000" << pass << QList<Act>{{10000, "scan 0 SN-2"}} << "" << 150000
        << QStringList{"waiting:1", "present:1", "programming:1", "done", "id:SN-2", "removed:1",
                       "waiting:2", "present:2", "programming:2", "done@SN-2"}
        << QStringList{"id next SN-2", "seating 1 - done [1] out", "seating 2 SN-2 done [2] seated"}
        << QList<int>{2, 2, 2, 0};
    QTest::newRow("expiry a minute after the previous panel left")
        << "3000-100000,170000-200000" << pass << QList<Act>{{10000, "scan 0 SN-2"}} << "" << 180000
        << QStringList{"waiting:1", "present:1", "programming:1", "done", "id:SN-2", "removed:1",
                       "waiting:2", "present:2", "programming:2", "done"}
        << QStringList{"id next SN-2", "seating 1 - done [1] out", "id expired SN-2", "seating 2 - done [2] seated"}
        << QList<int>{2, 2, 2, 1};
    QTest::newRow("an id left waiting at the end expires")
        << "" << pass << QList<Act>{{1000, "scan 0 SN-5"}, {5000, "q"}} << "" << 10000
        << QStringList{"waiting:1", "id:SN-5"} << QStringList{"id next SN-5", "id expired SN-5"}
        << QList<int>{0, 0, 0, 1};
    // --require-id: a panel removed unscanned leaves a seating and no attempt; the next waits
    // for its scan, however late.
    QTest::newRow("require-id")
        << "3000-8000,12000-30000" << pass << QList<Act>{{18000, "scan 0 SN-7"}} << "require" << 25000
        << QStringList{"waiting:1", "awaiting-id:1", "removed:1", "waiting:2", "awaiting-id:2", "id:SN-7",
                       "present:2", "programming:2", "done@SN-7"}
        << QStringList{"seating 1 - - [] out", "id current SN-7 panel 2", "seating 2 SN-7 done [1] seated"}
        << QList<int>{1, 1, 1, 0};
    // A restart over seated panels: the id given at the start is the first seating's, however
    // long it takes to come.
    QTest::newRow("restart with --panel-id")
        << "90000-200000" << pass << QList<Act>{} << "preset=SN-9" << 100000
        << QStringList{"waiting:1", "present:1", "programming:1", "done@SN-9"}
        << QStringList{"id next SN-9", "seating 1 SN-9 done [1] seated"} << QList<int>{1, 1, 1, 0};
    QTest::newRow("a duplicate is flagged, and is one unit")
        << "3000-8000,12000-30000" << pass << QList<Act>{{4213, "scan 0 SN-1"}, {13813, "scan 0 SN-1"}} << "" << 20000
        << QStringList{"waiting:1", "present:1", "programming:1", "id:SN-1", "done@SN-1", "removed:1",
                       "waiting:2", "present:2", "programming:2", "id:SN-1", "done@SN-1"}
        << QStringList{"id current SN-1 panel 1", "seating 1 SN-1 done [1] out", "id current SN-1 panel 2 duplicate",
                       "seating 2 SN-1 done [2] seated duplicate"}
        << QList<int>{1, 1, 1, 0};
    QTest::newRow("a duplicate refused")
        << "3000-8000,12000-30000" << pass << QList<Act>{{4213, "scan 0 SN-1"}, {13813, "scan 0 SN-1"}}
        << "refuse-duplicates" << 20000
        << QStringList{"waiting:1", "present:1", "programming:1", "id:SN-1", "done@SN-1", "removed:1",
                       "waiting:2", "present:2", "programming:2", "done"}
        << QStringList{"id current SN-1 panel 1", "seating 1 SN-1 done [1] out", "id refused SN-1 duplicate",
                       "seating 2 - done [2] seated"}
        << QList<int>{2, 2, 2, 0};
    QTest::newRow("a scan the pattern refuses")
        << "5000-30000" << pass << QList<Act>{{1000, "scan 0 XJ-1"}, {2000, "scan 0 SN-3"}} << "pattern=SN-[0-9]+" << 20000
        << QStringList{"waiting:1", "id:SN-3", "present:1", "programming:1", "done@SN-3"}
        << QStringList{"id refused XJ-1", "id next SN-3", "seating 1 SN-3 done [1] seated"} << QList<int>{1, 1, 1, 0};
    // A reject put back under its id is one unit: it failed its first pass, and passed at last.
    QTest::newRow("a reject re-seated under its id")
        << "3000-8000,12000-30000" << QList<Kind>{Kind::ByteFailed, Kind::Done}
        << QList<Act>{{4213, "scan 0 SN-4"}, {13813, "scan 0 SN-4"}} << "" << 20000
        << QStringList{"waiting:1", "present:1", "programming:1", "id:SN-4", "failed@SN-4", "removed:1",
                       "waiting:2", "present:2", "programming:2", "id:SN-4", "done@SN-4"}
        << QStringList{"id current SN-4 panel 1", "seating 1 SN-4 failed [1] out", "id current SN-4 panel 2",
                       "seating 2 SN-4 done [2] seated"}
        << QList<int>{1, 0, 1, 0};
}

void TestLine::ids()
{
    QFETCH(QString, seated);
    QFETCH(QList<Kind>, outcomes);
    QFETCH(QList<Act>, acts);
    QFETCH(QString, options);
    QFETCH(int, runFor);
    QFETCH(QStringList, told);
    QFETCH(QStringList, records);
    QFETCH(QList<int>, units);

    LineSettings settings = ScriptedRun::settings(LineSettings::Mode::HandsFree, 1);
    for (const QString &option : options.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString value = option.section('=', 1);
        if (option == QLatin1String("require"))
            settings.ids.required = true;
        else if (option == QLatin1String("refuse-duplicates"))
            settings.ids.refuseDuplicates = true;
        else if (option.startsWith(QLatin1String("pattern=")))
            settings.ids.pattern = value;
        else if (option.startsWith(QLatin1String("preset=")))
            settings.positions[0].panelId = value;
    }
    ScriptedRun run(settings, {outcomes, ScriptedRun::windows(seated)});
    run.run(acts, runFor);
    if (!run.line.finished())
        run.line.stopAfterCurrent(); // ends what is still seated, and the ids still waiting

    QCOMPARE(run.sink.told.constFirst(), told);
    QCOMPARE(run.sink.records, records);
    const RunSummary::Units counted = run.line.summary().units;
    QCOMPARE((QList<int>{counted.tried, counted.firstPass, counted.finalPass, counted.expiredIds}), units);
}

// The run's counts as the summary, the totals row and the summary JSON give them: a panel
// spared a write is not programmed, and yields count units as well as attempts.
void TestLine::counts_data()
{
    QTest::addColumn<LineSettings::Mode>("mode");
    QTest::addColumn<QList<Kind>>("outcomes");
    QTest::addColumn<QList<int>>("unchanged");
    QTest::addColumn<QString>("seated");
    QTest::addColumn<QList<Act>>("acts");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("totals");
    QTest::addColumn<QString>("row"); // the position's last state on the board
    QTest::addColumn<QJsonObject>("json"); // what the summary object holds of these

    // Three panels: one spared, a reject, then the reject put back under its id and passed.
    QTest::newRow("hands-free, a reject re-seated")
        << LineSettings::Mode::HandsFree << QList<Kind>{Kind::Done, Kind::ByteFailed, Kind::Done} << QList<int>{0}
        << "3000-8000,12000-17000,21000-40000" << QList<Act>{{14000, "scan 0 SN-2"}, {20500, "scan 0 SN-2"}}
        << "SUMMARY: 2 UNITS, 1 PROGRAMMED, 1 UNCHANGED, 1 FAILED, FIRST-PASS YIELD 50 %, FINAL YIELD 100 %"
        << "TOTAL  1 PROGRAMMED  1 UNCHANGED  1 FAILED  FPY 50 %  300 PANELS/HOUR" << "PROGRAMMED - REMOVE PANEL"
        << QJsonObject{{"attempts", 3}, {"units", 2}, {"programmed", 1}, {"unchanged", 1}, {"failed", 1},
                       {"expired_ids", 0}, {"yield", 0.6667}, {"first_pass_yield", 0.5}, {"final_yield", 1}};
    QTest::newRow("hands-free, spared")
        << LineSettings::Mode::HandsFree << QList<Kind>{Kind::Done} << QList<int>{0} << "3000-40000" << QList<Act>{}
        << "SUMMARY: 1 UNITS, 0 PROGRAMMED, 1 UNCHANGED, 0 FAILED, FIRST-PASS YIELD 100 %, FINAL YIELD 100 %"
        << "TOTAL  0 PROGRAMMED  1 UNCHANGED  0 FAILED  FPY 100 %  150 PANELS/HOUR" << "UNCHANGED - REMOVE PANEL"
        << QJsonObject{{"attempts", 1}, {"units", 1}, {"unchanged", 1}, {"first_pass_yield", 1}, {"final_yield", 1}};
    // At Enter a failed panel is tried again as the same seating: one unit.
    QTest::newRow("series, fail then pass")
        << LineSettings::Mode::Series << QList<Kind>{Kind::NoResponse, Kind::Done} << QList<int>{} << ""
        << QList<Act>{{1000, "enter"}, {2000, "end"}}
        << "SUMMARY: 1 UNITS, 1 PROGRAMMED, 0 UNCHANGED, 1 FAILED, FIRST-PASS YIELD 0 %, FINAL YIELD 100 %"
        << "TOTAL  1 PROGRAMMED  0 UNCHANGED  1 FAILED  FPY 0 %  150 PANELS/HOUR" << "PROGRAMMED"
        << QJsonObject{{"attempts", 2}, {"units", 1}, {"yield", 0.5}, {"first_pass_yield", 0}, {"final_yield", 1}};
}

void TestLine::counts()
{
    QFETCH(LineSettings::Mode, mode);
    QFETCH(QList<Kind>, outcomes);
    QFETCH(QList<int>, unchanged);
    QFETCH(QString, seated);
    QFETCH(QList<Act>, acts);
    QFETCH(QString, text);
    QFETCH(QString, totals);
    QFETCH(QString, row);
    QFETCH(QJsonObject, json);

    Script script{outcomes, ScriptedRun::windows(seated)};
    script.unchanged = unchanged;
    ScriptedRun run(ScriptedRun::settings(mode, 1), script);
    run.run(acts, 24000);
    run.line.stopAfterCurrent();

    const RunSummary summary = run.line.summary();
    QCOMPARE(summary.text(), text);
    QCOMPARE(summary.totals(), totals);
    QCOMPARE(run.line.station(0).shown.text({}, mode == LineSettings::Mode::HandsFree, false), row);
    const QJsonObject object = summary.toJson();
    for (auto it = json.begin(); it != json.end(); ++it)
        QCOMPARE(object.value(it.key()), it.value());
}

// A sink that could not keep an attempt (a log refused it), or whose reader has gone, ends
// the run once the panels under way are done: no prompt, no next panel.
void TestLine::stops_data()
{
    QTest::addColumn<LineSettings::Mode>("mode");
    QTest::addColumn<bool>("recordRefused"); // else the reader goes
    for (const auto &[mode, name] : {std::pair{LineSettings::Mode::Series, "series"}, {LineSettings::Mode::HandsFree, "hands-free"}}) {
        QTest::addRow("%s, a record refused", name) << mode << true;
        QTest::addRow("%s, the reader gone", name) << mode << false;
    }
}

void TestLine::stops()
{
    QFETCH(LineSettings::Mode, mode);
    QFETCH(bool, recordRefused);

    struct StoppingSink : RecordingSink
    {
        using RecordingSink::RecordingSink;
        bool refuse = false;
        bool gone = false;
        bool attemptEnded(const AttemptEnd &end) override
        {
            RecordingSink::attemptEnded(end);
            gone = !refuse;
            return !refuse;
        }
        bool readerThere() override { return !gone; }
    };

    LineSettings settings;
    settings.mode = mode;
    settings.positions = {{"FX1", "fake-line-port-1", {}}, {"FX2", "fake-line-port-2", {}}};
    FakeClock clock;
    const Script script{{Kind::Done}, {{0, 30000}}};
    ProductionLine line(settings, [&](int, const LineSettings::Position &) {
        return std::make_unique<ScriptedConnection>(clock, script);
    }, clock);
    StoppingSink sink(2);
    sink.refuse = recordRefused;
    line.subscribe(&sink);
    line.start();
    clock.runUntil(30000);

    QVERIFY(line.finished());
    QCOMPARE(line.recordFailed(), recordRefused);
    QCOMPARE(line.summary().programmed(), 2); // both were under way
    QCOMPARE(sink.told[0].constLast(), QStringLiteral("done"));
    QVERIFY(!sink.lastPrompt);
}

// The line over in-process panels on their own threads: two written, one found differing.
void TestLine::overFakePanels()
{
    for (const QString command : {"write", "verify", "read"}) {
        const bool verify = command == QLatin1String("verify");
        LineSettings settings;
        settings.work.verify = verify;
        settings.work.read = command == QLatin1String("read");
        // What a read hands its command: each attempt with the bytes the panel held.
        QMap<QString, qint16> keptByte3;
        if (settings.work.read)
            settings.work.finish = [&](PanelAttempt &attempt, const PanelConfiguration::MemoryImage &image) {
                keptByte3[attempt.command + QLatin1Char(' ') + attempt.position] = image[3];
            };
        settings.work.file = QStringLiteral("truck.zcf");
        settings.work.image.fill(160);
        for (int i = 0; i < 3; ++i)
            settings.positions.append({QStringLiteral("FX%1").arg(i + 1), QStringLiteral("FAKE%1").arg(i + 1), {}});
        ProductionLine line(settings, [](int index, const LineSettings::Position &p) {
            return LineConnection::onThread(std::make_unique<ConnectionThread>(p.port, [index]() -> std::unique_ptr<SerialLine> {
                auto made = std::make_unique<FakeLine>();
                auto *panel = new FakePanel(*made);
                for (int address = 14; address < 17; ++address)
                    panel->memory[address] = 160;
                if (index == 2)
                    panel->memory[3] = 11; // differs, and a write puts it right
                QObject::connect(made.get(), &QObject::destroyed, [panel] { delete panel; });
                return made;
            }));
        });
        RecordingSink sink(3);
        line.subscribe(&sink);
        QTimer::singleShot(10000, &line, &ProductionLine::interrupt);
        line.run();
        QVERIFY(line.finished());
        QVERIFY(!line.interrupted());
        QCOMPARE(line.summary().programmed(), verify ? 2 : 3);
        QCOMPARE(line.station(2).lastExit, verify ? int(ExitCode::Differs) : int(ExitCode::Done));
        QCOMPARE(sink.told[2].constLast(), verify ? QStringLiteral("differs") : QStringLiteral("done"));
        if (settings.work.read)
            QCOMPARE(keptByte3, (QMap<QString, qint16>{{"read FX1", 160}, {"read FX2", 160}, {"read FX3", 11}}));
    }
}

// A run settled before any transfer (a file refused, a check) records its attempt at every
// position and ends with the counts, as a run of transfers does.
void TestLine::settledWithoutTransfer()
{
    LineSettings settings;
    settings.positions = {{"FX1", "/dev/a", "SN-1"}, {"FX2", "/dev/b", {}}};
    ProductionLine line(settings, {});
    RecordingSink sink(2);
    line.subscribe(&sink);
    PanelAttempt refused;
    refused.command = QStringLiteral("verify");
    refused.exitCode = ExitCode::FileFailed;
    line.endWith(refused);
    QCOMPARE(sink.told, (QList<QStringList>{{"file-refused@SN-1"}, {"file-refused"}}));
    QCOMPARE(sink.ended, 1);
    QCOMPARE(sink.endedWith->command, QStringLiteral("verify"));
    QCOMPARE(sink.endedWith->failed(), 2);
    QCOMPARE(line.result().exitCode(), int(ExitCode::FileFailed));
}

void TestLine::exitCode_data()
{
    QTest::addColumn<RunResult>("result");
    QTest::addColumn<int>("code");
    const auto with = [](auto change) {
        RunResult result{.attempts = {0, 1, 3}};
        change(result);
        return result;
    };
    QTest::newRow("all done") << RunResult{.attempts = {0, 0}} << 0;
    QTest::newRow("none tried") << RunResult{.attempts = {-1}} << 0;
    QTest::newRow("first failed speaks") << with([](RunResult &) {}) << 1;
    QTest::newRow("summary lost, all done") << RunResult{.summaryKept = false, .attempts = {0}} << 4;
    QTest::newRow("summary lost, one failed") << with([](RunResult &r) { r.summaryKept = false; }) << 1;
    QTest::newRow("record lost") << with([](RunResult &r) { r.keptAll = false; }) << 4;
    QTest::newRow("interrupted") << with([](RunResult &r) { r.keptAll = false, r.interrupted = true; }) << 130;
    QTest::newRow("SIGTERM") << with([](RunResult &r) { r.interrupted = true, r.signal = 15; }) << 143;
    QTest::newRow("usage") << RunResult{.refusal = RunResult::Refusal::Usage} << 64;
    QTest::newRow("log refused") << RunResult{.refusal = RunResult::Refusal::File} << 4;
    QTest::newRow("output lost beats a signal") << with([](RunResult &r) { r.signal = 1, r.outputWritten = false; }) << 4;
}

// The run's exit code, and which of its parts speaks first.
void TestLine::exitCode()
{
    QFETCH(RunResult, result);
    QFETCH(int, code);
    QCOMPARE(result.exitCode(), code);
}

QTEST_GUILESS_MAIN(TestLine)
#include "tst_line.moc"
