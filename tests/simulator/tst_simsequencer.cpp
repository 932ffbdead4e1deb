#include <QTest>

#include "simsequencer.h"
#include "tst_simsequencer_support.h"

using SequencerTest::Bench;
using SequencerTest::distinctValues;
using VyraSim::SequencerValues;

// The simulated camera's sequencer on its own: the sub-commands, the mode
// rules, storing sets and stepping along paths.
class TestSimSequencer : public QObject
{
    Q_OBJECT

private slots:
    void powerOnState();
    void setCountAndTriggerMaskArePerCamera();
    void modeRules();
    void refusedCommandsChangeNothing_data();
    void refusedCommandsChangeNothing();
    void triggerSourceMustBeOffered();
    void saveSetStoresEnabledFeaturesAndWrittenPath();
    void pathWrittenIsReadBackAndSelectingDiscardsIt();
    void featureValueLayouts();
    void resetReturnsToPowerOn();
    void stepsAlongPathsWithEachTriggerSource_data();
    void stepsAlongPathsWithEachTriggerSource();
    void triggerSourceOffHoldsTheSet();
    void imagesUseStoredValuesOfEnabledFeaturesOnly();
    void switchingOnAgainStartsAtTheStartSet();
};

void TestSimSequencer::powerOnState()
{
    Bench bench;
    QCOMPARE(bench.getInt(VYRA_SEQUENCER_SUPPORTED), 1);
    QCOMPARE(bench.getInt(VYRA_SEQUENCER_MODE_GET), 0);
    QCOMPARE(bench.getInt(VYRA_SEQUENCER_SET_COUNT), 32);
    QCOMPARE(bench.getInt(VYRA_SEQUENCER_PATH_COUNT), 1);
    QCOMPARE(bench.getInt(VYRA_SEQUENCER_TRIGGER_SOURCES), 7);
    QCOMPARE(bench.getInt(VYRA_SEQUENCER_START_SET), 0);
    QCOMPARE(bench.getInt(VYRA_SEQUENCER_SELECTED_SET), 0);
    QVERIFY(!bench.sequencer.configurationModeOn());
    const VyraPathRecord path = bench.readPath();
    QCOMPARE(path.nextSet, 0);
    QCOMPARE(path.triggerSource, VYRA_SEQUENCER_TRIGGER_OFF);
    QCOMPARE(path.reserved, 0);
    for (int64_t feature : {1, 2, 4, 8, 16}) {
        QCOMPARE(bench.selectFeature(feature), VYRA_SUCCESS);
        QCOMPARE(bench.getInt(VYRA_SEQUENCER_FEATURE_ENABLED), 0);
    }
    QCOMPARE(bench.sequencer.configuration().sets.size(), size_t(32));
    for (const auto &set : bench.sequencer.configuration().sets)
        QVERIFY(set.values == Bench::defaults());
}

void TestSimSequencer::setCountAndTriggerMaskArePerCamera()
{
    Bench small(4, VYRA_SEQUENCER_TRIGGER_EXPOSURE_END);
    QCOMPARE(small.getInt(VYRA_SEQUENCER_SET_COUNT), 4);
    QCOMPARE(small.getInt(VYRA_SEQUENCER_TRIGGER_SOURCES), 4);
    QCOMPARE(small.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 1), VYRA_SUCCESS);
    QCOMPARE(small.setInt(VYRA_SEQUENCER_SELECT_SET, 3), VYRA_SUCCESS);
    QCOMPARE(small.setInt(VYRA_SEQUENCER_SELECT_SET, 4), VYRA_INVALID_PARAMETER);

    // Bits beyond the three trigger sources and counts beyond one byte of set
    // index are not offered, whatever the camera's description says.
    Bench odd(0, 0xff);
    QCOMPARE(odd.getInt(VYRA_SEQUENCER_SET_COUNT), 1);
    QCOMPARE(odd.getInt(VYRA_SEQUENCER_TRIGGER_SOURCES), 7);
    Bench huge(100000, 0);
    QCOMPARE(huge.getInt(VYRA_SEQUENCER_SET_COUNT), VyraSim::SimSequencer::maximumSetCount);
}

