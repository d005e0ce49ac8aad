#include "programminglog.h"

#include "platform/regularfile.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QSysInfo>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

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

bool ProgrammingLog::append(const QJsonObject &attempt, const QByteArray &sha256, QString *reason)
{
    QJsonObject line = attempt;
    line.insert(QStringLiteral("time"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    line.insert(QStringLiteral("host"), QSysInfo::machineHostName());
    line.insert(QStringLiteral("user"), userName());
    line.insert(QStringLiteral("sha256"), sha256.isEmpty() ? QJsonValue() : QJsonValue(QString::fromLatin1(sha256)));
    const QByteArray bytes = QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
#ifdef Q_OS_UNIX
    const int fd = m_file.handle();
    const ssize_t written = ::write(fd, bytes.constData(), size_t(bytes.size()));
    if (written != bytes.size() || ::fdatasync(fd) != 0) {
        *reason = written < 0 || written == bytes.size() ? qt_error_string(errno)
                                                         : QStringLiteral("only part of the line was written");
        return false;
    }
    return true;
#else
    if (m_file.write(bytes) != bytes.size() || !m_file.flush()) {
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
