#include "threadendfence.h"

#include <QThread>

ThreadEndFence::ThreadEndFence(QThread *thread)
{
    // finished() comes on the thread itself, after run() has returned and
    // before Qt lets a wait() for the thread return.
    QObject::connect(
        thread, &QThread::finished, thread,
        [this] { m_ends.fetch_add(1, std::memory_order_release); }, Qt::DirectConnection);
}

void ThreadEndFence::pass() const
{
    // The value does not matter: the acquiring load is what pairs with the
    // release at the thread's end.
    m_ends.load(std::memory_order_acquire);
}
