// The one write to a standard stream, the same on every system: the systems differ only in
// how a stream is guarded (standardstreams.cpp, standardstreams_win.cpp).
#include "standardstreams.h"

#include <QString>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace StandardStreams {

#ifdef Q_OS_UNIX
namespace {

// Where the text begins when it is appended to a regular file: the file's end, or -1 where
// it goes elsewhere (a pipe, a terminal, the middle of a file).
off_t appendedAt(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    const off_t position = ::lseek(fd, 0, SEEK_CUR);
    return (::fcntl(fd, F_GETFL) & O_APPEND) || position == st.st_size ? st.st_size : -1;
}

// A line torn by a full disk is taken back, so that a reader of JSON lines finds none;
// only where the file's end is still where the torn part ends, so that nothing another
// writer added since is lost.
void cutBack(int fd, off_t start, qint64 written)
{
    struct stat st {};
    if (start < 0 || written <= 0 || ::fstat(fd, &st) != 0 || st.st_size != start + written)
        return;
    if (::ftruncate(fd, start) == 0)
        ::lseek(fd, start, SEEK_SET);
}

} // namespace
#endif

bool write(std::FILE *stream, const QByteArray &text, QString *reason)
{
    std::fflush(stream); // what went out through the stream goes first
    if (const std::optional<bool> done = writeConsole(stream, text)) {
        if (!*done && reason)
            *reason = QStringLiteral("the console refused the text");
        return *done;
    }
    errno = 0;
#ifdef Q_OS_UNIX
    // Past stdio's buffer, which would keep a torn line's rest and write it later: what
    // reached the file is known to the byte.
    int error = std::fflush(stream) == 0 ? 0 : errno;
    const int fd = ::fileno(stream);
    const off_t start = error ? -1 : appendedAt(fd);
    qint64 written = 0;
    while (!error && written < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + written, size_t(text.size() - written));
        if (n > 0)
            written += n;
        else if (n < 0 && errno != EINTR)
            error = errno;
        else if (n == 0)
            error = ENOSPC; // a write that takes nothing: no room
    }
    if (!error)
        return true;
    cutBack(fd, start, written);
    if (reason)
        *reason = qt_error_string(error);
    return false;
#else
    const bool written = std::fwrite(text.constData(), 1, size_t(text.size()), stream) == size_t(text.size())
                         && std::fflush(stream) == 0;
    if (!written && reason)
        *reason = qt_error_string(errno);
    return written;
#endif
}

} // namespace StandardStreams
