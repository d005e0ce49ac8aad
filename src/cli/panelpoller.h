#pragma once

#include "session/connectionthread.h"

#include <QObject>
#include <QTimer>
#include <functional>

// Whether a panel is on a port, from polls once a second: it has come after two answers
// in a row, and gone after three unanswered polls in a row or as soon as its port is not
// there. The polls themselves run on the port's connection; their results come back to
// polled().
class PanelPoller : public QObject
{
    Q_OBJECT

public:
    static constexpr int interval = 1000; // ms
    static constexpr int answersToArrive = 2;
    static constexpr int silencesToLeave = 3;

    explicit PanelPoller(QObject *parent = nullptr);

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

    QTimer m_timer;
    Awaiting m_awaiting = Awaiting::Nothing;
    int m_run = 0;            // answers, or silences, in a row
    bool m_underWay = false;  // a poll has been started and has not come back
    bool m_stale = false;     // the poll under way was started for an earlier wait
};
