#include "recordingsession.h"

#include <QDir>
#include <QSaveFile>
#include <QSignalBlocker>

#include <stdexcept>
#include <utility>

#include "imagelabels.h"
#include "sequencer.h"
#include "vyracamera.h"
#include "vyracameraexception.h"

namespace {

// A new folder inside parent named by the time; a second recording in the
// same second gets a number behind it.
QString makeTimedFolder(const QString &parent, const QDateTime &time)
{
    const QDir base(parent);
    if (!base.mkpath(QStringLiteral(".")))
        return QString();
    const QString stamp = time.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const QString name = attempt == 1 ? stamp : stamp + QStringLiteral("-%1").arg(attempt);
        if (!base.exists(name) && base.mkdir(name))
            return base.filePath(name);
    }
    return QString();
}

// Local time with its offset from UTC, so that the summary says when
// wherever it is read.
QString timeText(const QDateTime &time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

} // namespace

const QString RecordingSession::sequencerFileName = QStringLiteral("sequencer.xml");
const QString RecordingSession::cameraFileName = QStringLiteral("camera.ini");
const QString RecordingSession::summaryFileName = QStringLiteral("recording.txt");

double RecordingSession::Progress::megabytesPerSecond() const
{
    return seconds > 0.0 ? double(images.bytesWritten) / 1e6 / seconds : 0.0;
}

RecordingSession::RecordingSession(RecordingWriter::FileWriter writeFile, qint64 queueBytes,
                                   QObject *parent)
    : QObject(parent), m_writeFile(std::move(writeFile)), m_queueBytes(queueBytes)
{
    m_timer.setInterval(progressIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &RecordingSession::tick);
}

RecordingSession::~RecordingSession()
{
    m_attachment.detach();
    if (m_outcome != Outcome::Running)
        return;
    // Whoever listens may be going too.
    const QSignalBlocker quiet(this);
    stop(tr("the recording was closed"));
    m_recorder->waitForFinished();
    settle();
}

QString RecordingSession::start(const ImageRecorder::Settings &settings,
                                const QSharedPointer<VyraCamera> &camera,
                                const QSharedPointer<Sequencer> &sequencer,
                                const LabelSource &labels)
{
    if (m_outcome != Outcome::NotStarted)
        return tr("The recording could not start: it has started before.");
    if (!camera || !sequencer)
        return tr("The recording could not start: no camera is open.");
    std::shared_ptr<const ImageLabels> startLabels;
    VyraCamera::Identity identity;
    try {
        startLabels = labels();
        identity = camera->identity();
    } catch (const VyraCameraException &error) {
        return tr("The recording could not start: %1").arg(QString::fromUtf8(error.what()));
    } catch (const std::runtime_error &error) {
        return tr("The recording could not start: %1").arg(QString::fromUtf8(error.what()));
    }
    m_startTime = QDateTime::currentDateTime();
    m_clock.start();
    const QString folder = makeTimedFolder(settings.folder, m_startTime);
    if (folder.isEmpty()) {
        return tr("The recording could not start: no folder can be made in %1.")
            .arg(QDir::toNativeSeparators(settings.folder));
    }
    const QString failure = prepareFolder(folder, camera, sequencer);
    if (!failure.isEmpty())
        return failure;

    m_settings = settings;
    m_settings.folder = folder;
    m_recorder = std::make_unique<ImageRecorder>(m_settings, startLabels, identity.model,
                                                 identity.serialNumber, m_writeFile, m_queueBytes);
    connect(m_recorder.get(), &ImageRecorder::finished, this, &RecordingSession::settle);
    ImageRecorder *recorder = m_recorder.get();
    m_attachment = camera->images().attach(
        [recorder, source = camera.data()](const QSharedPointer<QImage> &image) {
            recorder->take(image, source->captureStream());
        });
    m_labels = labels;
    m_outcome = Outcome::Running;
    m_timer.start();
    emit stateChanged();
    return QString();
}

QString RecordingSession::prepareFolder(const QString &folder,
                                        const QSharedPointer<VyraCamera> &camera,
                                        const QSharedPointer<Sequencer> &sequencer)
{
    try {
        sequencer->saveConfiguration(QDir(folder).filePath(sequencerFileName));
        camera->parameterSetSave(QDir(folder).filePath(cameraFileName));
    } catch (const VyraCameraException &error) {
        // Only the copies are in the new folder; a recording that does not
        // start leaves nothing behind.
        QDir(folder).removeRecursively();
        return tr("The recording could not start: the configuration could not be saved in "
                  "%1.\n\n%2")
            .arg(QDir::toNativeSeparators(folder), QString::fromUtf8(error.what()));
    }
    return QString();
}

