#pragma once

#include <QString>

// The folders the system keeps for itself: on Linux the kernel's /proc and /sys and the
// devices' /dev. No configuration file lives there, and a file dialog that starts in one can
// hang on reading what it lists (/proc/kmsg blocks), so no dialog starts there.
namespace SystemFolders {

// Whether the path lies in one of them, as written or once its links are followed.
bool contains(const QString &path);

} // namespace SystemFolders
