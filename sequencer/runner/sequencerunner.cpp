#include "sequencerunner.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <climits>
#include <cmath>
#include <stdexcept>

#include "camerachoice.h"
#include "cameralimits.h"
#include "imagelabels.h"
#include "imageparameters.h"
#include "recordingsession.h"
#include "sequenceloader.h"
#include "sequencer.h"
#include "sequencerun.h"
#include "vyracamera.h"
#include "vyracameraexception.h"
#include "vyracameralistmodel.h"

namespace {

// Rates closer than this are the same rate: the camera rounds the rates it
// takes to its clock.
constexpr double rateTolerance = 0.005;

// Messages meant for a window's box (a heading, a blank line, details)
// become one line of standard error.
QString oneLine(const QString &text)
{
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
}

QString oneLine(const char *text)
{
    return oneLine(QString::fromUtf8(text));
}

} // namespace

SequenceRunner::SequenceRunner(const RunnerOptions &options, QObject *parent)
    : QObject(parent), m_options(options)
{
    m_progressTimer.setInterval(RecordingSession::progressIntervalMs);
    connect(&m_progressTimer, &QTimer::timeout, this, &SequenceRunner::progressed);
    m_timeLimit.setSingleShot(true);
    connect(&m_timeLimit, &QTimer::timeout, this, [this] {
        if (m_session)
            m_session->stop();
        else
            end(RunSummary::Reason::TimeUp);
    });
}

SequenceRunner::~SequenceRunner()
{
    // Before the camera goes: a recording still going writes out what it took.
    m_session.reset();
    if (m_run && m_run->isRunning() && !m_cameraGone) {
        try {
            m_run->stop();
        } catch (const VyraCameraException &) {
            // Closing the camera ends the run as well.
        }
    }
}

void SequenceRunner::start()
{
    if (m_started || m_ended)
        return;
    // A signal that came before the event loop ran ends the run before it begins.
    if (m_interrupted) {
        m_end.reason = RunSummary::Reason::Interrupted;
        finish();
        return;
    }
    if (!openCamera() || !loadCameraFile() || !takeRate() || !loadSequence() || !startRun())
        return;
    m_started = true;
    m_clock.start();
    m_statistics.restartCycles(m_model.sequence().cycle());
    m_statisticsAttachment = m_camera->images().attach(
        [this, source = m_camera.data()](const QSharedPointer<QImage> &image) {
            m_statistics.take(image, source->captureStream());
        });
    if (!m_options.noRecord && !startRecording())
        return;
    m_progressTimer.start();
    if (m_options.seconds > 0.0)
        m_timeLimit.start(int(std::min(m_options.seconds * 1000.0, double(INT_MAX))));
}

bool SequenceRunner::openCamera()
{
    const CameraChoice choice(VyraCameraListModel::connectedCameras());
    const CameraChoice::Found found = choice.find(m_options.camera);
    if (found.deviceId < 0) {
        end(RunSummary::Reason::CameraFailed, found.error);
        return false;
    }
    try {
        m_camera = QSharedPointer<VyraCamera>(new VyraCamera(found.deviceId));
    } catch (const VyraCameraException &error) {
        end(RunSummary::Reason::CameraFailed,
            tr("the camera could not be opened: %1").arg(oneLine(error.what())));
        return false;
    }
    bool memoryMode = true;
    try {
        memoryMode = m_camera->isMemoryModeEnabled();
    } catch (const VyraCameraException &) {
        // Cameras that cannot tell have no such mode to be switched off.
    }
    try {
        if (!memoryMode) {
            end(RunSummary::Reason::CameraFailed,
                tr("the camera runs with memory mode off, which a sequence needs on"));
            return false;
        }
        if (!m_camera->isSequencerSupported()) {
            end(RunSummary::Reason::CameraFailed, tr("the camera has no sequencer"));
            return false;
        }
        connect(m_camera.data(), &VyraCamera::cameraRemoved, this, &SequenceRunner::cameraRemoved);
        connect(m_camera.data(), &VyraCamera::newFramerate, this, &SequenceRunner::followFramerate);
        m_sequencer = QSharedPointer<Sequencer>::create(m_camera);
        m_camera->setTriggerMode(VYRA_TRIGGER_SOFTWARE, true);
        m_camera->enableLiveVideo(true);
    } catch (const VyraCameraException &error) {
        end(RunSummary::Reason::CameraFailed,
            tr("the camera failed: %1").arg(oneLine(error.what())));
        return false;
    }
    return true;
}

bool SequenceRunner::loadCameraFile()
{
    const QString &path = m_options.cameraFile;
    if (path.isEmpty())
        return true;
    const QString why = unreadable(path);
    if (!why.isEmpty()) {
        end(RunSummary::Reason::FileRejected, QStringLiteral("%1: %2").arg(path, why));
        return false;
    }
    try {
        m_camera->parameterSetLoad(path);
    } catch (const VyraCameraException &error) {
        end(RunSummary::Reason::FileRejected,
            tr("%1: the camera does not take this camera configuration: %2")
                .arg(path, oneLine(error.what())));
        return false;
    }
    return true;
}

