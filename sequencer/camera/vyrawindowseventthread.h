#pragma once

#include "vyraeventthread.h"

/// A VyraEventThread on a Windows event object (auto-reset, so several
/// occurrences between two waits give one eventEmitted()). The constructor
/// registers the object with the driver and starts the notification; it
/// throws VyraCameraException when the driver refuses either.
class VyraWindowsEventThread : public VyraEventThread
{
    Q_OBJECT

public:
    VyraWindowsEventThread(VyraHandle handle, int eventId);
    /// Stops and waits for the thread; disconnects the event if
    /// disconnectEvent() has not run, swallowing driver failures.
    ~VyraWindowsEventThread() override;

    void disconnectEvent() override;

protected:
    void run() override;
    void wakeForStop() override;

private:
    void closeEventObject();
    void closeEventObjects();

    HANDLE m_eventObject = nullptr;
    // Set by a stop request, so that stopping never waits out an event wait.
    HANDLE m_stopObject = nullptr;
};
