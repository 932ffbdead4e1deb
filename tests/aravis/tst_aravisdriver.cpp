#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <thread>

#include "aravistest.h"

using namespace AravisTest;

/// The Aravis driver on Aravis' in-process fake camera ("Fake_1", enabled
/// by VYRA_ARAVIS_FAKE=1): the list, opening, live images, the area of
/// interest and both file formats. (This fake runs free whatever its trigger
/// mode: what needs triggers is tested on the fake GigE camera.)
class TestAravisDriver : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void listsAndRefusesASecondOpen();
    void liveImagesComeAtTheFrameRate_data();
    void liveImagesComeAtTheFrameRate();
    void stoppingLiveCaptureEndsAWaitForAnImage();
    void aoiSetsTheImageSize();
    void sequencerConfigurationRoundTrip();
    void cameraParametersRoundTrip();
    void unsupportedCommandsAnswerNotSupported();

private:
    VyraCameraRecord fake_{};
    VyraHandle handle_ = 0;
};

void TestAravisDriver::initTestCase()
{
    QVERIFY2(findCamera("Fake", &fake_), "Aravis' fake camera is not listed");
}

void TestAravisDriver::init()
{
    VyraStatus status = VYRA_NO_SUCCESS;
    handle_ = openDevice(fake_.deviceId, &status);
    QCOMPARE(status, VYRA_SUCCESS);
}

void TestAravisDriver::cleanup()
{
    if (handle_ != 0)
        QCOMPARE(closeCamera(handle_), VYRA_SUCCESS);
    handle_ = 0;
}

void TestAravisDriver::listsAndRefusesASecondOpen()
{
    VyraCameraRecord record{};
    QVERIFY(findCamera("Fake", &record));
    QCOMPARE(record.inUse, 1);
    QCOMPARE(QByteArray(record.serialNumber), QByteArray("1"));
    QCOMPARE(QByteArray(record.cameraName), QByteArray("Fake"));
    VyraStatus status = VYRA_SUCCESS;
    QCOMPARE(openDevice(fake_.deviceId, &status), VyraHandle(0));
    QCOMPARE(status, VYRA_ALL_DEVICES_BUSY);
    QCOMPARE(openDevice(4000, &status), VyraHandle(0));
    QCOMPARE(status, VYRA_INVALID_DEVICE_ID);

    QCOMPARE(closeCamera(handle_), VYRA_SUCCESS);
    handle_ = 0;
    QVERIFY(findCamera("Fake", &record));
    QCOMPARE(record.inUse, 0);
}

void TestAravisDriver::liveImagesComeAtTheFrameRate_data()
{
    QTest::addColumn<int32_t>("triggerMode");
    QTest::newRow("free run") << int32_t(VYRA_TRIGGER_OFF);
    QTest::newRow("software trigger mode") << int32_t(VYRA_TRIGGER_SOFTWARE);
}

void TestAravisDriver::liveImagesComeAtTheFrameRate()
{
    QFETCH(int32_t, triggerMode);
    QVERIFY(prepareRing(handle_, 16));
    double fps = 0.0;
    QCOMPARE(requestFrameRate(handle_, 20.0, &fps), VYRA_SUCCESS);
    QVERIFY(std::abs(fps - 20.0) < 0.5);
    QCOMPARE(selectTriggerSource(handle_, triggerMode), VYRA_SUCCESS);
    QCOMPARE(startLiveCapture(handle_, VYRA_CAPTURE_START), VYRA_SUCCESS);
    QCOMPARE(startLiveCapture(handle_, VYRA_CAPTURE_QUERY_LIVE), 1);

    // The first image starts the clock; 20 more must take about one second.
    QCOMPARE(nextImage(handle_).status, VYRA_SUCCESS);
    QElapsedTimer timer;
    timer.start();
    uint64_t lastFrame = 0;
    for (int i = 0; i < 20; ++i) {
        const Image image = nextImage(handle_);
        QCOMPARE(image.status, VYRA_SUCCESS);
        QVERIFY(image.descriptor.frameNumber > lastFrame);
        lastFrame = image.descriptor.frameNumber;
        QCOMPARE(image.descriptor.triggerSource, triggerMode);
    }
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(elapsed > 700 && elapsed < 2000, qPrintable(QString::number(elapsed)));
    QCOMPARE(stopLiveCapture(handle_, VYRA_CAPTURE_FORCE_STOP), VYRA_SUCCESS);
    QCOMPARE(startLiveCapture(handle_, VYRA_CAPTURE_QUERY_LIVE), 0);
}