void RecordingSession::stop(const QString &reason)
{
    if (!isRecording())
        return;
    m_stopReason = reason;
    m_stopped = true;
    // No image arrives after the detach; the recorder writes out the rest.
    m_attachment.detach();
    m_recorder->stop();
    emit stateChanged();
}

void RecordingSession::tick()
{
    if (isRecording() && !m_recorder->recordsSequence()) {
        // Live images carry the camera's values, which the editors may change.
        try {
            m_recorder->setLabels(m_labels());
        } catch (const VyraCameraException &) {
            // The values read before stay; a camera that is gone ends the
            // recording anyway.
        } catch (const std::runtime_error &) {
            // As above: the values read before stay.
        }
    }
    emit progressed();
}

void RecordingSession::settle()
{
    if (m_outcome != Outcome::Running)
        return;
    m_attachment.detach();
    m_timer.stop();
    m_endTime = QDateTime::currentDateTime();
    m_seconds = double(m_clock.nsecsElapsed()) / 1e9;
    const QString failure = m_recorder->failure();
    if (!failure.isEmpty()) {
        m_outcome = Outcome::Failed;
        m_reason = failure;
    } else if (!m_stopped) {
        m_outcome = Outcome::Complete;
    } else if (m_stopReason.isEmpty()) {
        m_outcome = Outcome::Stopped;
    } else {
        m_outcome = Outcome::Ended;
        m_reason = m_stopReason;
    }
    const QString summaryFailure = writeSummary();
    // A recording that failed already says why; its folder may be gone.
    if (!summaryFailure.isEmpty() && m_outcome != Outcome::Failed) {
        m_outcome = Outcome::Failed;
        m_reason = summaryFailure;
    }
    emit stateChanged();
    emit ended();
}

QString RecordingSession::writeSummary() const
{
    const ImageRecorder::Progress figures = m_recorder->progress();
    QString text;
    const auto line = [&text](const QString &key, const QString &value) {
        text += key + QStringLiteral(": ") + value + QLatin1Char('\n');
    };
    line(QStringLiteral("start"), timeText(m_startTime));
    line(QStringLiteral("end"), timeText(m_endTime));
    line(QStringLiteral("outcome"), outcomeText());
    line(QStringLiteral("cycles"), QString::number(figures.cycle));
    line(QStringLiteral("written"), QString::number(figures.written));
    line(QStringLiteral("dropped"), QString::number(figures.dropped));
    line(QStringLiteral("lost"), QString::number(figures.lost));
    // Only a sequence's cycles are fused and merged.
    if (m_settings.fuseCycles && ImageRecorder::canFuseCycles() && m_recorder->recordsSequence())
        line(QStringLiteral("not fused"), QString::number(figures.fusionsSkipped));
    if (m_settings.mergeRadiance && m_recorder->recordsSequence())
        line(QStringLiteral("not merged"), QString::number(figures.radianceSkipped));

    // Written whole under a temporary name and renamed into place, as the
    // images are: recording.txt is complete or not there.
    QSaveFile file(QDir(m_settings.folder).filePath(summaryFileName));
    const QByteArray bytes = text.toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return QString();
    return tr("%1 could not be written: %2").arg(summaryFileName, file.errorString());
}

QString RecordingSession::outcomeText() const
{
    switch (m_outcome) {
    case Outcome::Complete:
        return QStringLiteral("complete");
    case Outcome::Stopped:
        return QStringLiteral("stopped");
    case Outcome::Ended:
        return QStringLiteral("ended: ") + m_reason;
    case Outcome::Failed:
        return QStringLiteral("failed: ") + m_reason;
    case Outcome::NotStarted:
    case Outcome::Running:
        break;
    }
    return QString();
}

bool RecordingSession::isRecording() const
{
    return m_outcome == Outcome::Running && m_recorder->progress().taking;
}

bool RecordingSession::isActive() const
{
    return m_outcome == Outcome::Running;
}

RecordingSession::Outcome RecordingSession::outcome() const
{
    return m_outcome;
}

QString RecordingSession::reason() const
{
    return m_reason;
}

const ImageRecorder::Settings &RecordingSession::settings() const
{
    return m_settings;
}

RecordingSession::Progress RecordingSession::progress() const
{
    Progress progress;
    if (m_recorder)
        progress.images = m_recorder->progress();
    if (m_outcome == Outcome::Running)
        progress.seconds = double(m_clock.nsecsElapsed()) / 1e9;
    else
        progress.seconds = m_seconds;
    return progress;
}

QDateTime RecordingSession::startTime() const
{
    return m_startTime;
}

QDateTime RecordingSession::endTime() const
{
    return m_endTime;
}
