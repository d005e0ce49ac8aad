#pragma once

#include "cli/toolcommand.h"

// What the command line says of itself, with no application object and no display: the
// program's help or a command's, the version, or why the arguments were refused.
class HelpCommand : public ToolCommand
{
public:
    explicit HelpCommand(const CommandLine &commandLine) : ToolCommand(commandLine.command), m_commandLine(commandLine) {}

    QString name() const override { return QStringLiteral("help"); }
    QString usage() const override { return QStringLiteral("help [COMMAND]"); }
    QStringList options() const override { return {}; }

    RunResult run() override;

private:
    CommandLine m_commandLine;
};
