#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QHash>
#include <QImage>
#include <QList>
#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QSharedPointer>
#include <QString>

#include <memory>

#include "sequencer.h"

namespace Ui {
class MainWindow;
}
class AcquisitionDialog;
class ExposureViews;
class ImageOutlets;
class ImageSizeDialog;
class QCloseEvent;
class QLabel;
class QMessageBox;
class QProgressDialog;
class QToggleButton;
class SequenceEditor;
class SequenceModel;
class SequencePreview;
class SequenceRun;
class SequencerWorkspace;
class VyraCamera;
class VyraCameraDialog;
class VyraCameraException;

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

public slots:
    /// Paces the software triggers of a running sequence to the camera's
    /// frame rate, at most ten a second.
    void onFramerateChanged(double fps);
    /// Marks the set with this index while the sequence runs; -1 clears
    /// every mark.
    void onActiveSetChanged(int nActiveSet);

protected:
    /// Saves the window layout; closing is never refused.
    void closeEvent(QCloseEvent *event) override;

private slots:
    void sequencerSetSelectedEvent(bool selected);
    void propertyItemToggled(quint32 id, bool checked);
    void on_action_opencamera_triggered();
    void on_action_save_triggered();
    void on_action_load_triggered();
    void on_action_new_triggered();
    void on_action_run_toggled(bool toggled);
    void on_action_Cameraapplication_triggered();
    void on_action_Cameraqt_triggered();
    void on_action_deleteset_triggered();
    void on_action_addsequence_triggered();
    void on_action_duplicateset_triggered();
    void on_action_generatesets_triggered();
    void on_le_property_search_textChanged(QString text);
    void showCameraRemovedDialog();
    void hideCameraRemovedDialog();
    void on_action_exitapp_triggered();
    void on_action_saveCameraConfiguration_triggered();
    void on_action_loadCameraConfiguration_triggered();
    void loadCameraConfigurationFinished();
    void saveCameraConfigurationFinished();
    void on_action_capture_toggled(bool arg1);
    void on_actionAction_SingleForceTrigger_triggered();
    void on_action_settings_triggered();
    void on_action_imagesize_triggered();
    /// Marks the set that took the image now on screen.
    void showSetOfImage(QSharedPointer<QImage> image);
    void updatePreviewFramerate();
    /// The run rate's limit follows the camera's highest rate for the
    /// sequence's longest exposure, saying so when the run rate goes down.
    void followHighestRunRate();
    void on_action_saveImage_triggered();
    void on_action_record_toggled(bool on);
    void on_action_captureCycle_triggered();
    void on_action_undo_triggered();
    void on_action_redo_triggered();