void TestAravisDriver::stoppingLiveCaptureEndsAWaitForAnImage()
{
    // Not live: no image can come, only the stop ends the wait.
    QVERIFY(prepareRing(handle_));
    std::atomic<VyraStatus> waited{-2};
    std::thread waiter([&] {
        char *memory = nullptr;
        int32_t id = 0;
        waited = waitForQueuedImage(handle_, 60000, &memory, &id);
    });
    // Whenever the wait has begun, the next stop ends it.
    VyraStatus stopped = VYRA_SUCCESS;
    while (waited == -2 && stopped == VYRA_SUCCESS) {
        stopped = stopLiveCapture(handle_, VYRA_CAPTURE_FORCE_STOP);
        std::this_thread::yield();
    }
    waiter.join();
    QCOMPARE(stopped, VYRA_SUCCESS);
    QCOMPARE(waited.load(), VYRA_IMAGE_NOT_PRESENT);
}

void TestAravisDriver::aoiSetsTheImageSize()
{
    VyraSize maximum{};
    VyraSize step{};
    QCOMPARE(aoiControl(handle_, VYRA_AOI_SIZE_MAXIMUM, &maximum, sizeof maximum), VYRA_SUCCESS);
    QCOMPARE(aoiControl(handle_, VYRA_AOI_SIZE_INCREMENT, &step, sizeof step), VYRA_SUCCESS);
    QVERIFY(maximum.width >= 320 && maximum.height >= 240);
    VyraRect aoi{16, 8, 320, 240};
    QCOMPARE(aoiControl(handle_, VYRA_AOI_SET, &aoi, sizeof aoi), VYRA_SUCCESS);
    const VyraRect read = aoiOf(handle_);
    QCOMPARE(read.width, 320);
    QCOMPARE(read.height, 240);
    QCOMPARE(read.x, 16);
    VyraPoint offsetMaximum{};
    QCOMPARE(aoiControl(handle_, VYRA_AOI_OFFSET_MAXIMUM, &offsetMaximum, sizeof offsetMaximum),
             VYRA_SUCCESS);
    QCOMPARE(offsetMaximum.x, maximum.width - 320);

    QVERIFY(prepareRing(handle_));
    QCOMPARE(captureSingleFrame(handle_), VYRA_SUCCESS);
    const Image image = nextImage(handle_);
    QCOMPARE(image.status, VYRA_SUCCESS);
    QCOMPARE(image.descriptor.width, 320);
    QCOMPARE(image.descriptor.height, 240);
    QCOMPARE(image.descriptor.linePitch, 960);

    // Outside the sensor, or a size the camera cannot take, changes nothing.
    VyraRect tooLarge{maximum.width - 100, 0, 320, 240};
    QCOMPARE(aoiControl(handle_, VYRA_AOI_SET, &tooLarge, sizeof tooLarge), VYRA_INVALID_PARAMETER);
    QCOMPARE(aoiOf(handle_).x, 16);
}

