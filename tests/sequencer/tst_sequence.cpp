// Whole sequences: the workspace's sets written into the simulated camera,
// run there, and read back.

#include <QComboBox>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <stdexcept>

#include "pathproperty.h"
#include "sequencefixture.h"

using VyraSim::Control;

namespace {

Properties::Path *pathOf(SequencerSet *set)
{
    return static_cast<Properties::Path *>(set->pathProperty());
}

double storedExposure(const QSharedPointer<FeatureValue> &value)
{
    double exposure = 0.0;
    std::memcpy(&exposure, value->data(), sizeof exposure);
    return exposure;
}

} // namespace

class TestSequence : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void writingNoSetsThrowsBeforeAnyDriverCall();
    void writingEnablesEachEditedFeatureOnce();
    void pathsAreWrittenOrKept_data();
    void pathsAreWrittenOrKept();
    void readingFollowsThePathsAndEnds_data();
    void readingFollowsThePathsAndEnds();
    void aSequenceBuiltInTheWorkspaceRunsWithinItsSets();
    void aWrittenSequenceReadsBackEqual();

private:
    /// Three sets editing exposure and gain, each with its own values.
    void buildThreeSets();

    SequenceFixture fixture;
    const QList<double> exposures = {5.0, 12.5, 20.0};
};

void TestSequence::init()
{
    QVERIFY(fixture.open());
}

void TestSequence::cleanup()
{
    fixture.close();
}

void TestSequence::buildThreeSets()
{
    fixture.addSets(3, {1, 2});
    for (SequencerSet *set : fixture.sets()) {
        editorOf<QDoubleSpinBox>(set, 1)->setValue(exposures.at(set->index()));
        editorOf<QSpinBox>(set, 2, 1)->setValue(10 * (set->index() + 1));
    }
}

void TestSequence::writingNoSetsThrowsBeforeAnyDriverCall()
{
    try {
        fixture.sequencer->writeSequence({}, false);
        QFAIL("writing no sets must throw");
    } catch (const std::runtime_error &error) {
        QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("There is no set in the sequence."));
    }
    QVERIFY(Control::calls().empty());
}

void TestSequence::writingEnablesEachEditedFeatureOnce()
{
    // Set 0 edits exposure, set 1 exposure and gain, set 2 nothing but its path.
    fixture.workspace()->addSet(fixture.camera, fixture.sequencer, {1});
    fixture.workspace()->addSet(fixture.camera, fixture.sequencer, {1, 2});
    fixture.workspace()->addSet(fixture.camera, fixture.sequencer, {});
    Control::clearCalls();
    fixture.sequencer->writeSequence(fixture.sets(), false);

    int enables = 0;
    int disablesFirst = 0;
    bool setSelected = false;
    for (const VyraSim::CallRecord &call : Control::calls()) {
        setSelected = setSelected || call.command == VYRA_SEQUENCER_SELECT_SET;
        if (call.operation == "sequencerControl" && call.command == VYRA_SEQUENCER_FEATURE_ENABLE)
            (setSelected ? enables : disablesFirst)++;
    }
    QCOMPARE(disablesFirst, 5);
    QCOMPARE(enables, 2);
    const VyraSim::OpenCameraState state = fixture.state();
    QCOMPARE(state.sequence.enabledFeatures, uint32_t(VYRA_FEATURE_EXPOSURE | VYRA_FEATURE_GAIN));
    QVERIFY(!state.configurationMode);
    QCOMPARE(state.triggerMode, VYRA_TRIGGER_SOFTWARE);
}

void TestSequence::pathsAreWrittenOrKept_data()
{
    QTest::addColumn<bool>("keepCameraPaths");
    QTest::newRow("written") << false;
    QTest::newRow("kept") << true;
}

void TestSequence::pathsAreWrittenOrKept()
{
    QFETCH(bool, keepCameraPaths);
    buildThreeSets();
    // The camera holds the ring 0 -> 1 -> 2 -> 0; the editors now choose
    // 0 -> 2 -> 1 -> 0.
    fixture.sequencer->writeSequence(fixture.sets(), false);
    const QList<int> chosen = {2, 0, 1};
    for (SequencerSet *set : fixture.sets())
        qobject_cast<QComboBox *>(pathOf(set)->rows().at(3).second)
            ->setCurrentIndex(chosen.at(set->index()));
    Control::clearCalls();

    fixture.sequencer->writeSequence(fixture.sets(), keepCameraPaths);

    QCOMPARE(callCount("sequencerControl", VYRA_SEQUENCER_PATH_SET), keepCameraPaths ? 0 : 3);
    const QList<int> inCamera = keepCameraPaths ? QList<int>{1, 2, 0} : chosen;
    const VyraSim::OpenCameraState state = fixture.state();
    for (SequencerSet *set : fixture.sets()) {
        QCOMPARE(state.sequence.sets.at(set->index()).nextSet, inCamera.at(set->index()));
        QCOMPARE(pathOf(set)->nextSet(), inCamera.at(set->index()));
    }
}

