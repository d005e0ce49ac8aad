#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

// One panel at one position, from its arrival until it is taken out (or, where no polls tell
// that, until the next panel there or the run's end): what the log keeps of a unit's visit.
struct Seating
{
    QString position; // the label
    QString port;
    int panel = 0;
    QString panelId;
    bool duplicate = false; // its id had passed before in this run
    QDateTime arrived;      // UTC
    std::optional<QDateTime> left;
    QList<int> attempts;    // the attempts' numbers in the run
    QString outcome;        // the last attempt's word; none without an attempt
    bool firstPass = false; // its first attempt ended done or unchanged

    // Keys: event ("seating"), position, port, panel, panel_id, duplicate, arrived, left, seq
    // (the attempts'), outcome, first_pass; what does not apply is null.
    QJsonObject toJson() const;
};
