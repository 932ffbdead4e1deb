#pragma once

#include <QDialog>
#include <QList>
#include <QSharedPointer>

#include <memory>

namespace Ui {
class AcquisitionDialog;
}
class QGroupBox;
class VyraCamera;

/// Sets the open camera's timing: pixel clock, frame rate, exposure and long
/// exposure, each pixel clock, frame rate and exposure as a slider and a spin
/// box with the permitted range written under them. Every change goes to the
/// camera at once; afterwards the ranges that depend on it are read back and
/// the controls refilled, so the dialog always shows what the camera allows.
///
/// The dialog holds the camera for as long as it exists. GUI thread only.
class AcquisitionDialog : public QDialog
{
    Q_OBJECT

public:
    /// Reads the camera's timing and fills the controls with it; a setting
    /// the camera does not offer is shown disabled, with the reason as its
    /// tooltip. Throws VyraCameraException when the camera cannot be read.
    explicit AcquisitionDialog(QSharedPointer<VyraCamera> camera, QWidget *parent = nullptr);
    ~AcquisitionDialog() override;

    /// Enables or disables the pixel clock, frame rate and exposure groups;
    /// a group of a setting the camera does not offer stays disabled.
    void setGroupsEnabled(bool pixelClock, bool framerate, bool exposure);

private slots:
    void on_exposure_longterm_stateChanged(int);
    void on_pixelclock_slider_valueChanged(int value);
    void on_pixelclock_value_valueChanged(int value);
    void on_framerate_slider_valueChanged(int value);
    void on_framerate_value_valueChanged(double value);
    void on_exposure_slider_valueChanged(int value);
    void on_exposure_value_valueChanged(double value);
    void on_dialog_close_clicked();

private:
    void initPixelClockControls(int pixelClock);
    /// Refills the frame-rate controls with the camera's range and shows
    /// framerate in it; a value the new range cannot hold goes to the camera
    /// as the range allows it.
    void refreshFramerateControls(double framerate);
    /// The same for the exposure controls and the long-exposure switch.
    void refreshExposureControls(double exposure);
    /// Sets the pixel clock and applies the frame rate and exposure the
    /// camera had before within the ranges of the new clock.
    void applyPixelClock(int pixelClock);
    /// Enables or disables a group, or shows it as a setting the camera
    /// does not offer.
    static void enableGroup(QGroupBox *group, bool enabled, bool offered,
                            const QString &notOffered);
    void applyFramerate(double framerate);
    void applyExposure(double exposure);
    /// Index into the pixel clock list of the clock a new spin box value asks
    /// for, or -1 when it asks for none.
    int requestedPixelClockIndex(int value) const;

    std::unique_ptr<Ui::AcquisitionDialog> ui;
    QSharedPointer<VyraCamera> camera;
    QList<int> pixelClockList;
    int currentPixelClock = 0;
    // Which settings the camera offers, as found when the dialog was filled.
    bool pixelClockOffered = false;
    bool framerateOffered = false;
    bool exposureOffered = false;
};
