#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

// Ends the test run with a failure when the window's thread is stuck longer than `ms`, so
// a hang fails the test instead of holding up the suite.
class Watchdog
{
public:
    explicit Watchdog(int ms)
        : m_thread([this, ms] {
            std::unique_lock lock(m_mutex);
            if (!m_done.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_finished; })) {
                std::fprintf(stderr, "FAIL! the window's thread hung for %d ms\n", ms);
                std::_Exit(1);
            }
        })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_one();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};
