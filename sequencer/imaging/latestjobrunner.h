#pragma once

#include <QObject>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

/// Runs work off the GUI thread, one job at a time, so that a stream of
/// images faster than the work keeps nothing queued: a job submitted while
/// another runs waits in its place, replacing (and so skipping) any job
/// that was waiting, and the newest job is always done.
///
/// A job runs on the runner's thread and returns what is to follow on the
/// GUI thread with its result (a function that shows it, say). A job that
/// throws reports failed() instead. Destroying the runner waits for a
/// running job and drops a waiting one. GUI thread.
///
/// Jobs and their results cross between the threads under a standard mutex
/// only, so that the thread sanitizer sees every hand-off (it cannot see
/// through a thread pool's own locks).
class LatestJobRunner : public QObject
{
    Q_OBJECT

public:
    using Then = std::function<void()>;
    using Job = std::function<Then()>;

    explicit LatestJobRunner(QObject *parent = nullptr);
    ~LatestJobRunner() override;

    void submit(Job job);
    /// A job runs or waits.
    bool isBusy() const;
    /// Jobs that ran to their end, and jobs replaced before they ran.
    quint64 doneCount() const;
    quint64 skippedCount() const;

signals:
    void failed(const QString &reason);

private slots:
    /// Takes the finished job's result; queued from the runner's thread.
    void finish();

private:
    void start(Job job);
    /// The runner's thread: runs each job handed to it until told to end.
    void work();
    Then run(const Job &job);

    std::mutex m_mutex;
    std::condition_variable m_jobGiven;
    /// Handed to the runner's thread, and back from it; under m_mutex.
    Job m_handedOver;
    Then m_result;
    bool m_ending = false;

    /// GUI thread only.
    Job m_waiting;
    bool m_running = false;
    quint64 m_done = 0;
    quint64 m_skipped = 0;

    /// Last, so that it starts once everything it reads is built.
    std::thread m_thread;
};
