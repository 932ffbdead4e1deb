// The control interface: the call log, failure injection, resetting, and
// the driver under concurrent callers.

#include <atomic>
#include <set>
#include <thread>

#include "simdrivertest.h"

using namespace SimTest;
using VyraSim::CallRecord;
using VyraSim::Control;

class TestSimControl : public QObject
{
    Q_OBJECT

private slots:
    void init() { Control::resetToDefaults(); }

    void callLogRecordsEveryCall()
    {
        const VyraHandle handle = openDevice(smallCamera);
        VyraRect aoi{};
        aoiControl(handle, VYRA_AOI_GET, &aoi, sizeof aoi);
        exposureControl(handle, 99, &aoi, 8);
        startLiveCapture(handle, VYRA_CAPTURE_QUERY_LIVE);
        closeCamera(handle);
        closeCamera(handle);

        const std::vector<CallRecord> calls = Control::calls();
        QCOMPARE(int(calls.size()), 6);
        QCOMPARE(QString::fromStdString(calls[0].operation), QString("openCamera"));
        QCOMPARE(calls[0].handle, handle);
        QCOMPARE(calls[0].command, int64_t(smallCamera | VYRA_USE_DEVICE_ID));
        QCOMPARE(QString::fromStdString(calls[1].operation), QString("aoiControl"));
        QCOMPARE(calls[1].command, int64_t(VYRA_AOI_GET));
        QCOMPARE(calls[1].size, 16u);
        QCOMPARE(calls[1].status, VYRA_SUCCESS);
        QCOMPARE(calls[2].status, VYRA_INVALID_PARAMETER);
        QCOMPARE(calls[3].command, int64_t(VYRA_CAPTURE_QUERY_LIVE));
        QCOMPARE(calls[3].status, 0);
        QCOMPARE(QString::fromStdString(calls[4].operation), QString("closeCamera"));
        QCOMPARE(calls[5].status, VYRA_INVALID_HANDLE);
        for (const CallRecord &call : calls)
            QCOMPARE(call.thread, std::this_thread::get_id());

        std::thread([] {
            int32_t count = 0;
            countCameras(&count);
        }).join();
        QVERIFY(Control::calls().back().thread != std::this_thread::get_id());

        Control::clearCalls();
        QVERIFY(Control::calls().empty());
        Control::setCallLogEnabled(false);
        int32_t count = 0;
        countCameras(&count);
        QVERIFY(Control::calls().empty());
        Control::setCallLogEnabled(true);
        countCameras(&count);
        QCOMPARE(int(Control::calls().size()), 1);
    }

    void everyOperationIsNamed()
    {
        const std::vector<std::string> &names = Control::operationNames();
        QCOMPARE(int(names.size()), 36);
        QCOMPARE(int(std::set<std::string>(names.begin(), names.end()).size()), 36);
        for (const std::string &name : names)
            QVERIFY2(Control::injectFailure(name, VYRA_NO_SUCCESS, 1), name.c_str());
        QCOMPARE(Control::pendingFailures(), 36);
        Control::clearFailures();
        QCOMPARE(Control::pendingFailures(), 0);
        QVERIFY(!Control::injectFailure("openCamara", VYRA_NO_SUCCESS, 1));
        QVERIFY(!Control::injectFailure("openCamera", VYRA_NO_SUCCESS, 0));
    }

