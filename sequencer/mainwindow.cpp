#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMessageBox>
#include <QSettings>
#include <QSpacerItem>

#include <stdexcept>

#include "aboutbox.h"
#include "acquisitiondialog.h"
#include "imagesizedialog.h"
#include "messagebox.h"
#include "qtogglebutton.h"
#include "stylesheet.h"
#include "vyraautotriggerthread.h"
#include "vyracamera.h"
#include "vyracameradialog.h"
#include "vyracameraexception.h"

namespace {

const char settingsOrganisation[] = "Quellmark";
const char settingsApplication[] = "Vyra Sequencer";

QString noCameraMessage()
{
    return QStringLiteral("No camera opened");
}

/// Deletes the settings dialogs at once, not later: each holds the camera it
/// was made for, which must be closed before another camera, or the same one
/// again, is opened.
template<typename... Dialogs> void deleteSettingsDialogs(Dialogs &...dialogs)
{
    (delete dialogs, ...);
}

/// Shows a settings dialog for the camera in place of the one shown before:
/// window-modal, deleted when closed.
template<typename Dialog> void showSettingsDialog(QPointer<Dialog> &current, Dialog *dialog)
{
    delete current;
    current = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    // The Events dock is kept in the form for the layout it was designed
    // with, but the window has no events to list.
    ui->dw_event->deleteLater();
    setStyleSheet(loadStyleSheet(QStringLiteral("base.qss")));
    restoreSettings();
    buildPropertyList();
    cameraDialog = new VyraCameraDialog(this);
    selectAndOpenCamera();
    if (autoTrigger)
        autoTrigger->requestStop();
    ui->action_capture->setEnabled(false);
    ui->actionAction_SingleForceTrigger->setEnabled(false);
    raise();
}

MainWindow::~MainWindow()
{
    stopAutoTrigger();
    delete ui;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    saveSettings();
    QMainWindow::closeEvent(event);
}

void MainWindow::restoreSettings()
{
    QSettings settings(QString::fromLatin1(settingsOrganisation),
                       QString::fromLatin1(settingsApplication));
    restoreGeometry(settings.value(QStringLiteral("main/geometry")).toByteArray());
    restoreState(settings.value(QStringLiteral("main/windowState")).toByteArray(), 0);
    ui->dw_cameraview->restoreGeometry(
        settings.value(QStringLiteral("displaywidget/geometry")).toByteArray());
    ui->dw_event->restoreGeometry(settings.value(QStringLiteral("event/geometry")).toByteArray());
    ui->dw_property->restoreGeometry(
        settings.value(QStringLiteral("property/geometry")).toByteArray());
    // A dock hidden in a stored state would otherwise stay out of reach: the
    // docks cannot be closed, so nothing in the window could bring it back.
    ui->dw_property->setVisible(true);
    ui->dw_cameraview->setVisible(true);
}

void MainWindow::saveSettings()
{
    QSettings settings(QString::fromLatin1(settingsOrganisation),
                       QString::fromLatin1(settingsApplication));
    settings.setValue(QStringLiteral("main/geometry"), saveGeometry());
    settings.setValue(QStringLiteral("main/windowState"), saveState(0));
    settings.setValue(QStringLiteral("displaywidget/geometry"), ui->dw_cameraview->saveGeometry());
    settings.setValue(QStringLiteral("property/geometry"), ui->dw_property->saveGeometry());
}

void MainWindow::buildPropertyList()
{
    features = Sequencer::featureCatalogue();
    for (auto feature = features.cbegin(); feature != features.cend(); ++feature)
        addPropertyItem(quint32(feature.key()), feature->name);
    ui->l_property_content->addItem(
        new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding));
}

void MainWindow::addPropertyItem(quint32 id, QString name)
{
    auto *item = new QToggleButton(id, name);
    connect(item, &QToggleButton::toggle, this, &MainWindow::propertyItemToggled);
    ui->l_property_content->addWidget(item);
    propertyItems.insert(id, item);
}

void MainWindow::on_le_property_search_textChanged(QString text)
{
    for (QToggleButton *item : qAsConst(propertyItems))
        item->setVisible(item->text().contains(text, Qt::CaseInsensitive));
}