void TestSimSequencer::modeRules()
{
    Bench bench;
    // Selecting, storing and enabling need configuration mode.
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_SELECT_SET, 1), VYRA_INVALID_PARAMETER);
    QCOMPARE(bench.none(VYRA_SEQUENCER_SAVE_SET), VYRA_INVALID_PARAMETER);
    QCOMPARE(bench.enableFeature(VYRA_FEATURE_GAIN), VYRA_INVALID_PARAMETER);
    QCOMPARE(bench.getInt(VYRA_SEQUENCER_SELECTED_SET), 0);

    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 1), VYRA_SUCCESS);
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 1), VYRA_SUCCESS);
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_SELECT_SET, 1), VYRA_SUCCESS);
    QCOMPARE(bench.none(VYRA_SEQUENCER_SAVE_SET), VYRA_SUCCESS);
    QCOMPARE(bench.enableFeature(VYRA_FEATURE_GAIN), VYRA_SUCCESS);

    // No sequence runs while it is being configured.
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_MODE_SET, 1), VYRA_INVALID_PARAMETER);
    QCOMPARE(bench.getInt(VYRA_SEQUENCER_MODE_GET), 0);

    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 0), VYRA_SUCCESS);
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_MODE_SET, 1), VYRA_SUCCESS);
    // The application switches it on twice in a row; the second does nothing.
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_MODE_SET, 1), VYRA_SUCCESS);
    QCOMPARE(bench.getInt(VYRA_SEQUENCER_MODE_GET), 1);

    // ... and a running sequence is not reconfigured.
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 1), VYRA_INVALID_PARAMETER);
    QVERIFY(!bench.sequencer.configurationModeOn());
    QCOMPARE(bench.fileCommand(VYRA_SEQUENCER_LOAD_FILE, QStringLiteral("/nonexistent.xml")),
             VYRA_INVALID_PARAMETER);
    // Switching configuration mode off while it is off is harmless.
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 0), VYRA_SUCCESS);

    QCOMPARE(bench.setInt(VYRA_SEQUENCER_MODE_SET, 0), VYRA_SUCCESS);
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_MODE_SET, 0), VYRA_SUCCESS);
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 1), VYRA_SUCCESS);

    // Reset is accepted in every mode and switches both modes off.
    QCOMPARE(bench.none(VYRA_SEQUENCER_RESET), VYRA_SUCCESS);
    QVERIFY(!bench.sequencer.configurationModeOn());
    QVERIFY(!bench.sequencer.sequencerModeOn());
}

void TestSimSequencer::refusedCommandsChangeNothing_data()
{
    QTest::addColumn<uint32_t>("command");
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<bool>("nullBuffer");

    auto int32 = [](int32_t value) {
        return QByteArray(reinterpret_cast<const char *>(&value), sizeof value);
    };
    auto int64 = [](int64_t value) {
        return QByteArray(reinterpret_cast<const char *>(&value), sizeof value);
    };
    auto path = [](int32_t index, int32_t next, int32_t trigger) {
        const VyraPathRecord record{index, next, trigger, 0};
        return QByteArray(reinterpret_cast<const char *>(&record), sizeof record);
    };

    QTest::newRow("set index = set count")
        << uint32_t(VYRA_SEQUENCER_SELECT_SET) << int32(32) << false;
    QTest::newRow("negative set index")
        << uint32_t(VYRA_SEQUENCER_SELECT_SET) << int32(-1) << false;
    QTest::newRow("feature 3") << uint32_t(VYRA_SEQUENCER_FEATURE_SELECT) << int64(3) << false;
    QTest::newRow("feature 0") << uint32_t(VYRA_SEQUENCER_FEATURE_SELECT) << int64(0) << false;
    QTest::newRow("feature 255 (path)")
        << uint32_t(VYRA_SEQUENCER_FEATURE_SELECT) << int64(255) << false;
    QTest::newRow("feature 2^32 + 1")
        << uint32_t(VYRA_SEQUENCER_FEATURE_SELECT) << int64((int64_t(1) << 32) + 1) << false;
    QTest::newRow("feature id in 4 bytes")
        << uint32_t(VYRA_SEQUENCER_FEATURE_SELECT) << int32(2) << false;
    QTest::newRow("enable word 2") << uint32_t(VYRA_SEQUENCER_FEATURE_ENABLE) << int32(2) << false;
    QTest::newRow("mode word -1") << uint32_t(VYRA_SEQUENCER_MODE_SET) << int32(-1) << false;
    QTest::newRow("configuration word 7")
        << uint32_t(VYRA_SEQUENCER_CONFIGURATION_SET) << int32(7) << false;
    QTest::newRow("next set beyond the sets")
        << uint32_t(VYRA_SEQUENCER_PATH_SET) << path(0, 32, 1) << false;
    QTest::newRow("negative next set")
        << uint32_t(VYRA_SEQUENCER_PATH_SET) << path(0, -3, 1) << false;
    QTest::newRow("path index 1") << uint32_t(VYRA_SEQUENCER_PATH_SET) << path(1, 2, 1) << false;
    QTest::newRow("trigger source 3")
        << uint32_t(VYRA_SEQUENCER_PATH_SET) << path(0, 2, 3) << false;
    QTest::newRow("trigger source 8")
        << uint32_t(VYRA_SEQUENCER_PATH_SET) << path(0, 2, 8) << false;
    QTest::newRow("short path record")
        << uint32_t(VYRA_SEQUENCER_PATH_SET) << path(0, 2, 1).left(12) << false;
    QTest::newRow("null path record") << uint32_t(VYRA_SEQUENCER_PATH_SET) << path(0, 2, 1) << true;
    QTest::newRow("reset with a buffer") << uint32_t(VYRA_SEQUENCER_RESET) << int32(0) << false;
    QTest::newRow("save set with a buffer")
        << uint32_t(VYRA_SEQUENCER_SAVE_SET) << int32(0) << false;
    QTest::newRow("load with a size")
        << uint32_t(VYRA_SEQUENCER_LOAD_FILE) << QByteArray("x\0\0\0", 4) << false;
    QTest::newRow("load without a path")
        << uint32_t(VYRA_SEQUENCER_LOAD_FILE) << QByteArray() << true;
    QTest::newRow("unknown sub-command 9") << uint32_t(9) << int32(0) << false;
    QTest::newRow("unknown sub-command 99") << uint32_t(99) << int32(0) << false;
}

