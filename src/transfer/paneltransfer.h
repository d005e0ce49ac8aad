#pragma once

#include "link/panellink.h"

#include <array>
#include <functional>

// Moving a whole configuration between the form and a panel: the read and the write
// commands, each in the same frame of open, handshake, model check, seventeen bytes, close.
class PanelTransfer
{
public:
    // How a transfer ended, for those who drive it without looking at the status line.
    enum class Outcome { Done, Failed, WrongModel, Incomplete, Aborted };
    static constexpr int byteCount = 17;
    using Bytes = std::array<qint16, byteCount>;

    PanelTransfer(FormModel &form, PanelLink &link);

    Outcome READ_CONFIG_Click();
    Outcome WRITE_CONFIG_Click();
    // Reads the seventeen configuration bytes in the read's frame, with its texts, and shows
    // nothing of them: for comparing a panel with a file.
    Outcome readBytes(Bytes &bytes);

    // The record field a write sends at a configuration address (0..16): the item's write
    // value, or the intensity code.
    static CodeField byteField(int address);

    // Called before each configuration byte is transferred, with its index (0..16).
    std::function<void(int)> onByte;

private:
    Outcome readBody(Bytes *raw);
    Outcome writeBody();
    Outcome startRead(bool emptyPanelName);
    Outcome outcomeOfFailure();
    // True when the line failed or the window is closing; a lost line is reported.
    bool ended();
    Outcome modelAccepted(const QString &mismatchText);
    bool readByte(int address);
    void fail(const QString &text);
    void failOnPort(const QString &text);

    FormModel &m_form;
    PanelConfig &m_cfg;
    PanelLink &m_link;
};
