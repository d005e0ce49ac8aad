#pragma once

#include <QFile>
#include <QJsonObject>
#include <QString>

#include <functional>

// The programming log: one JSON line per panel attempt, appended to a regular file that
// several stations may share. Each append holds the file's exclusive lock, which every
// appender takes, writes the line and syncs its data, so that the line is on the disk before
// the next panel starts. A line that could not be written whole (a full disk) is cut back
// to where it began; where even that fails, the next line starts on a line of its own, so
// that a reader of JSON lines loses only the torn one.
class ProgrammingLog
{
public:
    // One write(2): the bytes written, or -1 with errno set.
    using Writer = std::function<qint64(int descriptor, const char *data, qint64 size)>;

    // `writer` stands in for the system's write, for tests of a disk that fills up.
    explicit ProgrammingLog(Writer writer = {});

    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_path; }

    // Opens the file for appending, creating it; `reason` says why it could not be.
    bool open(const QString &path, QString *reason);
    // The attempt's object as a record an audit can trace: `event` "attempt", the run's id,
    // the attempt's number in the run (1, 2, ... as attempts end), the tool's version, the
    // time (UTC, ISO 8601 with milliseconds), the host, the user, the SHA-256 of the
    // configuration file in hex (null when there is none), and `file` as an absolute path.
    // `seq`: the number the line gave the attempt, which its seating names; 0: the next.
    bool append(const QJsonObject &attempt, const QByteArray &sha256, QString *reason, int seq = 0);
    // Any other record of the run (`event` set by the caller), with the run's id, the tool's
    // version, the time, the host and the user.
    bool appendRecord(QJsonObject record, QString *reason);

    // The user who runs the program, as the log names them.
    static QString userName();

private:
    bool appendLine(QByteArray line, QString *reason);

    Writer m_write;
    QFile m_file;
    QString m_path;
    QString m_runId;
    int m_sequence = 0;
};