private:
    void restoreSettings();
    /// Without a stored layout: most of the screen, in its middle.
    void sizeForFirstStart();
    /// Without a stored layout: the Camera Image dock as wide as a fair
    /// share of the window.
    void giveImageItsShare();
    void addSequencerFramerateBox();
    /// The run rate of the last session, and each new one kept for the next.
    void keepRunRate();
    /// The sequence's window: editors, toggles, Undo and Redo follow the
    /// model, and the user's edits go through the sequence editor.
    void connectSequence();
    /// Checks the toggles of the features the sequence varies, and only those.
    void showFeatures();
    /// Which features the open camera lacks, with the reason its toggle shows.
    void findFeaturesNotOffered();
    /// Which camera is open, shown in the status bar until another is.
    void showCameraStatus(const QString &text);
    /// The rate the camera runs at while no sequence runs: while sets are
    /// being built, the rate the sequence will run at; otherwise live video.
    double previewFramerate() const;
    void saveSettings();
    void buildPropertyList();
    void addPropertyItem(quint32 id, QString name);
    void selectAndOpenCamera();
    /// Runs the camera dialog; true when a camera was chosen.
    bool cameraChosen();
    void openSelectedCamera();
    void releaseCamera();
    /// Drops the camera, its sequencer and its run (triggers stopped and
    /// waited for); the camera closes once nothing else holds it.
    void letGoOfCamera();
    /// Brings every command, the run button's check and text and the marked
    /// set in line with the camera, its run state and a running
    /// camera-configuration task.
    void showCommandState();
    /// A camera is open, plugged in and not busy with a configuration task.
    bool cameraUsable() const;
    /// The sequence may be edited: the camera is usable and runs no sequence.
    bool sequenceEditable() const;
    void startRun();
    void stopRun();

    SequencerWorkspace *workspace() const;
    /// Asks before the sets on screen are thrown away; true when there are
    /// none or the user lets them go.
    bool mayDiscardSequence();
    /// Removes every set and unchecks every feature toggle; the history of
    /// edits begins anew.
    void clearSequence();
    /// Save: asks for a file and saves the sequence into it; true when saved.
    bool saveSequence();
    /// Asks Save, Discard or Cancel when the sequence changed since it was
    /// last saved, loaded or cleared; true when the window may close.
    bool mayCloseSequence();
    /// The set selected shows in the live camera; without one, live video's
    /// own values do.
    void showPreviewOrLiveValues();
    /// Whether the camera can take every value of the sequence; if not, says
    /// which values it cannot take, and why, under the heading.
    bool sequenceFitsCamera(const QString &heading);
    /// A sequence file the camera refused, with the driver's reason.
    void showLoadFailure(const VyraCameraException &error);
    /// Shows what is true about the camera's connection now. A box still
    /// open from an earlier change is brought up to date instead of another
    /// one being stacked on it.
    void showConnectionMessage(const QString &text, bool connected);

    QProgressDialog *showProgress(const QString &label);
    /// Runs a camera-configuration task in the background; the camera's
    /// commands stay off until it ends.
    void startCameraTask(QFutureWatcher<bool> &watcher, const QString &label,
                         const QFuture<bool> &task);
    void finishCameraTask(QFutureWatcher<bool> &watcher, const QString &failure);
    bool cameraTaskRunning() const;
    void waitForCameraTasks();

    Ui::MainWindow *ui;
    Sequencer::FeatureCatalogue features;
    // The sequence, and every edit of it as a step of Undo.
    SequenceModel *sequenceModel = nullptr;
    SequenceEditor *sequenceEditor = nullptr;
    QSharedPointer<VyraCamera> camera;
    QSharedPointer<Sequencer> sequencer;
    QMap<quint32, QToggleButton *> propertyItems;
    // Features the open camera lacks: their toggles are off, the reason
    // their tooltip.
    QHash<quint32, QString> featuresNotOffered;
    std::unique_ptr<SequenceRun> sequenceRun;
    std::unique_ptr<SequencePreview> sequencePreview;
    // Statistics, thumbnails, Save Image and recording: the camera's images
    // besides the display.
    ImageOutlets *imageOutlets = nullptr;
    // Zoom, pixel read-out, clipping marks, histogram and fused view.
    ExposureViews *exposureViews = nullptr;
    // One camera-configuration task runs at a time.
    QPointer<QProgressDialog> progressDialog;
    QPointer<QMessageBox> connectionMessage;
    // The settings dialog open now, if any; each deletes itself when closed.
    QPointer<ImageSizeDialog> imageSizeDialog;
    QPointer<AcquisitionDialog> acquisitionDialog;
    VyraCameraDialog *cameraDialog = nullptr;
    bool cameraRemoved = false;
    QFutureWatcher<bool> saveWatcher;
    QFutureWatcher<bool> loadWatcher;
    QAction *sequencerFramerateAction = nullptr;
    QLabel *cameraStatus = nullptr;
    // The open camera's name, as the camera list gave it when it was opened.
    QString cameraName;
    // Sets are being generated: the camera runs at the run rate, whose
    // limits the new sets are made for.
    bool generatingSets = false;
};
