#pragma once

#include "config/panelconfiguration.h"
#include "line/panelattempt.h"

#include <QList>
#include <QString>
#include <functional>

// How a line runs: its positions, what each panel is given, and when it stops.
struct LineSettings
{
    enum class Mode {
        Once,      // each position tries one panel
        Series,    // a round of panels at each Enter
        HandsFree, // each position takes a panel as it arrives
    };

    struct Position
    {
        QString label;
        QString port;
        QString panelId; // the first panel's (hands-free: the first seating's)
    };

    // What a write of the file sends, or what a verify compares with; or a read's.
    struct Work
    {
        bool verify = false;
        bool read = false; // the panel's bytes are the result, compared with nothing
        QString file;
        PanelConfiguration::MemoryImage image{};
        // The items that keep the file from being written.
        QList<MissingPick> missing;
        // Where a write sends other than the file holds.
        QList<PanelAttempt::Adjustment> adjusted;
        // A write: the folder each panel's backup is saved in before it is written; empty: none.
        QString backup;
        // What the command adds to each attempt before it is told, with the bytes read: a
        // read saves them.
        std::function<void(PanelAttempt &, const PanelConfiguration::MemoryImage &)> finish;

        bool reading() const { return verify || read; }
        QString command() const
        {
            return read ? QStringLiteral("read") : verify ? QStringLiteral("verify") : QStringLiteral("write");
        }
    };

    // The polls that tell a panel has come or gone.
    struct Polls
    {
        int intervalMs = 1000;
        int answersToArrive = 2;
        int silencesToLeave = 3;
    };

    // How scanned ids are taken, hands-free.
    struct Ids
    {
        int scanWindowMs = 1000; // a scan this soon after an arrival is that panel's
        int timeoutMs = 60000;   // an id for the next panel expires this long after the position became free
        bool required = false;   // a panel waits for its id
        bool refuseDuplicates = false;
        QString pattern;         // a scan that does not match it is refused; empty: any
    };

    Mode mode = Mode::Once;
    int count = 0; // units passed after which a position stops; 0: no limit
    int stopAfterFailures = 0; // rejects in a row after which a position stops; 0: never
    bool skipMatching = false;
    QList<Position> positions;
    Work work;
    Polls polls;
    Ids ids;

    bool series() const { return mode != Mode::Once; }
    bool handsFree() const { return mode == Mode::HandsFree; }
};
