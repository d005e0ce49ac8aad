#include "fixture.h"

#include "platform/exitcode.h"
#include "platform/termination.h"

#include "cli/lineinput.h"
#include "cli/panelpoller.h"
#include "cli/progressboard.h"
#include "link/panellink.h"
#include "link/portadvice.h"
#include "link/portchoice.h"
#include "session/statustexts.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QTimer>

#include <algorithm>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <unistd.h>
#endif

using StatusTexts::Direction;
using Kind = PositionState::Kind;

Fixture::Fixture(const CommandLine &commandLine, const QList<Position> &positions, const Work &work,
                 ProgressBoard &board, const RunSummary &summary, std::function<bool(const PanelAttempt &)> record,
                 QObject *parent)
    : QObject(parent)
    , m_line(commandLine)
    , m_work(work)
    , m_board(board)
    , m_summary(summary)
    , m_record(std::move(record))
    , m_stations(positions.size())
{
    m_clock.start();
    QStringList labels;
    for (const Position &p : positions)
        labels << p.label;
    m_board.setPositions(labels, m_line.series || positions.size() > 1);
    const bool several = positions.size() > 1;
    for (int i = 0; i < int(positions.size()); ++i) {
        Station &s = m_stations[i];
        s.label = positions[i].label;
        s.port = positions[i].port;
        s.panelId = positions[i].panelId;
        s.connection = std::make_unique<ConnectionThread>(s.port, commandLine.trace, several ? s.label : QString());
        ConnectionThread *connection = s.connection.get();
        connect(connection, &ConnectionThread::byteStarting, this, [this, i](int address) { byteStarting(i, address); });
        connect(connection, &ConnectionThread::byteDone, this,
                [this, i](int address, const LinkResult &result) { byteDone(i, address, result); });
        connect(connection, &ConnectionThread::refused, this, [this, i](qint16 model) { refused(i, model); });
        connect(connection, &ConnectionThread::finished, this,
                [this, i](const TransferOutcome &outcome, const PanelConfiguration::MemoryImage &image,
                          const StatusTexts::Report &status) { finished(i, outcome, image, status); });
        if (handsFree()) {
            s.poller = new PanelPoller(this);
            s.poller->pollNow = [connection] { connection->poll(); };
            connect(connection, &ConnectionThread::polled, s.poller, &PanelPoller::polled);
            // A port missing at the start waits on its row until it is there.
            connect(connection, &ConnectionThread::polled, this, [this, i](ConnectionThread::Poll result) {
                Station &station = m_stations[i];
                if (station.shown.kind != Kind::PortNotFound || station.state != State::Arriving
                    || result == ConnectionThread::Poll::PortMissing)
                    return;
                // Two names of one port may show to be one only now that it is there.
                if (const std::optional<TransferOutcome> refusal = portRefused(i, Check::Appearing)) {
                    station.poller->stop();
                    fail(i, *refusal);
                    return;
                }
                waitForPanel(i);
            });
            connect(s.poller, &PanelPoller::arrived, this, [this, i] { arrived(i); });
            connect(s.poller, &PanelPoller::gone, this, [this, i] { gone(i); });
        }
    }
    // A controller that reads the results and has gone is noticed while the line waits, not
    // at the next result, which may be long in coming.
    if (m_line.json || m_line.events) {
        m_readerWatch = new QTimer(this);
        m_readerWatch->setInterval(250);
        connect(m_readerWatch, &QTimer::timeout, this, &Fixture::readerThere);
        m_readerWatch->start();
    }
    if (m_line.series) {
        m_input = new LineInput(this);
        connect(m_input, &LineInput::line, this, handsFree() ? &Fixture::scanned : &Fixture::promptAnswered);
        connect(m_input, &LineInput::early, this, &Fixture::ignored);
        connect(m_input, &LineInput::ended, this, &Fixture::inputEnded);
    }
}

Fixture::~Fixture() = default;

QJsonObject Fixture::event(const QString &name, const QString &label, const QString &port)
{
    return {{"event", name},
            {"position", label},
            {"port", port},
            {"time", QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)}};
}

