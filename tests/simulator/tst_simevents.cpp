// Camera and device events, and what a pulled-out camera answers.

#include <atomic>
#include <thread>

#include "simdrivertest.h"

using namespace SimTest;
using VyraSim::Control;

namespace {

/// An auto-reset event object, closed at the end of the scope.
class Event
{
public:
    Event() : handle(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~Event() { CloseHandle(handle); }
    Event(const Event &) = delete;
    Event &operator=(const Event &) = delete;

    /// Whether the event is set, taking the signal.
    bool take() { return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0; }

    HANDLE handle;
};

bool listen(VyraHandle handle, Event &event, int32_t eventId)
{
    return registerEventObject(handle, event.handle, eventId) == VYRA_SUCCESS &&
           startEventNotification(handle, eventId) == VYRA_SUCCESS;
}

} // namespace

class TestSimEvents : public QObject
{
    Q_OBJECT

private slots:
    void init() { Control::resetToDefaults(); }

    void unplugAndReplugSignalCameraAndDeviceEvents()
    {
        Camera camera;
        Event removed, reconnected, deviceRemoved, deviceConnected;
        QVERIFY(listen(camera.handle, removed, VYRA_EVENT_CAMERA_REMOVED));
        QVERIFY(listen(camera.handle, reconnected, VYRA_EVENT_CAMERA_RECONNECTED));
        QVERIFY(listen(0, deviceRemoved, VYRA_EVENT_DEVICE_REMOVED));
        QVERIFY(listen(0, deviceConnected, VYRA_EVENT_DEVICE_CONNECTED));

        QVERIFY(Control::unplug(smallCamera));
        QVERIFY(removed.take());
        QVERIFY(deviceRemoved.take());
        QVERIFY(!reconnected.take());
        QVERIFY(!deviceConnected.take());
        QVERIFY(!Control::unplug(smallCamera));

        QVERIFY(Control::replug(smallCamera));
        QVERIFY(reconnected.take());
        QVERIFY(deviceConnected.take());
        QVERIFY(!removed.take());
        QVERIFY(!Control::replug(smallCamera));

        // Another camera's plugging reaches only the device listeners.
        QVERIFY(Control::unplug(largeCamera));
        QVERIFY(deviceRemoved.take());
        QVERIFY(!removed.take());
        VyraSim::CameraSpec description = VyraSim::defaultCameras()[1];
        description.deviceId = 40;
        QCOMPARE(Control::plugIn(description), 40);
        QVERIFY(deviceConnected.take());
        QVERIFY(Control::remove(40));
        QVERIFY(deviceRemoved.take());
    }

    void occurrencesBeforeAWaitCoalesce()
    {
        Camera camera;
        Event removed;
        QVERIFY(listen(camera.handle, removed, VYRA_EVENT_CAMERA_REMOVED));
        for (int i = 0; i < 3; ++i) {
            Control::unplug(smallCamera);
            Control::replug(smallCamera);
        }
        QVERIFY(removed.take());
        QVERIFY(!removed.take());
    }

    void onlyStartedRegistrationsAreSignalled()
    {
        Camera camera;
        Event removed;
        QCOMPARE(registerEventObject(camera.handle, removed.handle, VYRA_EVENT_CAMERA_REMOVED),
                 VYRA_SUCCESS);
        Control::unplug(smallCamera);
        QVERIFY(!removed.take());
        Control::replug(smallCamera);

        QCOMPARE(startEventNotification(camera.handle, VYRA_EVENT_CAMERA_REMOVED), VYRA_SUCCESS);
        QCOMPARE(stopEventNotification(camera.handle, VYRA_EVENT_CAMERA_REMOVED), VYRA_SUCCESS);
        Control::unplug(smallCamera);
        QVERIFY(!removed.take());
        Control::replug(smallCamera);

        // Stopping what never started, and unregistering twice, succeed.
        QCOMPARE(stopEventNotification(camera.handle, VYRA_EVENT_CAMERA_RECONNECTED), VYRA_SUCCESS);
        QCOMPARE(unregisterEventObject(camera.handle, VYRA_EVENT_CAMERA_REMOVED), VYRA_SUCCESS);
        QCOMPARE(unregisterEventObject(camera.handle, VYRA_EVENT_CAMERA_REMOVED), VYRA_SUCCESS);
        QCOMPARE(startEventNotification(camera.handle, VYRA_EVENT_CAMERA_REMOVED),
                 VYRA_INVALID_PARAMETER);
    }

    void registeringAgainReplacesTheEventObject()
    {
        Camera camera;
        Event first, second;
        QVERIFY(listen(camera.handle, first, VYRA_EVENT_CAMERA_REMOVED));
        QCOMPARE(registerEventObject(camera.handle, second.handle, VYRA_EVENT_CAMERA_REMOVED),
                 VYRA_SUCCESS);
        Control::unplug(smallCamera);
        QVERIFY(second.take());
        QVERIFY(!first.take());
    }

    void eventArgumentsAreChecked()
    {
        Camera camera;
        Event event;
        QCOMPARE(registerEventObject(camera.handle, event.handle, 5), VYRA_INVALID_PARAMETER);
        QCOMPARE(registerEventObject(camera.handle, event.handle, VYRA_EVENT_DEVICE_REMOVED),
                 VYRA_INVALID_PARAMETER);
        QCOMPARE(registerEventObject(0, event.handle, VYRA_EVENT_CAMERA_REMOVED),
                 VYRA_INVALID_PARAMETER);
        QCOMPARE(registerEventObject(camera.handle, nullptr, VYRA_EVENT_CAMERA_REMOVED),
                 VYRA_INVALID_PARAMETER);
        QCOMPARE(registerEventObject(4242, event.handle, VYRA_EVENT_CAMERA_REMOVED),
                 VYRA_INVALID_HANDLE);
        QCOMPARE(startEventNotification(0, VYRA_EVENT_DEVICE_CONNECTED), VYRA_INVALID_PARAMETER);
    }

