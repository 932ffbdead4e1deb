#include "sequencerun.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "cameralimits.h"
#include "sequence.h"
#include "sequencemodel.h"
#include "sequencer.h"
#include "vyraautotriggerthread.h"
#include "vyracamera.h"
#include "vyracameraexception.h"

namespace {

quint64 triggerInterval(double fps)
{
    return quint64(1000.0 / fps);
}

// One step of bringing the camera to a state: a camera that refuses it may
// still take the next.
template<typename Step> void tryStep(Step step) noexcept
{
    try {
        step();
    } catch (const VyraCameraException &) {
    }
}

} // namespace

SequenceRun::SequenceRun(QSharedPointer<VyraCamera> camera, QSharedPointer<Sequencer> sequencer,
                         double runFramerate)
    : m_camera(std::move(camera)),
      m_sequencer(std::move(sequencer)),
      m_autoTrigger(QSharedPointer<VyraAutoTriggerThread>::create(
          m_camera, triggerInterval(std::min(runFramerate, maximumTriggerRate)))),
      m_runFramerate(runFramerate)
{
}

double SequenceRun::highestRate(const VyraCamera &camera, const Sequence &sequence)
{
    double longest = 0.0;
    if (sequence.varies(VYRA_FEATURE_EXPOSURE)) {
        for (const SetParameters &set : sequence.sets)
            longest = std::max(longest, set.exposureMs);
    } else {
        longest = camera.exposure();
    }
    return camera.highestFramerate(longest);
}

bool SequenceRun::runsFree() const
{
    return m_runFramerate > maximumTriggerRate;
}

SequenceRun::~SequenceRun()
{
    stopTriggers();
}

SequenceRun::State SequenceRun::state() const
{
    return m_state;
}

bool SequenceRun::isRunning() const
{
    return m_state != State::Stopped;
}

void SequenceRun::start(const SequenceModel &model)
{
    if (m_state != State::Stopped)
        return;
    Sequencer::requireSets(model.sequence());
    try {
        m_camera->setFramerate(model.runRate().value());
        requireFit(model.sequence());
        m_sequencer->reset();
        m_sequencer->writeSequence(model.sequence());
        m_sequencer->enableSequencerMode(true);
        m_runFramerate = model.runRate().value();
        runLive();
    } catch (const VyraCameraException &) {
        bringTo(State::Stopped);
        throw;
    } catch (const std::runtime_error &) {
        bringTo(State::Stopped);
        throw;
    }
    m_state = State::RunningLive;
}

void SequenceRun::runLive()
{
    if (runsFree()) {
        // The camera takes image after image, its sequencer stepping along
        // the path at each.
        m_camera->runSequenceFree();
    } else {
        m_autoTrigger->start(QThread::InheritPriority);
    }
}

void SequenceRun::requireFit(const Sequence &sequence)
{
    // The exposures a camera allows end at the frame period of the run rate.
    const QList<SequenceProblem> problems = sequence.problems(CameraLimits::of(*m_camera));
    if (problems.isEmpty())
        return;
    QStringList lines;
    for (const SequenceProblem &problem : problems)
        lines << problem.message();
    throw std::runtime_error(
        QCoreApplication::translate("SequenceRun",
                                    "The sequence cannot run: the camera cannot take these values.")
            .append(QStringLiteral("\n\n"))
            .append(lines.join(QLatin1Char('\n')))
            .toStdString());
}

void SequenceRun::stop()
{
    if (m_state == State::Stopped)
        return;
    stopTriggers();
    try {
        // Out of the free run first: an image taken between the sequencer's
        // stop and the trigger mode's change would name a set it was not
        // taken with.
        if (m_state == State::RunningLive && runsFree())
            m_camera->setTriggerMode(VYRA_TRIGGER_SINGLE, true);
        m_sequencer->enableSequencerMode(false);
        m_camera->setFramerate(m_stoppedFramerate);
        m_camera->enableLiveVideo(true);
    } catch (const VyraCameraException &) {
        // What the failure left undone is done as far as the camera lets it.
        bringTo(State::Stopped);
        throw;
    }
    m_state = State::Stopped;
}

