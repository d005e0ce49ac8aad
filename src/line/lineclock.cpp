#include "lineclock.h"

#include <QElapsedTimer>
#include <QTimer>

namespace {

class TimerTicker : public LineClock::Ticker
{
public:
    TimerTicker(int intervalMs, std::function<void()> tick)
    {
        m_timer.setInterval(intervalMs);
        QObject::connect(&m_timer, &QTimer::timeout, std::move(tick));
    }
    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }

private:
    QTimer m_timer;
};

class SystemClock : public LineClock
{
public:
    SystemClock() { m_clock.start(); }
    qint64 now() const override { return m_clock.elapsed(); }
    QDateTime utc() const override { return QDateTime::currentDateTimeUtc(); }
    std::unique_ptr<Ticker> ticker(int intervalMs, std::function<void()> tick) override
    {
        return std::make_unique<TimerTicker>(intervalMs, std::move(tick));
    }

private:
    QElapsedTimer m_clock;
};

} // namespace

LineClock &LineClock::system()
{
    static SystemClock clock;
    return clock;
}
