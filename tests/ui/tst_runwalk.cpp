// A seeded random walk of user actions through the main window on the
// simulated camera. After every step the window is held against the camera's
// own state:
// - the run button's check and text say what the camera does: running is
//   sequencer mode, live above ten images a second in the free-running
//   trigger mode and otherwise in the single-trigger one; stopped is
//   sequencer mode off,
//   the software trigger mode, live video at 30 fps after a stop, no set marked;
// - a marked set took the image on screen, and a running sequence marks the
//   set of every image it shows;
// - with Live off, each Trigger shows exactly one new image, from the next set
//   along the path, the first from the start set, and nothing comes between;
// - a camera-configuration task has the camera to itself; a run keeps its
//   rate within what the Sequencer Rate box offers, up to the camera's
//   highest for the sequence;
// - Change Camera to the open camera keeps it and its sets;
// - the editors show the sequence model, the feature toggles its features,
//   and a running camera holds the sets the model wrote; edits, Undo and Redo
//   are steps of the walk;
// - a sequence saved opens again as it was saved, after New or a restart;
//   closing a changed sequence asks first; a run's rate in the tool bar is
//   the camera's; no step but an edit changes a set without a message.
//
// VYRA_WALK_SEED picks one seed and VYRA_WALK_STEPS the length of each walk
// (scripts/run-walk.sh runs a long one).

#include <QAction>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QProgressDialog>
#include <QRandomGenerator>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>

#include "acquisitiondialog.h"
#include "featurevalue.h"
#include "framestamp.h"
#include "mainwindow.h"
#include "qdisplaywidget.h"
#include "sequenceeditor.h"
#include "sequencemodel.h"
#include "sequencer.h"
#include "windowdriver.h"

using VyraSim::Control;
using namespace WindowTest;

namespace {

constexpr int defaultSteps = 120;
const QString stopText = QStringLiteral("Stop Sequencer");

/// Frame number and set of the simulator's stamp; set -1 outside a sequence.
struct Stamp
{
    qint64 frame = -1;
    int set = -1;
};

Stamp readStamp(const QImage &image)
{
    const int scale = VyraSim::FrameStamp::cornerScale(image.width());
    const QString text = QString::fromStdString(VyraSim::FrameStamp::read(
        image.constBits(), image.bytesPerLine(), image.width(), image.height(), 0, 0, 24, scale));
    static const QRegularExpression pattern(QStringLiteral("^FRAME (\\d+) SET (\\d+|-)"));
    const QRegularExpressionMatch match = pattern.match(text);
    Stamp stamp;
    if (match.hasMatch()) {
        stamp.frame = match.captured(1).toLongLong();
        stamp.set = match.captured(2) == QLatin1String("-") ? -1 : match.captured(2).toInt();
    }
    return stamp;
}

class Walk : public QObject
{
public:
    Walk(quint32 seed, QTemporaryDir &folder) : random(seed), folder(folder)
    {
        Control::resetToDefaults();
        CameraSpec first = cameraSpec(1, "VK1240C");
        CameraSpec second = cameraSpec(2, "VK1240C");
        for (CameraSpec *camera : {&first, &second}) {
            camera->sensorWidth = 256;
            camera->sensorHeight = 192;
        }
        QVERIFY(Control::setCameras({first, second}));
        answerer = std::make_unique<ModalAnswerer>();
        openWindow(1);
    }

    ~Walk() override
    {
        window.reset();
        answerer.reset();
    }

    /// One random action, then the window's and the camera's stories compared.
    void step(int number)
    {
        const auto &chosen = actions[random.bounded(int(actions.size()))];
        log.append(QStringLiteral("%1 %2").arg(number).arg(QLatin1String(chosen.first)));
        if (log.size() > 12)
            log.removeFirst();
        const Sequence before = model()->sequence();
        const int messagesBefore = answerer->messages.size();
        const QString hintBefore = window->statusBar()->currentMessage();
        chosen.second(this);
        settle();
        check();
        // Only an edit changes the sets, unless a message says why.
        const bool said = answerer->messages.size() > messagesBefore ||
                          window->statusBar()->currentMessage() != hintBefore;
        if (!editingActions.contains(QLatin1String(chosen.first)) && !said)
            expect(model()->sequence() == before,
                   QStringLiteral("%1 changed the sets without a word").arg(chosen.first));
    }

