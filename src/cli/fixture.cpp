#include "fixture.h"

#include "cli/boardsink.h"
#include "cli/eventsink.h"
#include "cli/lineinput.h"
#include "cli/progressboard.h"
#include "platform/termination.h"

#include <QTimer>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <unistd.h>
#endif

using Prompt = LineSink::Prompt;

LineSettings Fixture::settingsOf(const CommandLine &commandLine, const QList<Position> &positions, const Work &work)
{
    LineSettings settings;
    settings.mode = commandLine.waitForPanel ? LineSettings::Mode::HandsFree
                    : commandLine.series     ? LineSettings::Mode::Series
                                             : LineSettings::Mode::Once;
    settings.count = commandLine.count;
    settings.stopAfterFailures = commandLine.stopAfterFailures;
    settings.skipMatching = commandLine.skipMatching;
    settings.positions = positions;
    settings.ids.scanWindowMs = commandLine.scanWindowMs;
    settings.ids.timeoutMs = commandLine.idTimeoutSeconds * 1000;
    settings.ids.required = commandLine.requireId;
    settings.ids.refuseDuplicates = commandLine.refuseDuplicates;
    settings.ids.pattern = commandLine.idPattern;
    settings.work = work;
    return settings;
}

Fixture::Fixture(const CommandLine &commandLine, const QList<Position> &positions, const Work &work,
                 ProgressBoard &board, const QList<AttemptSink *> &records, EventSink *events, LineSink *summary,
                 QObject *parent)
    : QObject(parent)
    , m_commandLine(commandLine)
    , m_board(board)
    , m_line(settingsOf(commandLine, positions, work),
             [trace = commandLine.trace, several = positions.size() > 1](int, const Position &p) {
                 // With several ports, each line of the byte trace names its position.
                 return LineConnection::onThread(
                     std::make_unique<ConnectionThread>(p.port, trace, several ? p.label : QString()));
             })
{
    // The board shows first, then the events and the records, then what the operator is asked.
    m_boardSink = std::make_unique<BoardSink>(m_line, m_board, commandLine.json || commandLine.events);
    m_line.subscribe(m_boardSink.get());
    if (events)
        events->follow(m_line);
    for (AttemptSink *sink : records)
        m_line.subscribe(sink);
    m_line.subscribe(summary);
    m_line.subscribe(this);
    // A controller that reads the results and has gone is noticed while the line waits, not
    // at the next result, which may be long in coming.
    if (commandLine.json || commandLine.events) {
        m_readerWatch = new QTimer(this);
        m_readerWatch->setInterval(250);
        connect(m_readerWatch, &QTimer::timeout, this, [this] {
            if (!readerThere())
                m_line.stopAfterCurrent();
        });
        m_readerWatch->start();
    }
    if (commandLine.series) {
        m_input = new LineInput(this);
        connect(m_input, &LineInput::line, this,
                commandLine.waitForPanel ? &Fixture::scanned : &Fixture::promptAnswered);
        connect(m_input, &LineInput::early, this, &Fixture::ignored);
        connect(m_input, &LineInput::ended, this, &Fixture::inputEnded);
        connect(m_input, &LineInput::refused, this, [this](const QString &why) { m_board.say(why, true); });
    }
}

Fixture::~Fixture() = default;

RunResult Fixture::run()
{
    if (m_line.settings().handsFree())
        m_input->request();
    m_line.run();
    RunResult result = m_line.result();
    result.signal = Termination::received();
    result.keptAll = result.keptAll && !m_readerGone;
    return result;
}

void Fixture::interrupt()
{
    m_line.interrupt();
}

