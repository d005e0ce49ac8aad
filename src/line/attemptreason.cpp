#include "attemptreason.h"

#include "platform/exitcode.h"

#include <csignal>

namespace AttemptReason {

using Kind = TransferOutcome::Kind;
using LinkKind = LinkResult::Kind;

QString word(Reason reason)
{
    for (const Row &row : rows)
        if (row.reason == reason)
            return QString::fromLatin1(row.word);
    return {};
}

Reason ofPort(const LinkResult &link)
{
    switch (link.kind) {
    case LinkKind::PortNotFound: return Reason::PortNotFound;
    case LinkKind::PortNoPermission: return Reason::PortDenied;
    case LinkKind::PortInUse: return Reason::PortInUse;
    case LinkKind::NotASerialPort: return Reason::NotASerialPort;
    default: break;
    }
    return Reason::PortFailed;
}

Reason ofSignal(int signal)
{
    switch (signal) {
    case SIGTERM: return Reason::Terminated;
#ifdef SIGHUP
    case SIGHUP: return Reason::HungUp;
#endif
    default: break;
    }
    return Reason::Interrupted;
}

namespace {

// A byte's step that failed.
Reason ofByte(const LinkResult &link)
{
    switch (link.kind) {
    case LinkKind::NoReply:
    case LinkKind::ShortReply:
    case LinkKind::CorruptedReply: return Reason::BadReply;
    case LinkKind::OutOfRange:
    case LinkKind::NotAByte: return Reason::OutOfRange;
    case LinkKind::NoAcknowledgement: return Reason::NoAcknowledgement;
    case LinkKind::ReadBackDiffers:
    case LinkKind::ReadBackUnreadable: return Reason::VerifyFailed;
    case LinkKind::LineLost: return Reason::LineLost;
    case LinkKind::NoResponse: return Reason::NoResponse;
    default: break;
    }
    return Reason::BadReply;
}

} // namespace

Reason of(const TransferOutcome &outcome, int signal)
{
    switch (outcome.kind) {
    case Kind::Done: return Reason::None;
    case Kind::Incomplete: return Reason::FileRefused;
    case Kind::PortFailed: return ofPort(outcome.link);
    case Kind::NoResponse: return Reason::NoResponse;
    case Kind::ModelUnreadable:
    case Kind::ByteFailed: return ofByte(outcome.link);
    case Kind::WrongModel: return Reason::WrongModel;
    case Kind::LineLost: return Reason::LineLost;
    case Kind::Aborted: return ofSignal(signal);
    case Kind::Busy: return Reason::PortInUse;
    case Kind::BackupRefused: return Reason::FileRefused;
    }
    return Reason::None;
}

Reason ofExitCode(int code)
{
    switch (code) {
    case ExitCode::WrongModel: return Reason::WrongModel;
    case ExitCode::FileFailed: return Reason::FileRefused;
    case ExitCode::HungUp: return Reason::HungUp;
    case ExitCode::Interrupted: return Reason::Interrupted;
    case ExitCode::Terminated: return Reason::Terminated;
    default: break;
    }
    return Reason::None;
}

std::optional<int> address(const TransferOutcome &outcome)
{
    switch (outcome.kind) {
    case Kind::ModelUnreadable: return modelAddress;
    case Kind::ByteFailed:
    case Kind::LineLost: // an interrupted transfer failed at no address
        if (outcome.address >= 0)
            return outcome.address;
        break;
    default: break;
    }
    return std::nullopt;
}

} // namespace AttemptReason