    QStringList violations;

private:
    using Action = std::pair<const char *, std::function<void(Walk *)>>;

    QAction *act(const char *name) const { return action(window.get(), name); }
    const SequenceModel *model() const { return window->findChild<SequenceModel *>(); }

    void openWindow(int deviceId)
    {
        chooseCamera(*answerer, deviceId);
        window = std::make_unique<MainWindow>();
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        connect(window->findChild<QDisplayWidget *>(), &QDisplayWidget::imageShown, this,
                [this](QSharedPointer<QImage> image) {
                    shown = readStamp(*image);
                    shownWhileRunning = runAction()->isChecked();
                });
        steppedFrom.reset();
        liveRateExpected = true;
    }

    /// The varied features and the paths of a sequence, which a file keeps.
    static QString kept(const Sequence &sequence)
    {
        QStringList parts;
        QList<qint64> features = sequence.features;
        std::sort(features.begin(), features.end());
        for (qint64 feature : features)
            parts << QString::number(feature);
        for (int set = 0; set < sequence.setCount(); ++set) {
            const SetParameters &values = sequence.sets.at(set);
            parts << QStringLiteral("%1>%2/%3").arg(set).arg(sequence.successor(set)).arg(values.triggerSource);
            for (qint64 feature : features) {
                const QSharedPointer<FeatureValue> value = values.driverValue(feature);
                parts << QString::fromLatin1(QByteArray(static_cast<const char *>(value->data()),
                                                        int(value->size()))
                                                 .toHex());
            }
        }
        return parts.join(QLatin1Char(' '));
    }
    QAction *runAction() const { return act("action_run"); }
    bool enabled(const char *name) const { return act(name)->isEnabled(); }

    void expect(bool condition, const QString &what)
    {
        if (!condition && violations.size() < 50)
            violations << QStringLiteral("%1 after [%2]").arg(what, log.join(QStringLiteral(", ")));
    }

    std::optional<VyraSim::OpenCameraState> camera() const
    {
        const auto handles = Control::openHandles();
        if (handles.empty())
            return std::nullopt;
        return Control::openCameraState(handles.front());
    }

    int marked() const { return highlighted(window.get()); }

    /// Message boxes answered, busy dialogs gone, the camera's comings and
    /// goings seen by the window.
    void settle()
    {
        // Images already on their way are shown first (for a while at most:
        // a slow build may not keep up with a fast stream).
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget() && answerer->pendingAnswers() == 0,
                                 10000);
        QTRY_VERIFY_WITH_TIMEOUT(window->findChildren<QProgressDialog *>().isEmpty(), 10000);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void answerFile(const QString &path)
    {
        answerer->typeInNextFileDialog(path);
    }

    /// Answers the discard question when there are sets to ask about.
    bool answerDiscard()
    {
        if (setsOf(window.get()).isEmpty())
            return true;
        const bool yes = random.bounded(4) != 0;
        answerer->pressInNextMessageBox(yes ? QMessageBox::Yes : QMessageBox::No);
        return yes;
    }

    void pressRun()
    {
        const bool wasRunning = runAction()->isChecked();
        const auto features = toggles(window.get());
        const bool mayStart = !wasRunning && enabled("action_run") &&
                              !setsOf(window.get()).isEmpty() &&
                              std::any_of(features.begin(), features.end(),
                                          [](QToggleButton *t) { return t->isChecked(); });
        const bool wasEnabled = enabled("action_run");
        runAction()->trigger();
        settle();
        if (wasEnabled && (wasRunning || mayStart))
            expect(runAction()->isChecked() != wasRunning, QStringLiteral("one press did not do what it said"));
        if (wasEnabled && wasRunning)
            liveRateExpected = true;
        steppedFrom.reset();
    }

