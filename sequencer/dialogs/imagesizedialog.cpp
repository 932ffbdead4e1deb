#include "imagesizedialog.h"
#include "ui_imagesizedialog.h"

#include <QKeyEvent>
#include <QMap>
#include <QRegularExpression>
#include <QSignalBlocker>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

#include "camerafailure.h"
#include "camerafeature.h"
#include "notoffered.h"
#include "stylesheet.h"
#include "vyracamera.h"

namespace {

// More image formats than any sensor defines: a larger count is taken for a
// driver fault rather than allocated.
constexpr uint32_t maximumFormatCount = 1024;

/// Whether text names number as a whole number: "1280x1024 SXGA" names 1280
/// and 1024, but not 128 or 102.
bool namesNumber(const QString &text, int number)
{
    const QRegularExpression wholeNumber(QStringLiteral("(?<!\\d)%1(?!\\d)").arg(number));
    return wholeNumber.match(text).hasMatch();
}

/// The factor a mode's text names: 3 for "3x".
int factorNamedBy(const QString &text)
{
    return text.left(text.indexOf(QLatin1Char('x'))).toInt();
}

/// Lists the factors of one direction, item data the mode bit, from the
/// smallest factor up. The bits do not rise with the factor (3x has a higher
/// bit than 4x), so their order would read 1x, 2x, 4x, 3x.
void fillFactorBox(QComboBox *box, const QMap<int, QString> &modes)
{
    std::vector<std::pair<int, QString>> factors(modes.keyValueBegin(), modes.keyValueEnd());
    std::stable_sort(factors.begin(), factors.end(), [](const auto &one, const auto &other) {
        return factorNamedBy(one.second) < factorNamedBy(other.second);
    });
    box->clear();
    for (const auto &[bit, text] : factors)
        box->addItem(text, bit);
}

/// Keeps the size and factor boxes from passing on what the dialog shows
/// them, for as long as the result lives.
std::vector<QSignalBlocker> blockGeometryBoxes(Ui::ImageSizeDialog &ui)
{
    std::vector<QSignalBlocker> blockers;
    blockers.reserve(6);
    const std::initializer_list<QObject *> boxes = {ui.aoi_height,
                                                    ui.aoi_width,
                                                    ui.binning_horizontal,
                                                    ui.binning_vertical,
                                                    ui.subsampling_horizontal,
                                                    ui.subsampling_vertical};
    for (QObject *box : boxes)
        blockers.emplace_back(box);
    return blockers;
}

/// Makes the item of mode current; a mode the box does not list leaves it
/// without a current item.
void selectFactor(QComboBox *box, int mode)
{
    box->setCurrentIndex(box->findData(mode));
}

} // namespace

ImageSizeDialog::ImageSizeDialog(QSharedPointer<VyraCamera> camera, QWidget *parent)
    : QDialog(parent), ui(new Ui::ImageSizeDialog), camera(std::move(camera))
{
    ui->setupUi(this);
    setStyleSheet(loadStyleSheet(QStringLiteral("base.qss")));

    // The timing is read first and written back last, since a new geometry
    // may change it; a camera without a pixel clock keeps the others.
    std::optional<int> pixelClock;
    cameraOffers([&] { pixelClock = this->camera->pixelClock(); });
    const double framerate = this->camera->framerate();
    const double exposure = this->camera->exposure();
    {
        const auto blockers = blockGeometryBoxes(*ui);
        // A typed size is applied once it is complete: on Return, on leaving
        // the box or with the arrows.
        ui->aoi_height->setKeyboardTracking(false);
        ui->aoi_width->setKeyboardTracking(false);

        fillFormatList();
        fillBinningBoxes();
        fillSubsamplingBoxes();
        refreshAoiControls();
        selectMatchingProfile();
        syncBinningBoxes();
        syncSubsamplingBoxes();
        const QRect aoi = this->camera->aoi();
        ui->aoi_height->setValue(aoi.height());
        ui->aoi_width->setValue(aoi.width());
    }
    showMissingFactors();
    setSizeControlsEnabled(true);

    ignoreCameraFailure([&] {
        if (pixelClock)
            this->camera->setPixelClock(*pixelClock);
        this->camera->setFramerate(framerate);
        this->camera->setExposure(exposure);
    });
}

