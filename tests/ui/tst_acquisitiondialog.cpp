// The acquisition dialog on a simulated camera: what it shows, how each
// change reaches the camera and which ranges are refilled after it.

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>

#include <cmath>

#include "acquisitiondialog.h"
#include "settingsdialogsupport.h"

using namespace SettingsDialogTest;
using VyraSim::Control;

namespace {

QDoubleSpinBox *box(QWidget *dialog, const char *name)
{
    return child<QDoubleSpinBox>(dialog, QLatin1String(name));
}

QSlider *slider(QWidget *dialog, const char *name)
{
    return child<QSlider>(dialog, QLatin1String(name));
}

int hundredths(double value)
{
    return int(std::lround(value * 100));
}

/// The frame rate the camera can run at, from its frame interval range.
double maximumFramerate(const QSharedPointer<VyraCamera> &camera)
{
    double shortest = 0, longest = 0, step = 0;
    frameIntervalRange(camera->handle(), &shortest, &longest, &step);
    return 1.0 / shortest;
}

QString fps(double value)
{
    return QString::number(value, 'f', 2) + QStringLiteral(" fps");
}

/// Changes the camera without the dialog seeing it.
void setBehindTheDialog(const QSharedPointer<VyraCamera> &camera, double framerate,
                        bool longExposure, double exposure)
{
    double set = 0;
    int32_t on = longExposure ? 1 : 0;
    QCOMPARE(requestFrameRate(camera->handle(), framerate, &set), VYRA_SUCCESS);
    QCOMPARE(exposureControl(camera->handle(), VYRA_EXPOSURE_LONG_SET, &on, 4), VYRA_SUCCESS);
    QCOMPARE(exposureControl(camera->handle(), VYRA_EXPOSURE_SET, &exposure, 8), VYRA_SUCCESS);
}

} // namespace

class TestAcquisitionDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { Control::resetToDefaults(); }

    void showsTheTimingWithoutChangingIt();
    void framerateMaximumIsTheCamerasWithOrWithoutTheSequencer_data();
    void framerateMaximumIsTheCamerasWithOrWithoutTheSequencer();
    void typedFramerateReachesTheCamera_data();
    void typedFramerateReachesTheCamera();
    void pixelClockBoxPicksAListedClock_data();
    void pixelClockBoxPicksAListedClock();
    void pixelClockChangeReappliesFramerateAndExposure_data();
    void pixelClockChangeReappliesFramerateAndExposure();
    void exposureStepsByItsIncrement_data();
    void exposureStepsByItsIncrement();
    void longExposureRefillsBothGroups_data();
    void longExposureRefillsBothGroups();
    void cameraWithoutLongExposure();
};

void TestAcquisitionDialog::showsTheTimingWithoutChangingIt()
{
    const auto camera = openCamera(smallCamera);
    Control::clearCalls();
    AcquisitionDialog dialog(camera);

    QCOMPARE(labelText(&dialog, "pixelclock_min") + labelText(&dialog, "pixelclock_max"),
             QStringLiteral("5 MHz86 MHz"));
    QCOMPARE(child<QSpinBox>(&dialog, "pixelclock_value")->value(), 86);
    QCOMPARE(slider(&dialog, "pixelclock_slider")->maximum(), 81);
    QCOMPARE(slider(&dialog, "pixelclock_slider")->value(), 81);
    QCOMPARE(labelText(&dialog, "framerate_min"), fps(0.5));
    QCOMPARE(labelText(&dialog, "framerate_max"), fps(maximumFramerate(camera)));
    QCOMPARE(box(&dialog, "framerate_value")->value(), 30.0);
    QCOMPARE(slider(&dialog, "framerate_slider")->value(), 3000);
    QCOMPARE(labelText(&dialog, "exposure_min") + labelText(&dialog, "exposure_max"),
             QStringLiteral("0.01 ms33.33 ms"));
    QCOMPARE(box(&dialog, "exposure_value")->value(), 10.0);
    QCOMPARE(slider(&dialog, "exposure_slider")->value(), 1000);
    QVERIFY(!child<QCheckBox>(&dialog, "exposure_longterm")->isChecked());
    // Filling the controls sent no passing frame rate or exposure.
    QCOMPARE(driverCalls("requestFrameRate", -1) +
                 driverCalls("exposureControl", VYRA_EXPOSURE_SET) +
                 driverCalls("pixelClockControl", VYRA_PIXELCLOCK_SET),
             0);
}

void TestAcquisitionDialog::framerateMaximumIsTheCamerasWithOrWithoutTheSequencer_data()
{
    QTest::addColumn<bool>("sequencerOn");
    QTest::newRow("sequencer off") << false;
    QTest::newRow("sequencer on") << true;
}

