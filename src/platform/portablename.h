#pragma once

#include <QString>

// File names this program proposes, made so that they can be saved on Windows and carried
// there from any other system: configuration files travel between workshop machines.
namespace PortableName {

// The name with the characters Windows refuses in a file name made '-', trailing dots and
// spaces (which Windows drops) taken off, and a device name (CON, NUL, COM1 ...) before the
// first dot followed by '-' so that the name means a file. A name left empty becomes "-".
QString fileName(const QString &name);

} // namespace PortableName
