#pragma once

#include "cli/attemptsink.h"

#include <QJsonObject>
#include <optional>
#include <vector>

class ProductionLine;
class ProgressBoard;

// `--events`: each position's changes of state, and each attempt, as one JSON object a line
// on standard output. A pass or a failure is told by its attempt's own event.
class EventSink : public AttemptSink
{
public:
    explicit EventSink(ProgressBoard &board);

    // The line whose positions' changes are told.
    void follow(const ProductionLine &line);

    // An event of the stream: its name, the position's label and port, and the time.
    static QJsonObject event(const QString &name, const QString &label, const QString &port,
                             const QDateTime &time = QDateTime::currentDateTimeUtc());

    void positionChanged(const PositionChange &change) override;
    bool take(const PanelAttempt &attempt) override;
    bool attemptEnded(const AttemptEnd &end) override;
    void idRecorded(int position, const IdRecord &record) override;
    void seatingEnded(int position, const Seating &seating) override;

private:
    const ProductionLine *m_line = nullptr;
    void printRecord(const QJsonObject &record);

    ProgressBoard &m_board;
    std::vector<std::optional<PositionState::Kind>> m_told; // the last event sent, by position
};
