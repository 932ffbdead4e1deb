// A sequence at the camera's own speed: free-running in sequencer mode, the
// sensor steps along path 0 at every image, at its highest rate for the
// sequence's longest exposure, and every image names the set that took it.

#include <algorithm>
#include <cmath>

#include "framestamp.h"
#include "simdrivertest.h"

using namespace SimTest;
using VyraSim::Control;

namespace {

/// The sequence: sets 0 -> 1 -> 2 -> 0 with these exposures, stepping at frame end.
const double setExposures[] = {1.0, 4.0, 16.0};
constexpr int setCount = 3;

/// One image out of the queue: its descriptor and what its stamp says.
struct Taken
{
    VyraStatus status = VYRA_NO_SUCCESS;
    VyraFrameDescriptor descriptor{};
    std::string stamp;
};

Taken takeImage(Camera &camera, int timeoutMs = imageTimeoutMs)
{
    Taken taken;
    char *memory = nullptr;
    int32_t id = 0;
    taken.status = camera.wait(&memory, &id, timeoutMs);
    if (taken.status != VYRA_SUCCESS)
        return taken;
    const VyraFrameDescriptor &d = taken.descriptor = describe(camera.handle, id);
    const std::string expected =
        "FRAME " + std::to_string(d.frameNumber) + " SET " + std::to_string(d.sequencerSet);
    taken.stamp = VyraSim::FrameStamp::read(reinterpret_cast<const uint8_t *>(memory), d.linePitch,
                                            d.width, d.height, 0, 0, int(expected.size()),
                                            VyraSim::FrameStamp::cornerScale(d.width));
    camera.unlock(memory, id);
    return taken;
}

VyraStatus sequencerCommand(VyraHandle handle, uint32_t code, int32_t value)
{
    return sequencerControl(handle, code, &value, sizeof value);
}

/// Writes the sequence into the camera as the application does.
bool writeSequence(VyraHandle handle)
{
    int64_t feature = VYRA_FEATURE_EXPOSURE;
    bool ok = sequencerCommand(handle, VYRA_SEQUENCER_CONFIGURATION_SET, 1) == VYRA_SUCCESS &&
              sequencerControl(handle, VYRA_SEQUENCER_FEATURE_SELECT, &feature, sizeof feature) ==
                  VYRA_SUCCESS &&
              sequencerCommand(handle, VYRA_SEQUENCER_FEATURE_ENABLE, 1) == VYRA_SUCCESS;
    for (int32_t set = 0; ok && set < setCount; ++set) {
        VyraPathRecord path{0, (set + 1) % setCount, VYRA_SEQUENCER_TRIGGER_FRAME_END, 0};
        ok =
            sequencerCommand(handle, VYRA_SEQUENCER_SELECT_SET, set) == VYRA_SUCCESS &&
            setExposure(handle, setExposures[set]) == VYRA_SUCCESS &&
            sequencerControl(handle, VYRA_SEQUENCER_PATH_SET, &path, sizeof path) == VYRA_SUCCESS &&
            sequencerControl(handle, VYRA_SEQUENCER_SAVE_SET, nullptr, 0) == VYRA_SUCCESS;
    }
    return ok && sequencerCommand(handle, VYRA_SEQUENCER_CONFIGURATION_SET, 0) == VYRA_SUCCESS;
}

/// The camera's highest rate for the longest exposure of the sequence.
double highestRate(VyraHandle handle)
{
    return std::min(maximumFrameRate(handle), 1000.0 / setExposures[setCount - 1]);
}

/// Microseconds of one frame period, as the camera's clock counts it.
double periodUs(VyraHandle handle)
{
    double fps = 0.0;
    currentFrameRate(handle, &fps);
    return 1e6 / fps;
}

} // namespace

class TestSimFullSpeed : public QObject
{
    Q_OBJECT

private slots:
    void init() { Control::resetToDefaults(); }

