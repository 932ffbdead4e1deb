#pragma once

#include <QList>
#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QSharedPointer>
#include <QString>

#include "sequencer.h"

namespace Ui {
class MainWindow;
}
class AcquisitionDialog;
class ImageSizeDialog;
class QCloseEvent;
class QToggleButton;
class VyraAutoTriggerThread;
class VyraCamera;
class VyraCameraDialog;

/// The application's one window: the sequencer workspace in the middle, the
/// feature list on the left, the live image on the right, and the commands in
/// the tool bar and menus. It owns the open camera and everything bound to
/// it, and keeps its layout in the user's settings.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    /// Builds the window and at once lets the user pick a camera, so the
    /// camera dialog comes up before the window does.
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

protected:
    /// Saves the window layout; closing is never refused.
    void closeEvent(QCloseEvent *event) override;

private slots:
    void propertyItemToggled(quint32 id, bool checked);
    void on_action_opencamera_triggered();
    void on_action_Cameraapplication_triggered();
    void on_action_Cameraqt_triggered();
    void on_le_property_search_textChanged(QString text);
    void showCameraRemovedDialog();
    void hideCameraRemovedDialog();
    void on_action_exitapp_triggered();
    void on_action_settings_triggered();
    void on_action_imagesize_triggered();

private:
    void restoreSettings();
    void saveSettings();
    void buildPropertyList();
    void addPropertyItem(quint32 id, QString name);
    void setEditingEnabled(bool on);
    void setControlsEnabled(bool on);
    void setCameraActionsEnabled(bool on);
    void selectAndOpenCamera();
    void openSelectedCamera();
    void releaseCamera();
    /// Drops the camera, its sequencer and its trigger thread (stopped and
    /// waited for); the camera closes once nothing else holds it.
    void letGoOfCamera();
    void stopAutoTrigger();

    Ui::MainWindow *ui;
    Sequencer::FeatureCatalogue features;
    QList<quint32> selectedFeatures;
    QSharedPointer<VyraCamera> camera;
    QSharedPointer<Sequencer> sequencer;
    QMap<quint32, QToggleButton *> propertyItems;
    QSharedPointer<VyraAutoTriggerThread> autoTrigger;
    // The settings dialog open now, if any; each deletes itself when closed.
    QPointer<ImageSizeDialog> imageSizeDialog;
    QPointer<AcquisitionDialog> acquisitionDialog;
    VyraCameraDialog *cameraDialog = nullptr;
    bool cameraRemoved = false;
    double sequencerFramerate = 5.0;
};
