#pragma once

#include "cli/commandline.h"
#include "cli/eventsink.h"
#include "cli/jsonsink.h"
#include "cli/logsink.h"
#include "line/panelattempt.h"
#include "cli/programminglog.h"
#include "cli/progressboard.h"
#include "line/runsummary.h"
#include "cli/statusecho.h"
#include "model/formhost.h"
#include "platform/termination.h"
#include "session/session.h"
#include "session/statustexts.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <cstdio>

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
    int transfers();
    int read();
    int check();
    int ports();
    int openFile();
    // The text and detail of a write that items not picked keep from being sent.
    QString incomplete(const QList<MissingPick> &missing);
    // A series on a terminal asks once who operates it, before its first round.
    void askOperator();
    // A box the command ends with, printed; its title and text, for the JSON output.
    QString printBox(const StatusTexts::Box &box);
    // What the form made of the values it took in, one line each.
    void sayAdjusted(const QList<PanelAttempt::Adjustment> &adjusted, bool fromPanel);
    // Hands an attempt the line did not make to the JSON output or the events and the log,
    // and counts it in the summary; false when the log failed.
    bool record(const PanelAttempt &attempt);
    // The run's own object, once, before anything else of the run: the event that opens
    // --events, the record that opens the run's lines in the log, a line in the trace.
    void openRun();
    // The run's summary: on standard error for a series, last in the events, last in the log.
    int summarised(int code);
    int commandExit();
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
    Fixture *m_fixture = nullptr;
    RunSummary m_summary;
    QElapsedTimer m_clock;
    QDateTime m_started;
    bool m_runOpened = false;
    Termination m_termination; // Ctrl+C, SIGTERM, SIGHUP
};
