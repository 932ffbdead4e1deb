#include <QCheckBox>
#include <QDoubleSpinBox>
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
using SettingsDialogTest::choose;
using SettingsDialogTest::typeInto;

namespace {

constexpr int inProcessCamera = 1; // Aravis' in-process fake camera
constexpr int gigeCamera = 1001;   // the fake GigE Vision camera the test starts

/// What the display showed: the image's size and mean grey level, and the
/// set highlighted while it was shown (-1 for none).
struct Shown
{
    QSize size;
    double mean = 0.0;
    int set = -1;
};

QString describe(int expected, const QList<Shown> &images)
{
    QStringList shown;
    for (const Shown &image : images)
        shown << QStringLiteral("set %1 grey %2").arg(image.set).arg(image.mean, 0, 'f', 0);
    return QStringLiteral("set %1 expected, shown: %2")
        .arg(expected)
        .arg(shown.join(QStringLiteral(", ")));
}

double meanGrey(const QImage &image)
{
    double sum = 0.0;
    int samples = 0;
    for (int y = 0; y < image.height(); y += 4) {
        for (int x = 0; x < image.width(); x += 4) {
            sum += qGray(image.pixel(x, y));
            ++samples;
        }
    }
    return samples > 0 ? sum / samples : 0.0;
}

int highlighted(QWidget *window)
{
    for (SequencerSet *set : setsOf(window)) {
        if (set->styleSheet().contains(QLatin1String("rgb(85, 170, 255)")))
            return set->index();
    }
    return -1;
}

QDoubleSpinBox *exposureBox(SequencerSet *set)
{
    for (SequencerProperty *property : set->properties()) {
        if (property->featureId() == 1)
            return qobject_cast<QDoubleSpinBox *>(property->rows().first().second);
    }
    return nullptr;
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
    void addCameraColumn();
    void openWindow(int deviceId);
    /// Waits until count more images were shown; false after the deadline.
    bool waitForImages(int count);
    template<typename Dialog> Dialog *openDialog(const char *command);
    /// The darkest image of each set, in set order: empty unless every set
    /// from 0 on was seen, its images alike and brighter than the last set's.
    static QList<double> brightnessBySet(const QList<Shown> &images);

    QProcess gigeFake_;
    std::unique_ptr<ModalAnswerer> answerer_;
    std::unique_ptr<MainWindow> window_;
    QList<Shown> shown_;
};

void TestAravisFakeCameras::initTestCase()
{
    hideSizeHintWarnings();
    if (qEnvironmentVariableIsSet("VYRA_SHARED_NETWORK")) {
        // GigE Vision's control port on the loopback must be free for the camera.
        QUdpSocket probe;
        if (!probe.bind(QHostAddress::LocalHost, 3956))
            return;
    }
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

void TestAravisFakeCameras::addCameraColumn()
{
    QTest::addColumn<int>("deviceId");
    QTest::newRow("in-process fake") << inProcessCamera;
    QTest::newRow("fake GigE camera") << gigeCamera;
}

void TestAravisFakeCameras::openWindow(int deviceId)
{
    if (deviceId == gigeCamera && gigeFake_.state() != QProcess::Running)
        QSKIP("another GigE Vision camera listens on 127.0.0.1");
    // Aravis' discovery finds the GigE camera within a few seconds.
    VyraCameraRecord record{};
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            int32_t count = 0;
            if (countCameras(&count) != VYRA_SUCCESS || count <= 0)
                return false;
            std::vector<char> memory(VYRA_CAMERA_LIST_SIZE(count));
            auto *list = reinterpret_cast<VyraCameraList *>(memory.data());
            list->count = count;
            if (listCameras(list) != VYRA_SUCCESS)
                return false;
            for (int32_t i = 0; i < list->count; ++i) {
                if (list->records[i].deviceId == deviceId)
                    record = list->records[i];
            }
            return record.deviceId == deviceId;
        }(),
        15000);
    answerer_ = std::make_unique<ModalAnswerer>();
    chooseCamera(*answerer_, deviceId);
    window_ = std::make_unique<MainWindow>();
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QCOMPARE(statusText(window_.get()), QString::fromUtf8(record.cameraName) + " opened");
    auto *display = window_->findChild<QDisplayWidget *>(QStringLiteral("cameraview"));
    QVERIFY(display);
    connect(display, &QDisplayWidget::imageShown, this, [this](QSharedPointer<QImage> image) {
        shown_ << Shown{image->size(), meanGrey(*image), highlighted(window_.get())};
    });
    QVERIFY(waitForImages(1));
}

