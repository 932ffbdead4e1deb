#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QCloseEvent>
#include <QScopeGuard>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QRegExp>
#include <QScreen>
#include <QSettings>
#include <QSignalBlocker>
#include <QSpacerItem>

#include <algorithm>
#include <utility>
#include <stdexcept>

#include "aboutbox.h"
#include "acquisitiondialog.h"
#include "cyclelabel.h"
#include "exposureviews.h"
#include "generatesetsdialog.h"
#include "imageoutlets.h"
#include "imagesizedialog.h"
#include "messagebox.h"
#include "ownthreadtask.h"
#include "qtogglebutton.h"
#include "camerafeature.h"
#include "cameralimits.h"
#include "sequenceeditor.h"
#include "sequenceloader.h"
#include "sequencemodel.h"
#include "sequencepreview.h"
#include "sequencerframerate.h"
#include "sequencerframeratebox.h"
#include "sequencerun.h"
#include "sequencerworkspace.h"
#include "stylesheet.h"
#include "vyracamera.h"
#include "vyracameradialog.h"
#include "vyracameraexception.h"
#include "vyraframeinfo.h"

namespace {

const char settingsOrganisation[] = "Quellmark";
const char settingsApplication[] = "Vyra Sequencer";

// The run rate of the last session.
const char runRateKey[] = "sequencer/framerate";
// A first start takes this share of the screen's width and height.
constexpr double firstStartScreenShare = 0.85;
// ... and at most this share of its width, to show the whole tool bar.
constexpr double firstStartWidestScreenShare = 0.97;
// A first start gives the Camera Image dock this share of the window's width.
constexpr double firstStartImageShare = 0.36;
// Hints about values the camera could not take stay this long.
constexpr int hintMilliseconds = 10000;
// Rates closer than this are the same rate: the camera rounds the rates it
// takes to its clock.
constexpr double rateTolerance = 0.005;

QString noCameraMessage()
{
    return QStringLiteral("No camera opened");
}

QString withSuffix(const QString &name, const QString &suffix)
{
    // Only a lower-case suffix counts: "SEQ.XML" becomes "SEQ.XML.xml".
    if (QRegExp(QStringLiteral("\\") + suffix + QStringLiteral("$")).indexIn(name) < 0)
        return name + suffix;
    return name;
}

bool saveCameraConfigurationTask(const QString &name, const QSharedPointer<VyraCamera> &camera)
{
    if (!camera)
        return false;
    try {
        camera->parameterSetSave(withSuffix(name, QStringLiteral(".ini")));
        return true;
    } catch (const VyraCameraException &) {
        return false;
    }
}

bool loadCameraConfigurationTask(const QString &name, const QSharedPointer<VyraCamera> &camera)
{
    if (!camera)
        return false;
    try {
        camera->parameterSetLoad(name);
        return true;
    } catch (const VyraCameraException &) {
        return false;
    }
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
    // Menus show their status tips as passing messages; the open camera
    // stays beside them.
    cameraStatus = new QLabel(this);
    cameraStatus->setObjectName(QStringLiteral("l_camerastatus"));
    statusBar()->addPermanentWidget(cameraStatus);
    sequenceModel = new SequenceModel(this);
    sequenceEditor = new SequenceEditor(sequenceModel, this);
    statusBar()->insertPermanentWidget(0, new CycleLabel(sequenceModel, this));
    keepRunRate();
    addSequencerFramerateBox();
    restoreSettings();
    connectSequence();
    connect(&loadWatcher, &QFutureWatcher<bool>::finished, this,
            &MainWindow::loadCameraConfigurationFinished);
    connect(&saveWatcher, &QFutureWatcher<bool>::finished, this,
            &MainWindow::saveCameraConfigurationFinished);
    // The set marked is always the one that took the image on screen.
    connect(ui->cameraview, &QDisplayWidget::imageShown, this, &MainWindow::showSetOfImage);
    imageOutlets = new ImageOutlets(this, ui->cameraview, workspace(), sequenceModel);
    connect(imageOutlets, &ImageOutlets::recordingChanged, this, &MainWindow::showCommandState);
    exposureViews = new ExposureViews(this, ui->cameraview, ui->dw_cameraview, ui->dw_property,
                                      ui->menuHelp, ui->m_file, ui->action_saveImage, imageOutlets);
    buildPropertyList();
    cameraDialog = new VyraCameraDialog(this);
    showCommandState();
    selectAndOpenCamera();
    raise();
}

MainWindow::~MainWindow()
{
    // A camera-configuration task must not outlive the window's camera.
    waitForCameraTasks();
    // A recording writes out what it took before the camera goes; the
    // widgets that go after it no longer reach it. The fused view stops
    // reading its latest images first.
    exposureViews->releaseCamera();
    delete std::exchange(imageOutlets, nullptr);
    sequenceRun.reset();
    delete ui;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!mayCloseSequence()) {
        event->ignore();
        return;
    }
    saveSettings();
    QMainWindow::closeEvent(event);
}