int Fixture::run()
{
    if (handsFree()) {
        m_input->request();
        for (int i = 0; i < int(m_stations.size()); ++i) {
            if (const std::optional<TransferOutcome> refusal = portRefused(i, Check::AtStart)) {
                if (refusal->link.kind == LinkResult::Kind::PortNotFound) {
                    Station &s = m_stations[i];
                    s.state = State::Arriving;
                    setState(i, {Kind::PortNotFound});
                    m_board.say(s.label + QStringLiteral(": ") + s.shown.text(s.port, true, m_work.verify), true);
                    s.poller->awaitArrival();
                } else {
                    fail(i, *refusal);
                }
            } else {
                waitForPanel(i);
            }
        }
        settle();
    } else {
        startRound();
    }
    if (!m_finished)
        m_loop.exec();
    return exitCode();
}

void Fixture::interrupt()
{
    if (m_finished || m_interrupted)
        return;
    m_interrupted = true;
    for (Station &s : m_stations)
        s.connection->abort();
    stopAll();
}

bool Fixture::readerThere()
{
    if (m_readerGone)
        return false;
    if (!m_line.json && !m_line.events)
        return true;
    bool gone = !m_board.outputFailure().isEmpty();
#ifdef Q_OS_UNIX
    // A pipe whose reader has closed it reports an error to poll on the writing end.
    pollfd out{STDOUT_FILENO, 0, 0};
    gone = gone || (::poll(&out, 1, 0) == 1 && (out.revents & (POLLERR | POLLNVAL)));
#endif
    if (!gone)
        return true;
    m_readerGone = true;
    m_readerWatch->stop();
    m_board.say(QStringLiteral("durvex-config: standard output has no reader any more: no new panel starts"), true);
    stopAfterCurrent();
    return false;
}

void Fixture::stopAfterCurrent()
{
    if (m_finished || m_stopping)
        return;
    m_stopping = true;
    stopAll();
}

// No panel starts any more; those under way end as they end.
void Fixture::stopAll()
{
    if (m_input)
        m_input->cancel();
    for (Station &s : m_stations) {
        if (s.poller)
            s.poller->stop();
        if (s.state != State::Transferring)
            s.state = State::Finished;
    }
    settle();
}

bool Fixture::countReached(int index) const
{
    return m_line.count > 0 && m_summary.positions.value(index).programmed >= m_line.count;
}

// --- A position's state ------------------------------------------------------------------

