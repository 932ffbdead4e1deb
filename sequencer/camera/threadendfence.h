#pragma once

#include <atomic>

class QThread;

/// Lets the owner of a QThread see everything the thread wrote once its
/// wait() for the thread has returned, as the thread sanitizer can check it.
///
/// QThread::wait() learns of the thread's end through Qt's own locks, which
/// the sanitizer cannot see into: it would take the owner's later use of the
/// thread's data (releasing buffers the thread read, destroying the thread
/// object) for a race with the thread's last pass. The fence is released on
/// the thread once run() has returned, and passed by the owner after the
/// wait.
class ThreadEndFence
{
public:
    /// The fence belongs to thread (usually a member of it) and is released
    /// at each of its ends.
    explicit ThreadEndFence(QThread *thread);
    ThreadEndFence(const ThreadEndFence &) = delete;
    ThreadEndFence &operator=(const ThreadEndFence &) = delete;

    /// Called after a wait for the thread returned true.
    void pass() const;

private:
    std::atomic<unsigned> m_ends{0};
};
