#include "fixture.h"

#include "platform/exitcode.h"
#include "platform/termination.h"

#include "cli/lineinput.h"
#include "cli/panelpoller.h"
#include "cli/progressboard.h"
#include "session/statustexts.h"

#include <algorithm>

using StatusTexts::Direction;

Fixture::Fixture(const CommandLine &commandLine, const QStringList &ports, const Work &work, ProgressBoard &board,
                 std::function<bool(const PanelAttempt &)> record, QObject *parent)
    : QObject(parent)
    , m_line(commandLine)
    , m_work(work)
    , m_board(board)
    , m_record(std::move(record))
    , m_stations(ports.size())
{
    m_board.setPorts(ports);
    const bool several = ports.size() > 1;
    for (int i = 0; i < int(ports.size()); ++i) {
        Station &s = m_stations[i];
        s.port = ports[i];
        s.panelId = commandLine.panelId;
        s.connection = std::make_unique<ConnectionThread>(s.port, commandLine.trace, several ? s.port : QString());
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
            connect(s.poller, &PanelPoller::arrived, this, [this, i] { arrived(i); });
            connect(s.poller, &PanelPoller::gone, this, [this, i] { gone(i); });
        }
    }
    if (m_line.series && !handsFree()) {
        m_input = new LineInput(this);
        connect(m_input, &LineInput::line, this, &Fixture::promptAnswered);
        connect(m_input, &LineInput::ended, this, &Fixture::finish);
    }
}

Fixture::~Fixture() = default;