void SequenceRun::setStoppedFramerate(double fps)
{
    m_stoppedFramerate = fps;
    if (m_state == State::Stopped)
        m_camera->setFramerate(fps);
}

void SequenceRun::setLive(bool live)
{
    if (m_state == State::Stopped || live == (m_state == State::RunningLive))
        return;
    if (live) {
        try {
            runLive();
        } catch (const VyraCameraException &) {
            bringTo(State::RunningStepped);
            throw;
        }
        m_state = State::RunningLive;
        return;
    }
    stopTriggers();
    try {
        // Sequencer mode starts at the start set when switched on, in the
        // single-trigger mode. With live capture stopped around it, the
        // camera takes no image in between.
        m_camera->enableLiveVideo(false);
        m_sequencer->enableSequencerMode(false);
        m_sequencer->enableSequencerMode(true);
        m_camera->enableLiveVideo(true);
    } catch (const VyraCameraException &) {
        // The run goes on as it did.
        bringTo(State::RunningLive);
        throw;
    }
    m_state = State::RunningStepped;
}

void SequenceRun::step()
{
    if (m_state == State::RunningStepped)
        m_camera->trigger();
}

void SequenceRun::followFramerate(double fps)
{
    const bool wasFree = runsFree();
    m_runFramerate = fps;
    m_autoTrigger->setInterval(triggerInterval(std::min(fps, maximumTriggerRate)));
    if (m_state != State::RunningLive || runsFree() == wasFree)
        return;
    // Across ten a second the pace changes hands, between the triggers and
    // the camera.
    try {
        if (wasFree)
            m_camera->setTriggerMode(VYRA_TRIGGER_SINGLE, true);
        else
            stopTriggers();
        runLive();
    } catch (const VyraCameraException &) {
        bringTo(State::RunningLive);
        throw;
    }
}

void SequenceRun::abandon()
{
    stopTriggers();
    m_state = State::Stopped;
}

void SequenceRun::restoreStopped() noexcept
{
    bringTo(State::Stopped);
}

void SequenceRun::bringTo(State target) noexcept
{
    stopTriggers();
    if (target == State::Stopped) {
        tryStep([this] { m_camera->setTriggerMode(VYRA_TRIGGER_SINGLE, true); });
        tryStep([this] { m_sequencer->enableSequencerMode(false); });
        tryStep([this] { m_camera->setFramerate(m_stoppedFramerate); });
        // A camera that was gone may come back in another trigger mode.
        tryStep([this] { m_camera->setTriggerMode(VYRA_TRIGGER_SOFTWARE, true); });
    } else {
        tryStep([this] { m_sequencer->enableSequencerMode(true); });
        tryStep([&] {
            if (target == State::RunningLive && runsFree())
                m_camera->runSequenceFree();
            else
                m_camera->setTriggerMode(VYRA_TRIGGER_SINGLE, true);
        });
    }
    tryStep([this] { m_camera->enableLiveVideo(true); });

    bool sequencerMode = false;
    tryStep([&] { sequencerMode = m_sequencer->isSequencerModeEnabled(); });
    if (!sequencerMode) {
        // A camera that does not answer runs no sequence of ours either.
        if (target != State::Stopped)
            bringTo(State::Stopped);
        m_state = State::Stopped;
        return;
    }
    // In sequencer mode the camera runs its sets, by steps unless the
    // triggers come.
    m_state = target == State::Stopped ? State::RunningStepped : target;
    if (m_state == State::RunningLive && !runsFree())
        m_autoTrigger->start(QThread::InheritPriority);
}

void SequenceRun::stopTriggers()
{
    m_autoTrigger->requestStop();
    m_autoTrigger->wait();
}
