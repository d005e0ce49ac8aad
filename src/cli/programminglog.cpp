#include "programminglog.h"

#include "platform/regularfile.h"
#include "version.h"

#include <QDateTime>
#include <QDir>
#include <QJsonDocument>
#include <QSysInfo>
#include <QUuid>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <sys/file.h>
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

} // namespace

ProgrammingLog::ProgrammingLog(Writer writer)
    : m_write(writer ? std::move(writer) : Writer(systemWrite))
    , m_runId(QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

bool ProgrammingLog::open(const QString &path, QString *reason)
{
    m_path = path;
    errno = 0;
    switch (RegularFile::openForAppending(path, m_file)) {
    case RegularFile::Status::Ok:
        return true;
    case RegularFile::Status::Missing:
        *reason = qt_error_string(ENOENT);
        break;
    case RegularFile::Status::NotRegular:
        *reason = QStringLiteral("not a regular file");
        break;
    case RegularFile::Status::NoAccess:
        *reason = errno ? qt_error_string(errno) : m_file.errorString();
        break;
    }
    return false;
}

bool ProgrammingLog::append(const QJsonObject &attempt, const QByteArray &sha256, QString *reason, int seq)
{
    QJsonObject record = attempt;
    record.insert(QStringLiteral("event"), QStringLiteral("attempt"));
    // Counted also when the append fails: a gap shows an audit the record that is missing.
    m_sequence = seq > 0 ? seq : m_sequence + 1;
    record.insert(QStringLiteral("seq"), m_sequence);
    // Where the file was, whatever folder the next reader stands in; "-" (standard output)
    // is no path.
    const QString file = attempt.value(QStringLiteral("file")).toString();
    if (!file.isEmpty() && file != QLatin1String("-"))
        record.insert(QStringLiteral("file"), QDir::cleanPath(QDir::current().absoluteFilePath(file)));
    record.insert(QStringLiteral("sha256"), sha256.isEmpty() ? QJsonValue() : QJsonValue(QString::fromLatin1(sha256)));
    return appendRecord(record, reason);
}

bool ProgrammingLog::appendRecord(QJsonObject record, QString *reason)
{
    const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    record.insert(QStringLiteral("run_id"), m_runId);
    record.insert(QStringLiteral("tool_version"), QStringLiteral(DURVEX_VERSION));
    record.insert(QStringLiteral("time"), now);
    if (record.value(QStringLiteral("started")).isNull() && record.contains(QStringLiteral("started")))
        record.insert(QStringLiteral("started"), now); // an attempt that ended before it reached a panel
    record.insert(QStringLiteral("host"), QSysInfo::machineHostName());
    record.insert(QStringLiteral("user"), userName());
    return appendLine(QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n', reason);
}

#ifdef Q_OS_UNIX
namespace {

// The file's exclusive lock, held while it lives. A file system that has no locks is
// written without.
class FileLock
{
public:
    explicit FileLock(int fd)
        : m_fd(fd)
    {
        while ((m_error = ::flock(fd, LOCK_EX) == 0 ? 0 : errno) == EINTR) {
        }
        if (m_error == ENOLCK || m_error == EOPNOTSUPP || m_error == EINVAL)
            m_error = -1;
    }
    ~FileLock()
    {
        if (m_error == 0)
            ::flock(m_fd, LOCK_UN);
    }
    // The system's reason when the lock could not be taken; -1 where there are no locks.
    int error() const { return m_error; }

private:
    int m_fd;
    int m_error;
};

} // namespace
#endif

bool ProgrammingLog::appendLine(QByteArray line, QString *reason)
{
#ifdef Q_OS_UNIX
    const int fd = m_file.handle();
    const FileLock lock(fd);
    if (lock.error() > 0) {
        *reason = qt_error_string(lock.error());
        return false;
    }
    // Under the lock no other appender writes: the line begins at the end as it is now.
    const off_t start = ::lseek(fd, 0, SEEK_END);
    if (start < 0) {
        *reason = qt_error_string(errno);
        return false;
    }
    // A line torn before (a cut that failed, a program that died while writing) ends here.
    char last = '\n';
    if (start > 0 && ::pread(fd, &last, 1, start - 1) == 1 && last != '\n')
        line.prepend('\n');

    qint64 written = 0;
    int error = 0;
    while (written < line.size()) {
        const qint64 n = m_write(fd, line.constData() + written, line.size() - written);
        if (n > 0) {
            written += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            error = n < 0 ? errno : ENOSPC; // a write that takes nothing: no room
            break;
        }
    }
    if (written < line.size()) {
        // Nothing of the line stays; under the lock no other appender's line follows it. A
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
    return true;
#else
    if (m_file.write(line) != line.size() || !m_file.flush()) {
        *reason = m_file.errorString();
        return false;
    }
    return true;
#endif
}

QString ProgrammingLog::userName()
{
#ifdef Q_OS_UNIX
    if (const passwd *user = ::getpwuid(::getuid()))
        return QString::fromLocal8Bit(user->pw_name);
    return qEnvironmentVariable("USER");
#else
    return qEnvironmentVariable("USERNAME");
#endif
}
