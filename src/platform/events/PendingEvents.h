#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <functional>

namespace tolvex::platform {

// The few places where a handler works on the main thread and must keep the window alive, or
// waits for work handed to a worker, go through here.

// Runs the events that arrive until `done` holds; sleeps while none do.
inline void runEventsUntil(const std::function<bool()> &done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Lets pending events run during a long loop, at most every `intervalMs`, so that the loop
// costs next to nothing yet the window answers within that time.
class EventPump
{
public:
    explicit EventPump(int intervalMs = 15) : m_interval(intervalMs) { m_clock.start(); }
    void pump()
    {
        if (m_clock.elapsed() < m_interval)
            return;
        QCoreApplication::processEvents();
        m_clock.restart();
    }
    // Now, whatever the interval.
    void pumpNow()
    {
        QCoreApplication::processEvents();
        m_clock.restart();
    }

private:
    int m_interval;
    QElapsedTimer m_clock;
};

} // namespace tolvex::platform
