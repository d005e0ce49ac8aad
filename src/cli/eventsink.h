#pragma once

#include "cli/attemptsink.h"

#include <QDateTime>
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
    // `runId`: the run's, as the other streams name it.
    EventSink(ProgressBoard &board, const QString &runId);

    // The line whose positions' changes are told.
    void follow(const ProductionLine &line);

    // An event of the stream: its name, the run, and the time.
    QJsonObject event(const QString &name, const QDateTime &time = QDateTime::currentDateTimeUtc()) const;
    // One about a position: also the position's label and port.
    QJsonObject event(const QString &name, const QString &label, const QString &port,
                      const QDateTime &time = QDateTime::currentDateTimeUtc()) const;
    // An object of the run (its opening, its summary) as an event, on its own line.
    void tell(const QJsonObject &object);

    void positionChanged(const PositionChange &change) override;
    bool take(const PanelAttempt &attempt) override;
    bool attemptEnded(const AttemptEnd &end) override;
    void idRecorded(int position, const IdRecord &record) override;
    void seatingEnded(int position, const Seating &seating) override;

private:
    void printRecord(const QJsonObject &record);

    const ProductionLine *m_line = nullptr;
    ProgressBoard &m_board;
    QString m_runId;
    std::vector<std::optional<PositionState::Kind>> m_told; // the last event sent, by position
};
