#pragma once

#include <QImage>
#include <QSharedPointer>
#include <QThread>

#include <atomic>
#include <climits>

#include "threadendfence.h"

class VyraCamera;

/// Waits for the camera's images in a loop, hands every one to the camera's
/// ImageFanOut and passes them on to the display through an ImageGate: at
/// most one per more than 30 ms, the newest never lost. Owned, started and
/// stopped only by its VyraCamera.
class VyraCaptureThread : public QThread
{
    Q_OBJECT

public:
    explicit VyraCaptureThread(VyraCamera *camera);
    ~VyraCaptureThread() override;

    /// Clears a pending stop request and starts the loop. A thread that was
    /// asked to stop and is still running is waited for first, so neither a
    /// stop made right after start() nor a start made right after a stop is lost.
    void start(QThread::Priority priority = QThread::InheritPriority);
    /// Asks the loop to end after its current pass; returns at once.
    void requestStop();
    /// Waits for the thread to end, as QThread::wait() does, and takes over
    /// what the thread wrote (ThreadEndFence): the camera replaces the
    /// buffers the loop read once it has waited.
    bool wait(unsigned long timeMs = ULONG_MAX);

signals:
    void newImageCaptured(QSharedPointer<QImage> image);

protected:
    void run() override;

private:
    void pass(const QSharedPointer<QImage> &image);

    VyraCamera *m_camera;
    std::atomic<bool> m_stopRequest{false};
    ThreadEndFence m_end{this};
};
