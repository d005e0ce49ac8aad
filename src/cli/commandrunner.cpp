#include "commandrunner.h"

#include "files/configrecord.h"
#include "platform/savetarget.h"
#include "link/portchoice.h"
#include "link/serialportline.h"
#include "platform/standardstreams.h"
#include "terminalwidth.h"

#include <QCoreApplication>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using Kind = TransferOutcome::Kind;

namespace {


} // namespace

CommandRunner::CommandRunner(const CommandLine &commandLine, QSettings *settings, std::FILE *err, QObject *parent)
    : QObject(parent)
    , m_commandLine(commandLine)
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
{
    connect(&m_form, &FormModel::changed, this, &CommandRunner::statusChanged);
    m_session.onByte = [this](int byte) {
        m_byte = byte;
        drawProgress();
    };
    // Ctrl+C, SIGTERM and SIGHUP end a transfer at its current wait with the port closed, as
    // closing the window does.
    connect(&m_termination, &Termination::requested, this, [this] { m_session.abort(); });
    m_form.Form_Load();
}

CommandRunner::~CommandRunner() = default;

int CommandRunner::run()
{
    switch (m_commandLine.command) {
    case CommandLine::Command::Write:
        return m_commandLine.series ? series() : write();
    case CommandLine::Command::Read:
        return read();
    case CommandLine::Command::Verify:
        return verify();
    case CommandLine::Command::Window:
        break;
    }
    return CommandLine::UsageError;
}

// --- The commands ----------------------------------------------------------------------------

int CommandRunner::openFile()
{
    switch (m_session.files().openFile(m_commandLine.file)) {
    case FileCommands::OpenOutcome::Loaded:
        return CommandLine::Done;
    case FileCommands::OpenOutcome::NoAccess:
        say(QStringLiteral("durvex-config: %1 cannot be read").arg(m_commandLine.file));
        return CommandLine::FileFailed;
    case FileCommands::OpenOutcome::Refused:
        break;
    }
    return CommandLine::FileFailed;
}

int CommandRunner::transferExit(const TransferOutcome &outcome) const
{
    if (const int signal = Termination::received())
        return Termination::exitCode(signal);
    switch (outcome.kind) {
    case Kind::Done:
        return CommandLine::Done;
    case Kind::WrongModel:
        return CommandLine::WrongModel;
    case Kind::Incomplete:
        return CommandLine::FileFailed;
    default:
        break;
    }
    return CommandLine::PanelFailed;
}

int CommandRunner::write()
{
    if (const int opened = openFile(); opened != CommandLine::Done)
        return opened;
    const int code = transferExit(m_session.WRITE_CONFIG_Click());
    endProgress();
    return code;
}

int CommandRunner::series()
{
    if (const int opened = openFile(); opened != CommandLine::Done)
        return opened;
    int panel = 1, programmed = 0, failed = 0, code = CommandLine::Done;
    for (;;) {
        say(QStringLiteral("PANEL %1: WRITING").arg(panel));
        code = transferExit(m_session.WRITE_CONFIG_Click());
        endProgress();
        if (code == CommandLine::Done) {
            ++programmed;
            say(QStringLiteral("PANEL %1: PROGRAMMED").arg(panel));
            ++panel;
            say(QStringLiteral("Connect panel %1 and press Enter, or end the input (Ctrl+D) when done.").arg(panel));
        } else {
            ++failed;
            say(QStringLiteral("PANEL %1: FAILED - %2").arg(panel).arg(m_form.status().text));
            if (Termination::received())
                break;
            say(QStringLiteral("Press Enter to try panel %1 again, or end the input (Ctrl+D) when done.").arg(panel));
        }
        if (!m_termination.readLine())
            break;
    }
    if (const int signal = Termination::received()) // at the prompt too
        code = Termination::exitCode(signal);
    say(QStringLiteral("SUMMARY: %1 PROGRAMMED, %2 FAILED").arg(programmed).arg(failed));
    return code;
}

int CommandRunner::read()
{
    m_saveTo = m_commandLine.output.isEmpty() ? FileCommands::proposedFileName(m_commandLine.name) : m_commandLine.output;
    // Where it will save is known before the panel is touched.
    const SaveTarget::Check target = SaveTarget::check(m_saveTo, m_commandLine.force);
    if (target.verdict == SaveTarget::Verdict::Exists) {
        say(QStringLiteral("durvex-config: %1 exists; --force replaces it").arg(m_saveTo));
        return CommandLine::FileFailed;
    }
    if (target.verdict != SaveTarget::Verdict::Ok) {
        say(QStringLiteral("durvex-config: cannot save to %1: %2").arg(m_saveTo, target.reason));
        return CommandLine::FileFailed;
    }
    const int code = transferExit(m_session.READ_CONFIG_Click());
    endProgress();
    if (code != CommandLine::Done)
        return code;
    m_form.setPanelName(m_commandLine.name);
    if (m_session.files().WRITE_FILE_Click() != FileCommands::SaveOutcome::Saved)
        return CommandLine::FileFailed;
    say(QStringLiteral("SAVED %1").arg(m_saveTo));
    return CommandLine::Done;
}

