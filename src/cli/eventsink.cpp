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
    if (!change.stateChanged || kind == Kind::Passed || kind == Kind::Unchanged || kind == Kind::Failed || told == kind)
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

// The next attempt at the position is told from its start, even in the state this one began in.
bool EventSink::attemptEnded(const AttemptEnd &end)
{
    if (end.position < int(m_told.size())) // none for a run settled without the line's transfers
        m_told[end.position].reset();
    return AttemptSink::attemptEnded(end);
}

bool EventSink::take(const PanelAttempt &attempt)
{
    QJsonObject record = attempt.toJson();
    record.insert(QStringLiteral("event"), QStringLiteral("attempt"));
    // The number a seating names its attempts by.
    if (attempt.seq > 0)
        record.insert(QStringLiteral("seq"), attempt.seq);
    printRecord(record);
    return true;
}

void EventSink::idRecorded(int, const IdRecord &record)
{
    printRecord(record.toJson());
}

void EventSink::seatingEnded(int, const Seating &seating)
{
    printRecord(seating.toJson());
}

// A record of the line's as an event: its keys, with the time it was told.
void EventSink::printRecord(const QJsonObject &record)
{
    QJsonObject object = event(record.value(QStringLiteral("event")).toString(),
                               record.value(QStringLiteral("position")).toString(),
                               record.value(QStringLiteral("port")).toString());
    for (auto it = record.begin(); it != record.end(); ++it)
        object.insert(it.key(), it.value());
    m_board.print(QJsonDocument(object).toJson(QJsonDocument::Compact));
}
