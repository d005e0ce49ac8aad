#pragma once

#include "cli/toolcommand.h"

class CommandStage;

// diff: what a write of each of two files sends, compared, touching no port.
class DiffCommand : public ToolCommand
{
public:
    explicit DiffCommand(CommandStage &stage) : ToolCommand(CommandLine::Command::Diff), m_stage(stage) {}

    RunResult run() override;

private:
    CommandStage &m_stage;
};
