#pragma once

#include <QDialog>
#include <QSharedPointer>

#include <memory>

namespace Ui {
class ImageSizeDialog;
}
class QComboBox;
class QKeyEvent;
class VyraCamera;

/// Sets the geometry of the open camera's images: one of the sensor's image
/// formats (or "Custom"), the width and height of the area of interest, and
/// the binning and subsampling factors of each direction. Every change goes
/// to the camera at once, which reallocates its buffers; afterwards the
/// dialog reads the camera's geometry back into its other controls.
///
/// Return confirms a typed size without closing the dialog; only Close
/// closes it. The dialog holds the camera for as long as it exists. GUI
/// thread only.
class ImageSizeDialog : public QDialog
{
    Q_OBJECT

public:
    /// Reads the camera's geometry and formats into the controls; what the
    /// camera does not offer (image formats, a binning or subsampling
    /// direction) is shown disabled, with the reason as its tooltip. Throws
    /// VyraCameraException when the camera cannot be read.
    explicit ImageSizeDialog(QSharedPointer<VyraCamera> camera, QWidget *parent = nullptr);
    ~ImageSizeDialog() override;

    /// Enables or disables every control but Close; what the camera does not
    /// offer stays disabled.
    void setSizeControlsEnabled(bool enabled);

protected:
    /// Leaves Return, Enter and Escape to the focused control: a dialog would
    /// turn them into Close.
    void keyPressEvent(QKeyEvent *event) override;

private slots:
    void on_aoi_width_valueChanged(int);
    void on_aoi_height_valueChanged(int);
    void on_binning_horizontal_currentIndexChanged(int index);
    void on_subsampling_horizontal_currentIndexChanged(int index);
    void on_subsampling_vertical_currentIndexChanged(int index);
    void on_binning_vertical_currentIndexChanged(int index);
    void on_profile_activated(int index);
    void on_dialog_close_clicked();

private:
    void fillFormatList();
    void fillBinningBoxes();
    void fillSubsamplingBoxes();
    void refreshAoiControls();
    /// Shows the last profile whose caption names the AOI's width and height,
    /// or "Custom"; the camera is not changed.
    void selectMatchingProfile();
    void syncBinningBoxes();
    void syncSubsamplingBoxes();
    /// Shows each factor box that offers nothing but "1x" as a setting the
    /// camera does not offer.
    void showMissingFactors();
    /// Sets the AOI's width (horizontal) or height, lowered to a whole number
    /// of increments, and shows the size the camera took.
    void applyAoiSize(int size, bool horizontal);
    /// Sets the factor a box's item stands for and shows the resulting
    /// geometry in the other controls.
    void applyFactor(QComboBox *box, int index, void (VyraCamera::*setFactor)(int));
    /// Shows the camera's AOI limits and size and its factors.
    void showCameraGeometry();

    std::unique_ptr<Ui::ImageSizeDialog> ui;
    QSharedPointer<VyraCamera> camera;
    /// Whether the camera lists image formats to choose from.
    bool profilesOffered = false;
};
