// Aravis (GLib) first: Qt's keyword macros would rename GLib's "signals".
#include <arv.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include "aravistest.h"

using namespace AravisTest;

namespace {

/// Registers of the GenICam Sequencer and Chunk features added to the fake
/// camera's description, in its free memory.
struct Register
{
    const char *name;
    unsigned address;
};

constexpr Register sequencerMode{"SequencerMode", 0x8000};
constexpr Register configurationMode{"SequencerConfigurationMode", 0x8004};
constexpr Register setSelector{"SequencerSetSelector", 0x8008};
constexpr Register setSave{"SequencerSetSave", 0x800c};
constexpr Register setNext{"SequencerSetNext", 0x8010};
constexpr Register pathSelector{"SequencerPathSelector", 0x8014};
constexpr Register triggerSource{"SequencerTriggerSource", 0x8018};
constexpr Register featureSelector{"SequencerFeatureSelector", 0x801c};
constexpr Register featureEnable{"SequencerFeatureEnable", 0x8020};
constexpr Register setStart{"SequencerSetStart", 0x8024};
constexpr Register chunkModeActive{"ChunkModeActive", 0x8028};
constexpr Register chunkSelector{"ChunkSelector", 0x802c};
constexpr Register chunkEnable{"ChunkEnable", 0x8030};

QString intReg(const Register &reg)
{
    return QStringLiteral("<IntReg Name=\"%1Register\"><Address>0x%2</Address><Length>4</Length>"
                          "<AccessMode>RW</AccessMode><pPort>Device</pPort><Sign>Unsigned</Sign>"
                          "<Endianess>BigEndian</Endianess></IntReg>\n")
        .arg(QLatin1String(reg.name))
        .arg(reg.address, 0, 16);
}

QString enumeration(const Register &reg, const QStringList &entries)
{
    QString text = QStringLiteral("<Enumeration Name=\"%1\">").arg(QLatin1String(reg.name));
    for (int i = 0; i < entries.size(); ++i)
        text += QStringLiteral("<EnumEntry Name=\"%1\"><Value>%2</Value></EnumEntry>")
                    .arg(entries[i])
                    .arg(i);
    return text + QStringLiteral("<pValue>%1Register</pValue></Enumeration>\n").arg(reg.name) +
           intReg(reg);
}

QString integer(const Register &reg, int maximum)
{
    return QStringLiteral("<Integer Name=\"%1\"><pValue>%1Register</pValue><Min>0</Min>"
                          "<Max>%2</Max></Integer>\n")
               .arg(QLatin1String(reg.name))
               .arg(maximum) +
           intReg(reg);
}

QString boolean(const Register &reg)
{
    return QStringLiteral("<Boolean Name=\"%1\"><pValue>%1Register</pValue><OnValue>1</OnValue>"
                          "<OffValue>0</OffValue></Boolean>\n")
               .arg(QLatin1String(reg.name)) +
           intReg(reg);
}

QString command(const Register &reg)
{
    return QStringLiteral("<Command Name=\"%1\"><pValue>%1Register</pValue>"
                          "<CommandValue>1</CommandValue></Command>\n")
               .arg(QLatin1String(reg.name)) +
           intReg(reg);
}

/// Aravis' fake camera description with a Sequencer category of eight sets
/// whose paths step on frame start or frame end, and the chunk of the active set.
QByteArray describeSequencerCamera()
{
    ArvFakeCamera *fake = arv_fake_camera_new("GV01");
    size_t size = 0;
    const char *defaultDescription = arv_fake_camera_get_genicam_xml(fake, &size);
    QString document = QString::fromUtf8(defaultDescription, int(size));
    g_object_unref(fake);
    const QString features =
        enumeration(sequencerMode, {"Off", "On"}) + enumeration(configurationMode, {"Off", "On"}) +
        integer(setSelector, 7) + command(setSave) + integer(setNext, 7) +
        integer(pathSelector, 1) + enumeration(triggerSource, {"Off", "FrameStart", "FrameEnd"}) +
        enumeration(featureSelector, {"ExposureTimeAbs", "Gain"}) + boolean(featureEnable) +
        integer(setStart, 7) + boolean(chunkModeActive) +
        enumeration(chunkSelector, {"SequencerSetActive"}) + boolean(chunkEnable);
    document.replace(QStringLiteral("</RegisterDescription>"),
                     features + QStringLiteral("</RegisterDescription>"));
    return document.toUtf8();
}

} // namespace

