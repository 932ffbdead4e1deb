#include "imageoutlets.h"

#include <QMainWindow>
#include <QStatusBar>

#include "cyclebracket.h"
#include "imagelabels.h"
#include "imagemetadata.h"
#include "messagebox.h"
#include "qdisplaywidget.h"
#include "recorddialog.h"
#include "recordingcontrol.h"
#include "responsestore.h"
#include "sequencemodel.h"
#include "setthumbnails.h"
#include "snapshotsaver.h"
#include "statisticslabel.h"
#include "vyracamera.h"
#include "vyracameraexception.h"

namespace {

// The window's settings store, which keeps the calibrated responses.
const char settingsOrganisation[] = "Quellmark";
const char settingsApplication[] = "Vyra Sequencer";

} // namespace

ImageOutlets::ImageOutlets(QMainWindow *window, QDisplayWidget *display,
                           SequencerWorkspace *workspace, const SequenceModel *model)
    : QObject(window)
    , m_window(window)
    , m_model(model)
    , m_statisticsLabel(new StatisticsLabel(m_statistics, window->statusBar()))
    , m_thumbnails(new SetThumbnails(workspace, m_latest, this))
    , m_snapshots(new SnapshotSaver(window, this))
    , m_recording(new RecordingControl(window, window->statusBar(), this))
{
    m_recordSettings = RecordDialog::lastSettings();
    window->statusBar()->addPermanentWidget(m_statisticsLabel);
    connect(display, &QDisplayWidget::imageShown, m_statisticsLabel, &StatisticsLabel::countShown);
    connect(m_recording, &RecordingControl::stateChanged, this, &ImageOutlets::recordingChanged);
}

ImageOutlets::~ImageOutlets()
{
    // The receivers go before what they write into; the label reads the
    // statistics.
    m_latestAttachment.detach();
    m_statisticsAttachment.detach();
    delete m_statisticsLabel;
}

void ImageOutlets::setCamera(const QSharedPointer<VyraCamera> &camera,
                             const QSharedPointer<Sequencer> &sequencer)
{
    releaseCamera();
    m_camera = camera;
    m_sequencer = sequencer;
    m_latestAttachment = camera->images().attach(
        [this](const QSharedPointer<QImage> &image) { m_latest.take(image); });
    m_statisticsAttachment =
        camera->images().attach([this, source = camera.data()](const QSharedPointer<QImage> &image) {
            m_statistics.take(image, source->captureStream());
        });
    m_statisticsLabel->start();
}

void ImageOutlets::releaseCamera()
{
    if (!m_camera)
        return;
    m_recording->stop(tr("the camera was closed"));
    followRun(false);
    m_latestAttachment.detach();
    m_statisticsAttachment.detach();
    m_latest.clear();
    m_statisticsLabel->stop();
    m_camera.clear();
    m_sequencer.clear();
}

void ImageOutlets::cameraRemoved()
{
    m_recording->stop(tr("the camera was removed"));
}

void ImageOutlets::followRun(bool sequenceRuns)
{
    if (sequenceRuns == m_sequenceRuns)
        return;
    m_sequenceRuns = sequenceRuns;
    // A recording labels its images as of its start: one of the other kind ends.
    m_recording->stop(sequenceRuns ? tr("the sequence started") : tr("the sequence stopped"));
    const Sequence sequence = runSequence();
    m_statistics.restartCycles(sequence.cycle());
    m_statisticsLabel->setSetCount(sequence.setCount());
    if (sequenceRuns) {
        m_thumbnails->show(imageSize());
    } else {
        m_thumbnails->hide();
        m_latest.forgetSets();
    }
    emit runChanged(sequence);
}

Sequence ImageOutlets::runSequence() const
{
    return m_sequenceRuns ? m_model->sequence() : Sequence();
}

QSize ImageOutlets::imageSize() const
{
    try {
        return m_camera ? m_camera->aoi().size() : QSize();
    } catch (const VyraCameraException &) {
        // The thumbnails keep the shape they had.
        return QSize();
    }
}

std::shared_ptr<const ImageLabels> ImageOutlets::currentLabels() const
{
    const ImageParameters camera = ImageParameters::ofCamera(*m_camera);
    return std::make_shared<const ImageLabels>(
        m_sequenceRuns ? ImageLabels::ofSequence(runSequence(), camera)
                       : ImageLabels::live(camera));
}

void ImageOutlets::saveImage()
{
    if (!m_camera)
        return;
    const LatestImages::Entry latest = m_latest.latest();
    if (!latest.image) {
        showInformation(m_window, tr("No image has come from the camera yet."));
        return;
    }
    ImageMetadata metadata;
    try {
        const VyraFrameInfo frame = VyraFrameInfo::of(*latest.image);
        const VyraCamera::Identity identity = m_camera->identity();
        metadata = ImageMetadata{frame, currentLabels()->parametersOf(frame.set), identity.model,
                                 identity.serialNumber};
    } catch (const VyraCameraException &error) {
        showCritical(m_window,
                     tr("The image could not be saved: %1").arg(QString::fromUtf8(error.what())));
        return;
    }
    m_snapshots->save(latest.image, metadata);
}

void ImageOutlets::record(bool on)
{
    if (on)
        startRecording(m_recordSettings.cycles, true);
    else
        m_recording->stop();
}

void ImageOutlets::captureCycle()
{
    startRecording(1, false);
}

void ImageOutlets::startRecording(int cycles, bool ask)
{
    if (!m_camera || m_recording->isActive())
        return;
    ImageRecorder::Settings settings = m_recordSettings;
    settings.cycles = cycles;
    // A cycle's fused image and radiance are made only of a bracket whose
    // images show one part of the sensor.
    const QString whyNoCycleImages = CycleBracket::whyNotMergeable(runSequence());
    if (ask) {
        RecordDialog dialog(settings, m_window);
        dialog.setCycleImagesOffered(whyNoCycleImages);
        if (dialog.exec() != QDialog::Accepted)
            return;
        settings = dialog.settings();
        m_recordSettings = settings;
    }
    if (!whyNoCycleImages.isEmpty()) {
        settings.fuseCycles = false;
        settings.mergeRadiance = false;
    }
    if (settings.mergeRadiance && m_camera) {
        try {
            settings.response = ResponseStore(QString::fromLatin1(settingsOrganisation),
                                              QString::fromLatin1(settingsApplication))
                                    .responseFor(m_camera->identity().model);
        } catch (const VyraCameraException &error) {
            showCritical(
                m_window,
                tr("The recording could not start: %1").arg(QString::fromUtf8(error.what())));
            return;
        }
    }
    // The camera may have gone while the dialog was open.
    m_recording->start(settings, m_camera, m_sequencer, [this] { return currentLabels(); });
}

bool ImageOutlets::isRecording() const
{
    return m_recording->isRecording();
}

bool ImageOutlets::isRecordingActive() const
{
    return m_recording->isActive();
}

const LatestImages &ImageOutlets::latestImages() const
{
    return m_latest;
}
