#include "session.h"

#include "link/portchoice.h"
#include "model/quiethost.h"
#include "statustexts.h"

#include <QSettings>

Session::Session(FormHost &host, std::unique_ptr<SerialLine> line, QSettings *settings, QObject *parent)
    : QObject(parent)
    , m_form(host)
    , m_driver(std::move(line))
    , m_files(m_form)
    , m_settings(settings)
{
}

Session::~Session() = default;

bool Session::choosePort(const QString &name)
{
    line().setPortName(name);
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

// The form's side of a transfer: its status line, the box for a panel of another model.
TransferDriver::Job Session::job(TransferDriver::Direction direction)
{
    TransferDriver::Job job;
    job.status = [this](const StatusTexts::Report &status) {
        // Only what changes is set: each change redraws the window.
        const FormModel::Status &now = m_form.status();
        if (!now.visible)
            m_form.setStatusVisible(true);
        if (now.colour != status.colour)
            m_form.setStatusColour(status.colour);
        if (now.text != status.text || now.detail != status.detail)
            m_form.setStatusText(status.text, status.detail);
    };
    job.starting = [this](int address) {
        if (onByte)
            onByte(address);
    };
    job.refused = [this, direction](qint16) {
        m_form.host().messageBox(StatusTexts::mismatchText(direction), StatusTexts::mismatchTitle());
    };
    return job;
}

TransferOutcome Session::readPanel()
{
    TransferDriver::Job job = this->job(TransferDriver::Direction::Read);
    job.begin = [this] { m_form.setPanelName(QString()); };
    job.read = [this](int address, qint16 code) { m_form.applyReadByte(address, code); };
    const TransferOutcome outcome = m_driver.read(job);
    if (outcome.kind != TransferOutcome::Kind::Busy)
        m_form.show_switch_view(true);
    return outcome;
}

Session::Compared Session::comparePanel()
{
    Compared compared;
    TransferDriver::Job job = this->job(TransferDriver::Direction::Read);
    job.read = [&compared](int address, qint16 code) { compared.panel[address] = code; };
    compared.outcome = m_driver.read(job);
    if (!compared.outcome.done())
        return compared;
    compared.comparison = ConfigComparison::ofForm(m_form, compared.panel);
    QStringList detail{compared.comparison.statusText()};
    for (const ConfigComparison::Row &row : std::as_const(compared.comparison.rows))
        detail << ConfigComparison::sentence(row);
    detail << m_driver.status().detail;
    job.status({detail.constFirst(), detail.join(QLatin1Char('\n')),
                compared.comparison.matches() ? FormModel::StatusColour::Green : FormModel::StatusColour::Orange});
    return compared;
}

FileOutcome Session::savePanel(const PanelConfiguration::MemoryImage &panel, const FileCommands::ChooseSavePath &choose)
{
    QuietHost quiet; // the compare has shown what the rules made of the panel
    FormModel copy(quiet);
    copy.restore(m_form.state());
    for (int address = 0; address < PanelConfiguration::byteCount; ++address)
        copy.applyReadByte(address, panel[address]);
    return FileCommands(copy).save(choose);
}

TransferOutcome Session::writePanel()
{
    TransferDriver::Job job = this->job(TransferDriver::Direction::Write);
    job.missing = [this] { return m_form.gather_config() ? m_form.missingPicks() : QList<MissingPick>(); };
    job.value = [this](int address) { return m_form.byteToWrite(address); };
    return m_driver.write(job);
}
