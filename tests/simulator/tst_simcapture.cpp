// Capture: the trigger modes, the queue, locked buffers, dropped frames, the
// time-out, stopping, and the frame descriptor.

#include <atomic>
#include <thread>

#include "simdrivertest.h"

using namespace SimTest;
using VyraSim::Control;

namespace {

uint64_t framesTaken(VyraHandle handle)
{
    return Control::openCameraState(handle)->framesTaken;
}

} // namespace

class TestSimCapture : public QObject
{
    Q_OBJECT

private slots:
    void init() { Control::resetToDefaults(); }

    void freeRunDeliversContinuously()
    {
        Camera camera;
        QVERIFY(camera.ok());
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_QUERY_LIVE), 0);
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_QUERY_LIVE), 1);
        uint64_t previous = 0;
        for (int i = 0; i < 5; ++i) {
            char *memory = nullptr;
            int32_t id = 0;
            QCOMPARE(camera.wait(&memory, &id), VYRA_SUCCESS);
            const VyraFrameDescriptor d = describe(camera.handle, id);
            QVERIFY(d.frameNumber > previous);
            QCOMPARE(d.triggerSource, VYRA_TRIGGER_OFF);
            previous = d.frameNumber;
            camera.unlock(memory, id);
        }
        QCOMPARE(stopLiveCapture(camera.handle, VYRA_CAPTURE_FORCE_STOP), VYRA_SUCCESS);
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_QUERY_LIVE), 0);
    }

    void softwareTriggerModeRunsAndAddsImages()
    {
        Camera camera;
        QCOMPARE(selectTriggerSource(camera.handle, VYRA_TRIGGER_SOFTWARE), VYRA_SUCCESS);
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
        char *memory = nullptr;
        int32_t id = 0;
        QCOMPARE(camera.wait(&memory, &id), VYRA_SUCCESS);
        QCOMPARE(describe(camera.handle, id).triggerSource, VYRA_TRIGGER_SOFTWARE);
        camera.unlock(memory, id);
        QCOMPARE(captureSingleFrame(camera.handle), VYRA_SUCCESS);
        QCOMPARE(camera.wait(&memory, &id), VYRA_SUCCESS);
        camera.unlock(memory, id);
    }

    void singleTriggerModeTakesOneImagePerTrigger()
    {
        Camera camera(smallCamera, 8);
        QCOMPARE(selectTriggerSource(camera.handle, VYRA_TRIGGER_SINGLE), VYRA_SUCCESS);
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
        char *memory = nullptr;
        int32_t id = 0;
        QCOMPARE(camera.wait(&memory, &id, 100), VYRA_TIMED_OUT);
        QCOMPARE(framesTaken(camera.handle), 0u);

        for (int trigger = 1; trigger <= 3; ++trigger) {
            QCOMPARE(captureSingleFrame(camera.handle), VYRA_SUCCESS);
            QCOMPARE(camera.wait(&memory, &id), VYRA_SUCCESS);
            QCOMPARE(describe(camera.handle, id).frameNumber, uint64_t(trigger));
            QCOMPARE(describe(camera.handle, id).triggerSource, VYRA_TRIGGER_SINGLE);
            camera.unlock(memory, id);
        }
        QCOMPARE(camera.wait(&memory, &id, 50), VYRA_TIMED_OUT);
        QCOMPARE(framesTaken(camera.handle), 3u);
    }

    void stoppingLiveCaptureEndsAWaitForAnImage()
    {
        Camera camera;
        QCOMPARE(selectTriggerSource(camera.handle, VYRA_TRIGGER_SINGLE), VYRA_SUCCESS);
        std::atomic<VyraStatus> waited{-2};
        std::thread waiter([&] {
            char *memory = nullptr;
            int32_t id = 0;
            waited = waitForQueuedImage(camera.handle, 60000, &memory, &id);
        });
        // Whenever the wait has begun, the next stop ends it.
        while (waited == -2) {
            QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
            QCOMPARE(stopLiveCapture(camera.handle, VYRA_CAPTURE_FORCE_STOP), VYRA_SUCCESS);
            std::this_thread::yield();
        }
        waiter.join();
        QCOMPARE(waited.load(), VYRA_IMAGE_NOT_PRESENT);
        // A wait that begins after the stop waits as before.
        char *memory = nullptr;
        int32_t id = 0;
        QCOMPARE(camera.wait(&memory, &id, 20), VYRA_TIMED_OUT);
    }

    void freeRunRefusesSoftwareTriggersWhileLive()
    {
        Camera camera;
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
        QCOMPARE(captureSingleFrame(camera.handle), VYRA_TRIGGER_NOT_ACTIVATED);
    }

    void singleFrameWhileNotLiveIsThereAtOnce()
    {
        Camera camera;
        QCOMPARE(captureSingleFrame(camera.handle), VYRA_SUCCESS);
        char *memory = nullptr;
        int32_t id = 0;
        QCOMPARE(camera.wait(&memory, &id, 0), VYRA_SUCCESS);
        QCOMPARE(describe(camera.handle, id).frameNumber, 1u);
        camera.unlock(memory, id);
        QCOMPARE(camera.wait(&memory, &id, 0), VYRA_TIMED_OUT);
    }

    void lockedBufferIsNotRefilledUntilUnlocked()
    {
        Camera camera(smallCamera, 1);
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
        char *memory = nullptr;
        int32_t id = 0;
        QCOMPARE(camera.wait(&memory, &id), VYRA_SUCCESS);
        const uint64_t held = describe(camera.handle, id).frameNumber;
        const QImage before = camera.image(memory, id);
        // The sensor goes on taking images; with the only buffer locked they drop.
        QTRY_VERIFY_WITH_TIMEOUT(Control::openCameraState(camera.handle)->framesDropped >= 3,
                                 imageTimeoutMs);
        QCOMPARE(describe(camera.handle, id).frameNumber, held);
        QCOMPARE(camera.image(memory, id), before);
        QCOMPARE(Control::openCameraState(camera.handle)->buffersLocked, 1);

        camera.unlock(memory, id);
        QCOMPARE(camera.wait(&memory, &id), VYRA_SUCCESS);
        const VyraFrameDescriptor next = describe(camera.handle, id);
        QVERIFY(next.frameNumber > held + 2);
        QVERIFY(next.droppedFrames >= 3);
        camera.unlock(memory, id);
    }

    void queueKeepsImagesInOrderAndDropsWhenFull()
    {
        Camera camera(smallCamera, 3);
        QCOMPARE(selectTriggerSource(camera.handle, VYRA_TRIGGER_SINGLE), VYRA_SUCCESS);
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(captureSingleFrame(camera.handle), VYRA_SUCCESS);
        QTRY_COMPARE_WITH_TIMEOUT(framesTaken(camera.handle), 5u, imageTimeoutMs);
        const VyraSim::OpenCameraState state = *Control::openCameraState(camera.handle);
        QCOMPARE(state.buffersQueued, 3);
        QCOMPARE(state.framesDelivered, 3u);
        QCOMPARE(state.framesDropped, 2u);
        for (uint64_t expected = 1; expected <= 3; ++expected) {
            char *memory = nullptr;
            int32_t id = 0;
            QCOMPARE(camera.wait(&memory, &id, 0), VYRA_SUCCESS);
            QCOMPARE(describe(camera.handle, id).frameNumber, expected);
            camera.unlock(memory, id);
        }
    }

    void waitTimesOutAndReportsMissingPrerequisites()
    {
        Camera camera;
        char *memory = nullptr;
        int32_t id = 0;
        QCOMPARE(camera.wait(&memory, &id, 30), VYRA_TIMED_OUT);
        QCOMPARE(camera.wait(&memory, &id, -1), VYRA_INVALID_PARAMETER);
        QCOMPARE(camera.wait(nullptr, &id, 0), VYRA_INVALID_MEMORY_POINTER);
        QCOMPARE(clearBufferRing(camera.handle), VYRA_SUCCESS);
        QCOMPARE(camera.wait(&memory, &id, 0), VYRA_NO_ACTIVE_IMAGE_MEMORY);
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_NO_ACTIVE_IMAGE_MEMORY);
        QCOMPARE(captureSingleFrame(camera.handle), VYRA_NO_ACTIVE_IMAGE_MEMORY);

        const VyraHandle bare = openDevice(largeCamera);
        QVERIFY(bare != 0);
        QCOMPARE(waitForQueuedImage(bare, 0, &memory, &id), VYRA_INVALID_CAPTURE_MODE);
        closeCamera(bare);
    }

    void stoppingEndsDelivery()
    {
        Camera camera(smallCamera, 8);
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
        char *memory = nullptr;
        int32_t id = 0;
        QCOMPARE(camera.wait(&memory, &id), VYRA_SUCCESS);
        camera.unlock(memory, id);
        QCOMPARE(clearBufferRing(camera.handle), VYRA_CAPTURE_RUNNING);
        QCOMPARE(stopLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
        QCOMPARE(stopLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
        const uint64_t delivered = Control::openCameraState(camera.handle)->framesDelivered;
        while (camera.wait(&memory, &id, 0) == VYRA_SUCCESS)
            camera.unlock(memory, id);
        QCOMPARE(camera.wait(&memory, &id, 100), VYRA_TIMED_OUT);
        QCOMPARE(Control::openCameraState(camera.handle)->framesDelivered, delivered);
        QCOMPARE(stopLiveCapture(camera.handle, 3), VYRA_INVALID_PARAMETER);
    }

    void restartingLiveResetsTheDropCount()
    {
        Camera camera(smallCamera, 1);
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
        QTRY_VERIFY_WITH_TIMEOUT(Control::openCameraState(camera.handle)->framesDropped >= 1,
                                 imageTimeoutMs);
        QCOMPARE(stopLiveCapture(camera.handle, VYRA_CAPTURE_FORCE_STOP), VYRA_SUCCESS);
        char *memory = nullptr;
        int32_t id = 0;
        QCOMPARE(camera.wait(&memory, &id, 0), VYRA_SUCCESS);
        camera.unlock(memory, id);
        QCOMPARE(selectTriggerSource(camera.handle, VYRA_TRIGGER_SINGLE), VYRA_SUCCESS);
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
        QCOMPARE(captureSingleFrame(camera.handle), VYRA_SUCCESS);
        QCOMPARE(camera.wait(&memory, &id), VYRA_SUCCESS);
        QCOMPARE(describe(camera.handle, id).droppedFrames, 0u);
        camera.unlock(memory, id);
    }

    void descriptorDescribesTheImage()
    {
        Camera camera;
        QCOMPARE(setExposure(camera.handle, 12.5), VYRA_SUCCESS);
        VyraFrameDescriptor first{};
        VyraFrameDescriptor second{};
        camera.snap(&first);
        camera.snap(&second);
        QCOMPARE(first.frameNumber, 1u);
        QCOMPARE(second.frameNumber, 2u);
        QVERIFY(second.timestampUs >= first.timestampUs);
        QCOMPARE(first.width, 1280);
        QCOMPARE(first.height, 1024);
        QCOMPARE(first.linePitch, 3840);
        QCOMPARE(first.exposureMs, 12.5);
        QCOMPARE(int(first.sequencerSet), 0);
        QVERIFY(first.time.year >= 2024);
        QVERIFY(first.time.month >= 1 && first.time.month <= 12);

        VyraFrameDescriptor d{};
        const Camera::Buffer unused = camera.buffers.back();
        QCOMPARE(describeFrame(camera.handle, unused.id, &d, sizeof d), VYRA_IMAGE_NOT_PRESENT);
        QCOMPARE(describeFrame(camera.handle, 999, &d, sizeof d), VYRA_INVALID_MEMORY_POINTER);
        QCOMPARE(describeFrame(camera.handle, camera.buffers[0].id, &d, 87),
                 VYRA_INVALID_PARAMETER);
        QCOMPARE(describeFrame(camera.handle, camera.buffers[0].id, nullptr, 88),
                 VYRA_INVALID_MEMORY_POINTER);
    }

    void bufferBookkeeping()
    {
        Camera camera(smallCamera, 2);
        char *memory = nullptr;
        int32_t id = 0;
        QCOMPARE(allocateFrameBuffer(camera.handle, 0, 10, 24, &memory, &id),
                 VYRA_INVALID_PARAMETER);
        QCOMPARE(allocateFrameBuffer(camera.handle, 10, 10, 8, &memory, &id),
                 VYRA_INVALID_PARAMETER);
        QCOMPARE(allocateFrameBuffer(camera.handle, 10, 10, 24, nullptr, &id),
                 VYRA_INVALID_MEMORY_POINTER);
        QCOMPARE(allocateFrameBuffer(camera.handle, 100000, 100000, 24, &memory, &id),
                 VYRA_OUT_OF_MEMORY);

        const Camera::Buffer first = camera.buffers[0];
        const Camera::Buffer second = camera.buffers[1];
        QCOMPARE(appendToBufferRing(camera.handle, first.memory, first.id),
                 VYRA_CANT_ADD_TO_SEQUENCE);
        QCOMPARE(appendToBufferRing(camera.handle, second.memory, first.id),
                 VYRA_INVALID_MEMORY_POINTER);
        QCOMPARE(releaseFrameBuffer(camera.handle, first.memory + 1, first.id),
                 VYRA_INVALID_MEMORY_POINTER);
        QCOMPARE(unlockRingBuffer(camera.handle, 77, first.memory), VYRA_INVALID_MEMORY_POINTER);
        QCOMPARE(Control::openCameraState(camera.handle)->buffersInRing, 2);

        QCOMPARE(releaseFrameBuffer(camera.handle, first.memory, first.id), VYRA_SUCCESS);
        QCOMPARE(releaseFrameBuffer(camera.handle, first.memory, first.id),
                 VYRA_INVALID_MEMORY_POINTER);
        QCOMPARE(Control::openCameraState(camera.handle)->buffersInRing, 1);
        QCOMPARE(Control::openCameraState(camera.handle)->buffersAllocated, 1);
        camera.buffers.erase(camera.buffers.begin());
    }

    void aoiLargerThanTheBuffersDropsImages()
    {
        Camera camera(smallCamera, 2);
        QCOMPARE(setAoi(camera.handle, {0, 0, 640, 480}), VYRA_SUCCESS);
        camera.reallocate();
        QCOMPARE(setAoi(camera.handle, {0, 0, 1280, 1024}), VYRA_SUCCESS);
        QCOMPARE(captureSingleFrame(camera.handle), VYRA_SUCCESS);
        char *memory = nullptr;
        int32_t id = 0;
        QCOMPARE(camera.wait(&memory, &id, 0), VYRA_TIMED_OUT);
        QCOMPARE(Control::openCameraState(camera.handle)->framesDropped, 1u);
    }

    void closingWhileLiveEndsEverything()
    {
        const VyraHandle handle = openDevice(smallCamera);
        char *memory = nullptr;
        int32_t id = 0;
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(allocateFrameBuffer(handle, 1280, 1024, 24, &memory, &id), VYRA_SUCCESS);
            appendToBufferRing(handle, memory, id);
        }
        enableImageQueue(handle, 0);
        QCOMPARE(startLiveCapture(handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
        QCOMPARE(waitForQueuedImage(handle, imageTimeoutMs, &memory, &id), VYRA_SUCCESS);
        QCOMPARE(closeCamera(handle), VYRA_SUCCESS);
        QCOMPARE(Control::openCameraState(handle), std::nullopt);
        QCOMPARE(waitForQueuedImage(handle, 0, &memory, &id), VYRA_INVALID_HANDLE);
        QVERIFY(!Control::camera(smallCamera)->openedHere);
    }
};

QTEST_GUILESS_MAIN(TestSimCapture)
#include "tst_simcapture.moc"
