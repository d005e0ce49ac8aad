#pragma once

#include "line/lineclock.h"
#include "line/linesettings.h"
#include "session/connectionthread.h"

#include <QObject>
#include <functional>
#include <memory>

// Whether a panel is on a port, from polls once a second: it has come after two answers
// in a row, and gone after three unanswered polls in a row or as soon as its port is not
// there (or as the line's settings say). The polls themselves run on the port's connection;
// their results come back to polled().
class PanelPoller : public QObject
{
    Q_OBJECT

public:
    static constexpr int interval = LineSettings::Polls{}.intervalMs;
    static constexpr int answersToArrive = LineSettings::Polls{}.answersToArrive;
    static constexpr int silencesToLeave = LineSettings::Polls{}.silencesToLeave;

    explicit PanelPoller(QObject *parent = nullptr);
    PanelPoller(LineClock &clock, const LineSettings::Polls &polls, QObject *parent = nullptr);
    ~PanelPoller() override;

    // Starts one poll; asked once each interval while a poll is not under way.
    std::function<void()> pollNow;

    void awaitArrival();
    void awaitDeparture();
    void stop();

    void polled(ConnectionThread::Poll result);

signals:
    void arrived();
    void gone();

private:
    enum class Awaiting { Nothing, Arrival, Departure };

    void await(Awaiting awaiting);
    void tick();

    LineSettings::Polls m_polls;
    std::unique_ptr<LineClock::Ticker> m_ticker;
    Awaiting m_awaiting = Awaiting::Nothing;
    int m_run = 0;            // answers, or silences, in a row
    bool m_underWay = false;  // a poll has been started and has not come back
    bool m_stale = false;     // the poll under way was started for an earlier wait
};
