#include <QtTest>

#include <cstring>

#include "camerachoice.h"

namespace {

VyraCameraRecord record(int deviceId, const char *model, bool inUse)
{
    VyraCameraRecord camera{};
    camera.deviceId = deviceId;
    camera.inUse = inUse ? 1 : 0;
    std::strncpy(camera.modelName, model, sizeof camera.modelName - 1);
    std::strncpy(camera.serialNumber, qPrintable(QStringLiteral("41020000%1").arg(deviceId)),
                 sizeof camera.serialNumber - 1);
    return camera;
}

} // namespace

class TestCameraChoice : public QObject
{
    Q_OBJECT

private slots:
    void findsTheCameraNamed_data();
    void findsTheCameraNamed();
};

void TestCameraChoice::findsTheCameraNamed_data()
{
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<QString>("error");
    // Places 0 to 3: VK1240C held, VK2280SE-C free, VK1240C free, VK3160CP held.
    QTest::newRow("no name: the first free") << true << "" << 12 << "";
    QTest::newRow("serial number") << true << "4102000013" << 13 << "";
    QTest::newRow("model: its first free camera") << true << "VK1240C" << 13 << "";
    QTest::newRow("model as the dialog writes it") << true << "vk-1240c" << 13 << "";
    QTest::newRow("place in the list") << true << "1" << 12 << "";
    QTest::newRow("held model") << true << "VK3160CP" << -1 << "held by another program";
    QTest::newRow("held serial number") << true << "4102000011" << -1 << "held by another program";
    QTest::newRow("place past the list") << true << "4" << -1 << "no camera '4'";
    QTest::newRow("unknown name") << true << "VK9999" << -1 << "no camera 'VK9999'";
    QTest::newRow("nothing connected") << false << "" << -1 << "no camera is connected";
}

void TestCameraChoice::findsTheCameraNamed()
{
    QFETCH(bool, connected);
    QFETCH(QString, wanted);
    QFETCH(int, deviceId);
    QFETCH(QString, error);
    QVector<VyraCameraRecord> records;
    if (connected) {
        records = {record(11, "VK1240C", true), record(12, "VK2280SE-C", false),
                   record(13, "VK1240C", false), record(14, "VK3160CP", true)};
    }
    const CameraChoice::Found found = CameraChoice(records).find(wanted);
    QCOMPARE(found.deviceId, deviceId);
    QVERIFY2(error.isEmpty() ? found.error.isEmpty() : found.error.contains(error),
             qPrintable(found.error));
}

QTEST_GUILESS_MAIN(TestCameraChoice)
#include "tst_camerachoice.moc"