void MainWindow::propertyItemToggled(quint32 id, bool checked)
{
    // Without a camera a toggle only changes its own look.
    if (!camera)
        return;
    if (checked)
        selectedFeatures.append(id);
    else
        selectedFeatures.removeAll(id);
}

void MainWindow::setCameraActionsEnabled(bool on)
{
    ui->action_addsequence->setEnabled(on);
    ui->action_load->setEnabled(on);
    ui->action_new->setEnabled(on);
    ui->action_run->setEnabled(on);
    ui->action_save->setEnabled(on);
    ui->action_settings->setEnabled(on);
    ui->action_imagesize->setEnabled(on);
    ui->action_loadCameraConfiguration->setEnabled(on);
    ui->action_saveCameraConfiguration->setEnabled(on);
}

void MainWindow::setControlsEnabled(bool on)
{
    for (QToggleButton *item : qAsConst(propertyItems))
        item->setEnabled(on);
    setCameraActionsEnabled(on);
    ui->gv_main->setWorkspaceEnabled(on);
}

void MainWindow::setEditingEnabled(bool on)
{
    ui->action_addsequence->setEnabled(on);
    ui->action_load->setEnabled(on);
    ui->action_new->setEnabled(on);
    ui->action_save->setEnabled(on);
    ui->action_opencamera->setEnabled(on);
    ui->gv_main->setWorkspaceEnabled(on);
    for (QToggleButton *item : qAsConst(propertyItems))
        item->setEnabled(on);
}

void MainWindow::on_action_opencamera_triggered()
{
    selectAndOpenCamera();
}

void MainWindow::selectAndOpenCamera()
{
    if (!cameraDialog)
        return;
    if (cameraDialog->exec() != QDialog::Accepted) {
        // The camera opened earlier, if any, stays in use.
        statusBar()->showMessage(noCameraMessage());
        return;
    }
    openSelectedCamera();
}

void MainWindow::openSelectedCamera()
{
    // Once a camera is chosen the previous one is given up whatever happens
    // next: a failed opening releases everything anyway. Letting go of its
    // sequencer and trigger thread before the new camera is opened closes it
    // first, so that choosing the same camera again reopens it instead of
    // failing because this window still holds it.
    letGoOfCamera();

    try {
        camera = QSharedPointer<VyraCamera>(new VyraCamera(cameraDialog->selectedDeviceId()));
    } catch (const VyraCameraException &error) {
        showCritical(this, QString::fromUtf8(error.what()));
        releaseCamera();
        return;
    }

    bool memoryMode = true;
    try {
        memoryMode = camera->isMemoryModeEnabled();
    } catch (const VyraCameraException &) {
        // Cameras that cannot tell have no such mode to be switched off.
    }
    if (!memoryMode) {
        showCritical(this, tr("Vyra Sequencer is only supported with Memory mode enabled!"));
        releaseCamera();
        return;
    }

    try {
        if (!camera->isSequencerSupported()) {
            showCritical(this, tr("Vyra Sequencer is not supported for this camera model!"));
            releaseCamera();
            return;
        }

        cameraRemoved = false;
        sequencerFramerate = 5.0;
        connect(camera.data(), &VyraCamera::cameraRemoved, this,
                &MainWindow::showCameraRemovedDialog);
        connect(camera.data(), &VyraCamera::cameraReconnected, this,
                &MainWindow::hideCameraRemovedDialog);
        connect(camera.data(), &VyraCamera::imageCaptured, ui->cameraview,
                &QDisplayWidget::setImage);

        // Resets the camera's sequence; the workspace is empty at this point.
        sequencer = QSharedPointer<Sequencer>::create(camera);
        setControlsEnabled(true);
        camera->setTriggerMode(VYRA_TRIGGER_SOFTWARE, true);
        camera->enableLiveVideo(true);

        autoTrigger = QSharedPointer<VyraAutoTriggerThread>::create(
            camera, quint64(1000.0 / sequencerFramerate));
        statusBar()->showMessage(camera->getName() + QStringLiteral(" opened"));
    } catch (const VyraCameraException &error) {
        showCritical(this, QString::fromUtf8(error.what()));
        releaseCamera();
    } catch (const std::runtime_error &error) {
        showCritical(this, QString::fromUtf8(error.what()));
        releaseCamera();
    }
}

