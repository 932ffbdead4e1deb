// The acquisition dialog on a simulated camera: what it shows, how each
// change reaches the camera and which ranges are refilled after it.

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>

#include "acquisitiondialog.h"
#include "settingsdialogsupport.h"
#include "stylesheet.h"

using namespace SettingsDialogTest;
using VyraSim::Control;

namespace {

template<typename T> T *control(QWidget *dialog, const char *name)
{
    auto *found = dialog->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

QString text(QWidget *dialog, const char *label)
{
    return control<QLabel>(dialog, label)->text();
}

/// The frame rate the camera could run at, from its frame interval range.
double maximumFramerate(const QSharedPointer<VyraCamera> &camera)
{
    double shortest = 0, longest = 0, step = 0;
    frameIntervalRange(camera->handle(), &shortest, &longest, &step);
    return 1.0 / shortest;
}

void setExposureBehindTheDialog(const QSharedPointer<VyraCamera> &camera, bool longExposure,
                                double exposure)
{
    int32_t on = longExposure ? 1 : 0;
    QCOMPARE(exposureControl(camera->handle(), VYRA_EXPOSURE_LONG_SET, &on, 4), VYRA_SUCCESS);
    QCOMPARE(exposureControl(camera->handle(), VYRA_EXPOSURE_SET, &exposure, 8), VYRA_SUCCESS);
}

void setFramerateBehindTheDialog(const QSharedPointer<VyraCamera> &camera, double fps)
{
    double set = 0;
    QCOMPARE(requestFrameRate(camera->handle(), fps, &set), VYRA_SUCCESS);
}

} // namespace

class TestAcquisitionDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { Control::resetToDefaults(); }

    void showsTheCamerasTimingWithoutChangingIt();
    void framerateMaximumFollowsTheSequencer_data();
    void framerateMaximumFollowsTheSequencer();
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

void TestAcquisitionDialog::showsTheCamerasTimingWithoutChangingIt()
{
    const auto camera = openCamera(smallCamera);
    Control::clearCalls();
    AcquisitionDialog dialog(camera);

    QCOMPARE(dialog.windowTitle(), QStringLiteral("Acquisition Dialog"));
    QCOMPARE(dialog.size(), QSize(343, 332));
    QCOMPARE(dialog.maximumSize(), QSize(999, 999));
    QCOMPARE(dialog.styleSheet(), loadStyleSheet(QStringLiteral("base.qss")));

    QCOMPARE(text(&dialog, "pixelclock_min"), QStringLiteral("5 MHz"));
    QCOMPARE(text(&dialog, "pixelclock_max"), QStringLiteral("86 MHz"));
    QCOMPARE(control<QSpinBox>(&dialog, "pixelclock_value")->value(), 86);
    QCOMPARE(control<QSlider>(&dialog, "pixelclock_slider")->maximum(), 81);
    QCOMPARE(control<QSlider>(&dialog, "pixelclock_slider")->value(), 81);

    QCOMPARE(text(&dialog, "framerate_min"), QStringLiteral("0.50 fps"));
    QCOMPARE(text(&dialog, "framerate_max"),
             QString::number(maximumFramerate(camera), 'f', 2) + QStringLiteral(" fps"));
    QCOMPARE(control<QDoubleSpinBox>(&dialog, "framerate_value")->value(), 30.0);
    QCOMPARE(control<QSlider>(&dialog, "framerate_slider")->value(), 3000);

    QCOMPARE(text(&dialog, "exposure_min"), QStringLiteral("0.01 ms"));
    QCOMPARE(text(&dialog, "exposure_max"), QStringLiteral("33.33 ms"));
    QCOMPARE(control<QDoubleSpinBox>(&dialog, "exposure_value")->value(), 10.0);
    QCOMPARE(control<QSlider>(&dialog, "exposure_slider")->value(), 1000);
    QVERIFY(!control<QCheckBox>(&dialog, "exposure_longterm")->isChecked());

    // Filling the controls wrote nothing: no passing frame rate or exposure.
    QCOMPARE(driverCalls("requestFrameRate", -1), 0);
    QCOMPARE(driverCalls("exposureControl", VYRA_EXPOSURE_SET), 0);
    QCOMPARE(driverCalls("pixelClockControl", VYRA_PIXELCLOCK_SET), 0);
}

void TestAcquisitionDialog::framerateMaximumFollowsTheSequencer_data()
{
    QTest::addColumn<bool>("sequencerOn");
    QTest::newRow("sequencer off") << false;
    QTest::newRow("sequencer on") << true;
}

void TestAcquisitionDialog::framerateMaximumFollowsTheSequencer()
{
    QFETCH(bool, sequencerOn);
    const auto camera = openCamera(smallCamera);
    int32_t on = sequencerOn ? 1 : 0;
    QCOMPARE(sequencerControl(camera->handle(), VYRA_SEQUENCER_MODE_SET, &on, 4), VYRA_SUCCESS);
    AcquisitionDialog dialog(camera);

    const double maximum = sequencerOn ? 10.0 : maximumFramerate(camera);
    QCOMPARE(text(&dialog, "framerate_max"), QString::number(maximum, 'f', 2) + " fps");
    auto *box = control<QDoubleSpinBox>(&dialog, "framerate_value");
    QCOMPARE(box->maximum(), std::round(maximum * 100) / 100);
    QCOMPARE(control<QSlider>(&dialog, "framerate_slider")->maximum(),
             int(std::lround(maximum * 100)));
    // 30 fps does not fit under the sequencer's maximum: the camera gets 10.
    const double expected = sequencerOn ? 10.0 : 30.0;
    QCOMPARE(box->value(), expected);
    QCOMPARE(stateOf(camera).frameRate, expected);
}

void TestAcquisitionDialog::typedFramerateReachesTheCamera_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("framerate");
    QTest::addColumn<QString>("exposureMaximum");
    QTest::newRow("two decimals") << "29.99" << 29.99 << "33.34 ms";
    QTest::newRow("one decimal") << "12.5" << 12.5 << "80.00 ms";
    QTest::newRow("whole number") << "7" << 7.0 << "142.85 ms";
}

