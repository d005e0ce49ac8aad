#include "commandrunner.h"

#include "files/configrecord.h"
#include "files/savetarget.h"
#include "link/portchoice.h"
#include "platform/standardstreams.h"
#include "terminalwidth.h"

#include <QCoreApplication>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using Outcome = PanelTransfer::Outcome;

namespace {

// An address code as the window shows it.
QString assignment(int code)
{
    if (code >= 0 && code < 160)
        return QStringLiteral("module %1 channel %2")
            .arg(QLatin1String(moduleList[code / 10 + 1].text), QLatin1String(channelList[code % 10].text));
    return code == 160 ? QStringLiteral("N/A") : QStringLiteral("N/A (code %1)").arg(code);
}

// An intensity code as the window shows it: a code with no entry shows "100".
QString intensity(int code)
{
    const int position = intensityPosition(code);
    if (position >= 0)
        return QStringLiteral("%1 %").arg(QLatin1String(intensityList[position].text));
    return QStringLiteral("100 % (code %1)").arg(code);
}

} // namespace

CommandRunner::CommandRunner(const CommandLine &commandLine, std::FILE *err, QObject *parent)
    : QObject(parent)
    , m_commandLine(commandLine)
    , m_err(err)
#ifdef Q_OS_UNIX
    , m_terminal(::isatty(::fileno(err)))
#else
    , m_terminal(false)
#endif
    , m_form(*this)
    , m_line(PortChoice::forThisRun(commandLine.port))
    , m_link(m_form, m_line)
    , m_transfer(m_form, m_link)
    , m_files(m_form)
{
    connect(&m_form, &FormModel::changed, this, &CommandRunner::statusChanged);
    m_transfer.onByte = [this](int byte) {
        m_byte = byte;
        drawProgress();
    };
    // Ctrl+C, SIGTERM and SIGHUP end a transfer at its current wait with the port closed, as
    // closing the window does.
    connect(&m_termination, &Termination::requested, this, [this] { m_link.abort(); });
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
    switch (m_files.openFile(m_commandLine.file)) {
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

int CommandRunner::transferExit(Outcome outcome) const
{
    if (const int signal = Termination::received())
        return Termination::exitCode(signal);
    switch (outcome) {
    case Outcome::Done:
        return CommandLine::Done;
    case Outcome::WrongModel:
        return CommandLine::WrongModel;
    case Outcome::Incomplete:
        return CommandLine::FileFailed;
    case Outcome::Failed:
    case Outcome::Aborted:
        break;
    }
    return CommandLine::PanelFailed;
}

int CommandRunner::write()
{
    if (const int opened = openFile(); opened != CommandLine::Done)
        return opened;
    const int code = transferExit(m_transfer.WRITE_CONFIG_Click());
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
        code = transferExit(m_transfer.WRITE_CONFIG_Click());
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
    const int code = transferExit(m_transfer.READ_CONFIG_Click());
    endProgress();
    if (code != CommandLine::Done)
        return code;
    m_form.setPanelName(m_commandLine.name);
    if (m_files.WRITE_FILE_Click() != FileCommands::SaveOutcome::Saved)
        return CommandLine::FileFailed;
    say(QStringLiteral("SAVED %1").arg(m_saveTo));
    return CommandLine::Done;
}

int CommandRunner::verify()
{
    if (const int opened = openFile(); opened != CommandLine::Done)
        return opened;
    // The values a write of the file would send.
    PanelConfig &cfg = m_form.config();
    cfg.error_flag = 0;
    m_form.gather_config();
    if (cfg.error_flag != 0)
        return CommandLine::FileFailed;
    PanelTransfer::Bytes file{};
    for (int address = 0; address < PanelTransfer::byteCount; ++address)
        file[address] = cfg.*PanelTransfer::byteField(address);

    PanelTransfer::Bytes panel{};
    const int code = transferExit(m_transfer.readBytes(panel));
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

QStringList CommandRunner::differences(const PanelTransfer::Bytes &panel, const PanelTransfer::Bytes &file)
{
    QStringList lines;
    for (int i = 0; i < int(assignmentItems.size()); ++i)
        if (panel[i] != file[i])
            lines << QStringLiteral("%1: panel %2, file %3")
                         .arg(QLatin1String(assignmentItems[i].name), assignment(panel[i]), assignment(file[i]));
    for (const IntensityItem &item : intensityItems)
        if (panel[item.address] != file[item.address])
            lines << QStringLiteral("%1: panel %2, file %3")
                         .arg(QLatin1String(item.caption), intensity(panel[item.address]), intensity(file[item.address]));
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

void CommandRunner::pumpEvents(bool waitForMore)
{
    QCoreApplication::processEvents(waitForMore ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
}

// --- Output ----------------------------------------------------------------------------------

void CommandRunner::say(const QString &line)
{
    clearProgress();
    std::fprintf(m_err, "%s\n", qPrintable(line));
    drawProgress();
    std::fflush(m_err);
}

void CommandRunner::statusChanged()
{
    const FormModel::Status &status = m_form.status();
    if (!status.visible || status.text.isEmpty() || status.text == m_lastStatus)
        return;
    m_lastStatus = status.text;
    say(status.detail);
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
                             .arg(bar, QStringLiteral("%1").arg(done, 2), QString::number(PanelTransfer::byteCount),
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