void TestAcquisitionDialog::framerateMaximumIsTheCamerasWithOrWithoutTheSequencer()
{
    QFETCH(bool, sequencerOn);
    const auto camera = openCamera(smallCamera);
    int32_t on = sequencerOn ? 1 : 0;
    QCOMPARE(sequencerControl(camera->handle(), VYRA_SEQUENCER_MODE_SET, &on, 4), VYRA_SUCCESS);
    AcquisitionDialog dialog(camera);

    // A running sequence goes up to the camera's highest rate too: the
    // camera runs it itself above ten a second.
    const double maximum = maximumFramerate(camera);
    QCOMPARE(labelText(&dialog, "framerate_max"), fps(maximum));
    QCOMPARE(box(&dialog, "framerate_value")->maximum(), hundredths(maximum) / 100.0);
    QCOMPARE(slider(&dialog, "framerate_slider")->maximum(), hundredths(maximum));
    QCOMPARE(box(&dialog, "framerate_value")->value(), 30.0);
    QCOMPARE(stateOf(camera).frameRate, 30.0);
}

void TestAcquisitionDialog::typedFramerateReachesTheCamera_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("framerate");
    QTest::addColumn<QString>("exposureMaximum");
    QTest::newRow("two decimals") << "29.99" << 29.99 << "33.34 ms";
    QTest::newRow("whole number") << "7" << 7.0 << "142.85 ms";
}

void TestAcquisitionDialog::typedFramerateReachesTheCamera()
{
    QFETCH(QString, typed);
    QFETCH(double, framerate);
    QFETCH(QString, exposureMaximum);
    const auto camera = openCamera(smallCamera);
    AcquisitionDialog dialog(camera);
    typeInto(box(&dialog, "framerate_value"), typed, false);

    QCOMPARE(box(&dialog, "framerate_value")->value(), framerate);
    QCOMPARE(slider(&dialog, "framerate_slider")->value(), hundredths(framerate));
    QCOMPARE(stateOf(camera).frameRate, framerate);
    // The exposure range is refilled for the new frame period.
    QCOMPARE(labelText(&dialog, "exposure_max"), exposureMaximum);
}

void TestAcquisitionDialog::pixelClockBoxPicksAListedClock_data()
{
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<QString>("typed"); // empty: the arrow key instead
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("clock");
    QTest::newRow("typed clock") << smallCamera << "50" << 0 << 50;
    QTest::newRow("arrow down") << smallCamera << "" << int(Qt::Key_Down) << 85;
    QTest::newRow("typed between two clocks") << largeCamera << "60" << 0 << 57;
    QTest::newRow("typed first clock") << largeCamera << "24" << 0 << 24;
    QTest::newRow("arrow down, uneven clocks") << largeCamera << "" << int(Qt::Key_Down) << 72;
    QTest::newRow("arrow up, uneven clocks") << largeCamera << "" << int(Qt::Key_Up) << 99;
}

void TestAcquisitionDialog::pixelClockBoxPicksAListedClock()
{
    QFETCH(int, deviceId);
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(int, clock);
    const auto camera = openCamera(deviceId);
    AcquisitionDialog dialog(camera);
    dialog.show();
    auto *clockBox = child<QSpinBox>(&dialog, "pixelclock_value");
    if (typed.isEmpty())
        QTest::keyClick(clockBox, Qt::Key(key));
    else
        typeInto(clockBox, typed);

    QCOMPARE(clockBox->value(), clock);
    QCOMPARE(slider(&dialog, "pixelclock_slider")->value(),
             camera->pixelClockGetList().indexOf(clock));
    QCOMPARE(stateOf(camera).pixelClockMHz, uint32_t(clock));
    QVERIFY(dialog.isVisible()); // Return confirmed the clock without closing the dialog
}

void TestAcquisitionDialog::pixelClockChangeReappliesFramerateAndExposure_data()
{
    QTest::addColumn<int>("startClock");
    QTest::addColumn<double>("startFramerate");
    QTest::addColumn<int>("newClock");
    QTest::addColumn<bool>("framerateClamped");
    QTest::newRow("slower clock: frame rate pulled down") << 86 << 30.0 << 20 << true;
    QTest::newRow("faster clock: both kept") << 20 << 10.0 << 86 << false;
}

