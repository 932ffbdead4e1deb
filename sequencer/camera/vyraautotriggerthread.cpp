#include "vyraautotriggerthread.h"

#include <algorithm>
#include <chrono>

#include "vyracamera.h"
#include "vyracameraexception.h"

VyraAutoTriggerThread::VyraAutoTriggerThread(QSharedPointer<VyraCamera> camera, quint64 intervalMs)
    : m_camera(std::move(camera)), m_interval(std::max<quint64>(intervalMs, 1))
{
}

VyraAutoTriggerThread::~VyraAutoTriggerThread()
{
    requestStop();
    wait();
}

quint64 VyraAutoTriggerThread::interval() const
{
    return m_interval.load();
}

void VyraAutoTriggerThread::setInterval(quint64 intervalMs)
{
    m_interval.store(std::max<quint64>(intervalMs, 1));
}

void VyraAutoTriggerThread::start(QThread::Priority priority)
{
    if (m_stopRequest.load()) {
        wait();
    }
    m_stopRequest.store(false);
    QThread::start(priority);
}

void VyraAutoTriggerThread::requestStop()
{
    {
        // Under the mutex, so that a pause that has just checked the flag
        // cannot miss the wake-up.
        std::lock_guard<std::mutex> lock(m_pauseMutex);
        m_stopRequest.exchange(true);
    }
    m_pauseWake.notify_all();
}

void VyraAutoTriggerThread::run()
{
    while (!m_stopRequest.load()) {
        try {
            m_camera->trigger();
        } catch (const VyraCameraException &) {
            // A failed trigger (camera removed, say) only costs this one.
        }
        // The trigger call itself takes about a millisecond, so one trigger
        // and one pause make up the interval.
        const auto pause = std::chrono::milliseconds(m_interval.load() - 1);
        if (pause.count() > 0) {
            std::unique_lock<std::mutex> lock(m_pauseMutex);
            m_pauseWake.wait_for(lock, pause, [this] { return m_stopRequest.load(); });
        }
    }
}
