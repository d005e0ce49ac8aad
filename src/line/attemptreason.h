#pragma once

#include "transfer/transferoutcome.h"

#include <QString>

// Why a panel attempt did not end as it should: one stable word each, for the JSON output,
// the programming log and whoever reads them (a line controller, an audit). An attempt that
// ended as it should (done, unchanged, differs) has none.
namespace AttemptReason {

enum class Reason {
    None,
    NoResponse,        // no valid answer to the attention command
    NoAcknowledgement, // a byte write not acknowledged
    VerifyFailed,      // a read-back that differs or cannot be read
    BadReply,          // a read reply missing, short or not a number
    OutOfRange,        // a value above 160, or one that is no byte
    LineLost,
    PortNotFound,
    PortInUse,
    PortDenied,
    NotASerialPort,
    PortFailed,        // any other reason the port would not open: the system's, in the detail
    WrongModel,
    FileRefused,       // the file, its items not picked, or the result or the log not written
    Interrupted,       // Ctrl+C
    Terminated,        // SIGTERM
    HungUp,            // SIGHUP
};

struct Row
{
    Reason reason;
    const char *word;
    const char *meaning; // as the README says it
};

// Every reason that has a word, in order.
inline constexpr Row rows[] = {
    {Reason::NoResponse, "no-response", "no valid answer to the attention command (FAILED TO RESPOND)"},
    {Reason::NoAcknowledgement, "no-acknowledgement", "a byte write was not acknowledged"},
    {Reason::VerifyFailed, "verify-failed", "a byte's read-back differs from what was written or cannot be read"},
    {Reason::BadReply, "bad-reply", "a read reply was missing, short or not a number"},
    {Reason::OutOfRange, "out-of-range", "a value read was above 160, or a value to write is no byte"},
    {Reason::LineLost, "line-lost", "the serial line was lost (the adapter pulled, the panel hung up)"},
    {Reason::PortNotFound, "port-not-found", "the port is not there"},
    {Reason::PortInUse, "port-in-use", "another program, or another position, holds the port"},
    {Reason::PortDenied, "port-denied", "no permission to open the port"},
    {Reason::NotASerialPort, "not-a-serial-port", "the port is a file, a folder or a device that is no serial port"},
    {Reason::PortFailed, "port-failed", "the port would not open for another reason, said in the detail"},
    {Reason::WrongModel, "wrong-model", "the panel is not a supported model"},
    {Reason::FileRefused, "file-refused",
     "the file was refused or its items are not all picked; the result or the log could not be written"},
    {Reason::Interrupted, "interrupted", "ended by Ctrl+C (SIGINT)"},
    {Reason::Terminated, "terminated", "ended by SIGTERM"},
    {Reason::HungUp, "hung-up", "ended by SIGHUP"},
};

// The reason's word; empty for None.
QString word(Reason reason);

// Why the port would not open, from the step that failed.
Reason ofPort(const LinkResult &link);
// Why a transfer ended as it did; `signal` is the signal that ended the run, if any, which
// names a transfer ended from outside.
Reason of(const TransferOutcome &outcome, int signal);
// A transfer ended by a signal, or by the program itself (0: Ctrl+C's reason, as the window's close).
Reason ofSignal(int signal);
// The reason an attempt that did not reach a panel ended with its exit code.
Reason ofExitCode(int code);

// The memory address that failed, if any: a configuration byte (0..16) or the model byte.
std::optional<int> address(const TransferOutcome &outcome);

} // namespace AttemptReason
