#include <QSharedPointer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include "sequencer.h"
#include "simcontrol.h"
#include "vyracamera.h"
#include "vyracameraexception.h"

using VyraSim::CallRecord;
using VyraSim::Control;

namespace {

int firstFreeCamera()
{
    for (const VyraSim::CameraState &camera : Control::cameras()) {
        if (camera.plugged && !camera.description.inUseElsewhere)
            return camera.description.deviceId;
    }
    return -1;
}

// The position of the first call of operation with command at or after from.
int indexOf(const std::vector<CallRecord> &calls, const std::string &operation, int64_t command,
            int from = 0)
{
    for (int i = from; i < int(calls.size()); ++i) {
        if (calls[i].operation == operation && calls[i].command == command)
            return i;
    }
    return -1;
}

} // namespace

// The wrapper of the camera's sequencer command, against the simulated camera.
class TestSequencer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void catalogueListsTheFiveFeaturesInIdentifierOrder();
    void constructionResetsTheCameraSequenceFirst();
    void featuresAreEnabledAndReadBackInCatalogueOrder();
    void selectedPathAsksForPathZero();
    void sequencerModeOnWhileLivePausesLiveAroundTheSwitch();
    void sequencerModeOffLeavesLiveAsItWas();
    void setsAreSelectedAndStoredOnlyInConfigurationMode();
    void configurationFileRoundTripKeepsTheSequence();
    void failingCallsThrowWithTheDriverMessage();
    void featureValueOfAFailedReadThrows();

private:
    QSharedPointer<VyraCamera> camera;
};

void TestSequencer::init()
{
    Control::resetToDefaults();
    camera = QSharedPointer<VyraCamera>::create(firstFreeCamera());
    Control::clearCalls();
}

void TestSequencer::cleanup()
{
    camera.reset();
}

void TestSequencer::catalogueListsTheFiveFeaturesInIdentifierOrder()
{
    const Sequencer::FeatureCatalogue &catalogue = Sequencer::featureCatalogue();
    QCOMPARE(catalogue.keys(), (QList<qint64>{1, 2, 4, 8, 16}));
    QStringList names;
    QList<quint32> sizes;
    for (const SequencerFeature &feature : catalogue) {
        names << feature.name;
        sizes << feature.valueSize;
    }
    QCOMPARE(names, (QStringList{"Exposure", "Gain", "AOI Offset X", "AOI Offset Y", "Flash"}));
    QCOMPARE(sizes, (QList<quint32>{8, 16, 4, 4, 12}));
    QVERIFY(!catalogue.contains(255));
}

void TestSequencer::constructionResetsTheCameraSequenceFirst()
{
    Sequencer sequencer(camera);
    const std::vector<CallRecord> calls = Control::calls();
    QCOMPARE(int(calls.size()), 1);
    QCOMPARE(calls.front().operation, std::string("sequencerControl"));
    QCOMPARE(calls.front().command, int64_t(VYRA_SEQUENCER_RESET));
}

void TestSequencer::featuresAreEnabledAndReadBackInCatalogueOrder()
{
    Sequencer sequencer(camera);
    sequencer.enableConfigurationMode(true);
    sequencer.enableFeature(VYRA_FEATURE_FLASH, true);
    sequencer.enableFeature(VYRA_FEATURE_EXPOSURE, true);
    QCOMPARE(sequencer.enabledFeatures(), (QList<qint64>{1, 16}));
    QVERIFY(sequencer.isFeatureEnabled(VYRA_FEATURE_FLASH));
    QVERIFY(!sequencer.isFeatureEnabled(VYRA_FEATURE_GAIN));

    sequencer.enableAllFeatures(false);
    QVERIFY(sequencer.enabledFeatures().isEmpty());
    sequencer.enableAllFeatures(true);
    QCOMPARE(sequencer.enabledFeatures(), Sequencer::featureCatalogue().keys());
    sequencer.enableConfigurationMode(false);
}

void TestSequencer::selectedPathAsksForPathZero()
{
    Sequencer sequencer(camera);
    sequencer.enableConfigurationMode(true);
    sequencer.setSelectedSet(2);
    camera->setActivePath(0, 5, VYRA_SEQUENCER_TRIGGER_FRAME_START);
    const VyraPathRecord path = sequencer.selectedPath();
    QCOMPARE(path.pathIndex, 0);
    QCOMPARE(path.nextSet, 5);
    QCOMPARE(path.triggerSource, VYRA_SEQUENCER_TRIGGER_FRAME_START);
    QCOMPARE(sequencer.selectedSet(), 2);
    sequencer.enableConfigurationMode(false);
}

void TestSequencer::sequencerModeOnWhileLivePausesLiveAroundTheSwitch()
{
    Sequencer sequencer(camera);
    camera->enableLiveVideo(true);
    Control::clearCalls();

    sequencer.enableSequencerMode(true);

    const std::vector<CallRecord> calls = Control::calls();
    const int stop = indexOf(calls, "stopLiveCapture", VYRA_CAPTURE_FORCE_STOP);
    const int trigger = indexOf(calls, "selectTriggerSource", VYRA_TRIGGER_SINGLE);
    const int mode = indexOf(calls, "sequencerControl", VYRA_SEQUENCER_MODE_SET);
    const int start = indexOf(calls, "startLiveCapture", VYRA_CAPTURE_START, std::max(mode, 0));
    QVERIFY(stop >= 0);
    QVERIFY(trigger > stop);
    QVERIFY(mode > trigger);
    QVERIFY(start > mode);
    QVERIFY(sequencer.isSequencerModeEnabled());
    QVERIFY(camera->isLiveVideoEnabled());
    const auto state = Control::openCameraState(camera->handle());
    QVERIFY(state.has_value());
    QCOMPARE(state->triggerMode, VYRA_TRIGGER_SINGLE);
}

