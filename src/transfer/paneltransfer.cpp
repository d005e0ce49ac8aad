#include "paneltransfer.h"

using Colour = FormModel::StatusColour;
using Outcome = PanelTransfer::Outcome;

namespace {
const QString badData = QStringLiteral("COMMUNICATIONS FAILURE-BAD SWITCH PANEL DATA");
const QString noResponse = QStringLiteral("COMMUNICATIONS FAILURE SWITCH PANEL FAILED TO RESPOND ON %1");
const QString mismatchTitle = QStringLiteral("SWITCH PANEL/CONFIGURATION MIS-MATCH");
const QString readMismatch = QStringLiteral("THE SWITCH PANEL THAT YOU HAVE ATTEMPTED TO READ DATA FROM "
                                            "DOES NOT MATCH THIS CONFIGURATION PROGRAM");
} // namespace

PanelTransfer::PanelTransfer(FormModel &form, PanelLink &link)
    : m_form(form)
    , m_cfg(form.config())
    , m_link(link)
{
}

void PanelTransfer::fail(const QString &text)
{
    m_form.setStatusVisible(true);
    m_form.setStatusColour(Colour::Red);
    m_form.setStatusText(text);
}

// A failure of the port names it: briefly on the line, whole in the detail.
void PanelTransfer::failOnPort(const QString &text)
{
    const QString port = m_link.portName();
    m_form.setStatusVisible(true);
    m_form.setStatusColour(Colour::Red);
    m_form.setStatusText(text.arg(SerialLine::shortName(port)), text.arg(port));
}

bool PanelTransfer::ended()
{
    switch (m_link.fault()) {
    case PanelLink::Fault::None:
        return false;
    case PanelLink::Fault::PortLost:
        failOnPort(QStringLiteral("COMMUNICATIONS FAILURE - SERIAL PORT %1 LOST"));
        return true;
    case PanelLink::Fault::Aborted:
        return true;
    }
    return true;
}

Outcome PanelTransfer::outcomeOfFailure()
{
    return m_link.fault() == PanelLink::Fault::Aborted ? Outcome::Aborted : Outcome::Failed;
}

// Handshake and model check, shared by both commands. On a model other than 74 or 80 the
// box comes up and the status line keeps what the model read left on it.
Outcome PanelTransfer::modelAccepted(const QString &mismatchText)
{
    if (!m_link.attention_handshake()) {
        if (!ended())
            failOnPort(noResponse);
        return outcomeOfFailure();
    }
    if (!readByte(modelAddress))
        return outcomeOfFailure();
    if (m_cfg.A != 74 && m_cfg.A != 80) {
        m_form.host().messageBox(mismatchText, mismatchTitle);
        return Outcome::WrongModel;
    }
    return Outcome::Done;
}

// wait_tick, then one byte read into A. A reply that gave no value ends the transfer before
// anything is applied; a value out of range is left for the caller to apply and judge.
bool PanelTransfer::readByte(int address)
{
    m_link.wait_tick();
    if (ended())
        return false;
    m_cfg.address_l = qint16(address);
    const PanelLink::ReadResult result = m_link.readee();
    if (ended())
        return false;
    if (result == PanelLink::ReadResult::NoValue) {
        fail(badData);
        return false;
    }
    return true;
}

Outcome PanelTransfer::startRead(bool emptyPanelName)
{
    m_form.setStatusColour(Colour::Yellow);
    m_form.setStatusText(QStringLiteral("STARTING COMMUNICATIONS TO READ SWITCH PANEL CONFIGURATION"));
    m_form.setStatusVisible(true);
    if (emptyPanelName)
        m_form.setPanelName(QString());
    return m_link.open_port() ? Outcome::Done : Outcome::Failed;
}

Outcome PanelTransfer::READ_CONFIG_Click()
{
    Outcome outcome = startRead(true);
    if (outcome == Outcome::Done)
        outcome = readBody(nullptr);
    m_link.close_port();
    m_cfg.config_flag = 1;
    m_form.show_switch_view();
    m_cfg.config_flag = 0;
    return outcome;
}

