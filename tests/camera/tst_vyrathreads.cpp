#include <QTest>

#include <functional>
#include <memory>

#include "camerasupport.h"
#include "imagegate.h"
#include "vyraautotriggerthread.h"
#include "vyracamera.h"
#include "vyracameraexception.h"
#include "vyracapturethread.h"
#include "vyrawindowseventthread.h"

using namespace CameraTest;
using VyraSim::Control;

namespace {

// Calls of the operation made on the given thread.
int callsOnThread(const std::string &operation, std::thread::id thread)
{
    const auto calls = callsOf(operation);
    return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                          [&](const auto &call) { return call.thread == thread; }));
}

// The call log's ID of a running QThread, taken from its first call.
std::optional<std::thread::id> threadOfFirstCall(const std::string &operation)
{
    const std::thread::id self = std::this_thread::get_id();
    for (const auto &call : callsOf(operation)) {
        if (call.thread != self) {
            return call.thread;
        }
    }
    return std::nullopt;
}

bool waitFor(const std::function<bool()> &condition, int timeoutMs = 10000)
{
    QElapsedTimer deadline;
    deadline.start();
    while (!condition()) {
        if (deadline.elapsed() > timeoutMs) {
            return false;
        }
        QThread::usleep(200);
    }
    return true;
}

} // namespace

// The capture, event and auto-trigger threads: their loops, stopping and
// failure handling.
class TestVyraThreads : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void captureStopsWithinOneWait();
    void captureStopRightAfterStartIsKept();
    void captureRestartsAfterStop();
    void captureSurvivesFailingWaits();
    void imageGateThinsOnlyAFastStream_data();
    void imageGateThinsOnlyAFastStream();

    void eventThreadReportsEachWakeOnce();
    void eventThreadStopsAndDisconnectsItsOwnEvent();
    void eventThreadConstructionFailures();

    void autoTriggerAtOneMillisecond();
    void autoTriggerSurvivesFailingTriggers();
    void autoTriggerStopCutsThePauseShort();
    void autoTriggerStopRightAfterStartIsKept();
    void autoTriggerRestartsAndFollowsTheInterval();
    void destroyingARunningAutoTriggerStopsIt();

private:
    // A second camera opened straight through the driver, so that the event
    // threads under test do not share registrations with a VyraCamera's own.
    VyraHandle openRawCamera();

    QSharedPointer<VyraCamera> m_camera;
    VyraHandle m_rawHandle = 0;
};

void TestVyraThreads::init()
{
    QVERIFY(resetWorld({smallCamera(), largeCamera()}));
    m_rawHandle = 0;
    m_camera.reset(new VyraCamera(firstDeviceId));
    Control::clearCalls();
}

void TestVyraThreads::cleanup()
{
    Control::clearFailures();
    m_camera.reset();
    if (m_rawHandle != 0) {
        closeCamera(m_rawHandle);
    }
}

VyraHandle TestVyraThreads::openRawCamera()
{
    m_rawHandle = VyraHandle(secondDeviceId) | VYRA_USE_DEVICE_ID;
    if (openCamera(&m_rawHandle, nullptr) != VYRA_SUCCESS) {
        m_rawHandle = 0;
    }
    Control::clearCalls();
    return m_rawHandle;
}

void TestVyraThreads::captureStopsWithinOneWait()
{
    // Not live: every wait of the loop runs into its full time-out.
    VyraCaptureThread thread(m_camera.data());
    thread.start();
    std::optional<std::thread::id> id;
    QVERIFY(waitFor([&] { return (id = threadOfFirstCall("waitForQueuedImage")).has_value(); }));
    const int waitsBefore = callsOnThread("waitForQueuedImage", *id);
    thread.requestStop();
    QVERIFY(thread.wait(10000));
    // Only the wait in progress when the request came may have been logged since.
    QVERIFY(callsOnThread("waitForQueuedImage", *id) <= waitsBefore + 1);
}

void TestVyraThreads::captureStopRightAfterStartIsKept()
{
    VyraCaptureThread thread(m_camera.data());
    for (int round = 0; round < 20; ++round) {
        thread.start();
        thread.requestStop();
        QVERIFY2(thread.wait(10000), "a stop request right after start() was lost");
    }
}

void TestVyraThreads::captureRestartsAfterStop()
{
    VyraCaptureThread thread(m_camera.data());
    thread.start();
    thread.requestStop();
    thread.wait();
    thread.start();
    QVERIFY(waitFor([&] { return backgroundCallCount("waitForQueuedImage") > 0; }));
    QVERIFY(thread.isRunning());
    thread.requestStop();
    QVERIFY(thread.wait(10000));
}

