#pragma once

#include "fileoutcome.h"
#include "model/formmodel.h"

#include <functional>
#include <optional>

// The save and open commands for configuration files, on the form. Each says how it ended
// and shows no box: whoever drives it makes its own from the outcome.
class FileCommands
{
public:
    // Asked for the path once it is needed, with the file name the save proposes; nothing
    // chosen cancels.
    using ChooseSavePath = std::function<std::optional<QString>(const QString &proposedName)>;
    using ChooseOpenPath = std::function<std::optional<QString>()>;

    explicit FileCommands(FormModel &form);

    FileOutcome save(const ChooseSavePath &choose);
    FileOutcome open(const ChooseOpenPath &choose);
    FileOutcome open(const QString &path);

    static inline const QString filter = QStringLiteral("ZANTRO CONFIGURATION FILES (*.zcf)");
    static inline const QString saveTitle = QStringLiteral("WRITE CONFIGURATION FILE");
    static inline const QString openTitle = QStringLiteral("READ CONFIGURATION FILE");
    // Only the first part of a file is read: a record is far smaller, and a huge file
    // must not hold up the window.
    static constexpr qint64 readLimit = 1 << 20;

    // The file name the save proposes for a panel name: a name, never a path. Characters
    // that a file name may not hold on Linux or Windows become "-", and a Windows device
    // name (CON, COM1 ...) is followed by one, so a file travels.
    static QString proposedFileName(const QString &panelName);

private:
    FileOutcome write(const QString &path, const PanelConfiguration &configuration);
    FileOutcome load(const QString &path);

    FormModel &m_form;
};