void TestSimSequencer::refusedCommandsChangeNothing()
{
    QFETCH(uint32_t, command);
    QFETCH(QByteArray, buffer);
    QFETCH(bool, nullBuffer);

    Bench bench;
    // A state away from power-on, so that an accidental reset would show.
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 1), VYRA_SUCCESS);
    QCOMPARE(bench.enableFeature(VYRA_FEATURE_EXPOSURE), VYRA_SUCCESS);
    QCOMPARE(bench.storeSet(1, distinctValues(1), 2, VYRA_SEQUENCER_TRIGGER_FRAME_START),
             VYRA_SUCCESS);
    QCOMPARE(bench.writePath(5, VYRA_SEQUENCER_TRIGGER_FRAME_END), VYRA_SUCCESS);
    QCOMPARE(bench.selectFeature(VYRA_FEATURE_FLASH), VYRA_SUCCESS);
    const Bench::Snapshot before = bench.snapshot();

    const VyraStatus status = bench.sequencer.control(command, nullBuffer ? nullptr : buffer.data(),
                                                      uint32_t(buffer.size()), bench.context);
    QCOMPARE(status, VYRA_INVALID_PARAMETER);
    QVERIFY(bench.snapshot() == before);
    QCOMPARE(bench.getInt(VYRA_SEQUENCER_FEATURE_ENABLED), 0); // Flash still selected
}

void TestSimSequencer::triggerSourceMustBeOffered()
{
    Bench bench(8, VYRA_SEQUENCER_TRIGGER_EXPOSURE_END);
    QCOMPARE(bench.writePath(1, VYRA_SEQUENCER_TRIGGER_FRAME_END), VYRA_INVALID_PARAMETER);
    QCOMPARE(bench.writePath(1, VYRA_SEQUENCER_TRIGGER_FRAME_START), VYRA_INVALID_PARAMETER);
    QCOMPARE(bench.readPath().nextSet, 0);
    QCOMPARE(bench.writePath(1, VYRA_SEQUENCER_TRIGGER_EXPOSURE_END), VYRA_SUCCESS);
    QCOMPARE(bench.readPath().triggerSource, VYRA_SEQUENCER_TRIGGER_EXPOSURE_END);
    QCOMPARE(bench.writePath(7, VYRA_SEQUENCER_TRIGGER_OFF), VYRA_SUCCESS);
    QCOMPARE(bench.readPath().nextSet, 7);
}

