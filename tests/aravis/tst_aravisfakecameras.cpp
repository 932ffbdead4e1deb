#include <QCheckBox>
#include <QGroupBox>
#include <QProcess>
#include <QSettings>
#include <QSpinBox>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

#include "acquisitiondialog.h"
#include "imagesizedialog.h"
#include "mainwindow.h"
#include "qdisplaywidget.h"
#include "settingsdialogsupport.h"
#include "windowdriver.h"

using namespace WindowTest;
using SettingsDialogTest::child;
using SettingsDialogTest::typeInto;

namespace {

constexpr int gigeCamera = 1001; // the fake GigE Vision camera the test starts

/// What the display showed: the image's size and mean grey level, and the
/// set highlighted while it was shown (-1 for none).
struct Shown
{
    QSize size;
    double grey = 0.0;
    int set = -1;
};

double meanGrey(const QImage &image)
{
    double sum = 0.0;
    for (int y = 0; y < image.height(); y += 4) {
        for (int x = 0; x < image.width(); x += 4)
            sum += qGray(image.pixel(x, y));
    }
    return sum / (((image.width() + 3) / 4) * ((image.height() + 3) / 4));
}

/// Whether every image shown under a set has that set's brightness: sets 0,
/// 1 and 2 seen, each set's images alike, and brighter from set to set.
bool brightnessFollowsTheSets(const QList<Shown> &images)
{
    QMap<int, QList<double>> greyBySet;
    for (const Shown &image : images)
        greyBySet[image.set] << image.grey;
    double brightestBefore = -1.0;
    for (const QList<double> &greys : greyBySet) {
        const auto [darkest, brightest] = std::minmax_element(greys.begin(), greys.end());
        if (*brightest - *darkest >= 8.0 || *darkest <= brightestBefore + 10.0)
            return false;
        brightestBefore = *brightest;
    }
    return greyBySet.keys() == QList<int>({0, 1, 2});
}

} // namespace

/// The application on both of Aravis' fake cameras (VYRA_DRIVER=aravis): the
/// settings dialogs open although the cameras lack some settings, and their
/// changes reach the camera and the live image; a three-set sequence, run
/// live and stepped with Trigger, shows each image under the set that took it
/// (the fakes' brightness follows the exposure).
class TestAravisFakeCameras : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void settingsDialogsWorkWithTheSettingsTheCameraHas_data();
    void settingsDialogsWorkWithTheSettingsTheCameraHas();
    void eachImageIsShownUnderTheSetThatTookIt_data();
    void eachImageIsShownUnderTheSetThatTookIt();

private:
    void openWindow(int deviceId);
    /// Opens a settings dialog with its command; null when it failed.
    template<typename Dialog> Dialog *openDialog(const char *command);
    /// Presses Trigger; whether an image of set is shown within the deadline.
    bool trigger(int set);

    QProcess gigeFake_;
    std::unique_ptr<ModalAnswerer> answerer_;
    std::unique_ptr<MainWindow> window_;
    QList<Shown> shown_;
};

void TestAravisFakeCameras::initTestCase()
{
    hideSizeHintWarnings();
    // GigE Vision's control port on the loopback must be free for the camera.
    QUdpSocket probe;
    if (qEnvironmentVariableIsSet("VYRA_SHARED_NETWORK") &&
        !probe.bind(QHostAddress::LocalHost, 3956))
        return;
    probe.close();
    gigeFake_.start(QStringLiteral(VYRA_FAKE_GV_CAMERA), {"-i", "127.0.0.1"});
    QVERIFY(gigeFake_.waitForStarted(5000));
}

void TestAravisFakeCameras::cleanupTestCase()
{
    gigeFake_.terminate();
    gigeFake_.waitForFinished(5000);
}

void TestAravisFakeCameras::init()
{
    QSettings(QStringLiteral("Quellmark"), QStringLiteral("Vyra Sequencer")).clear();
    shown_.clear();
}

void TestAravisFakeCameras::cleanup()
{
    window_.reset();
    answerer_.reset();
}

