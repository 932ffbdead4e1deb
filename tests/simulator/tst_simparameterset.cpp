// The camera parameter file: the round trip, and every rejection leaving the
// camera as it was.

#include <QTemporaryDir>

#include "parameterset.h"
#include "simdrivertest.h"

using namespace SimTest;
using VyraSim::Control;

namespace {

VyraStatus parameterSet(VyraHandle handle, uint32_t command, const QString &path)
{
    std::u16string units = path.toStdU16String();
    return parameterSetControl(handle, command, units.data(), 0);
}

/// What a parameter set restores, as the control interface sees it.
QString settingsOf(VyraHandle handle)
{
    const VyraSim::OpenCameraState s = *Control::openCameraState(handle);
    const VyraSim::SequencerValues &v = s.values;
    return QString("aoi %1,%2 %3x%4 binning %5 subsampling %6 clock %7 fps %8 long %9 "
                   "exposure %10 gains %11 %12 %13 %14 flash %15 %16 %17")
        .arg(s.aoi.x)
        .arg(s.aoi.y)
        .arg(s.aoi.width)
        .arg(s.aoi.height)
        .arg(s.binning)
        .arg(s.subsampling)
        .arg(s.pixelClockMHz)
        .arg(s.frameRate, 0, 'g', 17)
        .arg(s.longExposure)
        .arg(v.exposureMs, 0, 'g', 17)
        .arg(v.masterGain)
        .arg(v.redGain)
        .arg(v.greenGain)
        .arg(v.blueGain)
        .arg(v.flashMode)
        .arg(v.flashDelayUs)
        .arg(v.flashDurationUs);
}

void changeEverything(VyraHandle handle)
{
    QCOMPARE(binningMode(handle, VYRA_FACTOR_2X_VERTICAL), VYRA_SUCCESS);
    QCOMPARE(subsamplingMode(handle, VYRA_FACTOR_2X_HORIZONTAL), VYRA_SUCCESS);
    QCOMPARE(setAoi(handle, {40, 20, 400, 300}), VYRA_SUCCESS);
    QCOMPARE(setPixelClock(handle, 43), VYRA_SUCCESS);
    QCOMPARE(frameRateSet(handle, 23.7), 23.7);
    QCOMPARE(setExposure(handle, 17.33), VYRA_SUCCESS);
    QCOMPARE(setSensorGains(handle, 12, 34, 56, 78), VYRA_SUCCESS);
    int32_t mode = VYRA_FLASH_MODE_LOW_ACTIVE;
    QCOMPARE(flashControl(handle, VYRA_FLASH_MODE_SET, &mode, 4), VYRA_SUCCESS);
    VyraFlashParams flash{1500, 2500};
    QCOMPARE(flashControl(handle, VYRA_FLASH_PARAMS_SET, &flash, 8), VYRA_SUCCESS);
}

} // namespace

class TestSimParameterSet : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString savedPath;
    QByteArray savedText;

    QString writeVariant(const QByteArray &from, const QByteArray &to)
    {
        QByteArray text = savedText;
        if (!from.isEmpty()) {
            if (!text.contains(from))
                return {};
            text.replace(from, to);
        }
        const QString path = dir.filePath("variant.ini");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {};
        file.write(text);
        return path;
    }

