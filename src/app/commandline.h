#pragma once

#include <QString>
#include <QStringList>

// The program's command line, read before any application object exists, so that --help,
// --version and usage errors need no display.
struct CommandLine
{
    enum class Action { Run, Help, Version, UsageError };

    Action action = Action::Run;
    QString port;  // --port
    QString file;  // a configuration file to open
    QString error; // one line, for a usage error

    static CommandLine parse(const QStringList &arguments);
    static QString helpText();
    static QString versionText();

    // Exit code of a usage error (EX_USAGE).
    static constexpr int usageExitCode = 64;
};
