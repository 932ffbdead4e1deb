// A sequence at the camera's own speed: running free in sequencer mode, the
// sensor steps along path 0 at every image, at its highest rate for the
// sequence's longest exposure, and every image names the set that took it.

#include <cmath>

#include "framestamp.h"
#include "simdrivertest.h"

using namespace SimTest;
using DriverTest::sequencerSwitch;
using VyraSim::Control;

namespace {

/// Sets 0 -> 1 -> 2 -> 0, stepping at frame end.
const std::vector<double> exposures{1.0, 4.0, 16.0};

} // namespace

class TestSimFullSpeed : public QObject
{
    Q_OBJECT

private slots:
    void init() { Control::resetToDefaults(); }
    void sequenceRunsAtTheCamerasRate_data();
    void sequenceRunsAtTheCamerasRate();

private:
    /// Takes count images, each checked against the one before: its stamp
    /// names its frame and set, its set is the one the path reaches with the
    /// frames taken in between (the first is set 0), its exposure is that
    /// set's and, unless periodUs is 0, the camera's clock advanced by whole
    /// frame periods (more than one where a slow machine made it skip beats).
    void takeAndCheck(Camera &camera, int count, double periodUs);

    VyraFrameDescriptor last_{};
};

void TestSimFullSpeed::takeAndCheck(Camera &camera, int count, double periodUs)
{
    for (int i = 0; i < count; ++i) {
        char *memory = nullptr;
        int32_t id = 0;
        QCOMPARE(camera.wait(&memory, &id), VYRA_SUCCESS);
        const VyraFrameDescriptor d = describe(camera.handle, id);
        const std::string stamp =
            "FRAME " + std::to_string(d.frameNumber) + " SET " + std::to_string(d.sequencerSet);
        const std::string read = VyraSim::FrameStamp::read(
            reinterpret_cast<const uint8_t *>(memory), d.linePitch, d.width, d.height, 0, 0,
            int(stamp.size()), VyraSim::FrameStamp::cornerScale(d.width));
        camera.unlock(memory, id);
        QCOMPARE(QString::fromStdString(read), QString::fromStdString(stamp));
        QCOMPARE(d.exposureMs, exposures[d.sequencerSet]);
        const uint64_t steps =
            last_.frameNumber == 0 ? 0 : last_.sequencerSet + d.frameNumber - last_.frameNumber;
        QCOMPARE(int(d.sequencerSet), int(steps % exposures.size()));
        if (last_.frameNumber != 0 && periodUs != 0.0) {
            const double periods = double(d.timestampUs - last_.timestampUs) / periodUs;
            QVERIFY2(periods > 0.5 && std::abs(periods - std::round(periods)) * periodUs < 2.0,
                     qPrintable(QStringLiteral("%1 periods").arg(periods)));
        }
        last_ = d;
    }
}

void TestSimFullSpeed::sequenceRunsAtTheCamerasRate_data()
{
    QTest::addColumn<QSize>("aoi");
    QTest::addColumn<double>("rate");
    QTest::addColumn<QString>("change");
    // The full sensor is bound by its readout, a smaller AOI by the 16 ms set.
    QTest::newRow("1280 x 1024") << QSize(1280, 1024) << 1.0 / 0.01955 << QString();
    QTest::newRow("640 x 480") << QSize(640, 480) << 62.5 << QString();
    QTest::newRow("rate halved") << QSize(640, 480) << 62.5 << QStringLiteral("rate");
    QTest::newRow("unplugged, replugged") << QSize(640, 480) << 62.5 << QStringLiteral("replug");
    QTest::newRow("stopped, started") << QSize(640, 480) << 62.5 << QStringLiteral("stop");
    QTest::newRow("then triggered") << QSize(640, 480) << 62.5 << QStringLiteral("trigger");
}

void TestSimFullSpeed::sequenceRunsAtTheCamerasRate()
{
    QFETCH(QSize, aoi);
    QFETCH(double, rate);
    QFETCH(QString, change);
    last_ = {};
    Camera camera(smallCamera, 8);
    QVERIFY(camera.ok());
    const VyraHandle h = camera.handle;
    QCOMPARE(setAoi(h, {0, 0, aoi.width(), aoi.height()}), VYRA_SUCCESS);
    camera.reallocate();
    QVERIFY(DriverTest::writeExposureSequence(h, exposures));
    const double highest = std::min(maximumFrameRate(h), 1000.0 / exposures.back());
    QVERIFY(std::abs(frameRateSet(h, highest) - rate) < 1e-6);
    QCOMPARE(selectTriggerSource(h, VYRA_TRIGGER_OFF), VYRA_SUCCESS);
    QCOMPARE(sequencerSwitch(h, VYRA_SEQUENCER_MODE_SET, 1), VYRA_SUCCESS);
    QCOMPARE(startLiveCapture(h, VYRA_CAPTURE_START), VYRA_SUCCESS);
    takeAndCheck(camera, 6, 1e6 / rate);

    if (change == QLatin1String("rate")) {
        const uint64_t taken = Control::openCameraState(h)->framesTaken;
        rate = frameRateSet(h, rate / 2);
        // The frames begun around the change may keep the old period.
        while (last_.frameNumber <= taken + 1 && !QTest::currentTestFailed())
            takeAndCheck(camera, 1, 0.0);
    } else if (change == QLatin1String("replug")) {
        QVERIFY(Control::unplug(smallCamera));
        QVERIFY(Control::replug(smallCamera));
        takeAndCheck(camera, 1, 0.0); // its beat starts anew
    } else if (change == QLatin1String("stop")) {
        QCOMPARE(stopLiveCapture(h, VYRA_CAPTURE_FORCE_STOP), VYRA_SUCCESS);
        QCOMPARE(startLiveCapture(h, VYRA_CAPTURE_START), VYRA_SUCCESS);
        takeAndCheck(camera, 1, 0.0);
    } else if (change == QLatin1String("trigger")) {
        // Images the application never took wait in the queue; single
        // triggers bring one image each, and only theirs.
        QTRY_VERIFY_WITH_TIMEOUT(Control::openCameraState(h)->buffersQueued >= 4, imageTimeoutMs);
        QCOMPARE(stopLiveCapture(h, VYRA_CAPTURE_FORCE_STOP), VYRA_SUCCESS);
        QCOMPARE(selectTriggerSource(h, VYRA_TRIGGER_SINGLE), VYRA_SUCCESS);
        QCOMPARE(startLiveCapture(h, VYRA_CAPTURE_START), VYRA_SUCCESS);
        const uint64_t taken = Control::openCameraState(h)->framesTaken;
        for (uint64_t trigger = 1; trigger <= 4; ++trigger) {
            QCOMPARE(captureSingleFrame(h), VYRA_SUCCESS);
            takeAndCheck(camera, 1, 0.0);
            QCOMPARE(last_.frameNumber, taken + trigger);
        }
        QCOMPARE(Control::openCameraState(h)->buffersQueued, 0);
        return;
    }
    takeAndCheck(camera, 6, 1e6 / rate);
}

QTEST_GUILESS_MAIN(TestSimFullSpeed)
#include "tst_simfullspeed.moc"
