#include "commandrunner.h"

#include "cli/checkcommand.h"
#include "cli/commandstage.h"
#include "cli/diffcommand.h"
#include "cli/portscommand.h"
#include "cli/readcommand.h"
#include "cli/reportcommand.h"
#include "cli/verifycommand.h"
#include "cli/writecommand.h"

#include <memory>

using Command = CommandLine::Command;

namespace {

template<typename T>
std::unique_ptr<ToolCommand> make(CommandStage &stage)
{
    return std::make_unique<T>(stage);
}

// The commands that run in an application object.
const std::pair<Command, std::unique_ptr<ToolCommand> (*)(CommandStage &)> commands[] = {
    {Command::Write, &make<WriteCommand>}, {Command::Verify, &make<VerifyCommand>},
    {Command::Read, &make<ReadCommand>},   {Command::Check, &make<CheckCommand>},
    {Command::Diff, &make<DiffCommand>},   {Command::Ports, &make<PortsCommand>},
    {Command::Report, &make<ReportCommand>},
};

} // namespace

CommandRunner::CommandRunner(const CommandLine &commandLine, QSettings *settings, std::FILE *err)
    : m_commandLine(commandLine)
    , m_settings(settings)
    , m_err(err)
{
}

int CommandRunner::run()
{
    CommandStage stage(m_commandLine, m_settings, m_err);
    std::unique_ptr<ToolCommand> command;
    for (const auto &[named, made] : commands)
        if (named == m_commandLine.command)
            command = made(stage);
    if (!command)
        return stage.finished({.refusal = RunResult::Refusal::Usage}).exitCode();
    // The log, and with it the run's summary, before any panel is touched.
    if (m_commandLine.command != Command::Ports && m_commandLine.command != Command::Report && !stage.openLog())
        return stage.finished({.refusal = RunResult::Refusal::File}).exitCode();
    return stage.finished(command->run()).exitCode();
}
