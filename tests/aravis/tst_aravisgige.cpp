#include <QProcess>
#include <QUdpSocket>
#include <QtTest>
#include <cmath>

#include "aravistest.h"

using namespace AravisTest;

/// The Aravis driver on Aravis' fake GigE Vision camera on 127.0.0.1, which
/// the test starts, stops and starts again itself: images taken on software
/// triggers, the host-driven sequence, and the removal and reconnection
/// events when the camera goes away and comes back.
class TestAravisGige : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void longerExposureGivesABrighterImage();
    void hostDrivenSequenceStepsThroughTheSets_data();
    void hostDrivenSequenceStepsThroughTheSets();
    void removalAndReconnectionWhileLive();

private:
    bool startCamera();
    void stopCamera();

    QProcess camera_;
    VyraCameraRecord record_{};
    VyraHandle handle_ = 0;
};

bool TestAravisGige::startCamera()
{
    camera_.start(QStringLiteral(VYRA_FAKE_GV_CAMERA), {"-i", "127.0.0.1"});
    return camera_.waitForStarted(5000);
}

void TestAravisGige::stopCamera()
{
    if (camera_.state() == QProcess::NotRunning)
        return;
    camera_.terminate();
    if (!camera_.waitForFinished(5000)) {
        camera_.kill();
        camera_.waitForFinished(5000);
    }
}

void TestAravisGige::initTestCase()
{
    if (qEnvironmentVariableIsSet("VYRA_SHARED_NETWORK")) {
        // GigE Vision's control port on the loopback must be free for the camera.
        QUdpSocket probe;
        if (!probe.bind(QHostAddress::LocalHost, 3956))
            QSKIP("another GigE Vision camera listens on 127.0.0.1");
    }
    QVERIFY(startCamera());
}

void TestAravisGige::cleanupTestCase()
{
    stopCamera();
}

void TestAravisGige::init()
{
    QTRY_VERIFY_WITH_TIMEOUT(findCamera("Fake", &record_), 15000);
    VyraStatus status = VYRA_NO_SUCCESS;
    handle_ = openDevice(record_.deviceId, &status);
    QCOMPARE(status, VYRA_SUCCESS);
    // A small image keeps the loopback quick on a loaded machine.
    VyraRect aoi{0, 0, 320, 240};
    QCOMPARE(aoiControl(handle_, VYRA_AOI_SET, &aoi, sizeof aoi), VYRA_SUCCESS);
}

void TestAravisGige::cleanup()
{
    if (handle_ != 0)
        QCOMPARE(closeCamera(handle_), VYRA_SUCCESS);
    handle_ = 0;
}

void TestAravisGige::hostDrivenSequenceStepsThroughTheSets_data()
{
    QTest::addColumn<int32_t>("triggerMode");
    QTest::newRow("one software trigger per image") << int32_t(VYRA_TRIGGER_SINGLE);
    QTest::newRow("triggers paced by the driver") << int32_t(VYRA_TRIGGER_SOFTWARE);
    QTest::newRow("free run paced by the driver") << int32_t(VYRA_TRIGGER_OFF);
}

void TestAravisGige::longerExposureGivesABrighterImage()
{
    QVERIFY(prepareRing(handle_));
    QCOMPARE(selectTriggerSource(handle_, VYRA_TRIGGER_SINGLE), VYRA_SUCCESS);
    QCOMPARE(startLiveCapture(handle_, VYRA_CAPTURE_START), VYRA_SUCCESS);
    double previous = -1.0;
    for (double exposureMs : {1.0, 2.0, 3.0}) {
        QCOMPARE(setExposure(handle_, exposureMs), VYRA_SUCCESS);
        QCOMPARE(exposureValue(handle_), exposureMs);
        QCOMPARE(captureSingleFrame(handle_), VYRA_SUCCESS);
        const Image image = nextImage(handle_);
        QCOMPARE(image.status, VYRA_SUCCESS);
        QCOMPARE(image.descriptor.exposureMs, exposureMs);
        QVERIFY2(image.mean > previous + 5.0, qPrintable(QString::number(image.mean)));
        previous = image.mean;
    }
    // Free run takes no software trigger.
    QCOMPARE(selectTriggerSource(handle_, VYRA_TRIGGER_OFF), VYRA_SUCCESS);
    QCOMPARE(captureSingleFrame(handle_), VYRA_TRIGGER_NOT_ACTIVATED);
}

