#include "programminglog.h"

#include "cli/recordformat.h"
#include "version.h"

#include <QDateTime>
#include <QDir>
#include <QJsonDocument>
#include <QSysInfo>
#include <QUuid>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

ProgrammingLog::ProgrammingLog(Writer writer)
    : m_file(std::move(writer))
    , m_runId(QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    setStation({}, {}, {});
}

void ProgrammingLog::setStation(const QString &station, const QString &operatorName, const QString &workOrder)
{
    const auto textOrNull = [](const QString &text) { return text.isEmpty() ? QJsonValue() : QJsonValue(text); };
    m_station = {{QStringLiteral("station"), textOrNull(station)},
                 {QStringLiteral("operator"), textOrNull(operatorName)},
                 {QStringLiteral("work_order"), textOrNull(workOrder)}};
}

bool ProgrammingLog::open(const QString &path, QString *reason)
{
    return m_file.open(path, reason);
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

QByteArray ProgrammingLog::line(QJsonObject record) const
{
    const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    record = RecordFormat::stamped(std::move(record), m_runId);
    record.insert(QStringLiteral("tool_version"), QStringLiteral(DURVEX_VERSION));
    record.insert(QStringLiteral("time"), now);
    if (record.value(QStringLiteral("started")).isNull() && record.contains(QStringLiteral("started")))
        record.insert(QStringLiteral("started"), now); // an attempt that ended before it reached a panel
    record.insert(QStringLiteral("host"), QSysInfo::machineHostName());
    record.insert(QStringLiteral("user"), userName());
    for (auto it = m_station.begin(); it != m_station.end(); ++it)
        record.insert(it.key(), it.value());
    return QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n';
}

bool ProgrammingLog::appendRecord(QJsonObject record, QString *reason)
{
    return m_file.append(line(std::move(record)), m_runLine, reason);
}

void ProgrammingLog::setRunRecord(QJsonObject record)
{
    m_runLine = line(std::move(record));
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
