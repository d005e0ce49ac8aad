#pragma once

#include "model/forminterface.h"
#include "model/panelconfig.h"

// The save and open commands for configuration files.
class FileCommands
{
public:
    FileCommands(PanelConfig &cfg, FormInterface &form);

    void WRITE_FILE_Click();
    void READ_FILE_Click();

    static inline const QString filter = QStringLiteral("ZANTRO CONFIGURATION FILES (*.zcf)");
    // Only the first part of a file is read: a record is far smaller, and a huge file
    // must not hold up the window.
    static constexpr qint64 readLimit = 1 << 20;

private:
    void showMismatch();

    PanelConfig &m_cfg;
    FormInterface &m_form;
};