void TestAravisGige::hostDrivenSequenceStepsThroughTheSets()
{
    QFETCH(int32_t, triggerMode);
    const std::vector<double> exposures{1.0, 2.0, 3.0};
    QVERIFY(writeExposureSequence(handle_, exposures));
    int32_t supported = 0;
    QCOMPARE(sequencerControl(handle_, VYRA_SEQUENCER_SUPPORTED, &supported, sizeof supported),
             VYRA_SUCCESS);
    QCOMPARE(supported, 1);
    QCOMPARE(setExposure(handle_, 5.0), VYRA_SUCCESS);
    QVERIFY(prepareRing(handle_, 16));
    double fps = 0.0;
    QCOMPARE(requestFrameRate(handle_, 10.0, &fps), VYRA_SUCCESS);
    QCOMPARE(selectTriggerSource(handle_, triggerMode), VYRA_SUCCESS);
    QCOMPARE(sequencerSwitch(handle_, VYRA_SEQUENCER_MODE_SET, 1), VYRA_SUCCESS);
    QCOMPARE(startLiveCapture(handle_, VYRA_CAPTURE_START), VYRA_SUCCESS);

    std::vector<Image> images;
    for (int i = 0; i < 4; ++i) {
        if (triggerMode == VYRA_TRIGGER_SINGLE)
            QCOMPARE(captureSingleFrame(handle_), VYRA_SUCCESS);
        images.push_back(nextImage(handle_));
        QCOMPARE(images.back().status, VYRA_SUCCESS);
    }
    const int expectedSets[] = {0, 1, 2, 0};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(int(images[size_t(i)].descriptor.sequencerSet), expectedSets[i]);
        QCOMPARE(images[size_t(i)].descriptor.exposureMs, exposures[size_t(expectedSets[i])]);
    }
    QVERIFY(images[0].mean + 5.0 < images[1].mean);
    QVERIFY(images[1].mean + 5.0 < images[2].mean);
    QVERIFY(std::abs(images[3].mean - images[0].mean) < 5.0);

    // Sequencer mode off: the camera takes its images with its own exposure
    // again (the ones the sequence took before may still wait in the queue).
    QCOMPARE(sequencerSwitch(handle_, VYRA_SEQUENCER_MODE_SET, 0), VYRA_SUCCESS);
    QCOMPARE(exposureValue(handle_), 5.0);
    Image after;
    QElapsedTimer timer;
    timer.start();
    do {
        if (triggerMode == VYRA_TRIGGER_SINGLE)
            QCOMPARE(captureSingleFrame(handle_), VYRA_SUCCESS);
        after = nextImage(handle_);
        QCOMPARE(after.status, VYRA_SUCCESS);
    } while (after.descriptor.exposureMs != 5.0 && timer.elapsed() < imageTimeoutMs);
    QCOMPARE(int(after.descriptor.sequencerSet), 0);
    QVERIFY(after.mean > images[2].mean);
}

void TestAravisGige::removalAndReconnectionWhileLive()
{
    QVERIFY2(record_.deviceId > 1000, "GigE Vision cameras have device IDs from 1001");
    QCOMPARE(QByteArray(record_.cameraName), QByteArray("Fake-GigE"));
    const VyraHandle handle = handle_;

    HANDLE removed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE reconnected = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE deviceRemoved = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE deviceConnected = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    QCOMPARE(registerEventObject(handle, removed, VYRA_EVENT_CAMERA_REMOVED), VYRA_SUCCESS);
    QCOMPARE(registerEventObject(handle, reconnected, VYRA_EVENT_CAMERA_RECONNECTED), VYRA_SUCCESS);
    QCOMPARE(registerEventObject(0, deviceRemoved, VYRA_EVENT_DEVICE_REMOVED), VYRA_SUCCESS);
    QCOMPARE(registerEventObject(0, deviceConnected, VYRA_EVENT_DEVICE_CONNECTED), VYRA_SUCCESS);
    QCOMPARE(startEventNotification(handle, VYRA_EVENT_CAMERA_REMOVED), VYRA_SUCCESS);
    QCOMPARE(startEventNotification(handle, VYRA_EVENT_CAMERA_RECONNECTED), VYRA_SUCCESS);
    QCOMPARE(startEventNotification(0, VYRA_EVENT_DEVICE_REMOVED), VYRA_SUCCESS);
    QCOMPARE(startEventNotification(0, VYRA_EVENT_DEVICE_CONNECTED), VYRA_SUCCESS);

    QVERIFY(prepareRing(handle));
    double fps = 0.0;
    QCOMPARE(requestFrameRate(handle, 10.0, &fps), VYRA_SUCCESS);
    QCOMPARE(selectTriggerSource(handle, VYRA_TRIGGER_SOFTWARE), VYRA_SUCCESS);
    QCOMPARE(startLiveCapture(handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
    Image image = nextImage(handle);
    QCOMPARE(image.status, VYRA_SUCCESS);
    QCOMPARE(image.descriptor.width, 320);

    // The camera stops answering: control is lost, calls answer "no camera".
    stopCamera();
    QCOMPARE(WaitForSingleObject(removed, 30000), WAIT_OBJECT_0);
    QCOMPARE(setExposure(handle, 2.0), VYRA_CANT_OPEN_DEVICE);
    QCOMPARE(WaitForSingleObject(deviceRemoved, 30000), WAIT_OBJECT_0);
    VyraCameraRecord gone{};
    QVERIFY(!findCamera("Fake", &gone));

    // It answers again: the driver opens it anew with the same settings, live.
    QVERIFY(startCamera());
    QCOMPARE(WaitForSingleObject(deviceConnected, 30000), WAIT_OBJECT_0);
    QCOMPARE(WaitForSingleObject(reconnected, 30000), WAIT_OBJECT_0);
    QCOMPARE(startLiveCapture(handle, VYRA_CAPTURE_QUERY_LIVE), 1);
    QCOMPARE(aoiOf(handle).width, 320);
    image = nextImage(handle);
    QCOMPARE(image.status, VYRA_SUCCESS);
    QCOMPARE(image.descriptor.width, 320);
    QCOMPARE(image.descriptor.height, 240);

    QCOMPARE(stopLiveCapture(handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
    for (int32_t eventId : {VYRA_EVENT_CAMERA_REMOVED, VYRA_EVENT_CAMERA_RECONNECTED}) {
        QCOMPARE(stopEventNotification(handle, eventId), VYRA_SUCCESS);
        QCOMPARE(unregisterEventObject(handle, eventId), VYRA_SUCCESS);
    }
    for (int32_t eventId : {VYRA_EVENT_DEVICE_REMOVED, VYRA_EVENT_DEVICE_CONNECTED}) {
        QCOMPARE(stopEventNotification(0, eventId), VYRA_SUCCESS);
        QCOMPARE(unregisterEventObject(0, eventId), VYRA_SUCCESS);
    }
    for (HANDLE event : {removed, reconnected, deviceRemoved, deviceConnected})
        CloseHandle(event);
}

QTEST_GUILESS_MAIN(TestAravisGige)
#include "tst_aravisgige.moc"
