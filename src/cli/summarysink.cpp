#include "summarysink.h"

#include "cli/eventsink.h"
#include "cli/logsink.h"
#include "cli/progressboard.h"

SummarySink::SummarySink(ProgressBoard &board, bool series, EventSink *events, LogSink *log)
    : m_board(board)
    , m_series(series)
    , m_events(events)
    , m_log(log)
{
}

void SummarySink::runEnded(const RunSummary &summary)
{
    if (m_series)
        m_board.say(summary.text());
    const QJsonObject json = summary.toJson();
    if (m_events)
        m_events->tell(json);
    if (m_log)
        m_kept = m_log->takeSummary(json);
}
