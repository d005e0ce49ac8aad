#pragma once

#include <QFile>
#include <QJsonObject>
#include <QString>

// The programming log: one JSON line per panel attempt, appended to a regular file. Each
// line is one write to the file followed by a sync of its data, so that a line is either
// wholly there or not at all, and is on the disk before the next panel starts.
class ProgrammingLog
{
public:
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_path; }

    // Opens the file for appending, creating it; `reason` says why it could not be.
    bool open(const QString &path, QString *reason);
    // The attempt's object with the time (UTC, ISO 8601 with milliseconds), the host, the
    // user and the SHA-256 of the configuration file, in hex (null when there is none).
    bool append(const QJsonObject &attempt, const QByteArray &sha256, QString *reason);

    // The user who runs the program, as the log names them.
    static QString userName();

private:
    QFile m_file;
    QString m_path;
};
