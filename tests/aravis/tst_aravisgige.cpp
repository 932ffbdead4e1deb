#include <QProcess>
#include <QUdpSocket>
#include <QtTest>

#include "aravistest.h"

using namespace AravisTest;

/// The Aravis driver on Aravis' fake GigE Vision camera on 127.0.0.1, which
/// the test starts, stops and starts again itself: live images, and the
/// removal and reconnection events when the camera goes away and comes back.
class TestAravisGige : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void removalAndReconnectionWhileLive();

private:
    bool startCamera();
    void stopCamera();

    QProcess camera_;
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

void TestAravisGige::removalAndReconnectionWhileLive()
{
    VyraCameraRecord record{};
    QTRY_VERIFY_WITH_TIMEOUT(findCamera("Fake", &record), 15000);
    QVERIFY2(record.deviceId > 1000, "GigE Vision cameras have device IDs from 1001");
    QCOMPARE(QByteArray(record.cameraName), QByteArray("Fake-GigE"));
    VyraStatus status = VYRA_NO_SUCCESS;
    const VyraHandle handle = openDevice(record.deviceId, &status);
    QCOMPARE(status, VYRA_SUCCESS);

    HANDLE removed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE reconnected = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE deviceRemoved = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    QCOMPARE(registerEventObject(handle, removed, VYRA_EVENT_CAMERA_REMOVED), VYRA_SUCCESS);
    QCOMPARE(registerEventObject(handle, reconnected, VYRA_EVENT_CAMERA_RECONNECTED), VYRA_SUCCESS);
    QCOMPARE(registerEventObject(0, deviceRemoved, VYRA_EVENT_DEVICE_REMOVED), VYRA_SUCCESS);
    QCOMPARE(startEventNotification(handle, VYRA_EVENT_CAMERA_REMOVED), VYRA_SUCCESS);
    QCOMPARE(startEventNotification(handle, VYRA_EVENT_CAMERA_RECONNECTED), VYRA_SUCCESS);
    QCOMPARE(startEventNotification(0, VYRA_EVENT_DEVICE_REMOVED), VYRA_SUCCESS);

    VyraRect aoi{0, 0, 320, 240};
    QCOMPARE(aoiControl(handle, VYRA_AOI_SET, &aoi, sizeof aoi), VYRA_SUCCESS);
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
    QCOMPARE(stopEventNotification(0, VYRA_EVENT_DEVICE_REMOVED), VYRA_SUCCESS);
    QCOMPARE(unregisterEventObject(0, VYRA_EVENT_DEVICE_REMOVED), VYRA_SUCCESS);
    QCOMPARE(closeCamera(handle), VYRA_SUCCESS);
    for (HANDLE event : {removed, reconnected, deviceRemoved})
        CloseHandle(event);
}

QTEST_GUILESS_MAIN(TestAravisGige)
#include "tst_aravisgige.moc"