    void sequenceRunsAtTheCamerasRate_data();
    void sequenceRunsAtTheCamerasRate();
    void runSurvivesChangesAtFullSpeed_data();
    void runSurvivesChangesAtFullSpeed();
    void singleTriggersAfterAFullSpeedRunStepOneImageEach();

private:
    /// Opens the camera with the AOI, writes the sequence and runs it free
    /// at the highest rate, sequencer mode switched on before live capture.
    void startRun(Camera &camera, QSize aoi);
    /// Takes count images and checks each against the one before (and
    /// against last, when it has a frame number): the stamp says the frame
    /// and set of the descriptor, the set is the one the path steps to with
    /// each frame taken in between, its exposure that set's, and (unless
    /// periodUs is 0) the camera clock advanced by whole frame periods.
    void takeAndCheck(Camera &camera, int count, double periodUs, Taken &last);
};

void TestSimFullSpeed::startRun(Camera &camera, QSize aoi)
{
    QVERIFY(camera.ok());
    QCOMPARE(setAoi(camera.handle, {0, 0, aoi.width(), aoi.height()}), VYRA_SUCCESS);
    camera.reallocate();
    QVERIFY(writeSequence(camera.handle));
    QVERIFY(frameRateSet(camera.handle, highestRate(camera.handle)) > 0.0);
    QCOMPARE(selectTriggerSource(camera.handle, VYRA_TRIGGER_OFF), VYRA_SUCCESS);
    QCOMPARE(sequencerCommand(camera.handle, VYRA_SEQUENCER_MODE_SET, 1), VYRA_SUCCESS);
    QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
}

void TestSimFullSpeed::takeAndCheck(Camera &camera, int count, double periodUs, Taken &last)
{
    for (int i = 0; i < count; ++i) {
        const Taken taken = takeImage(camera);
        QCOMPARE(taken.status, VYRA_SUCCESS);
        const VyraFrameDescriptor &d = taken.descriptor;
        const std::string expected =
            "FRAME " + std::to_string(d.frameNumber) + " SET " + std::to_string(d.sequencerSet);
        QCOMPARE(QString::fromStdString(taken.stamp), QString::fromStdString(expected));
        QCOMPARE(d.exposureMs, setExposures[d.sequencerSet]);
        QCOMPARE(d.triggerSource, VYRA_TRIGGER_OFF);
        if (last.descriptor.frameNumber == 0) {
            // Sequencer mode starts at set 0.
            QCOMPARE(int(d.sequencerSet), 0);
        } else {
            const VyraFrameDescriptor &before = last.descriptor;
            QVERIFY(d.frameNumber > before.frameNumber);
            const auto stepped =
                int((before.sequencerSet + d.frameNumber - before.frameNumber) % setCount);
            QCOMPARE(int(d.sequencerSet), stepped);
            // The sensor keeps its beat: frames start whole periods apart
            // (more than one only where a slow machine made it miss frames).
            const double periods = double(d.timestampUs - before.timestampUs) / periodUs;
            QVERIFY2(periodUs == 0.0 || (periods > 0.5 &&
                                         std::abs(periods - std::round(periods)) * periodUs < 2.0),
                     qPrintable(QStringLiteral("%1 periods").arg(periods)));
        }
        last = taken;
    }
}

void TestSimFullSpeed::sequenceRunsAtTheCamerasRate_data()
{
    QTest::addColumn<QSize>("aoi");
    QTest::addColumn<double>("rate");
    // The full sensor is bound by its readout, a smaller AOI by the 16 ms set.
    QTest::newRow("1280 x 1024") << QSize(1280, 1024) << 51.15;
    QTest::newRow("640 x 480") << QSize(640, 480) << 62.5;
}

void TestSimFullSpeed::sequenceRunsAtTheCamerasRate()
{
    QFETCH(QSize, aoi);
    QFETCH(double, rate);
    Camera camera(smallCamera, 8);
    startRun(camera, aoi);
    double fps = 0.0;
    QCOMPARE(currentFrameRate(camera.handle, &fps), VYRA_SUCCESS);
    QVERIFY2(std::abs(fps - rate) < 0.01, qPrintable(QString::number(fps)));

    Taken last;
    takeAndCheck(camera, 3 * setCount, 1e6 / fps, last);
}

void TestSimFullSpeed::runSurvivesChangesAtFullSpeed_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("rate halved") << QStringLiteral("rate");
    QTest::newRow("unplugged and replugged") << QStringLiteral("replug");
    QTest::newRow("stopped and started") << QStringLiteral("stop");
}

