#include "programfolder.h"

#include <QFileInfo>

namespace ProgramFolder {

QString path(const char *argv0)
{
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    if (self.exists())
        return QFileInfo(self.canonicalFilePath()).absolutePath();
    return QFileInfo(QString::fromLocal8Bit(argv0)).absolutePath();
}

} // namespace ProgramFolder