int Fixture::run()
{
    if (handsFree()) {
        for (int i = 0; i < int(m_stations.size()); ++i)
            waitForPanel(i);
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

bool Fixture::countReached(const Station &station) const
{
    return m_line.count > 0 && station.programmed >= m_line.count;
}

// --- One panel on one port -------------------------------------------------------------------

namespace {

// A line of a series names its port also where the board would not.
QString seriesLine(bool several, const QString &port, const QString &text)
{
    return several ? text : port + QStringLiteral(": ") + text;
}

} // namespace

void Fixture::startRound()
{
    for (int i = 0; i < int(m_stations.size()); ++i) {
        if (countReached(m_stations[i]))
            m_stations[i].state = State::Finished;
        else if (m_stations[i].state != State::Finished)
            start(i);
    }
    settle();
}

void Fixture::start(int index)
{
    Station &s = m_stations[index];
    s.state = State::Transferring;
    if (m_line.series)
        m_board.sayOn(index, {seriesLine(m_board.several(), s.port, QStringLiteral("PANEL %1: WRITING").arg(s.panel))});
    showStatus(index, StatusTexts::starting(m_work.verify ? Direction::Read : Direction::Write), QString());
    s.clock.start();
    if (m_work.verify)
        s.connection->read();
    else
        s.connection->write(m_work.image, m_work.missing, m_line.skipMatching);
}

// The port's status line: the lines it adds scroll, except that on a terminal with several
// ports the progress shows in the port's row alone and only outcomes scroll.
void Fixture::showStatus(int index, const QString &text, const QString &detail, bool failure)
{
    Station &s = m_stations[index];
    const QStringList lines = s.echo.update(text, detail.isEmpty() ? text : detail);
    m_board.setStatus(index, s.echo.text());
    if (lines.isEmpty() || (m_board.terminal() && m_board.several() && s.state == State::Transferring))
        return;
    m_board.sayOn(index, lines, failure);
}

void Fixture::byteStarting(int index, int address)
{
    m_board.progress(index, address, m_stations[index].echo.text());
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

    if (m_work.verify && outcome.done())
        compare(index, image, attempt);

    const bool logFailed = !m_record(attempt);
    s.lastExit = attempt.exitCode;
    const bool succeeded = attempt.exitCode == ExitCode::Done;
    if (succeeded)
        ++s.programmed;
    else
        ++s.failed;

    if (m_line.series) {
        const QString line = succeeded ? (attempt.unchanged ? QStringLiteral("PANEL %1: UNCHANGED")
                                                            : QStringLiteral("PANEL %1: PROGRAMMED"))
                                             .arg(s.panel)
                                       : QStringLiteral("PANEL %1: FAILED - %2").arg(s.panel).arg(outcomeText);
        m_board.sayOn(index, {seriesLine(m_board.several(), s.port, line)}, !succeeded);
        if (!succeeded)
            m_board.bell();
    }

    next(index, succeeded, logFailed);
}

// What a port does after an attempt: wait for the panel to go, for Enter, or nothing more.
void Fixture::next(int index, bool succeeded, bool logFailed)
{
    Station &s = m_stations[index];
    if (logFailed && !m_logFailed) {
        m_logFailed = true;
        s.state = State::Finished;
        stopAll();
        return;
    }
    const bool ending = m_interrupted || m_logFailed || countReached(s);
    if (handsFree()) {
        if (ending) {
            s.state = State::Finished;
        } else {
            // Tried once: the next attempt is for whatever comes after this panel has gone.
            s.state = State::Leaving;
            const QString text = QStringLiteral("REMOVE PANEL %1").arg(s.panel);
            m_board.progress(index, -1, text);
            ++s.panel;
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
    if (m_line.json) {
        m_board.sayOn(index, lines, !differences.isEmpty());
    } else {
        for (const QString &line : std::as_const(lines))
            m_board.print((m_board.several() ? s.port + QStringLiteral(": ") + line : line).toLocal8Bit());
    }
}

// --- Hands-free --------------------------------------------------------------------------

void Fixture::waitForPanel(int index)
{
    Station &s = m_stations[index];
    s.state = State::Arriving;
    const QString text = QStringLiteral("WAITING FOR PANEL %1").arg(s.panel);
    m_board.sayOn(index, {seriesLine(m_board.several(), s.port, text)});
    m_board.progress(index, -1, text);
    s.poller->awaitArrival();
}

void Fixture::arrived(int index)
{
    if (m_stations[index].state == State::Arriving && !m_interrupted && !m_logFailed)
        start(index);
}

void Fixture::gone(int index)
{
    if (m_stations[index].state == State::Leaving && !m_interrupted && !m_logFailed)
        waitForPanel(index);
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
    } else {
        const bool anyFailed = std::any_of(m_stations.begin(), m_stations.end(), [](const Station &s) {
            return s.state != State::Finished && s.lastExit != ExitCode::Done;
        });
        text = anyFailed ? QStringLiteral("Press Enter to program the fixture again (the failed panels are tried "
                                          "again), or end the input (Ctrl+D) when done.")
                         : QStringLiteral("Connect the next panels and press Enter, or end the input (Ctrl+D) when "
                                          "done.");
    }
    m_board.say(text);
    m_input->request();
}

void Fixture::promptAnswered(const QString &text)
{
    // What was typed or scanned before Enter is the id of the panels now programmed.
    for (Station &s : m_stations)
        s.panelId = text.trimmed();
    startRound();
}

// --- The end -------------------------------------------------------------------------------

// After each change of state: the next prompt, or the end once nothing is under way.
void Fixture::settle()
{
    if (m_finished)
        return;
    const auto all = [this](auto predicate) { return std::all_of(m_stations.begin(), m_stations.end(), predicate); };
    if (handsFree() || m_interrupted) {
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
    for (Station &s : m_stations)
        if (s.poller)
            s.poller->stop();
    if (m_input)
        m_input->cancel();
    const bool several = m_board.several();
    m_board.setPorts({});
    if (several)
        printTable();
    if (m_line.series) {
        int programmed = 0, failed = 0;
        for (const Station &s : m_stations) {
            programmed += s.programmed;
            failed += s.failed;
        }
        m_board.say(QStringLiteral("SUMMARY: %1 PROGRAMMED, %2 FAILED").arg(programmed).arg(failed));
    }
    m_loop.quit();
}

int Fixture::exitCode() const
{
    if (const int signal = Termination::received())
        return Termination::exitCode(signal);
    if (m_interrupted)
        return ExitCode::Interrupted;
    if (m_logFailed)
        return ExitCode::FileFailed;
    for (const Station &s : m_stations)
        if (s.lastExit > 0)
            return s.lastExit;
    return ExitCode::Done;
}

void Fixture::printTable()
{
    qsizetype width = 4;
    for (const Station &s : m_stations)
        width = std::max(width, s.port.size());
    const auto row = [&](const QString &port, const QString &counts, const QString &outcome, const QString &detail) {
        m_board.say(QStringLiteral("%1  %2%3  %4").arg(port, -int(width)).arg(counts, outcome.leftJustified(12), detail));
    };
    const bool series = m_line.series;
    row(QStringLiteral("PORT"), series ? QStringLiteral("PROGRAMMED  FAILED  ") : QString(), QStringLiteral("OUTCOME"),
        QStringLiteral("DETAIL"));
    for (const Station &s : m_stations) {
        const QString counts =
            series ? QStringLiteral("%1  %2  ").arg(s.programmed, -10).arg(s.failed, -6) : QString();
        const QString outcome = s.lastExit < 0 ? QStringLiteral("none") : ExitCode::outcomeWord(s.lastExit);
        row(s.port, counts, outcome, s.lastDetail);
    }
}
