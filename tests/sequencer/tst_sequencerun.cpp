// A sequence run by SequenceRun on the simulated camera, without a window:
// up to ten images a second the host triggers each image, faster the camera
// runs the sequence itself. Every image is checked against the one before:
// its stamp names the set its label names, the set moves on along the ring
// by one per frame the camera took, and the camera's clock advanced by whole
// frame periods of the run rate.

#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <mutex>

#include "framestamp.h"
#include "sequencemodel.h"
#include "sequencer.h"
#include "sequencerun.h"
#include "simcontrol.h"
#include "vyracamera.h"
#include "vyraframeinfo.h"

using VyraSim::Control;

namespace {

const QList<double> exposures{1.0, 4.0, 16.0};

/// An image as the fan-out delivered it: its label and its stamp.
struct Taken
{
    VyraFrameInfo info;
    int stampedSet = -1;
};

int stampedSet(const QImage &image)
{
    const std::string text = VyraSim::FrameStamp::read(
        image.constBits(), image.bytesPerLine(), image.width(), image.height(), 0, 0, 24,
        VyraSim::FrameStamp::cornerScale(image.width()));
    const size_t at = text.find("SET ");
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + 4);
}

} // namespace

class TestSequenceRun : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void imagesComeAtTheRunRateWithTheirSets_data();
    void imagesComeAtTheRunRateWithTheirSets();
    void liveOffStepsOneImagePerTrigger_data();
    void liveOffStepsOneImagePerTrigger();
    void rateChangeUnplugAndStopAtFullSpeed();

private:
    void start(double fps);
    /// The first count images the camera delivers from now on (fewer after
    /// 10 s).
    QList<Taken> take(int count);
    /// The first count images since the last forget() (fewer after 10 s).
    QList<Taken> taken(int count);
    void forget();
    /// Checks each image against the one before; periodUs 0 skips the clock.
    void checkRing(const QList<Taken> &images, double periodUs);
    double cameraRate() const { return Control::openCameraState(Control::openHandles().front())->frameRate; }

    QSharedPointer<VyraCamera> m_camera;
    QSharedPointer<Sequencer> m_sequencer;
    std::unique_ptr<SequenceModel> m_model;
    std::unique_ptr<SequenceRun> m_run;
    std::mutex m_takenMutex;
    QList<Taken> m_taken;
    ImageFanOut::Attachment m_attachment;
};

void TestSequenceRun::init()
{
    Control::resetToDefaults();
    VyraSim::CameraSpec small;
    small.deviceId = 1;
    QVERIFY(Control::setCameras({small}));
    m_camera = QSharedPointer<VyraCamera>::create(1);
    m_sequencer = QSharedPointer<Sequencer>::create(m_camera);
    m_camera->setTriggerMode(VYRA_TRIGGER_SOFTWARE, true);
    m_camera->enableLiveVideo(true);
    m_model = std::make_unique<SequenceModel>();
    Sequence sequence;
    sequence.features = {VYRA_FEATURE_EXPOSURE};
    for (double exposure : exposures) {
        SetParameters set = SetParameters::ofCamera(*m_camera);
        set.exposureMs = exposure;
        set.triggerSource = VYRA_SEQUENCER_TRIGGER_FRAME_END;
        sequence = sequence.withSetAppended(set);
    }
    m_model->setSequence(sequence);
    m_attachment = m_camera->images().attach([this](const QSharedPointer<QImage> &image) {
        const Taken taken{VyraFrameInfo::of(*image), stampedSet(*image)};
        std::lock_guard<std::mutex> lock(m_takenMutex);
        m_taken << taken;
    });
}

void TestSequenceRun::cleanup()
{
    m_attachment.detach();
    m_run.reset();
    m_sequencer.reset();
    m_camera.reset();
    m_model.reset();
}

void TestSequenceRun::start(double fps)
{
    m_model->runRate().setMaximum(SequenceRun::highestRate(*m_camera, m_model->sequence()));
    m_model->runRate().setValue(fps);
    m_run = std::make_unique<SequenceRun>(m_camera, m_sequencer, m_model->runRate().value());
    m_run->start(*m_model);
}

QList<Taken> TestSequenceRun::take(int count)
{
    forget();
    return taken(count);
}

void TestSequenceRun::forget()
{
    std::lock_guard<std::mutex> lock(m_takenMutex);
    m_taken.clear();
}

QList<Taken> TestSequenceRun::taken(int count)
{
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        {
            std::lock_guard<std::mutex> lock(m_takenMutex);
            if (m_taken.size() >= count)
                return m_taken.mid(0, count);
        }
        QTest::qWait(5);
    }
    std::lock_guard<std::mutex> lock(m_takenMutex);
    return m_taken;
}

void TestSequenceRun::checkRing(const QList<Taken> &images, double periodUs)
{
    QVERIFY(images.size() > 1);
    for (int i = 0; i < images.size(); ++i) {
        const VyraFrameInfo &info = images[i].info;
        QCOMPARE(images[i].stampedSet, info.set);
        QCOMPARE(info.exposureMs, exposures.value(info.set));
        if (i == 0)
            continue;
        const VyraFrameInfo &before = images[i - 1].info;
        const quint64 frames = info.frameNumber - before.frameNumber;
        QVERIFY(frames >= 1);
        QCOMPARE(quint64(info.set), (before.set + frames) % exposures.size());
        if (periodUs > 0.0) {
            // Whole frame periods: more than one where a slow machine (the
            // sanitizers) made the sensor skip beats.
            const double periods = double(info.timestampUs - before.timestampUs) / periodUs;
            QVERIFY2(std::abs(periods - std::round(periods)) < 0.02 && periods >= 0.98,
                     qPrintable(QStringLiteral("%1 frame periods").arg(periods)));
        }
    }
}

