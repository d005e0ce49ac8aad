#pragma once

#include "cli/toolcommand.h"

class CommandStage;

// check: a file opened as a write would open it, touching no port.
class CheckCommand : public ToolCommand
{
public:
    explicit CheckCommand(CommandStage &stage) : ToolCommand(CommandLine::Command::Check), m_stage(stage) {}

    RunResult run() override;

private:
    CommandStage &m_stage;
};
