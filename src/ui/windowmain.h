#pragma once

#include "cli/commandline.h"

#include <QElapsedTimer>

// The window's side of the program. It lives in a module of its own that the program loads
// only to show the window, so that the commands load none of Qt's widgets and GUI libraries:
// most of a command's own CPU time would go to loading them.
extern "C" Q_DECL_EXPORT int durvexWindowMain(const CommandLine &commandLine, char *programName,
                                              const QElapsedTimer &sinceStart);

// The module's file name, without the platform's suffix, and the name of its entry point.
inline constexpr char windowModuleName[] = "durvex-window";
inline constexpr char windowEntryPoint[] = "durvexWindowMain";
using WindowMain = int (*)(const CommandLine &, char *, const QElapsedTimer &);
