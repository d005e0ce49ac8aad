#pragma once

#include "line/lineclock.h"
#include "line/lineconnection.h"
#include "line/linesettings.h"
#include "line/linesink.h"
#include "line/panelattempt.h"
#include "line/positionstate.h"
#include "line/runresult.h"
#include "line/runsummary.h"
#include "session/panelbackup.h"

#include <QEventLoop>
#include <QHash>
#include <QObject>
#include <QRegularExpression>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class PanelPoller;

// The panels of a fixture, one per position, written or verified all at once, each on a
// connection of its own: once, in a series at Enter, or hands-free. Each position has its
// own state and outcome; the run's counts are kept here alone. It shows nothing: what
// happens goes to the sinks, in order, and what the operator answers comes back through
// enter(), scan() and the stops.
class ProductionLine : public QObject
{
    Q_OBJECT

public:
    // The connection of a position, made as the line is; none for a run settled by endWith().
    using ConnectionFactory = std::function<std::unique_ptr<LineConnection>(int index, const LineSettings::Position &)>;

    enum class State { Idle, Arriving, AwaitingId, Transferring, Leaving, Finished };

    // One position as the sinks see it.
    struct Station
    {
        QString label;
        QString port;
        State state = State::Idle;
        PositionState shown;
        int panel = 1;       // the number of the panel under way, or next
        int lastExit = -1;   // none yet
        QString lastOutcome; // its word: "unchanged" for a panel a write spared
        QString lastDetail;
        QString panelId;     // the panel under way's, or at Enter the next one's
        QString nextId;      // hands-free: scanned for the next panel to arrive
        int rejectsInRow = 0;
        std::optional<Seating> seating; // the panel there, from its arrival (its first attempt at Enter)
    };

    ProductionLine(const LineSettings &settings, ConnectionFactory makeConnection, LineClock &clock = LineClock::system(),
                   QObject *parent = nullptr);
    ~ProductionLine() override;

    // Sinks hear of every event in the order they subscribed.
    void subscribe(LineSink *sink);

    // Starts the run; ended() once every position is done.
    void start();
    // start(), and the event loop until the run has ended.
    void run();
    // Ctrl+C or a signal: every transfer ends at its current wait, and the run with it.
    void interrupt();
    // No new panel starts; those under way end as they end, and the run with them.
    void stopAfterCurrent();
    // At a prompt: the id typed (empty for none) and Enter.
    void enter(const QString &id);
    // At a prompt: the end of the series.
    void endSeries();
    // Hands-free: a scanned id, for the panel that has just arrived at `position` or for the
    // next to arrive there; false when it takes no more panels.
    bool scan(int position, const QString &id);
    // A run whose attempt was settled without a transfer of the line (a file refused before
    // any panel, a check, a read on the session): each position ends with `attempt`, counted
    // as the line's own are, and the run with them.
    void endWith(const PanelAttempt &attempt);

    const LineSettings &settings() const { return m_settings; }
    int positions() const { return int(m_stations.size()); }
    const Station &station(int index) const { return m_stations[index]; }
    int indexOf(const QString &label) const;
    // The counts so far, with the run's duration.
    RunSummary summary() const;
    bool finished() const { return m_finished; }
    bool interrupted() const { return m_interrupted; }
    bool recordFailed() const { return m_recordFailed; }
    // How the run went, as its exit code is decided from it; the signal is the caller's.
    RunResult result() const;

signals:
    void ended();

private:
    struct Port
    {
        std::unique_ptr<LineConnection> connection;
        PanelPoller *poller = nullptr;
        qint64 startedAt = 0;
        qint64 arrivedAt = 0;
        qint64 freeSince = -1; // since when an id waits for a panel at a free position; -1: no expiry
        // The backup of the panel under way, filled on the connection's thread before its
        // outcome comes; none without one.
        std::shared_ptr<PanelBackup::Saved> backup;
    };
    // The seatings of one id, or one seating without an id.
    struct Unit
    {
        bool firstPassed = false;
        bool lastPassed = false;
        bool passed = false;       // once, anywhere
        QList<int> passedAt;       // the positions where it passed
    };

    bool handsFree() const { return m_settings.handsFree(); }
    bool countReached(int index) const;
    void setState(int index, const PositionState &state, int panel = 0);
    void changed(int index, int panel = 0, bool stateChanged = false);
    template<typename Call>
    void tell(Call call);
    bool readerThere();
    // Before a panel starts: a port that cannot serve, or that another position already uses.
    // When the port's check is made: at the start, as it appears, or as a panel arrives.
    enum class Check { AtStart, Appearing, Arriving };
    std::optional<TransferOutcome> portRefused(int index, Check when) const;
    void fail(int index, const TransferOutcome &outcome);
    void startRound();
    void startPanel(int index);
    void finishedPanel(int index, const TransferOutcome &outcome, const PanelConfiguration::MemoryImage &image,
                       const std::optional<StatusTexts::Report> &status);
    void compare(int index, const PanelConfiguration::MemoryImage &image, PanelAttempt &attempt);
    void next(int index, bool succeeded, bool recordFailed);
    void appeared(int index, LineConnection::Poll result);
    void arrived(int index);
    void gone(int index);
    void waitForPanel(int index);
    void record(int index, IdRecord::Bound bound, const QString &id, IdRecord::Refusal refusal = IdRecord::Refusal::None);
    bool passedBefore(const QString &id) const;
    void openSeating(int index, const QString &id);
    void endSeating(int index, std::optional<QDateTime> left);
    void countUnit(int index, const PanelAttempt &attempt);
    void expireIds();
    void prompt();
    void askId(int from);
    void stopAll();
    void settle();
    void finish();

    LineSettings m_settings;
    LineClock &m_clock;
    qint64 m_startedAt = 0;
    std::vector<Station> m_stations;
    std::vector<Port> m_ports;
    std::vector<LineSink *> m_sinks;
    RunSummary m_summary;
    int m_attempts = 0;
    std::vector<Unit> m_units;
    QHash<QString, int> m_unitOfId;
    std::vector<int> m_unitOfPosition; // the unit of each position's seating, or -1
    std::unique_ptr<LineClock::Ticker> m_expiry;
    QRegularExpression m_idPattern;
    QEventLoop m_loop;
    bool m_interrupted = false;
    bool m_recordFailed = false;
    bool m_finished = false;
    bool m_stopping = false; // q, the end of input, or a reader gone: no new panel
    int m_asking = -1;       // at a prompt with several positions: whose id is asked, or -1 for Enter
};
