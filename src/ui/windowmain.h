#pragma once

#include <QElapsedTimer>
#include <QString>

// The window's side of the program. It lives in a module of its own that the program loads
// only to show the window, so that the commands load none of Qt's widgets and GUI libraries:
// most of a command's own CPU time would go to loading them.

// What the window starts with, taken from the command line and the environment by the
// program.
struct WindowStart
{
    QString port;            // --port
    QString environmentPort; // DURVEX_PORT, when no --port
    QString trace;           // --trace, else DURVEX_TRACE
    QString file;            // the file to open once the window is shown
};

extern "C" Q_DECL_EXPORT int durvexWindowMain(const WindowStart &start, char *programName,
                                              const QElapsedTimer &sinceStart);

// The module's file name, without the platform's suffix, and the name of its entry point.
inline constexpr char windowModuleName[] = "durvex-window";
inline constexpr char windowEntryPoint[] = "durvexWindowMain";
using WindowMain = int (*)(const WindowStart &, char *, const QElapsedTimer &);
