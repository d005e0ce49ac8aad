#pragma once

#include "cli/commandline.h"
#include "cli/panelattempt.h"
#include "cli/positionstate.h"
#include "cli/runsummary.h"
#include "cli/statusecho.h"
#include "session/connectionthread.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonObject>
#include <QObject>
#include <functional>
#include <memory>

class LineInput;
class QTimer;
class PanelPoller;
class ProgressBoard;

// The panels of a fixture, one per position (a labelled port), written or verified all at
// once, each on a connection of its own: once, in a series at Enter, or hands-free. Each
// position has its own state, counts and outcome; every attempt is handed to `record`,
// which counts it in the run's summary.
class Fixture : public QObject
{
    Q_OBJECT

public:
    struct Work
    {
        bool verify = false;
        QString file;
        // What a write of the file sends, and the items that keep it from being written.
        PanelConfiguration::MemoryImage image{};
        QList<MissingPick> missing;
        // Where a write sends other than the file holds.
        QList<PanelAttempt::Adjustment> adjusted;
    };

    struct Position
    {
        QString label;
        QString port;
        QString panelId; // the first panel's
    };

    // `record` hands an attempt on to the JSON output, the events and the log, and counts it
    // in `summary`; false when the log failed, which ends the run after the panels under way.
    Fixture(const CommandLine &commandLine, const QList<Position> &positions, const Work &work, ProgressBoard &board,
            const RunSummary &summary, std::function<bool(const PanelAttempt &)> record, QObject *parent = nullptr);
    ~Fixture() override;

    // Runs until every port is done, in the event loop; returns the exit code.
    int run();
    // Ctrl+C: every transfer ends at its current wait, and the run with its summary.
    void interrupt();
    // No new panel starts; those under way end as they end, and the run with its summary.
    void stopAfterCurrent();

    // An event of the event stream: its name, the position's label and port, and the time.
    static QJsonObject event(const QString &name, const QString &label, const QString &port);

private:
    enum class State { Idle, Arriving, Transferring, Leaving, Finished };

    struct Station
    {
        QString label;
        QString port;
        std::unique_ptr<ConnectionThread> connection;
        PanelPoller *poller = nullptr;
        StatusEcho echo;
        State state = State::Idle;
        PositionState shown;
        std::optional<PositionState::Kind> told; // the last event sent
        int panel = 1; // the number of the panel under way, or next
        int lastExit = -1; // none yet
        QString lastOutcome; // its word: "unchanged" for a panel a write spared
        QString lastDetail;
        QString panelId; // the panel under way's, or at Enter the next one's
        QString nextId;  // hands-free: scanned for the next panel to arrive
        QElapsedTimer clock;
    };

    bool handsFree() const { return m_line.waitForPanel; }
    bool countReached(int index) const;
    void setState(int index, const PositionState &state, const QJsonObject &more = {});
    void showRow(int index);
    // Before a panel starts: a port that cannot serve, or that another position already uses.
    // When the port's check is made: at the start, as it appears, or as a panel arrives.
    enum class Check { AtStart, Appearing, Arriving };
    std::optional<TransferOutcome> portRefused(int index, Check when) const;
    void fail(int index, const TransferOutcome &outcome);
    void scanned(const QString &text);
    void inputEnded();
    // Whether the results still have a reader; when not, the run ends after the panels under way.
    bool readerThere();
    void startRound();
    void start(int index);
    void showStatus(int index, const QString &text, const QString &detail, bool failure = false);
    void byteStarting(int index, int address);
    void byteDone(int index, int address, const LinkResult &result);
    void refused(int index, qint16 model);
    void finished(int index, const TransferOutcome &outcome, const PanelConfiguration::MemoryImage &image,
                  const StatusTexts::Report &status);
    void compare(int index, const PanelConfiguration::MemoryImage &image, PanelAttempt &attempt);
    void next(int index, bool succeeded, bool logFailed);
    void arrived(int index);
    void gone(int index);
    void waitForPanel(int index);
    void prompt();
    void askId(int from);
    void promptAnswered(const QString &text);
    void ignored(const QString &text);
    void stopAll();
    void settle();
    void finish();
    int exitCode() const;
    void printTable();

    CommandLine m_line;
    Work m_work;
    ProgressBoard &m_board;
    const RunSummary &m_summary;
    QElapsedTimer m_clock;
    std::function<bool(const PanelAttempt &)> m_record;
    std::vector<Station> m_stations;
    LineInput *m_input = nullptr;
    QEventLoop m_loop;
    bool m_interrupted = false;
    bool m_logFailed = false;
    bool m_finished = false;
    bool m_stopping = false; // q, or the end of input: no new panel
    bool m_readerGone = false;
    QTimer *m_readerWatch = nullptr;
    int m_asking = -1;       // at a prompt with several positions: whose id is asked, or -1 for Enter
};