    void pressLive()
    {
        act("action_capture")->trigger();
        settle();
        steppedFrom.reset();
        if (enabled("actionAction_SingleForceTrigger")) {
            // Stepping begins at the start set; nothing comes until a press.
            nextStep = 0;
            steppedFrom = camera() ? camera()->framesTaken : 0;
        }
    }

    void pressTrigger()
    {
        if (!enabled("actionAction_SingleForceTrigger") || !steppedFrom || !camera())
            return;
        // Frames are numbered as the camera takes them: the press's image is
        // the one after those taken so far.
        act("actionAction_SingleForceTrigger")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(shown.frame > qint64(*steppedFrom), 5000);
        expect(shown.set == nextStep,
               QStringLiteral("Trigger showed set %1 instead of %2").arg(shown.set).arg(nextStep));
        expect(marked() == shown.set, QStringLiteral("the triggered image's set is not marked"));
        expect(camera()->framesTaken == *steppedFrom + 1,
               QStringLiteral("one press took %1 images").arg(camera()->framesTaken - *steppedFrom));
        steppedFrom = camera()->framesTaken;
        // Along the path the camera holds for the set; a set whose path is
        // off keeps the sequence where it is.
        if (shown.set >= 0) {
            const VyraSim::SequencerConfiguration::Set path =
                camera()->sequence.sets.at(size_t(shown.set));
            nextStep = path.triggerSource == VYRA_SEQUENCER_TRIGGER_OFF ? shown.set : path.nextSet;
        }
    }

    void addSet() { act("action_addsequence")->trigger(); }

    void deleteSet()
    {
        const auto sets = setsOf(window.get());
        if (sets.isEmpty() || !window->isEnabled() || !sets.first()->isEnabled())
            return;
        // A feature editor taking the focus selects its set.
        auto *editor = sets.at(random.bounded(sets.size()))->findChild<QAbstractSpinBox *>();
        if (!editor)
            return;
        window->activateWindow();
        editor->setFocus();
        if (QTest::qWaitFor([this] { return enabled("action_deleteset"); }, 2000))
            act("action_deleteset")->trigger();
    }

    /// A value of a set changed as a user steps a box up or down.
    void editValue()
    {
        const auto sets = setsOf(window.get());
        if (sets.isEmpty() || !sets.first()->isEnabled())
            return;
        const auto boxes = sets.at(random.bounded(sets.size()))->findChildren<QAbstractSpinBox *>();
        if (boxes.isEmpty())
            return;
        QAbstractSpinBox *box = boxes.at(random.bounded(boxes.size()));
        window->activateWindow();
        box->setFocus();
        box->stepBy(random.bounded(2) ? 1 + random.bounded(3) : -1 - random.bounded(3));
    }

    void undoOrRedo(const char *command)
    {
        if (enabled(command))
            act(command)->trigger();
    }

    void toggleFeature()
    {
        const auto all = toggles(window.get());
        all.at(random.bounded(all.size()))->click();
    }

    void newSequence()
    {
        if (enabled("action_new")) {
            answerDiscard();
            act("action_new")->trigger();
        }
    }

    void saveSequence()
    {
        if (!enabled("action_save"))
            return;
        ++savedSequences;
        const QString file = folder.filePath(QStringLiteral("sequence %1.xml").arg(savedSequences));
        answerFile(file);
        act("action_save")->trigger();
        settle();
        if (QFileInfo::exists(file))
            saved.insert(file, kept(model()->sequence()));
    }

    void loadSequence()
    {
        const QString file = folder.filePath(QStringLiteral("sequence %1.xml").arg(savedSequences));
        if (!enabled("action_load") || !QFileInfo::exists(file))
            return;
        answerFile(file);
        const bool discard = answerDiscard();
        const int messages = answerer->messages.size() + (setsOf(window.get()).isEmpty() ? 0 : 1);
        act("action_load")->trigger();
        settle();
        // A file loaded without a word holds what was saved into it.
        if (discard && answerer->messages.size() == messages && saved.contains(file))
            expect(kept(model()->sequence()) == saved.value(file),
                   QStringLiteral("%1 did not open as it was saved").arg(QFileInfo(file).fileName()));
    }

