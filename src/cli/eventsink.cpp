#include "eventsink.h"

#include "cli/progressboard.h"
#include "cli/recordformat.h"
#include "line/productionline.h"

#include <QJsonDocument>

using Kind = PositionState::Kind;

EventSink::EventSink(ProgressBoard &board, const QString &runId)
    : m_board(board)
    , m_runId(runId)
{
}

void EventSink::follow(const ProductionLine &line)
{
    m_line = &line;
    m_told.assign(line.positions(), std::nullopt);
}

QJsonObject EventSink::event(const QString &name, const QDateTime &time) const
{
    return RecordFormat::stamped({{"event", name}, {"time", time.toUTC().toString(Qt::ISODateWithMs)}}, m_runId);
}

QJsonObject EventSink::event(const QString &name, const QString &label, const QString &port, const QDateTime &time) const
{
    QJsonObject object = event(name, time);
    object.insert(QStringLiteral("position"), label);
    object.insert(QStringLiteral("port"), port);
    return object;
}

void EventSink::tell(const QJsonObject &object)
{
    QJsonObject told = event(object.value(QStringLiteral("event")).toString());
    for (auto it = object.begin(); it != object.end(); ++it)
        told.insert(it.key(), it.value());
    m_board.print(QJsonDocument(told).toJson(QJsonDocument::Compact));
}

void EventSink::positionChanged(const PositionChange &change)
{
    const Kind kind = change.state.kind;
    std::optional<Kind> &told = m_told[change.position];
    if (!change.stateChanged || kind == Kind::Passed || kind == Kind::Failed || told == kind)
        return;
    told = kind;
    const ProductionLine::Station &s = m_line->station(change.position);
    QJsonObject object = event(change.state.eventName(), s.label, s.port, change.time);
    switch (kind) {
    case Kind::PortUnusable:
        object.insert(QStringLiteral("reason"), change.state.reason);
        break;
    case Kind::Stopped:
        object.insert(QStringLiteral("panel"), change.panel);
        object.insert(QStringLiteral("rejects"), s.rejectsInRow);
        break;
    case Kind::Programming:
        if (change.state.byte >= 0)
            break;
        object.insert(QStringLiteral("panel_id"), change.panelId.isEmpty() ? QJsonValue() : QJsonValue(change.panelId));
        [[fallthrough]];
    case Kind::Waiting:
    case Kind::Present:
    case Kind::Removed:
        object.insert(QStringLiteral("panel"), change.panel);
        break;
    default:
        break;
    }
    m_board.print(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

bool EventSink::attemptEnded(const AttemptEnd &end)
{
    return tellAttempt(end.attempt, end.panel);
}

// One made outside the line (a file refused before any panel) has no panel number.
bool EventSink::take(const PanelAttempt &attempt)
{
    return tellAttempt(attempt, QJsonValue());
}

bool EventSink::tellAttempt(const PanelAttempt &attempt, const QJsonValue &panel)
{
    QJsonObject object = event(QStringLiteral("attempt"), attempt.position, attempt.port);
    const QJsonObject record = attempt.toJson();
    for (auto it = record.begin(); it != record.end(); ++it)
        object.insert(it.key(), it.value());
    object.insert(QStringLiteral("panel"), panel);
    m_board.print(QJsonDocument(object).toJson(QJsonDocument::Compact));
    return true;
}