// Whether the results still have a reader; when not, the run ends after the panels under way.
bool Fixture::readerThere()
{
    if (m_readerGone)
        return false;
    if (!m_commandLine.json && !m_commandLine.events)
        return true;
    // A write that failed says why (a full disk is no reader gone); else a pipe whose reader
    // has closed it reports an error to poll on the writing end.
    const QString failure = m_board.outputFailure();
    bool gone = !failure.isEmpty();
#ifdef Q_OS_UNIX
    pollfd out{STDOUT_FILENO, 0, 0};
    gone = gone || (::poll(&out, 1, 0) == 1 && (out.revents & (POLLERR | POLLNVAL)));
#endif
    if (!gone)
        return true;
    m_readerGone = true;
    m_readerWatch->stop();
    m_board.say(failure.isEmpty()
                    ? QStringLiteral("durvex-config: standard output has no reader any more: no new panel starts")
                    : QStringLiteral("durvex-config: standard output could not be written (%1): no new panel starts")
                          .arg(failure),
                true);
    return false;
}

void Fixture::stopping()
{
    if (m_input)
        m_input->cancel();
}

void Fixture::runEnded(const RunSummary &)
{
    if (m_readerWatch)
        m_readerWatch->stop();
    if (m_input)
        m_input->cancel();
}

// --- Hands-free --------------------------------------------------------------------------

// A scanned "ID" (one position) or "LABEL ID" (several): the id of the next panel to arrive
// there; "q" ends the run once the panels under way are done.
void Fixture::scanned(const QString &text)
{
    const QString line = text.trimmed();
    if (line == QLatin1String("q")) {
        m_line.stopAfterCurrent();
        return;
    }
    if (!line.isEmpty()) {
        int index = 0;
        QString id = line;
        if (m_line.positions() > 1) {
            id = line.section(QLatin1Char(' '), 1).trimmed();
            index = m_line.indexOf(line.section(QLatin1Char(' '), 0, 0));
            if (index < 0 || id.isEmpty()) {
                m_board.say(QStringLiteral("ignored: %1, not LABEL ID with a position's label").arg(line), true);
                m_input->request();
                return;
            }
        }
        if (!m_line.scan(index, id))
            m_board.say(QStringLiteral("ignored: %1, %2 takes no more panels").arg(line, m_line.station(index).label),
                        true);
    }
    m_input->request();
}

// The end of input: at a prompt, the end of the series; hands-free, only a terminal's
// (Ctrl+D) stops the line, as input closed by a controller says nothing.
void Fixture::inputEnded()
{
    if (!m_line.settings().handsFree()) {
        m_line.endSeries();
        return;
    }
#ifdef Q_OS_UNIX
    if (::isatty(STDIN_FILENO))
        m_line.stopAfterCurrent();
#endif
}

// --- At Enter ------------------------------------------------------------------------------

void Fixture::prompted(const Prompt &prompt)
{
    switch (prompt.kind) {
    case Prompt::Kind::NextPanel:
        m_board.say(QStringLiteral("Connect panel %1 and press Enter, or end the input (Ctrl+D) when done.").arg(prompt.panel));
        break;
    case Prompt::Kind::TryAgain:
        m_board.say(QStringLiteral("Press Enter to try panel %1 again, or end the input (Ctrl+D) when done.").arg(prompt.panel));
        break;
    case Prompt::Kind::NextPanels:
        m_board.say(QStringLiteral("Connect the next panels, or end the input (Ctrl+D) when done."));
        return;
    case Prompt::Kind::NextPanelsTryAgain:
        m_board.say(QStringLiteral("Connect the next panels (the failed panels are tried again), or end the input "
                                   "(Ctrl+D) when done."));
        return;
    case Prompt::Kind::PanelId:
        m_board.say(QStringLiteral("Id of the panel at %1 (Enter for none):").arg(m_line.station(prompt.position).label));
        break;
    case Prompt::Kind::Enter:
        m_board.say(QStringLiteral("Press Enter to program the fixture."));
        break;
    }
    m_input->request();
}

void Fixture::promptAnswered(const QString &text)
{
    if (text.trimmed() == QLatin1String("q"))
        m_line.endSeries();
    else
        m_line.enter(text.trimmed());
}

// A line that came while no prompt waited (typed or scanned while panels were programmed)
// is no answer to the next one.
void Fixture::ignored(const QString &text)
{
    m_board.say(QStringLiteral("ignored: %1, entered before the prompt").arg(text), true);
}