void TestAravisDriver::sequencerConfigurationRoundTrip()
{
    const std::vector<double> exposures{1.5, 2.5, 4.0};
    QVERIFY(writeExposureSequence(handle_, exposures));
    QTemporaryDir directory;
    const std::u16string path = widePath(directory.filePath("sequence.xml"));
    QCOMPARE(sequencerControl(handle_, VYRA_SEQUENCER_SAVE_FILE, (void *)path.c_str(), 0),
             VYRA_SUCCESS);
    QCOMPARE(sequencerControl(handle_, VYRA_SEQUENCER_RESET, nullptr, 0), VYRA_SUCCESS);
    QCOMPARE(sequencerControl(handle_, VYRA_SEQUENCER_LOAD_FILE, (void *)path.c_str(), 0),
             VYRA_SUCCESS);

    QCOMPARE(sequencerSwitch(handle_, VYRA_SEQUENCER_CONFIGURATION_SET, 1), VYRA_SUCCESS);
    int64_t feature = VYRA_FEATURE_EXPOSURE;
    QCOMPARE(sequencerControl(handle_, VYRA_SEQUENCER_FEATURE_SELECT, &feature, sizeof feature),
             VYRA_SUCCESS);
    for (int32_t set = 0; set < 3; ++set) {
        QCOMPARE(sequencerControl(handle_, VYRA_SEQUENCER_SELECT_SET, &set, sizeof set),
                 VYRA_SUCCESS);
        double stored = 0.0;
        QCOMPARE(sequencerControl(handle_, VYRA_SEQUENCER_FEATURE_VALUE, &stored, sizeof stored),
                 VYRA_SUCCESS);
        QCOMPARE(stored, exposures[size_t(set)]);
        VyraPathRecord path0{0, -1, -1, 0};
        QCOMPARE(sequencerControl(handle_, VYRA_SEQUENCER_PATH_GET, &path0, sizeof path0),
                 VYRA_SUCCESS);
        QCOMPARE(path0.nextSet, (set + 1) % 3);
    }

    // A file of another camera model is refused and changes nothing.
    QFile file(directory.filePath("sequence.xml"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray document = file.readAll();
    file.close();
    document.replace("model=\"Fake\"", "model=\"Other\"");
    QFile other(directory.filePath("other.xml"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write(document);
    other.close();
    const std::u16string otherPath = widePath(other.fileName());
    QVERIFY(sequencerControl(handle_, VYRA_SEQUENCER_LOAD_FILE, (void *)otherPath.c_str(), 0) !=
            VYRA_SUCCESS);
}

void TestAravisDriver::cameraParametersRoundTrip()
{
    VyraRect aoi{32, 16, 256, 200};
    QCOMPARE(aoiControl(handle_, VYRA_AOI_SET, &aoi, sizeof aoi), VYRA_SUCCESS);
    QCOMPARE(setExposure(handle_, 7.0), VYRA_SUCCESS);
    QCOMPARE(setSensorGains(handle_, 40, VYRA_GAIN_KEEP, VYRA_GAIN_KEEP, VYRA_GAIN_KEEP),
             VYRA_SUCCESS);
    QTemporaryDir directory;
    const std::u16string path = widePath(directory.filePath("camera.ini"));
    QCOMPARE(parameterSetControl(handle_, VYRA_PARAMETERSET_SAVE, (void *)path.c_str(), 0),
             VYRA_SUCCESS);

    VyraRect other{0, 0, 320, 240};
    QCOMPARE(aoiControl(handle_, VYRA_AOI_SET, &other, sizeof other), VYRA_SUCCESS);
    QCOMPARE(setExposure(handle_, 2.0), VYRA_SUCCESS);
    QCOMPARE(setSensorGains(handle_, 0, VYRA_GAIN_KEEP, VYRA_GAIN_KEEP, VYRA_GAIN_KEEP),
             VYRA_SUCCESS);
    QCOMPARE(parameterSetControl(handle_, VYRA_PARAMETERSET_LOAD, (void *)path.c_str(), 0),
             VYRA_SUCCESS);
    const VyraRect read = aoiOf(handle_);
    QCOMPARE(read.x, 32);
    QCOMPARE(read.width, 256);
    QCOMPARE(read.height, 200);
    QCOMPARE(exposureValue(handle_), 7.0);
    QCOMPARE(setSensorGains(handle_, VYRA_GAIN_QUERY_MASTER, -1, -1, -1), 40);

    // A file for another model answers 180 and leaves the camera as it is.
    QFile file(directory.filePath("camera.ini"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    file.close();
    text.replace("Model=Fake", "Model=VK1240C");
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();
    QCOMPARE(parameterSetControl(handle_, VYRA_PARAMETERSET_LOAD, (void *)path.c_str(), 0),
             VYRA_INVALID_CAMERA_TYPE);
    QCOMPARE(exposureValue(handle_), 7.0);
}

void TestAravisDriver::unsupportedCommandsAnswerNotSupported()
{
    uint32_t count = 0;
    QCOMPARE(pixelClockControl(handle_, VYRA_PIXELCLOCK_COUNT, &count, sizeof count),
             VYRA_NOT_SUPPORTED);
    QCOMPARE(imageFormatControl(handle_, VYRA_IMAGE_FORMAT_COUNT, &count, sizeof count),
             VYRA_NOT_SUPPORTED);
    int32_t memoryMode = 0;
    QCOMPARE(deviceOptionControl(handle_, VYRA_DEVICE_MEMORY_MODE, &memoryMode, sizeof memoryMode),
             VYRA_SUCCESS);
    QCOMPARE(memoryMode, 1);
    QCOMPARE(pixelClockControl(handle_ + 100, VYRA_PIXELCLOCK_COUNT, &count, sizeof count),
             VYRA_INVALID_HANDLE);
}

QTEST_GUILESS_MAIN(TestAravisDriver)
#include "tst_aravisdriver.moc"
