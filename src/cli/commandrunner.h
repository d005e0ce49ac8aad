#pragma once

#include "cli/commandline.h"
#include "model/formhost.h"
#include "platform/termination.h"
#include "session/session.h"

#include <QObject>
#include <cstdio>

class QSettings;

// The commands of the command line: the window's procedures on the same form model, with
// no display. Status texts go to standard error as they change, one line each, with a
// progress bar on a terminal; message boxes are printed with their titles; the files come
// from the arguments.
class CommandRunner : public QObject, public FormHost
{
    Q_OBJECT

public:
    // `settings` holds the port last chosen in the window.
    CommandRunner(const CommandLine &commandLine, QSettings *settings, std::FILE *err = stderr, QObject *parent = nullptr);
    ~CommandRunner() override;

    // Runs the command; returns the exit code.
    int run();

    // FormHost
    void messageBox(const QString &text, const QString &title = QString()) override;
    std::optional<QString> saveFileDialog(const QString &title, const QString &filter,
                                          const QString &proposedName) override;
    std::optional<QString> openFileDialog(const QString &title, const QString &filter) override;

    // Which item differs between two memory images, as lines that name the item and show
    // both values as the window shows them.
    static QStringList differences(const PanelConfiguration::MemoryImage &panel,
                                   const PanelConfiguration::MemoryImage &file);

private:
    int write();
    int series();
    int read();
    int verify();
    int openFile();
    int transferExit(const TransferOutcome &outcome) const;
    void say(const QString &line);
    void statusChanged();
    void drawProgress();
    void clearProgress();
    void endProgress();

    CommandLine m_commandLine;
    std::FILE *m_err;
    bool m_terminal;
    Session m_session;
    FormModel &m_form;
    QString m_saveTo;
    QString m_lastStatus, m_lastDetail;
    int m_byte = -1;
    bool m_progressShown = false;
    Termination m_termination; // Ctrl+C, SIGTERM, SIGHUP
};
