#include "regularfile.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace RegularFile {
namespace {

Status open(const QString &path, bool append, QFile &file)
{
    const QIODevice::OpenMode mode = append ? QIODevice::WriteOnly | QIODevice::Append : QIODevice::ReadOnly;
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return Status::NotRegular;
    } else if (errno == EACCES) {
        return Status::NoAccess;
    } else if (!append) {
        return Status::Missing;
    }
    // Non-blocking, and checked again once open: the path may have changed in between. An
    // appender may read too where the file allows it, to see how the file ends.
    constexpr int always = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = ::open(name.constData(), (append ? O_RDWR | O_APPEND | O_CREAT : O_RDONLY) | always, 0644);
    if (fd < 0 && append && errno == EACCES)
        fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | always, 0644);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return Status::Missing;
        // A FIFO with no reader, a device that is not there, a socket: not a file at all.
        // Anything else (a name too long, no room, no descriptor left) is the system's own
        // reason, kept in errno.
        return errno == ENXIO || errno == ENODEV || errno == EOPNOTSUPP ? Status::NotRegular : Status::NoAccess;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Status::NotRegular;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Status::NoAccess;
    }
    return Status::Ok;
#else
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return Status::NotRegular;
    if (!info.exists() && !append)
        return Status::Missing;
    file.setFileName(path);
    return file.open(mode) ? Status::Ok : Status::NoAccess;
#endif
}

} // namespace

Status openForReading(const QString &path, QFile &file)
{
    return open(path, false, file);
}

Status openForAppending(const QString &path, QFile &file)
{
    return open(path, true, file);
}

std::optional<QString> readProblem(const QString &path)
{
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        return qt_error_string(errno);
    if (S_ISDIR(st.st_mode))
        return qt_error_string(EISDIR);
    if (!S_ISREG(st.st_mode))
        return std::nullopt;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return qt_error_string(errno);
    ::close(fd);
    return std::nullopt;
#else
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("No such file or directory");
    if (info.isDir())
        return QStringLiteral("Is a directory");
    QFile file(path);
    if (info.isFile() && !file.open(QIODevice::ReadOnly))
        return file.errorString();
    return std::nullopt;
#endif
}

} // namespace RegularFile
