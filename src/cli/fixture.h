#pragma once

#include "cli/commandline.h"
#include "cli/panelattempt.h"
#include "cli/statusecho.h"
#include "session/connectionthread.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <functional>
#include <memory>

class LineInput;
class PanelPoller;
class ProgressBoard;

// The panels of a fixture, one per port, written or verified all at once, each on a
// connection of its own: once, in a series at Enter, or hands-free. Each port has its own
// status, progress and outcome; every attempt is handed to `record`.
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

    // `record` hands an attempt on to the JSON output and the log; false when the log
    // failed, which ends the run after the panels under way.
    Fixture(const CommandLine &commandLine, const QStringList &ports, const Work &work, ProgressBoard &board,
            std::function<bool(const PanelAttempt &)> record, QObject *parent = nullptr);
    ~Fixture() override;

    // Runs until every port is done, in the event loop; returns the exit code.
    int run();
    // Ctrl+C: every transfer ends at its current wait, and the run with its summary.
    void interrupt();

private:
    enum class State { Idle, Arriving, Transferring, Leaving, Finished };

    struct Station
    {
        QString port;
        std::unique_ptr<ConnectionThread> connection;
        PanelPoller *poller = nullptr;
        StatusEcho echo;
        State state = State::Idle;
        int panel = 1; // the number of the panel under way, or next
        int programmed = 0;
        int failed = 0;
        int lastExit = -1; // none yet
        QString lastDetail;
        QString panelId;
        QElapsedTimer clock;
    };

    bool handsFree() const { return m_line.waitForPanel; }
    bool countReached(const Station &station) const;
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
    void promptAnswered(const QString &text);
    void stopAll();
    void settle();
    void finish();
    int exitCode() const;
    void printTable();

    CommandLine m_line;
    Work m_work;
    ProgressBoard &m_board;
    std::function<bool(const PanelAttempt &)> m_record;
    std::vector<Station> m_stations;
    LineInput *m_input = nullptr;
    QEventLoop m_loop;
    bool m_interrupted = false;
    bool m_logFailed = false;
    bool m_finished = false;
};
