#include "diffcommand.h"

#include "cli/commandstage.h"
#include "cli/filediff.h"

RunResult DiffCommand::run()
{
    const CommandLine &commandLine = m_stage.commandLine();
    FileDiff diff(commandLine.file, commandLine.otherFile, commandLine.json,
                  [this](const QByteArray &line) { m_stage.board().print(line); },
                  [this](const QString &line, bool failure) { m_stage.say(line, failure); });
    // The comparison is the run's one attempt.
    return {.attempts = {diff.run()}};
}
