#include "session.h"

#include "link/portchoice.h"
#include "statustexts.h"

#include <QSettings>

using Colour = FormModel::StatusColour;
using StatusTexts::Direction;

Session::Session(FormHost &host, std::unique_ptr<SerialLine> line, QSettings *settings, QObject *parent)
    : QObject(parent)
    , m_form(host)
    , m_line(std::move(line))
    , m_link(*m_line)
    , m_transfer(m_link)
    , m_files(m_form)
    , m_settings(settings)
{
}

Session::~Session()
{
    m_link.close_port();
}

bool Session::choosePort(const QString &name)
{
    m_line->setPortName(name);
    if (!m_settings)
        return false;
    const QString kept = PortChoice::nameToRemember(name);
    return kept.isEmpty() || PortChoice::remember(*m_settings, kept);
}

QString Session::settingsFile() const
{
    return m_settings ? m_settings->fileName() : QString();
}

FileOutcome Session::save(const QString &path)
{
    return m_files.save([&path](const QString &) { return std::optional<QString>(path); });
}

void Session::start(bool writing)
{
    m_form.setStatusColour(Colour::Yellow);
    m_form.setStatusText(StatusTexts::starting(writing ? Direction::Write : Direction::Read));
    m_form.setStatusVisible(true);
}

PanelTransfer::Steps Session::steps(bool writing)
{
    const Direction direction = writing ? Direction::Write : Direction::Read;
    PanelTransfer::Steps steps;
    steps.starting = [this](int address) {
        if (onByte)
            onByte(address);
    };
    steps.done = [this, direction, writing](int, const LinkResult &result) {
        if (!writing)
            m_form.setStatusVisible(true);
        if (writing && result.ok())
            m_form.setStatusColour(Colour::Yellow);
        if (const std::optional<QString> text = StatusTexts::afterByte(result, direction))
            m_form.setStatusText(*text);
    };
    steps.value = [this](int address) { return m_form.configuration().byte(address); };
    steps.refused = [this, direction](qint16) {
        m_form.host().messageBox(StatusTexts::mismatchText(direction), StatusTexts::mismatchTitle());
    };
    return steps;
}

void Session::report(const TransferOutcome &outcome, bool writing)
{
    const std::optional<StatusTexts::Report> report =
        StatusTexts::ending(outcome, writing ? Direction::Write : Direction::Read);
    if (!report)
        return;
    if (outcome.kind == TransferOutcome::Kind::WrongModel) { // the line keeps its text; the detail grows
        const QString text = m_form.status().text;
        m_form.setStatusText(text, text + QLatin1Char('\n') + report->detail);
        return;
    }
    m_form.setStatusVisible(true);
    m_form.setStatusColour(report->colour);
    m_form.setStatusText(report->text, report->detail);
}

TransferOutcome Session::READ_CONFIG_Click()
{
    start(false);
    m_form.setPanelName(QString());
    PanelTransfer::Steps steps = this->steps(false);
    steps.done = [this, done = steps.done](int address, const LinkResult &result) {
        done(address, result);
        // A value out of range is shown before the read ends on it.
        if (address != modelAddress && (result.ok() || result.kind == LinkResult::Kind::OutOfRange))
            m_form.applyReadByte(address, result.value);
    };
    const TransferOutcome outcome = m_transfer.read(steps);
    report(outcome, false);
    m_form.show_switch_view(true);
    return outcome;
}

TransferOutcome Session::WRITE_CONFIG_Click()
{
    m_form.setStatusColour(Colour::Yellow);
    m_form.setStatusVisible(true);
    m_form.setStatusText(StatusTexts::starting(Direction::Write));
    const QList<MissingPick> missing = m_form.gather_config() ? m_form.missingPicks() : QList<MissingPick>();
    const TransferOutcome outcome = m_transfer.write(steps(true), missing);
    report(outcome, true);
    return outcome;
}
