#include "panelpoller.h"

using Poll = ConnectionThread::Poll;

PanelPoller::PanelPoller(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(interval);
    connect(&m_timer, &QTimer::timeout, this, &PanelPoller::tick);
}

void PanelPoller::awaitArrival()
{
    await(Awaiting::Arrival);
}

void PanelPoller::awaitDeparture()
{
    await(Awaiting::Departure);
}

void PanelPoller::stop()
{
    m_awaiting = Awaiting::Nothing;
    m_timer.stop();
}

void PanelPoller::await(Awaiting awaiting)
{
    m_awaiting = awaiting;
    m_run = 0;
    m_stale = m_underWay;
    m_timer.start();
    tick();
}

void PanelPoller::tick()
{
    if (m_underWay || m_awaiting == Awaiting::Nothing || !pollNow)
        return;
    m_underWay = true;
    pollNow();
}

void PanelPoller::polled(Poll result)
{
    m_underWay = false;
    if (std::exchange(m_stale, false))
        return;
    switch (m_awaiting) {
    case Awaiting::Nothing:
        return;
    case Awaiting::Arrival:
        m_run = result == Poll::Answered ? m_run + 1 : 0;
        if (m_run >= answersToArrive) {
            stop();
            emit arrived();
        }
        return;
    case Awaiting::Departure:
        m_run = result == Poll::Answered ? 0 : m_run + 1;
        if (result == Poll::PortMissing || m_run >= silencesToLeave) {
            stop();
            emit gone();
        }
        return;
    }
}
