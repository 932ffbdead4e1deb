#include "latestjobrunner.h"

#include <QtConcurrent>

#include <exception>
#include <utility>

LatestJobRunner::LatestJobRunner(QObject *parent) : QObject(parent)
{
    m_pool.setMaxThreadCount(1);
    connect(&m_watcher, &QFutureWatcher<Then>::finished, this, &LatestJobRunner::finish);
}

LatestJobRunner::~LatestJobRunner()
{
    m_waiting = nullptr;
    m_watcher.disconnect(this);
    m_watcher.waitForFinished();
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
    // An exception must not cross into the event loop with the result: it
    // becomes a report on the GUI thread.
    m_watcher.setFuture(QtConcurrent::run(&m_pool, [this, job = std::move(job)]() -> Then {
        try {
            return job();
        } catch (const std::exception &error) {
            const QString reason = QString::fromUtf8(error.what());
            return [this, reason] { emit failed(reason); };
        }
    }));
}

void LatestJobRunner::finish()
{
    m_running = false;
    ++m_done;
    const Then then = m_watcher.result();
    if (m_waiting)
        start(std::exchange(m_waiting, nullptr));
    if (then)
        then();
}