void Fixture::setState(int index, const PositionState &state, const QJsonObject &more)
{
    Station &s = m_stations[index];
    s.shown = state;
    showRow(index);
    // Passed and failed are told by the attempt itself.
    if (!m_line.events || state.kind == Kind::Passed || state.kind == Kind::Failed || s.told == state.kind)
        return;
    s.told = state.kind;
    QJsonObject object = event(state.eventName(), s.label, s.port);
    if (state.kind == Kind::PortUnusable)
        object.insert(QStringLiteral("reason"), state.reason);
    for (auto it = more.begin(); it != more.end(); ++it)
        object.insert(it.key(), it.value());
    m_board.print(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

void Fixture::showRow(int index)
{
    const Station &s = m_stations[index];
    const RunSummary::Position counts = m_summary.positions.value(index);
    // Hands-free, a row shows the id scanned for the next panel until that panel is under way.
    const bool underWay = s.state == State::Transferring;
    const QString id = handsFree() && !underWay && !s.nextId.isEmpty() ? QStringLiteral("NEXT ") + s.nextId
                       : m_line.series                                ? s.panelId
                                                                      : QString();
    m_board.show(index, s.shown.text(s.port, handsFree(), m_work.verify), s.shown.colour(), counts.programmed,
                 counts.failed, id);
    RunSummary now = m_summary;
    now.durationMs = m_clock.elapsed();
    m_board.setTotals(now.totals());
}

// Why a panel may not start on this position: a port that can never serve (at the start of a
// hands-free run, where polls would not tell it), or the port of an earlier position reached
// by another name, which may show only once a link has appeared.
std::optional<TransferOutcome> Fixture::portRefused(int index, Check when) const
{
    const Station &s = m_stations[index];
    TransferOutcome outcome;
    outcome.kind = TransferOutcome::Kind::PortFailed;
    outcome.port = s.port;
    if (when == Check::AtStart) {
        const PortAdvice::Device device = PortAdvice::examine(PortAdvice::systemLocation(s.port));
        std::optional<SerialLine::OpenFailure> failure = PortAdvice::beforeOpen(device);
        if (!failure && device.state == PortAdvice::Device::State::Present && !device.accessible)
            failure = PortAdvice::afterOpen(device, PortAdvice::currentUser(), QSerialPort::PermissionError,
                                            qt_error_string(EACCES), EACCES);
        if (failure) {
            outcome.link = PanelLink::openFailed(*failure);
            return outcome;
        }
    }
    const QString device = PortChoice::identity(s.port).device;
    if (device.isEmpty())
        return std::nullopt;
    // One port, two positions: the one whose port was there first keeps it (the lower one
    // where both were), the other fails as in use; one failed so already counts no more.
    for (int other = 0; other < int(m_stations.size()); ++other) {
        if (other == index || (when != Check::Appearing && other > index)
            || m_stations[other].shown.kind == Kind::PortUnusable)
            continue;
        if (PortChoice::identity(m_stations[other].port).device == device) {
            outcome.link = LinkResult::of(LinkResult::Kind::PortInUse);
            outcome.link.reason = QStringLiteral("the port of %1, by another name").arg(m_stations[other].label);
            return outcome;
        }
    }
    return std::nullopt;
}

// A position whose port cannot serve ends as failed, said with the advice a single write
// gives; the others go on.
void Fixture::fail(int index, const TransferOutcome &outcome)
{
    Station &s = m_stations[index];
    s.state = State::Transferring;
    s.clock.start();
    const Direction direction = m_work.verify ? Direction::Read : Direction::Write;
    const std::optional<StatusTexts::Report> report = StatusTexts::ending(outcome, direction);
    const StatusTexts::Report status = report.value_or(StatusTexts::Report{});
    setState(index, {Kind::PortUnusable, -1, status.text});
    finished(index, outcome, {}, status);
}

// --- One panel on one position ---------------------------------------------------------------

namespace {

// A line of a series names its position also where the board would not.
QString seriesLine(bool several, const QString &label, const QString &text)
{
    return several ? text : label + QStringLiteral(": ") + text;
}

} // namespace

void Fixture::startRound()
{
    for (int i = 0; i < int(m_stations.size()); ++i) {
        if (countReached(i))
            m_stations[i].state = State::Finished;
        else if (m_stations[i].state != State::Finished)
            start(i);
    }
    settle();
}

void Fixture::start(int index)
{
    Station &s = m_stations[index];
    if (!readerThere())
        return;
    if (const std::optional<TransferOutcome> refusal = portRefused(index, Check::Arriving)) {
        fail(index, *refusal);
        return;
    }
    s.state = State::Transferring;
    if (m_line.series)
        m_board.sayOn(index, {seriesLine(m_board.several(), s.label, QStringLiteral("PANEL %1: WRITING").arg(s.panel))});
    setState(index, {Kind::Programming},
             {{"panel", s.panel}, {"panel_id", s.panelId.isEmpty() ? QJsonValue() : QJsonValue(s.panelId)}});
    showStatus(index, StatusTexts::starting(m_work.verify ? Direction::Read : Direction::Write), QString());
    s.clock.start();
    if (m_work.verify)
        s.connection->read();
    else
        s.connection->write(m_work.image, m_work.missing, m_line.skipMatching);
}

// The position's status line: the lines it adds scroll, except that on a terminal with a
// board the progress shows in the position's row alone and only outcomes scroll.
void Fixture::showStatus(int index, const QString &text, const QString &detail, bool failure)
{
    Station &s = m_stations[index];
    const QStringList lines = s.echo.update(text, detail.isEmpty() ? text : detail);
    if (!m_board.several() && !m_line.series)
        m_board.setStatus(index, s.echo.text());
    if (lines.isEmpty() || (m_board.terminal() && (m_board.several() || m_line.series) && s.state == State::Transferring))
        return;
    m_board.sayOn(index, lines, failure);
}

void Fixture::byteStarting(int index, int address)
{
    if (!m_board.several() && !m_line.series)
        m_board.progress(index, address, m_stations[index].echo.text());
    setState(index, {Kind::Programming, address});
}

void Fixture::byteDone(int index, int, const LinkResult &result)
{
    if (const std::optional<QString> text =
            StatusTexts::afterByte(result, m_work.verify ? Direction::Read : Direction::Write))
        showStatus(index, *text, QString());
}

void Fixture::refused(int index, qint16)
{
    const Direction direction = m_work.verify ? Direction::Read : Direction::Write;
    m_board.sayOn(index, {StatusTexts::mismatchTitle() + QStringLiteral(": ") + StatusTexts::mismatchText(direction)},
                  true);
}

void Fixture::finished(int index, const TransferOutcome &outcome, const PanelConfiguration::MemoryImage &image,
                       const StatusTexts::Report &status)
{
    Station &s = m_stations[index];
    s.state = State::Idle;
    m_board.endProgress(index);

    PanelAttempt attempt;
    attempt.command = m_work.verify ? QStringLiteral("verify") : QStringLiteral("write");
    attempt.position = s.label;
    attempt.port = s.port;
    attempt.file = m_work.file;
    attempt.adjusted = m_work.adjusted;
    attempt.panelId = s.panelId;
    attempt.timed(s.clock.elapsed());
    attempt.take(outcome);

    QString outcomeText = PanelAttempt::interrupted;
    const Direction direction = m_work.verify ? Direction::Read : Direction::Write;
    if (const std::optional<StatusTexts::Report> report = StatusTexts::ending(outcome, direction)) {
        showStatus(index, status.text, status.detail, !outcome.done());
        if (outcome.kind == TransferOutcome::Kind::WrongModel) {
            outcomeText = StatusTexts::mismatchTitle();
            attempt.detail = outcomeText + QLatin1Char('\n') + report->detail;
        } else {
            outcomeText = report->text;
            attempt.detail = report->detail;
        }
    } else {
        attempt.detail = outcomeText;
    }
    s.lastDetail = attempt.detail.section(QLatin1Char('\n'), 0, 0);

    if (m_work.verify && outcome.done()) {
        compare(index, image, attempt);
        if (attempt.exitCode != ExitCode::Done)
            outcomeText = s.lastDetail;
    }

    const bool logFailed = !m_record(attempt);
    s.lastExit = attempt.exitCode;
    s.lastOutcome = attempt.outcomeWord();
    const bool succeeded = attempt.exitCode == ExitCode::Done;
    if (s.shown.kind != Kind::PortUnusable)
        setState(index, succeeded ? PositionState{Kind::Passed}
                                  : PositionState::failed(attempt.reasonWord().isEmpty() ? outcomeText
                                                                                          : attempt.reasonWord()));
    else
        showRow(index);

    if (m_line.series) {
        const QString line = succeeded ? (attempt.unchanged ? QStringLiteral("PANEL %1: UNCHANGED")
                                                            : QStringLiteral("PANEL %1: PROGRAMMED"))
                                             .arg(s.panel)
                                       : QStringLiteral("PANEL %1: FAILED - %2").arg(s.panel).arg(outcomeText);
        m_board.sayOn(index, {seriesLine(m_board.several(), s.label, line)}, !succeeded);
        if (!succeeded)
            m_board.bell();
    }

    next(index, succeeded, logFailed);
}

// What a position does after an attempt: wait for the panel to go, for Enter, or nothing more.
void Fixture::next(int index, bool succeeded, bool logFailed)
{
    Station &s = m_stations[index];
    if (logFailed && !m_logFailed) {
        m_logFailed = true;
        s.state = State::Finished;
        stopAll();
        return;
    }
    const bool ending = m_interrupted || m_logFailed || m_stopping || !readerThere() || countReached(index)
        || s.shown.kind == Kind::PortUnusable;
    if (handsFree()) {
        if (ending) {
            s.state = State::Finished;
        } else {
            // Tried once: the next attempt is for whatever comes after this panel has gone.
            s.state = State::Leaving;
            ++s.panel;
            s.panelId.clear();
            showRow(index);
            s.poller->awaitDeparture();
        }
    } else if (m_line.series) {
        if (succeeded)
            ++s.panel;
        s.state = ending ? State::Finished : State::Idle;
    } else {
        s.state = State::Finished;
    }
    settle();
}

// A verify: the panel's bytes against what a write of the file sends.
void Fixture::compare(int index, const PanelConfiguration::MemoryImage &image, PanelAttempt &attempt)
{
    Station &s = m_stations[index];
    const QList<PanelAttempt::Difference> differences = PanelAttempt::differencesOf(image, m_work.image, PanelAttempt::found(m_work.image, m_work.adjusted));
    QStringList lines, items;
    for (const PanelAttempt::Difference &d : differences) {
        lines << PanelAttempt::describe(d);
        items << PanelConfiguration::name(d.address);
    }
    if (differences.isEmpty()) {
        lines << QStringLiteral("THE SWITCH PANEL MATCHES %1").arg(m_work.file);
        s.lastDetail = lines.constFirst();
    } else {
        attempt.exitCode = ExitCode::Differs;
        s.lastDetail = QStringLiteral("DIFFERS IN %1").arg(items.join(QStringLiteral(", ")));
    }
    attempt.differences = differences;
    attempt.detail = lines.join(QLatin1Char('\n'));
    // Standard output carries the comparison, unless it carries JSON alone.
    if (m_line.json || m_line.events) {
        m_board.sayOn(index, lines, !differences.isEmpty());
    } else {
        for (const QString &line : std::as_const(lines))
            m_board.print((m_board.several() ? s.label + QStringLiteral(": ") + line : line).toLocal8Bit());
    }
}

// --- Hands-free --------------------------------------------------------------------------

void Fixture::waitForPanel(int index)
{
    Station &s = m_stations[index];
    s.state = State::Arriving;
    setState(index, {Kind::Waiting}, {{"panel", s.panel}});
    m_board.sayOn(index, {seriesLine(m_board.several(), s.label, QStringLiteral("WAITING FOR PANEL %1").arg(s.panel))});
    s.poller->awaitArrival();
}

void Fixture::arrived(int index)
{
    Station &s = m_stations[index];
    if (s.state != State::Arriving || m_interrupted || m_logFailed || m_stopping)
        return;
    s.panelId = std::exchange(s.nextId, {});
    setState(index, {Kind::Present}, {{"panel", s.panel}});
    start(index);
}

void Fixture::gone(int index)
{
    Station &s = m_stations[index];
    if (s.state != State::Leaving || m_interrupted || m_logFailed || m_stopping)
        return;
    setState(index, {Kind::Removed}, {{"panel", s.panel - 1}});
    waitForPanel(index);
}

// A scanned "ID" (one position) or "LABEL ID" (several): the id of the next panel to arrive
// there; "q" ends the run once the panels under way are done.
void Fixture::scanned(const QString &text)
{
    const QString line = text.trimmed();
    if (line == QLatin1String("q")) {
        stopAfterCurrent();
        return;
    }
    if (!line.isEmpty()) {
        int index = 0;
        QString id = line;
        if (m_stations.size() > 1) {
            const QString label = line.section(QLatin1Char(' '), 0, 0);
            id = line.section(QLatin1Char(' '), 1).trimmed();
            const auto found = std::find_if(m_stations.begin(), m_stations.end(),
                                            [&](const Station &s) { return s.label == label; });
            if (found == m_stations.end() || id.isEmpty()) {
                m_board.say(QStringLiteral("ignored: %1, not LABEL ID with a position's label").arg(line), true);
                m_input->request();
                return;
            }
            index = int(found - m_stations.begin());
        }
        Station &s = m_stations[index];
        if (s.state != State::Finished) {
            s.nextId = id;
            showRow(index);
        } else {
            m_board.say(QStringLiteral("ignored: %1, %2 takes no more panels").arg(line, s.label), true);
        }
    }
    m_input->request();
}

// The end of input: at a prompt, the end of the series; hands-free, only a terminal's
// (Ctrl+D) stops the line, as input closed by a controller says nothing.
void Fixture::inputEnded()
{
    if (!handsFree()) {
        finish();
        return;
    }
#ifdef Q_OS_UNIX
    if (::isatty(STDIN_FILENO))
        stopAfterCurrent();
#endif
}

// --- At Enter ------------------------------------------------------------------------------

void Fixture::prompt()
{
    QString text;
    if (m_stations.size() == 1) {
        const Station &s = m_stations.front();
        text = s.lastExit == ExitCode::Done
            ? QStringLiteral("Connect panel %1 and press Enter, or end the input (Ctrl+D) when done.").arg(s.panel)
            : QStringLiteral("Press Enter to try panel %1 again, or end the input (Ctrl+D) when done.").arg(s.panel);
        m_board.say(text);
        m_input->request();
        return;
    }
    // Several: each position's id in turn (an empty line for none), then Enter.
    const bool anyFailed = std::any_of(m_stations.begin(), m_stations.end(), [](const Station &s) {
        return s.state != State::Finished && s.lastExit != ExitCode::Done;
    });
    m_board.say(anyFailed ? QStringLiteral("Connect the next panels (the failed panels are tried again), or end "
                                           "the input (Ctrl+D) when done.")
                          : QStringLiteral("Connect the next panels, or end the input (Ctrl+D) when done."));
    askId(0);
}

// The id of the next position from `from` on that takes a panel this round; after the last,
// Enter.
void Fixture::askId(int from)
{
    m_asking = -1;
    for (int i = from; i < int(m_stations.size()) && m_asking < 0; ++i)
        if (m_stations[i].state != State::Finished && !countReached(i))
            m_asking = i;
    m_board.say(m_asking >= 0 ? QStringLiteral("Id of the panel at %1 (Enter for none):").arg(m_stations[m_asking].label)
                              : QStringLiteral("Press Enter to program the fixture."));
    m_input->request();
}

void Fixture::promptAnswered(const QString &text)
{
    if (text.trimmed() == QLatin1String("q")) {
        finish();
        return;
    }
    if (m_stations.size() == 1) {
        // What was typed or scanned before Enter is the id of the panel now programmed.
        m_stations.front().panelId = text.trimmed();
        startRound();
        return;
    }
    if (m_asking >= 0) {
        m_stations[m_asking].panelId = text.trimmed();
        showRow(m_asking);
        askId(m_asking + 1);
        return;
    }
    startRound();
}

// A line that came while no prompt waited (typed or scanned while panels were programmed)
// is no answer to the next one.
void Fixture::ignored(const QString &text)
{
    m_board.say(QStringLiteral("ignored: %1, entered before the prompt").arg(text), true);
}

// --- The end -------------------------------------------------------------------------------

// After each change of state: the next prompt, or the end once nothing is under way.
void Fixture::settle()
{
    if (m_finished)
        return;
    const auto all = [this](auto predicate) { return std::all_of(m_stations.begin(), m_stations.end(), predicate); };
    if (handsFree() || m_interrupted || m_stopping) {
        if (all([](const Station &s) { return s.state == State::Finished; }))
            finish();
        return;
    }
    if (!all([](const Station &s) { return s.state != State::Transferring; }))
        return;
    if (!m_line.series || m_logFailed || all([](const Station &s) { return s.state == State::Finished; }))
        finish();
    else
        prompt();
}

void Fixture::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_readerWatch)
        m_readerWatch->stop();
    for (Station &s : m_stations)
        if (s.poller)
            s.poller->stop();
    if (m_input)
        m_input->cancel();
    const bool several = m_board.several();
    m_board.setPositions({});
    if (several)
        printTable();
    m_loop.quit();
}

