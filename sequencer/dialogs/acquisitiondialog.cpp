#include "acquisitiondialog.h"
#include "ui_acquisitiondialog.h"

#include <QSignalBlocker>

#include <algorithm>
#include <cmath>
#include <utility>

#include "camerafailure.h"
#include "camerafeature.h"
#include "notoffered.h"
#include "stylesheet.h"
#include "vyracamera.h"

namespace {

// The frame-rate and exposure sliders count hundredths of the spin boxes'
// unit, so a value with two decimals maps onto one slider position and back
// onto itself.
int hundredths(double value)
{
    return int(std::lround(value * 100.0));
}

double fromHundredths(int value)
{
    return value / 100.0;
}

QString rangeText(double value, const char *unit)
{
    return QString::number(value, 'f', 2) + QLatin1Char(' ') + QLatin1String(unit);
}

/// Gives a slider and its spin box a range and a value, without either of
/// them passing the change on. Answers what the spin box shows, in
/// hundredths: the value, or the end of the range it was pulled to.
int fill(QSlider *slider, QDoubleSpinBox *box, double minimum, double maximum, int sliderStep,
         double boxStep, double value)
{
    const QSignalBlocker sliderBlocker(slider);
    const QSignalBlocker boxBlocker(box);
    slider->setRange(hundredths(minimum), hundredths(maximum));
    box->setRange(fromHundredths(hundredths(minimum)), fromHundredths(hundredths(maximum)));
    slider->setSingleStep(sliderStep);
    box->setSingleStep(boxStep);
    box->setValue(fromHundredths(hundredths(value)));
    slider->setValue(hundredths(value));
    return hundredths(box->value());
}

} // namespace

AcquisitionDialog::AcquisitionDialog(QSharedPointer<VyraCamera> camera, QWidget *parent)
    : QDialog(parent), ui(new Ui::AcquisitionDialog), camera(std::move(camera))
{
    ui->setupUi(this);
    setStyleSheet(loadStyleSheet(QStringLiteral("base.qss")));
    // A typed clock is taken once it is complete (Return, leaving the box or
    // an arrow): taking the "5" on the way to "50" would pull the frame rate
    // down to what 5 MHz allows, and that rate would then be kept at 50 MHz.
    ui->pixelclock_value->setKeyboardTracking(false);

    // A setting the camera lacks is shown disabled; the others work as ever.
    int pixelClock = 0;
    double framerate = 0.0;
    double exposure = 0.0;
    pixelClockOffered = cameraOffers([&] {
        pixelClockList = this->camera->pixelClockGetList();
        pixelClock = this->camera->pixelClock();
    });
    framerateOffered = cameraOffers([&] { framerate = this->camera->framerate(); });
    exposureOffered = cameraOffers([&] { exposure = this->camera->exposure(); });
    pixelClockOffered = pixelClockOffered && cameraOffers([&] { initPixelClockControls(pixelClock); });
    framerateOffered = framerateOffered && cameraOffers([&] { refreshFramerateControls(framerate); });
    exposureOffered = exposureOffered && cameraOffers([&] { refreshExposureControls(exposure); });
    if (!pixelClockOffered) {
        // No clock to show: neither a number nor a range.
        ui->pixelclock_min->clear();
        ui->pixelclock_max->clear();
        ui->pixelclock_value->setSpecialValueText(QStringLiteral("-"));
    }
    setGroupsEnabled(true, true, true);
}

AcquisitionDialog::~AcquisitionDialog() = default;

void AcquisitionDialog::setGroupsEnabled(bool pixelClock, bool framerate, bool exposure)
{
    enableGroup(ui->pixelclock_box, pixelClock, pixelClockOffered,
                tr("This camera does not offer a pixel clock setting."));
    enableGroup(ui->framerate_box, framerate, framerateOffered,
                tr("This camera does not offer a frame rate setting."));
    enableGroup(ui->exposure_box, exposure, exposureOffered,
                tr("This camera does not offer an exposure setting."));
}

void AcquisitionDialog::enableGroup(QGroupBox *group, bool enabled, bool offered,
                                    const QString &notOffered)
{
    if (offered)
        group->setEnabled(enabled);
    else
        showNotOffered(group, notOffered);
}

void AcquisitionDialog::initPixelClockControls(int pixelClock)
{
    const QSignalBlocker boxBlocker(ui->pixelclock_value);
    const QSignalBlocker sliderBlocker(ui->pixelclock_slider);
    const VyraCamera::PixelClockRange range = camera->pixelClockRange();
    ui->pixelclock_min->setText(QString::number(range.minimum) + QStringLiteral(" MHz"));
    ui->pixelclock_max->setText(QString::number(range.maximum) + QStringLiteral(" MHz"));
    ui->pixelclock_slider->setRange(0, pixelClockList.size() - 1);
    ui->pixelclock_slider->setSingleStep(1);
    ui->pixelclock_value->setRange(range.minimum, range.maximum);
    ui->pixelclock_value->setSingleStep(1);
    ui->pixelclock_value->setValue(pixelClock);
    // A clock missing from the list leaves the slider at its first position.
    ui->pixelclock_slider->setValue(pixelClockList.indexOf(pixelClock));
    currentPixelClock = pixelClock;
}