bool SequenceRunner::takeRate()
{
    SequencerFramerate &rate = m_model.runRate();
    try {
        // After the camera file, which may have brought another pixel clock.
        rate.setMinimum(m_camera->framerateRange().minimum);
    } catch (const VyraCameraException &) {
        // The camera takes the nearest rate it can run at.
    }
    if (!m_options.highestRate && m_options.rate < rate.minimum() - rateTolerance) {
        end(RunSummary::Reason::Usage,
            tr("--rate %1: a sequence runs at %2 images a second or more on this camera")
                .arg(m_options.rate)
                .arg(rate.minimum()));
        return false;
    }
    return true;
}

bool SequenceRunner::takeHighestRate()
{
    SequencerFramerate &rate = m_model.runRate();
    double fastest = 0.0;
    double highest = 0.0;
    try {
        fastest = m_camera->framerateRange().maximum;
        highest = SequenceRun::highestRate(*m_camera, m_model.sequence());
    } catch (const VyraCameraException &error) {
        end(RunSummary::Reason::CameraFailed,
            tr("the camera failed: %1").arg(oneLine(error.what())));
        return false;
    }
    if (!m_options.highestRate && m_options.rate > fastest + rateTolerance) {
        end(RunSummary::Reason::Usage,
            tr("--rate %1: the camera runs at %2 to %3 images a second at this image size; "
               "--rate max takes the highest the sequence allows")
                .arg(m_options.rate)
                .arg(rate.minimum())
                .arg(fastest));
        return false;
    }
    // Exposures too long for the rate asked for are the sequence's problem,
    // named value by value when it is checked.
    rate.setMaximum(fastest);
    rate.setValue(m_options.highestRate ? highest : m_options.rate);
    return true;
}

bool SequenceRunner::loadSequence()
{
    const QString &path = m_options.sequenceFile;
    const QString why = unreadable(path);
    if (!why.isEmpty()) {
        end(RunSummary::Reason::FileRejected, QStringLiteral("%1: %2").arg(path, why));
        return false;
    }
    SequenceLoader::Result loaded;
    try {
        const double asked =
            m_options.highestRate ? m_camera->framerateRange().maximum : m_options.rate;
        loaded = SequenceLoader::load(*m_camera, *m_sequencer, path, asked);
    } catch (const VyraCameraException &error) {
        end(RunSummary::Reason::FileRejected,
            tr("%1: the camera does not take this sequencer configuration: %2")
                .arg(path, oneLine(error.what())));
        return false;
    } catch (const std::runtime_error &error) {
        end(RunSummary::Reason::FileRejected,
            QStringLiteral("%1: %2").arg(path, oneLine(error.what())));
        return false;
    }
    if (loaded.sequence.isEmpty()) {
        end(RunSummary::Reason::FileRejected, tr("%1: the sequence has no set").arg(path));
        return false;
    }
    if (loaded.sequence.features.isEmpty()) {
        end(RunSummary::Reason::FileRejected, tr("%1: the sequence varies no feature").arg(path));
        return false;
    }
    m_model.setSequence(loaded.sequence);
    return takeHighestRate() && checkSequence(loaded.runRate);
}

bool SequenceRunner::checkSequence(double fittingRate)
{
    // The window lowers its run rate to one the exposures fit; a run without
    // a person watching keeps the rate it was asked for, or does not start.
    const double rate = m_model.runRate().value();
    QList<SequenceProblem> problems;
    try {
        m_camera->setFramerate(rate);
        problems = m_model.sequence().problems(CameraLimits::of(*m_camera));
    } catch (const VyraCameraException &error) {
        end(RunSummary::Reason::CameraFailed,
            tr("the camera failed: %1").arg(oneLine(error.what())));
        return false;
    }
    if (problems.isEmpty())
        return true;
    QStringList each;
    for (const SequenceProblem &problem : qAsConst(problems))
        each << problem.message();
    QString message = tr("%1: the camera cannot take these values at %2 images a second: %3")
                          .arg(m_options.sequenceFile)
                          .arg(rate)
                          .arg(each.join(QLatin1Char(' ')));
    if (fittingRate < rate)
        message += tr(" They fit at --rate %1.").arg(fittingRate);
    end(RunSummary::Reason::FileRejected, message);
    return false;
}

bool SequenceRunner::startRun()
{
    m_run = std::make_unique<SequenceRun>(m_camera, m_sequencer, m_model.runRate().value());
    try {
        m_run->start(m_model);
    } catch (const VyraCameraException &error) {
        end(RunSummary::Reason::CameraFailed,
            tr("the sequence could not be started: %1").arg(oneLine(error.what())));
        return false;
    } catch (const std::runtime_error &error) {
        end(RunSummary::Reason::FileRejected,
            QStringLiteral("%1: %2").arg(m_options.sequenceFile, oneLine(error.what())));
        return false;
    }
    return true;
}

