#include "logsink.h"

#include "cli/programminglog.h"
#include "cli/progressboard.h"
#include "line/productionline.h"

LogSink::LogSink(ProgrammingLog &log, const QByteArray &fileSha256, ProgressBoard &board)
    : m_log(log)
    , m_fileSha256(fileSha256)
    , m_board(board)
{
}

void LogSink::positionChanged(const PositionChange &change)
{
    if (!m_line || !change.stateChanged || change.state.kind != PositionState::Kind::Stopped || m_failed)
        return;
    const ProductionLine::Station &s = m_line->station(change.position);
    QString reason;
    appended(m_log.appendRecord({{QStringLiteral("event"), change.state.eventName()},
                                 {QStringLiteral("position"), s.label},
                                 {QStringLiteral("port"), s.port},
                                 {QStringLiteral("panel"), change.panel},
                                 {QStringLiteral("rejects"), s.rejectsInRow}},
                                &reason),
             reason);
}

bool LogSink::take(const PanelAttempt &attempt)
{
    QString reason;
    return appended(m_log.append(attempt.toJson(), m_fileSha256, &reason, attempt.seq), reason);
}

void LogSink::idRecorded(int, const IdRecord &record)
{
    takeRecord(record.toJson());
}

void LogSink::seatingEnded(int, const Seating &seating)
{
    takeRecord(seating.toJson());
}

bool LogSink::takeSummary(const QJsonObject &summary)
{
    return takeRecord(summary);
}

bool LogSink::takeRecord(const QJsonObject &record)
{
    // A log that failed has said so once.
    if (m_failed)
        return true;
    QString reason;
    return appended(m_log.appendRecord(record, &reason), reason);
}

bool LogSink::appended(bool appended, const QString &reason)
{
    if (appended)
        return true;
    m_board.say(QStringLiteral("durvex-config: the log %1 could not be appended to: %2").arg(m_log.path(), reason), true);
    m_failed = true;
    return false;
}
