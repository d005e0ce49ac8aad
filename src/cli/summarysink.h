#pragma once

#include "line/linesink.h"

class EventSink;
class LogSink;
class ProgressBoard;

// The run's summary as the engine counted it: on standard error for a series, last in the
// events, last in the log.
class SummarySink : public LineSink
{
public:
    // `events` and `log`: their sinks, or null without --events or --log.
    SummarySink(ProgressBoard &board, bool series, EventSink *events, LogSink *log);

    void runEnded(const RunSummary &summary) override;
    // False: the log refused the summary.
    bool kept() const { return m_kept; }

private:
    ProgressBoard &m_board;
    bool m_series;
    EventSink *m_events;
    LogSink *m_log;
    bool m_kept = true;
};