void TestSimFullSpeed::runSurvivesChangesAtFullSpeed()
{
    QFETCH(QString, change);
    Camera camera(smallCamera, 8);
    startRun(camera, {640, 480});
    Taken last;
    takeAndCheck(camera, 4, periodUs(camera.handle), last);

    const int32_t device = smallCamera;
    if (change == QLatin1String("rate")) {
        const uint64_t taken = Control::openCameraState(camera.handle)->framesTaken;
        QVERIFY(frameRateSet(camera.handle, highestRate(camera.handle) / 2) > 0.0);
        // The frames begun around the change may keep the old period.
        while (last.descriptor.frameNumber <= taken + 1 && !QTest::currentTestFailed())
            takeAndCheck(camera, 1, 0.0, last);
    } else if (change == QLatin1String("replug")) {
        QVERIFY(Control::unplug(device));
        char *memory = nullptr;
        int32_t id = 0;
        QCOMPARE(camera.wait(&memory, &id, 0), VyraStatus(VYRA_CANT_OPEN_DEVICE));
        QVERIFY(Control::replug(device));
        // Nothing was taken meanwhile: the run goes on where it was, its
        // beat started anew.
        const Taken next = takeImage(camera);
        QCOMPARE(next.status, VYRA_SUCCESS);
        QCOMPARE(int(next.descriptor.sequencerSet),
                 int((last.descriptor.sequencerSet + next.descriptor.frameNumber -
                      last.descriptor.frameNumber) %
                     setCount));
        last = next;
    } else {
        QCOMPARE(stopLiveCapture(camera.handle, VYRA_CAPTURE_FORCE_STOP), VYRA_SUCCESS);
        const uint64_t delivered = Control::openCameraState(camera.handle)->framesDelivered;
        Taken queued;
        while ((queued = takeImage(camera, 0)).status == VYRA_SUCCESS)
            last = queued;
        QCOMPARE(queued.status, VYRA_TIMED_OUT);
        QCOMPARE(Control::openCameraState(camera.handle)->framesDelivered, delivered);
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
        // The image the stop cut short took its set along: the next one comes
        // after it, beat started anew.
        const Taken next = takeImage(camera);
        QCOMPARE(next.status, VYRA_SUCCESS);
        QCOMPARE(int(next.descriptor.sequencerSet),
                 int((last.descriptor.sequencerSet + next.descriptor.frameNumber -
                      last.descriptor.frameNumber) %
                     setCount));
        last = next;
    }
    takeAndCheck(camera, 2 * setCount, periodUs(camera.handle), last);
}

void TestSimFullSpeed::singleTriggersAfterAFullSpeedRunStepOneImageEach()
{
    Camera camera(smallCamera, 8);
    startRun(camera, {640, 480});
    // The application falls behind: the queue fills with images it never takes.
    QTRY_VERIFY_WITH_TIMEOUT(Control::openCameraState(camera.handle)->buffersQueued >= 4,
                             imageTimeoutMs);
    QCOMPARE(stopLiveCapture(camera.handle, VYRA_CAPTURE_FORCE_STOP), VYRA_SUCCESS);
    QCOMPARE(selectTriggerSource(camera.handle, VYRA_TRIGGER_SINGLE), VYRA_SUCCESS);
    QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_SUCCESS);

    // Only triggered images arrive, one each, stepping along the path.
    const uint64_t taken = Control::openCameraState(camera.handle)->framesTaken;
    int32_t set = Control::openCameraState(camera.handle)->currentSet;
    for (int trigger = 1; trigger <= setCount + 1; ++trigger) {
        QCOMPARE(captureSingleFrame(camera.handle), VYRA_SUCCESS);
        const Taken image = takeImage(camera);
        QCOMPARE(image.status, VYRA_SUCCESS);
        QCOMPARE(image.descriptor.frameNumber, taken + uint64_t(trigger));
        QCOMPARE(int(image.descriptor.sequencerSet), set);
        QCOMPARE(image.descriptor.triggerSource, VYRA_TRIGGER_SINGLE);
        set = (set + 1) % setCount;
    }
    QCOMPARE(Control::openCameraState(camera.handle)->buffersQueued, 0);
}

QTEST_GUILESS_MAIN(TestSimFullSpeed)
#include "tst_simfullspeed.moc"
