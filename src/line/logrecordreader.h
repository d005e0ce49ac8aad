#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <functional>
#include <optional>

class QIODevice;

// One record of the programming log as the shift report reads it: the kinds and keys the
// report counts, typed. A record written before the format had a schema is schema 0; its
// attempts and summaries read as today's.
struct LogRecord
{
    enum class Kind { Attempt, Seating, Id, Run, Summary };

    Kind kind = Kind::Attempt;
    QString runId;
    QString station;   // empty where the record names none
    QString workOrder;
    QString position;
    QString panelId;   // empty: none
    qint64 timeMs = -1;        // when the record was written (UTC ms since the epoch); -1 unknown
    // Attempt
    int seq = 0;
    QString outcome;
    QString reason;            // the reason's word; empty for none
    std::optional<int> address;
    qint64 startedMs = -1;
    qint64 durationMs = 0;     // also a summary's
    // Seating
    qint64 arrivedMs = -1;
    qint64 leftMs = -1;        // -1: still seated when the run ended
    QList<int> attempts;       // the seq of each attempt of the seating
    // Id
    QString bound;             // current, next, replaced, expired, refused
    // Run and summary
    QStringList positions;     // in the fixture's order
    // The record as written, kept only where asked for (a unit's history).
    QJsonObject object;
};

// Reads a programming log, a line at a time, into typed records. A line that is no record
// of this tool (torn by a crash or a full disk, or another program's) is counted and
// skipped, as is a record of a newer schema than this reader knows; neither ends the reading.
class LogRecordReader
{
public:
    // The newest schema this reader knows.
    static constexpr int knownSchema = 1;

    struct Counts
    {
        qint64 lines = 0;   // not counting empty ones
        qint64 records = 0; // handed on
        qint64 skipped = 0; // torn or foreign
        qint64 firstSkippedLine = 0;
        qint64 newer = 0;   // of a schema newer than knownSchema
        qint64 firstNewerLine = 0;
        int newestSchema = 0;
    };

    using Handler = std::function<void(LogRecord &&record)>;
    // Which records keep their whole object: those of this panel id.
    void keepObjectsOf(const QString &panelId) { m_keepId = panelId; }

    // Reads the device to its end; `handler` takes each record.
    Counts read(QIODevice &device, const Handler &handler) const;
    // One line, without its line end; false when it is no record this reader takes.
    enum class LineKind { Record, Empty, Foreign, Newer, Ignored };
    LineKind parse(const QByteArray &line, LogRecord *record, int *schema) const;

    // A time as the log writes it ("2026-12-11T07:42:12.840Z"), or any ISO 8601 time with a
    // zone, as UTC ms since the epoch; none for anything else.
    static std::optional<qint64> timeMs(const QString &text);

private:
    QString m_keepId;
};