void TestSimSequencer::saveSetStoresEnabledFeaturesAndWrittenPath()
{
    Bench bench;
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 1), VYRA_SUCCESS);
    QCOMPARE(bench.enableFeature(VYRA_FEATURE_GAIN), VYRA_SUCCESS);
    QCOMPARE(bench.enableFeature(VYRA_FEATURE_AOI_OFFSET_Y), VYRA_SUCCESS);
    const SequencerValues live = distinctValues(3);
    QCOMPARE(bench.storeSet(4, live, 9, VYRA_SEQUENCER_TRIGGER_FRAME_END), VYRA_SUCCESS);

    const auto &stored = bench.sequencer.configuration().sets.at(4);
    SequencerValues expected = Bench::defaults();
    expected.masterGain = live.masterGain;
    expected.redGain = live.redGain;
    expected.greenGain = live.greenGain;
    expected.blueGain = live.blueGain;
    expected.offsetY = live.offsetY;
    QVERIFY(stored.values == expected);
    QCOMPARE(stored.nextSet, 9);
    QCOMPARE(stored.triggerSource, VYRA_SEQUENCER_TRIGGER_FRAME_END);
    // The other sets are untouched.
    QVERIFY(bench.sequencer.configuration().sets.at(3).values == Bench::defaults());
    QCOMPARE(bench.sequencer.configuration().sets.at(3).nextSet, 0);

    // Disabling a feature afterwards keeps what the set stored, and a later
    // store leaves a disabled feature's value as it was.
    QCOMPARE(bench.enableFeature(VYRA_FEATURE_GAIN, false), VYRA_SUCCESS);
    QCOMPARE(bench.storeSet(4, distinctValues(7), 9, VYRA_SEQUENCER_TRIGGER_FRAME_END),
             VYRA_SUCCESS);
    QCOMPARE(bench.sequencer.configuration().sets.at(4).values.masterGain, live.masterGain);
    QCOMPARE(bench.sequencer.configuration().sets.at(4).values.offsetY, distinctValues(7).offsetY);
}

void TestSimSequencer::pathWrittenIsReadBackAndSelectingDiscardsIt()
{
    Bench bench;
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 1), VYRA_SUCCESS);
    QCOMPARE(bench.storeSet(2, Bench::defaults(), 3, VYRA_SEQUENCER_TRIGGER_FRAME_START),
             VYRA_SUCCESS);

    QCOMPARE(bench.writePath(6, VYRA_SEQUENCER_TRIGGER_EXPOSURE_END), VYRA_SUCCESS);
    VyraPathRecord path = bench.readPath();
    QCOMPARE(path.pathIndex, 0);
    QCOMPARE(path.nextSet, 6);
    QCOMPARE(path.triggerSource, VYRA_SEQUENCER_TRIGGER_EXPOSURE_END);
    // Not stored: the set keeps its path until it is saved.
    QCOMPARE(bench.sequencer.configuration().sets.at(2).nextSet, 3);

    QCOMPARE(bench.setInt(VYRA_SEQUENCER_SELECT_SET, 2), VYRA_SUCCESS);
    path = bench.readPath();
    QCOMPARE(path.nextSet, 3);
    QCOMPARE(path.triggerSource, VYRA_SEQUENCER_TRIGGER_FRAME_START);

    // Reading another path index than 0 is refused; the record stays as given.
    VyraPathRecord other{1, 11, 12, 13};
    QCOMPARE(bench.sequencer.control(VYRA_SEQUENCER_PATH_GET, &other, sizeof other, bench.context),
             VYRA_INVALID_PARAMETER);
    QCOMPARE(other.nextSet, 11);
}

