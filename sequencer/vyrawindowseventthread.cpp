#include "vyrawindowseventthread.h"

#include "vyracameraexception.h"

namespace {
const char *const sourceFile = "sequencer/vyrawindowseventthread";
// Bounds how long stopping the thread takes.
constexpr DWORD eventWaitMs = 1000;
} // namespace

VyraWindowsEventThread::VyraWindowsEventThread(VyraHandle handle, int eventId)
    : VyraEventThread(handle, eventId)
{
    // Auto-reset: occurrences between two waits release one wait.
    m_eventObject = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!m_eventObject) {
        checkDriverStatus(VYRA_NO_SUCCESS, sourceFile,
                          "VyraWindowsEventThread::VyraWindowsEventThread", __LINE__);
    }
    try {
        checkDriverStatus(registerEventObject(handle, m_eventObject, eventId), sourceFile,
                          "VyraWindowsEventThread::VyraWindowsEventThread", __LINE__);
    } catch (...) {
        closeEventObject();
        throw;
    }
    try {
        checkDriverStatus(startEventNotification(handle, eventId), sourceFile,
                          "VyraWindowsEventThread::VyraWindowsEventThread", __LINE__);
    } catch (...) {
        unregisterEventObject(handle, eventId);
        closeEventObject();
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
        closeEventObject();
    }
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

void VyraWindowsEventThread::run()
{
    while (!isStopRequested()) {
        switch (WaitForSingleObject(m_eventObject, eventWaitMs)) {
        case WAIT_OBJECT_0:
            emit eventEmitted();
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
    CloseHandle(m_eventObject);
    m_eventObject = nullptr;
}
