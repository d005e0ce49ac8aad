#pragma once

#include <QDateTime>
#include <functional>
#include <memory>

// The line's time: how long things take, what time it is, and the ticks its polls keep.
// The system's clock runs them in the event loop; a test's clock moves only when told.
class LineClock
{
public:
    // A tick every interval, from start() until stop().
    class Ticker
    {
    public:
        virtual ~Ticker() = default;
        virtual void start() = 0;
        virtual void stop() = 0;
    };

    virtual ~LineClock() = default;

    // Milliseconds on a clock that never goes back.
    virtual qint64 now() const = 0;
    virtual QDateTime utc() const = 0;
    virtual std::unique_ptr<Ticker> ticker(int intervalMs, std::function<void()> tick) = 0;

    // The steady clock and QTimer, in the thread's event loop.
    static LineClock &system();
};
