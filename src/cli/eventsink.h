#pragma once

#include "line/linesink.h"

#include <QJsonObject>
#include <optional>
#include <vector>

class ProductionLine;
class ProgressBoard;

// `--events`: each position's changes of state as one JSON object a line on standard
// output. A pass or a failure is told by its attempt's own event.
class EventSink : public LineSink
{
public:
    EventSink(const ProductionLine &line, ProgressBoard &board);

    // An event of the stream: its name, the position's label and port, and the time.
    static QJsonObject event(const QString &name, const QString &label, const QString &port,
                             const QDateTime &time = QDateTime::currentDateTimeUtc());

    void positionChanged(const PositionChange &change) override;

private:
    const ProductionLine &m_line;
    ProgressBoard &m_board;
    std::vector<std::optional<PositionState::Kind>> m_told; // the last event sent, by position
};
