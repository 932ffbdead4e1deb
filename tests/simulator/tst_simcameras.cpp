// The camera list, opening and closing, and the camera configuration file.

#include <QTemporaryDir>

#include <algorithm>
#include <random>

#include "simdrivertest.h"

using namespace SimTest;
using VyraSim::Control;

class TestSimCameras : public QObject
{
    Q_OBJECT

private:
    std::vector<VyraCameraRecord> list(int room)
    {
        std::vector<char> buffer(VYRA_CAMERA_LIST_SIZE(std::max(room, 1)));
        auto *cameraList = reinterpret_cast<VyraCameraList *>(buffer.data());
        cameraList->count = room;
        if (listCameras(cameraList) != VYRA_SUCCESS)
            return {};
        return {cameraList->records, cameraList->records + cameraList->count};
    }

    QString writeConfiguration(const QByteArray &text)
    {
        const QString path = dir.filePath("cameras.conf");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            return {};
        return path;
    }

    QTemporaryDir dir;

private slots:
    void init()
    {
        qputenv("VYRASIM_CAMERAS", "");
        Control::resetToDefaults();
    }
    void cleanupTestCase()
    {
        qputenv("VYRASIM_CAMERAS", "");
        Control::resetToDefaults();
    }

    void defaultCamerasAreListedAsLaidOut()
    {
        int32_t count = -1;
        QCOMPARE(countCameras(&count), VYRA_SUCCESS);
        QCOMPARE(count, 3);

        std::vector<char> buffer(VYRA_CAMERA_LIST_SIZE(3));
        auto *cameraList = reinterpret_cast<VyraCameraList *>(buffer.data());
        cameraList->count = 3;
        QCOMPARE(listCameras(cameraList), VYRA_SUCCESS);
        QCOMPARE(cameraList->count, 3);

        // Read the records as raw bytes, at the offsets the application uses.
        const auto int32At = [&](int record, int offset) {
            int32_t value;
            std::memcpy(&value, buffer.data() + 4 + record * 112 + offset, 4);
            return value;
        };
        const auto textAt = [&](int record, int offset) {
            return QString::fromLatin1(buffer.data() + 4 + record * 112 + offset);
        };
        QCOMPARE(int32At(0, 4), smallCamera);
        QCOMPARE(int32At(1, 4), largeCamera);
        QCOMPARE(int32At(2, 4), heldCamera);
        QCOMPARE(int32At(0, 0), 1);
        QCOMPARE(int32At(0, 12), 0);
        QCOMPARE(int32At(1, 12), 0);
        QVERIFY(int32At(2, 12) != 0);
        QCOMPARE(textAt(0, 32), QString("VK1240C"));
        QCOMPARE(textAt(1, 32), QString("VK2280SE-C"));
        QCOMPARE(textAt(1, 60), QString("VK2280SE-C-USB"));
        QCOMPARE(textAt(0, 16), QString("4102711301"));
        QVERIFY(QRegularExpression("^VK\\d+[A-Z0-9-]*$").match(textAt(2, 32)).hasMatch());
    }

    void listFillsAtMostTheRoomGiven()
    {
        const std::vector<VyraCameraRecord> one = list(1);
        QCOMPARE(int(one.size()), 1);
        QCOMPARE(one[0].deviceId, smallCamera);
        QCOMPARE(int(list(0).size()), 0);
        QCOMPARE(int(list(10).size()), 3);

        VyraCameraList negative{};
        negative.count = -1;
        QCOMPARE(listCameras(&negative), VYRA_INVALID_PARAMETER);
        QCOMPARE(listCameras(nullptr), VYRA_INVALID_MEMORY_POINTER);
        QCOMPARE(countCameras(nullptr), VYRA_INVALID_MEMORY_POINTER);
    }

    void openedCameraIsListedInUse()
    {
        const VyraHandle handle = openDevice(largeCamera);
        QVERIFY(handle != 0);
        QVERIFY(list(3)[1].inUse != 0);
        QVERIFY(Control::camera(largeCamera)->openedHere);
        QCOMPARE(Control::camera(largeCamera)->handle, handle);
        QCOMPARE(closeCamera(handle), VYRA_SUCCESS);
        QCOMPARE(list(3)[1].inUse, 0);
        QVERIFY(!Control::camera(largeCamera)->openedHere);
    }

