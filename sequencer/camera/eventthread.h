#pragma once

#include <QThread>

#include <mutex>

#include "winevents.h"

/// Waits for one kind of driver device event (a camera plugged in, or pulled
/// out) and reports each occurrence with eventSignaled(). Device events are
/// registered on camera handle 0, which addresses the driver itself.
class EventThread : public QThread
{
    Q_OBJECT

public:
    EventThread(qint32 eventId, QObject *parent = nullptr);
    /// Stops the thread and waits for it.
    ~EventThread() override;

signals:
    /// Emitted from the worker thread once per occurrence of the event.
    void eventSignaled();

public slots:
    void run() override;
    /// Ends the wait of run(). A request made before run() has set up its
    /// events is kept and makes run() end at once; the request is used up
    /// when run() ends, so the thread can be started again.
    void stop();

private:
    const qint32 eventId;
    // Guards the two handles and the pending stop request against stop()
    // from another thread while run() creates or closes them. A standard
    // mutex, as the thread sanitizer cannot see into QMutex's fast path.
    std::mutex handleMutex;
    HANDLE stopEvent = nullptr;
    HANDLE driverEvent = nullptr;
    bool stopRequested = false;
};
