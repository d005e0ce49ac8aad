#include "commandrunner.h"

#include "cli/filediff.h"
#include "cli/fixture.h"
#include "cli/portlisting.h"
#include "files/configrecord.h"
#include "platform/savetarget.h"
#include "link/portchoice.h"
#include "link/systemline.h"
#include "model/selectortables.h"
#include "platform/descriptorlimit.h"
#include "platform/exitcode.h"
#include "platform/regularfile.h"
#include "platform/standardstreams.h"
#include "platform/warnings.h"

#include <QCoreApplication>
#include <QThread>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>

#include <algorithm>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using Command = CommandLine::Command;

namespace {


QByteArray sha256(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QByteArray fileSha256(const QString &path)
{
    QFile file;
    if (RegularFile::openForReading(path, file) != RegularFile::Status::Ok)
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}

// What each position holds open while its panel is under way: its thread's event-loop
// wakeup (an eventfd on Linux, a pipe of two elsewhere), the port and the port's lock file,
// and with a trace its own handle on the trace file. Beside them, a few are open for a
// moment: the account database read for the log's user name, a library loaded once.
#ifdef Q_OS_LINUX
constexpr int wakeupDescriptors = 1;
#else
constexpr int wakeupDescriptors = 2;
#endif
// A build checked by the sanitizers opens a pipe for a moment each time a thread checks an
// object's type and finds it out of its cache; at the limit, a check without its pipe
// reports a fault that is not there and aborts the run.
#ifdef DURVEX_SANITIZED
constexpr int checkingPerThread = 2;
#else
constexpr int checkingPerThread = 0;
#endif
constexpr int portAndLock = 2;
constexpr int descriptorsPerPosition = wakeupDescriptors + portAndLock + checkingPerThread;
constexpr int descriptorReserve = 2 + checkingPerThread;

// Why the positions cannot all hold their descriptors at once, or nothing when they can,
// the soft limit raised where that suffices.
QString descriptorsShort(int positions, bool tracing)
{
    const std::optional<DescriptorLimit::Limit> limit = DescriptorLimit::current();
    if (!limit)
        return {};
    const DescriptorLimit::Plan plan = DescriptorLimit::plan(DescriptorLimit::openNow(), *limit, positions,
                                                             descriptorsPerPosition + (tracing ? 1 : 0),
                                                             descriptorReserve);
    QString reason;
    if (plan.fits && (!plan.raiseTo || DescriptorLimit::raiseSoft(plan.raiseTo, &reason)))
        return {};
    const QString ports = positions == 1 ? QStringLiteral("1 port needs") : QStringLiteral("%1 ports need").arg(positions);
    if (plan.fits)
        return QStringLiteral("%1 %2 open files (descriptors) at once, and the open-file limit of %3 could not be "
                              "raised: %4")
            .arg(ports).arg(plan.needed).arg(limit->soft).arg(reason);
    return QStringLiteral("%1 %2 open files (descriptors) at once, more than the open-file limit of %3 allows: "
                          "%4 fit. Give at most %4, or raise the limit (ulimit -n %2)")
        .arg(ports).arg(plan.needed).arg(limit->hard).arg(plan.positionsThatFit);
}

// The codes taken in that no list has: those the form shows as something else.
QList<PanelAttempt::Warning> unlistedCodes(const QList<FormModel::Adjustment> &adjusted)
{
    QList<PanelAttempt::Warning> warnings;
    for (const FormModel::Adjustment &adjustment : adjusted)
        if (!isListedCode(adjustment.address, adjustment.found))
            warnings.append({adjustment.address, adjustment.found});
    return warnings;
}

} // namespace

CommandRunner::CommandRunner(const CommandLine &commandLine, QSettings *settings, std::FILE *err, QObject *parent)
    : QObject(parent)
    , m_commandLine(commandLine)
    , m_settings(settings)
    , m_err(err)
#ifdef Q_OS_UNIX
    , m_terminal(::isatty(::fileno(err)))
#else
    , m_terminal(false)
#endif
    , m_session(*this,
                SystemLine::make(
                    PortChoice::forThisRun(commandLine.port, commandLine.environmentPort, settings), commandLine.trace))
    , m_form(m_session.form())
    , m_board(err, m_terminal, commandLine.quiet, ProgressBoard::colourWanted(m_terminal))
    , m_json(m_board)
    , m_events(m_board)
    , m_logSink(m_log, m_fileSha256, m_board)
{
    if (commandLine.json)
        m_records << &m_json;
    if (commandLine.events)
        m_records << &m_events;
    m_clock.start();
    // A warning from a port's thread is said on this one, above the board, not through it.
    Warnings::setSink([this](const QString &text) {
        if (QThread::currentThread() == thread())
            say(text, true);
        else
            QMetaObject::invokeMethod(this, [this, text] { say(text, true); }, Qt::QueuedConnection);
    });
    connect(&m_form, &FormModel::changed, this, &CommandRunner::statusChanged);
    m_session.onByte = [this](int byte) { m_board.progress(0, byte, m_form.status().text); };
    // Ctrl+C, SIGTERM and SIGHUP end every transfer at its current wait with its port closed,
    // as closing the window does.
    connect(&m_termination, &Termination::requested, this, [this] {
        m_session.abort();
        if (m_fixture)
            m_fixture->interrupt();
    });
}

CommandRunner::~CommandRunner()
{
    Warnings::setSink({});
}

int CommandRunner::run()
{
    const int ended = commandExit();
    // Warnings the ports' threads gave at their end, before the summary.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    const int code = summarised(ended);
    // A result that does not arrive is no result.
    if (const QString failure = m_board.outputFailure(); !failure.isEmpty()) {
        say(QStringLiteral("durvex-config: the result could not be written to standard output: %1").arg(failure), true);
        return ExitCode::FileFailed;
    }
    return code;
}

int CommandRunner::commandExit()
{
    if (m_commandLine.command == Command::Ports)
        return ports();
    // Before any panel is touched.
    if (!m_commandLine.log.isEmpty()) {
        QString reason;
        if (!m_log.open(m_commandLine.log, &reason)) {
            say(QStringLiteral("durvex-config: the log %1 cannot be appended to: %2").arg(m_commandLine.log, reason), true);
            return ExitCode::FileFailed;
        }
        m_records << &m_logSink;
    }
    switch (m_commandLine.command) {
    case Command::Write:
    case Command::Verify:
        return transfers();
    case Command::Read:
        return read();
    case Command::Check:
        return check();
    case Command::Diff:
        return FileDiff(m_commandLine.file, m_commandLine.otherFile, m_commandLine.json,
                        [this](const QByteArray &line) { m_board.print(line); },
                        [this](const QString &line, bool failure) { say(line, failure); })
            .run();
    case Command::Ports:
    case Command::Window:
        break;
    }
    return ExitCode::UsageError;
}

// --- The commands ----------------------------------------------------------------------------

int CommandRunner::openFile()
{
    const QString &path = m_commandLine.file;
    const FileOutcome outcome = m_session.open(path);
    switch (outcome.kind) {
    case FileOutcome::Kind::Done:
        if (m_log.isOpen())
            m_fileSha256 = fileSha256(path);
        return ExitCode::Done;
    // A file that is not there or may not be read is named with the system's reason; the
    // FILE/MODEL MIS-MATCH box is for one that is there and holds no configuration.
    case FileOutcome::Kind::Missing:
    case FileOutcome::Kind::NoAccess:
        m_fileProblem = outcome.reason.isEmpty() ? QStringLiteral("%1 cannot be read").arg(path)
                                                 : QStringLiteral("%1: %2").arg(path, outcome.reason);
        say(QStringLiteral("durvex-config: ") + m_fileProblem, true);
        return ExitCode::FileFailed;
    default:
        break;
    }
    if (const std::optional<StatusTexts::Box> box = StatusTexts::fileBox(outcome))
        m_fileProblem = printBox(*box);
    return ExitCode::FileFailed;
}

QString CommandRunner::incomplete(const QList<MissingPick> &missing)
{
    const StatusTexts::Report report = StatusTexts::incomplete(missing, StatusTexts::MissingPicksFor::PanelWrite);
    for (const QString &line : StatusEcho().update(report.text, report.detail))
        say(line, true);
    return report.detail;
}

void CommandRunner::sayAdjusted(const QList<PanelAttempt::Adjustment> &adjusted, bool fromPanel)
{
    for (const PanelAttempt::Adjustment &adjustment : adjusted)
        say(PanelAttempt::describe(adjustment, fromPanel));
}

int CommandRunner::transfers()
{
    const bool verify = m_commandLine.command == Command::Verify;
    const QStringList ports =
        m_commandLine.ports.isEmpty() ? QStringList{m_session.line().portName()} : m_commandLine.ports;
    // Each position is named by its label, else by its port as given or as chosen.
    QList<Fixture::Position> positions;
    for (int i = 0; i < int(ports.size()); ++i)
        positions.append({m_commandLine.labels.value(i, ports[i]), ports[i],
                          ports.size() > 1 ? m_commandLine.panelIds.value(i) : m_commandLine.panelId});
    m_summary.command = CommandLine::commandName(m_commandLine.command);
    for (const Fixture::Position &p : std::as_const(positions))
        m_summary.positions.append({p.label, p.port});
    // Counted before anything starts: a run short of descriptors part way would lose threads
    // and leave lock files behind.
    if (const QString refusal = descriptorsShort(int(ports.size()), !m_commandLine.trace.isEmpty()); !refusal.isEmpty()) {
        say(QStringLiteral("durvex-config: ") + refusal, true);
        return ExitCode::UsageError;
    }
    // A file refused before any panel is an attempt that failed on every port.
    const auto refuse = [&](int code, const QString &detail) {
        PanelAttempt attempt;
        attempt.command = CommandLine::commandName(m_commandLine.command);
        attempt.file = m_commandLine.file;
        attempt.exitCode = code;
        attempt.detail = detail;
        for (const Fixture::Position &p : std::as_const(positions)) {
            attempt.position = p.label;
            attempt.port = p.port;
            attempt.panelId = p.panelId;
            record(attempt);
        }
        return code;
    };
    if (const int opened = openFile(); opened != ExitCode::Done)
        return refuse(opened, m_fileProblem);

    // The values a write of the file sends, gathered as the window's write gathers them.
    Fixture::Work work;
    work.verify = verify;
    work.file = m_commandLine.file;
    const FormModel::Gathering gathering = m_form.gather();
    if (!gathering.complete()) {
        if (verify) // nothing a write would send to compare with
            return refuse(ExitCode::FileFailed, incomplete(gathering.missing));
        work.missing = gathering.missing;
    }
    work.image = gathering.configuration.memoryImage();
    work.adjusted = m_form.adjustments();
    sayAdjusted(work.adjusted, false);
    if (const int signal = Termination::received())
        return Termination::exitCode(signal);

    // The line counts its own attempts.
    Fixture fixture(m_commandLine, positions, work, m_board, m_records, m_commandLine.events ? &m_events : nullptr);
    m_fixture = &fixture;
    const int code = fixture.run();
    m_fixture = nullptr;
    m_summary.positions = fixture.line().summary().positions;
    return code;
}

int CommandRunner::read()
{
    const bool toOutput = m_commandLine.output == QLatin1String("-");
    const QString saveTo =
        m_commandLine.output.isEmpty() ? FileCommands::proposedFileName(m_commandLine.name) : m_commandLine.output;
    PanelAttempt attempt;
    attempt.command = QStringLiteral("read");
    attempt.port = m_session.line().portName();
    attempt.position = m_commandLine.labels.value(0, attempt.port);
    attempt.file = saveTo;
    attempt.panelId = m_commandLine.panelId;
    // Where it will save is known before the panel is touched.
    if (const SaveTarget::Check target = SaveTarget::check(saveTo, m_commandLine.force);
        !toOutput && target.verdict != SaveTarget::Verdict::Ok) {
        attempt.exitCode = ExitCode::FileFailed;
        attempt.detail = target.verdict == SaveTarget::Verdict::Exists
            ? QStringLiteral("%1 exists; --force replaces it").arg(saveTo)
            : QStringLiteral("cannot save to %1: %2").arg(saveTo, target.reason);
        say(QStringLiteral("durvex-config: ") + attempt.detail, true);
        record(attempt);
        return attempt.exitCode;
    }
    QElapsedTimer clock;
    clock.start();
    const TransferOutcome outcome = m_session.readPanel();
    m_board.endProgress(0);
    attempt.timed(clock.elapsed());
    attempt.take(outcome);
    if (const int signal = Termination::received()) { // also after the last byte
        attempt.exitCode = Termination::exitCode(signal);
        attempt.reason = AttemptReason::ofSignal(signal);
    }
    attempt.detail = outcome.kind == TransferOutcome::Kind::Aborted ? PanelAttempt::interrupted : m_form.status().detail;
    if (attempt.exitCode == ExitCode::Done) {
        m_form.setPanelName(m_commandLine.name);
        // The window's rules hold for what the panel brought: said plainly where they changed it.
        attempt.adjusted = m_form.adjustments();
        sayAdjusted(*attempt.adjusted, true);
        if (toOutput) {
            const FormModel::Gathering gathering = m_form.gather();
            if (!gathering.complete()) {
                attempt.exitCode = ExitCode::FileFailed;
                attempt.detail = incomplete(gathering.missing);
            } else {
                const QByteArray line = ConfigRecord::of(gathering.configuration).toLine();
                if (QString reason; !StandardStreams::write(stdout, line, &reason)) {
                    attempt.exitCode = ExitCode::FileFailed;
                    attempt.detail = QStringLiteral("standard output could not be written: %1").arg(reason);
                    say(QStringLiteral("durvex-config: ") + attempt.detail, true);
                }
                m_fileSha256 = sha256(line);
            }
        } else if (const FileOutcome saved = m_session.save(saveTo); !saved.done()) {
            attempt.exitCode = ExitCode::FileFailed;
            const std::optional<StatusTexts::Box> box = StatusTexts::fileBox(saved);
            attempt.detail = box ? printBox(*box) : m_form.status().detail;
        } else {
            say(QStringLiteral("SAVED %1").arg(saveTo));
            m_fileSha256 = fileSha256(saveTo);
        }
        if (attempt.exitCode == ExitCode::Done)
            attempt.configuration = m_form.configuration();
    }
    if (!record(attempt))
        return ExitCode::FileFailed;
    return attempt.exitCode;
}

int CommandRunner::check()
{
    PanelAttempt attempt;
    attempt.command = QStringLiteral("check");
    attempt.file = m_commandLine.file;
    attempt.exitCode = openFile();
    attempt.detail = m_fileProblem;
    if (attempt.exitCode == ExitCode::Done) {
        attempt.adjusted = m_form.adjustments();
        sayAdjusted(*attempt.adjusted, false);
        const FormModel::Gathering gathering = m_form.gather();
        if (!gathering.complete()) {
            attempt.exitCode = ExitCode::FileFailed;
            attempt.detail = incomplete(gathering.missing);
        } else {
            attempt.configuration = gathering.configuration;
            // What it holds, unless standard output carries JSON alone.
            if (!m_commandLine.json)
                m_board.print(PanelAttempt::table(gathering.configuration).join(QLatin1Char('\n')).toUtf8());
            attempt.warnings = unlistedCodes(*attempt.adjusted);
            for (const PanelAttempt::Warning &warning : std::as_const(*attempt.warnings))
                say(QStringLiteral("warning: ") + PanelAttempt::describe(warning), true);
            attempt.detail = attempt.warnings->isEmpty()
                ? QStringLiteral("%1 IS READY TO WRITE").arg(m_commandLine.file)
                : QStringLiteral("%1 CAN BE WRITTEN, BUT %2 OF ITS CODES ARE IN NO LIST: A WRITE SENDS WHAT THE WINDOW "
                                 "SHOWS FOR THEM")
                      .arg(m_commandLine.file)
                      .arg(attempt.warnings->size());
            say(attempt.detail);
        }
    }
    if (!record(attempt))
        return ExitCode::FileFailed;
    return attempt.exitCode;
}

int CommandRunner::ports()
{
    const PortListing listing = PortListing::gather(m_commandLine.environmentPort, m_settings);
    if (m_commandLine.json) {
        for (const PortListing::Entry &entry : listing.entries)
            m_board.print(QJsonDocument(PortListing::toJson(entry)).toJson(QJsonDocument::Compact));
    } else {
        m_board.print(listing.text().toUtf8().chopped(1));
    }
    return ExitCode::Done;
}

bool CommandRunner::record(const PanelAttempt &attempt)
{
    bool kept = true;
    for (AttemptSink *sink : std::as_const(m_records))
        kept = sink->take(attempt) && kept;
    if (m_summary.command.isEmpty())
        m_summary.command = attempt.command;
    const QString label = attempt.position.isEmpty() ? attempt.port : attempt.position;
    auto position = std::find_if(m_summary.positions.begin(), m_summary.positions.end(),
                                 [&](const RunSummary::Position &p) { return p.label == label; });
    if (position == m_summary.positions.end())
        position = m_summary.positions.insert(m_summary.positions.end(), {label, attempt.port});
    ++(attempt.exitCode == ExitCode::Done ? position->programmed : position->failed);
    return kept;
}

int CommandRunner::summarised(int code)
{
    if (m_summary.command.isEmpty()) // no panel attempt, nor a file refused
        return code;
    m_summary.durationMs = m_clock.elapsed();
    if (m_commandLine.series)
        say(m_summary.text());
    if (m_commandLine.events)
        m_board.print(QJsonDocument(m_summary.toJson()).toJson(QJsonDocument::Compact));
    if (m_log.isOpen() && !m_logSink.takeSummary(m_summary.toJson()) && code == ExitCode::Done)
        return ExitCode::FileFailed;
    return code;
}

// --- Host ------------------------------------------------------------------------------------

void CommandRunner::messageBox(const QString &text, const QString &title)
{
    printBox({text, title});
}

QString CommandRunner::printBox(const StatusTexts::Box &box)
{
    QString shown = box.text;
    shown.replace(QLatin1Char('\n'), QStringLiteral("\n  "));
    say(box.title.isEmpty() ? shown : box.title + QStringLiteral(": ") + shown, true);
    return box.title.isEmpty() ? box.text : box.title + QStringLiteral(": ") + box.text;
}

// --- Output ----------------------------------------------------------------------------------

void CommandRunner::say(const QString &line, bool failure)
{
    m_board.say(line, failure);
}

void CommandRunner::statusChanged()
{
    const FormModel::Status &status = m_form.status();
    if (!status.visible || status.text.isEmpty())
        return;
    for (const QString &line : m_echo.update(status.text, status.detail))
        say(line, status.colour == FormModel::StatusColour::Red);
}
