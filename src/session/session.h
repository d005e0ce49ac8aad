#pragma once

#include "platform/coreexport.h"
#include "configcomparison.h"
#include "filecommands.h"
#include "model/formmodel.h"
#include "transferdriver.h"

#include <QObject>
#include <functional>
#include <memory>

class QSettings;

// One front end's working set: the form, the line to the panel with its transfer driver,
// and the file commands, wired together. The window and the command line each hold one.
// The transfers apply what they read to the form byte by byte and write what the form
// holds at the moment each byte goes out; the status line and the boxes follow them.
class DURVEX_CORE_EXPORT Session : public QObject
{
    Q_OBJECT

public:
    // `settings` keeps the port chosen for later runs; none keeps nothing.
    Session(FormHost &host, std::unique_ptr<SerialLine> line, QSettings *settings = nullptr, QObject *parent = nullptr);
    ~Session() override;

    FormModel &form() { return m_form; }
    SerialLine &line() { return m_driver.line(); }
    PanelLink &link() { return m_driver.link(); }

    // The panel's configuration into the form; Busy while a transfer runs.
    TransferOutcome readPanel();
    // What the form's picks hold into the panel, each byte verified; Busy while a transfer
    // runs, and nothing gathered then.
    TransferOutcome writePanel();

    // The panel read as a read reads it, on the wire and on the status line, and compared
    // with the form, which it leaves as it was; the status line ends with the comparison.
    struct Compared
    {
        TransferOutcome outcome;
        PanelConfiguration::MemoryImage panel{};
        ConfigComparison comparison; // once the panel was read whole
    };
    Compared comparePanel();
    // A panel's bytes saved as a read followed by a save would save them: the form's panel
    // name, the designations emptied. The form itself is left as it was.
    FileOutcome savePanel(const PanelConfiguration::MemoryImage &panel, const FileCommands::ChooseSavePath &choose);

    // The form saved as a configuration file, or a file opened into it. The path is given, or
    // asked for once it is needed: a save asks only for a complete, named form.
    FileOutcome save(const FileCommands::ChooseSavePath &choose) { return m_files.save(choose); }
    FileOutcome save(const QString &path);
    FileOutcome open(const FileCommands::ChooseOpenPath &choose) { return m_files.open(choose); }
    FileOutcome open(const QString &path) { return m_files.open(path); }

    // The port chosen by the user, used from the next transfer on and remembered where it
    // is to be. False when it could not be remembered.
    bool choosePort(const QString &name);
    // Where the choice is kept.
    QString settingsFile() const;

    // Ends a transfer at its current wait, from any thread.
    void abort() { m_driver.abort(); }

    // Called before each configuration byte is transferred, with its address (0..16).
    std::function<void(int)> onByte;

private:
    TransferDriver::Job job(TransferDriver::Direction direction);

    FormModel m_form;
    TransferDriver m_driver;
    FileCommands m_files;
    QSettings *m_settings;
};