void TestSequence::readingFollowsThePathsAndEnds_data()
{
    QTest::addColumn<QList<int>>("nextSets");
    QTest::addColumn<QList<quint32>>("read");
    QTest::newRow("one set leading to itself") << QList<int>{0} << QList<quint32>{0};
    QTest::newRow("ring") << QList<int>{1, 2, 0} << QList<quint32>{0, 1, 2};
    QTest::newRow("chain back into itself") << QList<int>{1, 2, 1} << QList<quint32>{0, 1, 2};
}

void TestSequence::readingFollowsThePathsAndEnds()
{
    QFETCH(QList<int>, nextSets);
    QFETCH(QList<quint32>, read);
    Sequencer &sequencer = *fixture.sequencer;
    sequencer.enableConfigurationMode(true);
    sequencer.enableFeature(VYRA_FEATURE_EXPOSURE, true);
    for (int set = 0; set < nextSets.size(); ++set) {
        sequencer.setSelectedSet(set);
        fixture.camera->setExposure(exposures.at(set));
        fixture.camera->setActivePath(0, nextSets.at(set), VYRA_SEQUENCER_TRIGGER_FRAME_END);
        sequencer.saveSet();
    }
    sequencer.enableConfigurationMode(false);

    const Sequencer::Snapshot snapshot = sequencer.readSequence();
    QCOMPARE(snapshot.keys(), read);
    for (quint32 set : read) {
        QCOMPARE(snapshot.value(set).keys(), QList<qint64>{VYRA_FEATURE_EXPOSURE});
        QCOMPARE(storedExposure(snapshot.value(set).value(VYRA_FEATURE_EXPOSURE)),
                 exposures.at(int(set)));
    }
    QVERIFY(!fixture.state().configurationMode);
}

void TestSequence::aSequenceBuiltInTheWorkspaceRunsWithinItsSets()
{
    // A new set's path names the set after it; the last one names the first
    // set, where the ring closes.
    buildThreeSets();
    QCOMPARE(pathOf(fixture.sets().last())->nextSet(), 0);
    fixture.sequencer->reset();
    fixture.sequencer->writeSequence(fixture.sets(), false);
    fixture.sequencer->enableSequencerMode(true);

    QList<int> taken;
    for (int image = 0; image < 6; ++image) {
        const VyraSim::OpenCameraState before = fixture.state();
        taken << before.currentSet;
        fixture.camera->trigger();
        QTRY_VERIFY(fixture.state().framesTaken > before.framesTaken);
    }
    QCOMPARE(taken, QList<int>({0, 1, 2, 0, 1, 2}));
    QCOMPARE(pathOf(fixture.sets().last())->nextSet(), 0);
}

void TestSequence::aWrittenSequenceReadsBackEqual()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("three sets.xml"));
    buildThreeSets();
    fixture.sequencer->writeSequence(fixture.sets(), false);
    fixture.sequencer->saveConfiguration(file);
    const VyraSim::SequencerConfiguration written = fixture.state().sequence;

    fixture.sequencer->reset();
    QVERIFY(fixture.state().sequence != written);
    fixture.sequencer->loadConfiguration(file);
    const Sequencer::Snapshot snapshot = fixture.sequencer->readSequence();

    QCOMPARE(fixture.state().sequence, written);
    QCOMPARE(snapshot.keys(), QList<quint32>({0, 1, 2}));
    for (quint32 set : snapshot.keys()) {
        const Sequencer::SetValues &values = snapshot.value(set);
        QCOMPARE(values.keys(), QList<qint64>({VYRA_FEATURE_EXPOSURE, VYRA_FEATURE_GAIN}));
        QCOMPARE(storedExposure(values.value(VYRA_FEATURE_EXPOSURE)), exposures.at(int(set)));
        qint32 gains[4] = {};
        std::memcpy(gains, values.value(VYRA_FEATURE_GAIN)->data(), sizeof gains);
        QCOMPARE(gains[0], qint32(10 * (set + 1)));
    }
}

QTEST_MAIN(TestSequence)
#include "tst_sequence.moc"
