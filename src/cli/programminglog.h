#pragma once

#include "platform/sharedlogfile.h"

#include <QJsonObject>
#include <QString>

// The programming log: one JSON line per panel attempt, appended to a regular file that
// several stations may share and a rotator may move away. Each append holds the file's
// exclusive lock, which every appender takes, writes the line and syncs its data, so that
// the line is on the disk before the next panel starts. The run's own record, where there
// is one, opens the run's lines in every file they go to.
class ProgrammingLog
{
public:
    using Writer = SharedLogFile::Writer;

    // `writer` stands in for the system's write, for tests of a disk that fills up.
    explicit ProgrammingLog(Writer writer = {});

    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_file.path(); }
    QString runId() const { return m_runId; }

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
    // The record that opens the run's lines in each file (`event` set by the caller), with
    // what appendRecord() adds; written with the next record.
    void setRunRecord(QJsonObject record);
    // Who works where, for which order: `station`, `operator` and `work_order` in every
    // record (null where not given).
    void setStation(const QString &station, const QString &operatorName, const QString &workOrder);

    // The user who runs the program, as the log names them.
    static QString userName();

private:
    QByteArray line(QJsonObject record) const;

    SharedLogFile m_file;
    QByteArray m_runLine;
    QJsonObject m_station;
    QString m_runId;
    int m_sequence = 0;
};
