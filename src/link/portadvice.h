#pragma once

#include "serialline.h"

#include <QList>
#include <QSerialPort>
#include <QString>

#include <optional>

// What to tell the user when a serial port cannot be opened. The advice is worked out from
// plain facts about the device and the user, gathered apart, so that every case can be tried
// without the device and without giving up root, which passes every permission check.
namespace PortAdvice {

// The path Qt opens for a port name: a bare name such as "ttyUSB0" or "pts/4" lies in /dev,
// not in the current folder.
QString systemLocation(const QString &portName);

// What the system says of that path, links followed.
struct Device
{
    enum class State { Present, Missing, Folder, LinkLoop, Unknown };
    State state = State::Unknown;
    int error = 0;                    // why it could not be looked at (errno)
    bool characterDevice = false;
    bool controllingTerminal = false; // /dev/tty: the terminal the program runs in, whichever
    bool accessible = false;          // this process may read and write it
    quint32 mode = 0;                 // type and permissions, as st_mode
    QString owner, group;             // names, or numbers where there are none
    uint groupId = 0;
};

// The groups that count: those the process runs with now, and those the account database
// gives the user, which the next login will have.
struct User
{
    QList<uint> processGroups;
    QList<uint> accountGroups;
};

// With forAdvice, also whether the process may use it and the names of its owner and group
// (account lookups, needed only once an open has failed).
Device examine(const QString &location, bool forAdvice = true);
User currentUser();

// A name that leads to no serial port at all is refused before Qt is asked, so no lock file
// is made for it and its existence counts before the lock's.
std::optional<SerialLine::OpenFailure> beforeOpen(const Device &device);

// What Qt's failure to open an existing device means for the user. `systemError` is the
// system's error (errno) at the failure, where known: Qt reports a lock file it could not
// make for want of descriptors as a lock held by another program.
SerialLine::OpenFailure afterOpen(const Device &device, const User &user, QSerialPort::SerialPortError error,
                                  const QString &reason, int systemError = 0);

// The type and permissions as ls shows them: "crw-rw----".
QString modeText(quint32 mode);

} // namespace PortAdvice