bool TestAravisFakeCameras::waitForImages(int count)
{
    const int wanted = shown_.size() + count;
    QDeadlineTimer deadline(15000);
    while (shown_.size() < wanted && !deadline.hasExpired())
        QTest::qWait(10);
    return shown_.size() >= wanted;
}

template<typename Dialog> Dialog *TestAravisFakeCameras::openDialog(const char *command)
{
    for (Dialog *old : window_->findChildren<Dialog *>())
        delete old;
    // A failure would show a message box, which the answerer closes. The
    // settings dialogs are modal too: once one is open, nobody may close it.
    answerer_ = std::make_unique<ModalAnswerer>();
    action(window_.get(), command)->trigger();
    const bool failed = !answerer_->messages.isEmpty();
    answerer_.reset();
    auto *dialog = window_->findChild<Dialog *>();
    if (failed)
        return nullptr;
    if (dialog != nullptr) {
        dialog->grab().save(QStringLiteral("%1-%2.png")
                                .arg(QLatin1String(dialog->metaObject()->className()),
                                     QTest::currentDataTag())
                                .replace(QLatin1Char(' '), QLatin1Char('-')));
    }
    return dialog;
}

void TestAravisFakeCameras::settingsDialogsWorkWithTheSettingsTheCameraHas_data()
{
    addCameraColumn();
}

void TestAravisFakeCameras::settingsDialogsWorkWithTheSettingsTheCameraHas()
{
    QFETCH(int, deviceId);
    openWindow(deviceId);

    // Neither fake has a pixel clock or long exposure: shown as such, the
    // rest works.
    auto *acquisition = openDialog<AcquisitionDialog>("action_settings");
    QVERIFY(acquisition);
    for (QWidget *missing : {static_cast<QWidget *>(child<QGroupBox>(acquisition, "pixelclock_box")),
                             static_cast<QWidget *>(
                                 child<QCheckBox>(acquisition, "exposure_longterm"))}) {
        QVERIFY2(!missing->isEnabled(), qPrintable(missing->objectName()));
        QVERIFY(missing->toolTip().contains(QLatin1String("does not offer")));
    }
    QVERIFY(child<QGroupBox>(acquisition, "framerate_box")->isEnabled());
    QVERIFY(child<QGroupBox>(acquisition, "exposure_box")->isEnabled());
    typeInto(child<QDoubleSpinBox>(acquisition, "framerate_value"), "12", false);
    // The fakes' pattern averages about 20 grey levels at 1 ms, 100 at 3 ms.
    typeInto(child<QDoubleSpinBox>(acquisition, "exposure_value"), "1", false);
    QTRY_VERIFY_WITH_TIMEOUT(shown_.last().mean < 40.0, 10000);
    typeInto(child<QDoubleSpinBox>(acquisition, "exposure_value"), "3", false);
    QTRY_VERIFY_WITH_TIMEOUT(shown_.last().mean > 80.0, 10000);
    // A dialog opened anew reads what the camera holds.
    acquisition = openDialog<AcquisitionDialog>("action_settings");
    QVERIFY(acquisition);
    QCOMPARE(child<QDoubleSpinBox>(acquisition, "framerate_value")->value(), 12.0);
    QCOMPARE(child<QDoubleSpinBox>(acquisition, "exposure_value")->value(), 3.0);
    acquisition->close();

    // No image formats, no subsampling (decimation); binning and the AOI work.
    auto *imageSize = openDialog<ImageSizeDialog>("action_imagesize");
    QVERIFY(imageSize);
    for (const char *missing : {"profile", "subsampling_horizontal", "subsampling_vertical"}) {
        QVERIFY2(!child<QComboBox>(imageSize, missing)->isEnabled(), missing);
        QVERIFY(child<QComboBox>(imageSize, missing)->toolTip().contains("does not offer"));
    }
    QVERIFY(child<QComboBox>(imageSize, "binning_horizontal")->isEnabled());
    typeInto(child<QSpinBox>(imageSize, "aoi_width"), "320");
    typeInto(child<QSpinBox>(imageSize, "aoi_height"), "240");
    QTRY_COMPARE_WITH_TIMEOUT(shown_.last().size, QSize(320, 240), 10000);
    choose(child<QComboBox>(imageSize, "binning_horizontal"), QStringLiteral("2x"));
    // Binned, the AOI covers the same part of the sensor with half the pixels.
    QTRY_COMPARE_WITH_TIMEOUT(shown_.last().size, QSize(160, 240), 10000);
    QCOMPARE(child<QSpinBox>(imageSize, "aoi_width")->value(), 160);
}

