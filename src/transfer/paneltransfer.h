#pragma once

#include "link/panellink.h"

// Moving a whole configuration between the window and a panel: the read and the write
// commands, each in the same frame of open, handshake, model check, seventeen bytes, close.
class PanelTransfer
{
public:
    PanelTransfer(PanelConfig &cfg, FormInterface &form, PanelLink &link);

    void READ_CONFIG_Click();
    void WRITE_CONFIG_Click();

private:
    void readBody();
    void writeBody();
    // True when the line failed or the window is closing; a lost line is reported.
    bool ended();
    bool modelAccepted(const QString &mismatchText);
    bool readByte(int address);
    void fail(const QString &text);
    void failOnPort(const QString &text);

    PanelConfig &m_cfg;
    FormInterface &m_form;
    PanelLink &m_link;
};
