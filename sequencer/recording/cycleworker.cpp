#include "cycleworker.h"

#include <utility>

CycleWorker::CycleWorker()
{
    m_thread.setMaxThreadCount(1);
}

CycleWorker::~CycleWorker()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_waiting = nullptr;
    }
    m_thread.waitForDone();
}

void CycleWorker::submit(Work work)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_waiting)
        ++m_skipped;
    m_waiting = std::move(work);
    if (std::exchange(m_running, true))
        return;
    m_thread.start([this] { runWaiting(); });
}

void CycleWorker::whenIdle(std::function<void()> then)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_running) {
            m_whenIdle = std::move(then);
            return;
        }
    }
    then();
}

void CycleWorker::waitForDone()
{
    m_thread.waitForDone();
}

int CycleWorker::skipped() const
{
    return m_skipped.load();
}

void CycleWorker::runWaiting()
{
    for (;;) {
        Work work;
        std::function<void()> then;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            work = std::exchange(m_waiting, nullptr);
            if (!work) {
                m_running = false;
                then = std::exchange(m_whenIdle, nullptr);
            }
        }
        if (!work) {
            if (then)
                then();
            return;
        }
        if (!work())
            ++m_skipped;
    }
}