void MainWindow::addSequencerFramerateBox()
{
    auto *box = new SequencerFramerateBox(&sequenceModel->runRate(), this);
    // Beside the command that starts the sequence, before the separator
    // that follows it.
    const QList<QAction *> items = ui->tb_mainwindow->actions();
    const int run = items.indexOf(ui->action_run);
    sequencerFramerateAction = ui->tb_mainwindow->insertWidget(items.value(run + 1), box);
    sequencerFramerateAction->setObjectName(QStringLiteral("action_sequencerframerate"));
    sequencerFramerateAction->setEnabled(false);
}

void MainWindow::keepRunRate()
{
    SequencerFramerate &runRate = sequenceModel->runRate();
    QSettings settings(QString::fromLatin1(settingsOrganisation),
                       QString::fromLatin1(settingsApplication));
    bool ok = false;
    const double stored = settings.value(QString::fromLatin1(runRateKey)).toDouble(&ok);
    // A value edited by hand into something else than a rate is forgotten.
    if (ok)
        runRate.setValue(stored);
    // The rate asked for is kept, not the one a slow camera had to take.
    connect(&runRate, &SequencerFramerate::changed, this, [this] {
        QSettings(QString::fromLatin1(settingsOrganisation), QString::fromLatin1(settingsApplication))
            .setValue(QString::fromLatin1(runRateKey), sequenceModel->runRate().requested());
    });
}

void MainWindow::connectSequence()
{
    SequencerWorkspace *sets = workspace();
    sets->setModel(sequenceModel);
    sets->setSetActions({ui->action_duplicateset, ui->action_deleteset});
    connect(sets, &SequencerWorkspace::sequencerSetSelectedEvent, this,
            &MainWindow::sequencerSetSelectedEvent);
    connect(sets, &SequencerWorkspace::setEdited, sequenceEditor, &SequenceEditor::editSet);
    connect(sets, &SequencerWorkspace::selectedSetChanged, this, [this](int index) {
        sequenceEditor->endEditSteps();
        if (sequencePreview)
            sequencePreview->show(index);
    });
    connect(sets, &SequencerWorkspace::editorValueLimited, this,
            [this](const QString &explanation) {
                statusBar()->showMessage(explanation, hintMilliseconds);
            });
    connect(sequenceModel, &SequenceModel::holdsSetsChanged, this, [this](bool holdsSets) {
        // New, or Delete Set of the last set: live video gets its own values back.
        if (!holdsSets && sequencePreview)
            sequencePreview->restoreLiveValues();
        updatePreviewFramerate();
    });
    connect(&sequenceModel->runRate(), &SequencerFramerate::changed, this,
            &MainWindow::updatePreviewFramerate);
    connect(sequenceModel, &SequenceModel::sequenceChanged, this, [this] {
        showFeatures();
        showCommandState();
        followHighestRunRate();
    });
    connect(sequenceModel, &SequenceModel::setChanged, this, &MainWindow::followHighestRunRate);
    QUndoStack *history = sequenceEditor->undoStack();
    connect(history, &QUndoStack::indexChanged, this, &MainWindow::showCommandState);
    connect(history, &QUndoStack::undoTextChanged, this, [this](const QString &text) {
        ui->action_undo->setToolTip(text.isEmpty() ? tr("Undo") : tr("Undo %1").arg(text));
    });
    connect(history, &QUndoStack::redoTextChanged, this, [this](const QString &text) {
        ui->action_redo->setToolTip(text.isEmpty() ? tr("Redo") : tr("Redo %1").arg(text));
    });
}