void TestVyraThreads::captureSurvivesFailingWaits()
{
    QueuedSpy images(m_camera.data(), &VyraCamera::imageCaptured);
    QVERIFY(Control::injectFailure("waitForQueuedImage", VYRA_IO_REQUEST_FAILED, 20));
    m_camera->enableLiveVideo(true);
    QTRY_VERIFY_WITH_TIMEOUT(Control::pendingFailures() == 0, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(images.count() >= 2, 10000);
}

void TestVyraThreads::imageGateThinsOnlyAFastStream_data()
{
    // Steps: "image T" offers the next image at T ms, "poll T" is the capture
    // loop waking at T for a held image, "stop" ends the loop. The result
    // lists the images let through as index@time.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("passed");
    QTest::newRow("first image at once") << "image 5" << "0@5";
    QTest::newRow("slower than the gate") << "image 0,image 31,image 70" << "0@0 1@31 2@70";
    QTest::newRow("held until its turn") << "image 0,image 10,poll 30,poll 31" << "0@0 1@31";
    QTest::newRow("newest held image wins") << "image 0,image 10,image 20,poll 31"
                                            << "0@0 2@31";
    QTest::newRow("a newer image past the turn goes itself")
        << "image 0,image 20,image 45" << "0@0 2@45";
    QTest::newRow("held image goes when the loop stops") << "image 0,image 5,stop"
                                                         << "0@0 1@stop";
    QTest::newRow("nothing held, nothing at stop") << "image 0,stop" << "0@0";
}

void TestVyraThreads::imageGateThinsOnlyAFastStream()
{
    QFETCH(QString, steps);
    QFETCH(QString, passed);
    ImageGate gate;
    int offered = 0;
    QStringList seen;
    const auto note = [&](const QSharedPointer<QImage> &image, const QString &when) {
        if (image)
            seen << QStringLiteral("%1@%2").arg(image->text(QStringLiteral("index")), when);
    };
    for (const QString &step : steps.split(QLatin1Char(','))) {
        const QStringList words = step.split(QLatin1Char(' '));
        const qint64 now = words.value(1).toLongLong();
        if (words.first() == QLatin1String("image")) {
            auto image = QSharedPointer<QImage>::create(1, 1, QImage::Format_RGB888);
            image->setText(QStringLiteral("index"), QString::number(offered++));
            note(gate.offer(image, now), words.value(1));
        } else if (words.first() == QLatin1String("poll")) {
            QVERIFY(gate.isHolding());
            // The loop's wait ends exactly when the held image is due.
            const bool due = gate.msUntilDue(now) == 0;
            const QSharedPointer<QImage> image = gate.takeDue(now);
            QCOMPARE(!image.isNull(), due);
            note(image, words.value(1));
        } else {
            note(gate.takeHeld(), QStringLiteral("stop"));
        }
    }
    QCOMPARE(seen.join(QLatin1Char(' ')), passed);
}

void TestVyraThreads::eventThreadReportsEachWakeOnce()
{
    const VyraHandle handle = openRawCamera();
    QVERIFY(handle != 0);
    VyraWindowsEventThread thread(handle, VYRA_EVENT_CAMERA_REMOVED);
    QueuedSpy emitted(&thread, &VyraEventThread::eventEmitted);
    QueuedSpy timeouts(&thread, &VyraEventThread::eventTimeout);
    // Two removals before the thread waits at all: one auto-reset wake.
    QVERIFY(Control::unplug(secondDeviceId));
    QVERIFY(Control::replug(secondDeviceId));
    QVERIFY(Control::unplug(secondDeviceId));
    thread.start();
    QTRY_VERIFY_WITH_TIMEOUT(timeouts.count() > 0, 10000);
    QCOMPARE(emitted.count(), 1);

    // A later removal while it waits wakes it again.
    QVERIFY(Control::replug(secondDeviceId));
    QVERIFY(Control::unplug(secondDeviceId));
    QTRY_COMPARE_WITH_TIMEOUT(emitted.count(), 2, 10000);
    thread.requestStop();
    QVERIFY(thread.wait(10000));
    thread.disconnectEvent();
}

void TestVyraThreads::eventThreadStopsAndDisconnectsItsOwnEvent()
{
    const VyraHandle handle = openRawCamera();
    QVERIFY(handle != 0);
    VyraWindowsEventThread thread(handle, VYRA_EVENT_CAMERA_RECONNECTED);
    QCOMPARE(callCount("registerEventObject", VYRA_EVENT_CAMERA_RECONNECTED), 1);
    QCOMPARE(callCount("startEventNotification", VYRA_EVENT_CAMERA_RECONNECTED), 1);
    thread.start();
    thread.requestStop();
    QVERIFY(thread.wait(10000));
    Control::clearCalls();
    thread.disconnectEvent();
    QCOMPARE(callCount("stopEventNotification", VYRA_EVENT_CAMERA_RECONNECTED), 1);
    QCOMPARE(callCount("unregisterEventObject", VYRA_EVENT_CAMERA_RECONNECTED), 1);
    QCOMPARE(callCount("stopEventNotification"), 1);
    // Disconnected once: neither a second call nor the destructor repeats it.
    thread.disconnectEvent();
    QCOMPARE(callCount("stopEventNotification"), 1);
}

void TestVyraThreads::eventThreadConstructionFailures()
{
    const VyraHandle handle = openRawCamera();
    QVERIFY(handle != 0);
    QVERIFY(Control::injectFailure("registerEventObject", VYRA_INVALID_HANDLE));
    QVERIFY_EXCEPTION_THROWN(VyraWindowsEventThread(handle, VYRA_EVENT_CAMERA_REMOVED),
                             VyraCameraException);
    QCOMPARE(callCount("startEventNotification"), 0);

    Control::clearCalls();
    QVERIFY(Control::injectFailure("startEventNotification", VYRA_INVALID_HANDLE));
    try {
        VyraWindowsEventThread thread(handle, VYRA_EVENT_CAMERA_REMOVED);
        QFAIL("a failed notification start did not throw");
    } catch (const VyraCameraException &exception) {
        QCOMPARE(QByteArray(exception.what()), QByteArray("Invalid camera handle (1)"));
    }
    // The registration made before is taken back.
    QCOMPARE(callCount("unregisterEventObject", VYRA_EVENT_CAMERA_REMOVED), 1);
}

void TestVyraThreads::autoTriggerAtOneMillisecond()
{
    // 0 is raised to 1 ms; a pause of interval - 1 must not underflow.
    VyraAutoTriggerThread thread(m_camera, 0);
    QCOMPARE(thread.interval(), quint64(1));
    thread.start();
    QVERIFY(waitFor([] { return callCount("captureSingleFrame") >= 50; }));
    thread.requestStop();
    QVERIFY(thread.wait(10000));
}

void TestVyraThreads::autoTriggerSurvivesFailingTriggers()
{
    VyraAutoTriggerThread thread(m_camera, 1);
    QVERIFY(Control::injectFailure("captureSingleFrame", VYRA_INVALID_HANDLE, 10));
    thread.start();
    QVERIFY(waitFor([] {
        const auto triggers = callsOf("captureSingleFrame");
        return triggers.size() > 12 && triggers.back().status == VYRA_SUCCESS;
    }));
    thread.requestStop();
    QVERIFY(thread.wait(10000));

    // Triggers on a removed camera fail too, and the loop goes on.
    QVERIFY(Control::unplug(firstDeviceId));
    Control::clearCalls();
    thread.start();
    QVERIFY(waitFor([] { return callCount("captureSingleFrame") >= 5; }));
    QVERIFY(thread.isRunning());
    QVERIFY(callsOf("captureSingleFrame").back().status != VYRA_SUCCESS);
}

void TestVyraThreads::autoTriggerStopCutsThePauseShort()
{
    VyraAutoTriggerThread thread(m_camera, 1000000);
    thread.start();
    QVERIFY(waitFor([] { return callCount("captureSingleFrame") == 1; }));
    thread.requestStop();
    QVERIFY2(thread.wait(10000), "the stop request waited for the end of the pause");
    QCOMPARE(callCount("captureSingleFrame"), 1);
}

void TestVyraThreads::autoTriggerStopRightAfterStartIsKept()
{
    VyraAutoTriggerThread thread(m_camera, 1000000);
    for (int round = 0; round < 20; ++round) {
        thread.start();
        thread.requestStop();
        QVERIFY2(thread.wait(10000), "a stop request right after start() was lost");
    }
    // Each run triggers at most once before it sees the request.
    QVERIFY(callCount("captureSingleFrame") <= 20);
}

void TestVyraThreads::autoTriggerRestartsAndFollowsTheInterval()
{
    VyraAutoTriggerThread thread(m_camera, 1000000);
    thread.start();
    QVERIFY(waitFor([] { return callCount("captureSingleFrame") == 1; }));
    thread.requestStop();
    // Started again before the old run has ended: the start wins.
    thread.start();
    QVERIFY(waitFor([] { return callCount("captureSingleFrame") == 2; }));
    QVERIFY(thread.isRunning());
    thread.setInterval(2);
    QCOMPARE(thread.interval(), quint64(2));
    // The new interval applies from the next pause on; the current pause
    // (a million ms) is cut short by the stop.
    thread.requestStop();
    thread.start();
    QVERIFY(waitFor([] { return callCount("captureSingleFrame") >= 20; }));
}

void TestVyraThreads::destroyingARunningAutoTriggerStopsIt()
{
    auto thread = std::make_unique<VyraAutoTriggerThread>(m_camera, 5);
    thread->start();
    QVERIFY(waitFor([] { return callCount("captureSingleFrame") >= 2; }));
    thread.reset();
    const int triggers = callCount("captureSingleFrame");
    // A loop still running would trigger every 5 ms.
    QTest::qWait(100);
    QCOMPARE(callCount("captureSingleFrame"), triggers);
}

QTEST_GUILESS_MAIN(TestVyraThreads)
#include "tst_vyrathreads.moc"
