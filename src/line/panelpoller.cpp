#include "panelpoller.h"

using Poll = ConnectionThread::Poll;

PanelPoller::PanelPoller(QObject *parent)
    : PanelPoller(LineClock::system(), {interval, answersToArrive, silencesToLeave}, parent)
{
}

PanelPoller::PanelPoller(LineClock &clock, const LineSettings::Polls &polls, QObject *parent)
    : QObject(parent)
    , m_polls(polls)
    , m_ticker(clock.ticker(polls.intervalMs, [this] { tick(); }))
{
}

PanelPoller::~PanelPoller() = default;

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
    m_ticker->stop();
}

void PanelPoller::await(Awaiting awaiting)
{
    m_awaiting = awaiting;
    m_run = 0;
    m_stale = m_underWay;
    m_ticker->start();
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
        if (m_run >= m_polls.answersToArrive) {
            stop();
            emit arrived();
        }
        return;
    case Awaiting::Departure:
        m_run = result == Poll::Answered ? 0 : m_run + 1;
        if (result == Poll::PortMissing || m_run >= m_polls.silencesToLeave) {
            stop();
            emit gone();
        }
        return;
    }
}