    void injectedFailuresAnswerTheStatusAndDoNothing()
    {
        QVERIFY(Control::injectFailure("openCamera", VYRA_CANT_OPEN_DEVICE, 2));
        VyraStatus status = 0;
        QCOMPARE(openDevice(smallCamera, &status), VyraHandle(0));
        QCOMPARE(status, VYRA_CANT_OPEN_DEVICE);
        QCOMPARE(openDevice(largeCamera, &status), VyraHandle(0));
        QVERIFY(Control::openHandles().empty());
        const VyraHandle handle = openDevice(smallCamera);
        QVERIFY(handle != 0);

        QVERIFY(Control::injectFailure("closeCamera", VYRA_IO_REQUEST_FAILED, 1));
        QCOMPARE(closeCamera(handle), VYRA_IO_REQUEST_FAILED);
        QVERIFY(Control::openCameraState(handle).has_value());

        // Only the named command counts; the others run.
        QVERIFY(Control::injectFailure("exposureControl", VYRA_TIMED_OUT, 1, VYRA_EXPOSURE_SET));
        double ms = 0;
        QCOMPARE(exposureControl(handle, VYRA_EXPOSURE_GET, &ms, 8), VYRA_SUCCESS);
        QCOMPARE(setExposure(handle, 5.0), VYRA_TIMED_OUT);
        QCOMPARE(exposureValue(handle), 10.0);
        QCOMPARE(setExposure(handle, 5.0), VYRA_SUCCESS);

        // Injections for one operation are used in order; queries answer the status.
        QVERIFY(Control::injectFailure("startLiveCapture", VYRA_INTERNAL_ERROR, 1));
        QVERIFY(Control::injectFailure("startLiveCapture", VYRA_DEVICE_BUSY, 1));
        QCOMPARE(startLiveCapture(handle, VYRA_CAPTURE_QUERY_LIVE), VYRA_INTERNAL_ERROR);
        QCOMPARE(startLiveCapture(handle, VYRA_CAPTURE_START), VYRA_DEVICE_BUSY);
        QCOMPARE(startLiveCapture(handle, VYRA_CAPTURE_QUERY_LIVE), 0);

        QVERIFY(Control::injectFailure("waitForQueuedImage", VYRA_TIMED_OUT, 3));
        char *memory = nullptr;
        int32_t id = 0;
        QCOMPARE(waitForQueuedImage(handle, 60000, &memory, &id), VYRA_TIMED_OUT);
        QCOMPARE(Control::calls().back().status, VYRA_TIMED_OUT);
        QCOMPARE(Control::pendingFailures(), 2);
        closeCamera(handle);
    }

    void failureAtACallOfThisThread()
    {
        const VyraHandle handle = openDevice(smallCamera);
        QVERIFY(!Control::injectFailureAtCall(0, VYRA_NO_SUCCESS));
        QVERIFY(Control::injectFailureAtCall(3, VYRA_IO_REQUEST_FAILED));
        QCOMPARE(Control::pendingFailures(), 1);
        int32_t count = 0;
        // Another thread's calls do not count.
        std::thread([&] { QCOMPARE(countCameras(&count), VYRA_SUCCESS); }).join();
        QCOMPARE(countCameras(&count), VYRA_SUCCESS);
        QCOMPARE(setExposure(handle, 5.0), VYRA_SUCCESS);
        QCOMPARE(setExposure(handle, 20.0), VYRA_IO_REQUEST_FAILED);
        QCOMPARE(exposureValue(handle), 5.0);
        QCOMPARE(Control::pendingFailures(), 0);
        QCOMPARE(setExposure(handle, 20.0), VYRA_SUCCESS);
        closeCamera(handle);
    }

