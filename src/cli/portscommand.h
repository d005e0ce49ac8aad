#pragma once

#include "cli/toolcommand.h"

class CommandStage;

// ports: the serial ports the system offers, and the one a command would use.
class PortsCommand : public ToolCommand
{
public:
    explicit PortsCommand(CommandStage &stage) : ToolCommand(CommandLine::Command::Ports), m_stage(stage) {}

    RunResult run() override;

private:
    CommandStage &m_stage;
};
