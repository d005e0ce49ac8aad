#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

// What became of an id read at a position: bound to the panel there, waiting for the next
// one, replaced by a later scan, expired unused, or refused.
struct IdRecord
{
    enum class Bound { Current, Next, Replaced, Expired, Refused };
    // Why a scan was refused.
    enum class Refusal { None, Pattern, Duplicate };

    QString position; // the label
    QString port;
    QString panelId;
    Bound bound = Bound::Next;
    std::optional<int> panel; // Current: the panel it was bound to
    bool duplicate = false;   // the id had passed before in this run
    Refusal refusal = Refusal::None;

    // "current", "next", "replaced", "expired", "refused"
    static QString word(Bound bound);
    // Keys: event ("id"), position, port, panel_id, bound, panel, duplicate.
    QJsonObject toJson() const;
};
