#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <cmath>
#include <memory>

#include "camerasupport.h"
#include "vyracamera.h"
#include "vyracameraexception.h"

using namespace CameraTest;
using VyraSim::Control;

// The camera object against the simulated driver: construction and
// destruction, live video, buffers, the image path and the features.
class TestVyraCamera : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void constructionPreparesTheCamera();
    void failedOpenThrows();
    void failedPreparationClosesTheCamera_data();
    void failedPreparationClosesTheCamera();
    void destructionReleasesEverything();
    void destructionSwallowsDriverFailures();

    void liveVideoOnlyCallsTheDriverOnChange();
    void failedStopStillStopsTheCaptureThread();
    void triggerModeRestartKeepsTheLiveState();
    void imagesReachImageCaptured();
    void imageWaitTimeoutFollowsTheFrameRate();
    void imagesCarryTheirSetAndFrame();
    void highestFramerateFitsTheExposure_data();
    void highestFramerateFitsTheExposure();
    void firstImageAfterStartIsShown();
    void imagesOnTheirWayAreNotShownAfterLiveOff();
    void lockedBuffersGoBackAfterFailedDescriptions();

    void setAoiRestartsCaptureWhenNotLive();
    void setAoiWhileLiveDeliversTheNewSize();
    void factorSettersKeepTheOtherDirection_data();
    void factorSettersKeepTheOtherDirection();
    void currentFactorDecodesTheDirection();
    void supportedFactorMapOrder();
    void failedFactorChangeStillResumesCapture();

    void framerateSignalsInOrder();
    void pixelClockList();
    void pixelClockListEmptyWithoutSecondCall();
    void flashSettersKeepTheOtherValue();
    void gainsRoundTrip();
    void getNameFindsTheCamerasRecord();
    void getNameWithoutCameras();
    void parameterSetRoundTrip();

    void removalAndReconnectionOnTheGuiThread();

private:
    std::unique_ptr<VyraCamera> openCamera(int32_t deviceId = firstDeviceId);
    // Waits until the capture thread has made a fresh image wait, that is
    // until it runs.
    bool captureThreadRuns();
    // True when no image wait starts during several wait time-outs.
    bool captureThreadIdle();
};

void TestVyraCamera::init()
{
    QVERIFY(resetWorld({smallCamera(), largeCamera()}));
}

void TestVyraCamera::cleanup()
{
    Control::clearFailures();
}

std::unique_ptr<VyraCamera> TestVyraCamera::openCamera(int32_t deviceId)
{
    auto camera = std::make_unique<VyraCamera>(deviceId);
    Control::clearCalls();
    return camera;
}

bool TestVyraCamera::captureThreadRuns()
{
    Control::clearCalls();
    QElapsedTimer deadline;
    deadline.start();
    while (deadline.elapsed() < 10000) {
        if (backgroundCallCount("waitForQueuedImage") > 0) {
            return true;
        }
        QThread::msleep(1);
    }
    return false;
}

bool TestVyraCamera::captureThreadIdle()
{
    Control::clearCalls();
    // A running capture loop starts a wait at least every 66 ms at 30 fps.
    QTest::qWait(250);
    return backgroundCallCount("waitForQueuedImage") == 0;
}

void TestVyraCamera::constructionPreparesTheCamera()
{
    Control::clearCalls();
    VyraCamera camera(firstDeviceId);

    const auto opens = callsOf("openCamera");
    QCOMPARE(int(opens.size()), 1);
    QCOMPARE(opens.front().command, int64_t(firstDeviceId | VYRA_USE_DEVICE_ID));
    const auto state = openState(camera.handle());
    QVERIFY(state);
    QCOMPARE(state->deviceId, firstDeviceId);
    QVERIFY(!state->live);
    QCOMPARE(state->buffersAllocated, 32);
    QCOMPARE(state->buffersInRing, 32);
    QVERIFY(state->queueEnabled);
    QCOMPARE(state->pixelFormat, VYRA_PIXEL_FORMAT_RGB8);
    QCOMPARE(callsOf("requestFrameRate").size(), size_t(1));
    for (int64_t event : {VYRA_EVENT_CAMERA_REMOVED, VYRA_EVENT_CAMERA_RECONNECTED}) {
        QCOMPARE(callCount("registerEventObject", event), 1);
        QCOMPARE(callCount("startEventNotification", event), 1);
    }
    QVERIFY(!camera.isLiveVideoEnabled());
    QVERIFY(captureThreadIdle());
}

