#pragma once

#include "cli/commandline.h"

#include <cstdio>

class QSettings;

// Runs the command the command line names, in an application object with no display, and
// returns its exit code.
class CommandRunner
{
public:
    // `settings` holds the port last chosen in the window.
    CommandRunner(const CommandLine &commandLine, QSettings *settings, std::FILE *err = stderr);

    int run();

private:
    CommandLine m_commandLine;
    QSettings *m_settings;
    std::FILE *m_err;
};
