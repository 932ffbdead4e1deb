#include "eventthread.h"

#include "vyradriver.h"

EventThread::EventThread(qint32 eventId, QObject *parent) : QThread(parent), eventId(eventId)
{
}

EventThread::~EventThread()
{
    stop();
    wait();
}

void EventThread::run()
{
    bool stopAtOnce = false;
    {
        std::lock_guard<std::mutex> locker(handleMutex);
        stopEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        driverEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        stopAtOnce = stopRequested || !stopEvent || !driverEvent;
    }

    if (!stopAtOnce) {
        // A failing registration only means that this event is never
        // reported: the camera list still works, it is just not refreshed by
        // itself.
        registerEventObject(0, driverEvent, eventId);
        startEventNotification(0, eventId);
        const HANDLE handles[2] = {stopEvent, driverEvent};
        while (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1)
            emit eventSignaled();
        stopEventNotification(0, eventId);
        unregisterEventObject(0, eventId);
    }

    std::lock_guard<std::mutex> locker(handleMutex);
    if (stopEvent)
        CloseHandle(stopEvent);
    if (driverEvent)
        CloseHandle(driverEvent);
    stopEvent = nullptr;
    driverEvent = nullptr;
    stopRequested = false;
}

void EventThread::stop()
{
    std::lock_guard<std::mutex> locker(handleMutex);
    stopRequested = true;
    if (stopEvent)
        SetEvent(stopEvent);
}