void TestVyraCamera::failedOpenThrows()
{
    try {
        VyraCamera camera(77);
        QFAIL("opening an unknown device did not throw");
    } catch (const VyraCameraException &exception) {
        QVERIFY(QByteArray(exception.what()).endsWith(")"));
    }
    QCOMPARE(callCount("closeCamera"), 0);
    QVERIFY(Control::openHandles().empty());
}

void TestVyraCamera::failedPreparationClosesTheCamera_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<qint64>("command");

    QTest::newRow("frame rate") << "requestFrameRate" << qint64(-1);
    QTest::newRow("buffer allocation") << "allocateFrameBuffer" << qint64(-1);
    QTest::newRow("image queue") << "enableImageQueue" << qint64(-1);
    QTest::newRow("pixel format") << "selectPixelFormat" << qint64(-1);
    QTest::newRow("removal registration")
        << "registerEventObject" << qint64(VYRA_EVENT_CAMERA_REMOVED);
    QTest::newRow("reconnection notification")
        << "startEventNotification" << qint64(VYRA_EVENT_CAMERA_RECONNECTED);
}

void TestVyraCamera::failedPreparationClosesTheCamera()
{
    QFETCH(QString, operation);
    QFETCH(qint64, command);
    QVERIFY(Control::injectFailure(operation.toStdString(), VYRA_OUT_OF_MEMORY, 1,
                                   command < 0 ? std::nullopt : std::optional<int64_t>(command)));
    try {
        VyraCamera camera(firstDeviceId);
        QFAIL("a failing preparation did not throw");
    } catch (const VyraCameraException &exception) {
        QCOMPARE(QByteArray(exception.what()),
                 QByteArray("The driver could not allocate memory. (15)"));
    }
    QVERIFY(Control::openHandles().empty());
    QVERIFY(!Control::camera(firstDeviceId)->openedHere);
    // Whatever had been allocated went back to the driver.
    QCOMPARE(callCount("allocateFrameBuffer") - (operation == "allocateFrameBuffer" ? 1 : 0),
             callCount("releaseFrameBuffer"));
    // The camera is usable again at once.
    VyraCamera again(firstDeviceId);
    QVERIFY(openState(again.handle()));
}

void TestVyraCamera::destructionReleasesEverything()
{
    VyraHandle handle = 0;
    {
        auto camera = openCamera();
        handle = camera->handle();
        camera->enableLiveVideo(true);
        QVERIFY(captureThreadRuns());
        Control::clearCalls();
    }
    QVERIFY(!openState(handle));
    QCOMPARE(callCount("stopLiveCapture"), 1);
    QCOMPARE(callCount("releaseFrameBuffer"), 32);
    // Each event thread stops the notification of its own event.
    for (int64_t event : {VYRA_EVENT_CAMERA_REMOVED, VYRA_EVENT_CAMERA_RECONNECTED}) {
        QCOMPARE(callCount("stopEventNotification", event), 1);
        QCOMPARE(callCount("unregisterEventObject", event), 1);
    }
    QCOMPARE(callCount("closeCamera"), 1);
    const auto all = Control::calls();
    QCOMPARE(all.back().operation, std::string("closeCamera"));
}

void TestVyraCamera::destructionSwallowsDriverFailures()
{
    auto camera = openCamera();
    camera->enableLiveVideo(true);
    const VyraHandle handle = camera->handle();
    for (const char *operation : {"stopLiveCapture", "releaseFrameBuffer", "stopEventNotification",
                                  "unregisterEventObject", "closeCamera"}) {
        QVERIFY(Control::injectFailure(operation, VYRA_IO_REQUEST_FAILED, 100));
    }
    try {
        camera.reset();
    } catch (...) {
        QFAIL("the destructor threw");
    }
    Control::clearFailures();
    // Every buffer was still offered back, one by one.
    QCOMPARE(callCount("releaseFrameBuffer"), 32);
    Q_UNUSED(handle);
}

