#pragma once

#include <QFile>
#include <QString>
#include <optional>

// Opening a path only when it is a regular file. A FIFO or a device named where a file is
// expected would block the window's thread in open() or read() for good; these calls look
// first and open without blocking, so nothing but a regular file is ever read or written.
namespace RegularFile {

// NoAccess: the system refused it (permission, a name too long, no room ...); errno holds
// its reason once a call has returned it.
enum class Status { Ok, Missing, NotRegular, NoAccess };

Status openForReading(const QString &path, QFile &file);
// Appends to the file, creating it when it does not exist; its descriptor also reads where
// the file's permissions allow.
Status openForAppending(const QString &path, QFile &file);

// Why a path that should name a file cannot be read, in the system's words ("No such file
// or directory", "Permission denied", "Is a directory"); nothing for a regular file that
// opens, and nothing for a FIFO or device, which openForReading() refuses by itself.
std::optional<QString> readProblem(const QString &path);

} // namespace RegularFile
