#pragma once

#include "cli/attemptsink.h"

#include <QByteArray>
#include <QJsonObject>

class ProductionLine;
class ProgrammingLog;
class ProgressBoard;

// `--log`: a record for each attempt, each id and each seating, and the run's summary last. A record the log refused
// is said once, and the log takes no more.
class LogSink : public AttemptSink
{
public:
    // `fileSha256`: the configuration file's, as known when each record is written.
    LogSink(ProgrammingLog &log, const QByteArray &fileSha256, ProgressBoard &board);

    // The line whose positions' stops are recorded.
    void follow(const ProductionLine &line) { m_line = &line; }

    void positionChanged(const PositionChange &change) override;
    bool take(const PanelAttempt &attempt) override;
    void idRecorded(int position, const IdRecord &record) override;
    void seatingEnded(int position, const Seating &seating) override;
    bool takeSummary(const QJsonObject &summary);
    bool failed() const { return m_failed; }

private:
    bool takeRecord(const QJsonObject &record);
    bool appended(bool appended, const QString &reason);

    ProgrammingLog &m_log;
    const QByteArray &m_fileSha256;
    ProgressBoard &m_board;
    const ProductionLine *m_line = nullptr;
    bool m_failed = false;
};