void TestVyraCamera::liveVideoOnlyCallsTheDriverOnChange()
{
    auto camera = openCamera();
    camera->enableLiveVideo(false);
    QCOMPARE(callCount("stopLiveCapture"), 0);

    camera->enableLiveVideo(true);
    camera->enableLiveVideo(true);
    QCOMPARE(callCount("startLiveCapture", VYRA_CAPTURE_START), 1);
    QVERIFY(camera->isLiveVideoEnabled());
    QVERIFY(openState(camera->handle())->live);

    Control::clearCalls();
    camera->enableLiveVideo(false);
    camera->enableLiveVideo(false);
    QCOMPARE(callCount("stopLiveCapture", VYRA_CAPTURE_FORCE_STOP), 1);
    QCOMPARE(callCount("startLiveCapture", VYRA_CAPTURE_START), 0);
    QVERIFY(!openState(camera->handle())->live);
    QVERIFY(captureThreadIdle());
}

void TestVyraCamera::failedStopStillStopsTheCaptureThread()
{
    auto camera = openCamera();
    camera->enableLiveVideo(true);
    QVERIFY(captureThreadRuns());
    QVERIFY(Control::injectFailure("stopLiveCapture", VYRA_CAPTURE_RUNNING));
    QVERIFY_EXCEPTION_THROWN(camera->enableLiveVideo(false), VyraCameraException);
    QVERIFY(captureThreadIdle());
}

void TestVyraCamera::triggerModeRestartKeepsTheLiveState()
{
    auto camera = openCamera();
    camera->setTriggerMode(VYRA_TRIGGER_SOFTWARE, true);
    QVERIFY(!openState(camera->handle())->live);
    QCOMPARE(openState(camera->handle())->triggerMode, VYRA_TRIGGER_SOFTWARE);
    QCOMPARE(callCount("startLiveCapture", VYRA_CAPTURE_START), 0);

    camera->enableLiveVideo(true);
    Control::clearCalls();
    camera->setTriggerMode(VYRA_TRIGGER_SINGLE, true);
    QVERIFY(openState(camera->handle())->live);
    QCOMPARE(openState(camera->handle())->triggerMode, VYRA_TRIGGER_SINGLE);
    QCOMPARE(callCount("stopLiveCapture"), 1);
    QCOMPARE(callCount("startLiveCapture", VYRA_CAPTURE_START), 1);

    Control::clearCalls();
    camera->setTriggerMode(VYRA_TRIGGER_SOFTWARE, false);
    QCOMPARE(callCount("stopLiveCapture"), 0);
    QVERIFY(openState(camera->handle())->live);
}

void TestVyraCamera::imagesReachImageCaptured()
{
    auto camera = openCamera();
    QueuedSpy images(camera.get(), &VyraCamera::imageCaptured);
    QueuedSpy sets(camera.get(), &VyraCamera::activeSetChanged);
    camera->setTriggerMode(VYRA_TRIGGER_SOFTWARE, false);
    camera->enableLiveVideo(true);
    QTRY_VERIFY_WITH_TIMEOUT(images.count() >= 3, 10000);
    const auto image = images.firstArgument().value<QSharedPointer<QImage>>();
    QVERIFY(image);
    QCOMPARE(image->size(), camera->aoi().size());
    QCOMPARE(image->format(), QImage::Format_RGB888);
    // Each image that goes on is announced with its set, and none other;
    // live video is no sequence.
    QVERIFY(sets.count() >= images.count() && sets.count() <= images.count() + 1);
    QCOMPARE(sets.firstArgument().toInt(), VyraFrameInfo::noSet);
}

void TestVyraCamera::imageWaitTimeoutFollowsTheFrameRate()
{
    auto camera = openCamera();
    for (const auto &[fps, timeoutMs] : {std::pair<double, int64_t>{1.0, 2000}, {30.0, 66}}) {
        QCOMPARE(camera->setFramerate(fps), fps);
        Control::clearCalls();
        // An injected time-out answers at once but is logged with the wait's
        // time-out argument.
        QVERIFY(Control::injectFailure("waitForQueuedImage", VYRA_TIMED_OUT));
        QVERIFY(camera->waitForNextImage().isNull());
        const auto waits = callsOf("waitForQueuedImage");
        QCOMPARE(int(waits.size()), 1);
        QCOMPARE(waits.front().command, timeoutMs);
    }
}

