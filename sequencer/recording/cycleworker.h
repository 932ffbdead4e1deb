#pragma once

#include <QThreadPool>

#include <atomic>
#include <functional>
#include <mutex>

/// Works on a recording's complete cycles (fusing them, merging their
/// radiance) on a thread of its own, one cycle at a time, so that whoever
/// hands a cycle on never waits: a cycle that comes while one is worked on
/// waits in its place, replacing (and so skipping) any cycle already
/// waiting. Thread-safe.
class CycleWorker
{
public:
    /// The work on one cycle; false when the cycle could not be worked on.
    using Work = std::function<bool()>;

    CycleWorker();
    /// Waits for the work that runs; work that waits is dropped.
    ~CycleWorker();
    CycleWorker(const CycleWorker &) = delete;
    CycleWorker &operator=(const CycleWorker &) = delete;

    void submit(Work work);
    /// Calls then once no work runs or waits: at once on the calling
    /// thread when the worker is idle, else on its thread after the last.
    void whenIdle(std::function<void()> then);
    void waitForDone();
    /// Cycles replaced while they waited, and those whose work failed.
    int skipped() const;

private:
    /// Runs the waiting work until none is left; worker thread.
    void runWaiting();

    std::mutex m_mutex;
    Work m_waiting;
    bool m_running = false;
    std::function<void()> m_whenIdle;
    std::atomic<int> m_skipped{0};
    QThreadPool m_thread;
};
