#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

#include "imagefanout.h"
#include "imagerecorder.h"

class ImageLabels;
class Sequencer;
class VyraCamera;

/// One recording of the camera's images, everything about it but showing
/// it: start() makes the recording's folder (named by the start time, inside
/// the folder asked for) with copies of the sequencer configuration
/// (sequencer.xml) and the camera parameters (camera.ini), and attaches an
/// ImageRecorder to the camera's images. While it runs, progress() gives the
/// figures and progressed() comes a few times a second; when it ends,
/// ended() comes once, outcome() and reason() say how, and recording.txt
/// in the folder keeps the figures (start, end, outcome, cycles, images
/// written, dropped by the writer, lost by the camera, and the cycles not
/// fused or not merged where those were asked for).
///
/// Failures come back as text for the caller to show: a recording that
/// cannot start says why and leaves nothing behind. One session is one
/// recording. It lives on the thread that runs the event loop (the GUI or
/// main thread); signals come on that thread.
class RecordingSession : public QObject
{
    Q_OBJECT

public:
    /// The labels for the images to come; may throw VyraCameraException.
    /// Called at the start, and again a few times a second while live video
    /// is recorded (its images carry the camera's values, which may change).
    using LabelSource = std::function<std::shared_ptr<const ImageLabels>()>;

    enum class Outcome {
        /// Not started, or it cannot start.
        NotStarted,
        /// Taking images, or writing out those taken.
        Running,
        /// The cycles asked for are written.
        Complete,
        /// stop() without a reason.
        Stopped,
        /// stop() with a reason (reason()).
        Ended,
        /// Writing failed (reason()); what was written before is complete and listed.
        Failed,
    };

    struct Progress
    {
        ImageRecorder::Progress images;
        /// Since the start; stands still once the recording ended.
        double seconds = 0.0;
        /// Megabytes (10^6 bytes) written per second since the start.
        double megabytesPerSecond() const;
    };

    static const QString sequencerFileName;
    static const QString cameraFileName;
    /// The figures of the recording, written when it ends.
    static const QString summaryFileName;
    /// How often progressed() comes.
    static constexpr int progressIntervalMs = 250;

    /// writeFile and queueBytes as for ImageRecorder.
    explicit RecordingSession(RecordingWriter::FileWriter writeFile = {},
                              qint64 queueBytes = ImageRecorder::defaultQueueBytes,
                              QObject *parent = nullptr);
    /// A recording still running is ended ("the recording was closed") and
    /// everything it took is written, with its summary; ended() does not come.
    ~RecordingSession() override;

    /// Starts recording the camera's images as settings asks, in a new folder
    /// inside settings.folder. Returns an empty text, or why it cannot start
    /// (then nothing is left behind). A session starts once.
    QString start(const ImageRecorder::Settings &settings, const QSharedPointer<VyraCamera> &camera,
                  const QSharedPointer<Sequencer> &sequencer, const LabelSource &labels);
    /// Takes no more images; those taken are written, then ended() comes.
    /// A reason ("the camera was removed") makes the outcome Ended; without
    /// one it is Stopped. Nothing happens once no images are taken.
    void stop(const QString &reason = QString());

    /// Images are taken.
    bool isRecording() const;
    /// Started and not ended: images are taken, or those taken are written.
    bool isActive() const;
    Outcome outcome() const;
    /// Why it ended or failed; empty for the other outcomes.
    QString reason() const;
    /// The settings it records with; their folder is the recording's own.
    const ImageRecorder::Settings &settings() const;
    Progress progress() const;
    QDateTime startTime() const;
    QDateTime endTime() const;

signals:
    /// It started, stopped taking images or ended.
    void stateChanged();
    /// New figures in progress(), a few times a second while it is active.
    void progressed();
    /// Everything taken is written or given up; outcome() says how it ended.
    void ended();

private:
    /// Makes the folder with the two copies; returns an empty text or why not.
    QString prepareFolder(const QString &parent, const QSharedPointer<VyraCamera> &camera,
                          const QSharedPointer<Sequencer> &sequencer);
    void tick();
    /// The recorder is done: settles the outcome, writes the summary and
    /// says it ended.
    void settle();
    /// Writes recording.txt; returns an empty text or why it could not.
    QString writeSummary() const;
    QString outcomeText() const;

    const RecordingWriter::FileWriter m_writeFile;
    const qint64 m_queueBytes;
    ImageRecorder::Settings m_settings;
    std::unique_ptr<ImageRecorder> m_recorder;
    ImageFanOut::Attachment m_attachment;
    LabelSource m_labels;
    QTimer m_timer;
    QElapsedTimer m_clock;
    QDateTime m_startTime;
    QDateTime m_endTime;
    double m_seconds = 0.0;
    Outcome m_outcome = Outcome::NotStarted;
    /// Set by stop(): why the caller ended it; empty when it just stopped.
    QString m_stopReason;
    bool m_stopped = false;
    QString m_reason;
};