void TestVyraCamera::imagesCarryTheirSetAndFrame()
{
    auto camera = openCamera();
    QueuedSpy images(camera.get(), &VyraCamera::imageCaptured);
    // The descriptor names set 0 also outside a sequence: only images taken
    // in the single-trigger mode come from one.
    for (const auto &[mode, set] :
         {std::pair<int, int>{VYRA_TRIGGER_SOFTWARE, VyraFrameInfo::noSet},
          {VYRA_TRIGGER_SINGLE, 0}}) {
        camera->setTriggerMode(mode, false);
        // The images of the mode before are all in.
        QCoreApplication::processEvents();
        camera->enableLiveVideo(true);
        const int before = images.count();
        camera->trigger();
        // An image the mode before left queued in the driver may come first.
        const auto last = [&] {
            return images.firstArgument(images.count() - 1).value<QSharedPointer<QImage>>();
        };
        QTRY_VERIFY_WITH_TIMEOUT(images.count() > before && VyraFrameInfo::of(*last()).set == set,
                                 10000);
        camera->enableLiveVideo(false);
        const auto image = last();
        const VyraFrameInfo info = VyraFrameInfo::of(*image);
        QCOMPARE(info.exposureMs, std::round(camera->exposure() * 1000.0) / 1000.0);
        QVERIFY(info.frameNumber > 0 && info.timestampUs > 0);
    }
}

void TestVyraCamera::highestFramerateFitsTheExposure_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<double>("exposureMs");
    QTest::addColumn<double>("framerate");
    // The sensor's readout bounds the full size, the exposure a smaller one.
    QTest::newRow("1280 x 1024, 16 ms") << QSize(1280, 1024) << 16.0 << 1.0 / 0.01955;
    QTest::newRow("640 x 480, 16 ms") << QSize(640, 480) << 16.0 << 62.5;
    QTest::newRow("640 x 480, 1 ms") << QSize(640, 480) << 1.0 << 1.0 / 0.00569;
}

void TestVyraCamera::highestFramerateFitsTheExposure()
{
    QFETCH(QSize, size);
    QFETCH(double, exposureMs);
    QFETCH(double, framerate);
    auto camera = openCamera();
    camera->setAoi(QRect(QPoint(0, 0), size));
    const double highest = camera->highestFramerate(exposureMs);
    QVERIFY2(std::abs(highest - framerate) < 1e-6, qPrintable(QString::number(highest)));
    // The camera runs at it with that exposure.
    QCOMPARE(camera->setFramerate(highest), highest);
    camera->setExposure(exposureMs);
    QCOMPARE(camera->exposure(), exposureMs);
}

void TestVyraCamera::imagesOnTheirWayAreNotShownAfterLiveOff()
{
    auto camera = openCamera();
    QueuedSpy images(camera.get(), &VyraCamera::imageCaptured);
    std::atomic<int> delivered{0};
    const ImageFanOut::Attachment attachment =
        camera->images().attach([&](const QSharedPointer<QImage> &) { ++delivered; });
    // A GUI thread too busy to take the images: they wait on their way to it.
    camera->enableLiveVideo(true);
    QElapsedTimer deadline;
    deadline.start();
    while (delivered < 3 && deadline.elapsed() < 10000)
        QThread::msleep(1);
    QVERIFY(delivered >= 3);
    camera->enableLiveVideo(false);
    QCoreApplication::processEvents();
    QCOMPARE(images.count(), 0);

    // Taken in time, they are shown.
    camera->enableLiveVideo(true);
    QTRY_VERIFY_WITH_TIMEOUT(images.count() > 0, 10000);
}

void TestVyraCamera::firstImageAfterStartIsShown()
{
    // Started and triggered at once, the image is the only one: no gate may
    // keep it from the screen.
    auto camera = openCamera();
    QueuedSpy images(camera.get(), &VyraCamera::imageCaptured);
    camera->setTriggerMode(VYRA_TRIGGER_SINGLE, false);
    for (int start = 0; start < 3; ++start) {
        camera->enableLiveVideo(true);
        camera->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(images.count(), start + 1, 10000);
        camera->enableLiveVideo(false);
    }
}