/// The Aravis driver on a fake GigE Vision camera that has the GenICam
/// Sequencer category: the driver takes the camera's sets and trigger
/// sources, and every sequencer command reaches the camera's features, as a
/// second client of the camera reads them back.
class TestAravisHardwareSequencer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void sequencerCommandsReachTheCamera();
    void freeRunningSequenceStepsAtEveryImage();

private:
    QTemporaryDir directory_;
    QProcess camera_;
};

void TestAravisHardwareSequencer::initTestCase()
{
    if (qEnvironmentVariableIsSet("VYRA_SHARED_NETWORK")) {
        QUdpSocket probe;
        if (!probe.bind(QHostAddress::LocalHost, 3956))
            QSKIP("another GigE Vision camera listens on 127.0.0.1");
    }
    QFile description(directory_.filePath(QStringLiteral("sequencer-camera.xml")));
    QVERIFY(description.open(QIODevice::WriteOnly));
    QVERIFY(description.write(describeSequencerCamera()) > 0);
    description.close();
    camera_.start(QStringLiteral(VYRA_FAKE_GV_CAMERA),
                  {"-i", "127.0.0.1", "-g", description.fileName()});
    QVERIFY(camera_.waitForStarted(5000));
}

void TestAravisHardwareSequencer::cleanupTestCase()
{
    camera_.terminate();
    if (!camera_.waitForFinished(5000))
        camera_.kill();
    camera_.waitForFinished(5000);
}

