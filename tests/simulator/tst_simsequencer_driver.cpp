#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

#include "simcontrol.h"
#include "vyradriver.h"

using VyraSim::Control;

namespace {

/// The driver call answers success, or the test fails naming the call.
#define DRIVER_OK(call)                                                                            \
    do {                                                                                           \
        const VyraStatus status_ = (call);                                                         \
        QVERIFY2(                                                                                  \
            status_ == VYRA_SUCCESS,                                                               \
            qPrintable(QStringLiteral("%1 answered %2").arg(QLatin1String(#call)).arg(status_)));  \
    } while (false)

} // namespace

// The sequencer as the application reaches it: written through
// sequencerControl, run with software triggers, seen in the frame descriptors.
class TestSimSequencerDriver : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void sequenceRunsInPathOrder_data();
    void sequenceRunsInPathOrder();
    void configurationFileThroughTheDriver();
    void setCountAndTriggerSourcesArePerCamera();

private:
    /// Opens the first camera with a ring of buffers and the image queue on.
    void openCamera();
    int32_t command(uint32_t code, int32_t value)
    {
        return sequencerControl(handle_, code, &value, sizeof value);
    }
    int32_t query(uint32_t code)
    {
        int32_t value = -999;
        return sequencerControl(handle_, code, &value, sizeof value) == VYRA_SUCCESS ? value : -999;
    }
    VyraStatus selectFeature(int64_t feature)
    {
        return sequencerControl(handle_, VYRA_SEQUENCER_FEATURE_SELECT, &feature, sizeof feature);
    }
    VyraStatus fileCommand(uint32_t code, const QString &path)
    {
        std::u16string wide = path.toStdU16String();
        return sequencerControl(handle_, code, wide.data(), 0);
    }
    /// Triggers one image and answers its descriptor.
    VyraFrameDescriptor triggerImage(bool *ok);
    double exposureStep(int n) const { return minimumExposure_ + (n + 1) * exposureSpan_ / 8; }

    VyraHandle handle_ = 0;
    std::vector<std::pair<char *, int32_t>> buffers_;
    double minimumExposure_ = 0;
    double exposureSpan_ = 0;
};

void TestSimSequencerDriver::init()
{
    QVERIFY(Control::resetToDefaults().empty());
}

void TestSimSequencerDriver::cleanup()
{
    if (handle_) {
        stopLiveCapture(handle_, VYRA_CAPTURE_FORCE_STOP);
        clearBufferRing(handle_);
        for (const auto &buffer : buffers_)
            releaseFrameBuffer(handle_, buffer.first, buffer.second);
        closeCamera(handle_);
    }
    buffers_.clear();
    handle_ = 0;
}

void TestSimSequencerDriver::openCamera()
{
    VyraHandle handle = VyraHandle(Control::cameras().front().description.deviceId) | VYRA_USE_DEVICE_ID;
    DRIVER_OK(::openCamera(&handle, nullptr));
    handle_ = handle;
    DRIVER_OK(selectPixelFormat(handle_, VYRA_PIXEL_FORMAT_RGB8));
    VyraRect aoi{};
    DRIVER_OK(aoiControl(handle_, VYRA_AOI_GET, &aoi, sizeof aoi));
    for (int i = 0; i < 4; ++i) {
        char *memory = nullptr;
        int32_t id = 0;
        DRIVER_OK(allocateFrameBuffer(handle_, aoi.width, aoi.height, VYRA_BITS_PER_PIXEL_RGB8,
                                      &memory, &id));
        buffers_.emplace_back(memory, id);
        DRIVER_OK(appendToBufferRing(handle_, memory, id));
    }
    DRIVER_OK(enableImageQueue(handle_, VYRA_QUEUE_MODE_DEFAULT));

    double maximum = 0;
    DRIVER_OK(exposureControl(handle_, VYRA_EXPOSURE_MINIMUM, &minimumExposure_, 8));
    DRIVER_OK(exposureControl(handle_, VYRA_EXPOSURE_MAXIMUM, &maximum, 8));
    exposureSpan_ = maximum - minimumExposure_;
    QVERIFY(exposureSpan_ > 0);
}

VyraFrameDescriptor TestSimSequencerDriver::triggerImage(bool *ok)
{
    *ok = false;
    VyraFrameDescriptor descriptor{};
    if (captureSingleFrame(handle_) != VYRA_SUCCESS)
        return descriptor;
    char *memory = nullptr;
    int32_t id = 0;
    if (waitForQueuedImage(handle_, 10000, &memory, &id) != VYRA_SUCCESS)
        return descriptor;
    *ok = describeFrame(handle_, id, &descriptor, sizeof descriptor) == VYRA_SUCCESS;
    unlockRingBuffer(handle_, id, memory);
    return descriptor;
}

void TestSimSequencerDriver::sequenceRunsInPathOrder_data()
{
    QTest::addColumn<int32_t>("triggerSource");
    QTest::newRow("Frame End") << int32_t(VYRA_SEQUENCER_TRIGGER_FRAME_END);
    QTest::newRow("Frame Start") << int32_t(VYRA_SEQUENCER_TRIGGER_FRAME_START);
    QTest::newRow("Exposure End") << int32_t(VYRA_SEQUENCER_TRIGGER_EXPOSURE_END);
}

void TestSimSequencerDriver::sequenceRunsInPathOrder()
{
    QFETCH(int32_t, triggerSource);
    openCamera();
    if (QTest::currentTestFailed())
        return;

    // As the application writes a sequence: the ring 0 -> 2 -> 1 -> 0.
    DRIVER_OK(sequencerControl(handle_, VYRA_SEQUENCER_RESET, nullptr, 0));
    DRIVER_OK(selectTriggerSource(handle_, VYRA_TRIGGER_SINGLE));
    DRIVER_OK(command(VYRA_SEQUENCER_CONFIGURATION_SET, 1));
    DRIVER_OK(selectFeature(VYRA_FEATURE_EXPOSURE));
    DRIVER_OK(command(VYRA_SEQUENCER_FEATURE_ENABLE, 1));
    const int next[3] = {2, 0, 1};
    QMap<int, double> exposures; // as the camera took them, after rounding to its step
    for (int set : {0, 2, 1}) {
        DRIVER_OK(command(VYRA_SEQUENCER_SELECT_SET, set));
        double exposure = exposureStep(set);
        DRIVER_OK(exposureControl(handle_, VYRA_EXPOSURE_SET, &exposure, 8));
        DRIVER_OK(exposureControl(handle_, VYRA_EXPOSURE_GET, &exposures[set], 8));
        VyraPathRecord path{0, next[set], triggerSource, 0};
        DRIVER_OK(sequencerControl(handle_, VYRA_SEQUENCER_PATH_SET, &path, sizeof path));
        DRIVER_OK(sequencerControl(handle_, VYRA_SEQUENCER_SAVE_SET, nullptr, 0));
    }
    DRIVER_OK(command(VYRA_SEQUENCER_CONFIGURATION_SET, 0));
    double live = 0;
    DRIVER_OK(exposureControl(handle_, VYRA_EXPOSURE_GET, &live, 8));
    DRIVER_OK(command(VYRA_SEQUENCER_MODE_SET, 1));
    QCOMPARE(query(VYRA_SEQUENCER_MODE_GET), 1);

    QList<int> sets;
    for (int image = 0; image < 7; ++image) {
        bool ok = false;
        const VyraFrameDescriptor descriptor = triggerImage(&ok);
        QVERIFY2(ok, "no image for a software trigger");
        sets << descriptor.sequencerSet;
        QCOMPARE(descriptor.exposureMs, exposures.value(descriptor.sequencerSet, -1.0));
    }
    QCOMPARE(sets, QList<int>({0, 2, 1, 0, 2, 1, 0}));
    QVERIFY(exposures[0] != exposures[1] && exposures[1] != exposures[2]);

    // Off again: the camera takes its images with its own parameters, which
    // the sequence left as they were.
    DRIVER_OK(command(VYRA_SEQUENCER_MODE_SET, 0));
    double after = 0;
    DRIVER_OK(exposureControl(handle_, VYRA_EXPOSURE_GET, &after, 8));
    QCOMPARE(after, live);
    bool ok = false;
    const VyraFrameDescriptor descriptor = triggerImage(&ok);
    QVERIFY(ok);
    QCOMPARE(int(descriptor.sequencerSet), 0);
    QCOMPARE(descriptor.exposureMs, live);
}

void TestSimSequencerDriver::configurationFileThroughTheDriver()
{
    openCamera();
    if (QTest::currentTestFailed())
        return;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fileName = dir.filePath(QStringLiteral("sequence.xml"));

    DRIVER_OK(command(VYRA_SEQUENCER_CONFIGURATION_SET, 1));
    DRIVER_OK(selectFeature(VYRA_FEATURE_EXPOSURE));
    DRIVER_OK(command(VYRA_SEQUENCER_FEATURE_ENABLE, 1));
    DRIVER_OK(command(VYRA_SEQUENCER_SELECT_SET, 1));
    double exposure = exposureStep(3);
    DRIVER_OK(exposureControl(handle_, VYRA_EXPOSURE_SET, &exposure, 8));
    DRIVER_OK(exposureControl(handle_, VYRA_EXPOSURE_GET, &exposure, 8));
    VyraPathRecord path{0, 0, VYRA_SEQUENCER_TRIGGER_FRAME_START, 0};
    DRIVER_OK(sequencerControl(handle_, VYRA_SEQUENCER_PATH_SET, &path, sizeof path));
    DRIVER_OK(sequencerControl(handle_, VYRA_SEQUENCER_SAVE_SET, nullptr, 0));
    DRIVER_OK(command(VYRA_SEQUENCER_CONFIGURATION_SET, 0));
    DRIVER_OK(fileCommand(VYRA_SEQUENCER_SAVE_FILE, fileName));

    QFile file(fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray document = file.readAll();
    file.close();
    const std::string model = Control::cameras().front().description.model;
    QVERIFY(document.contains(QByteArray("model=\"") + model.c_str() + '"'));

    // A file for another model is refused and changes nothing.
    const QString foreign = dir.filePath(QStringLiteral("foreign.xml"));
    QFile other(foreign);
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write(QByteArray(document).replace(model.c_str(), "VK9999X"));
    other.close();

    DRIVER_OK(sequencerControl(handle_, VYRA_SEQUENCER_RESET, nullptr, 0));
    DRIVER_OK(command(VYRA_SEQUENCER_CONFIGURATION_SET, 1));
    QCOMPARE(fileCommand(VYRA_SEQUENCER_LOAD_FILE, foreign), VYRA_INVALID_CAMERA_TYPE);
    DRIVER_OK(selectFeature(VYRA_FEATURE_EXPOSURE));
    QCOMPARE(query(VYRA_SEQUENCER_FEATURE_ENABLED), 0);

    DRIVER_OK(fileCommand(VYRA_SEQUENCER_LOAD_FILE, fileName));
    QCOMPARE(query(VYRA_SEQUENCER_FEATURE_ENABLED), 1);
    DRIVER_OK(command(VYRA_SEQUENCER_SELECT_SET, 1));
    VyraPathRecord read{0, -1, -1, -1};
    DRIVER_OK(sequencerControl(handle_, VYRA_SEQUENCER_PATH_GET, &read, sizeof read));
    QCOMPARE(read.nextSet, 0);
    QCOMPARE(read.triggerSource, VYRA_SEQUENCER_TRIGGER_FRAME_START);
    double stored = 0;
    DRIVER_OK(sequencerControl(handle_, VYRA_SEQUENCER_FEATURE_VALUE, &stored, 8));
    QCOMPARE(stored, exposure);

    QCOMPARE(fileCommand(VYRA_SEQUENCER_SAVE_FILE, dir.filePath(QStringLiteral("no/such.xml"))),
             VYRA_FILE_WRITE_OPEN_ERROR);
    QCOMPARE(fileCommand(VYRA_SEQUENCER_LOAD_FILE, dir.filePath(QStringLiteral("none.xml"))),
             VYRA_FILE_READ_OPEN_ERROR);
}

void TestSimSequencerDriver::setCountAndTriggerSourcesArePerCamera()
{
    VyraSim::CameraSpec description = VyraSim::defaultCameras().front();
    description.sequencerSets = 8;
    description.triggerSourceMask = VYRA_SEQUENCER_TRIGGER_EXPOSURE_END;
    QVERIFY(Control::setCameras({description}));
    openCamera();
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(query(VYRA_SEQUENCER_SUPPORTED), 1);
    QCOMPARE(query(VYRA_SEQUENCER_SET_COUNT), 8);
    QCOMPARE(query(VYRA_SEQUENCER_TRIGGER_SOURCES), VYRA_SEQUENCER_TRIGGER_EXPOSURE_END);
    QCOMPARE(query(VYRA_SEQUENCER_PATH_COUNT), 1);
    QCOMPARE(query(VYRA_SEQUENCER_START_SET), 0);
    DRIVER_OK(command(VYRA_SEQUENCER_CONFIGURATION_SET, 1));
    QCOMPARE(command(VYRA_SEQUENCER_SELECT_SET, 8), VYRA_INVALID_PARAMETER);
    VyraPathRecord path{0, 7, VYRA_SEQUENCER_TRIGGER_FRAME_END, 0};
    QCOMPARE(sequencerControl(handle_, VYRA_SEQUENCER_PATH_SET, &path, sizeof path),
             VYRA_INVALID_PARAMETER);
    path.triggerSource = VYRA_SEQUENCER_TRIGGER_EXPOSURE_END;
    DRIVER_OK(sequencerControl(handle_, VYRA_SEQUENCER_PATH_SET, &path, sizeof path));
}

QTEST_GUILESS_MAIN(TestSimSequencerDriver)
#include "tst_simsequencer_driver.moc"
