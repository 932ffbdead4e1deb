#include "vyraeventthread.h"

VyraEventThread::VyraEventThread(VyraHandle handle, int eventId)
    : m_handle(handle), m_eventId(eventId)
{
}

void VyraEventThread::start(QThread::Priority priority)
{
    if (m_stopRequest.load()) {
        wait();
    }
    m_stopRequest.store(false);
    QThread::start(priority);
}

bool VyraEventThread::wait(unsigned long timeMs)
{
    if (!QThread::wait(timeMs))
        return false;
    m_end.pass();
    return true;
}

void VyraEventThread::requestStop()
{
    m_stopRequest.exchange(true);
    wakeForStop();
}

bool VyraEventThread::isStopRequested() const
{
    return m_stopRequest.load();
}
