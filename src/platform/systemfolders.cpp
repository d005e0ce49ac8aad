#include "systemfolders.h"

#include <QDir>
#include <QFileInfo>

namespace SystemFolders {

namespace {

bool under(const QString &path)
{
#ifdef Q_OS_LINUX
    for (const char *root : {"/proc", "/sys", "/dev"}) {
        const QString folder = QString::fromLatin1(root);
        if (path == folder || path.startsWith(folder + QLatin1Char('/')))
            return true;
    }
#else
    Q_UNUSED(path);
#endif
    return false;
}

} // namespace

bool contains(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (under(absolute))
        return true;
    // A link elsewhere that leads there counts as there: the folder the dialog would list.
    const QString canonical = QFileInfo(QFileInfo(absolute).path()).canonicalFilePath();
    return !canonical.isEmpty() && under(canonical);
}

} // namespace SystemFolders
