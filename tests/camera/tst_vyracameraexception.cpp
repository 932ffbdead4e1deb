#include <QTest>

#include <stdexcept>

#include "vyracameraexception.h"

// Driver statuses become exceptions with the driver's text and the code.
class TestVyraCameraException : public QObject
{
    Q_OBJECT

private slots:
    void successNeverThrows();
    void messageOfStatus_data();
    void messageOfStatus();
    void callSiteIsNotPartOfTheMessage();
    void caughtAsStdException();
};

void TestVyraCameraException::successNeverThrows()
{
    try {
        checkDriverStatus(VYRA_SUCCESS, "sequencer/vyracamera", "VyraCamera::setAoi", 1);
    } catch (...) {
        QFAIL("status 0 threw");
    }
}

void TestVyraCameraException::messageOfStatus_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");

    QTest::newRow("general error") << -1 << "General error message (-1)";
    QTest::newRow("invalid handle") << 1 << "Invalid camera handle (1)";
    QTest::newRow("io request names the driver files")
        << 2
        << "An IO request from the Vyra driver failed. Possibly the versions of the "
           "vyra_api.dll (API) and the driver file (vyra_usb.sys or vyra_eth.sys) do not "
           "match. (2)";
    QTest::newRow("cannot open") << 3
                                 << "An attempt to initialize or select the camera failed (no "
                                    "camera connected or initialization error). (3)";
    QTest::newRow("typo kept: mage") << 30 << "Invalid mage size (30)";
    QTest::newRow("device id") << 118
                               << "The device ID is invalid. Valid IDs start from 1 for USB "
                                  "cameras, and from 1001 for GigE cameras. (118)";
    QTest::newRow("timeout") << 122
                             << "A timeout occurred. An image capturing process could not be "
                                "terminated within the allowable period. (122)";
    QTest::newRow("typo kept: occured") << 129 << "An internal error has occured. (129)";
    QTest::newRow("library name") << 185 << "The Lumora library could not be found. (185)";
    QTest::newRow("typo kept: busy ad")
        << 205 << "The camera is busy ad cannot transfer the requested image. (205)";
    QTest::newRow("last entry") << 206 << "The initialization of the sensor failed. (206)";
    QTest::newRow("unknown 4") << 4 << "Unknown Vyra error. (4)";
    QTest::newRow("unknown 13") << 13 << "Unknown Vyra error. (13)";
    QTest::newRow("unknown 100") << 100 << "Unknown Vyra error. (100)";
    QTest::newRow("unknown 207") << 207 << "Unknown Vyra error. (207)";
    QTest::newRow("unknown 999") << 999 << "Unknown Vyra error. (999)";
    QTest::newRow("unknown negative") << -2 << "Unknown Vyra error. (-2)";
    QTest::newRow("int32 minimum") << int(INT32_MIN) << "Unknown Vyra error. (-2147483648)";
}

void TestVyraCameraException::messageOfStatus()
{
    QFETCH(int, status);
    QFETCH(QString, message);
    try {
        checkDriverStatus(status, "sequencer/vyracamera", "VyraCamera::aoi", 42);
        QFAIL("a failing status did not throw");
    } catch (const VyraCameraException &exception) {
        QCOMPARE(QString::fromUtf8(exception.what()), message);
    }
}

void TestVyraCameraException::callSiteIsNotPartOfTheMessage()
{
    const VyraCameraException first(VYRA_INVALID_PARAMETER, "sequencer/vyracamera",
                                    "VyraCamera::setAoi", 100);
    const VyraCameraException second(VYRA_INVALID_PARAMETER, "sequencer/sequencer",
                                     "Sequencer::storeSet", 7);
    QCOMPARE(QByteArray(first.what()), QByteArray(second.what()));
    QVERIFY(!QByteArray(first.what()).contains("setAoi"));
    QVERIFY(!QByteArray(first.what()).contains("sequencer/"));
}

void TestVyraCameraException::caughtAsStdException()
{
    try {
        checkDriverStatus(VYRA_INVALID_HANDLE, "sequencer/vyrawindowseventthread",
                          "VyraWindowsEventThread::disconnectEvent", 3);
        QFAIL("did not throw");
    } catch (const std::exception &exception) {
        QCOMPARE(QByteArray(exception.what()), QByteArray("Invalid camera handle (1)"));
    }
}

QTEST_APPLESS_MAIN(TestVyraCameraException)
#include "tst_vyracameraexception.moc"
