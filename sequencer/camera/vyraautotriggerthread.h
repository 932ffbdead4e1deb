#pragma once

#include <QSharedPointer>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <mutex>

class VyraCamera;

/// Fires the camera's software trigger once per interval while the sequence
/// runs by trigger. Failing triggers (for example on a removed camera) only
/// cost their pass. Started and stopped any number of times by its owner.
class VyraAutoTriggerThread : public QThread
{
    Q_OBJECT

public:
    /// intervalMs below 1 is raised to 1.
    VyraAutoTriggerThread(QSharedPointer<VyraCamera> camera, quint64 intervalMs);
    /// Stops the thread and waits for it (at most one trigger call).
    ~VyraAutoTriggerThread() override;

    quint64 interval() const;
    /// Takes effect from the next pause on; values below 1 are raised to 1.
    void setInterval(quint64 intervalMs);

    /// Clears a pending stop request and starts the trigger loop. A thread
    /// that was asked to stop and is still running is waited for first.
    void start(QThread::Priority priority = QThread::InheritPriority);
    /// Asks the loop to end; also cuts a pause short. Returns at once.
    void requestStop();

protected:
    void run() override;

private:
    QSharedPointer<VyraCamera> m_camera;
    std::atomic<bool> m_stopRequest{false};
    std::atomic<quint64> m_interval;
    std::mutex m_pauseMutex;
    std::condition_variable m_pauseWake;
};
