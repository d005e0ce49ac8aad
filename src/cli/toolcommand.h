#pragma once

#include "cli/commandline.h"
#include "line/runresult.h"

#include <QString>
#include <QStringList>

// One command of the command line: its name, its usage and options as its help gives them,
// and its run, which ends in a result the exit code is decided from.
class ToolCommand
{
public:
    explicit ToolCommand(CommandLine::Command command) : m_command(command) {}
    virtual ~ToolCommand() = default;

    virtual QString name() const { return CommandLine::commandName(m_command); }
    virtual QString usage() const { return CommandLine::usage(m_command); }
    virtual QStringList options() const { return CommandLine::options(m_command); }

    virtual RunResult run() = 0;

protected:
    CommandLine::Command m_command;
};
