#pragma once

#include "line/logrecordreader.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// A shift's figures from its programming logs: per run, and in each run per position and in
// total, the units, attempts and their outcomes, the yields, the rate, the cycle times and
// the failures. Records may come in any order, from any number of files, rotated parts
// among them; what is counted is decided once all have been read.
class ShiftReport
{
public:
    // Which records count; empty or unset: all.
    struct Filter
    {
        QString run;                  // a run id, or its beginning
        std::optional<qint64> sinceMs; // from (UTC ms)
        std::optional<qint64> untilMs; // before
        QString station;
        QString workOrder;
    };

    struct Tally
    {
        QString key; // a reason's word, or an outcome's where the attempt names no reason
        int count = 0;
    };
    struct AddressTally
    {
        int address = 0;
        int count = 0;
    };

    struct Figures
    {
        int units = 0;
        int attempts = 0;
        int programmed = 0; // ended done
        int unchanged = 0;
        int failed = 0;     // ended any other way
        int expiredIds = 0;
        int unitsTried = 0; // units with an attempt
        int firstPass = 0;  // of those, whose first attempt passed
        int finalPass = 0;  // whose last attempt passed
        qint64 durationMs = 0;
        std::optional<qint64> cycleMedianMs;
        std::optional<qint64> cycleP95Ms;
        QList<Tally> reasons;          // the five most frequent, most first
        QList<AddressTally> addresses; // likewise

        std::optional<double> firstPassYield() const;
        std::optional<double> finalYield() const;
        // Passed units per hour of run; none for less than ten seconds of run.
        std::optional<int> panelsPerHour() const;
    };

    struct Position
    {
        QString position;
        Figures figures;
    };
    struct Run
    {
        QString runId;
        QString station;
        QString workOrder;
        qint64 startedMs = -1;
        qint64 endedMs = -1;
        QList<Position> positions;
        Figures total;
    };
    struct Result
    {
        QList<Run> runs;
        Figures total; // every run's
    };

    static constexpr int topCount = 5;

    void add(LogRecord &&record);
    Result figures(const Filter &filter) const;
    // Every record kept whole (LogRecordReader::keepObjectsOf) of this id, oldest first.
    QList<LogRecord> history(const QString &panelId) const;

private:
    struct RunData
    {
        QString id;
        int station = -1;
        int workOrder = -1;
        qint64 startedMs = -1; // from its run record
        qint64 firstMs = -1;
        qint64 lastMs = -1;
        qint64 summaryMs = -1;
        qint64 summaryDurationMs = -1;
        QList<int> order; // positions, as the run record names them
    };
    // Where a record belongs: its run, position, station and work order as indices.
    struct Place
    {
        int run;
        int position;
        int station;
        int workOrder;
        qint64 timeMs;
    };
    struct Attempt
    {
        Place place;
        int seq;
        quint64 id; // 0: none
        qint64 durationMs;
        int reason; // a text's index; -1 for a pass
        qint16 address; // -1: none
        quint8 outcome;
    };
    struct Seating
    {
        Place place;
        quint64 id;
        qint64 leftMs;
        QList<int> attempts;
    };
    class Accumulator;

    int text(const QString &text);
    int position(const QString &position);
    Place place(const LogRecord &record, qint64 timeMs);
    bool counts(const Place &place, const Filter &filter) const;
    qint64 runStart(const RunData &run) const;
    qint64 runEnd(const RunData &run) const;
    static quint64 idKey(const QString &panelId);
    static QString failure(const LogRecord &record);

    QHash<QString, int> m_runIndex;
    std::vector<RunData> m_runs;
    QHash<QString, int> m_textIndex; // stations, work orders, reasons
    QStringList m_texts;
    QHash<QString, int> m_positionIndex;
    QStringList m_positions;
    std::vector<Attempt> m_attempts;
    std::vector<Seating> m_seatings;
    std::vector<Place> m_expired; // id records of ids that expired
    QList<LogRecord> m_kept;
};