void TestSimSequencer::featureValueLayouts()
{
    Bench bench;
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 1), VYRA_SUCCESS);
    for (int64_t feature : {1, 2, 4, 8, 16})
        QCOMPARE(bench.enableFeature(feature), VYRA_SUCCESS);
    const SequencerValues live = distinctValues(2);
    QCOMPARE(bench.storeSet(5, live, 0, VYRA_SEQUENCER_TRIGGER_OFF), VYRA_SUCCESS);

    QCOMPARE(bench.selectFeature(VYRA_FEATURE_EXPOSURE), VYRA_SUCCESS);
    double exposure = 0;
    QCOMPARE(bench.sequencer.control(VYRA_SEQUENCER_FEATURE_VALUE, &exposure, 8, bench.context),
             VYRA_SUCCESS);
    QCOMPARE(exposure, live.exposureMs);
    // The size must be the feature's own.
    QCOMPARE(bench.sequencer.control(VYRA_SEQUENCER_FEATURE_VALUE, &exposure, 4, bench.context),
             VYRA_INVALID_PARAMETER);

    QCOMPARE(bench.selectFeature(VYRA_FEATURE_GAIN), VYRA_SUCCESS);
    int32_t gains[4] = {};
    QCOMPARE(bench.sequencer.control(VYRA_SEQUENCER_FEATURE_VALUE, gains, 16, bench.context),
             VYRA_SUCCESS);
    QCOMPARE(gains[0], live.masterGain);
    QCOMPARE(gains[1], live.redGain);
    QCOMPARE(gains[2], live.greenGain);
    QCOMPARE(gains[3], live.blueGain);

    int32_t offset = 0;
    QCOMPARE(bench.selectFeature(VYRA_FEATURE_AOI_OFFSET_X), VYRA_SUCCESS);
    QCOMPARE(bench.sequencer.control(VYRA_SEQUENCER_FEATURE_VALUE, &offset, 4, bench.context),
             VYRA_SUCCESS);
    QCOMPARE(offset, live.offsetX);
    QCOMPARE(bench.selectFeature(VYRA_FEATURE_AOI_OFFSET_Y), VYRA_SUCCESS);
    QCOMPARE(bench.sequencer.control(VYRA_SEQUENCER_FEATURE_VALUE, &offset, 4, bench.context),
             VYRA_SUCCESS);
    QCOMPARE(offset, live.offsetY);

    QCOMPARE(bench.selectFeature(VYRA_FEATURE_FLASH), VYRA_SUCCESS);
    int32_t flash[3] = {};
    QCOMPARE(bench.sequencer.control(VYRA_SEQUENCER_FEATURE_VALUE, flash, 12, bench.context),
             VYRA_SUCCESS);
    QCOMPARE(flash[0], live.flashMode);
    QCOMPARE(flash[1], live.flashDurationUs);
    QCOMPARE(flash[2], live.flashDelayUs);
    QCOMPARE(bench.sequencer.control(VYRA_SEQUENCER_FEATURE_VALUE, flash, 16, bench.context),
             VYRA_INVALID_PARAMETER);
}

void TestSimSequencer::resetReturnsToPowerOn()
{
    Bench bench;
    const Bench::Snapshot powerOn = bench.snapshot();
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 1), VYRA_SUCCESS);
    QCOMPARE(bench.enableFeature(VYRA_FEATURE_FLASH), VYRA_SUCCESS);
    QCOMPARE(bench.storeSet(0, distinctValues(1), 1, VYRA_SEQUENCER_TRIGGER_FRAME_END),
             VYRA_SUCCESS);
    QCOMPARE(bench.storeSet(1, distinctValues(2), 0, VYRA_SEQUENCER_TRIGGER_FRAME_END),
             VYRA_SUCCESS);
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 0), VYRA_SUCCESS);
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_MODE_SET, 1), VYRA_SUCCESS);
    bench.sequencer.takeImage(bench.context.live);
    QCOMPARE(bench.sequencer.currentSet(), 1);
    QVERIFY(!(bench.snapshot() == powerOn));

    QCOMPARE(bench.none(VYRA_SEQUENCER_RESET), VYRA_SUCCESS);
    QVERIFY(bench.snapshot() == powerOn);
    QCOMPARE(bench.selectFeature(VYRA_FEATURE_FLASH), VYRA_SUCCESS);
    QCOMPARE(bench.getInt(VYRA_SEQUENCER_FEATURE_ENABLED), 0);
}

void TestSimSequencer::stepsAlongPathsWithEachTriggerSource_data()
{
    QTest::addColumn<int32_t>("triggerSource");
    QTest::newRow("Frame End") << int32_t(VYRA_SEQUENCER_TRIGGER_FRAME_END);
    QTest::newRow("Frame Start") << int32_t(VYRA_SEQUENCER_TRIGGER_FRAME_START);
    QTest::newRow("Exposure End") << int32_t(VYRA_SEQUENCER_TRIGGER_EXPOSURE_END);
}