ImageSizeDialog::~ImageSizeDialog() = default;

void ImageSizeDialog::setSizeControlsEnabled(bool enabled)
{
    if (profilesOffered)
        ui->profile->setEnabled(enabled);
    else
        showNotOffered(ui->profile, tr("This camera does not offer image format profiles."));
    ui->groupBox->setEnabled(enabled);
    ui->groupBox_2->setEnabled(enabled);
}

void ImageSizeDialog::keyPressEvent(QKeyEvent *event)
{
    QWidget::keyPressEvent(event);
}

void ImageSizeDialog::fillFormatList()
{
    ui->profile->clear();
    // Neither command's failure is the user's concern: without the list
    // there is simply nothing to choose from.
    uint32_t count = 0;
    if (imageFormatControl(camera->handle(), VYRA_IMAGE_FORMAT_COUNT, &count, sizeof count) !=
            VYRA_SUCCESS ||
        count > maximumFormatCount)
        return;

    std::vector<char> list(VYRA_IMAGE_FORMAT_LIST_SIZE(count), '\0');
    const uint32_t header[2] = {uint32_t(sizeof(VyraImageFormatEntry)), count};
    std::memcpy(list.data(), header, sizeof header);
    if (imageFormatControl(camera->handle(), VYRA_IMAGE_FORMAT_LIST, list.data(),
                           uint32_t(list.size())) != VYRA_SUCCESS)
        return;

    uint32_t filled = 0;
    std::memcpy(&filled, list.data() + offsetof(VyraImageFormatList, count), sizeof filled);
    profilesOffered = true;
    ui->profile->addItem(tr("Custom"), 0);
    for (uint32_t index = 0; index < std::min(filled, count); ++index) {
        VyraImageFormatEntry entry;
        std::memcpy(&entry, list.data() + VYRA_IMAGE_FORMAT_LIST_SIZE(index), sizeof entry);
        const QString caption =
            QString::fromUtf8(entry.caption, int(qstrnlen(entry.caption, sizeof entry.caption)));
        if (!caption.isEmpty())
            ui->profile->addItem(caption, entry.formatId);
    }
}

void ImageSizeDialog::fillBinningBoxes()
{
    fillFactorBox(ui->binning_horizontal, camera->horizontalBinningModes());
    fillFactorBox(ui->binning_vertical, camera->verticalBinningModes());
    selectFactor(ui->binning_vertical, camera->verticalBinning());
    selectFactor(ui->binning_horizontal, camera->horizontalBinning());
}

void ImageSizeDialog::fillSubsamplingBoxes()
{
    fillFactorBox(ui->subsampling_horizontal, camera->horizontalSubsamplingModes());
    fillFactorBox(ui->subsampling_vertical, camera->verticalSubsamplingModes());
    selectFactor(ui->subsampling_vertical, camera->verticalSubsampling());
    selectFactor(ui->subsampling_horizontal, camera->horizontalSubsampling());
}

void ImageSizeDialog::showMissingFactors()
{
    const struct
    {
        QComboBox *box;
        QString notOffered;
    } factors[] = {
        {ui->binning_horizontal, tr("This camera does not offer horizontal binning.")},
        {ui->binning_vertical, tr("This camera does not offer vertical binning.")},
        {ui->subsampling_horizontal, tr("This camera does not offer horizontal subsampling.")},
        {ui->subsampling_vertical, tr("This camera does not offer vertical subsampling.")},
    };
    for (const auto &factor : factors) {
        if (factor.box->count() <= 1)
            showNotOffered(factor.box, factor.notOffered);
    }
}

void ImageSizeDialog::refreshAoiControls()
{
    const QRect aoi = camera->aoi();
    const QSize maximum = camera->aoiSizeMaximum();
    ui->aoi_height->setMaximum(maximum.height());
    ui->aoi_width->setMaximum(maximum.width());
    const QSize minimum = camera->aoiSizeMinimum();
    ui->aoi_height->setMinimum(minimum.height());
    ui->aoi_width->setMinimum(minimum.width());
    const QSize increment = camera->aoiSizeIncrement();
    ui->aoi_height->setSingleStep(increment.height());
    ui->aoi_width->setSingleStep(increment.width());
    ui->aoi_height->setValue(aoi.height());
    ui->aoi_width->setValue(aoi.width());
}

