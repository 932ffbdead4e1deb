#include "vyracapturethread.h"

#include <QElapsedTimer>

#include "vyracamera.h"
#include "vyracameraexception.h"

namespace {
// Images are handed on at most once per more than this many milliseconds.
constexpr qint64 minimumEmitIntervalMs = 30;
} // namespace

VyraCaptureThread::VyraCaptureThread(VyraCamera *camera) : m_camera(camera)
{
}

VyraCaptureThread::~VyraCaptureThread()
{
    requestStop();
    wait();
}

void VyraCaptureThread::start(QThread::Priority priority)
{
    if (m_stopRequest.load()) {
        wait();
    }
    m_stopRequest.store(false);
    QThread::start(priority);
}

void VyraCaptureThread::requestStop()
{
    m_stopRequest.exchange(true);
}

void VyraCaptureThread::run()
{
    QElapsedTimer emitTimer;
    emitTimer.start();
    while (!m_stopRequest.load()) {
        try {
            // The driver's wait (at most two frame periods) paces the loop.
            QSharedPointer<QImage> image = m_camera->waitForNextImage();
            if (image && emitTimer.elapsed() > minimumEmitIntervalMs) {
                emit newImageCaptured(image);
                emitTimer.restart();
            }
        } catch (const VyraCameraException &) {
            // A failed pass only costs that image; capture goes on.
        }
    }
}
