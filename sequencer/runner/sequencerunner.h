#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QSharedPointer>
#include <QTimer>

#include <memory>

#include "imagefanout.h"
#include "runneroptions.h"
#include "runsummary.h"
#include "sequencemodel.h"
#include "streamstatistics.h"

class RecordingSession;
class SequenceRun;
class Sequencer;
class VyraCamera;

/// One run of a saved sequence without a window: opens the camera, loads the
/// camera parameters and the sequencer configuration, starts the sequence as
/// the window's Start does and records it as the window's Record does (or
/// only counts its images), until the cycles or the seconds asked for are
/// done, it is interrupted or something fails; then leaves the camera
/// stopped and closes it.
///
/// Everything that can be found wrong before the recording (the camera, the
/// files, the rate, values the camera cannot take at that rate) is found
/// before its folder is made. Lives on the thread that runs the event loop.
class SequenceRunner : public QObject
{
    Q_OBJECT

public:
    explicit SequenceRunner(const RunnerOptions &options, QObject *parent = nullptr);
    /// A run still going ends as if interrupted; the images it took are written.
    ~SequenceRunner() override;

    /// Starts the run. finished() comes once it is over, also when it could
    /// not start; summary() then says how it went.
    void start();
    /// Ends the run early: no more images are taken, those taken are written.
    void interrupt();
    /// The figures so far; after finished(), how the run ended.
    RunSummary summary() const;

signals:
    /// New figures in summary(), a few times a second while the run goes on.
    void progressed();
    /// The run is over and the camera closed.
    void finished();

private:
    bool openCamera();
    bool loadCameraFile();
    /// The rate asked for, if the camera can run the sequence at it.
    /// The camera's lowest rate; a rate below it is a usage error.
    bool takeRate();
    /// The rate asked for, within the camera's fastest at its image size, or
    /// for --rate max the highest the camera runs the loaded sequence at.
    bool takeHighestRate();
    bool loadSequence();
    /// Checks the loaded sequence against the camera at the run rate;
    /// fittingRate is the highest rate its exposures allow.
    bool checkSequence(double fittingRate);
    bool startRun();
    bool startRecording();
    void recordingEnded();
    void cameraRemoved();
    void followFramerate(double fps);
    /// Ends the run for this reason, unless a recording ends it: for a
    /// failure before the recording, or a run that records nothing.
    void end(RunSummary::Reason reason, const QString &message = QString());
    /// Leaves the camera stopped, closes it and says the run is over.
    void finish();
    /// Why a file cannot be loaded before the driver is asked: missing or
    /// unreadable. Empty when it can be tried.
    static QString unreadable(const QString &path);

    const RunnerOptions m_options;
    SequenceModel m_model;
    QSharedPointer<VyraCamera> m_camera;
    QSharedPointer<Sequencer> m_sequencer;
    std::unique_ptr<SequenceRun> m_run;
    std::unique_ptr<RecordingSession> m_session;
    StreamStatistics m_statistics;
    ImageFanOut::Attachment m_statisticsAttachment;
    QTimer m_progressTimer;
    QTimer m_timeLimit;
    /// Since the sequence started.
    QElapsedTimer m_clock;
    /// How long a run that recorded nothing went; -1 while it goes.
    double m_streamedSeconds = -1.0;
    /// How the run ended, once it has; the figures are read on demand.
    RunSummary m_end;
    /// The sequence runs, or ran.
    bool m_started = false;
    bool m_ended = false;
    bool m_interrupted = false;
    bool m_cameraGone = false;
};
