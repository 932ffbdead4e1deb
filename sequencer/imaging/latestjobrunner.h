#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <functional>

/// Runs work off the GUI thread, one job at a time, so that a stream of
/// images faster than the work keeps nothing queued: a job submitted while
/// another runs waits in its place, replacing (and so skipping) any job
/// that was waiting, and the newest job is always done.
///
/// A job runs on the runner's thread and returns what is to follow on the
/// GUI thread with its result (a function that shows it, say). A job that
/// throws a std::exception reports failed() instead. Destroying the runner
/// waits for a running job and drops a waiting one. GUI thread.
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

private:
    void start(Job job);
    void finish();

    QThreadPool m_pool;
    QFutureWatcher<Then> m_watcher;
    Job m_waiting;
    bool m_running = false;
    quint64 m_done = 0;
    quint64 m_skipped = 0;
};
