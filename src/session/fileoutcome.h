#pragma once

#include "config/panelconfiguration.h"

#include <QList>
#include <QString>

// How a save or an open of a configuration file ended: what came of it, the path, and the
// system's reason where the system gave one. The window makes its boxes from it, the
// command line its lines and JSON.
struct FileOutcome
{
    enum class Kind {
        Done,       // saved; opened and shown in the form
        Cancelled,  // no path chosen
        Incomplete, // save: items not picked (see missing); no path asked, nothing written
        NoName,     // save: the panel name box is empty
        NotSaved,   // save: the file could not be written, or what is there is no file to replace
        NoAccess,   // open: a folder, or a file that may not be read
        Missing,    // open: no such file
        NotAFile,   // open: a FIFO, a device: never read
        NotARecord, // open: no configuration record by the format's rules
        OtherModel, // open: a record made for other panel models
    };

    Kind kind = Kind::Done;
    QString path;
    QString reason;             // the system's words ("Permission denied"), where it had any
    QList<MissingPick> missing; // Incomplete: every item not picked

    bool done() const { return kind == Kind::Done; }
};