    void pulledOutCameraFailsAllButLettingGo()
    {
        Camera camera;
        Event reconnected;
        QVERIFY(listen(camera.handle, reconnected, VYRA_EVENT_CAMERA_RECONNECTED));
        QVERIFY(Control::unplug(smallCamera));
        const VyraStatus gone = VYRA_CANT_OPEN_DEVICE;
        const VyraHandle h = camera.handle;
        char *memory = nullptr;
        int32_t id = 0;
        double value = 0;
        VyraRect aoi{};
        int32_t word = 0;
        QCOMPARE(startLiveCapture(h, VYRA_CAPTURE_START), gone);
        QCOMPARE(startLiveCapture(h, VYRA_CAPTURE_QUERY_LIVE), gone);
        QCOMPARE(captureSingleFrame(h), gone);
        QCOMPARE(aoiControl(h, VYRA_AOI_GET, &aoi, sizeof aoi), gone);
        QCOMPARE(exposureControl(h, VYRA_EXPOSURE_GET, &value, 8), gone);
        QCOMPARE(setSensorGains(h, 10, -1, -1, -1), gone);
        QCOMPARE(sequencerControl(h, VYRA_SEQUENCER_SUPPORTED, &word, 4), gone);
        QCOMPARE(allocateFrameBuffer(h, 64, 64, 24, &memory, &id), gone);
        QCOMPARE(waitForQueuedImage(h, 0, &memory, &id), gone);
        QCOMPARE(registerEventObject(h, reconnected.handle, VYRA_EVENT_CAMERA_REMOVED), gone);

        int32_t count = 0;
        countCameras(&count);
        QCOMPARE(count, 2);
        VyraStatus status = 0;
        QCOMPARE(openDevice(smallCamera, &status), VyraHandle(0));
        QCOMPARE(status, VYRA_INVALID_DEVICE_ID);

        // Letting go works: the application can clean up a removed camera.
        QCOMPARE(stopEventNotification(h, VYRA_EVENT_CAMERA_RECONNECTED), VYRA_SUCCESS);
        QCOMPARE(unregisterEventObject(h, VYRA_EVENT_CAMERA_RECONNECTED), VYRA_SUCCESS);
        QCOMPARE(clearBufferRing(h), VYRA_SUCCESS);
        QCOMPARE(unlockRingBuffer(h, camera.buffers[0].id, camera.buffers[0].memory), VYRA_SUCCESS);
        for (const Camera::Buffer &buffer : camera.buffers)
            QCOMPARE(releaseFrameBuffer(h, buffer.memory, buffer.id), VYRA_SUCCESS);
        camera.buffers.clear();
        QCOMPARE(closeCamera(h), VYRA_SUCCESS);
        camera.handle = 0;
    }

    void waiterLearnsOfTheRemoval()
    {
        Camera camera;
        QCOMPARE(selectTriggerSource(camera.handle, VYRA_TRIGGER_SINGLE), VYRA_SUCCESS);
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
        std::atomic<int> result{-100};
        std::thread waiter([&] {
            char *memory = nullptr;
            int32_t id = 0;
            result = waitForQueuedImage(camera.handle, 60000, &memory, &id);
        });
        // The waiter blocks (no trigger comes); whether or not it is already
        // waiting, the removal ends its call with the pulled-out status.
        QTest::qWait(20);
        QCOMPARE(result.load(), -100);
        Control::unplug(smallCamera);
        waiter.join();
        QCOMPARE(result.load(), int(VYRA_CANT_OPEN_DEVICE));
    }

    void replugKeepsSettingsAndCaptureGoesOn()
    {
        Camera camera(smallCamera, 4);
        QCOMPARE(setExposure(camera.handle, 7.5), VYRA_SUCCESS);
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
        char *memory = nullptr;
        int32_t id = 0;
        QCOMPARE(camera.wait(&memory, &id), VYRA_SUCCESS);
        camera.unlock(memory, id);

        Control::unplug(smallCamera);
        const uint64_t taken = Control::openCameraState(camera.handle)->framesTaken;
        QTest::qWait(100);
        QCOMPARE(Control::openCameraState(camera.handle)->framesTaken, taken);

        Control::replug(smallCamera);
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_QUERY_LIVE), 1);
        QCOMPARE(exposureValue(camera.handle), 7.5);
        // Images taken before the removal may still be queued; new ones follow.
        bool fresh = false;
        for (int i = 0; i < 64 && !fresh; ++i) {
            QCOMPARE(camera.wait(&memory, &id), VYRA_SUCCESS);
            fresh = describe(camera.handle, id).frameNumber > taken;
            camera.unlock(memory, id);
        }
        QVERIFY(fresh);
    }

    void closingDropsTheCameraRegistrations()
    {
        Event removed;
        {
            Camera camera;
            QVERIFY(listen(camera.handle, removed, VYRA_EVENT_CAMERA_REMOVED));
        }
        const VyraHandle reopened = openDevice(smallCamera);
        Control::unplug(smallCamera);
        QVERIFY(!removed.take());
        closeCamera(reopened);
    }
};

QTEST_GUILESS_MAIN(TestSimEvents)
#include "tst_simevents.moc"