void TestSequenceRun::imagesComeAtTheRunRateWithTheirSets_data()
{
    QTest::addColumn<QSize>("imageSize");
    QTest::addColumn<double>("fps"); // 0: the highest the camera allows
    QTest::addColumn<double>("expectedRate");
    QTest::addColumn<bool>("free");

    // 1280 x 1024 reads out at 51.15 images a second; 640 x 480 faster than
    // 16 ms allows, so the longest exposure sets the pace.
    QTest::newRow("whole sensor, highest") << QSize(1280, 1024) << 0.0 << 51.15 << true;
    QTest::newRow("640 x 480, highest") << QSize(640, 480) << 0.0 << 62.5 << true;
    QTest::newRow("20 a second") << QSize(1280, 1024) << 20.0 << 20.0 << true;
    QTest::newRow("5 a second, triggered") << QSize(1280, 1024) << 5.0 << 5.0 << false;
}

void TestSequenceRun::imagesComeAtTheRunRateWithTheirSets()
{
    QFETCH(QSize, imageSize);
    QFETCH(double, fps);
    QFETCH(double, expectedRate);
    QFETCH(bool, free);

    m_camera->setAoi(QRect(QPoint(0, 0), imageSize));
    start(fps > 0.0 ? fps : 1000.0);
    QCOMPARE(m_run->runsFree(), free);
    QVERIFY(std::abs(cameraRate() - expectedRate) < 0.01);
    // Triggered images come when the host gets to them, not by the clock.
    checkRing(take(9), free ? 1e6 / cameraRate() : 0.0);
}

void TestSequenceRun::liveOffStepsOneImagePerTrigger_data()
{
    QTest::addColumn<double>("fps");
    QTest::newRow("triggered") << 5.0;
    QTest::newRow("free") << 40.0;
}

void TestSequenceRun::liveOffStepsOneImagePerTrigger()
{
    QFETCH(double, fps);
    start(fps);
    QVERIFY(!take(4).isEmpty());
    m_run->setLive(false);
    QCOMPARE(m_run->state(), SequenceRun::State::RunningStepped);
    QList<int> stepped;
    for (int press = 0; press < 4; ++press) {
        // Forgotten before the press: its image may come before the wait.
        forget();
        m_run->step();
        const QList<Taken> one = taken(1);
        QCOMPARE(one.size(), 1);
        QCOMPARE(one.first().stampedSet, one.first().info.set);
        stepped << one.first().info.set;
        // Nothing more comes without a trigger.
        QTest::qWait(250);
        std::lock_guard<std::mutex> lock(m_takenMutex);
        QCOMPARE(m_taken.size(), 1);
    }
    QCOMPARE(stepped, QList<int>({0, 1, 2, 0}));

    // Live again runs at the pace of the rate.
    m_run->setLive(true);
    QCOMPARE(m_run->runsFree(), fps > SequenceRun::maximumTriggerRate);
    checkRing(take(6), m_run->runsFree() ? 1e6 / cameraRate() : 0.0);
}

void TestSequenceRun::rateChangeUnplugAndStopAtFullSpeed()
{
    start(1000.0);
    QVERIFY(m_run->runsFree());

    // Down to the triggers' pace and up again, as the Acquisition dialog does.
    m_camera->setFramerate(8.0);
    m_run->followFramerate(8.0);
    QVERIFY(!m_run->runsFree());
    checkRing(take(4), 0.0);
    m_camera->setFramerate(40.0);
    m_run->followFramerate(40.0);
    checkRing(take(9), 1e6 / 40.0);

    // Pulled out at full speed, the run is over; back, the camera is stopped
    // and a new run goes at full speed again.
    QSignalSpy removed(m_camera.data(), &VyraCamera::cameraRemoved);
    QSignalSpy reconnected(m_camera.data(), &VyraCamera::cameraReconnected);
    QVERIFY(Control::unplug(1));
    QTRY_COMPARE_WITH_TIMEOUT(removed.size(), 1, 10000);
    m_run->abandon();
    QVERIFY(Control::replug(1));
    QTRY_COMPARE_WITH_TIMEOUT(reconnected.size(), 1, 10000);
    m_run->restoreStopped();
    QCOMPARE(m_run->state(), SequenceRun::State::Stopped);
    m_run->start(*m_model);
    QVERIFY(m_run->runsFree());
    checkRing(take(9), 1e6 / cameraRate());

    // Stopped, live video again: images name no set.
    m_run->stop();
    const QList<Taken> live = take(3);
    QCOMPARE(live.size(), 3);
    for (const Taken &image : live)
        QCOMPARE(image.info.set, VyraFrameInfo::noSet);
    const auto state = Control::openCameraState(Control::openHandles().front());
    QCOMPARE(state->triggerMode, VYRA_TRIGGER_SOFTWARE);
    QVERIFY(!state->sequencerMode);
}

QTEST_MAIN(TestSequenceRun)
#include "tst_sequencerun.moc"
