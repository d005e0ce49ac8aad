#pragma once

#include "cli/commandline.h"
#include "cli/eventsink.h"
#include "cli/jsonsink.h"
#include "cli/logsink.h"
#include "line/panelattempt.h"
#include "cli/programminglog.h"
#include "cli/progressboard.h"
#include "line/linesettings.h"
#include "line/runresult.h"
#include "cli/statusecho.h"
#include "cli/summarysink.h"
#include "model/formhost.h"
#include "platform/termination.h"
#include "session/session.h"
#include "session/statustexts.h"

#include <QObject>
#include <cstdio>
#include <memory>

class Fixture;
class QSettings;

// The commands of the command line: the window's procedures on the same form model, with
// no display. Status texts go to standard error as they change, one line each, with a
// progress bar on a terminal; message boxes are printed with their titles; the files come
// from the arguments. Writes and verifies run on a fixture of one or more ports.
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

private:
    RunResult transfers();
    RunResult read();
    RunResult check();
    RunResult ports();
    int openFile();
    // The text and detail of a write that items not picked keep from being sent.
    QString incomplete(const QList<MissingPick> &missing);
    // A box the command ends with, printed; its title and text, for the JSON output.
    QString printBox(const StatusTexts::Box &box);
    // What the form made of the values it took in, one line each.
    void sayAdjusted(const QList<PanelAttempt::Adjustment> &adjusted, bool fromPanel);
    // An attempt settled without the line's transfers ends a run of the line at `positions`
    // all the same, recorded and counted as the line's own; false when it could not be kept.
    RunResult settled(const QList<LineSettings::Position> &positions, const PanelAttempt &attempt);
    RunResult commandResult();
    void say(const QString &line, bool failure = false);
    void statusChanged();

    CommandLine m_commandLine;
    QSettings *m_settings;
    std::FILE *m_err;
    bool m_terminal;
    Session m_session;
    FormModel &m_form;
    ProgressBoard m_board;
    StatusEcho m_echo;
    ProgrammingLog m_log;
    JsonSink m_json;
    EventSink m_events;
    LogSink m_logSink;
    QList<AttemptSink *> m_records; // those the command line asks for
    QString m_fileProblem;   // why the file was refused, for the JSON output
    QByteArray m_fileSha256; // of the configuration file, for the log
    std::unique_ptr<SummarySink> m_summary; // once the log is open, if asked for
    Fixture *m_fixture = nullptr;
    Termination m_termination; // Ctrl+C, SIGTERM, SIGHUP
};
