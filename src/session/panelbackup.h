#pragma once

#include "platform/coreexport.h"
#include "config/panelconfiguration.h"
#include "model/formmodel.h"

#include <QDateTime>
#include <QList>
#include <QString>

// What a panel held before a write, kept as a configuration file of its own in a folder of
// backups: taken into a form as a read takes it, saved under the panel name BACKUP with no
// designations, in a new file that never replaces another.
class DURVEX_CORE_EXPORT PanelBackup
{
public:
    static inline const QString panelName = QStringLiteral("BACKUP");

    struct Saved
    {
        QString path;   // the file written, or the one that could not be
        QString reason; // why it could not be saved; empty once saved
        // Where the file shows other than the panel held (a code no list has, an
        // intensity pair the rules mend).
        QList<FormModel::Adjustment> adjusted;

        bool done() const { return reason.isEmpty(); }
    };

    // Why backups cannot be saved in `folder`, or empty when they can: it must be a folder
    // that a file can be made in.
    static QString folderProblem(const QString &folder);

    // "<position>-<id or noid>-<yyyymmddThhmmss.mmmZ>-<model>.zcf", in UTC, made so that a
    // save may carry it.
    static QString fileName(const QString &position, const QString &panelId, const QDateTime &when, qint16 model);

    // Saves `held` in `folder` as `name`; where a file of that name is there, as name-2,
    // name-3 ...
    static Saved save(const QString &folder, const QString &name, const PanelConfiguration::MemoryImage &held);
};