Outcome PanelTransfer::readBytes(Bytes &bytes)
{
    Outcome outcome = startRead(false);
    if (outcome == Outcome::Done)
        outcome = readBody(&bytes);
    m_link.close_port();
    return outcome;
}

// The read's seventeen bytes: shown in the selectors as they come, or only kept in `raw`.
Outcome PanelTransfer::readBody(Bytes *raw)
{
    if (const Outcome model = modelAccepted(readMismatch); model != Outcome::Done)
        return model;

    for (int address = 0; address < int(assignmentItems.size()); ++address) {
        if (onByte)
            onByte(address);
        if (!readByte(address))
            return outcomeOfFailure();
        if (raw) {
            (*raw)[address] = m_cfg.A;
        } else {
            m_form.show_code(address, m_cfg.A);
            if (assignmentItems[address].designation) {
                m_form.setDesignation(address, QString());
                m_form.setDesignationVisible(address, false);
            }
        }
        if (m_cfg.error_flag == 1) {
            fail(badData);
            return Outcome::Failed;
        }
    }

    for (int i = 0; i < int(intensityItems.size()); ++i) {
        const IntensityItem &item = intensityItems[i];
        if (onByte)
            onByte(item.address);
        if (!readByte(item.address))
            return outcomeOfFailure();
        if (raw) {
            (*raw)[item.address] = m_cfg.A;
        } else {
            m_cfg.*item.code = m_cfg.A;
            m_form.show_intensity(i);
        }
        if (m_cfg.error_flag == 1) {
            fail(badData);
            return Outcome::Failed;
        }
    }

    m_link.wait_tick();
    if (ended())
        return outcomeOfFailure();
    m_form.setStatusColour(Colour::Green);
    m_form.setStatusText(QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL"));
    return Outcome::Done;
}

CodeField PanelTransfer::byteField(int address)
{
    return address < int(assignmentItems.size()) ? assignmentItems[address].writeValue
                                                 : intensityItems[address - assignmentItems.size()].code;
}

Outcome PanelTransfer::WRITE_CONFIG_Click()
{
    m_form.setStatusColour(Colour::Yellow);
    m_form.setStatusVisible(true);
    m_form.setStatusText(QStringLiteral("STARTING COMMUNICATIONS TO WRITE SWITCH PANEL CONFIGURATION"));
    m_cfg.error_flag = 0;
    m_form.gather_config();
    const Outcome outcome = m_link.open_port() ? writeBody() : Outcome::Failed;
    m_link.close_port();
    return outcome;
}

Outcome PanelTransfer::writeBody()
{
    if (m_cfg.error_flag == 1) {
        fail(QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE WRITING DATA"));
        return Outcome::Incomplete;
    }
    if (m_cfg.error_flag == 2) {
        fail(QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL LED'S AND BACKLIGHTING BEFORE WRITING DATA"));
        return Outcome::Incomplete;
    }
    if (const Outcome model = modelAccepted(QStringLiteral("THE SWITCH PANEL THAT YOU HAVE ATTEMPTED TO WRITE DATA TO "
                                                           "DOES NOT MATCH THIS CONFIGURATION PROGRAM"));
        model != Outcome::Done)
        return model;

    for (int address = 0; address < byteCount; ++address) {
        if (onByte)
            onByte(address);
        m_link.wait_tick();
        if (ended())
            return outcomeOfFailure();
        // Read at the moment the byte goes out: bl, dimch and the intensities may change
        // while the write waits.
        m_cfg.address_l = qint16(address);
        m_cfg.data_l = m_cfg.*byteField(address);
        m_link.sendee();
        if (ended())
            return outcomeOfFailure();
        if (m_cfg.error_flag == 1) {
            fail(badData);
            return Outcome::Failed;
        }
    }

    m_link.wait_tick();
    if (ended())
        return outcomeOfFailure();
    m_form.setStatusColour(Colour::Green);
    m_form.setStatusText(QStringLiteral("SWITCH PANEL HAS BEEN PROGRAMMED"));
    return Outcome::Done;
}
