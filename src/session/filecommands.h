#pragma once

#include "model/formmodel.h"

// The save and open commands for configuration files.
class FileCommands
{
public:
    enum class SaveOutcome { Saved, Incomplete, NoName, Cancelled, Failed };
    // A file that cannot be accessed ends the command silently; a refused one has had its box.
    enum class OpenOutcome { Loaded, Refused, NoAccess };

    explicit FileCommands(FormModel &form);

    SaveOutcome WRITE_FILE_Click();
    void READ_FILE_Click();
    // Opens a file named on the command line, exactly as READ_FILE_Click opens a picked one.
    OpenOutcome openFile(const QString &path);

    static inline const QString filter = QStringLiteral("ZANTRO CONFIGURATION FILES (*.zcf)");
    // Only the first part of a file is read: a record is far smaller, and a huge file
    // must not hold up the window.
    static constexpr qint64 readLimit = 1 << 20;

    // The file name the save proposes for a panel name: a name, never a path. Characters
    // that a file name may not hold on Linux or Windows become "-", so a file travels.
    static QString proposedFileName(const QString &panelName);

private:
    OpenOutcome load(const QString &path);
    void showMismatch();

    FormModel &m_form;
    PanelConfig &m_cfg;
};