int Fixture::exitCode() const
{
    if (const int signal = Termination::received())
        return Termination::exitCode(signal);
    if (m_interrupted)
        return ExitCode::Interrupted;
    if (m_logFailed || m_readerGone)
        return ExitCode::FileFailed;
    for (const Station &s : m_stations)
        if (s.lastExit > 0)
            return s.lastExit;
    return ExitCode::Done;
}

void Fixture::printTable()
{
    qsizetype width = 8;
    for (const Station &s : m_stations)
        width = std::max(width, s.label.size());
    const auto row = [&](const QString &label, const QString &counts, const QString &outcome, const QString &detail) {
        m_board.say(QStringLiteral("%1  %2%3  %4").arg(label, -int(width)).arg(counts, outcome.leftJustified(14), detail));
    };
    const bool series = m_line.series;
    row(QStringLiteral("POSITION"), series ? QStringLiteral("PROGRAMMED  FAILED  ") : QString(), QStringLiteral("OUTCOME"),
        QStringLiteral("DETAIL"));
    for (int i = 0; i < int(m_stations.size()); ++i) {
        const Station &s = m_stations[i];
        const RunSummary::Position counts = m_summary.positions.value(i);
        const QString shownCounts =
            series ? QStringLiteral("%1  %2  ").arg(counts.programmed, -10).arg(counts.failed, -6) : QString();
        // A position that never tried a panel says why: its port, or that none came.
        QString outcome = s.lastExit < 0 ? s.shown.eventName() : s.lastOutcome;
        QString detail = s.lastExit < 0 ? s.shown.text(s.port, false, m_work.verify) : s.lastDetail;
        row(s.label, shownCounts, outcome, detail);
    }
}