void TestSequencer::sequencerModeOffLeavesLiveAsItWas()
{
    Sequencer sequencer(camera);
    sequencer.enableSequencerMode(true);
    QVERIFY(!camera->isLiveVideoEnabled());
    Control::clearCalls();

    sequencer.enableSequencerMode(false);

    QVERIFY(!camera->isLiveVideoEnabled());
    QCOMPARE(indexOf(Control::calls(), "startLiveCapture", VYRA_CAPTURE_START), -1);
    QVERIFY(!sequencer.isSequencerModeEnabled());
    QCOMPARE(Control::openCameraState(camera->handle())->triggerMode, VYRA_TRIGGER_SOFTWARE);
}

void TestSequencer::setsAreSelectedAndStoredOnlyInConfigurationMode()
{
    Sequencer sequencer(camera);
    QVERIFY_EXCEPTION_THROWN(sequencer.setSelectedSet(1), VyraCameraException);
    QVERIFY_EXCEPTION_THROWN(sequencer.saveSet(), VyraCameraException);

    sequencer.enableConfigurationMode(true);
    sequencer.setSelectedSet(1);
    QCOMPARE(sequencer.selectedSet(), 1);
    sequencer.enableFeature(VYRA_FEATURE_EXPOSURE, true);
    camera->setExposure(12.5);
    sequencer.saveSet();
    const QSharedPointer<FeatureValue> value = sequencer.featureValue(VYRA_FEATURE_EXPOSURE, 8);
    double stored = 0;
    memcpy(&stored, value->data(), sizeof(stored));
    QVERIFY(qAbs(stored - 12.5) < camera->exposureIncrement() + 1e-9);
    QCOMPARE(sequencer.startSet(), 0);
    sequencer.enableConfigurationMode(false);
}

void TestSequencer::configurationFileRoundTripKeepsTheSequence()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("sequence ä.xml"));

    Sequencer sequencer(camera);
    sequencer.enableConfigurationMode(true);
    sequencer.enableFeature(VYRA_FEATURE_GAIN, true);
    sequencer.setSelectedSet(0);
    camera->setActivePath(0, 1, VYRA_SEQUENCER_TRIGGER_FRAME_END);
    sequencer.saveSet();
    sequencer.setSelectedSet(1);
    camera->setActivePath(0, 0, VYRA_SEQUENCER_TRIGGER_FRAME_END);
    sequencer.saveSet();
    sequencer.enableConfigurationMode(false);
    sequencer.saveConfiguration(path);

    sequencer.reset();
    sequencer.enableConfigurationMode(true);
    QVERIFY(sequencer.enabledFeatures().isEmpty());
    sequencer.enableConfigurationMode(false);

    Control::clearCalls();
    sequencer.loadConfiguration(path);
    // Loading runs in the configuration bracket and leaves it closed.
    const std::vector<CallRecord> calls = Control::calls();
    const int single = indexOf(calls, "selectTriggerSource", VYRA_TRIGGER_SINGLE);
    const int load = indexOf(calls, "sequencerControl", VYRA_SEQUENCER_LOAD_FILE);
    const int software = indexOf(calls, "selectTriggerSource", VYRA_TRIGGER_SOFTWARE);
    QVERIFY(single >= 0 && load > single && software > load);
    QCOMPARE(calls.back().operation, std::string("sequencerControl"));
    QCOMPARE(calls.back().command, int64_t(VYRA_SEQUENCER_CONFIGURATION_SET));

    sequencer.enableConfigurationMode(true);
    QCOMPARE(sequencer.enabledFeatures(), (QList<qint64>{VYRA_FEATURE_GAIN}));
    sequencer.setSelectedSet(0);
    QCOMPARE(sequencer.selectedPath().nextSet, 1);
    sequencer.setSelectedSet(1);
    QCOMPARE(sequencer.selectedPath().nextSet, 0);
    sequencer.enableConfigurationMode(false);
}

void TestSequencer::failingCallsThrowWithTheDriverMessage()
{
    Sequencer sequencer(camera);
    QVERIFY(Control::injectFailure("sequencerControl", VYRA_INVALID_HANDLE, 1,
                                   VYRA_SEQUENCER_MODE_GET));
    try {
        sequencer.isSequencerModeEnabled();
        QFAIL("a failing status must throw");
    } catch (const VyraCameraException &error) {
        QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("Invalid camera handle (1)"));
    }
    QVERIFY(!sequencer.isSequencerModeEnabled());
}

void TestSequencer::featureValueOfAFailedReadThrows()
{
    Sequencer sequencer(camera);
    sequencer.enableConfigurationMode(true);
    QVERIFY(Control::injectFailure("sequencerControl", VYRA_INVALID_PARAMETER, 1,
                                   VYRA_SEQUENCER_FEATURE_VALUE));
    QVERIFY_EXCEPTION_THROWN(sequencer.featureValue(VYRA_FEATURE_FLASH, 12), VyraCameraException);
    // The next read works again and yields a value of the requested size.
    QCOMPARE(sequencer.featureValue(VYRA_FEATURE_FLASH, 12)->size(), std::size_t(12));
    sequencer.enableConfigurationMode(false);
}

QTEST_GUILESS_MAIN(TestSequencer)
#include "tst_sequencer.moc"
