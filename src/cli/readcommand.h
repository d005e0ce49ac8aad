#pragma once

#include "cli/toolcommand.h"

class CommandStage;

// read: the panel read and saved with a panel name, to a file or standard output.
class ReadCommand : public ToolCommand
{
public:
    explicit ReadCommand(CommandStage &stage) : ToolCommand(CommandLine::Command::Read), m_stage(stage) {}

    RunResult run() override;

private:
    CommandStage &m_stage;
};
