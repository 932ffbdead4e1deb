// Whole sequences: a sequence model written into the simulated camera, run
// there, and read back.

#include <QTemporaryDir>
#include <QtTest>

#include <stdexcept>

#include "sequencefixture.h"

using VyraSim::Control;

namespace {

/// Three sets varying exposure and gain, each with values of its own, along
/// the paths given.
Sequence threeSets(const QList<int> &nextSets = {1, 2, 0})
{
    Sequence sequence;
    sequence.features = {VYRA_FEATURE_EXPOSURE, VYRA_FEATURE_GAIN};
    for (int set = 0; set < 3; ++set) {
        SetParameters values;
        values.exposureMs = 5.0 + 7.5 * set;
        values.masterGain = 10 * (set + 1);
        values.triggerSource = VYRA_SEQUENCER_TRIGGER_FRAME_END;
        values.nextSet = nextSets.at(set);
        sequence.sets << values;
    }
    return sequence;
}

} // namespace

class TestSequence : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void writingNoSetsThrowsBeforeAnyDriverCall();
    void writingEnablesEachVariedFeatureOnce();
    void readingFollowsThePathsAndEnds_data();
    void readingFollowsThePathsAndEnds();
    void aWrittenSequenceRunsAlongItsPaths_data();
    void aWrittenSequenceRunsAlongItsPaths();
    void aSavedSequenceLoadsBackEqual();

private:
    SequenceFixture fixture;
};

void TestSequence::init()
{
    QVERIFY(fixture.open());
}

void TestSequence::cleanup()
{
    fixture.close();
}

void TestSequence::writingNoSetsThrowsBeforeAnyDriverCall()
{
    try {
        fixture.sequencer->writeSequence(Sequence());
        QFAIL("writing no sets must throw");
    } catch (const std::runtime_error &error) {
        QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("There is no set in the sequence."));
    }
    QVERIFY(Control::calls().empty());
}

void TestSequence::writingEnablesEachVariedFeatureOnce()
{
    fixture.sequencer->writeSequence(threeSets());

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

void TestSequence::readingFollowsThePathsAndEnds_data()
{
    QTest::addColumn<QList<int>>("inCamera");
    QTest::addColumn<QList<int>>("read");
    QTest::newRow("one set leading to itself") << QList<int>{0} << QList<int>{0};
    QTest::newRow("ring") << QList<int>{1, 2, 0} << QList<int>{1, 2, 0};
    QTest::newRow("chain back into itself") << QList<int>{1, 2, 1} << QList<int>{1, 2, 1};
    // Sets 0, 2 and 4 of the camera become sets 0, 1 and 2.
    QTest::newRow("gaps in the numbers") << QList<int>{2, -1, 4, -1, 0} << QList<int>{1, 2, 0};
}

void TestSequence::readingFollowsThePathsAndEnds()
{
    QFETCH(QList<int>, inCamera);
    QFETCH(QList<int>, read);
    Sequencer &sequencer = *fixture.sequencer;
    sequencer.enableConfigurationMode(true);
    sequencer.enableFeature(VYRA_FEATURE_EXPOSURE, true);
    QList<double> stored;
    for (int set = 0; set < inCamera.size(); ++set) {
        if (inCamera.at(set) < 0)
            continue;
        sequencer.setSelectedSet(set);
        fixture.camera->setExposure(2.0 + set);
        fixture.camera->setActivePath(0, inCamera.at(set), VYRA_SEQUENCER_TRIGGER_FRAME_END);
        sequencer.saveSet();
        stored << 2.0 + set;
    }
    sequencer.enableConfigurationMode(false);

    const Sequence sequence = sequencer.readSequence();
    QCOMPARE(sequence.features, QList<qint64>{VYRA_FEATURE_EXPOSURE});
    QCOMPARE(sequence.setCount(), read.size());
    for (int set = 0; set < read.size(); ++set) {
        QCOMPARE(sequence.sets.at(set).nextSet, read.at(set));
        QCOMPARE(sequence.sets.at(set).exposureMs, stored.at(set));
    }
    QVERIFY(!fixture.state().configurationMode);
}

void TestSequence::aWrittenSequenceRunsAlongItsPaths_data()
{
    QTest::addColumn<QList<int>>("nextSets");
    QTest::addColumn<QList<int>>("taken");
    QTest::newRow("ring") << QList<int>{1, 2, 0} << QList<int>{0, 1, 2, 0, 1, 2};
    QTest::newRow("backwards") << QList<int>{2, 0, 1} << QList<int>{0, 2, 1, 0, 2, 1};
    QTest::newRow("set 1 left out") << QList<int>{2, 2, 0} << QList<int>{0, 2, 0, 2, 0, 2};
}

void TestSequence::aWrittenSequenceRunsAlongItsPaths()
{
    QFETCH(QList<int>, nextSets);
    QFETCH(QList<int>, taken);
    fixture.sequencer->reset();
    fixture.sequencer->writeSequence(threeSets(nextSets));
    fixture.sequencer->enableSequencerMode(true);

    QList<int> sets;
    for (int image = 0; image < taken.size(); ++image) {
        const VyraSim::OpenCameraState before = fixture.state();
        sets << before.currentSet;
        fixture.camera->trigger();
        QTRY_VERIFY(fixture.state().framesTaken > before.framesTaken);
    }
    QCOMPARE(sets, taken);
}

void TestSequence::aSavedSequenceLoadsBackEqual()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("three sets.xml"));
    const Sequence written = threeSets({2, 0, 1});
    fixture.sequencer->writeSequence(written);
    fixture.sequencer->saveConfiguration(file);

    fixture.sequencer->reset();
    fixture.sequencer->loadConfiguration(file);
    const Sequence read = fixture.sequencer->readSequence();

    QCOMPARE(read.features, written.features);
    QCOMPARE(read.setCount(), 3);
    for (int set = 0; set < 3; ++set) {
        for (qint64 feature : {VYRA_FEATURE_EXPOSURE, VYRA_FEATURE_GAIN, 255})
            QVERIFY(read.sets.at(set).sameFeature(written.sets.at(set), feature));
    }
}

QTEST_MAIN(TestSequence)
#include "tst_sequence.moc"