int CommandRunner::verify()
{
    if (const int opened = openFile(); opened != CommandLine::Done)
        return opened;
    // The values a write of the file would send.
    if (m_form.gather_config())
        return CommandLine::FileFailed;
    const PanelConfiguration::MemoryImage file = m_form.configuration().memoryImage();

    PanelConfiguration::MemoryImage panel{};
    const int code = transferExit(m_session.readImage(panel));
    endProgress();
    if (code != CommandLine::Done)
        return code;
    const QStringList lines = differences(panel, file);
    QString result;
    for (const QString &line : lines)
        result += line + QLatin1Char('\n');
    if (lines.isEmpty())
        result = QStringLiteral("THE SWITCH PANEL MATCHES %1\n").arg(m_commandLine.file);
    // A result that does not arrive is no result.
    if (QString reason; !StandardStreams::write(stdout, result.toLocal8Bit(), &reason)) {
        say(QStringLiteral("durvex-config: the result could not be written to standard output: %1").arg(reason));
        return CommandLine::FileFailed;
    }
    return lines.isEmpty() ? CommandLine::Done : CommandLine::Differs;
}

QStringList CommandRunner::differences(const PanelConfiguration::MemoryImage &panel,
                                       const PanelConfiguration::MemoryImage &file)
{
    QStringList lines;
    for (int address = 0; address < PanelConfiguration::byteCount; ++address)
        if (panel[address] != file[address])
            lines << QStringLiteral("%1: panel %2, file %3")
                         .arg(PanelConfiguration::name(address), describeByte(address, panel[address]),
                              describeByte(address, file[address]));
    return lines;
}

// --- Host ------------------------------------------------------------------------------------

void CommandRunner::messageBox(const QString &text, const QString &title)
{
    QString shown = text;
    shown.replace(QLatin1Char('\n'), QStringLiteral("\n  "));
    say(title.isEmpty() ? shown : title + QStringLiteral(": ") + shown);
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

void CommandRunner::say(const QString &line)
{
    clearProgress();
    std::fprintf(m_err, "%s\n", qPrintable(line));
    drawProgress();
    std::fflush(m_err);
}

// Each new text once, with its detail on the lines after it; a detail that grows under the
// same text adds its new lines.
void CommandRunner::statusChanged()
{
    const FormModel::Status &status = m_form.status();
    if (!status.visible || status.text.isEmpty())
        return;
    // The detail's further lines are indented, as a box's are.
    const auto indented = [](QString lines) { return lines.replace(QLatin1Char('\n'), QStringLiteral("\n  ")); };
    if (status.text != m_lastStatus) {
        say(indented(status.detail));
    } else if (status.detail != m_lastDetail) {
        const QString added = status.detail.section(QLatin1Char('\n'), 1);
        if (!added.isEmpty())
            say(QStringLiteral("  ") + indented(added));
    } else {
        return;
    }
    m_lastStatus = status.text;
    m_lastDetail = status.detail;
}

// On a terminal: the byte being transferred and the panel's state, redrawn in place.
void CommandRunner::drawProgress()
{
    if (!m_terminal || m_byte < 0)
        return;
    constexpr int width = 17;
    const int done = m_byte + 1;
    const QString bar = QString(done, QLatin1Char('#')) + QString(width - done, QLatin1Char('.'));
    const QString line = QStringLiteral("[%1] byte %2 of %3  %4")
                             .arg(bar, QStringLiteral("%1").arg(done, 2), QString::number(PanelConfiguration::byteCount),
                                  m_form.status().text.left(40));
    std::fprintf(m_err, "\r\033[K%s", qPrintable(TerminalWidth::fitted(line, TerminalWidth::columns(m_err))));
    std::fflush(m_err);
    m_progressShown = true;
}

void CommandRunner::clearProgress()
{
    if (!m_progressShown)
        return;
    std::fprintf(m_err, "\r\033[K");
    std::fflush(m_err);
    m_progressShown = false;
}

void CommandRunner::endProgress()
{
    clearProgress();
    m_byte = -1;
}