void TestAravisHardwareSequencer::sequencerCommandsReachTheCamera()
{
    VyraCameraRecord record{};
    QTRY_VERIFY_WITH_TIMEOUT(findCamera("Fake", &record), 15000);
    VyraStatus status = VYRA_NO_SUCCESS;
    const VyraHandle handle = openDevice(record.deviceId, &status);
    QCOMPARE(status, VYRA_SUCCESS);

    int32_t sets = 0;
    QCOMPARE(sequencerControl(handle, VYRA_SEQUENCER_SET_COUNT, &sets, sizeof sets), VYRA_SUCCESS);
    QCOMPARE(sets, 8);
    int32_t sources = 0;
    QCOMPARE(sequencerControl(handle, VYRA_SEQUENCER_TRIGGER_SOURCES, &sources, sizeof sources),
             VYRA_SUCCESS);
    QCOMPARE(sources, VYRA_SEQUENCER_TRIGGER_FRAME_START | VYRA_SEQUENCER_TRIGGER_FRAME_END);

    // A second client of the camera reads its registers (the driver controls it).
    GError *error = nullptr;
    ArvCamera *monitor = arv_camera_new("127.0.0.1", &error);
    QVERIFY2(monitor != nullptr, error ? error->message : "");
    const auto read = [&](const Register &reg) {
        guint32 value = 0;
        arv_device_read_register(arv_camera_get_device(monitor), reg.address, &value, nullptr);
        return int(value);
    };
    QCOMPARE(read(chunkModeActive), 1);
    QCOMPARE(read(chunkEnable), 1);

    QVERIFY(writeExposureSequence(handle, {1.0, 2.0}));
    QCOMPARE(read(featureSelector), 0); // ExposureTimeAbs
    QCOMPARE(read(featureEnable), 1);
    // The last set stored: set 1, leading back to set 0 on frame end.
    QCOMPARE(read(setSelector), 1);
    QCOMPARE(read(setNext), 0);
    QCOMPARE(read(pathSelector), 0);
    QCOMPARE(read(triggerSource), 2); // FrameEnd
    QCOMPARE(read(setSave), 1);
    QCOMPARE(read(configurationMode), 0);

    QCOMPARE(sequencerSwitch(handle, VYRA_SEQUENCER_MODE_SET, 1), VYRA_SUCCESS);
    QCOMPARE(read(sequencerMode), 1);
    QCOMPARE(read(setStart), 0);
    QCOMPARE(sequencerSwitch(handle, VYRA_SEQUENCER_MODE_SET, 0), VYRA_SUCCESS);
    QCOMPARE(read(sequencerMode), 0);

    // The sets stay readable from the driver, as on every camera.
    QCOMPARE(sequencerSwitch(handle, VYRA_SEQUENCER_CONFIGURATION_SET, 1), VYRA_SUCCESS);
    QCOMPARE(read(configurationMode), 1);
    int32_t set = 1;
    QCOMPARE(sequencerControl(handle, VYRA_SEQUENCER_SELECT_SET, &set, sizeof set), VYRA_SUCCESS);
    int64_t feature = VYRA_FEATURE_EXPOSURE;
    QCOMPARE(sequencerControl(handle, VYRA_SEQUENCER_FEATURE_SELECT, &feature, sizeof feature),
             VYRA_SUCCESS);
    double stored = 0.0;
    QCOMPARE(sequencerControl(handle, VYRA_SEQUENCER_FEATURE_VALUE, &stored, sizeof stored),
             VYRA_SUCCESS);
    QCOMPARE(stored, 2.0);

    // The fake camera sends no chunk data: each image is named after the set
    // the sequence stepped to with the image's trigger.
    QCOMPARE(sequencerSwitch(handle, VYRA_SEQUENCER_CONFIGURATION_SET, 0), VYRA_SUCCESS);
    QVERIFY(prepareRing(handle));
    QCOMPARE(selectTriggerSource(handle, VYRA_TRIGGER_SINGLE), VYRA_SUCCESS);
    QCOMPARE(sequencerSwitch(handle, VYRA_SEQUENCER_MODE_SET, 1), VYRA_SUCCESS);
    QCOMPARE(startLiveCapture(handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
    for (int expected : {0, 1, 0}) {
        QCOMPARE(captureSingleFrame(handle), VYRA_SUCCESS);
        const Image image = nextImage(handle);
        QCOMPARE(image.status, VYRA_SUCCESS);
        QCOMPARE(int(image.descriptor.sequencerSet), expected);
    }
    QCOMPARE(stopLiveCapture(handle, VYRA_CAPTURE_START), VYRA_SUCCESS);

    g_object_unref(monitor);
    QCOMPARE(closeCamera(handle), VYRA_SUCCESS);
}

void TestAravisHardwareSequencer::freeRunningSequenceStepsAtEveryImage()
{
    VyraCameraRecord record{};
    QTRY_VERIFY_WITH_TIMEOUT(findCamera("Fake", &record), 15000);
    const VyraHandle handle = openDevice(record.deviceId);
    const std::vector<double> exposures{1.0, 2.0, 3.0};
    QVERIFY(writeExposureSequence(handle, exposures) && prepareRing(handle, 16));
    QCOMPARE(selectTriggerSource(handle, VYRA_TRIGGER_OFF), VYRA_SUCCESS);
    QCOMPARE(sequencerSwitch(handle, VYRA_SEQUENCER_MODE_SET, 1), VYRA_SUCCESS);
    QCOMPARE(startLiveCapture(handle, VYRA_CAPTURE_START), VYRA_SUCCESS);
    // The camera runs free with its own sequencer on, the host out of the loop.
    ArvCamera *monitor = arv_camera_new("127.0.0.1", nullptr);
    QVERIFY(monitor != nullptr);
    ArvDevice *device = arv_camera_get_device(monitor);
    guint32 mode = 0;
    arv_device_read_register(device, sequencerMode.address, &mode, nullptr);
    QCOMPARE(int(mode), 1);
    QCOMPARE(arv_device_get_string_feature_value(device, "TriggerMode", nullptr), "Off");
    g_object_unref(monitor);

    // Without chunk data each image is named after the state model, which
    // steps with the camera: one set along the path per frame.
    const Image first = nextImage(handle);
    QCOMPARE(int(first.descriptor.sequencerSet), 0);
    for (int i = 0; i < 6; ++i) {
        const VyraFrameDescriptor d = nextImage(handle).descriptor;
        QCOMPARE(int(d.sequencerSet), int((d.frameNumber - first.descriptor.frameNumber) % 3));
        QCOMPARE(d.exposureMs, exposures[d.sequencerSet]);
    }
    QCOMPARE(closeCamera(handle), VYRA_SUCCESS);
}

QTEST_GUILESS_MAIN(TestAravisHardwareSequencer)
#include "tst_aravishardwaresequencer.moc"
