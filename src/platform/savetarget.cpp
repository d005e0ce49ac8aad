#include "savetarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace SaveTarget {
namespace {

#ifdef Q_OS_UNIX
QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO");
    if (S_ISCHR(mode))
        return QStringLiteral("a character device");
    if (S_ISBLK(mode))
        return QStringLiteral("a block device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("not a regular file");
}
#endif

// Makes and removes a file in the folder: only the system knows whether it may be written
// (permissions, a read-only or full file system, a place such as /proc).
QString folderUnwritable(const QString &folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".durvex-config-XXXXXX")));
    if (probe.open())
        return {};
    return probe.errorString();
}

} // namespace

QString notAFile(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return {};
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("it is a folder");
    return QStringLiteral("it is %1, not a regular file, and is left as it is").arg(kindOf(st.st_mode));
#else
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("it is a folder");
    return info.exists() && !info.isFile() ? QStringLiteral("it is not a regular file, and is left as it is") : QString();
#endif
}

Check check(const QString &path, bool replace)
{
    const QFileInfo target(path);
    const QString folder = target.absolutePath();
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return {Verdict::Folder, QStringLiteral("it is a folder")};
        if (!S_ISREG(st.st_mode))
            return {Verdict::NotRegular, notAFile(path)};
        if (!replace)
            return {Verdict::Exists, QStringLiteral("it exists")};
        // A file that may be written in a folder that may not is saved over in place.
        if (!folderUnwritable(QFileInfo(target.canonicalFilePath()).absolutePath()).isEmpty()
            && ::access(name.constData(), W_OK) != 0)
            return {Verdict::Unwritable, QStringLiteral("neither it nor its folder may be written")};
        return {};
    }
    const int error = errno;
    if (error == ENAMETOOLONG)
        return {Verdict::NameTooLong, QStringLiteral("the name is too long")};
    if (error != ENOENT)
        return {error == ENOTDIR ? Verdict::MissingFolder : Verdict::Unwritable, qt_error_string(error)};
    struct stat parent {};
    if (::stat(QFile::encodeName(folder).constData(), &parent) != 0 || !S_ISDIR(parent.st_mode))
        return {Verdict::MissingFolder, QStringLiteral("there is no folder %1").arg(folder)};
#else
    if (target.isDir())
        return {Verdict::Folder, QStringLiteral("it is a folder")};
    if (target.exists()) {
        if (!target.isFile())
            return {Verdict::NotRegular, notAFile(path)};
        if (!replace)
            return {Verdict::Exists, QStringLiteral("it exists")};
        return {};
    }
    if (!QFileInfo(folder).isDir())
        return {Verdict::MissingFolder, QStringLiteral("there is no folder %1").arg(folder)};
#endif
    if (const QString why = folderUnwritable(folder); !why.isEmpty())
        return {Verdict::Unwritable, QStringLiteral("the folder %1 cannot be written: %2").arg(folder, why)};
    return {};
}

} // namespace SaveTarget