void TestAravisFakeCameras::openWindow(int deviceId)
{
    if (deviceId == gigeCamera && gigeFake_.state() != QProcess::Running)
        QSKIP("another GigE Vision camera listens on 127.0.0.1");
    // Aravis' discovery finds the GigE camera within a few seconds.
    const auto listed = [deviceId] {
        std::vector<char> memory(VYRA_CAMERA_LIST_SIZE(8));
        auto *list = reinterpret_cast<VyraCameraList *>(memory.data());
        list->count = 8;
        listCameras(list);
        return std::any_of(list->records, list->records + std::min(list->count, 8),
                           [&](const VyraCameraRecord &r) { return r.deviceId == deviceId; });
    };
    QTRY_VERIFY_WITH_TIMEOUT(listed(), 15000);
    answerer_ = std::make_unique<ModalAnswerer>();
    chooseCamera(*answerer_, deviceId);
    window_ = std::make_unique<MainWindow>();
    window_->show();
    QVERIFY(statusText(window_.get()).endsWith(QLatin1String(" opened")));
    connect(window_->findChild<QDisplayWidget *>(QStringLiteral("cameraview")),
            &QDisplayWidget::imageShown, this, [this](QSharedPointer<QImage> image) {
                shown_ << Shown{image->size(), meanGrey(*image), highlighted(window_.get())};
            });
    QTRY_VERIFY_WITH_TIMEOUT(!shown_.isEmpty(), 10000);
}

template<typename Dialog> Dialog *TestAravisFakeCameras::openDialog(const char *command)
{
    qDeleteAll(window_->findChildren<Dialog *>());
    // A failure shows a message box, which the answerer closes. The settings
    // dialogs are modal too: once one is open, nobody may close it.
    answerer_ = std::make_unique<ModalAnswerer>();
    action(window_.get(), command)->trigger();
    const bool failed = !answerer_->messages.isEmpty();
    answerer_.reset();
    return failed ? nullptr : window_->findChild<Dialog *>();
}

bool TestAravisFakeCameras::trigger(int set)
{
    const int before = shown_.size();
    action(window_.get(), "actionAction_SingleForceTrigger")->trigger();
    if (QTest::qWaitFor([&] { return shown_.size() > before && shown_.last().set == set; }, 5000))
        return true;
    QStringList seen;
    for (const Shown &image : shown_.mid(before))
        seen << QStringLiteral("set %1 grey %2").arg(image.set).arg(image.grey, 0, 'f', 0);
    qWarning("set %d expected, shown: %s", set, qPrintable(seen.join(QStringLiteral(", "))));
    return false;
}

void TestAravisFakeCameras::settingsDialogsWorkWithTheSettingsTheCameraHas_data()
{
    QTest::addColumn<int>("deviceId");
    QTest::newRow("in-process fake") << 1;
    QTest::newRow("fake GigE camera") << gigeCamera;
}

void TestAravisFakeCameras::settingsDialogsWorkWithTheSettingsTheCameraHas()
{
    QFETCH(int, deviceId);
    openWindow(deviceId);

    // Neither fake has a pixel clock or long exposure: shown as such, the
    // rest works.
    auto *acquisition = openDialog<AcquisitionDialog>("action_settings");
    QVERIFY(acquisition);
    const QList<QWidget *> missing = {child<QGroupBox>(acquisition, "pixelclock_box"),
                                      child<QCheckBox>(acquisition, "exposure_longterm")};
    for (QWidget *control : missing) {
        QVERIFY(!control->isEnabled());
        QVERIFY(control->toolTip().contains(QLatin1String("does not offer")));
    }
    QVERIFY(child<QGroupBox>(acquisition, "framerate_box")->isEnabled());
    typeInto(child<QDoubleSpinBox>(acquisition, "framerate_value"), "12", false);
    // The fakes' pattern averages about 20 grey levels at 1 ms, 100 at 3 ms.
    typeInto(child<QDoubleSpinBox>(acquisition, "exposure_value"), "1", false);
    QTRY_VERIFY_WITH_TIMEOUT(shown_.last().grey < 40.0, 10000);
    typeInto(child<QDoubleSpinBox>(acquisition, "exposure_value"), "3", false);
    QTRY_VERIFY_WITH_TIMEOUT(shown_.last().grey > 80.0, 10000);
    // A dialog opened anew reads what the camera holds.
    acquisition = openDialog<AcquisitionDialog>("action_settings");
    QVERIFY(acquisition);
    QCOMPARE(child<QDoubleSpinBox>(acquisition, "framerate_value")->value(), 12.0);
    QCOMPARE(child<QDoubleSpinBox>(acquisition, "exposure_value")->value(), 3.0);
    acquisition->close();

    // No image formats, no subsampling (decimation); the AOI and binning work.
    auto *imageSize = openDialog<ImageSizeDialog>("action_imagesize");
    QVERIFY(imageSize);
    for (const char *name : {"profile", "subsampling_horizontal", "subsampling_vertical"}) {
        QVERIFY2(!child<QComboBox>(imageSize, name)->isEnabled(), name);
        QVERIFY(child<QComboBox>(imageSize, name)->toolTip().contains("does not offer"));
    }
    typeInto(child<QSpinBox>(imageSize, "aoi_width"), "320");
    typeInto(child<QSpinBox>(imageSize, "aoi_height"), "240");
    QTRY_COMPARE_WITH_TIMEOUT(shown_.last().size, QSize(320, 240), 10000);
    SettingsDialogTest::choose(child<QComboBox>(imageSize, "binning_horizontal"), "2x");
    // Binned, the AOI covers the same part of the sensor with half the pixels.
    QTRY_COMPARE_WITH_TIMEOUT(shown_.last().size, QSize(160, 240), 10000);
    QCOMPARE(child<QSpinBox>(imageSize, "aoi_width")->value(), 160);
}