private slots:
    void init()
    {
        Control::resetToDefaults();
        const VyraHandle handle = openDevice(smallCamera);
        changeEverything(handle);
        savedPath = dir.filePath("camera.ini");
        QCOMPARE(parameterSet(handle, VYRA_PARAMETERSET_SAVE, savedPath), VYRA_SUCCESS);
        QFile file(savedPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        savedText = file.readAll();
        closeCamera(handle);
    }

    void roundTripRestoresEverySetting()
    {
        const VyraHandle original = openDevice(smallCamera);
        changeEverything(original);
        const QString expected = settingsOf(original);
        closeCamera(original);

        const VyraHandle handle = openDevice(smallCamera);
        QVERIFY(settingsOf(handle) != expected);
        QCOMPARE(parameterSet(handle, VYRA_PARAMETERSET_LOAD, savedPath), VYRA_SUCCESS);
        QCOMPARE(settingsOf(handle), expected);
        closeCamera(handle);
    }

    void fileIsReadableText()
    {
        QVERIFY(savedText.contains("[Camera]\nModel=VK1240C\n"));
        QVERIFY(savedText.contains("Exposure=17.33\n"));
        QVERIFY(savedText.contains("Binning vertical=2\n"));
        QVERIFY(savedText.contains("Frame rate=23.7\n"));
    }

    void rejectionsChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<int>("status");
        QTest::newRow("another camera model")
            << QByteArray("Model=VK1240C") << QByteArray("Model=VK2280SE-C")
            << int(VYRA_INVALID_CAMERA_TYPE);
        QTest::newRow("another model with bad values too")
            << QByteArray("Model=VK1240C\n") << QByteArray("Model=VK9\nWidth=x\n")
            << int(VYRA_INVALID_CAMERA_TYPE);
        QTest::newRow("missing value")
            << QByteArray("Red=34\n") << QByteArray("") << int(VYRA_INVALID_PARAMETER);
        QTest::newRow("malformed number")
            << QByteArray("Width=400") << QByteArray("Width=4OO") << int(VYRA_INVALID_PARAMETER);
        QTest::newRow("width out of range")
            << QByteArray("Width=400") << QByteArray("Width=4000") << int(VYRA_INVALID_PARAMETER);
        QTest::newRow("exposure beyond the frame period")
            << QByteArray("Exposure=17.33") << QByteArray("Exposure=90")
            << int(VYRA_INVALID_PARAMETER);
        QTest::newRow("frame rate beyond the clock")
            << QByteArray("Pixel clock=43") << QByteArray("Pixel clock=5")
            << int(VYRA_INVALID_PARAMETER);
        QTest::newRow("clock not offered")
            << QByteArray("Pixel clock=43") << QByteArray("Pixel clock=87")
            << int(VYRA_INVALID_PARAMETER);
        QTest::newRow("unsupported factor")
            << QByteArray("Binning vertical=2") << QByteArray("Binning vertical=4")
            << int(VYRA_INVALID_PARAMETER);
        QTest::newRow("gain out of range")
            << QByteArray("Master=12") << QByteArray("Master=101") << int(VYRA_INVALID_PARAMETER);
        QTest::newRow("key given twice") << QByteArray("Red=34\n") << QByteArray("Red=34\nRed=35\n")
                                         << int(VYRA_INVALID_PARAMETER);
        QTest::newRow("not an INI file")
            << QByteArray("[Camera]") << QByteArray("<xml>") << int(VYRA_INVALID_PARAMETER);
        QTest::newRow("not a number at all")
            << QByteArray("Frame rate=23.7") << QByteArray("Frame rate=nan")
            << int(VYRA_INVALID_PARAMETER);
    }
    void rejectionsChangeNothing()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(int, status);
        const QString path = writeVariant(from, to);
        QVERIFY(!path.isEmpty());
        const VyraHandle handle = openDevice(smallCamera);
        QCOMPARE(setExposure(handle, 3.21), VYRA_SUCCESS);
        const QString before = settingsOf(handle);
        QCOMPARE(parameterSet(handle, VYRA_PARAMETERSET_LOAD, path), VyraStatus(status));
        QCOMPARE(settingsOf(handle), before);
        closeCamera(handle);
    }

    void unreadablePathsAndBadArguments()
    {
        const VyraHandle handle = openDevice(smallCamera);
        const QString before = settingsOf(handle);
        QCOMPARE(parameterSet(handle, VYRA_PARAMETERSET_LOAD, dir.filePath("absent.ini")),
                 VYRA_FILE_READ_OPEN_ERROR);
        QCOMPARE(parameterSet(handle, VYRA_PARAMETERSET_LOAD, dir.path()),
                 VYRA_FILE_READ_OPEN_ERROR);
        QCOMPARE(parameterSet(handle, VYRA_PARAMETERSET_SAVE, dir.filePath("no/such/dir.ini")),
                 VYRA_FILE_WRITE_OPEN_ERROR);
        QCOMPARE(parameterSetControl(handle, VYRA_PARAMETERSET_LOAD, nullptr, 0),
                 VYRA_INVALID_PARAMETER);
        std::u16string path = savedPath.toStdU16String();
        QCOMPARE(parameterSetControl(handle, VYRA_PARAMETERSET_LOAD, path.data(), 4),
                 VYRA_INVALID_PARAMETER);
        QCOMPARE(parameterSetControl(handle, 3, path.data(), 0), VYRA_INVALID_PARAMETER);
        char16_t loneSurrogate[] = {u'/', u't', 0xD800, u'x', 0};
        QCOMPARE(parameterSetControl(handle, VYRA_PARAMETERSET_SAVE, loneSurrogate, 0),
                 VYRA_INVALID_PARAMETER);
        char16_t empty[] = {0};
        QCOMPARE(parameterSetControl(handle, VYRA_PARAMETERSET_LOAD, empty, 0),
                 VYRA_INVALID_PARAMETER);
        QCOMPARE(settingsOf(handle), before);
        closeCamera(handle);
    }

    void loadingWhileLiveIsRefused()
    {
        Camera camera;
        QCOMPARE(startLiveCapture(camera.handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
        QCOMPARE(parameterSet(camera.handle, VYRA_PARAMETERSET_LOAD, savedPath),
                 VYRA_CAPTURE_RUNNING);
        QCOMPARE(parameterSet(camera.handle, VYRA_PARAMETERSET_SAVE, dir.filePath("live.ini")),
                 VYRA_SUCCESS);
    }

    void savingReplacesAFileWhole()
    {
        const VyraHandle handle = openDevice(smallCamera);
        QCOMPARE(parameterSet(handle, VYRA_PARAMETERSET_SAVE, savedPath), VYRA_SUCCESS);
        QFile file(savedPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains("Width=1280\n"));
        QVERIFY(!text.contains("Width=400"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter("camera").size(), 1);
        closeCamera(handle);
    }

    void parseIsPureAndForgiving()
    {
        const VyraSim::ParameterSet::Parsed good =
            VyraSim::ParameterSet::parse(savedText.constData(), size_t(savedText.size()));
        QCOMPARE(good.status, VYRA_SUCCESS);
        QCOMPARE(QString::fromStdString(good.model), QString("VK1240C"));
        QCOMPARE(good.settings.values.exposureMs, 17.33);

        // Windows line ends, a byte order mark, comments and blanks are fine.
        QByteArray windows = "\xEF\xBB\xBF; written elsewhere\r\n" + savedText;
        windows.replace("\n", "\r\n");
        windows.replace("Width=400", "  width =  400  ");
        const VyraSim::ParameterSet::Parsed crlf =
            VyraSim::ParameterSet::parse(windows.constData(), size_t(windows.size()));
        QCOMPARE(crlf.status, VYRA_SUCCESS);
        QVERIFY(crlf.settings == good.settings);

        const VyraSim::ParameterSet::Parsed none = VyraSim::ParameterSet::parse(nullptr, 0);
        QCOMPARE(none.status, VYRA_INVALID_PARAMETER);
        QByteArray broken = savedText;
        broken.replace("Height=300", "Height");
        const VyraSim::ParameterSet::Parsed bad =
            VyraSim::ParameterSet::parse(broken.constData(), size_t(broken.size()));
        QCOMPARE(bad.status, VYRA_INVALID_PARAMETER);
        QCOMPARE(bad.line, savedText.left(savedText.indexOf("Height=")).count('\n') + 1);
    }
};

QTEST_GUILESS_MAIN(TestSimParameterSet)
#include "tst_simparameterset.moc"
