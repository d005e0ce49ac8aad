#include "paneltransfer.h"

using Kind = TransferOutcome::Kind;

PanelTransfer::PanelTransfer(PanelLink &link)
    : m_link(link)
{
}

TransferOutcome PanelTransfer::read(const Steps &steps)
{
    return run(steps, false, {});
}

TransferOutcome PanelTransfer::write(const Steps &steps, const QList<MissingPick> &missing)
{
    return run(steps, true, missing);
}

TransferOutcome PanelTransfer::failed(Kind kind, const LinkResult &result, int address) const
{
    TransferOutcome outcome;
    outcome.kind = result.ended() ? (result.kind == LinkResult::Kind::Aborted ? Kind::Aborted : Kind::LineLost) : kind;
    outcome.link = result;
    outcome.address = address;
    return outcome;
}

TransferOutcome PanelTransfer::run(const Steps &steps, bool writing, const QList<MissingPick> &missing)
{
    TransferOutcome outcome;
    const LinkResult opened = m_link.open_port();
    if (!missing.isEmpty()) { // known before the port was touched, so told first
        outcome.kind = Kind::Incomplete;
        outcome.missing = missing;
        outcome.link = opened;
    } else if (!opened.ok()) {
        outcome = failed(Kind::PortFailed, opened);
    } else {
        outcome = body(steps, writing);
    }
    m_link.close_port();
    outcome.port = m_link.portName();
    return outcome;
}

TransferOutcome PanelTransfer::body(const Steps &steps, bool writing)
{
    if (const LinkResult answered = m_link.attention_handshake(); !answered.ok())
        return failed(Kind::NoResponse, answered);

    // The model byte, read in the frame of a configuration byte: a tick, then the read.
    if (const LinkResult ticked = m_link.wait_tick(); !ticked.ok())
        return failed(Kind::ModelUnreadable, ticked);
    const LinkResult model = m_link.readee(modelAddress);
    if (steps.done)
        steps.done(modelAddress, model);
    if (!model.ok() && model.kind != LinkResult::Kind::OutOfRange)
        return failed(Kind::ModelUnreadable, model);
    if (!isSupportedModel(model.value)) {
        if (steps.refused)
            steps.refused(model.value);
        TransferOutcome outcome = failed(Kind::WrongModel, model);
        outcome.model = model.value;
        return outcome;
    }

    if (writing && steps.backup) {
        std::optional<TransferOutcome> failure;
        const PanelConfiguration::MemoryImage held = readAll(steps, failure);
        if (!failure && !steps.backup(model.value, held))
            failure = failed(Kind::BackupRefused, LinkResult{});
        if (failure) {
            failure->model = model.value;
            return *failure;
        }
        const auto sends = [&](int address) { return held[address] == steps.value(address); };
        bool holds = steps.skipMatching;
        for (int address = 0; holds && address < byteCount; ++address)
            holds = sends(address);
        if (holds) {
            TransferOutcome outcome;
            outcome.model = model.value;
            outcome.unchanged = true;
            return outcome;
        }
    } else if (writing && steps.skipMatching) {
        std::optional<TransferOutcome> failure;
        const bool holds = holdsAll(steps, failure);
        if (failure) {
            failure->model = model.value;
            return *failure;
        }
        if (holds) {
            TransferOutcome outcome;
            outcome.model = model.value;
            outcome.unchanged = true;
            return outcome;
        }
    }

    for (int address = 0; address < byteCount; ++address) {
        const LinkResult result = byte(steps, address, writing);
        if (!result.ok()) { // also between bytes: the model is known by now
            TransferOutcome outcome = failed(Kind::ByteFailed, result, address);
            outcome.model = model.value;
            return outcome;
        }
    }

    TransferOutcome outcome;
    if (const LinkResult ticked = m_link.wait_tick(); !ticked.ok())
        outcome = failed(Kind::ByteFailed, ticked);
    outcome.model = model.value;
    return outcome;
}

LinkResult PanelTransfer::byte(const Steps &steps, int address, bool writing)
{
    if (steps.starting)
        steps.starting(address);
    LinkResult result = m_link.wait_tick();
    if (!result.ok())
        return result;
    // Asked at the moment the byte goes out: picks may change while the write waits.
    result = writing ? m_link.sendee(address, steps.value(address)) : m_link.readee(address);
    if (steps.done)
        steps.done(address, result);
    return result;
}

bool PanelTransfer::holdsAll(const Steps &steps, std::optional<TransferOutcome> &failure)
{
    for (int address = 0; address < byteCount; ++address) {
        const LinkResult result = byte(steps, address, false);
        // A value out of range is one the write mends; any other failure is the line's.
        if (result.kind == LinkResult::Kind::OutOfRange)
            return false;
        if (!result.ok()) {
            failure = failed(Kind::ByteFailed, result, address);
            return false;
        }
        if (result.value != steps.value(address))
            return false;
    }
    return true;
}

PanelConfiguration::MemoryImage PanelTransfer::readAll(const Steps &steps, std::optional<TransferOutcome> &failure)
{
    PanelConfiguration::MemoryImage held{};
    for (int address = 0; address < byteCount; ++address) {
        const LinkResult result = byte(steps, address, false);
        if (!result.ok() && result.kind != LinkResult::Kind::OutOfRange) {
            failure = failed(Kind::ByteFailed, result, address);
            break;
        }
        held[address] = qint16(result.value);
    }
    return held;
}
