#include "sharedlogfile.h"

#include "regularfile.h"
#include "warnings.h"

#include <QScopeGuard>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

qint64 systemWrite(int fd, const char *data, qint64 size)
{
#ifdef Q_OS_UNIX
    return ::write(fd, data, size_t(size));
#else
    Q_UNUSED(fd) Q_UNUSED(data) Q_UNUSED(size)
    return -1; // elsewhere the file is written through Qt
#endif
}

QString openProblem(RegularFile::Status status, const QFile &file)
{
    switch (status) {
    case RegularFile::Status::Ok:
        break;
    case RegularFile::Status::Missing:
        return qt_error_string(ENOENT);
    case RegularFile::Status::NotRegular:
        return QStringLiteral("not a regular file");
    case RegularFile::Status::NoAccess:
        return errno ? qt_error_string(errno) : file.errorString();
    }
    return {};
}

#ifdef Q_OS_UNIX
// The file's exclusive lock: 0, the system's reason, or -1 where the file system has none
// (the file is written without).
int lockFile(int fd)
{
    int error;
    while ((error = ::flock(fd, LOCK_EX) == 0 ? 0 : errno) == EINTR) {
    }
    return error == ENOLCK || error == EOPNOTSUPP || error == EINVAL ? -1 : error;
}

// Whether the name still leads to the open file.
bool stillNamed(int fd, const QString &path)
{
    struct stat open {}, named {};
    return ::fstat(fd, &open) == 0 && ::stat(QFile::encodeName(path).constData(), &named) == 0
        && open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}
#endif

} // namespace

SharedLogFile::SharedLogFile(Writer writer)
    : m_write(writer ? std::move(writer) : Writer(systemWrite))
{
}

SharedLogFile::~SharedLogFile() = default;

bool SharedLogFile::open(const QString &path, QString *reason)
{
    m_path = path;
    auto file = std::make_unique<QFile>();
    errno = 0;
    const RegularFile::Status status = RegularFile::openForAppending(path, *file);
    if (status != RegularFile::Status::Ok) {
        *reason = openProblem(status, *file);
        return false;
    }
    m_file = std::move(file);
    m_opened = false;
    m_end = -1;
    return true;
}

#ifdef Q_OS_UNIX
int SharedLogFile::lockCurrent()
{
    int error = lockFile(m_file->handle());
    // Checked again once locked: another appender may have made the new file meanwhile, and
    // the rotator may move that one too.
    for (int tries = 0; error <= 0 && tries < 16 && !stillNamed(m_file->handle(), m_path); ++tries) {
        auto next = std::make_unique<QFile>();
        errno = 0;
        const RegularFile::Status status = RegularFile::openForAppending(m_path, *next);
        if (status != RegularFile::Status::Ok) {
            if (!m_toldStuck)
                Warnings::sayOnce(QStringLiteral("durvex-config: the log %1 was moved or removed and cannot be made "
                                                 "again (%2): its records go on into the file it was")
                                      .arg(m_path, openProblem(status, *next)));
            m_toldStuck = true;
            return error;
        }
        if (error == 0)
            ::flock(m_file->handle(), LOCK_UN);
        m_file = std::move(next);
        m_opened = false;
        m_end = -1;
        error = lockFile(m_file->handle());
    }
    return error;
}
#endif

bool SharedLogFile::append(const QByteArray &line, const QByteArray &opening, QString *reason)
{
#ifdef Q_OS_UNIX
    const int locked = lockCurrent();
    if (locked > 0) {
        *reason = qt_error_string(locked);
        return false;
    }
    const int fd = m_file->handle();
    const auto unlock = qScopeGuard([&] {
        if (locked == 0)
            ::flock(fd, LOCK_UN);
    });
    // Shorter than our last line left it: a rotator copied it and emptied it, and the copy
    // has the opening.
    if (struct stat st {}; m_opened && ::fstat(fd, &st) == 0 && st.st_size < m_end)
        m_opened = false;
    const bool written = write(m_opened ? line : opening + line, reason);
    if (written)
        m_opened = true;
    return written;
#else
    const QByteArray text = m_opened ? line : opening + line;
    if (m_file->write(text) != text.size() || !m_file->flush()) {
        *reason = m_file->errorString();
        return false;
    }
    m_opened = true;
    return true;
#endif
}

bool SharedLogFile::write(QByteArray text, QString *reason)
{
#ifdef Q_OS_UNIX
    const int fd = m_file->handle();
    // Under the lock no other appender writes: the text begins at the end as it is now.
    const off_t start = ::lseek(fd, 0, SEEK_END);
    if (start < 0) {
        *reason = qt_error_string(errno);
        return false;
    }
    // A line torn before (a cut that failed, a program that died while writing) ends here.
    char last = '\n';
    if (start > 0 && ::pread(fd, &last, 1, start - 1) == 1 && last != '\n')
        text.prepend('\n');

    qint64 written = 0;
    int error = 0;
    while (written < text.size()) {
        const qint64 n = m_write(fd, text.constData() + written, text.size() - written);
        if (n > 0) {
            written += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            error = n < 0 ? errno : ENOSPC; // a write that takes nothing: no room
            break;
        }
    }
    if (written < text.size()) {
        // Nothing of the text stays; under the lock no other appender's line follows it. A
        // cut that fails leaves the torn line, and the next append starts on a line of its own.
        *reason = qt_error_string(error);
        if (written > 0 && ::ftruncate(fd, start) != 0)
            *reason += QStringLiteral("; the part written stays (%1)").arg(qt_error_string(errno));
        return false;
    }
    if (::fdatasync(fd) != 0) {
        *reason = qt_error_string(errno);
        return false;
    }
    m_end = start + text.size();
    return true;
#else
    Q_UNUSED(text) Q_UNUSED(reason)
    return false;
#endif
}
