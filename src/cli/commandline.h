#pragma once

#include <QString>
#include <QStringList>

// The program's command line, read before any application object exists, so that --help,
// --version, usage errors and the commands need no display.
//
//   durvex-config [--port NAME] [FILE.zcf]                  the window
//   durvex-config write FILE [--series]                     program panels from a file
//   durvex-config read --name NAME [-o FILE] [--force]      read a panel into a file
//   durvex-config verify FILE                               compare a panel with a file
struct CommandLine
{
    enum class Action { Run, Help, Version, UsageError };
    enum class Command { Window, Write, Read, Verify };

    Action action = Action::Run;
    Command command = Command::Window;
    QString port;   // --port
    QString trace;  // --trace, else DURVEX_TRACE
    QString environmentPort; // DURVEX_PORT
    QString file;   // the configuration file to open, write or verify
    bool series = false;
    QString name;   // read: the panel name
    QString output; // read: -o
    bool force = false;
    QString error;  // one line, for a usage error

    static CommandLine parse(const QStringList &arguments);
    static QString helpText();
    static QString versionText();

    // Exit codes.
    enum ExitCode {
        Done = 0,         // programmed; read and saved; matches; the window was closed
        PanelFailed = 1,  // the panel could not be reached or the transfer failed
        WrongModel = 2,   // the panel is not a supported model
        Differs = 3,      // verify found differences
        FileFailed = 4,   // the file was refused, could not be read or saved; the result could not be written
        UsageError = 64,  // EX_USAGE
        NoDisplay = 69,   // EX_UNAVAILABLE: the window found no display
        HungUp = 129,     // SIGHUP
        Interrupted = 130, // Ctrl+C
        Terminated = 143  // SIGTERM
    };
};
