#pragma once

#include <QString>

// Where a save is to go, looked at before anything is written. A save writes a new file and
// renames it over the old one: that would put a plain file in place of a FIFO or a device
// node, so only a regular file (or a link to one) is ever replaced.
namespace SaveTarget {

enum class Verdict { Ok, Exists, Folder, NotRegular, MissingFolder, NameTooLong, Unwritable };

struct Check
{
    Verdict verdict = Verdict::Ok;
    QString reason; // why not, in the system's manner: "it is a folder"
};

// Why the path may not be replaced at all (a folder, a FIFO, a device, a socket), or nothing.
QString notAFile(const QString &path);

// Everything a save to the path would meet, for a command that must know before it starts:
// the place (a missing folder, a name too long, a folder that cannot be written), and with
// replace false an existing file. Tried without leaving anything behind.
Check check(const QString &path, bool replace);

} // namespace SaveTarget
