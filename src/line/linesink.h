#pragma once

#include "line/idrecord.h"
#include "line/panelattempt.h"
#include "line/positionstate.h"
#include "line/runsummary.h"
#include "line/seating.h"
#include "link/linkresult.h"
#include "session/statustexts.h"
#include "transfer/transferoutcome.h"

#include <QDateTime>
#include <QString>

// What the line tells those that show, record or watch it, in the order it happens. Every
// member has a default that ignores the event, so a sink takes only those it projects.
class LineSink
{
public:
    // A position's state, or the id it shows, changed.
    struct PositionChange
    {
        int position;
        PositionState state;
        bool stateChanged; // false: the same state, shown again with its id or counts
        int panel;         // the panel the change is about
        QString panelId; // the panel under way's
        QDateTime time;
        // The attempt that ended in this state, if one did.
        const PanelAttempt *after = nullptr;
        QString outcomeText; // with `after`: the outcome in a few words
    };

    struct AttemptEnd
    {
        int position;
        int panel;
        const TransferOutcome &outcome;
        const PanelAttempt &attempt;
        // The status line the transfer ended with; none for an attempt ended from outside.
        std::optional<StatusTexts::Report> status;
        QDateTime time;
    };

    // Where the series waits for its operator.
    struct Prompt
    {
        enum class Kind {
            NextPanel,          // one position: its panel passed
            TryAgain,           // one position: its panel failed
            NextPanels,         // several: all passed
            NextPanelsTryAgain, // several: some failed, and are tried again
            PanelId,            // the id of the panel at `position`
            Enter,              // the round starts at Enter
        };
        Kind kind;
        int position = -1;
        int panel = 0;
    };

    virtual ~LineSink() = default;

    virtual void positionChanged(const PositionChange &) {}
    virtual void attemptStarted(int /*position*/, int /*panel*/) {}
    virtual void byteStarting(int /*position*/, int /*address*/) {}
    // With the status line's text the byte made, or empty where it said nothing.
    virtual void byteDone(int /*position*/, int /*address*/, const LinkResult &, const QString & /*status*/) {}
    // A panel of another model answered.
    virtual void modelRefused(int /*position*/, qint16 /*model*/) {}
    // The transfer has ended with its status line (none for one ended from outside), before
    // the command adds its own to the attempt.
    virtual void transferEnded(int /*position*/, const TransferOutcome &, const std::optional<StatusTexts::Report> &) {}
    // False: the attempt could not be recorded, which ends the run after the panels under way.
    virtual bool attemptEnded(const AttemptEnd &) { return true; }
    virtual void panelArrived(int /*position*/, int /*panel*/) {}
    virtual void panelLeft(int /*position*/, int /*panel*/) {}
    // An id for the next panel at a position, or for the panel of this round.
    virtual void idRead(int /*position*/, const QString & /*id*/) {}
    // Hands-free: what became of an id read, or waiting, at a position.
    virtual void idRecorded(int /*position*/, const IdRecord &) {}
    // Hands-free: a seating has ended, its panel taken out, or the run ended.
    virtual void seatingEnded(int /*position*/, const Seating &) {}
    virtual void prompted(const Prompt &) {}
    // No new panel starts; those under way end as they end.
    virtual void stopping() {}
    // The run has ended, with its counts as the line kept them.
    virtual void runEnded(const RunSummary & /*summary*/) {}
    // Whether this sink's reader is still there: when not, no new panel starts.
    virtual bool readerThere() { return true; }
};
