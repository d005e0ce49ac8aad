#pragma once

#include <QString>

// The folder the running program's file lies in, links followed, found before any
// application object exists; `argv0` serves where the system cannot say.
namespace ProgramFolder {

QString path(const char *argv0);

} // namespace ProgramFolder