void MainWindow::restoreSettings()
{
    QSettings settings(QString::fromLatin1(settingsOrganisation),
                       QString::fromLatin1(settingsApplication));
    if (!restoreGeometry(settings.value(QStringLiteral("main/geometry")).toByteArray()))
        sizeForFirstStart();
    if (!restoreState(settings.value(QStringLiteral("main/windowState")).toByteArray(), 0))
        giveImageItsShare();
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

void MainWindow::sizeForFirstStart()
{
    const QScreen *shownOn = screen();
    if (!shownOn)
        return;
    const QRect available = shownOn->availableGeometry();
    // Room is left around it for the window's frame and what else is on
    // the screen; wider, up to what the frame still leaves, where the tool
    // bar would otherwise hide commands behind its extension button.
    QSize size = (QSizeF(available.size()) * firstStartScreenShare).toSize();
    const int widest = qRound(available.width() * firstStartWidestScreenShare);
    size.setWidth(qMin(widest, qMax(size.width(), ui->tb_mainwindow->sizeHint().width())));
    resize(size);
    move(available.center() - rect().center());
}

void MainWindow::giveImageItsShare()
{
    // The image is what a camera user looks at first: without a stored
    // layout its dock takes a fair share of the window, not its minimum.
    resizeDocks({ui->dw_cameraview}, {qRound(width() * firstStartImageShare)}, Qt::Horizontal);
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

SequencerWorkspace *MainWindow::workspace() const
{
    return ui->gv_main->workspace();
}

void MainWindow::propertyItemToggled(quint32 id, bool checked)
{
    // Without a camera a toggle only changes its own look.
    if (!camera || sequenceModel->varies(id) == checked)
        return;
    if (!sequenceEditable()) {
        showFeatures();
        return;
    }
    try {
        sequenceEditor->setFeatureVaried(id, checked);
    } catch (const VyraCameraException &error) {
        // A feature switched on takes the camera's value, which it could
        // not tell.
        showCritical(this, QString::fromUtf8(error.what()));
    }
    showFeatures();
}

void MainWindow::findFeaturesNotOffered()
{
    featuresNotOffered.clear();
    // Only a camera that says it lacks a feature has it taken away: one
    // that fails to answer for another reason keeps every feature.
    const auto lacks = [this](auto &&query) {
        try {
            return !cameraOffers(query);
        } catch (const VyraCameraException &) {
            return false;
        }
    };
    if (lacks([this] { camera->flashMode(); }))
        featuresNotOffered.insert(VYRA_FEATURE_FLASH, tr("The camera has no flash output."));
    try {
        if (!camera->isMasterGainSupported() && !camera->isColorGainSupported())
            featuresNotOffered.insert(VYRA_FEATURE_GAIN, tr("The camera has no gain to set."));
    } catch (const VyraCameraException &) {
    }
    showCommandState();
}

void MainWindow::showFeatures()
{
    for (auto item = propertyItems.cbegin(); item != propertyItems.cend(); ++item)
        item.value()->setChecked(sequenceModel->varies(item.key()));
}

void MainWindow::sequencerSetSelectedEvent(bool selected)
{
    Q_UNUSED(selected);
    showCommandState();
}

bool MainWindow::mayDiscardSequence()
{
    return sequenceModel->isEmpty() ||
           askQuestion(this, tr("Do you want to discard your current Configuration?"),
                       QMessageBox::Yes, QMessageBox::No) == QMessageBox::Yes;
}

void MainWindow::clearSequence()
{
    sequenceEditor->replaceSequence(Sequence());
    // Without a camera the toggles are only looks.
    showFeatures();
}

void MainWindow::on_action_new_triggered()
{
    if (mayDiscardSequence())
        clearSequence();
}

void MainWindow::on_action_addsequence_triggered()
{
    if (!sequenceEditable())
        return;
    if (sequenceModel->setCount() >= Sequence::maximumSetCount) {
        showWarning(this, tr("Maximal Number of Sequencer Sets reached."));
        return;
    }
    try {
        sequenceEditor->addSet();
    } catch (const VyraCameraException &error) {
        showCritical(this, QString::fromUtf8(error.what()));
    } catch (const std::runtime_error &error) {
        showWarning(this, QString::fromUtf8(error.what()));
    }
}

void MainWindow::on_action_duplicateset_triggered()
{
    if (!sequenceEditable() || !workspace()->hasSelectedSet())
        return;
    try {
        sequenceEditor->duplicateSet(workspace()->selectedSet());
    } catch (const std::runtime_error &error) {
        showWarning(this, QString::fromUtf8(error.what()));
    }
}

void MainWindow::on_action_generatesets_triggered()
{
    if (!sequenceEditable())
        return;
    // The new sets are made for the run rate: the camera takes it while the
    // dialog is open, so that the limits read are those of the run.
    generatingSets = true;
    updatePreviewFramerate();
    try {
        GenerateSetsDialog dialog(GenerateSetsDialog::Camera::of(*camera),
                                  sequenceModel->setCount(), this);
        // The camera may have gone while the dialog was open.
        if (dialog.exec() == QDialog::Accepted && sequenceEditable())
            sequenceEditor->addGeneratedSets(dialog.sets(), dialog.replacesSets());
    } catch (const VyraCameraException &error) {
        showCritical(this, QString::fromUtf8(error.what()));
    } catch (const std::runtime_error &error) {
        showWarning(this, QString::fromUtf8(error.what()));
    }
    generatingSets = false;
    updatePreviewFramerate();
}

void MainWindow::on_action_deleteset_triggered()
{
    if (sequenceEditable())
        sequenceEditor->deleteSet(workspace()->selectedSet());
}

void MainWindow::on_action_undo_triggered()
{
    if (sequenceEditable())
        sequenceEditor->undoStack()->undo();
}

void MainWindow::on_action_redo_triggered()
{
    if (sequenceEditable())
        sequenceEditor->undoStack()->redo();
}

void MainWindow::on_action_save_triggered()
{
    saveSequence();
}

bool MainWindow::saveSequence()
{
    if (!sequencer || !sequenceEditable())
        return false;
    QFileDialog dialog(this, tr("Save Configuration to File"), QDir::currentPath(),
                       tr("Extensible Markup Language (*.xml)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    const QString name = withSuffix(dialog.selectedFiles().first(), QStringLiteral(".xml"));
    // A file must hold the sequence on screen: when the sets cannot be
    // written into the camera, nothing is saved.
    if (!sequenceModel->isEmpty() &&
        !sequenceFitsCamera(tr("Configuration could not be saved: the camera cannot take "
                               "these values.")))
        return false;
    sequencePreview->keepLiveValues(sequenceModel->features());
    // Writing the sets leaves the last one in the camera's parameters.
    const auto showAgain = qScopeGuard([this] { showPreviewOrLiveValues(); });
    try {
        sequencer->writeSequence(sequenceModel->sequence());
    } catch (const std::runtime_error &error) {
        showWarning(this, QString::fromUtf8(error.what()));
        return false;
    } catch (const VyraCameraException &) {
        showCritical(this, tr("Configuration could not be saved.\n\nHave you removed the Camera?"));
        return false;
    }
    try {
        sequencer->saveConfiguration(name);
        sequenceEditor->markSaved();
        return true;
    } catch (const VyraCameraException &error) {
        // Most often the file cannot be written where it was to go.
        showCritical(this, tr("Configuration could not be saved.") + QStringLiteral("\n\n") +
                               QString::fromUtf8(error.what()));
        return false;
    }
}

void MainWindow::showPreviewOrLiveValues()
{
    if (!sequencePreview)
        return;
    if (workspace()->hasSelectedSet())
        sequencePreview->show(workspace()->selectedSet());
    else
        sequencePreview->restoreLiveValues();
}

bool MainWindow::mayCloseSequence()
{
    // A sequence without sets cannot be saved, nor would closing lose one.
    if (!sequenceEditor->isModified() || sequenceModel->isEmpty() || !sequenceEditable())
        return true;
    QMessageBox *question = createMessageBox(
        this, tr("The sequence has changed since it was last saved. Do you want to save it?"),
        messageBoxTitle(), QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    question->setIcon(QMessageBox::Question);
    question->setDefaultButton(QMessageBox::Save);
    const int answer = question->exec();
    delete question;
    if (answer == QMessageBox::Save)
        return saveSequence();
    return answer == QMessageBox::Discard;
}

void MainWindow::on_action_load_triggered()
{
    if (!sequencer)
        return;
    QFileDialog dialog(this, tr("Load Configuration File"), QDir::currentPath(),
                       tr("Extensible Markup Language (*.xml)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    // Loaded sets are numbered from 0 like the camera's: they cannot join
    // sets that are kept.
    if (!mayDiscardSequence())
        return;
    SequenceLoader::Result loaded;
    const double rateAsked = sequenceModel->runRate().value();
    sequencePreview->keepLiveValues(Sequencer::featureCatalogue().keys());
    const auto showAgain = qScopeGuard([this] { showPreviewOrLiveValues(); });
    try {
        // The camera takes a file whole or not at all.
        loaded = SequenceLoader::load(*camera, *sequencer, dialog.selectedFiles().first(),
                                      rateAsked);
    } catch (const VyraCameraException &error) {
        showLoadFailure(error);
        return;
    } catch (const std::runtime_error &error) {
        showCritical(this, QString::fromUtf8(error.what()));
        return;
    }
    // The sets on screen give way only once the loaded ones are complete.
    sequenceEditor->replaceSequence(loaded.sequence);
    showFeatures();
    if (loaded.runRate < rateAsked - 0.005) {
        statusBar()->showMessage(
            tr("Run rate lowered to %1 fps: the longest exposure of the sequence needs it.")
                .arg(loaded.runRate, 0, 'f', 2),
            hintMilliseconds);
    }
    sequenceModel->runRate().setValue(loaded.runRate);
    updatePreviewFramerate();
}

bool MainWindow::sequenceFitsCamera(const QString &heading)
{
    QList<SequenceProblem> problems;
    try {
        problems = sequenceModel->sequence().problems(CameraLimits::of(*camera));
    } catch (const VyraCameraException &error) {
        showCritical(this, QString::fromUtf8(error.what()));
        return false;
    }
    if (problems.isEmpty())
        return true;
    QStringList lines;
    for (const SequenceProblem &problem : qAsConst(problems))
        lines << problem.message();
    showWarning(this, heading + QStringLiteral("\n\n") + lines.join(QLatin1Char('\n')));
    return false;
}

void MainWindow::showLoadFailure(const VyraCameraException &error)
{
    // The driver knows why: another camera model, a broken file, ...
    showCritical(this, tr("Configuration could not be loaded.") + QStringLiteral("\n\n") +
                           QString::fromUtf8(error.what()));
}

void MainWindow::on_action_saveCameraConfiguration_triggered()
{
    const QString name = QFileDialog::getSaveFileName(this, tr("Save"), QString(),
                                                      tr("Configuration File (*.ini)"));
    if (name.isEmpty())
        return;
    startCameraTask(saveWatcher, QStringLiteral("Save Camera Configuration.."),
                    runOnOwnThread(saveCameraConfigurationTask, name, camera));
}

void MainWindow::on_action_loadCameraConfiguration_triggered()
{
    const QString name = QFileDialog::getOpenFileName(this, tr("Load"), QString(),
                                                      tr("Configuration File (*.ini)"));
    if (name.isEmpty())
        return;
    startCameraTask(loadWatcher, QStringLiteral("Loading Camera Configuration.."),
                    runOnOwnThread(loadCameraConfigurationTask, name, camera));
}

void MainWindow::startCameraTask(QFutureWatcher<bool> &watcher, const QString &label,
                                 const QFuture<bool> &task)
{
    // The task has the camera to itself: its commands stay off until it ends.
    watcher.setFuture(task);
    progressDialog = showProgress(label);
    showCommandState();
}

bool MainWindow::cameraTaskRunning() const
{
    return !saveWatcher.isFinished() || !loadWatcher.isFinished();
}

void MainWindow::waitForCameraTasks()
{
    saveWatcher.waitForFinished();
    loadWatcher.waitForFinished();
}

void MainWindow::saveCameraConfigurationFinished()
{
    finishCameraTask(saveWatcher, tr("Camera Configuration could not be save!"));
}

void MainWindow::loadCameraConfigurationFinished()
{
    finishCameraTask(loadWatcher, tr("Camera Configuration could not be load!"));
    if (!camera || cameraRemoved)
        return;
    // The file may bring another pixel clock, image size or exposure, and
    // its own frame rate, which while sets exist is the run rate.
    followHighestRunRate();
    try {
        onFramerateChanged(camera->framerate());
    } catch (const VyraCameraException &) {
        // The rates stay as they were; the next run sets the camera's.
    }
}

void MainWindow::finishCameraTask(QFutureWatcher<bool> &watcher, const QString &failure)
{
    if (progressDialog) {
        // Hidden at once: the deletion waits for the event loop, and the
        // error box below runs a loop of its own in front of it.
        progressDialog->hide();
        progressDialog->deleteLater();
    }
    progressDialog.clear();
    showCommandState();
    if (!watcher.result())
        showCritical(this, failure);
}

QProgressDialog *MainWindow::showProgress(const QString &label)
{
    auto *dialog =
        new QProgressDialog(this, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
    dialog->setRange(0, 0);
    dialog->setCancelButton(nullptr);
    dialog->setLabelText(label);
    dialog->setStyleSheet(loadStyleSheet(QStringLiteral("base.qss")));
    dialog->show();
    dialog->resize(300, 65);
    return dialog;
}

void MainWindow::on_action_run_toggled(bool toggled)
{
    // What the status bar said of the sequence before no longer holds.
    statusBar()->clearMessage();
    if (toggled)
        startRun();
    else
        stopRun();
    // The button shows what the camera does, whatever was asked of it.
    showCommandState();
}

void MainWindow::startRun()
{
    if (sequenceModel->features().isEmpty()) {
        showInformation(this, tr("Please select a property to run the Sequencer."));
        return;
    }
    if (!cameraUsable() || !sequenceRun)
        return;
    sequencePreview->keepLiveValues(sequenceModel->features());
    try {
        sequenceRun->start(*sequenceModel);
    } catch (const std::runtime_error &error) {
        showWarning(this, QString::fromUtf8(error.what()));
    } catch (const VyraCameraException &error) {
        showCritical(this, QString::fromUtf8(error.what()));
    }
}

void MainWindow::stopRun()
{
    if (!sequenceRun)
        return;
    try {
        sequenceRun->stop();
    } catch (const VyraCameraException &error) {
        showCritical(this, QString::fromUtf8(error.what()));
    }
    // The sets were in the camera; live video gets its own values back.
    if (!sequenceRun->isRunning())
        sequencePreview->restoreLiveValues();
}

void MainWindow::on_action_capture_toggled(bool arg1)
{
    if (!sequenceRun)
        return;
    try {
        sequenceRun->setLive(arg1);
    } catch (const VyraCameraException &error) {
        showCritical(this, QString::fromUtf8(error.what()));
    }
    showCommandState();
}

void MainWindow::on_actionAction_SingleForceTrigger_triggered()
{
    if (sequenceModel->features().isEmpty()) {
        showInformation(this, tr("Please select a property to run the Sequencer."));
        return;
    }
    if (!cameraUsable() || !sequenceRun)
        return;
    try {
        sequenceRun->step();
    } catch (const VyraCameraException &) {
        // A trigger that cannot be given takes no image; the next press
        // tries again.
    }
}

void MainWindow::onFramerateChanged(double fps)
{
    if (!sequenceRun)
        return;
    try {
        sequenceRun->followFramerate(fps);
    } catch (const VyraCameraException &error) {
        statusBar()->showMessage(QString::fromUtf8(error.what()), hintMilliseconds);
        showCommandState();
    }
    if (sequenceModel->isEmpty())
        return;
    // While there are sets, the camera runs at the run rate whatever sets
    // it (the tool bar, the Acquisition dialog): one rate everywhere, and
    // never faster than the sequence's longest exposure allows.
    SequencerFramerate &runRate = sequenceModel->runRate();
    runRate.setValue(fps);
    if (fps <= runRate.maximum() + rateTolerance)
        return;
    statusBar()->showMessage(
        tr("The frame rate stays at %1 fps: the sequence's longest exposure allows no faster "
           "run (%2 fps asked for).")
            .arg(runRate.value(), 0, 'f', 2)
            .arg(fps, 0, 'f', 2),
        hintMilliseconds);
    try {
        camera->setFramerate(runRate.value());
    } catch (const VyraCameraException &) {
        // The camera keeps the rate it has; a run checks it at the start.
    }
}

void MainWindow::followHighestRunRate()
{
    if (!camera || cameraRemoved)
        return;
    SequencerFramerate &runRate = sequenceModel->runRate();
    const double before = runRate.value();
    try {
        runRate.setMaximum(SequenceRun::highestRate(*camera, sequenceModel->sequence()));
    } catch (const VyraCameraException &) {
        // The limit stays as the camera last told it.
        return;
    }
    if (runRate.value() < before - rateTolerance)
        statusBar()->showMessage(
            tr("Sequencer Rate lowered to %1 fps: the sequence's longest exposure allows no "
               "faster run. It goes back to %2 fps once the exposures allow it.")
                .arg(runRate.value(), 0, 'f', 2)
                .arg(runRate.requested(), 0, 'f', 2),
            hintMilliseconds);
}

void MainWindow::onActiveSetChanged(int nActiveSet)
{
    // Only a running sequence has a set in use; -1 clears every mark.
    if (!sequencer || !sequenceRun || (!sequenceRun->isRunning() && nActiveSet >= 0))
        return;
    workspace()->markSet(nActiveSet);
}

void MainWindow::showSetOfImage(QSharedPointer<QImage> image)
{
    onActiveSetChanged(VyraFrameInfo::of(*image).set);
}

double MainWindow::previewFramerate() const
{
    return sequenceModel->isEmpty() && !generatingSets ? SequenceRun::liveFramerate
                                                       : sequenceModel->runRate().value();
}

void MainWindow::updatePreviewFramerate()
{
    // The exposures and flash times a set can take end at the frame period:
    // while sets are built, the stopped camera runs at the sequence's rate,
    // so that every value the sequence can run with can be set, and the live
    // image shows each set as the sequence will take it.
    if (!sequenceRun)
        return;
    try {
        sequenceRun->setStoppedFramerate(previewFramerate());
    } catch (const VyraCameraException &) {
        // The camera keeps its rate, and the editors the ranges it allows.
    }
}

bool MainWindow::cameraUsable() const
{
    return camera && sequencer && !cameraRemoved && !cameraTaskRunning();
}

bool MainWindow::sequenceEditable() const
{
    // A running sequence is the one written into the camera.
    return cameraUsable() && !(sequenceRun && sequenceRun->isRunning());
}

void MainWindow::showCommandState()
{
    const bool opened = camera && sequencer;
    const bool usable = cameraUsable();
    const SequenceRun::State state =
        sequenceRun ? sequenceRun->state() : SequenceRun::State::Stopped;
    const bool running = state != SequenceRun::State::Stopped;
    const bool editing = sequenceEditable();
    const bool taskRunning = cameraTaskRunning();

    // Without a camera a toggle only changes its own look.
    for (auto item = propertyItems.cbegin(); item != propertyItems.cend(); ++item) {
        const QString lacking = featuresNotOffered.value(item.key());
        item.value()->setEnabled(!opened || (editing && lacking.isEmpty()));
        item.value()->setToolTip(lacking);
    }
    ui->gv_main->setWorkspaceEnabled(editing);
    for (QAction *action : {ui->action_addsequence, ui->action_generatesets, ui->action_load,
                            ui->action_new, ui->action_save})
        action->setEnabled(editing);
    // A full sequence says so before a set is asked for.
    const bool full = sequenceModel->setCount() >= Sequence::maximumSetCount;
    ui->action_addsequence->setEnabled(editing && !full);
    ui->action_addsequence->setToolTip(
        full ? tr("The sequence holds %1 sets, the most there can be.").arg(Sequence::maximumSetCount)
             : ui->action_addsequence->text());
    ui->action_undo->setEnabled(editing && sequenceEditor->undoStack()->canUndo());
    ui->action_redo->setEnabled(editing && sequenceEditor->undoStack()->canRedo());
    ui->action_deleteset->setEnabled(editing && workspace()->hasSelectedSet());
    ui->action_duplicateset->setEnabled(editing && workspace()->hasSelectedSet());
    ui->action_opencamera->setEnabled(!running && !taskRunning);
    ui->action_settings->setEnabled(usable);
    ui->action_imagesize->setEnabled(usable);
    // A loaded file brings its own frame rate, which would break a run.
    ui->action_loadCameraConfiguration->setEnabled(opened ? editing : !taskRunning);
    ui->action_saveCameraConfiguration->setEnabled(opened ? usable : !taskRunning);
    sequencerFramerateAction->setEnabled(editing);

    if (!running) {
        // No set stays marked once the camera runs no sequence.
        onActiveSetChanged(-1);
    }
    const QSignalBlocker runBlocker(ui->action_run);
    const QSignalBlocker liveBlocker(ui->action_capture);
    ui->action_run->setEnabled(usable);
    ui->action_run->setChecked(running);
    ui->action_run->setText(running ? QStringLiteral("Stop Sequencer")
                                    : QStringLiteral("Start Sequencer"));
    ui->action_capture->setEnabled(usable && running);
    ui->action_capture->setChecked(state == SequenceRun::State::RunningLive);
    ui->actionAction_SingleForceTrigger->setEnabled(usable &&
                                                    state == SequenceRun::State::RunningStepped);

    if (!imageOutlets)
        return;
    imageOutlets->followRun(running);
    const bool recording = imageOutlets->isRecording();
    const QSignalBlocker recordBlocker(ui->action_record);
    ui->action_saveImage->setEnabled(usable);
    ui->action_record->setEnabled(recording || (usable && !imageOutlets->isRecordingActive()));
    ui->action_record->setChecked(recording);
    ui->action_record->setText(recording ? tr("Stop Recording") : tr("Record…"));
    ui->action_captureCycle->setEnabled(usable && !imageOutlets->isRecordingActive());
}

void MainWindow::on_action_opencamera_triggered()
{
    if (!mayDiscardSequence())
        return;
    const bool chosen = cameraChosen();
    if (chosen && camera && cameraDialog->selectedDeviceId() == camera->deviceId()) {
        // The camera is open already: it stays, and so does its sequence.
        return;
    }
    clearSequence();
    if (chosen)
        openSelectedCamera();
}

void MainWindow::selectAndOpenCamera()
{
    if (cameraChosen())
        openSelectedCamera();
}

bool MainWindow::cameraChosen()
{
    if (cameraDialog) {
        cameraDialog->setOpenDeviceId(camera ? camera->deviceId() : -1);
        if (cameraDialog->exec() == QDialog::Accepted)
            return true;
    }
    // The camera opened earlier, if any, stays in use, and so does its name
    // in the status bar.
    if (!camera)
        showCameraStatus(noCameraMessage());
    return false;
}

void MainWindow::openSelectedCamera()
{
    // Once a camera is chosen the previous one is given up whatever happens
    // next: a failed opening releases everything anyway. Letting go of its
    // sequencer and trigger thread before the new camera is opened closes it
    // first.
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
        try {
            sequenceModel->runRate().setMinimum(camera->framerateRange().minimum);
        } catch (const VyraCameraException &) {
            // The camera takes the nearest rate it can run at.
        }
        connect(camera.data(), &VyraCamera::cameraRemoved, this,
                &MainWindow::showCameraRemovedDialog);
        connect(camera.data(), &VyraCamera::cameraReconnected, this,
                &MainWindow::hideCameraRemovedDialog);
        connect(camera.data(), &VyraCamera::imageCaptured, ui->cameraview,
                &QDisplayWidget::setImage);
        connect(camera.data(), &VyraCamera::newFramerate, this, &MainWindow::onFramerateChanged);
        // A smaller image or a faster pixel clock lets the sequence run faster.
        connect(camera.data(), &VyraCamera::imageSizeChanged, this,
                &MainWindow::followHighestRunRate);
        connect(camera.data(), &VyraCamera::pixelclockChanged, this,
                &MainWindow::followHighestRunRate);

        // Resets the camera's sequence; the workspace is empty at this point.
        sequencer = QSharedPointer<Sequencer>::create(camera);
        camera->setTriggerMode(VYRA_TRIGGER_SOFTWARE, true);
        camera->enableLiveVideo(true);
        sequenceRun = std::make_unique<SequenceRun>(camera, sequencer,
                                                    sequenceModel->runRate().value());
        sequencePreview = std::make_unique<SequencePreview>(sequenceModel, camera);
        sequenceEditor->setCamera(camera);
        workspace()->setCamera(camera);
        imageOutlets->setCamera(camera, sequencer);
        exposureViews->setCamera(camera);
        findFeaturesNotOffered();
        followHighestRunRate();
        showCommandState();
        cameraName = camera->getName();
        showCameraStatus(cameraName + QStringLiteral(" opened"));
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
    showCommandState();
    showCameraStatus(noCameraMessage());
}

void MainWindow::showCameraStatus(const QString &text)
{
    cameraStatus->setText(text);
}

void MainWindow::letGoOfCamera()
{
    statusBar()->clearMessage();
    deleteSettingsDialogs(acquisitionDialog, imageSizeDialog);
    // A task still at work on the camera finishes with it first.
    waitForCameraTasks();
    if (camera) {
        camera->disconnect(this);
        camera->disconnect(ui->cameraview);
    }
    imageOutlets->releaseCamera();
    exposureViews->releaseCamera();
    workspace()->setCamera({});
    sequenceEditor->setCamera({});
    featuresNotOffered.clear();
    sequencePreview.reset();
    sequenceRun.reset();
    sequencer.clear();
    camera.clear();
    showCommandState();
}

void MainWindow::showCameraRemovedDialog()
{
    // A removal reported by a camera given up since is no news.
    if (!camera || (sender() && sender() != camera.data()))
        return;
    cameraRemoved = true;
    statusBar()->clearMessage();
    showCameraStatus(cameraName + QStringLiteral(" removed"));
    imageOutlets->cameraRemoved();
    // The run is over: a camera that comes back starts stopped.
    if (sequenceRun)
        sequenceRun->abandon();
    showCommandState();
    showConnectionMessage(tr("Camera removed!\nPlease reconnect the Camera."), false);
}

void MainWindow::hideCameraRemovedDialog()
{
    if (!camera || (sender() && sender() != camera.data()))
        return;
    cameraRemoved = false;
    showCameraStatus(cameraName + QStringLiteral(" opened"));
    // A camera-configuration task keeps the camera to itself until it ends.
    waitForCameraTasks();
    if (sequenceRun) {
        sequenceRun->restoreStopped();
        if (!sequenceRun->isRunning())
            sequencePreview->restoreLiveValues();
    }
    showCommandState();
    showConnectionMessage(tr("Camera reconnected."), true);
}

void MainWindow::showConnectionMessage(const QString &text, bool connected)
{
    const QMessageBox::Icon icon = connected ? QMessageBox::Information : QMessageBox::Critical;
    // A loose cable comes and goes faster than anyone answers a box.
    if (connectionMessage) {
        connectionMessage->setText(text);
        connectionMessage->setIcon(icon);
        return;
    }
    connectionMessage = createMessageBox(this, text, messageBoxTitle(), QMessageBox::Ok);
    connectionMessage->setIcon(icon);
    connectionMessage->exec();
    delete connectionMessage.data();
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

void MainWindow::on_action_saveImage_triggered()
{
    imageOutlets->saveImage();
}

void MainWindow::on_action_record_toggled(bool on)
{
    imageOutlets->record(on);
    showCommandState();
}

void MainWindow::on_action_captureCycle_triggered()
{
    imageOutlets->captureCycle();
}

void MainWindow::on_action_exitapp_triggered()
{
    if (!mayCloseSequence())
        return;
    // The window is destroyed without a close event on this path; the layout
    // is kept as closing keeps it.
    saveSettings();
    QCoreApplication::exit(0);
}
