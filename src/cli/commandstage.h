#pragma once

#include "cli/commandline.h"
#include "cli/eventsink.h"
#include "cli/jsonsink.h"
#include "cli/logsink.h"
#include "cli/programminglog.h"
#include "cli/progressboard.h"
#include "cli/statusecho.h"
#include "cli/summarysink.h"
#include "line/linesettings.h"
#include "line/panelattempt.h"
#include "line/runresult.h"
#include "model/formhost.h"
#include "platform/termination.h"
#include "session/session.h"
#include "session/statustexts.h"

#include <QDateTime>
#include <QObject>
#include <cstdio>
#include <memory>

class Fixture;
class QSettings;

// What the commands that touch a file or a panel share: the form with no display and its
// session, standard error with its board, the sinks that keep each attempt and the summary,
// and Ctrl+C. Status texts go to standard error as they change, one line each, with a
// progress bar on a terminal; message boxes are printed with their titles.
class CommandStage : public QObject, public FormHost
{
    Q_OBJECT

public:
    // `settings` holds the port last chosen in the window.
    CommandStage(const CommandLine &commandLine, QSettings *settings, std::FILE *err = stderr, QObject *parent = nullptr);
    ~CommandStage() override;

    const CommandLine &commandLine() const { return m_commandLine; }
    QSettings *settings() const { return m_settings; }
    Session &session() { return m_session; }
    FormModel &form() { return m_form; }
    ProgressBoard &board() { return m_board; }
    EventSink &events() { return m_events; }
    // Those that keep each attempt: the JSON output, the events, the log, as asked for.
    const QList<AttemptSink *> &records() const { return m_records; }
    SummarySink *summary() { return m_summary.get(); }

    // The log asked for, opened before any panel is touched; false, said, when it cannot be.
    bool openLog();
    // Opens the command's file into the form; the exit code, with fileProblem() on a refusal.
    int openFile();
    QString fileProblem() const { return m_fileProblem; }
    // The SHA-256 the log gives the configuration: of a file, or of the bytes written.
    void hashFile(const QString &path);
    void hashBytes(const QByteArray &bytes);

    // An attempt settled without the line's transfers ends a run of the line at `positions`
    // all the same, recorded and counted as the line's own.
    RunResult settled(const QList<LineSettings::Position> &positions, const PanelAttempt &attempt);
    // The panels at `positions` on the line, each attempt recorded and counted, until the
    // run ends.
    RunResult runLine(const QList<LineSettings::Position> &positions, const LineSettings::Work &work);
    // The run's own object, once, before anything else of the run: the event that opens
    // --events, the record that opens the run's lines in the log, a line in the trace.
    void openRun(const QList<LineSettings::Position> &positions);
    // The command's result, once what it printed has been written and the summary kept.
    RunResult finished(RunResult result);

    // The text and detail of a write that items not picked keep from being sent.
    QString incomplete(const QList<MissingPick> &missing);
    // A box the command ends with, printed; its title and text, for the JSON output.
    QString printBox(const StatusTexts::Box &box);
    // What the form made of the values it took in, one line each.
    void sayAdjusted(const QList<PanelAttempt::Adjustment> &adjusted, bool fromPanel);
    void say(const QString &line, bool failure = false);

    // FormHost
    void messageBox(const QString &text, const QString &title = QString()) override;

private:
    void statusChanged();
    // A series on a terminal asks once who operates it, before its first round.
    void askOperator();

    CommandLine m_commandLine;
    QSettings *m_settings;
    bool m_terminal;
    Session m_session;
    FormModel &m_form;
    ProgressBoard m_board;
    StatusEcho m_echo;
    ProgrammingLog m_log;
    JsonSink m_json;
    EventSink m_events;
    LogSink m_logSink;
    QList<AttemptSink *> m_records;
    std::unique_ptr<SummarySink> m_summary;
    QString m_fileProblem;   // why the file was refused, for the JSON output
    QByteArray m_fileSha256; // of the configuration, for the log
    Fixture *m_fixture = nullptr; // while the line runs
    QDateTime m_started;
    bool m_runOpened = false;
    Termination m_termination; // Ctrl+C, SIGTERM, SIGHUP
};