void TestVyraCamera::lockedBuffersGoBackAfterFailedDescriptions()
{
    auto camera = openCamera();
    QueuedSpy images(camera.get(), &VyraCamera::imageCaptured);
    camera->setFramerate(60.0);
    // More failures than the ring has buffers: a buffer kept locked by each
    // would leave the driver with none to fill.
    QVERIFY(Control::injectFailure("describeFrame", VYRA_IO_REQUEST_FAILED, 40));
    camera->enableLiveVideo(true);
    QTRY_VERIFY_WITH_TIMEOUT(Control::pendingFailures() == 0, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(images.count() >= 2, 10000);
    camera->enableLiveVideo(false);
    QCOMPARE(openState(camera->handle())->buffersLocked, 0);
}

void TestVyraCamera::setAoiRestartsCaptureWhenNotLive()
{
    auto camera = openCamera();
    QSignalSpy sizeChanged(camera.get(), &VyraCamera::imageSizeChanged);
    const QRect area(0, 0, 640, 480);
    camera->setAoi(area);
    QCOMPARE(sizeChanged.count(), 1);
    QCOMPARE(camera->aoi(), area);
    const auto state = openState(camera->handle());
    QVERIFY(!state->live);
    QCOMPARE(state->buffersAllocated, 32);
    QCOMPARE(callCount("releaseFrameBuffer"), 32);
    const auto allocations = callsOf("allocateFrameBuffer");
    QCOMPARE(int(allocations.size()), 32);
    QVERIFY(captureThreadRuns());
}

void TestVyraCamera::setAoiWhileLiveDeliversTheNewSize()
{
    auto camera = openCamera();
    camera->enableLiveVideo(true);
    const QRect area(16, 8, 320, 240);
    camera->setAoi(area);
    QVERIFY(openState(camera->handle())->live);
    QueuedSpy images(camera.get(), &VyraCamera::imageCaptured);
    QTRY_VERIFY_WITH_TIMEOUT(images.count() >= 2, 10000);
    for (const QVariantList &arguments : images.emissions()) {
        QCOMPARE(arguments.first().value<QSharedPointer<QImage>>()->size(), area.size());
    }
}

void TestVyraCamera::factorSettersKeepTheOtherDirection_data()
{
    QTest::addColumn<bool>("binning");
    QTest::newRow("subsampling") << false;
    QTest::newRow("binning") << true;
}

void TestVyraCamera::factorSettersKeepTheOtherDirection()
{
    QFETCH(bool, binning);
    auto camera = openCamera();
    const auto setHorizontal = [&](int bit) {
        binning ? camera->setHorizontalBinning(bit) : camera->setHorizontalSubsampling(bit);
    };
    const auto setVertical = [&](int bit) {
        binning ? camera->setVerticalBinning(bit) : camera->setVerticalSubsampling(bit);
    };
    const auto mode = [&] {
        const auto state = openState(camera->handle());
        return binning ? state->binning : state->subsampling;
    };
    QSignalSpy sizeChanged(camera.get(), &VyraCamera::imageSizeChanged);

    setHorizontal(VYRA_FACTOR_2X_HORIZONTAL);
    setVertical(VYRA_FACTOR_2X_VERTICAL);
    QCOMPARE(mode(), VYRA_FACTOR_2X_HORIZONTAL | VYRA_FACTOR_2X_VERTICAL);
    setHorizontal(0);
    QCOMPARE(mode(), VYRA_FACTOR_2X_VERTICAL);
    setHorizontal(VYRA_FACTOR_2X_HORIZONTAL);
    setVertical(0);
    QCOMPARE(mode(), VYRA_FACTOR_2X_HORIZONTAL);
    QCOMPARE(sizeChanged.count(), 5);
    // The buffers follow the new image size.
    QCOMPARE(openState(camera->handle())->aoi.width, camera->aoi().width());
    QCOMPARE(openState(camera->handle())->buffersAllocated, 32);
}

void TestVyraCamera::currentFactorDecodesTheDirection()
{
    auto description = smallCamera();
    description.subsamplingModes = VYRA_FACTOR_ALL_HORIZONTAL | VYRA_FACTOR_ALL_VERTICAL;
    QVERIFY(resetWorld({description}));
    auto camera = openCamera();
    QCOMPARE(camera->horizontalSubsampling(), 0);
    QCOMPARE(camera->verticalSubsampling(), 0);
    camera->setHorizontalSubsampling(VYRA_FACTOR_4X_HORIZONTAL);
    camera->setVerticalSubsampling(VYRA_FACTOR_2X_VERTICAL);
    QCOMPARE(camera->horizontalSubsampling(), VYRA_FACTOR_4X_HORIZONTAL);
    QCOMPARE(camera->verticalSubsampling(), VYRA_FACTOR_2X_VERTICAL);
}

void TestVyraCamera::supportedFactorMapOrder()
{
    auto description = smallCamera();
    description.subsamplingModes = VYRA_FACTOR_ALL_HORIZONTAL | VYRA_FACTOR_ALL_VERTICAL;
    description.binningModes = VYRA_FACTOR_3X_VERTICAL;
    QVERIFY(resetWorld({description}));
    auto camera = openCamera();

    const QMap<int, QString> horizontal = camera->horizontalSubsamplingModes();
    QCOMPARE(horizontal.keys(), (QList<int>{0, 0x2, 0x8, 0x20, 0x80, 0x200, 0x800, 0x2000}));
    QCOMPARE(horizontal.values(), (QStringList{"1x", "2x", "4x", "3x", "5x", "6x", "8x", "16x"}));
    const QMap<int, QString> vertical = camera->verticalSubsamplingModes();
    QCOMPARE(vertical.keys(), (QList<int>{0, 0x1, 0x4, 0x10, 0x40, 0x100, 0x400, 0x1000}));
    QCOMPARE(vertical.values(), (QStringList{"1x", "2x", "4x", "3x", "5x", "6x", "8x", "16x"}));

    QCOMPARE(camera->horizontalBinningModes(), (QMap<int, QString>{{0, "1x"}}));
    QCOMPARE(camera->verticalBinningModes(), (QMap<int, QString>{{0, "1x"}, {0x10, "3x"}}));
}

void TestVyraCamera::failedFactorChangeStillResumesCapture()
{
    auto camera = openCamera();
    camera->enableLiveVideo(true);
    QVERIFY(Control::injectFailure("binningMode", VYRA_INVALID_PARAMETER, 1,
                                   int64_t(VYRA_FACTOR_2X_HORIZONTAL)));
    QVERIFY_EXCEPTION_THROWN(camera->setHorizontalBinning(VYRA_FACTOR_2X_HORIZONTAL),
                             VyraCameraException);
    QVERIFY(captureThreadRuns());
    QVERIFY(openState(camera->handle())->live);
}

void TestVyraCamera::framerateSignalsInOrder()
{
    auto camera = openCamera();
    QStringList order;
    connect(camera.get(), &VyraCamera::framerateChanged, this, [&] { order << "changed"; });
    connect(camera.get(), &VyraCamera::newFramerate, this,
            [&](double fps) { order << QString::number(fps); });
    const double set = camera->setFramerate(12.0);
    QCOMPARE(set, 12.0);
    QCOMPARE(order, (QStringList{"changed", "12"}));
    QCOMPARE(camera->framerate(), openState(camera->handle())->frameRate);

    const VyraCamera::FramerateRange range = camera->framerateRange();
    QVERIFY(range.minimum > 0.0);
    QVERIFY(range.minimum < range.maximum);
    QVERIFY(set >= range.minimum && set <= range.maximum);
}

void TestVyraCamera::pixelClockList()
{
    auto camera = openCamera();
    QCOMPARE(camera->pixelClockGetList(), (QList<int>{10, 20, 30, 40, 50, 60, 70, 80, 86}));
    const auto lists = callsOf("pixelClockControl", VYRA_PIXELCLOCK_LIST);
    QCOMPARE(int(lists.size()), 1);
    QCOMPARE(lists.front().size, uint32_t(9 * 4));

    QSignalSpy changed(camera.get(), &VyraCamera::pixelclockChanged);
    camera->setPixelClock(40);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(camera->pixelClock(), 40);
}

void TestVyraCamera::pixelClockListEmptyWithoutSecondCall()
{
    auto camera = openCamera();
    // Stands in for a driver that reports no selectable clocks: the count
    // answers 0 without touching the buffer.
    QVERIFY(Control::injectFailure("pixelClockControl", VYRA_SUCCESS, 1,
                                   int64_t(VYRA_PIXELCLOCK_COUNT)));
    QVERIFY(camera->pixelClockGetList().isEmpty());
    QCOMPARE(callCount("pixelClockControl", VYRA_PIXELCLOCK_LIST), 0);
}

void TestVyraCamera::flashSettersKeepTheOtherValue()
{
    auto camera = openCamera();
    camera->setFlashMode(VYRA_FLASH_MODE_HIGH_ACTIVE);
    QCOMPARE(camera->flashMode(), VYRA_FLASH_MODE_HIGH_ACTIVE);
    const int duration = std::max(camera->flashDurationMin(), 1000);
    const int delay = std::max(camera->flashDelayMin(), 0);
    camera->setFlashDuration(duration);
    camera->setFlashDelay(delay);
    QCOMPARE(camera->flashDuration(), duration);
    QCOMPARE(camera->flashDelay(), delay);
    camera->setFlashDelay(delay + camera->flashDelayInc());
    QCOMPARE(camera->flashDuration(), duration);
    QCOMPARE(camera->flashDelay(), delay + camera->flashDelayInc());
}

void TestVyraCamera::gainsRoundTrip()
{
    auto camera = openCamera();
    QVERIFY(camera->isMasterGainSupported());
    QVERIFY(camera->isColorGainSupported());
    QSignalSpy changed(camera.get(), &VyraCamera::gainChanged);
    camera->setGain(40, 10, 20, 30);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(camera->masterGain(), 40);
    QCOMPARE(camera->redGain(), 10);
    QCOMPARE(camera->greenGain(), 20);
    QCOMPARE(camera->blueGain(), 30);
    QVERIFY_EXCEPTION_THROWN(camera->setGain(101, -1, -1, -1), VyraCameraException);
    QCOMPARE(camera->masterGain(), 40);

    auto description = smallCamera(3);
    description.colourGains = false;
    QVERIFY(Control::plugIn(description) == 3);
    VyraCamera mono(3);
    QVERIFY(!mono.isColorGainSupported());
}

void TestVyraCamera::getNameFindsTheCamerasRecord()
{
    auto camera = openCamera(secondDeviceId);
    QCOMPARE(camera->getName(), QStringLiteral("VK2230C-USB"));
    QVERIFY(Control::unplug(secondDeviceId));
    QCOMPARE(camera->getName(), QString());
}

void TestVyraCamera::getNameWithoutCameras()
{
    auto camera = openCamera();
    QVERIFY(Control::unplug(firstDeviceId));
    QVERIFY(Control::unplug(secondDeviceId));
    Control::clearCalls();
    QCOMPARE(camera->getName(), QString());
    QCOMPARE(callCount("countCameras"), 1);
    QCOMPARE(callCount("listCameras"), 0);
}

void TestVyraCamera::parameterSetRoundTrip()
{
    const QString path = QDir::temp().filePath(
        QStringLiteral("tst_vyracamera_%1.ini").arg(QCoreApplication::applicationPid()));
    auto camera = openCamera();
    camera->setExposure(25.0);
    camera->parameterSetSave(path);
    QVERIFY(QFile::exists(path));

    camera->setExposure(5.0);
    camera->enableLiveVideo(true);
    camera->setTriggerMode(VYRA_TRIGGER_OFF, true);
    camera->parameterSetLoad(path);
    QCOMPARE(camera->exposure(), 25.0);
    const auto state = openState(camera->handle());
    QVERIFY(state->live);
    QCOMPARE(state->triggerMode, VYRA_TRIGGER_SOFTWARE);
    QCOMPARE(state->buffersAllocated, 32);
    QVERIFY(captureThreadRuns());
    QFile::remove(path);

    QVERIFY_EXCEPTION_THROWN(camera->parameterSetLoad(path), VyraCameraException);
}

void TestVyraCamera::removalAndReconnectionOnTheGuiThread()
{
    auto camera = openCamera();
    QThread *removedOn = nullptr;
    QThread *reconnectedOn = nullptr;
    connect(
        camera.get(), &VyraCamera::cameraRemoved, this,
        [&] { removedOn = QThread::currentThread(); }, Qt::DirectConnection);
    connect(
        camera.get(), &VyraCamera::cameraReconnected, this,
        [&] { reconnectedOn = QThread::currentThread(); }, Qt::DirectConnection);
    QSignalSpy removed(camera.get(), &VyraCamera::cameraRemoved);
    QSignalSpy reconnected(camera.get(), &VyraCamera::cameraReconnected);

    QVERIFY(Control::unplug(firstDeviceId));
    QVERIFY(removed.wait(10000));
    QCOMPARE(removedOn, QThread::currentThread());
    QCOMPARE(reconnected.count(), 0);
    // A trigger on a removed camera fails with an exception, not a crash.
    QVERIFY_EXCEPTION_THROWN(camera->trigger(), VyraCameraException);

    QVERIFY(Control::replug(firstDeviceId));
    QVERIFY(reconnected.wait(10000));
    QCOMPARE(reconnectedOn, QThread::currentThread());
    QCOMPARE(removed.count(), 1);
}

QTEST_GUILESS_MAIN(TestVyraCamera)
#include "tst_vyracamera.moc"
