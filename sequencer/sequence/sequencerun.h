#pragma once

#include <QList>
#include <QSharedPointer>

class SequenceModel;
struct Sequence;
class Sequencer;
class VyraAutoTriggerThread;
class VyraCamera;

/// The run of the sequence on one open camera: its state, and the one place
/// that brings the camera to each state.
///
/// - Stopped: sequencer mode off, the software trigger mode, live video at
///   the stopped frame rate (30 fps unless another is set).
/// - RunningLive: the sets written into the camera, sequencer mode on, and
///   images at the run rate. Up to ten a second the host paces them: the
///   single-trigger mode, and software triggers at the run rate. Faster, the
///   camera runs the sequence itself: the free-running trigger mode, the
///   sequencer stepping along the path at each image.
/// - RunningStepped: sequencer mode on and the single-trigger mode, without
///   triggers: an image is taken for each step(), with the next set along
///   the path.
///
/// A transition that fails is undone as far as the camera lets itself be
/// brought back (a failed stop is finished instead), and the state then
/// names what the camera does; the failure is passed on afterwards. GUI
/// thread only.
class SequenceRun
{
public:
    enum class State { Stopped, RunningLive, RunningStepped };

    /// The frame rate the camera returns to when the run stops, unless
    /// another stopped frame rate is set.
    static constexpr double liveFramerate = 30.0;
    /// Live runs up to this many images a second are paced by software
    /// triggers; faster ones run free on the camera.
    static constexpr double maximumTriggerRate = 10.0;

    /// The highest rate the camera runs the sequence at: its fastest at the
    /// current image size for the sequence's longest exposure (the live
    /// exposure where the sequence does not vary it). Throws
    /// VyraCameraException.
    static double highestRate(const VyraCamera &camera, const Sequence &sequence);

    /// A live run will take its images at runFramerate; the camera is not
    /// touched.
    SequenceRun(QSharedPointer<VyraCamera> camera, QSharedPointer<Sequencer> sequencer,
                double runFramerate);
    /// Ends the triggers; the camera is left as it is.
    ~SequenceRun();

    State state() const;
    bool isRunning() const;

    /// From Stopped: the camera to the model's run rate, its sets written
    /// into the camera, then run live. Throws std::runtime_error for no sets
    /// (before touching the camera) or values the camera cannot take at the
    /// run rate (naming each), and VyraCameraException.
    void start(const SequenceModel &model);
    /// To Stopped: sequencer mode off, live video at the stopped frame rate.
    /// Throws VyraCameraException.
    void stop();
    /// The frame rate of the Stopped state; a stopped camera takes it at
    /// once. Throws VyraCameraException.
    void setStoppedFramerate(double fps);
    /// Between RunningLive and RunningStepped. Stepping begins at the start
    /// set again, so the first step after Live shows the first set. Throws
    /// VyraCameraException.
    void setLive(bool live);
    /// RunningStepped: one image with the next set. Throws VyraCameraException.
    void step();
    /// The run rate is now fps, the camera's frame rate: a live run goes on
    /// at it, with triggers up to ten a second, free on the camera above.
    /// Throws VyraCameraException; the run then goes on as the camera lets
    /// it.
    void followFramerate(double fps);
    /// Whether a live run at the current run rate runs free on the camera.
    bool runsFree() const;
    /// The camera is gone: the triggers stop and the run is over, without a
    /// word to the camera.
    void abandon();
    /// Brings the camera, back after it was gone, to the stopped state as far
    /// as it lets itself: sequencer mode off, the stopped frame rate, the
    /// software trigger mode, live video. Never throws.
    void restoreStopped() noexcept;

private:
    /// Throws std::runtime_error naming every value of the sequence the
    /// camera cannot take as it is now.
    void requireFit(const Sequence &sequence);
    void stopTriggers();
    /// Images come at the run rate: free on the camera or by triggers.
    void runLive();
    /// Brings the camera to target as far as it lets itself, then takes
    /// the state the camera is in: a camera in sequencer mode runs the
    /// sequence (by steps if it was to stop), one out of it is stopped.
    void bringTo(State target) noexcept;

    QSharedPointer<VyraCamera> m_camera;
    QSharedPointer<Sequencer> m_sequencer;
    QSharedPointer<VyraAutoTriggerThread> m_autoTrigger;
    State m_state = State::Stopped;
    double m_stoppedFramerate = liveFramerate;
    double m_runFramerate;
};
