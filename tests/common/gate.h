// Holds a worker thread at a chosen point until the test lets it go (or a timeout passes, so a
// failing test cannot hang). Destroying the gate opens it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

class Gate
{
public:
    explicit Gate(int timeoutMs = 20000)
        : m_timeoutMs(timeoutMs)
    {
    }
    ~Gate() { Open(); }
    Gate(const Gate &) = delete;
    Gate &operator=(const Gate &) = delete;

    void Hold()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::milliseconds(m_timeoutMs), [this] { return m_open; });
    }
    void Open()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }

private:
    const int m_timeoutMs;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};
