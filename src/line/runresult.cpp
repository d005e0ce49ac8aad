#include "runresult.h"

#include "platform/exitcode.h"
#include "platform/termination.h"

int RunResult::exitCode() const
{
    // A result that does not arrive is no result, whatever the panels did.
    if (!outputWritten)
        return ExitCode::FileFailed;
    switch (refusal) {
    case Refusal::Usage:
        return ExitCode::UsageError;
    case Refusal::File:
        return ExitCode::FileFailed;
    case Refusal::NoWindow:
        return ExitCode::NoDisplay;
    case Refusal::None:
        break;
    }
    if (signal)
        return Termination::exitCode(signal);
    if (interrupted)
        return ExitCode::Interrupted;
    if (!keptAll)
        return ExitCode::FileFailed;
    // The first position that failed speaks for the run.
    for (int code : attempts)
        if (code > 0)
            return code;
    return summaryKept ? ExitCode::Done : ExitCode::FileFailed;
}

int RunResult::ofAttempt(const TransferOutcome &outcome, int signal)
{
    using Kind = TransferOutcome::Kind;
    switch (outcome.kind) {
    case Kind::Done:
        return ExitCode::Done;
    case Kind::WrongModel:
        return ExitCode::WrongModel;
    case Kind::Incomplete:
    case Kind::BackupRefused:
        return ExitCode::FileFailed;
    case Kind::Aborted:
        return signal ? Termination::exitCode(signal) : ExitCode::Interrupted;
    case Kind::PortFailed:
    case Kind::NoResponse:
    case Kind::ModelUnreadable:
    case Kind::ByteFailed:
    case Kind::LineLost:
    case Kind::Busy:
        break;
    }
    return ExitCode::PanelFailed;
}
