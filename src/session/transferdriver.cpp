#include "transferdriver.h"

using Colour = FormModel::StatusColour;
using Kind = TransferOutcome::Kind;

TransferDriver::TransferDriver(std::unique_ptr<SerialLine> line)
    : m_line(std::move(line))
    , m_link(*m_line)
    , m_transfer(m_link)
    , m_status{{}, {}, Colour::White}
{
}

TransferDriver::~TransferDriver()
{
    m_link.close_port();
}

TransferOutcome TransferDriver::read(const Job &job)
{
    return run(job, Direction::Read);
}

TransferOutcome TransferDriver::write(const Job &job)
{
    return run(job, Direction::Write);
}

void TransferDriver::show(const Job &job, const StatusTexts::Report &status)
{
    m_status = status;
    if (job.status)
        job.status(status);
}

StatusTexts::Report TransferDriver::refusal(const TransferOutcome &outcome, Direction direction)
{
    return StatusTexts::ending(outcome, direction).value_or(StatusTexts::Report{});
}

TransferOutcome TransferDriver::run(const Job &job, Direction direction)
{
    if (m_busy) {
        TransferOutcome outcome;
        outcome.kind = Kind::Busy;
        outcome.port = m_line->portName();
        return outcome;
    }
    m_busy = true;
    const QString starting = StatusTexts::starting(direction);
    show(job, {starting, starting, Colour::Yellow});
    if (job.begin)
        job.begin();

    const bool writing = direction == Direction::Write;
    PanelTransfer::Steps steps;
    steps.starting = job.starting;
    steps.done = [&](int address, const LinkResult &result) {
        if (const std::optional<QString> text = StatusTexts::afterByte(result, direction))
            show(job, {*text, *text, Colour::Yellow});
        if (job.done)
            job.done(address, result);
        if (!writing && job.read && address != modelAddress
            && (result.ok() || result.kind == LinkResult::Kind::OutOfRange))
            job.read(address, result.value);
    };
    steps.value = job.value;
    steps.refused = job.refused;
    steps.skipMatching = job.skipMatching;
    steps.backup = job.backup;
    const TransferOutcome outcome =
        writing ? m_transfer.write(steps, job.missing ? job.missing() : QList<MissingPick>()) : m_transfer.read(steps);

    if (std::optional<StatusTexts::Report> report = StatusTexts::ending(outcome, direction)) {
        if (outcome.kind == Kind::WrongModel) // the box has said it: the line keeps its words
            report = StatusTexts::Report{m_status.text, m_status.text + QLatin1Char('\n') + report->detail,
                                         m_status.colour};
        show(job, *report);
    }
    m_busy = false;
    return outcome;
}