void TestAravisFakeCameras::eachImageIsShownUnderTheSetThatTookIt_data()
{
    // The sequence starts at 5 images a second; the Acquisition dialog
    // allows up to 10 while it runs.
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<QString>("framerate");
    QTest::newRow("in-process fake, 5 fps") << 1 << QString();
    QTest::newRow("in-process fake, 10 fps") << 1 << QStringLiteral("10");
    QTest::newRow("fake GigE camera, 5 fps") << gigeCamera << QString();
    QTest::newRow("fake GigE camera, 10 fps") << gigeCamera << QStringLiteral("10");
}

void TestAravisFakeCameras::eachImageIsShownUnderTheSetThatTookIt()
{
    QFETCH(int, deviceId);
    QFETCH(QString, framerate);
    openWindow(deviceId);
    setFeature(window_.get(), QStringLiteral("Exposure"), true);
    for (int i = 0; i < 3; ++i)
        action(window_.get(), "action_addsequence")->trigger();
    // The longer the exposure, the brighter the fakes' image.
    for (SequencerSet *set : setsOf(window_.get()))
        exposureBox(set)->setValue(1.0 + set->index());

    action(window_.get(), "action_run")->setChecked(true);
    if (!framerate.isEmpty()) {
        auto *acquisition = openDialog<AcquisitionDialog>("action_settings");
        QVERIFY(acquisition);
        typeInto(child<QDoubleSpinBox>(acquisition, "framerate_value"), framerate, false);
        acquisition->close();
        answerer_ = std::make_unique<ModalAnswerer>();
    }
    const int start = shown_.size();
    // Images taken before the start are shown with no set marked; a loaded
    // machine may show many of them after it.
    const auto sequenceImages = [&] {
        return std::count_if(shown_.begin() + start, shown_.end(),
                             [](const Shown &image) { return image.set >= 0; });
    };
    QTRY_VERIFY_WITH_TIMEOUT(sequenceImages() >= 12, 15000);
    QList<Shown> running = shown_.mid(start);
    while (!running.isEmpty() && running.first().set < 0)
        running.removeFirst();
    QVERIFY(brightnessFollowsTheSets(running));

    // Live off: each Trigger shows one image, from the next set, starting
    // with the set the sequence starts from.
    action(window_.get(), "action_capture")->setChecked(false);
    QList<Shown> stepped;
    for (int press = 0; press < 4; ++press) {
        const int before = shown_.size();
        QVERIFY(trigger(press % 3));
        QCOMPARE(shown_.size(), before + 1);
        stepped << shown_.last();
    }
    QVERIFY(brightnessFollowsTheSets(stepped));
    QCOMPARE(answerer_->messages.size(), 0);
}

QTEST_MAIN(TestAravisFakeCameras)
#include "tst_aravisfakecameras.moc"