bool SequenceRunner::startRecording()
{
    ImageRecorder::Settings settings;
    settings.folder = m_options.outFolder;
    settings.format = m_options.format;
    settings.cycles = m_options.cycles;
    settings.fuseCycles = m_options.fused;
    auto session = std::make_unique<RecordingSession>();
    const QString failure = session->start(settings, m_camera, m_sequencer, [this] {
        return std::make_shared<const ImageLabels>(
            ImageLabels::ofSequence(m_model.sequence(), ImageParameters::ofCamera(*m_camera)));
    });
    if (!failure.isEmpty()) {
        end(RunSummary::Reason::RecordingFailed, oneLine(failure));
        return false;
    }
    connect(session.get(), &RecordingSession::ended, this, &SequenceRunner::recordingEnded);
    m_session = std::move(session);
    return true;
}

void SequenceRunner::interrupt()
{
    if (m_ended)
        return;
    m_interrupted = true;
    // Before the start the flag is enough; while the images taken are
    // written out, the recording ends by itself.
    if (!m_started)
        return;
    if (m_session)
        m_session->stop();
    else
        end(RunSummary::Reason::Interrupted);
}

void SequenceRunner::recordingEnded()
{
    switch (m_session->outcome()) {
    case RecordingSession::Outcome::Complete:
        m_end.reason = RunSummary::Reason::Complete;
        break;
    case RecordingSession::Outcome::Stopped:
        m_end.reason = m_interrupted ? RunSummary::Reason::Interrupted : RunSummary::Reason::TimeUp;
        break;
    case RecordingSession::Outcome::Ended:
        // Stopped with a reason: the camera went.
        m_end.reason = RunSummary::Reason::CameraFailed;
        m_end.message = m_session->reason();
        break;
    case RecordingSession::Outcome::Failed:
        m_end.reason = RunSummary::Reason::RecordingFailed;
        m_end.message = oneLine(m_session->reason());
        break;
    case RecordingSession::Outcome::NotStarted:
    case RecordingSession::Outcome::Running:
        return;
    }
    finish();
}

void SequenceRunner::cameraRemoved()
{
    if (!m_started || m_ended)
        return;
    m_cameraGone = true;
    // A camera that is gone takes no command; the run is over.
    m_run->abandon();
    const QString reason = tr("the camera was removed");
    if (m_session)
        m_session->stop(reason);
    else
        end(RunSummary::Reason::CameraFailed, reason);
}

void SequenceRunner::followFramerate(double fps)
{
    if (m_run)
        m_run->followFramerate(fps);
}

void SequenceRunner::end(RunSummary::Reason reason, const QString &message)
{
    m_end.reason = reason;
    m_end.message = message;
    finish();
}

void SequenceRunner::finish()
{
    if (m_ended)
        return;
    m_ended = true;
    m_progressTimer.stop();
    m_timeLimit.stop();
    m_statisticsAttachment.detach();
    if (m_started)
        m_streamedSeconds = double(m_clock.nsecsElapsed()) / 1e9;
    if (m_run && m_run->isRunning() && !m_cameraGone) {
        try {
            m_run->stop();
        } catch (const VyraCameraException &error) {
            // A failure found before stays the one reported.
            if (m_end.exitStatus() == 0 || m_end.reason == RunSummary::Reason::Interrupted) {
                m_end.reason = RunSummary::Reason::CameraFailed;
                m_end.message =
                    tr("the camera could not be stopped: %1").arg(oneLine(error.what()));
            }
        }
    }
    m_run.reset();
    m_sequencer.clear();
    m_camera.clear();
    emit finished();
}

RunSummary SequenceRunner::summary() const
{
    RunSummary summary = m_end;
    summary.cyclesAsked = m_options.cycles;
    const StreamStatistics::Counts counts = m_statistics.counts();
    summary.received = counts.received;
    if (m_session) {
        const RecordingSession::Progress progress = m_session->progress();
        summary.recorded = true;
        summary.folder = QFileInfo(m_session->settings().folder).absoluteFilePath();
        summary.cycles = progress.images.cycle;
        summary.written = progress.images.written;
        summary.dropped = progress.images.dropped;
        summary.lost = progress.images.lost;
        summary.cyclesNotFused = progress.images.fusionsSkipped;
        summary.seconds = progress.seconds;
        summary.megabytesPerSecond = progress.megabytesPerSecond();
    } else if (m_started && m_options.noRecord) {
        summary.streamed = true;
        summary.cycles = counts.cycle;
        summary.lost = qint64(counts.lost);
        summary.seconds =
            m_streamedSeconds >= 0.0 ? m_streamedSeconds : double(m_clock.nsecsElapsed()) / 1e9;
    }
    return summary;
}

QString SequenceRunner::unreadable(const QString &path)
{
    const QFileInfo file(path);
    if (!file.exists())
        return tr("no such file");
    if (file.isDir())
        return tr("a folder, not a file");
    if (!file.isReadable())
        return tr("the file cannot be read");
    return QString();
}