void ImageSizeDialog::selectMatchingProfile()
{
    const QSize size = camera->aoi().size();
    int match = 0;
    for (int index = 0; index < ui->profile->count(); ++index) {
        const QString caption = ui->profile->itemText(index);
        if (namesNumber(caption, size.width()) && namesNumber(caption, size.height()))
            match = index;
    }
    ui->profile->setCurrentIndex(match);
}

void ImageSizeDialog::syncBinningBoxes()
{
    selectFactor(ui->binning_horizontal, camera->horizontalBinning());
    selectFactor(ui->binning_vertical, camera->verticalBinning());
}

void ImageSizeDialog::syncSubsamplingBoxes()
{
    selectFactor(ui->subsampling_horizontal, camera->horizontalSubsampling());
    selectFactor(ui->subsampling_vertical, camera->verticalSubsampling());
}

void ImageSizeDialog::applyAoiSize(int size, bool horizontal)
{
    QRect aoi = camera->aoi();
    const QSize increment = camera->aoiSizeIncrement();
    const int step = horizontal ? increment.width() : increment.height();
    if (step > 0)
        size -= size % step;
    if (horizontal)
        aoi.setWidth(size);
    else
        aoi.setHeight(size);
    ignoreCameraFailure([&] { camera->setAoi(aoi); });

    // What the camera took: the lowered size, or the size it kept when it
    // refused the new one (an AOI that would reach past the sensor, say).
    const QSize taken = camera->aoi().size();
    QSpinBox *box = horizontal ? ui->aoi_width : ui->aoi_height;
    {
        const QSignalBlocker blocker(box);
        box->setValue(horizontal ? taken.width() : taken.height());
    }
    selectMatchingProfile();
}

void ImageSizeDialog::applyFactor(QComboBox *box, int index, void (VyraCamera::*setFactor)(int))
{
    const int mode = box->itemData(index).toInt();
    ignoreCameraFailure([&] { (camera.data()->*setFactor)(mode); });
    selectMatchingProfile();
    showCameraGeometry();
}

void ImageSizeDialog::showCameraGeometry()
{
    // Showing what the camera holds writes nothing back to it; a factor box
    // it failed to change returns to the camera's factor.
    const auto blockers = blockGeometryBoxes(*ui);
    refreshAoiControls();
    syncBinningBoxes();
    syncSubsamplingBoxes();
}

void ImageSizeDialog::on_aoi_width_valueChanged(int width)
{
    ignoreCameraFailure([&] { applyAoiSize(width, true); });
}

void ImageSizeDialog::on_aoi_height_valueChanged(int height)
{
    ignoreCameraFailure([&] { applyAoiSize(height, false); });
}

void ImageSizeDialog::on_binning_horizontal_currentIndexChanged(int index)
{
    ignoreCameraFailure(
        [&] { applyFactor(ui->binning_horizontal, index, &VyraCamera::setHorizontalBinning); });
}

void ImageSizeDialog::on_binning_vertical_currentIndexChanged(int index)
{
    ignoreCameraFailure(
        [&] { applyFactor(ui->binning_vertical, index, &VyraCamera::setVerticalBinning); });
}

void ImageSizeDialog::on_subsampling_horizontal_currentIndexChanged(int index)
{
    ignoreCameraFailure([&] {
        applyFactor(ui->subsampling_horizontal, index, &VyraCamera::setHorizontalSubsampling);
    });
}

void ImageSizeDialog::on_subsampling_vertical_currentIndexChanged(int index)
{
    ignoreCameraFailure(
        [&] { applyFactor(ui->subsampling_vertical, index, &VyraCamera::setVerticalSubsampling); });
}

void ImageSizeDialog::on_profile_activated(int index)
{
    if (index < 0)
        return;
    ignoreCameraFailure([&] {
        // "Custom" (0) names no format; the camera refuses it and keeps its
        // geometry.
        const int formatId = ui->profile->itemData(index).toInt();
        ignoreCameraFailure([&] { camera->setImageFormat(formatId); });
        // The chosen profile stays current, whatever size it gave.
        showCameraGeometry();
    });
}

void ImageSizeDialog::on_dialog_close_clicked()
{
    close();
}
