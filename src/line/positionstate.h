#pragma once

#include <QString>

// What one position of a fixture is doing: one value, whose words on the board and name in
// the event stream come from one table.
struct PositionState
{
    enum class Kind {
        Waiting,      // for a panel to arrive, or for Enter
        PortNotFound, // the port is not there (yet); polls go on until it is
        PortUnusable, // the port can never serve: see reason; the position has ended
        Present,      // a panel answered and is about to be programmed
        AwaitingId,   // a panel answered and waits for its id to be scanned
        Programming,  // see byte
        Passed,
        Unchanged,    // passed without a write: the panel held it already
        Failed,       // see reason
        Removed,
        Stopped,      // rejects in a row: the fixture wants looking at; the position has ended
    };
    enum class Colour { Plain, Working, Passed, Failed };

    Kind kind = Kind::Waiting;
    int byte = -1;  // Programming: the configuration byte under way, 0..16; -1 before the first
    QString reason = {}; // PortUnusable, Failed: why, in a word or a few

    static PositionState failed(const QString &reason) { return {Kind::Failed, -1, reason}; }

    // The event's name: "waiting", "port-not-found", "port-unusable", "present",
    // "awaiting-id", "programming", "passed", "failed", "removed", "position-stopped".
    QString eventName() const;
    Colour colour() const;
    // The words on a position's row. `port` is the port as given; `handsFree`: a panel that
    // has been tried waits to be taken out; `verify`: panels are read, not programmed.
    QString text(const QString &port, bool handsFree, bool verify) const;

    bool operator==(const PositionState &) const = default;
};