void MainWindow::releaseCamera()
{
    // Nothing may stay bound to a camera that failed to open, or to the one
    // opened before it: the window returns to its state after a start-up
    // without a camera.
    letGoOfCamera();
    cameraRemoved = false;

    setControlsEnabled(false);
    for (QToggleButton *item : qAsConst(propertyItems))
        item->setEnabled(true);
    ui->action_saveCameraConfiguration->setEnabled(true);
    ui->action_loadCameraConfiguration->setEnabled(true);
    ui->action_deleteset->setEnabled(false);
    ui->action_capture->setEnabled(false);
    ui->actionAction_SingleForceTrigger->setEnabled(false);
    ui->action_opencamera->setEnabled(true);
    statusBar()->showMessage(noCameraMessage());
}

void MainWindow::letGoOfCamera()
{
    deleteSettingsDialogs(acquisitionDialog, imageSizeDialog);
    if (camera) {
        camera->disconnect(this);
        camera->disconnect(ui->cameraview);
    }
    stopAutoTrigger();
    autoTrigger.clear();
    sequencer.clear();
    camera.clear();
}

void MainWindow::stopAutoTrigger()
{
    if (!autoTrigger)
        return;
    autoTrigger->requestStop();
    autoTrigger->wait();
}

void MainWindow::showCameraRemovedDialog()
{
    // A removal reported by a camera given up since is no news.
    if (!camera || (sender() && sender() != camera.data()))
        return;
    cameraRemoved = true;
    setControlsEnabled(false);
    ui->action_deleteset->setEnabled(false);

    bool sequencerRunning = true;
    try {
        sequencerRunning = sequencer && sequencer->isSequencerModeEnabled();
    } catch (const VyraCameraException &) {
        // The removed camera may not answer any more; winding down a sequence
        // that does not run costs nothing.
    }
    if (sequencerRunning) {
        ui->action_run->setChecked(false);
        setEditingEnabled(false);
        if (autoTrigger)
            autoTrigger->requestStop();
        ui->action_opencamera->setEnabled(true);
        ui->action_deleteset->setEnabled(false);
    }
    showCritical(this, tr("Camera removed!\nPlease reconnect the Camera."));
}

void MainWindow::hideCameraRemovedDialog()
{
    if (!camera || (sender() && sender() != camera.data()))
        return;
    cameraRemoved = false;
    try {
        camera->setTriggerMode(VYRA_TRIGGER_SOFTWARE, true);
    } catch (const VyraCameraException &) {
        // The camera comes back in the trigger mode it had; the next start
        // of the sequence sets the mode again.
    }
    setControlsEnabled(true);
    showInformation(this, tr("Camera reconnected."));
}

void MainWindow::on_action_Cameraapplication_triggered()
{
    auto *about = new AboutBox(this);
    // A new box is made on every request; keeping closed ones would only
    // pile them up.
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->show();
}

void MainWindow::on_action_settings_triggered()
{
    if (!camera || !sequencer)
        return;
    try {
        // While the sequence runs only its frame rate may change.
        const bool sequencerRunning = sequencer->isSequencerModeEnabled();
        auto *dialog = new AcquisitionDialog(camera, this);
        dialog->setGroupsEnabled(!sequencerRunning, true, !sequencerRunning);
        showSettingsDialog(acquisitionDialog, dialog);
    } catch (const VyraCameraException &error) {
        showCritical(this, QString::fromUtf8(error.what()));
    }
}

void MainWindow::on_action_imagesize_triggered()
{
    if (!camera || !sequencer)
        return;
    try {
        // The sets of a running sequence were written for the current geometry.
        const bool sequencerRunning = sequencer->isSequencerModeEnabled();
        auto *dialog = new ImageSizeDialog(camera, this);
        dialog->setSizeControlsEnabled(!sequencerRunning);
        showSettingsDialog(imageSizeDialog, dialog);
    } catch (const VyraCameraException &error) {
        showCritical(this, QString::fromUtf8(error.what()));
    }
}

void MainWindow::on_action_Cameraqt_triggered()
{
    QMessageBox::aboutQt(this, QString());
}

void MainWindow::on_action_exitapp_triggered()
{
    QCoreApplication::exit(0);
}