void TestAcquisitionDialog::typedFramerateReachesTheCamera()
{
    QFETCH(QString, typed);
    QFETCH(double, framerate);
    QFETCH(QString, exposureMaximum);
    const auto camera = openCamera(smallCamera);
    AcquisitionDialog dialog(camera);
    dialog.show();
    typeInto(control<QDoubleSpinBox>(&dialog, "framerate_value"), typed, false);

    QCOMPARE(control<QDoubleSpinBox>(&dialog, "framerate_value")->value(), framerate);
    QCOMPARE(control<QSlider>(&dialog, "framerate_slider")->value(),
             int(std::lround(framerate * 100)));
    QCOMPARE(stateOf(camera).frameRate, framerate);
    // The exposure range is refilled for the new frame period.
    QCOMPARE(text(&dialog, "exposure_max"), exposureMaximum);
    QCOMPARE(stateOf(camera).values.exposureMs, 10.0);
}

void TestAcquisitionDialog::pixelClockBoxPicksAListedClock_data()
{
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<QString>("typed"); // empty: an arrow key instead
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
    auto *box = control<QSpinBox>(&dialog, "pixelclock_value");
    if (typed.isEmpty())
        QTest::keyClick(box, Qt::Key(key));
    else
        typeInto(box, typed);

    QCOMPARE(box->value(), clock);
    QCOMPARE(control<QSlider>(&dialog, "pixelclock_slider")->value(),
             camera->pixelClockGetList().indexOf(clock));
    QCOMPARE(stateOf(camera).pixelClockMHz, uint32_t(clock));
    QVERIFY(dialog.isVisible()); // Return confirmed the value, it did not close the dialog
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
    setFramerateBehindTheDialog(camera, startFramerate);
    setExposureBehindTheDialog(camera, false, 20.0);
    AcquisitionDialog dialog(camera);

    control<QSlider>(&dialog, "pixelclock_slider")
        ->setValue(camera->pixelClockGetList().indexOf(newClock));
    const VyraSim::OpenCameraState state = stateOf(camera);
    QCOMPARE(state.pixelClockMHz, uint32_t(newClock));
    QCOMPARE(control<QSpinBox>(&dialog, "pixelclock_value")->value(), newClock);
    const double expected = framerateClamped ? maximumFramerate(camera) : startFramerate;
    QVERIFY2(qAbs(state.frameRate - expected) < 1e-6, qPrintable(QString::number(state.frameRate)));
    QCOMPARE(control<QDoubleSpinBox>(&dialog, "framerate_value")->value(),
             std::round(expected * 100) / 100);
    QCOMPARE(text(&dialog, "framerate_max"),
             QString::number(maximumFramerate(camera), 'f', 2) + " fps");
    QCOMPARE(state.values.exposureMs, 20.0);
    QCOMPARE(control<QDoubleSpinBox>(&dialog, "exposure_value")->value(), 20.0);
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
    QCOMPARE(camera->exposureIncrement(), 0.01);
    AcquisitionDialog dialog(camera);
    // 0.01 ms is one position of the slider, which counts hundredths.
    QCOMPARE(control<QSlider>(&dialog, "exposure_slider")->singleStep(), 1);
    QCOMPARE(control<QDoubleSpinBox>(&dialog, "exposure_value")->singleStep(), 0.01);

    QTest::keyClick(dialog.findChild<QWidget *>(widget), Qt::Key(key));
    QCOMPARE(control<QDoubleSpinBox>(&dialog, "exposure_value")->value(), exposure);
    QCOMPARE(control<QSlider>(&dialog, "exposure_slider")->value(),
             int(std::lround(exposure * 100)));
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
    setExposureBehindTheDialog(camera, startLong, startExposure);
    AcquisitionDialog dialog(camera);
    QCOMPARE(control<QCheckBox>(&dialog, "exposure_longterm")->isChecked(), startLong);
    // Changed behind the dialog's back: only a refill shows it.
    setFramerateBehindTheDialog(camera, 12.0);

    control<QCheckBox>(&dialog, "exposure_longterm")->click();
    QCOMPARE(stateOf(camera).longExposure, !startLong);
    QCOMPARE(text(&dialog, "exposure_max"), exposureMaximum);
    QCOMPARE(control<QDoubleSpinBox>(&dialog, "exposure_value")->value(), exposure);
    QCOMPARE(stateOf(camera).values.exposureMs, exposure);
    QCOMPARE(control<QDoubleSpinBox>(&dialog, "framerate_value")->value(), 12.0);
    QCOMPARE(control<QSlider>(&dialog, "framerate_slider")->value(), 1200);
}

void TestAcquisitionDialog::cameraWithoutLongExposure()
{
    VyraSim::CameraSpec description;
    description.deviceId = smallCamera;
    description.longExposure = false;
    QVERIFY(Control::setCameras({description}));
    AcquisitionDialog dialog(openCamera(smallCamera));
    QVERIFY(!control<QCheckBox>(&dialog, "exposure_longterm")->isEnabled());
    QVERIFY(!control<QCheckBox>(&dialog, "exposure_longterm")->isChecked());
    QCOMPARE(text(&dialog, "exposure_max"), QStringLiteral("33.33 ms"));
}

QTEST_MAIN(TestAcquisitionDialog)
#include "tst_acquisitiondialog.moc"
