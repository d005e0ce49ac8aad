#pragma once

#include "app/commandline.h"
#include "files/filecommands.h"
#include "link/panellink.h"
#include "link/serialportline.h"
#include "model/formhost.h"
#include "model/formmodel.h"
#include "platform/termination.h"
#include "transfer/paneltransfer.h"

#include <QObject>
#include <cstdio>

// The commands of the command line: the window's procedures on the same form model, with
// no display. Status texts go to standard error as they change, one line each, with a
// progress bar on a terminal; message boxes are printed with their titles; the files come
// from the arguments.
class CommandRunner : public QObject, public FormHost
{
    Q_OBJECT

public:
    explicit CommandRunner(const CommandLine &commandLine, std::FILE *err = stderr, QObject *parent = nullptr);
    ~CommandRunner() override;

    // Runs the command; returns the exit code.
    int run();

    // FormHost
    void messageBox(const QString &text, const QString &title = QString()) override;
    std::optional<QString> saveFileDialog(const QString &title, const QString &filter,
                                          const QString &proposedName) override;
    std::optional<QString> openFileDialog(const QString &title, const QString &filter) override;
    void pumpEvents(bool waitForMore) override;

    // Which item differs between two sets of seventeen bytes, as lines that name the item
    // and show both values as the window shows them.
    static QStringList differences(const PanelTransfer::Bytes &panel, const PanelTransfer::Bytes &file);

private:
    int write();
    int series();
    int read();
    int verify();
    int openFile();
    int transferExit(PanelTransfer::Outcome outcome) const;
    void say(const QString &line);
    void statusChanged();
    void drawProgress();
    void clearProgress();
    void endProgress();

    CommandLine m_commandLine;
    std::FILE *m_err;
    bool m_terminal;
    FormModel m_form;
    SerialPortLine m_line;
    PanelLink m_link;
    PanelTransfer m_transfer;
    FileCommands m_files;
    QString m_saveTo;
    QString m_lastStatus;
    int m_byte = -1;
    bool m_progressShown = false;
    Termination m_termination; // Ctrl+C, SIGTERM, SIGHUP
};