    /// Closing the window asks first when the sequence changed; a restart
    /// opens the camera again.
    void closeAndRestart()
    {
        const bool asks = changedSinceSaved() && enabled("action_save");
        const bool cancel = asks && random.bounded(2) == 0;
        if (asks)
            answerer->pressInNextMessageBox(cancel ? QMessageBox::Cancel : QMessageBox::Discard);
        const int messages = answerer->messages.size();
        const bool closed = window->close();
        expect(answerer->messages.size() == messages + (asks ? 1 : 0),
               asks ? QStringLiteral("closing a changed sequence did not ask")
                    : QStringLiteral("closing an unchanged sequence asked"));
        expect(closed != cancel, QStringLiteral("closing did not do as answered"));
        if (!closed)
            return;
        const auto state = camera();
        window.reset();
        QList<int> plugged;
        for (const VyraSim::CameraState &each : Control::cameras()) {
            if (each.plugged)
                plugged << each.description.deviceId;
        }
        if (plugged.isEmpty())
            plugged << 1;
        openWindow(state && plugged.contains(state->deviceId) ? state->deviceId : plugged.first());
    }

    bool changedSinceSaved() const
    {
        return window->findChild<SequenceEditor *>()->isModified() &&
               !setsOf(window.get()).isEmpty();
    }

    /// A camera-configuration task: while it works, no camera command is on.
    /// Saves go to new files (the file dialog would ask before replacing one),
    /// loads read the last one saved.
    void cameraTask(const char *command, bool load)
    {
        if (!enabled(command))
            return;
        // Loads read the last file a save wrote (a save can fail).
        int file = load ? savedCameraFiles : ++savedCameraFiles;
        while (load && file > 0 && !QFileInfo::exists(cameraFile(file)))
            --file;
        if (file == 0)
            return;
        answerFile(cameraFile(file));
        act(command)->trigger();
        if (!camera())
            return;
        for (const char *other : {"action_run", "action_capture", "actionAction_SingleForceTrigger",
                                  "action_opencamera", "action_settings", "action_imagesize",
                                  "action_loadCameraConfiguration", "action_addsequence"})
            expect(!enabled(other), QStringLiteral("%1 on during a camera task").arg(other));
        if (load)
            liveRateExpected = false;
    }

    QString cameraFile(int number) const
    {
        return folder.filePath(QStringLiteral("camera %1.ini").arg(number));
    }

    void sequencerRate()
    {
        if (!enabled("action_sequencerframerate"))
            return;
        auto *box = window->findChild<QDoubleSpinBox *>(QStringLiteral("sb_sequencerframerate"));
        // Half the time the highest rate, at which the camera runs free.
        const double before = box->value();
        box->setValue(random.bounded(2) == 0 ? box->maximum()
                                             : box->minimum() + random.bounded(1.0) *
                                                                    (box->maximum() - box->minimum()));
        if (box->value() != before)
            liveRateExpected = true;
    }

    void acquisitionFramerate()
    {
        if (!enabled("action_settings"))
            return;
        act("action_settings")->trigger();
        auto *dialog = window->findChild<AcquisitionDialog *>();
        if (!dialog)
            return;
        auto *box = dialog->findChild<QDoubleSpinBox *>(QStringLiteral("framerate_value"));
        box->setValue(box->minimum() + random.bounded(1.0) * (box->maximum() - box->minimum()));
        dialog->close();
        if (!runAction()->isChecked())
            liveRateExpected = false;
    }

    void unplug()
    {
        const auto state = camera();
        if (!state || !state->plugged)
            return;
        const bool usable = enabled("action_run");
        QVERIFY(Control::unplug(state->deviceId));
        steppedFrom.reset();
        if (usable)
            QTRY_VERIFY_WITH_TIMEOUT(!enabled("action_run"), 5000);
    }

