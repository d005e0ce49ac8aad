#pragma once

#include <QStringList>

#include <optional>

// The program's arguments where the system keeps them as text. Windows gives a program its
// command line in UTF-16, and argv only in the ANSI code page, where a file name outside that
// code page ("Λ.zcf" on a Western machine) arrives as question marks; elsewhere argv's bytes
// are the arguments.
namespace SystemArguments {

// The arguments, the program's own name first, on a system that keeps them as text; nothing
// where argv is to be read.
std::optional<QStringList> text();

} // namespace SystemArguments
