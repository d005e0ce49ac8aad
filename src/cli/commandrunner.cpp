#include "commandrunner.h"

#include "cli/fixture.h"
#include "cli/portlisting.h"
#include "files/configrecord.h"
#include "platform/savetarget.h"
#include "link/portchoice.h"
#include "link/serialportline.h"
#include "platform/descriptorlimit.h"
#include "platform/exitcode.h"
#include "platform/regularfile.h"
#include "platform/standardstreams.h"
#include "session/statustexts.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>

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
constexpr int descriptorsPerPosition = 3;
#else
constexpr int descriptorsPerPosition = 4;
#endif
constexpr int descriptorReserve = 2;

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
                std::make_unique<SerialPortLine>(
                    PortChoice::forThisRun(commandLine.port, commandLine.environmentPort, settings), commandLine.trace))
    , m_form(m_session.form())
    , m_board(err, m_terminal, commandLine.quiet)
{
    connect(&m_form, &FormModel::changed, this, &CommandRunner::statusChanged);
    m_session.onByte = [this](int byte) { m_board.progress(0, byte, m_form.status().text); };
    // Ctrl+C, SIGTERM and SIGHUP end every transfer at its current wait with its port closed,
    // as closing the window does.
    connect(&m_termination, &Termination::requested, this, [this] {
        m_session.abort();
        if (m_fixture)
            m_fixture->interrupt();
    });
    m_form.Form_Load();
}

CommandRunner::~CommandRunner() = default;

int CommandRunner::run()
{
    const int code = commandExit();
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
    }
    switch (m_commandLine.command) {
    case Command::Write:
    case Command::Verify:
        return transfers();
    case Command::Read:
        return read();
    case Command::Check:
        return check();
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
    // A file that is not there or may not be read is named with the system's reason; the
    // FILE/MODEL MIS-MATCH box is for one that is there and holds no configuration.
    if (const std::optional<QString> problem = RegularFile::readProblem(path)) {
        m_fileProblem = QStringLiteral("%1: %2").arg(path, *problem);
        say(QStringLiteral("durvex-config: ") + m_fileProblem, true);
        return ExitCode::FileFailed;
    }
    m_lastBox.clear();
    switch (m_session.files().openFile(path)) {
    case FileCommands::OpenOutcome::Loaded:
        if (m_log.isOpen())
            m_fileSha256 = fileSha256(path);
        return ExitCode::Done;
    case FileCommands::OpenOutcome::NoAccess:
        m_fileProblem = QStringLiteral("%1 cannot be read").arg(path);
        say(QStringLiteral("durvex-config: ") + m_fileProblem, true);
        return ExitCode::FileFailed;
    case FileCommands::OpenOutcome::Refused:
        break;
    }
    m_fileProblem = m_lastBox;
    return ExitCode::FileFailed;
}

QString CommandRunner::incomplete()
{
    TransferOutcome outcome;
    outcome.kind = TransferOutcome::Kind::Incomplete;
    outcome.missing = m_form.missingPicks();
    const std::optional<StatusTexts::Report> report = StatusTexts::ending(outcome, StatusTexts::Direction::Write);
    for (const QString &line : StatusEcho().update(report->text, report->detail))
        say(line, true);
    return report->detail;
}