void TestSimSequencer::stepsAlongPathsWithEachTriggerSource()
{
    QFETCH(int32_t, triggerSource);
    Bench bench(32, triggerSource);
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 1), VYRA_SUCCESS);
    QCOMPARE(bench.enableFeature(VYRA_FEATURE_EXPOSURE), VYRA_SUCCESS);
    // A ring in an order other than the set numbers: 0 -> 7 -> 3 -> 0.
    QCOMPARE(bench.storeSet(0, distinctValues(0), 7, triggerSource), VYRA_SUCCESS);
    QCOMPARE(bench.storeSet(7, distinctValues(7), 3, triggerSource), VYRA_SUCCESS);
    QCOMPARE(bench.storeSet(3, distinctValues(3), 0, triggerSource), VYRA_SUCCESS);
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 0), VYRA_SUCCESS);
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_MODE_SET, 1), VYRA_SUCCESS);

    const SequencerValues live = Bench::defaults();
    const std::vector<int> expected = {0, 7, 3, 0, 7, 3, 0};
    for (int set : expected) {
        const VyraSim::SimSequencer::Step step = bench.sequencer.takeImage(live);
        QCOMPARE(step.set, set);
        QCOMPARE(step.values.exposureMs, distinctValues(set).exposureMs);
    }
}

void TestSimSequencer::triggerSourceOffHoldsTheSet()
{
    Bench bench;
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 1), VYRA_SUCCESS);
    QCOMPARE(bench.storeSet(0, Bench::defaults(), 1, VYRA_SEQUENCER_TRIGGER_FRAME_END),
             VYRA_SUCCESS);
    QCOMPARE(bench.storeSet(1, Bench::defaults(), 2, VYRA_SEQUENCER_TRIGGER_OFF), VYRA_SUCCESS);
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 0), VYRA_SUCCESS);
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_MODE_SET, 1), VYRA_SUCCESS);
    QList<int> sets;
    for (int image = 0; image < 5; ++image)
        sets << bench.sequencer.takeImage(Bench::defaults()).set;
    QCOMPARE(sets, QList<int>({0, 1, 1, 1, 1}));
}

void TestSimSequencer::imagesUseStoredValuesOfEnabledFeaturesOnly()
{
    Bench bench;
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 1), VYRA_SUCCESS);
    QCOMPARE(bench.enableFeature(VYRA_FEATURE_AOI_OFFSET_X), VYRA_SUCCESS);
    QCOMPARE(bench.enableFeature(VYRA_FEATURE_FLASH), VYRA_SUCCESS);
    const SequencerValues stored = distinctValues(4);
    QCOMPARE(bench.storeSet(0, stored, 0, VYRA_SEQUENCER_TRIGGER_FRAME_END), VYRA_SUCCESS);
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 0), VYRA_SUCCESS);
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_MODE_SET, 1), VYRA_SUCCESS);

    const SequencerValues live = distinctValues(9);
    const SequencerValues used = bench.sequencer.takeImage(live).values;
    SequencerValues expected = live;
    expected.offsetX = stored.offsetX;
    expected.flashMode = stored.flashMode;
    expected.flashDurationUs = stored.flashDurationUs;
    expected.flashDelayUs = stored.flashDelayUs;
    QVERIFY(used == expected);
}

void TestSimSequencer::switchingOnAgainStartsAtTheStartSet()
{
    Bench bench;
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 1), VYRA_SUCCESS);
    QCOMPARE(bench.storeSet(0, Bench::defaults(), 1, VYRA_SEQUENCER_TRIGGER_FRAME_END),
             VYRA_SUCCESS);
    QCOMPARE(bench.storeSet(1, Bench::defaults(), 2, VYRA_SEQUENCER_TRIGGER_FRAME_END),
             VYRA_SUCCESS);
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 0), VYRA_SUCCESS);
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_MODE_SET, 1), VYRA_SUCCESS);
    bench.sequencer.takeImage(Bench::defaults());
    QCOMPARE(bench.sequencer.currentSet(), 1);
    // Switching on while on does not restart ...
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_MODE_SET, 1), VYRA_SUCCESS);
    QCOMPARE(bench.sequencer.currentSet(), 1);
    // ... switching off and on again does.
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_MODE_SET, 0), VYRA_SUCCESS);
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_MODE_SET, 1), VYRA_SUCCESS);
    QCOMPARE(bench.sequencer.takeImage(Bench::defaults()).set, 0);
}

QTEST_GUILESS_MAIN(TestSimSequencer)
#include "tst_simsequencer.moc"
