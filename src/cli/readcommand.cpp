#include "readcommand.h"

#include "cli/commandstage.h"
#include "files/configrecord.h"
#include "platform/exitcode.h"
#include "platform/savetarget.h"
#include "platform/standardstreams.h"
#include "session/filecommands.h"

RunResult ReadCommand::run()
{
    const CommandLine &commandLine = m_stage.commandLine();
    const bool toOutput = commandLine.output == QLatin1String("-");
    const QString saveTo =
        commandLine.output.isEmpty() ? FileCommands::proposedFileName(commandLine.name) : commandLine.output;
    PanelAttempt attempt;
    attempt.command = QStringLiteral("read");
    attempt.port = m_stage.session().line().portName();
    attempt.position = commandLine.labels.value(0, attempt.port);
    attempt.file = saveTo;
    attempt.panelId = commandLine.panelId;
    // Where it will save is known before the panel is touched.
    if (const SaveTarget::Check target = SaveTarget::check(saveTo, commandLine.force);
        !toOutput && target.verdict != SaveTarget::Verdict::Ok) {
        attempt.exitCode = ExitCode::FileFailed;
        attempt.detail = target.verdict == SaveTarget::Verdict::Exists
            ? QStringLiteral("%1 exists; --force replaces it").arg(saveTo)
            : QStringLiteral("cannot save to %1: %2").arg(saveTo, target.reason);
        m_stage.say(QStringLiteral("durvex-config: ") + attempt.detail, true);
        return m_stage.settled({{attempt.position, attempt.port, attempt.panelId}}, attempt);
    }
    // The panel is read on the line as a write's or a verify's is, at one position; what it
    // brought is taken into the form and saved before its attempt is told.
    FormModel &form = m_stage.form();
    LineSettings::Work work;
    work.read = true;
    work.file = saveTo;
    work.finish = [&](PanelAttempt &attempt, const PanelConfiguration::MemoryImage &image) {
        attempt.adjusted.reset();
        if (const int signal = Termination::received()) { // also after the last byte
            attempt.exitCode = Termination::exitCode(signal);
            attempt.reason = AttemptReason::ofSignal(signal);
        }
        if (attempt.exitCode != ExitCode::Done)
            return;
        form.setPanelName(QString());
        for (int address = 0; address < PanelConfiguration::byteCount; ++address)
            form.applyReadByte(address, image[address]);
        form.show_switch_view(true);
        form.setPanelName(commandLine.name);
        // The window's rules hold for what the panel brought: said plainly where they changed it.
        attempt.adjusted = form.adjustments();
        m_stage.sayAdjusted(*attempt.adjusted, true);
        if (toOutput) {
            const FormModel::Gathering gathering = form.gather();
            if (!gathering.complete()) {
                attempt.exitCode = ExitCode::FileFailed;
                attempt.detail = m_stage.incomplete(gathering.missing);
            } else {
                const QByteArray line = ConfigRecord::of(gathering.configuration).toLine();
                if (QString reason; !StandardStreams::write(stdout, line, &reason)) {
                    attempt.exitCode = ExitCode::FileFailed;
                    attempt.detail = QStringLiteral("standard output could not be written: %1").arg(reason);
                    m_stage.say(QStringLiteral("durvex-config: ") + attempt.detail, true);
                }
                m_stage.hashBytes(line);
            }
        } else if (const FileOutcome saved = m_stage.session().save(saveTo); !saved.done()) {
            attempt.exitCode = ExitCode::FileFailed;
            const std::optional<StatusTexts::Box> box = StatusTexts::fileBox(saved);
            attempt.detail = box ? m_stage.printBox(*box) : form.status().detail;
        } else {
            m_stage.say(QStringLiteral("SAVED %1").arg(saveTo));
            m_stage.hashFile(saveTo);
        }
        if (attempt.exitCode == ExitCode::Done)
            attempt.configuration = form.configuration();
    };
    return m_stage.runLine({{attempt.position, attempt.port, attempt.panelId}}, work);
}