void TestAcquisitionDialog::pixelClockChangeReappliesFramerateAndExposure()
{
    QFETCH(int, startClock);
    QFETCH(double, startFramerate);
    QFETCH(int, newClock);
    QFETCH(bool, framerateClamped);
    const auto camera = openCamera(smallCamera);
    camera->setPixelClock(startClock);
    setBehindTheDialog(camera, startFramerate, false, 20.0);
    AcquisitionDialog dialog(camera);
    slider(&dialog, "pixelclock_slider")->setValue(camera->pixelClockGetList().indexOf(newClock));

    const VyraSim::OpenCameraState state = stateOf(camera);
    QCOMPARE(state.pixelClockMHz, uint32_t(newClock));
    QCOMPARE(child<QSpinBox>(&dialog, "pixelclock_value")->value(), newClock);
    const double expected = framerateClamped ? maximumFramerate(camera) : startFramerate;
    QVERIFY(qAbs(state.frameRate - expected) < 1e-6);
    QCOMPARE(box(&dialog, "framerate_value")->value(), hundredths(expected) / 100.0);
    QCOMPARE(labelText(&dialog, "framerate_max"), fps(maximumFramerate(camera)));
    QCOMPARE(state.values.exposureMs, 20.0);
}

void TestAcquisitionDialog::exposureStepsByItsIncrement_data()
{
    QTest::addColumn<QString>("widget");
    QTest::addColumn<int>("key");
    QTest::addColumn<double>("exposure");
    QTest::newRow("slider right") << "exposure_slider" << int(Qt::Key_Right) << 10.01;
    QTest::newRow("slider left") << "exposure_slider" << int(Qt::Key_Left) << 9.99;
    QTest::newRow("box up") << "exposure_value" << int(Qt::Key_Up) << 10.01;
}

void TestAcquisitionDialog::exposureStepsByItsIncrement()
{
    QFETCH(QString, widget);
    QFETCH(int, key);
    QFETCH(double, exposure);
    const auto camera = openCamera(smallCamera);
    QCOMPARE(camera->exposureIncrement(), 0.01); // below 1 ms
    AcquisitionDialog dialog(camera);
    // 0.01 ms is one position of the slider, which counts hundredths.
    QCOMPARE(slider(&dialog, "exposure_slider")->singleStep(), 1);
    QCOMPARE(box(&dialog, "exposure_value")->singleStep(), 0.01);

    QTest::keyClick(child<QWidget>(&dialog, widget), Qt::Key(key));
    QCOMPARE(box(&dialog, "exposure_value")->value(), exposure);
    QCOMPARE(slider(&dialog, "exposure_slider")->value(), hundredths(exposure));
    QCOMPARE(stateOf(camera).values.exposureMs, exposure);
}

void TestAcquisitionDialog::longExposureRefillsBothGroups_data()
{
    QTest::addColumn<bool>("startLong");
    QTest::addColumn<double>("startExposure");
    QTest::addColumn<QString>("exposureMaximum");
    QTest::addColumn<double>("exposure");
    QTest::newRow("switched on") << false << 20.0 << "10000.00 ms" << 20.0;
    // 500 ms is longer than the period at 12 fps: switched off, it is cut to one period.
    QTest::newRow("switched off") << true << 500.0 << "83.33 ms" << 83.33;
}

void TestAcquisitionDialog::longExposureRefillsBothGroups()
{
    QFETCH(bool, startLong);
    QFETCH(double, startExposure);
    QFETCH(QString, exposureMaximum);
    QFETCH(double, exposure);
    const auto camera = openCamera(smallCamera);
    setBehindTheDialog(camera, 30.0, startLong, startExposure);
    AcquisitionDialog dialog(camera);
    // A frame rate the dialog has not seen: only a refill shows it.
    setBehindTheDialog(camera, 12.0, startLong, startExposure);

    child<QCheckBox>(&dialog, "exposure_longterm")->click();
    QCOMPARE(stateOf(camera).longExposure, !startLong);
    QCOMPARE(labelText(&dialog, "exposure_max"), exposureMaximum);
    QCOMPARE(box(&dialog, "exposure_value")->value(), exposure);
    QCOMPARE(stateOf(camera).values.exposureMs, exposure);
    QCOMPARE(box(&dialog, "framerate_value")->value(), 12.0);
    QCOMPARE(slider(&dialog, "framerate_slider")->value(), 1200);
}

void TestAcquisitionDialog::cameraWithoutLongExposure()
{
    VyraSim::CameraSpec description;
    description.deviceId = smallCamera;
    description.longExposure = false;
    QVERIFY(Control::setCameras({description}));
    AcquisitionDialog dialog(openCamera(smallCamera));
    QVERIFY(!child<QCheckBox>(&dialog, "exposure_longterm")->isEnabled());
    QCOMPARE(labelText(&dialog, "exposure_max"), QStringLiteral("33.33 ms"));
}

QTEST_MAIN(TestAcquisitionDialog)
#include "tst_acquisitiondialog.moc"