    void replug()
    {
        for (const VyraSim::CameraState &each : Control::cameras()) {
            if (each.plugged)
                continue;
            QVERIFY(Control::replug(each.description.deviceId));
            if (camera() && camera()->deviceId == each.description.deviceId) {
                QTRY_VERIFY_WITH_TIMEOUT(enabled("action_run"), 5000);
                liveRateExpected = true;
            }
            return;
        }
    }

    void changeCamera()
    {
        if (!enabled("action_opencamera"))
            return;
        QList<int> plugged;
        for (const VyraSim::CameraState &each : Control::cameras()) {
            if (each.plugged)
                plugged << each.description.deviceId;
        }
        if (plugged.isEmpty())
            return;
        const int chosen = plugged.at(random.bounded(plugged.size()));
        const int setsBefore = setsOf(window.get()).size();
        const auto before = camera();
        if (!answerDiscard()) {
            act("action_opencamera")->trigger();
            return;
        }
        chooseCamera(*answerer, chosen);
        act("action_opencamera")->trigger();
        settle();
        steppedFrom.reset();
        const bool same = before && before->deviceId == chosen;
        // A camera opened anew starts at 30 fps; the open one keeps its rate.
        liveRateExpected = liveRateExpected || !same;
        if (same && before->plugged) {
            expect(camera() && camera()->deviceId == chosen, QStringLiteral("the open camera was lost"));
            expect(setsOf(window.get()).size() == setsBefore,
                   QStringLiteral("choosing the open camera lost its sets"));
            expect(statusText(window.get()) != QLatin1String("No camera opened"),
                   QStringLiteral("choosing the open camera left none"));
        }
    }

    /// The editors show the model, and a running camera holds what it wrote.
    void checkSequence(const std::optional<VyraSim::OpenCameraState> &state, bool running)
    {
        const SequenceModel *model = window->findChild<SequenceModel *>();
        const QList<SequencerSet *> sets = setsOf(window.get());
        if (state && sets.size() != model->setCount()) {
            expect(false, QStringLiteral("%1 sets shown of %2").arg(sets.size()).arg(model->setCount()));
            return;
        }
        for (int index = 0; index < sets.size(); ++index) {
            const SetParameters &values = model->set(index);
            bool shownAsModel = sets.at(index)->values() == values;
            for (const SequencerProperty *editor : sets.at(index)->properties())
                shownAsModel = shownAsModel && editor->editedValues(values) == values;
            expect(shownAsModel, QStringLiteral("set %1 does not show the model").arg(index));
        }
        const Sequencer::FeatureCatalogue &catalogue = Sequencer::featureCatalogue();
        for (auto feature = catalogue.cbegin(); state && feature != catalogue.cend(); ++feature) {
            for (QToggleButton *toggle : toggles(window.get())) {
                if (toggle->text() == feature->name)
                    expect(toggle->isChecked() == model->varies(feature.key()),
                           QStringLiteral("the toggle of %1 disagrees with the model")
                               .arg(feature->name));
            }
        }
        if (!running || !state)
            return;
        const Sequence &sequence = model->sequence();
        for (int index = 0; index < sequence.setCount(); ++index) {
            const VyraSim::SequencerConfiguration::Set &stored = state->sequence.sets.at(size_t(index));
            SetParameters held = sequence.sets.at(index);
            // The camera may keep an exposure a rounding step off the one written.
            if (std::abs(stored.values.exposureMs - held.exposureMs) > 1e-9)
                held.exposureMs = stored.values.exposureMs;
            held.masterGain = stored.values.masterGain;
            held.redGain = stored.values.redGain;
            held.greenGain = stored.values.greenGain;
            held.blueGain = stored.values.blueGain;
            held.aoiOffset = QPoint(stored.values.offsetX, stored.values.offsetY);
            held.flashMode = stored.values.flashMode;
            held.flashDurationUs = stored.values.flashDurationUs;
            held.flashDelayUs = stored.values.flashDelayUs;
            QStringList differ;
            if (stored.nextSet != sequence.successor(index) ||
                stored.triggerSource != sequence.sets.at(index).triggerSource)
                differ << QStringLiteral("path %1/%2 source %3/%4")
                              .arg(stored.nextSet)
                              .arg(sequence.successor(index))
                              .arg(stored.triggerSource)
                              .arg(sequence.sets.at(index).triggerSource);
            for (qint64 feature : sequence.features) {
                if (!held.sameFeature(sequence.sets.at(index), feature))
                    differ << QStringLiteral("feature %1: %2/%3")
                                  .arg(feature)
                                  .arg(kept({{held}, {feature}}))
                                  .arg(kept({{sequence.sets.at(index)}, {feature}}));
            }
            expect(differ.isEmpty(), QStringLiteral("the camera's set %1 is not the model's (%2)")
                                         .arg(index)
                                         .arg(differ.join(QStringLiteral(", "))));
        }
    }

