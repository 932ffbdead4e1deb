#include "recordingcontrol.h"

#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QStatusBar>

#include <stdexcept>

#include "imagelabels.h"
#include "messagebox.h"
#include "sequencer.h"
#include "vyracamera.h"
#include "vyracameraexception.h"

namespace {

// A new folder inside parent named by the time; a second recording in the
// same second gets a number behind it.
QString makeTimedFolder(const QString &parent)
{
    const QDir base(parent);
    if (!base.mkpath(QStringLiteral(".")))
        return QString();
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const QString name = attempt == 1 ? stamp : stamp + QStringLiteral("-%1").arg(attempt);
        if (!base.exists(name) && base.mkdir(name))
            return base.filePath(name);
    }
    return QString();
}

} // namespace

const QString RecordingControl::sequencerFileName = QStringLiteral("sequencer.xml");
const QString RecordingControl::cameraFileName = QStringLiteral("camera.ini");

RecordingControl::RecordingControl(QWidget *window, QStatusBar *statusBar, QObject *parent)
    : QObject(parent), m_window(window), m_statusBar(statusBar), m_progress(new QLabel(statusBar))
{
    m_progress->setObjectName(QStringLiteral("recordingProgress"));
    m_statusBar->addPermanentWidget(m_progress);
    m_progress->hide();
    m_timer.setInterval(250);
    connect(&m_timer, &QTimer::timeout, this, &RecordingControl::showProgress);
}

RecordingControl::~RecordingControl()
{
    m_attachment.detach();
}

bool RecordingControl::start(const ImageRecorder::Settings &settings,
                             const QSharedPointer<VyraCamera> &camera,
                             const QSharedPointer<Sequencer> &sequencer, const LabelSource &labels)
{
    if (isActive() || !camera || !sequencer)
        return false;
    std::shared_ptr<const ImageLabels> startLabels;
    VyraCamera::Identity identity;
    try {
        startLabels = labels();
        identity = camera->identity();
    } catch (const VyraCameraException &error) {
        showCritical(m_window,
                     tr("The recording could not start: %1").arg(QString::fromUtf8(error.what())));
        return false;
    }
    const QString folder = prepareFolder(settings.folder, camera, sequencer);
    if (folder.isEmpty())
        return false;

    ImageRecorder::Settings recording = settings;
    recording.folder = folder;
    m_recorder = std::make_unique<ImageRecorder>(recording, startLabels, identity.model,
                                                 identity.serialNumber);
    connect(m_recorder.get(), &ImageRecorder::finished, this, &RecordingControl::finish);
    ImageRecorder *recorder = m_recorder.get();
    m_attachment = camera->images().attach(
        [recorder](const QSharedPointer<QImage> &image) { recorder->take(image); });
    m_labels = labels;
    m_folder = folder;
    m_endReason.clear();
    m_stoppedByUser = false;
    m_progress->show();
    m_timer.start();
    showProgress();
    emit stateChanged();
    return true;
}

QString RecordingControl::prepareFolder(const QString &parent,
                                        const QSharedPointer<VyraCamera> &camera,
                                        const QSharedPointer<Sequencer> &sequencer)
{
    const QString folder = makeTimedFolder(parent);
    if (folder.isEmpty()) {
        showCritical(m_window, tr("The recording could not start: no folder can be made in %1.")
                                   .arg(QDir::toNativeSeparators(parent)));
        return QString();
    }
    try {
        sequencer->saveConfiguration(QDir(folder).filePath(sequencerFileName));
        camera->parameterSetSave(QDir(folder).filePath(cameraFileName));
    } catch (const VyraCameraException &error) {
        // Only the copies are in the new folder; a recording that does not
        // start leaves nothing behind.
        QDir(folder).removeRecursively();
        showCritical(m_window,
                     tr("The recording could not start: the configuration could not "
                        "be saved in %1.\n\n%2")
                         .arg(QDir::toNativeSeparators(folder), QString::fromUtf8(error.what())));
        return QString();
    }
    return folder;
}

void RecordingControl::stop(const QString &reason)
{
    if (!isRecording())
        return;
    m_endReason = reason;
    m_stoppedByUser = reason.isEmpty();
    // No image arrives after the detach; the recorder writes out the rest.
    m_attachment.detach();
    m_recorder->stop();
    showProgress();
    emit stateChanged();
}

bool RecordingControl::isRecording() const
{
    return m_recorder && m_recorder->progress().taking;
}

bool RecordingControl::isActive() const
{
    return m_recorder != nullptr;
}

QString RecordingControl::folder() const
{
    return m_folder;
}

void RecordingControl::showProgress()
{
    if (!m_recorder)
        return;
    const ImageRecorder::Progress progress = m_recorder->progress();
    if (progress.taking && !m_recorder->recordsSequence() && m_labels) {
        // Live images carry the camera's values, which the editors may change.
        try {
            m_recorder->setLabels(m_labels());
        } catch (const VyraCameraException &) {
            // The values read before stay; a camera that is gone ends the
            // recording anyway.
        }
    }
    const int cycles = m_recorder->settings().cycles;
    QString text;
    if (!progress.taking)
        text = tr("Finishing the recording: %1 images to write").arg(progress.queued);
    else if (progress.cycle == 0)
        text = tr("Recording: waiting for the first cycle");
    else if (cycles > 0)
        text = tr("Recording cycle %1 of %2").arg(progress.cycle).arg(cycles);
    else
        text = tr("Recording cycle %1").arg(progress.cycle);
    if (progress.cycle > 0 || !progress.taking)
        text += tr(": %1 images written, %2 dropped").arg(progress.written).arg(progress.dropped);
    m_progress->setText(text);
}

void RecordingControl::finish()
{
    m_attachment.detach();
    m_timer.stop();
    m_progress->hide();
    const ImageRecorder::Progress progress = m_recorder->progress();
    const QString failure = m_recorder->failure();
    // The recorder's own signal brought us here: it goes once the signal is done.
    m_recorder.release()->deleteLater();
    emit stateChanged();

    const QString where = QDir::toNativeSeparators(m_folder);
    if (!failure.isEmpty()) {
        m_statusBar->showMessage(tr("Recording failed"));
        showCritical(m_window, tr("The recording ended early: %1\n\nThe %2 images written before "
                                  "are complete and listed in %3 in %4.")
                                   .arg(failure)
                                   .arg(progress.written)
                                   .arg(RecordingWriter::listName, where));
    } else if (progress.dropped > 0) {
        m_statusBar->showMessage(endMessage(progress));
        showWarning(m_window, endMessage(progress) +
                                  tr("\n\n%1 images were dropped because the disk could not keep "
                                     "up; %2 lists the images written.")
                                      .arg(progress.dropped)
                                      .arg(RecordingWriter::listName));
    } else {
        m_statusBar->showMessage(endMessage(progress));
    }
    emit recordingEnded(m_folder);
}

QString RecordingControl::endMessage(const ImageRecorder::Progress &progress) const
{
    QString head;
    if (!m_endReason.isEmpty())
        head = tr("Recording ended, %1").arg(m_endReason);
    else if (m_stoppedByUser)
        head = tr("Recording stopped");
    else
        head = tr("Recording complete");
    head += tr(": %1 images in %2").arg(progress.written).arg(QDir::toNativeSeparators(m_folder));
    // Fusing at full size can fall behind a fast sequence.
    if (progress.fusionsSkipped > 0)
        head += tr(" (%1 cycles not fused)").arg(progress.fusionsSkipped);
    return head;
}
