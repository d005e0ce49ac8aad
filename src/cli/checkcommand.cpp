#include "checkcommand.h"

#include "cli/commandstage.h"
#include "model/selectortables.h"
#include "platform/exitcode.h"

namespace {

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

RunResult CheckCommand::run()
{
    const CommandLine &commandLine = m_stage.commandLine();
    PanelAttempt attempt;
    attempt.command = QStringLiteral("check");
    attempt.file = commandLine.file;
    attempt.exitCode = m_stage.openFile();
    attempt.detail = m_stage.fileProblem();
    if (attempt.exitCode == ExitCode::Done) {
        attempt.adjusted = m_stage.form().adjustments();
        m_stage.sayAdjusted(*attempt.adjusted, false);
        const FormModel::Gathering gathering = m_stage.form().gather();
        if (!gathering.complete()) {
            attempt.exitCode = ExitCode::FileFailed;
            attempt.detail = m_stage.incomplete(gathering.missing);
        } else {
            attempt.configuration = gathering.configuration;
            // What it holds, unless standard output carries JSON alone.
            if (!commandLine.json)
                m_stage.board().print(PanelAttempt::table(gathering.configuration).join(QLatin1Char('\n')).toUtf8());
            attempt.warnings = unlistedCodes(*attempt.adjusted);
            for (const PanelAttempt::Warning &warning : std::as_const(*attempt.warnings))
                m_stage.say(QStringLiteral("warning: ") + PanelAttempt::describe(warning), true);
            attempt.detail = attempt.warnings->isEmpty()
                ? QStringLiteral("%1 IS READY TO WRITE").arg(commandLine.file)
                : QStringLiteral("%1 CAN BE WRITTEN, BUT %2 OF ITS CODES ARE IN NO LIST: A WRITE SENDS WHAT THE WINDOW "
                                 "SHOWS FOR THEM")
                      .arg(commandLine.file, QString::number(attempt.warnings->size()));
            m_stage.say(attempt.detail);
        }
    }
    return m_stage.settled({{}}, attempt);
}