    double sequenceRate() const
    {
        return window->findChild<QDoubleSpinBox *>(QStringLiteral("sb_sequencerframerate"))->value();
    }

    void check()
    {
        const bool running = runAction()->isChecked();
        checkSequence(camera(), running);
        expect(running == (runAction()->text() == stopText),
               QStringLiteral("the run button's check and text disagree"));
        const int mark = marked();
        // An image shown in an earlier run is not the next run's.
        if (!running)
            shownWhileRunning = false;
        const auto state = camera();
        if (!state || !state->plugged) {
            expect(!running, QStringLiteral("a run shown without a camera"));
            expect(mark == -1, QStringLiteral("a set marked without a camera"));
            return;
        }
        expect(!state->configurationMode, QStringLiteral("configuration mode left on"));
        expect(state->live, QStringLiteral("no live image"));
        if (running) {
            const bool free = act("action_capture")->isChecked() && sequenceRate() > 10.0;
            expect(state->sequencerMode &&
                       state->triggerMode == (free ? VYRA_TRIGGER_OFF : VYRA_TRIGGER_SINGLE),
                   QStringLiteral("shown running %1, the camera is not")
                       .arg(free ? QStringLiteral("free") : QStringLiteral("by triggers")));
            expect(qRound(state->frameRate * 100) == qRound(sequenceRate() * 100),
                   QStringLiteral("running at %1 fps, the tool bar says %2")
                       .arg(state->frameRate)
                       .arg(sequenceRate()));
            auto *box =
                window->findChild<QDoubleSpinBox *>(QStringLiteral("sb_sequencerframerate"));
            expect(state->frameRate <= box->maximum() + 0.005,
                   QStringLiteral("a run at %1 images a second, beyond the %2 offered")
                       .arg(state->frameRate)
                       .arg(box->maximum()));
        } else {
            expect(!state->sequencerMode && state->triggerMode == VYRA_TRIGGER_SOFTWARE,
                   QStringLiteral("shown stopped, the camera runs"));
            expect(mark == -1, QStringLiteral("a set marked while stopped"));
            // While sets are built, the camera runs at the sequence's rate.
            const double stoppedRate = setsOf(window.get()).isEmpty() ? 30.0 : sequenceRate();
            if (liveRateExpected)
                // At the precision the tool bar shows it.
                expect(qRound(state->frameRate * 100) == qRound(stoppedRate * 100),
                       QStringLiteral("stopped at %1 fps, not %2")
                           .arg(state->frameRate)
                           .arg(stoppedRate));
        }
        if (mark >= 0)
            expect(shown.set == mark,
                   QStringLiteral("set %1 marked under an image of set %2").arg(mark).arg(shown.set));
        if (running && shownWhileRunning && shown.set >= 0)
            expect(mark == shown.set, QStringLiteral("the set %1 of image %2 is not marked but %3")
                                          .arg(shown.set)
                                          .arg(shown.frame)
                                          .arg(mark));
        if (steppedFrom && enabled("actionAction_SingleForceTrigger"))
            expect(state->framesTaken == *steppedFrom,
                   QStringLiteral("%1 images came between presses").arg(state->framesTaken - *steppedFrom));
    }

