#include "latestjobrunner.h"

#include <exception>
#include <utility>

LatestJobRunner::LatestJobRunner(QObject *parent)
    : QObject(parent), m_thread(&LatestJobRunner::work, this)
{
}

LatestJobRunner::~LatestJobRunner()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ending = true;
        m_handedOver = nullptr;
    }
    m_jobGiven.notify_one();
    m_thread.join();
    // A result still on its way to finish() is dropped with its event when
    // the object goes.
}

void LatestJobRunner::submit(Job job)
{
    if (!m_running) {
        start(std::move(job));
        return;
    }
    if (m_waiting)
        ++m_skipped;
    m_waiting = std::move(job);
}

bool LatestJobRunner::isBusy() const
{
    return m_running || m_waiting;
}

quint64 LatestJobRunner::doneCount() const
{
    return m_done;
}

quint64 LatestJobRunner::skippedCount() const
{
    return m_skipped;
}

void LatestJobRunner::start(Job job)
{
    m_running = true;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_handedOver = std::move(job);
    }
    m_jobGiven.notify_one();
}

void LatestJobRunner::work()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_jobGiven.wait(lock, [this] { return m_ending || m_handedOver; });
        if (m_ending)
            return;
        const Job job = std::exchange(m_handedOver, nullptr);
        lock.unlock();
        Then then = run(job);
        lock.lock();
        m_result = std::move(then);
        // Named, so that nothing but the receiver crosses in Qt's event.
        QMetaObject::invokeMethod(this, "finish", Qt::QueuedConnection);
    }
}

LatestJobRunner::Then LatestJobRunner::run(const Job &job)
{
    // An exception must not end the runner's thread (and the program): it
    // becomes a report on the GUI thread.
    QString reason;
    try {
        return job();
    } catch (const std::exception &error) {
        reason = QString::fromUtf8(error.what());
    } catch (...) {
        reason = tr("unknown error");
    }
    return [this, reason] { emit failed(reason); };
}

void LatestJobRunner::finish()
{
    Then then;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        then = std::exchange(m_result, nullptr);
    }
    m_running = false;
    ++m_done;
    if (m_waiting)
        start(std::exchange(m_waiting, nullptr));
    if (then)
        then();
}
