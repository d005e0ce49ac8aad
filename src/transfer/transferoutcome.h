#pragma once

#include "config/panelconfiguration.h"
#include "link/linkresult.h"

#include <QList>
#include <optional>

// How a whole transfer ended, with what there is to tell about it.
struct TransferOutcome
{
    enum class Kind {
        Done,
        Incomplete,      // items not picked: nothing was sent; a port that would not open: see link
        PortFailed,      // the port would not open: see link
        NoResponse,      // the panel did not answer the handshake
        ModelUnreadable, // the model byte could not be read: see link
        WrongModel,      // a panel of another model: see model
        ByteFailed,      // a configuration byte failed: see address and link
        LineLost,
        Aborted,
        Busy,            // another transfer was under way on the line: nothing was done
        BackupRefused,   // a write's backup of what the panel held could not be saved: nothing was sent
    };

    Kind kind = Kind::Done;
    LinkResult link;               // the step that failed; Incomplete: the opening, also when it failed
    int address = -1;              // ByteFailed: the configuration address (0..16)
    std::optional<qint16> model;   // the model byte, once read
    QList<MissingPick> missing;    // Incomplete: every item not picked
    QString port;                  // the port used, by its whole name
    bool unchanged = false;        // Done: a write that found the panel holding what it sends

    bool done() const { return kind == Kind::Done; }
};
