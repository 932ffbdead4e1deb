#include "vyrawindowseventthread.h"

#include "vyracameraexception.h"

namespace {
const char *const sourceFile = "sequencer/vyrawindowseventthread";
// The wait reports a time-out this often while no event comes.
constexpr DWORD eventWaitMs = 1000;
} // namespace

VyraWindowsEventThread::VyraWindowsEventThread(VyraHandle handle, int eventId)
    : VyraEventThread(handle, eventId)
{
    // Auto-reset: occurrences between two waits release one wait.
    m_eventObject = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    m_stopObject = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    try {
        if (!m_eventObject || !m_stopObject) {
            checkDriverStatus(VYRA_NO_SUCCESS, sourceFile,
                              "VyraWindowsEventThread::VyraWindowsEventThread", __LINE__);
        }
        checkDriverStatus(registerEventObject(handle, m_eventObject, eventId), sourceFile,
                          "VyraWindowsEventThread::VyraWindowsEventThread", __LINE__);
    } catch (...) {
        closeEventObjects();
        throw;
    }
    try {
        checkDriverStatus(startEventNotification(handle, eventId), sourceFile,
                          "VyraWindowsEventThread::VyraWindowsEventThread", __LINE__);
    } catch (...) {
        unregisterEventObject(handle, eventId);
        closeEventObjects();
        throw;
    }
}

VyraWindowsEventThread::~VyraWindowsEventThread()
{
    requestStop();
    wait();
    if (m_eventObject) {
        // disconnectEvent() did not run (or failed): leave the driver with no
        // reference to the event object that is about to be closed.
        stopEventNotification(handle(), eventId());
        unregisterEventObject(handle(), eventId());
    }
    closeEventObjects();
}

void VyraWindowsEventThread::disconnectEvent()
{
    if (!m_eventObject) {
        return;
    }
    checkDriverStatus(stopEventNotification(handle(), eventId()), sourceFile,
                      "VyraWindowsEventThread::disconnectEvent", __LINE__);
    checkDriverStatus(unregisterEventObject(handle(), eventId()), sourceFile,
                      "VyraWindowsEventThread::disconnectEvent", __LINE__);
    closeEventObject();
}

void VyraWindowsEventThread::wakeForStop()
{
    SetEvent(m_stopObject);
}

void VyraWindowsEventThread::run()
{
    const HANDLE objects[] = {m_eventObject, m_stopObject};
    while (!isStopRequested()) {
        switch (WaitForMultipleObjects(2, objects, FALSE, eventWaitMs)) {
        case WAIT_OBJECT_0:
            emit eventEmitted();
            break;
        case WAIT_OBJECT_0 + 1:
            // A stop request ends the loop; one left over from an earlier
            // run of the thread is cleared.
            ResetEvent(m_stopObject);
            break;
        case WAIT_TIMEOUT:
            emit eventTimeout();
            break;
        default:
            break;
        }
    }
}

void VyraWindowsEventThread::closeEventObject()
{
    if (m_eventObject)
        CloseHandle(m_eventObject);
    m_eventObject = nullptr;
}

void VyraWindowsEventThread::closeEventObjects()
{
    closeEventObject();
    if (m_stopObject)
        CloseHandle(m_stopObject);
    m_stopObject = nullptr;
}