void AcquisitionDialog::refreshFramerateControls(double framerate)
{
    const VyraCamera::FramerateRange range = camera->framerateRange();
    // While a sequence runs, the window holds the rate to what its longest
    // exposure allows, and says so.
    const double maximum = range.maximum;
    ui->framerate_min->setText(rangeText(range.minimum, "fps"));
    ui->framerate_max->setText(rangeText(maximum, "fps"));
    const int shown =
        fill(ui->framerate_slider, ui->framerate_value, range.minimum, maximum, 1, 1.0, framerate);
    if (shown != hundredths(framerate))
        applyFramerate(fromHundredths(shown));
}

void AcquisitionDialog::refreshExposureControls(double exposure)
{
    const double increment = camera->exposureIncrement();
    const double maximum = camera->exposureMaximum();
    const double minimum = camera->exposureMinimum();
    ui->exposure_min->setText(rangeText(minimum, "ms"));
    ui->exposure_max->setText(rangeText(maximum, "ms"));
    // One slider step is one increment, and never less than one position:
    // a step of 0 would leave the arrow keys and the wheel without effect.
    const int sliderStep = std::max(1, hundredths(increment));
    const int shown = fill(ui->exposure_slider, ui->exposure_value, minimum, maximum, sliderStep,
                           increment, exposure);

    // A camera without the switch cannot tell its state.
    bool longExposure = false;
    if (cameraOffers([&] { longExposure = camera->exposureLongEnabled(); })) {
        const QSignalBlocker blocker(ui->exposure_longterm);
        ui->exposure_longterm->setChecked(longExposure);
    } else {
        showNotOffered(ui->exposure_longterm, tr("This camera does not offer long exposure."));
    }

    if (shown != hundredths(exposure))
        applyExposure(fromHundredths(shown));
}

void AcquisitionDialog::applyPixelClock(int pixelClock)
{
    const double framerate = camera->framerate();
    const double exposure = exposureOffered ? camera->exposure() : 0.0;
    ignoreCameraFailure([&] { camera->setPixelClock(pixelClock); });
    if (exposureOffered)
        refreshExposureControls(exposure);
    refreshFramerateControls(framerate);
}

void AcquisitionDialog::applyFramerate(double framerate)
{
    const double exposure = exposureOffered ? camera->exposure() : 0.0;
    ignoreCameraFailure([&] { camera->setFramerate(framerate); });
    if (exposureOffered)
        refreshExposureControls(exposure);
}

void AcquisitionDialog::applyExposure(double exposure)
{
    ignoreCameraFailure([&] { camera->setExposure(exposure); });
}

int AcquisitionDialog::requestedPixelClockIndex(int value) const
{
    if (value == currentPixelClock)
        return -1;
    // A listed clock is taken as it is. Any other value stands for the listed
    // clock nearest to it on its side of the current one, so that an arrow
    // step reaches the next clock of an unevenly spaced list.
    int nearest = -1;
    for (int index = 0; index < pixelClockList.size(); ++index) {
        const int clock = pixelClockList.at(index);
        const bool onItsSide =
            value < currentPixelClock ? clock < currentPixelClock : clock > currentPixelClock;
        if (onItsSide &&
            (nearest < 0 || std::abs(clock - value) < std::abs(pixelClockList.at(nearest) - value)))
            nearest = index;
    }
    return nearest;
}

void AcquisitionDialog::on_pixelclock_slider_valueChanged(int value)
{
    if (value < 0 || value >= pixelClockList.size())
        return;
    const QSignalBlocker sliderBlocker(ui->pixelclock_slider);
    currentPixelClock = pixelClockList.at(value);
    {
        const QSignalBlocker boxBlocker(ui->pixelclock_value);
        ui->pixelclock_value->setValue(currentPixelClock);
    }
    ignoreCameraFailure([&] { applyPixelClock(currentPixelClock); });
}

void AcquisitionDialog::on_pixelclock_value_valueChanged(int value)
{
    const QSignalBlocker boxBlocker(ui->pixelclock_value);
    const int index = requestedPixelClockIndex(value);
    if (index >= 0) {
        const QSignalBlocker sliderBlocker(ui->pixelclock_slider);
        ui->pixelclock_slider->setValue(index);
        currentPixelClock = pixelClockList.at(index);
    }
    // No listed clock that way: the box shows the clock in use again.
    ui->pixelclock_value->setValue(currentPixelClock);
    if (index >= 0)
        ignoreCameraFailure([&] { applyPixelClock(currentPixelClock); });
}

void AcquisitionDialog::on_framerate_slider_valueChanged(int value)
{
    ui->framerate_value->setValue(fromHundredths(value));
}

void AcquisitionDialog::on_framerate_value_valueChanged(double value)
{
    {
        const QSignalBlocker blocker(ui->framerate_slider);
        ui->framerate_slider->setValue(hundredths(value));
    }
    ignoreCameraFailure([&] { applyFramerate(value); });
}

void AcquisitionDialog::on_exposure_slider_valueChanged(int value)
{
    ui->exposure_value->setValue(fromHundredths(value));
}

void AcquisitionDialog::on_exposure_value_valueChanged(double value)
{
    {
        const QSignalBlocker blocker(ui->exposure_slider);
        ui->exposure_slider->setValue(hundredths(value));
    }
    applyExposure(value);
}

void AcquisitionDialog::on_exposure_longterm_stateChanged(int)
{
    ignoreCameraFailure([&] {
        const bool on = ui->exposure_longterm->isChecked();
        ignoreCameraFailure([&] { camera->setExposureLongEnabled(on); });
        refreshExposureControls(camera->exposure());
        if (framerateOffered)
            refreshFramerateControls(camera->framerate());
    });
}

void AcquisitionDialog::on_dialog_close_clicked()
{
    close();
}
