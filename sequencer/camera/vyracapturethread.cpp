#include "vyracapturethread.h"

#include <QElapsedTimer>

#include "imagegate.h"
#include "vyracamera.h"
#include "vyracameraexception.h"

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

bool VyraCaptureThread::wait(unsigned long timeMs)
{
    if (!QThread::wait(timeMs))
        return false;
    m_end.pass();
    return true;
}

void VyraCaptureThread::run()
{
    // One gate for the whole loop: it thins a fast stream for the screen,
    // and an image it holds back goes on once its turn comes or, at the
    // latest, when the loop ends.
    ImageGate gate;
    QElapsedTimer clock;
    clock.start();
    while (!m_stopRequest.load()) {
        try {
            // The driver's wait (at most two frame periods) paces the loop;
            // a held image shortens it to the held image's turn.
            const int maximumWaitMs =
                gate.isHolding() ? int(gate.msUntilDue(clock.elapsed())) : -1;
            if (QSharedPointer<QImage> image = m_camera->waitForNextImage(maximumWaitMs)) {
                // Every image goes out to the fan-out; the screen gets what
                // the gate lets through.
                m_camera->images().deliver(image);
                pass(gate.offer(image, clock.elapsed()));
            }
            pass(gate.takeDue(clock.elapsed()));
        } catch (const VyraCameraException &) {
            // A failed pass only costs that image; capture goes on.
        }
    }
    pass(gate.takeHeld());
}

void VyraCaptureThread::pass(const QSharedPointer<QImage> &image)
{
    if (image)
        emit newImageCaptured(image);
}