void TestAravisFakeCameras::eachImageIsShownUnderTheSetThatTookIt_data()
{
    addCameraColumn();
}

void TestAravisFakeCameras::eachImageIsShownUnderTheSetThatTookIt()
{
    QFETCH(int, deviceId);
    openWindow(deviceId);
    setFeature(window_.get(), QStringLiteral("Exposure"), true);
    for (int i = 0; i < 3; ++i)
        action(window_.get(), "action_addsequence")->trigger();
    // The longer the exposure, the brighter the fakes' image.
    const QList<double> exposures = {1.0, 2.0, 3.0};
    for (SequencerSet *set : setsOf(window_.get()))
        exposureBox(set)->setValue(exposures.at(set->index()));

    action(window_.get(), "action_run")->setChecked(true);
    QCOMPARE(answerer_->messages.size(), 0);
    int start = shown_.size();
    QVERIFY(waitForImages(12));
    // From the second cycle on: starting switches the camera's modes, and
    // images taken before may still be on their way to the screen.
    QList<Shown> running = shown_.mid(start);
    while (!running.isEmpty() && running.takeFirst().set != 2) {
    }
    const QList<double> setBrightness = brightnessBySet(running);
    QCOMPARE(setBrightness.size(), 3);

    // Live off: each Trigger shows one image, from the next set, starting
    // with the set the sequence starts from. The first press switches the
    // modes again: images taken before may still come, and the display,
    // which takes at most one image per 30 ms, may then miss the next
    // press's image. Counted once a later press showed its own image.
    action(window_.get(), "action_capture")->setChecked(false);
    const auto press = [this](int set) {
        const int before = shown_.size();
        action(window_.get(), "actionAction_SingleForceTrigger")->trigger();
        return QTest::qWaitFor(
            [&] { return shown_.size() > before && shown_.last().set == set; }, 5000);
    };
    int set = 0;
    bool steady = false;
    for (int presses = 0; presses < 6 && !steady; ++presses, set = (set + 1) % 3)
        steady = press(set) && presses > 0;
    QVERIFY(steady);
    QList<Shown> stepped;
    for (int presses = 0; presses < 3; ++presses, set = (set + 1) % 3) {
        start = shown_.size();
        QVERIFY2(press(set), qPrintable(describe(set, shown_.mid(start))));
        QCOMPARE(shown_.size(), start + 1);
        stepped << shown_.last();
    }
    QCOMPARE(brightnessBySet(stepped).size(), 3);
    QCOMPARE(answerer_->messages.size(), 0);
}

QList<double> TestAravisFakeCameras::brightnessBySet(const QList<Shown> &images)
{
    // Every image shown under a set has that set's brightness: each set's
    // images alike, and brighter from set to set.
    QMap<int, QList<double>> meansBySet;
    for (const Shown &image : images)
        meansBySet[image.set] << image.mean;
    QList<double> brightness;
    double brightestBefore = -1.0;
    for (auto set = meansBySet.cbegin(); set != meansBySet.cend(); ++set) {
        const auto [darkest, brightest] = std::minmax_element(set->begin(), set->end());
        const QString seen = QStringLiteral("set %1: %2 .. %3 after %4")
                                 .arg(set.key())
                                 .arg(*darkest)
                                 .arg(*brightest)
                                 .arg(brightestBefore);
        if (set.key() != brightness.size() || *brightest - *darkest >= 8.0 ||
            *darkest <= brightestBefore + 10.0) {
            qWarning("%s", qPrintable(seen));
            return {};
        }
        brightness << *darkest;
        brightestBefore = *brightest;
    }
    return brightness;
}

QTEST_MAIN(TestAravisFakeCameras)
#include "tst_aravisfakecameras.moc"
