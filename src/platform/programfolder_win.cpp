#include "programfolder.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>

namespace ProgramFolder {

QString path(const char *argv0)
{
    wchar_t name[32768];
    const DWORD length = ::GetModuleFileNameW(nullptr, name, DWORD(std::size(name)));
    if (length == 0 || length >= std::size(name))
        return QFileInfo(QString::fromLocal8Bit(argv0)).absolutePath();
    return QFileInfo(QDir::fromNativeSeparators(QString::fromWCharArray(name, int(length)))).absolutePath();
}

} // namespace ProgramFolder
