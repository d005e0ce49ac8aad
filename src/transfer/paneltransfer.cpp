#include "paneltransfer.h"

#include "gatherconfig.h"
#include "model/codeselection.h"

using Colour = FormInterface::StatusColour;

namespace {
const QString badData = QStringLiteral("COMMUNICATIONS FAILURE-BAD SWITCH PANEL DATA");
const QString noResponse = QStringLiteral("COMMUNICATIONS FAILURE SWITCH PANEL FAILED TO RESPOND ON %1");
const QString mismatchTitle = QStringLiteral("SWITCH PANEL/CONFIGURATION MIS-MATCH");
} // namespace

PanelTransfer::PanelTransfer(PanelConfig &cfg, FormInterface &form, PanelLink &link)
    : m_cfg(cfg)
    , m_form(form)
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

// Handshake and model check, shared by both commands. On a model other than 74 or 80 the
// box comes up and the status line keeps what the model read left on it.
bool PanelTransfer::modelAccepted(const QString &mismatchText)
{
    if (!m_link.attention_handshake()) {
        if (!ended())
            failOnPort(noResponse);
        return false;
    }
    if (!readByte(modelAddress))
        return false;
    if (m_cfg.A != 74 && m_cfg.A != 80) {
        m_form.messageBox(mismatchText, mismatchTitle);
        return false;
    }
    return true;
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

void PanelTransfer::READ_CONFIG_Click()
{
    m_form.setStatusColour(Colour::Yellow);
    m_form.setStatusText(QStringLiteral("STARTING COMMUNICATIONS TO READ SWITCH PANEL CONFIGURATION"));
    m_form.setStatusVisible(true);
    m_form.setBoxText(QStringLiteral("Text2"), QString());
    if (m_link.open_port())
        readBody();
    m_link.close_port();
    m_cfg.config_flag = 1;
    m_form.showSwitchView();
    m_cfg.config_flag = 0;
}

void PanelTransfer::readBody()
{
    if (!modelAccepted(QStringLiteral("THE SWITCH PANEL THAT YOU HAVE ATTEMPTED TO READ DATA FROM "
                                      "DOES NOT MATCH THIS CONFIGURATION PROGRAM")))
        return;

    for (int address = 0; address < int(assignmentItems.size()); ++address) {
        const AssignmentItem &item = assignmentItems[address];
        if (!readByte(address))
            return;
        show_code(m_cfg, m_form, item, m_cfg.A);
        if (item.designationBox) {
            const QString box = QString::fromLatin1(item.designationBox);
            m_form.setBoxText(box, QString());
            m_form.setBoxVisible(box, false);
        }
        if (m_cfg.error_flag == 1) {
            fail(badData);
            return;
        }
    }

    for (const IntensityItem &item : intensityItems) {
        if (!readByte(item.address))
            return;
        m_cfg.*item.code = m_cfg.A;
        show_intensity(m_cfg, m_form, item);
        if (m_cfg.error_flag == 1) {
            fail(badData);
            return;
        }
    }

    m_link.wait_tick();
    if (ended())
        return;
    m_form.setStatusColour(Colour::Green);
    m_form.setStatusText(QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL"));
}

void PanelTransfer::WRITE_CONFIG_Click()
{
    m_form.setStatusColour(Colour::Yellow);
    m_form.setStatusVisible(true);
    m_form.setStatusText(QStringLiteral("STARTING COMMUNICATIONS TO WRITE SWITCH PANEL CONFIGURATION"));
    m_cfg.error_flag = 0;
    gather_config(m_cfg, m_form);
    if (m_link.open_port())
        writeBody();
    m_link.close_port();
}

void PanelTransfer::writeBody()
{
    if (m_cfg.error_flag == 1) {
        fail(QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE WRITING DATA"));
        return;
    }
    if (m_cfg.error_flag == 2) {
        fail(QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL LED'S AND BACKLIGHTING BEFORE WRITING DATA"));
        return;
    }
    if (!modelAccepted(QStringLiteral("THE SWITCH PANEL THAT YOU HAVE ATTEMPTED TO WRITE DATA TO "
                                      "DOES NOT MATCH THIS CONFIGURATION PROGRAM")))
        return;

    const int byteCount = int(assignmentItems.size() + intensityItems.size());
    for (int address = 0; address < byteCount; ++address) {
        m_link.wait_tick();
        if (ended())
            return;
        // Read at the moment the byte goes out: bl, dimch and the intensities may change
        // while the write waits.
        const CodeField field = address < int(assignmentItems.size())
                                    ? assignmentItems[address].writeValue
                                    : intensityItems[address - assignmentItems.size()].code;
        m_cfg.address_l = qint16(address);
        m_cfg.data_l = m_cfg.*field;
        m_link.sendee();
        if (ended())
            return;
        if (m_cfg.error_flag == 1) {
            fail(badData);
            return;
        }
    }

    m_link.wait_tick();
    if (ended())
        return;
    m_form.setStatusColour(Colour::Green);
    m_form.setStatusText(QStringLiteral("SWITCH PANEL HAS BEEN PROGRAMMED"));
}