    const std::vector<Action> actions = {
        {"start/stop", &Walk::pressRun},
        {"start/stop", &Walk::pressRun},
        {"live", &Walk::pressLive},
        {"trigger", &Walk::pressTrigger},
        {"trigger", &Walk::pressTrigger},
        {"add set", &Walk::addSet},
        {"add set", &Walk::addSet},
        {"delete set", &Walk::deleteSet},
        {"feature", &Walk::toggleFeature},
        {"feature", &Walk::toggleFeature},
        {"edit value", &Walk::editValue},
        {"edit value", &Walk::editValue},
        {"undo", [](Walk *w) { w->undoOrRedo("action_undo"); }},
        {"undo", [](Walk *w) { w->undoOrRedo("action_undo"); }},
        {"redo", [](Walk *w) { w->undoOrRedo("action_redo"); }},
        {"new", &Walk::newSequence},
        {"save sequence", &Walk::saveSequence},
        {"load sequence", &Walk::loadSequence},
        {"save camera configuration",
         [](Walk *w) { w->cameraTask("action_saveCameraConfiguration", false); }},
        {"load camera configuration",
         [](Walk *w) { w->cameraTask("action_loadCameraConfiguration", true); }},
        {"acquisition frame rate", &Walk::acquisitionFramerate},
        {"sequencer rate", &Walk::sequencerRate},
        {"unplug", &Walk::unplug},
        {"replug", &Walk::replug},
        {"change camera", &Walk::changeCamera},
        {"close and restart", &Walk::closeAndRestart},
    };
    /// The steps that may change the sets on their own.
    const QStringList editingActions = {"add set", "delete set", "feature", "edit value",
                                        "undo", "redo", "new", "load sequence",
                                        "change camera", "close and restart"};

    QRandomGenerator random;
    QTemporaryDir &folder;
    std::unique_ptr<ModalAnswerer> answerer;
    std::unique_ptr<MainWindow> window;
    QStringList log;
    Stamp shown;
    bool shownWhileRunning = false;
    /// Frames the camera had taken when stepping began or after the last press.
    std::optional<quint64> steppedFrom;
    int nextStep = 0;
    int savedSequences = 0;
    /// What each saved file holds, as kept() puts it.
    QHash<QString, QString> saved;
    int savedCameraFiles = 0;
    /// A stop, a reconnection or an opening sets the stopped rate (30 fps,
    /// the sequence's while sets are built); a loaded file or the
    /// Acquisition dialog may set another rate.
    bool liveRateExpected = true;
};

} // namespace

class TestRunWalk : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void walk_data();
    void walk();
};

void TestRunWalk::initTestCase()
{
    hideSizeHintWarnings();
    QSettings(QStringLiteral("Quellmark"), QStringLiteral("Vyra Sequencer")).clear();
}

void TestRunWalk::walk_data()
{
    QTest::addColumn<quint32>("seed");
    const QByteArray chosen = qgetenv("VYRA_WALK_SEED");
    if (!chosen.isEmpty()) {
        QTest::newRow(chosen.constData()) << chosen.toUInt();
        return;
    }
    for (quint32 seed : {1u, 2u, 3u})
        QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed;
}

void TestRunWalk::walk()
{
    QFETCH(quint32, seed);
    bool ok = false;
    int steps = qEnvironmentVariableIntValue("VYRA_WALK_STEPS", &ok);
    if (!ok || steps <= 0)
        steps = defaultSteps;
    QTemporaryDir folder;
    QElapsedTimer clock;
    clock.start();
    Walk walk(seed, folder);
    int taken = 0;
    for (; taken < steps && !QTest::currentTestFailed(); ++taken)
        walk.step(taken + 1);
    qInfo("seed %u: %d steps, %d violations, %.1f s", seed, taken, int(walk.violations.size()),
          clock.elapsed() / 1000.0);
    QVERIFY2(walk.violations.isEmpty(), qPrintable(walk.violations.mid(0, 5).join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestRunWalk)
#include "tst_runwalk.moc"