int CommandRunner::transfers()
{
    const bool verify = m_commandLine.command == Command::Verify;
    const QStringList ports =
        m_commandLine.ports.isEmpty() ? QStringList{m_session.line().portName()} : m_commandLine.ports;
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
        attempt.panelId = m_commandLine.panelId;
        attempt.exitCode = code;
        attempt.detail = detail;
        for (const QString &port : ports) {
            attempt.port = port;
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
    if (m_form.gather_config()) {
        if (verify) // nothing a write would send to compare with
            return refuse(ExitCode::FileFailed, incomplete());
        work.missing = m_form.missingPicks();
    }
    work.image = m_form.configuration().memoryImage();
    if (const int signal = Termination::received())
        return Termination::exitCode(signal);

    Fixture fixture(m_commandLine, ports, work, m_board, [this](const PanelAttempt &attempt) { return record(attempt); });
    m_fixture = &fixture;
    const int code = fixture.run();
    m_fixture = nullptr;
    return code;
}

int CommandRunner::read()
{
    const bool toOutput = m_commandLine.output == QLatin1String("-");
    m_saveTo = m_commandLine.output.isEmpty() ? FileCommands::proposedFileName(m_commandLine.name) : m_commandLine.output;
    PanelAttempt attempt;
    attempt.command = QStringLiteral("read");
    attempt.port = m_session.line().portName();
    attempt.file = m_saveTo;
    attempt.panelId = m_commandLine.panelId;
    // Where it will save is known before the panel is touched.
    if (const SaveTarget::Check target = SaveTarget::check(m_saveTo, m_commandLine.force);
        !toOutput && target.verdict != SaveTarget::Verdict::Ok) {
        attempt.exitCode = ExitCode::FileFailed;
        attempt.detail = target.verdict == SaveTarget::Verdict::Exists
            ? QStringLiteral("%1 exists; --force replaces it").arg(m_saveTo)
            : QStringLiteral("cannot save to %1: %2").arg(m_saveTo, target.reason);
        say(QStringLiteral("durvex-config: ") + attempt.detail, true);
        record(attempt);
        return attempt.exitCode;
    }
    QElapsedTimer clock;
    clock.start();
    const TransferOutcome outcome = m_session.READ_CONFIG_Click();
    m_board.endProgress(0);
    attempt.durationMs = clock.elapsed();
    attempt.model = outcome.model;
    const int signal = Termination::received();
    attempt.exitCode = signal ? Termination::exitCode(signal) : PanelAttempt::exitCodeOf(outcome);
    attempt.detail = outcome.kind == TransferOutcome::Kind::Aborted ? PanelAttempt::interrupted : m_form.status().detail;
    if (attempt.exitCode == ExitCode::Done) {
        m_form.setPanelName(m_commandLine.name);
        m_lastBox.clear();
        if (toOutput) {
            if (m_form.gather_config()) {
                attempt.exitCode = ExitCode::FileFailed;
                attempt.detail = incomplete();
            } else {
                const QByteArray line = ConfigRecord::of(m_form.configuration()).toLine();
                if (QString reason; !StandardStreams::write(stdout, line, &reason)) {
                    attempt.exitCode = ExitCode::FileFailed;
                    attempt.detail = QStringLiteral("standard output could not be written: %1").arg(reason);
                    say(QStringLiteral("durvex-config: ") + attempt.detail, true);
                }
                m_fileSha256 = sha256(line);
            }
        } else if (m_session.files().WRITE_FILE_Click() != FileCommands::SaveOutcome::Saved) {
            attempt.exitCode = ExitCode::FileFailed;
            attempt.detail = m_lastBox.isEmpty() ? m_form.status().detail : m_lastBox;
        } else {
            say(QStringLiteral("SAVED %1").arg(m_saveTo));
            m_fileSha256 = fileSha256(m_saveTo);
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
        if (m_form.gather_config()) {
            attempt.exitCode = ExitCode::FileFailed;
            attempt.detail = incomplete();
        } else {
            attempt.configuration = m_form.configuration();
            attempt.detail = QStringLiteral("%1 IS READY TO WRITE").arg(m_commandLine.file);
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
        m_board.print(listing.text().toLocal8Bit().chopped(1));
    }
    return ExitCode::Done;
}

bool CommandRunner::record(const PanelAttempt &attempt)
{
    const QJsonObject object = attempt.toJson();
    if (m_commandLine.json)
        m_board.print(QJsonDocument(object).toJson(QJsonDocument::Compact));
    if (!m_log.isOpen())
        return true;
    QString reason;
    if (m_log.append(object, m_fileSha256, &reason))
        return true;
    say(QStringLiteral("durvex-config: the log %1 could not be appended to: %2").arg(m_log.path(), reason), true);
    return false;
}

// --- Host ------------------------------------------------------------------------------------

void CommandRunner::messageBox(const QString &text, const QString &title)
{
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QStringLiteral("\n  "));
    m_lastBox = title.isEmpty() ? text : title + QStringLiteral(": ") + text;
    say(title.isEmpty() ? shown : title + QStringLiteral(": ") + shown, true);
}

std::optional<QString> CommandRunner::saveFileDialog(const QString &, const QString &, const QString &)
{
    return m_saveTo.isEmpty() ? std::nullopt : std::optional<QString>(m_saveTo);
}

std::optional<QString> CommandRunner::openFileDialog(const QString &, const QString &)
{
    return m_commandLine.file;
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