    void openRules_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<int>("expected");
        QTest::newRow("held by another program") << "held" << int(VYRA_ALL_DEVICES_BUSY);
        QTest::newRow("already open here") << "open" << int(VYRA_ALL_DEVICES_BUSY);
        QTest::newRow("unknown device ID") << "unknown" << int(VYRA_INVALID_DEVICE_ID);
        QTest::newRow("unplugged") << "unplugged" << int(VYRA_INVALID_DEVICE_ID);
        QTest::newRow("a window is passed") << "window" << int(VYRA_INVALID_PARAMETER);
        QTest::newRow("unknown camera ID") << "cameraId" << int(VYRA_CANT_OPEN_DEVICE);
    }
    void openRules()
    {
        QFETCH(QString, situation);
        QFETCH(int, expected);
        VyraHandle first = 0;
        VyraHandle word = VyraHandle(smallCamera) | VYRA_USE_DEVICE_ID;
        void *window = nullptr;
        int dummyWindow = 0;
        if (situation == "held")
            word = VyraHandle(heldCamera) | VYRA_USE_DEVICE_ID;
        else if (situation == "open")
            first = openDevice(smallCamera);
        else if (situation == "unknown")
            word = 77 | VYRA_USE_DEVICE_ID;
        else if (situation == "unplugged")
            QVERIFY(Control::unplug(smallCamera));
        else if (situation == "window")
            window = &dummyWindow;
        else if (situation == "cameraId")
            word = 9;
        const VyraHandle before = word;
        QCOMPARE(openCamera(&word, window), VyraStatus(expected));
        QCOMPARE(word, before);
        QCOMPARE(int(Control::openHandles().size()), first != 0 ? 1 : 0);
        QCOMPARE(openCamera(nullptr, nullptr), VYRA_INVALID_MEMORY_POINTER);
    }

    void openByCameraIdOrFirstFree()
    {
        VyraHandle word = 2;
        QCOMPARE(openCamera(&word, nullptr), VYRA_SUCCESS);
        QCOMPARE(Control::openCameraState(word)->deviceId, largeCamera);

        VyraHandle any = 0;
        QCOMPARE(openCamera(&any, nullptr), VYRA_SUCCESS);
        QCOMPARE(Control::openCameraState(any)->deviceId, smallCamera);
        VyraHandle none = 0;
        QCOMPARE(openCamera(&none, nullptr), VYRA_ALL_DEVICES_BUSY);
    }

    void closedHandlesAnswerInvalidHandle()
    {
        const VyraHandle handle = openDevice(smallCamera);
        QVERIFY(handle != 0);
        QCOMPARE(closeCamera(handle), VYRA_SUCCESS);
        QCOMPARE(closeCamera(handle), VYRA_INVALID_HANDLE);
        QCOMPARE(closeCamera(0), VYRA_INVALID_HANDLE);

        double value = 0;
        int32_t word = 0;
        char *memory = nullptr;
        VyraRect aoi{};
        QCOMPARE(startLiveCapture(handle, VYRA_CAPTURE_START), VYRA_INVALID_HANDLE);
        QCOMPARE(captureSingleFrame(handle), VYRA_INVALID_HANDLE);
        QCOMPARE(aoiControl(handle, VYRA_AOI_GET, &aoi, sizeof aoi), VYRA_INVALID_HANDLE);
        QCOMPARE(exposureControl(handle, VYRA_EXPOSURE_GET, &value, 8), VYRA_INVALID_HANDLE);
        QCOMPARE(waitForQueuedImage(handle, 0, &memory, &word), VYRA_INVALID_HANDLE);
        QCOMPARE(allocateFrameBuffer(handle, 64, 64, 24, &memory, &word), VYRA_INVALID_HANDLE);
        QCOMPARE(sequencerControl(handle, VYRA_SEQUENCER_SUPPORTED, &word, 4), VYRA_INVALID_HANDLE);
        QCOMPARE(registerEventObject(handle, reinterpret_cast<HANDLE>(1), 128),
                 VYRA_INVALID_HANDLE);

        // A new open never reuses the handle of the camera just closed.
        const VyraHandle again = openDevice(smallCamera);
        QVERIFY(again != 0);
        QVERIFY(again != handle);
        closeCamera(again);
    }

    void controlPlugsInAndRemovesCameras()
    {
        VyraSim::CameraSpec description = VyraSim::defaultCameras()[0];
        description.deviceId = 0;
        description.serialNumber = "4102999999";
        const int32_t deviceId = Control::plugIn(description);
        QCOMPARE(deviceId, 3);
        QCOMPARE(int(list(10).size()), 4);
        description.deviceId = 3;
        QCOMPARE(Control::plugIn(description), -1);

        QVERIFY(Control::remove(deviceId));
        QCOMPARE(int(list(10).size()), 3);
        QVERIFY(!Control::replug(deviceId));
        QVERIFY(!Control::remove(deviceId));

        QVERIFY(Control::setInUseElsewhere(smallCamera, true));
        QVERIFY(list(1)[0].inUse != 0);
        VyraStatus status = 0;
        QCOMPARE(openDevice(smallCamera, &status), VyraHandle(0));
        QCOMPARE(status, VYRA_ALL_DEVICES_BUSY);
    }

    void setCamerasRejectsBadSetsWhole()
    {
        std::vector<VyraSim::CameraSpec> cameras = VyraSim::defaultCameras();
        cameras[1].deviceId = cameras[0].deviceId;
        QVERIFY(!Control::setCameras(cameras));
        QCOMPARE(int(Control::cameras().size()), 3);
        QCOMPARE(Control::cameras()[1].description.deviceId, largeCamera);

        cameras = VyraSim::defaultCameras();
        cameras[0].sensorWidth = 1283; // not a multiple of the width increment
        QVERIFY(!Control::setCameras(cameras));

        const VyraHandle handle = openDevice(smallCamera);
        cameras = {VyraSim::defaultCameras()[1]};
        QVERIFY(Control::setCameras(cameras));
        QCOMPARE(Control::openCameraState(handle), std::nullopt);
        QCOMPARE(closeCamera(handle), VYRA_INVALID_HANDLE);
        QCOMPARE(int(list(10).size()), 1);
    }

    void configurationTextRoundTrips()
    {
        const std::vector<VyraSim::CameraSpec> cameras = VyraSim::defaultCameras();
        std::vector<VyraSim::ConfigProblem> problems;
        const std::string text = VyraSim::formatCameraConfiguration(cameras);
        QVERIFY(VyraSim::parseCameraConfiguration(text, &problems) == cameras);
        QVERIFY(problems.empty());
    }

    // Damaged configuration texts give cameras or problems on real lines,
    // never a crash or a camera that breaks the rules.
    void damagedConfigurationTextIsHandled()
    {
        const std::string original = VyraSim::formatCameraConfiguration(VyraSim::defaultCameras());
        const int lines = int(std::count(original.begin(), original.end(), '\n'));
        std::mt19937 random(7);
        const std::string alphabet = "=[]#x,-/ 0123456789abcdehnosvVK\n";
        for (int round = 0; round < 3000; ++round) {
            std::string text = original;
            for (int edit = 0; edit < 1 + int(random() % 4); ++edit) {
                const size_t at = random() % text.size();
                if (random() % 2)
                    text[at] = alphabet[random() % alphabet.size()];
                else
                    text.erase(at, 1 + random() % 8);
            }
            std::vector<VyraSim::ConfigProblem> problems;
            const std::vector<VyraSim::CameraSpec> cameras =
                VyraSim::parseCameraConfiguration(text, &problems);
            QVERIFY(cameras.empty() != problems.empty());
            for (const VyraSim::ConfigProblem &problem : problems)
                QVERIFY(problem.line >= 0 && problem.line <= lines + 1);
            if (!cameras.empty())
                QVERIFY(Control::setCameras(cameras));
        }
    }

    void configurationFileReplacesTheDefault()
    {
        const QString path = writeConfiguration(R"(# two cameras
[camera]
device-id = 5
model = VK1008M-2
size = 640 x 480
serial = 77
binning = h2x v4x
subsampling = none
pixel-clocks = 10-40/10
size-increment = 16 x 4
format = 3, 0, 0, 640x480, none, none, 640x480 VGA

[camera]
device-id = 1002   # a GigE camera
camera-id = 7
model = VK5000C
name = Line 4 camera
size = 2048 x 1536
in-use = yes
flash = no
)");
        QVERIFY(!path.isEmpty());
        qputenv("VYRASIM_CAMERAS", path.toLocal8Bit());
        QVERIFY(Control::resetToDefaults().empty());
        const std::vector<VyraCameraRecord> records = list(10);
        QCOMPARE(int(records.size()), 2);
        QCOMPARE(records[0].deviceId, 5);
        QCOMPARE(QString(records[0].modelName), QString("VK1008M-2"));
        QCOMPARE(QString(records[0].cameraName), QString("VK1008M-2-USB"));
        QCOMPARE(QString(records[1].cameraName), QString("Line 4 camera"));
        QCOMPARE(records[1].cameraId, 7);
        QVERIFY(records[1].inUse != 0);

        const VyraSim::CameraSpec description = Control::cameras()[0].description;
        QCOMPARE(description.binningModes, VYRA_FACTOR_2X_HORIZONTAL | VYRA_FACTOR_4X_VERTICAL);
        QCOMPARE(description.pixelClocksMHz, (std::vector<uint32_t>{10, 20, 30, 40}));
        QCOMPARE(description.defaultPixelClockMHz, 40u);
        QCOMPARE(description.aoiWidthIncrement, 16);
        QCOMPARE(description.aoiHeightIncrement, 4);
        QCOMPARE(Control::cameras()[1].description.aoiWidthIncrement, 8);
        QCOMPARE(int(description.imageFormats.size()), 1);
        QCOMPARE(QString::fromStdString(description.imageFormats[0].caption),
                 QString("640x480 VGA"));
        QVERIFY(!Control::cameras()[1].description.flash);
    }

    void badConfigurationFileFallsBackWithLineAndReason_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("reason");
        QTest::newRow("unknown key")
            << QByteArray("[camera]\ndevice-id=1\nmodel=VK1\nsize=640x480\ncolour=red\n") << 5
            << "unknown key 'colour'";
        QTest::newRow("bad number")
            << QByteArray("[camera]\ndevice-id=one\nmodel=VK1\nsize=640x480\n") << 2
            << "bad value for 'device-id'";
        QTest::newRow("missing size")
            << QByteArray("\n\n[camera]\ndevice-id=1\nmodel=VK1\n") << 3 << "no size";
        QTest::newRow("bad model") << QByteArray("[camera]\ndevice-id=1\nmodel=XY1\nsize=640x480\n")
                                   << 1 << "model must be";
        QTest::newRow("duplicate device")
            << QByteArray("[camera]\ndevice-id=1\nmodel=VK1\nsize=640x480\n"
                          "[camera]\ndevice-id=1\nmodel=VK2\nsize=640x480\n")
            << 5 << "used twice";
        QTest::newRow("format off the sensor")
            << QByteArray("[camera]\ndevice-id=1\nmodel=VK1\nsize=640x480\n"
                          "format=1, 8, 0, 640x480, none, none, Too wide\n")
            << 1 << "does not fit";
        QTest::newRow("size increment not a power of two")
            << QByteArray("[camera]\ndevice-id=1\nmodel=VK1\nsize=640x480\nsize-increment=12x2\n")
            << 1 << "size-increment must be";
        QTest::newRow("size increment too coarse")
            << QByteArray("[camera]\ndevice-id=1\nmodel=VK1\nsize=640x480\nsize-increment=64x2\n")
            << 1 << "size-increment must be";
        QTest::newRow("line without =")
            << QByteArray("[camera]\ndevice-id 1\n") << 2 << "expected key = value";
        QTest::newRow("empty file") << QByteArray("# nothing\n") << 0 << "no [camera]";
    }
    void badConfigurationFileFallsBackWithLineAndReason()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, line);
        QFETCH(QString, reason);
        const QString path = writeConfiguration(text);
        qputenv("VYRASIM_CAMERAS", path.toLocal8Bit());
        const std::vector<VyraSim::ConfigProblem> problems = Control::resetToDefaults();
        QVERIFY(!problems.empty());
        QCOMPARE(problems[0].line, line);
        QVERIFY2(QString::fromStdString(problems[0].reason).contains(reason),
                 problems[0].reason.c_str());
        QCOMPARE(int(list(10).size()), 3);
        QCOMPARE(list(1)[0].deviceId, smallCamera);
    }

    void missingConfigurationFileFallsBack()
    {
        qputenv("VYRASIM_CAMERAS", dir.filePath("absent.conf").toLocal8Bit());
        const std::vector<VyraSim::ConfigProblem> problems = Control::resetToDefaults();
        QCOMPARE(int(problems.size()), 1);
        QCOMPARE(problems[0].line, 0);
        QCOMPARE(int(list(10).size()), 3);
    }
};

QTEST_GUILESS_MAIN(TestSimCameras)
#include "tst_simcameras.moc"
