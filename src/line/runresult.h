#pragma once

#include "transfer/transferoutcome.h"

#include <QList>

// How a run ended, as the program's exit code is decided from it: here alone, for every
// command and for each attempt's own code.
struct RunResult
{
    // A run refused before any panel was tried.
    enum class Refusal {
        None,
        Usage, // more ports than the open-file limit holds
        File,  // the log could not be opened; the window's file is not there
        NoWindow, // no display for the window, or its module could not be loaded
    };

    Refusal refusal = Refusal::None;
    int signal = 0;           // the signal that ended the run, if one did
    bool interrupted = false; // ended from outside with no signal known
    bool keptAll = true;      // every attempt was recorded and the results still had a reader
    bool summaryKept = true;
    bool outputWritten = true; // the result reached standard output
    QList<int> attempts = {};  // each position's last attempt's code, in order; -1 for none

    int exitCode() const;

    // The code an attempt ends with: a transfer ended from outside takes `signal`, if any.
    static int ofAttempt(const TransferOutcome &outcome, int signal = 0);
};
