#pragma once

#include <QThread>

#include <atomic>
#include <climits>

#include "threadendfence.h"
#include "vyradriver.h"

/// Turns one driver event of one camera (removed, reconnected) into the Qt
/// signal eventEmitted(). Concrete classes bind it to the platform's event
/// mechanism.
class VyraEventThread : public QThread
{
    Q_OBJECT

public:
    VyraEventThread(VyraHandle handle, int eventId);

    VyraHandle handle() const { return m_handle; }
    int eventId() const { return m_eventId; }

    /// Clears a pending stop request and starts the wait loop. A thread that
    /// was asked to stop and is still running is waited for first.
    void start(QThread::Priority priority = QThread::InheritPriority);
    /// Waits for the thread to end, as QThread::wait() does, and takes over
    /// what the thread wrote (ThreadEndFence).
    bool wait(unsigned long timeMs = ULONG_MAX);
    /// Asks the wait loop to end, cutting its current wait short; returns at
    /// once.
    void requestStop();

    /// Stops the driver's notification of this thread's event and releases
    /// the event object. Called once the thread has stopped.
    virtual void disconnectEvent() = 0;

signals:
    void eventEmitted();
    void eventTimeout();

protected:
    void run() override = 0;
    bool isStopRequested() const;
    /// Called after a stop request was recorded: wakes the wait loop.
    virtual void wakeForStop() {}

private:
    VyraHandle m_handle;
    int m_eventId;
    std::atomic<bool> m_stopRequest{false};
    ThreadEndFence m_end{this};
};
