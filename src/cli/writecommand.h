#pragma once

#include "cli/toolcommand.h"

class CommandStage;

// write: the file's values to the panel on each port given, all at once, on the line once,
// in a series at Enter, or hands-free.
class WriteCommand : public ToolCommand
{
public:
    explicit WriteCommand(CommandStage &stage, CommandLine::Command command = CommandLine::Command::Write);

    RunResult run() override;

protected:
    CommandStage &m_stage;
};
