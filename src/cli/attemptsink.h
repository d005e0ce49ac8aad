#pragma once

#include "line/linesink.h"

// A sink that keeps each attempt: the line's, and those a command makes without it (a read,
// a check, a file refused before any panel).
class AttemptSink : public LineSink
{
public:
    // False: the attempt could not be kept.
    virtual bool take(const PanelAttempt &attempt) = 0;

    bool attemptEnded(const AttemptEnd &end) override { return take(end.attempt); }
};
