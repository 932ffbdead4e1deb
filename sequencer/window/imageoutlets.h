#pragma once

#include <QList>
#include <QObject>
#include <QSharedPointer>

#include <memory>

#include "imagefanout.h"
#include "imagerecorder.h"
#include "latestimages.h"
#include "streamstatistics.h"

class ImageLabels;
class QDisplayWidget;
class QMainWindow;
class RecordingControl;
class SequenceModel;
class Sequencer;
class SequencerWorkspace;
struct Sequence;
class SetThumbnails;
class SnapshotSaver;
class StatisticsLabel;
class VyraCamera;

/// What the window does with the camera's images besides showing them, in
/// one place: it attaches to the camera's ImageFanOut the stream statistics
/// and the store of the latest images, and drives from them the statistics
/// in the status bar, the sets' thumbnails while a sequence runs, "Save
/// Image…" and the recordings. The window tells it about the camera and the
/// run; it tells the window when a recording starts or ends. GUI thread.
///
/// Further consumers of the images attach to the camera's fan-out
/// (VyraCamera::images()) or read latestImages().
class ImageOutlets : public QObject
{
    Q_OBJECT

public:
    /// The thumbnails show in the workspace's sets; the labels of a run's
    /// images come from the model.
    ImageOutlets(QMainWindow *window, QDisplayWidget *display, SequencerWorkspace *workspace,
                 const SequenceModel *model);
    ~ImageOutlets() override;

    /// A camera was opened: its images are counted and kept from now on.
    void setCamera(const QSharedPointer<VyraCamera> &camera,
                   const QSharedPointer<Sequencer> &sequencer);
    /// The camera is given up; a recording ends.
    void releaseCamera();
    /// The camera was pulled out; a recording ends.
    void cameraRemoved();
    /// Whether a sequence runs; called whenever the window shows its run
    /// state, it acts when that changes. A recording of the other kind ends.
    void followRun(bool sequenceRuns);

    /// "Save Image…": the last image the camera delivered.
    void saveImage();
    /// "Record…" checked asks how and starts a recording; unchecked stops it.
    /// The window shows the outcome through recordingChanged() or its own
    /// look at isRecording().
    void record(bool on);
    /// "Capture One Cycle": a recording of one cycle, as the last one was made.
    void captureCycle();

    /// A recording takes images.
    bool isRecording() const;
    /// A recording exists (it may still be writing out what it took).
    bool isRecordingActive() const;
    const LatestImages &latestImages() const;

signals:
    /// A recording started, stopped or ended.
    void recordingChanged();
    /// This sequence began to run; an empty one: the run stopped.
    void runChanged(const Sequence &sequence);

private:
    /// The parameters of the images to come: the run's sets over the
    /// camera's values, or the camera's values. Throws VyraCameraException.
    std::shared_ptr<const ImageLabels> currentLabels() const;
    /// The sequence that runs; empty while none does.
    Sequence runSequence() const;
    QSize imageSize() const;
    void startRecording(int cycles, bool ask);

    QMainWindow *m_window;
    const SequenceModel *m_model;
    QSharedPointer<VyraCamera> m_camera;
    QSharedPointer<Sequencer> m_sequencer;
    bool m_sequenceRuns = false;
    /// What "Record…" offers: what it was last asked for.
    ImageRecorder::Settings m_recordSettings;
    LatestImages m_latest;
    StreamStatistics m_statistics;
    ImageFanOut::Attachment m_latestAttachment;
    ImageFanOut::Attachment m_statisticsAttachment;
    StatisticsLabel *m_statisticsLabel;
    SetThumbnails *m_thumbnails;
    SnapshotSaver *m_snapshots;
    RecordingControl *m_recording;
};