    void resetClosesCamerasAndClearsEverything()
    {
        Camera camera;
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
        Control::unplug(largeCamera);
        Control::setInUseElsewhere(smallCamera, true);
        Control::injectFailure("countCameras", VYRA_NO_SUCCESS, 5);
        QVERIFY(Control::resetToDefaults().empty());
        QVERIFY(Control::openHandles().empty());
        QVERIFY(Control::calls().empty());
        QCOMPARE(Control::pendingFailures(), 0);
        int32_t count = 0;
        QCOMPARE(countCameras(&count), VYRA_SUCCESS);
        QCOMPARE(count, 3);
        QVERIFY(!Control::camera(smallCamera)->description.inUseElsewhere);
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_QUERY_LIVE), VYRA_INVALID_HANDLE);
        camera.handle = 0;
    }

    // The application's threads at once: capture, settings, triggers, events
    // and the camera list. Run under the thread sanitizer this finds races;
    // here it also checks that no call fails in a way a camera would not.
    void concurrentCallersAreSafe()
    {
        Camera camera(smallCamera, 6);
        QVERIFY(camera.ok());
        QCOMPARE(selectTriggerSource(camera.handle, VYRA_TRIGGER_SOFTWARE), VYRA_SUCCESS);
        QCOMPARE(frameRateSet(camera.handle, 40.0), 40.0);
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
        const VyraHandle h = camera.handle;
        Control::setCallLogEnabled(false); // keep the log's lock out of the picture

        std::atomic<bool> stop{false};
        std::atomic<int> images{0};
        std::atomic<int> unexpected{0};
        const auto expect = [&](VyraStatus status, std::initializer_list<VyraStatus> allowed) {
            for (VyraStatus ok : allowed) {
                if (status == ok)
                    return;
            }
            ++unexpected;
        };
        constexpr VyraStatus gone = VYRA_CANT_OPEN_DEVICE;

        std::thread capture([&] {
            while (!stop) {
                char *memory = nullptr;
                int32_t id = 0;
                const VyraStatus status = waitForQueuedImage(h, 50, &memory, &id);
                expect(status, {VYRA_SUCCESS, VYRA_TIMED_OUT, gone});
                if (status == VYRA_SUCCESS) {
                    VyraFrameDescriptor d{};
                    expect(describeFrame(h, id, &d, sizeof d), {VYRA_SUCCESS, gone});
                    ++images;
                    unlockRingBuffer(h, id, memory);
                }
            }
        });
        std::thread trigger([&] {
            while (!stop) {
                expect(captureSingleFrame(h), {VYRA_SUCCESS, gone});
                std::this_thread::yield();
            }
        });
        std::thread settings([&] {
            for (int i = 0; !stop; ++i) {
                expect(setExposure(h, 1.0 + i % 20), {VYRA_SUCCESS, gone});
                VyraPoint offset{(i % 8) * 4, (i % 5) * 2};
                expect(aoiControl(h, VYRA_AOI_SET_OFFSET, &offset, 8),
                       {VYRA_SUCCESS, VYRA_INVALID_PARAMETER, gone});
                expect(setSensorGains(h, i % 100, -1, -1, -1), {VYRA_SUCCESS, gone});
                int32_t mode = i % 2;
                expect(sequencerControl(h, VYRA_SEQUENCER_MODE_SET, &mode, 4),
                       {VYRA_SUCCESS, VYRA_INVALID_PARAMETER, gone});
            }
        });
        std::thread devices([&] {
            std::vector<char> buffer(VYRA_CAMERA_LIST_SIZE(4));
            for (int i = 0; !stop; ++i) {
                auto *list = reinterpret_cast<VyraCameraList *>(buffer.data());
                list->count = 4;
                expect(listCameras(list), {VYRA_SUCCESS});
                if (i % 50 == 0) {
                    Control::unplug(smallCamera);
                    Control::replug(smallCamera);
                }
            }
        });

        QTRY_VERIFY_WITH_TIMEOUT(images.load() >= 40, 20000);
        stop = true;
        for (std::thread *thread : {&capture, &trigger, &settings, &devices})
            thread->join();
        QCOMPARE(unexpected.load(), 0);
        const VyraSim::OpenCameraState state = *Control::openCameraState(h);
        QCOMPARE(state.buffersLocked, 0);
        QVERIFY(state.framesDelivered >= 40);
    }

    void closingWhileOtherThreadsCallIsSafe()
    {
        for (int round = 0; round < 5; ++round) {
            auto camera = std::make_unique<Camera>(smallCamera, 3);
            QCOMPARE(startLiveCapture(camera->handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
            const VyraHandle h = camera->handle;
            std::atomic<bool> done{false};
            std::thread waiter([&] {
                while (!done) {
                    char *memory = nullptr;
                    int32_t id = 0;
                    if (waitForQueuedImage(h, 20, &memory, &id) == VYRA_SUCCESS)
                        unlockRingBuffer(h, id, memory);
                }
            });
            QTRY_VERIFY(Control::openCameraState(h)->framesDelivered >= 1);
            camera.reset(); // closes while the waiter is in the driver
            char *memory = nullptr;
            int32_t id = 0;
            QCOMPARE(waitForQueuedImage(h, 0, &memory, &id), VYRA_INVALID_HANDLE);
            done = true;
            waiter.join();
        }
    }
};

QTEST_GUILESS_MAIN(TestSimControl)
#include "tst_simcontrol.moc"
