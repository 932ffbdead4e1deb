// The sequence model without a window or a camera: paths and the ring they
// make, edits that keep the paths, what a camera's limits make of the values,
// sets generated in one go, and every kind of edit undone and redone.

#include <QRegion>
#include <QSignalSpy>
#include <QtTest>

#include <functional>

#include "cameralimits.h"
#include "sequenceeditor.h"
#include "sequencemodel.h"
#include "setgenerator.h"
#include "vyradriver.h"

namespace {

/// A sequence of sets whose paths lead as given, set i exposed i + 1 ms.
Sequence withPaths(const QList<int> &nextSets)
{
    Sequence sequence;
    sequence.features = {VYRA_FEATURE_EXPOSURE};
    for (int set = 0; set < nextSets.size(); ++set) {
        SetParameters values;
        values.exposureMs = set + 1;
        values.nextSet = nextSets.at(set);
        sequence.sets << values;
    }
    return sequence;
}

QList<int> pathsOf(const Sequence &sequence)
{
    QList<int> next;
    for (int set = 0; set < sequence.setCount(); ++set)
        next << sequence.successor(set);
    return next;
}

QList<double> exposuresOf(const Sequence &sequence)
{
    QList<double> exposures;
    for (const SetParameters &set : sequence.sets)
        exposures << set.exposureMs;
    return exposures;
}

CameraLimits limits()
{
    CameraLimits camera;
    camera.framerate = 10.0;
    camera.exposureMinimum = 0.05;
    camera.exposureMaximum = 99.5;
    camera.aoiOffsetMaximum = QPoint(640, 544);
    camera.hasFlash = true;
    camera.flashDelayMaximum = 1000;
    camera.flashDurationMaximum = 20000;
    camera.setCapacity = 32;
    return camera;
}

QList<int> gainsOf(const Sequence &sequence)
{
    QList<int> gains;
    for (const SetParameters &set : sequence.sets)
        gains << set.masterGain;
    return gains;
}

/// Five sets from 1 ms, one stop apart.
SetGenerator::ExposureBracket bracket(bool centred, bool gainCompensation)
{
    SetGenerator::ExposureBracket bracket;
    bracket.centred = centred;
    bracket.gainCompensation = gainCompensation;
    return bracket;
}

using Edit = std::function<void(SequenceEditor &)>;
using Generate = std::function<Sequence(const SetParameters &base)>;

} // namespace

Q_DECLARE_METATYPE(Sequence)
Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(Generate)

class TestSequenceModel : public QObject
{
    Q_OBJECT

private slots:
    void ringFromTheFirstSet_data();
    void ringFromTheFirstSet();
    void setsComeAndGoAlongTheRing_data();
    void setsComeAndGoAlongTheRing();
    void valuesTheCameraCannotTake_data();
    void valuesTheCameraCannotTake();
    void generatedSets_data();
    void generatedSets();
    void tilesCoverTheSensor_data();
    void tilesCoverTheSensor();
    void everyEditIsUndoneAndRedone_data();
    void everyEditIsUndoneAndRedone();
    void modelSignalsWhatChanged();
};

void TestSequenceModel::ringFromTheFirstSet_data()
{
    QTest::addColumn<QList<int>>("paths");
    QTest::addColumn<QList<int>>("walk");
    QTest::addColumn<QList<int>>("cycle");
    QTest::addColumn<QList<int>>("unreachable");
    QTest::newRow("ring") << QList<int>{1, 2, 0} << QList<int>{0, 1, 2} << QList<int>{0, 1, 2}
                          << QList<int>{};
    QTest::newRow("one set") << QList<int>{0} << QList<int>{0} << QList<int>{0} << QList<int>{};
    QTest::newRow("set 1 left out") << QList<int>{2, 2, 0} << QList<int>{0, 2} << QList<int>{0, 2}
                                    << QList<int>{1};
    QTest::newRow("a tail into a loop") << QList<int>{1, 2, 1, 0} << QList<int>{0, 1, 2}
                                        << QList<int>{1, 2} << QList<int>{3};
    // A path to no set of the sequence goes to the set after it.
    QTest::newRow("paths beyond the sets") << QList<int>{7, -1, 9} << QList<int>{0, 1, 2}
                                           << QList<int>{0, 1, 2} << QList<int>{};
}

void TestSequenceModel::ringFromTheFirstSet()
{
    QFETCH(QList<int>, paths);
    const Sequence sequence = withPaths(paths);
    QTEST(sequence.walk(), "walk");
    QTEST(sequence.cycle(), "cycle");
    QTEST(sequence.unreachable(), "unreachable");
}

void TestSequenceModel::setsComeAndGoAlongTheRing_data()
{
    QTest::addColumn<QList<int>>("paths");
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("position");
    QTest::addColumn<QList<int>>("pathsAfter");
    QTest::addColumn<QList<double>>("exposuresAfter");
    QTest::newRow("append to a ring") << QList<int>{1, 2, 0} << "append" << 0
                                      << QList<int>{1, 2, 3, 0} << QList<double>{1, 2, 3, 9};
    // The last set keeps a path that does not close the ring.
    QTest::newRow("append to a chain") << QList<int>{1, 1} << "append" << 0
                                       << QList<int>{1, 1, 0} << QList<double>{1, 2, 9};
    QTest::newRow("insert after the first") << QList<int>{1, 2, 0} << "insert" << 0
                                            << QList<int>{1, 2, 3, 0}
                                            << QList<double>{1, 9, 2, 3};
    QTest::newRow("insert into a reversed ring") << QList<int>{2, 0, 1} << "insert" << 1
                                                 << QList<int>{3, 2, 0, 1}
                                                 << QList<double>{1, 2, 9, 3};
    QTest::newRow("remove from the middle") << QList<int>{1, 2, 3, 0} << "remove" << 1
                                            << QList<int>{1, 2, 0} << QList<double>{1, 3, 4};
    QTest::newRow("remove the last") << QList<int>{1, 2, 0} << "remove" << 2 << QList<int>{1, 0}
                                     << QList<double>{1, 2};
    QTest::newRow("remove from a reversed ring") << QList<int>{3, 0, 1, 2} << "remove" << 2
                                                 << QList<int>{2, 0, 1} << QList<double>{1, 2, 4};
    QTest::newRow("remove a set that leads to itself") << QList<int>{1, 1, 0} << "remove" << 1
                                                       << QList<int>{1, 0} << QList<double>{1, 3};
    QTest::newRow("remove the only set") << QList<int>{0} << "remove" << 0 << QList<int>{}
                                         << QList<double>{};
}

void TestSequenceModel::setsComeAndGoAlongTheRing()
{
    QFETCH(QList<int>, paths);
    QFETCH(QString, change);
    QFETCH(int, position);
    SetParameters added;
    added.exposureMs = 9;
    const Sequence before = withPaths(paths);
    const Sequence after = change == "append" ? before.withSetAppended(added)
                           : change == "insert" ? before.withSetInsertedAfter(position, added)
                                                : before.withSetRemoved(position);
    QTEST(pathsOf(after), "pathsAfter");
    QTEST(exposuresOf(after), "exposuresAfter");
    // Every path names a set of the sequence.
    for (const SetParameters &set : after.sets)
        QVERIFY(set.nextSet >= 0 && set.nextSet < after.setCount());
}

void TestSequenceModel::valuesTheCameraCannotTake_data()
{
    QTest::addColumn<QList<qint64>>("features");
    QTest::addColumn<SetParameters>("values");
    QTest::addColumn<bool>("flash");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("fitted");
    SetParameters fine;
    fine.exposureMs = 20.0;
    fine.masterGain = 50;
    fine.aoiOffset = QPoint(100, 200);
    QTest::newRow("all within") << QList<qint64>{1, 2, 4, 8, 16} << fine << true << QStringList{}
                                << QStringList{};
    SetParameters longExposure = fine;
    longExposure.exposureMs = 150.0;
    QTest::newRow("exposure beyond the frame period")
        << QList<qint64>{1} << longExposure << true
        << QStringList{"Set 0: Exposure 150.00 ms, the camera allows at most 99.50 ms at 10.00 "
                       "fps."}
        << QStringList{"Set 0: Exposure 150.00 ms became 99.50 ms, the camera allows at most "
                       "99.50 ms at 10.00 fps."};
    QTest::newRow("a value not varied is not checked")
        << QList<qint64>{2} << longExposure << true << QStringList{} << QStringList{};
    SetParameters offsets = fine;
    offsets.aoiOffset = QPoint(700, -4);
    offsets.redGain = 120;
    QTest::newRow("offsets and a gain")
        << QList<qint64>{2, 4, 8} << offsets << true
        << QStringList{"Set 0: Red gain 120, the camera allows 0 to 100.",
                       "Set 0: AOI Offset X 700 px, the camera allows 0 px to 640 px.",
                       "Set 0: AOI Offset Y -4 px, the camera allows 0 px to 544 px."}
        << QStringList{"Set 0: Red gain 120 became 100, the camera allows 0 to 100.",
                       "Set 0: AOI Offset X 700 px became 640 px, the camera allows 0 px to 640 px.",
                       "Set 0: AOI Offset Y -4 px became 0 px, the camera allows 0 px to 544 px."};
    QTest::newRow("flash on a camera without one")
        << QList<qint64>{16} << fine << false
        << QStringList{"Set 0: Flash: the camera has no flash output."}
        << QStringList{"Set 0: Flash: the camera has no flash output."};
}

void TestSequenceModel::valuesTheCameraCannotTake()
{
    QFETCH(QList<qint64>, features);
    QFETCH(SetParameters, values);
    QFETCH(bool, flash);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, fitted);
    CameraLimits camera = limits();
    camera.hasFlash = flash;
    Sequence sequence;
    sequence.features = features;
    sequence.sets << values;

    QStringList found;
    QStringList fittedMessages;
    for (const SequenceProblem &problem : sequence.problems(camera)) {
        QCOMPARE(problem.set, 0);
        found << problem.message();
        fittedMessages << problem.fittedMessage();
    }
    QCOMPARE(found, messages);
    QCOMPARE(fittedMessages, fitted);
    // Fitting leaves nothing that fitting can mend.
    const Sequence fit = sequence.fittedTo(camera);
    for (const SequenceProblem &problem : fit.problems(camera))
        QVERIFY2(problem.fitted.isEmpty(), qPrintable(problem.message()));
}

void TestSequenceModel::generatedSets_data()
{
    QTest::addColumn<Generate>("generate");
    QTest::addColumn<QList<double>>("exposures");
    QTest::addColumn<QList<int>>("gains");
    QTest::addColumn<QList<qint64>>("features");
    // What fitting to the camera makes of them (the longest exposure 99.5 ms).
    QTest::addColumn<QList<double>>("fittedExposures");
    QTest::addColumn<QList<int>>("fittedGains");
    const QList<qint64> exposure{VYRA_FEATURE_EXPOSURE};
    const QList<qint64> gain{VYRA_FEATURE_GAIN};
    QTest::newRow("bracket upward")
        << Generate([](const SetParameters &base) {
               return SetGenerator::exposureBracket(bracket(false, false), base, limits());
           })
        << QList<double>{1, 2, 4, 8, 16} << QList<int>{10, 10, 10, 10, 10} << exposure
        << QList<double>{1, 2, 4, 8, 16} << QList<int>{10, 10, 10, 10, 10};
    QTest::newRow("bracket centred")
        << Generate([](const SetParameters &base) {
               return SetGenerator::exposureBracket(bracket(true, false), base, limits());
           })
        << QList<double>{0.25, 0.5, 1, 2, 4} << QList<int>{10, 10, 10, 10, 10} << exposure
        << QList<double>{0.25, 0.5, 1, 2, 4} << QList<int>{10, 10, 10, 10, 10};
    // An even count has its extra set above the base; thirds of a stop are
    // rounded to the hundredth of a millisecond.
    QTest::newRow("four centred, a third of a stop apart")
        << Generate([](const SetParameters &base) {
               SetGenerator::ExposureBracket thirds = bracket(true, false);
               thirds.count = 4;
               thirds.stepStops = 1.0 / 3;
               return SetGenerator::exposureBracket(thirds, base, limits());
           })
        << QList<double>{0.79, 1, 1.26, 1.59} << QList<int>{10, 10, 10, 10} << exposure
        << QList<double>{0.79, 1, 1.26, 1.59} << QList<int>{10, 10, 10, 10};
    // Beyond the frame period without compensation: the camera's longest.
    QTest::newRow("bracket beyond the frame period")
        << Generate([](const SetParameters &base) {
               SetGenerator::ExposureBracket longer = bracket(false, false);
               longer.baseMs = 40;
               return SetGenerator::exposureBracket(longer, base, limits());
           })
        << QList<double>{40, 80, 160, 320, 640} << QList<int>{10, 10, 10, 10, 10} << exposure
        << QList<double>{40, 80, 99.5, 99.5, 99.5} << QList<int>{10, 10, 10, 10, 10};
    // With compensation the gain takes over at 99.5 ms, from the base's 10
    // (1.3x): 160 ms needs 2.09x (gain 36), 320 ms 4.18x (gain 106, beyond
    // the camera's 100).
    QTest::newRow("gain compensation at the camera's limits")
        << Generate([](const SetParameters &base) {
               SetGenerator::ExposureBracket longer = bracket(false, true);
               longer.baseMs = 40;
               longer.count = 4;
               return SetGenerator::exposureBracket(longer, base, limits());
           })
        << QList<double>{40, 80, 99.5, 99.5} << QList<int>{10, 10, 36, 106}
        << QList<qint64>{VYRA_FEATURE_EXPOSURE, VYRA_FEATURE_GAIN}
        << QList<double>{40, 80, 99.5, 99.5} << QList<int>{10, 10, 36, 100};
    QTest::newRow("compensation not needed") << Generate([](const SetParameters &base) {
        return SetGenerator::exposureBracket(bracket(false, true), base, limits());
    }) << QList<double>{1, 2, 4, 8, 16} << QList<int>{10, 10, 10, 10, 10}
                                             << exposure << QList<double>{1, 2, 4, 8, 16}
                                             << QList<int>{10, 10, 10, 10, 10};
    QTest::newRow("gain sweep") << Generate([](const SetParameters &base) {
        return SetGenerator::gainSweep({5, 0, 100}, base);
    }) << QList<double>{3, 3, 3, 3, 3}
                                << QList<int>{0, 25, 50, 75, 100} << gain
                                << QList<double>{3, 3, 3, 3, 3} << QList<int>{0, 25, 50, 75, 100};
    QTest::newRow("gain sweep downward and beyond the range")
        << Generate([](const SetParameters &base) {
               return SetGenerator::gainSweep({3, 120, 40}, base);
           })
        << QList<double>{3, 3, 3} << QList<int>{120, 80, 40} << gain << QList<double>{3, 3, 3}
        << QList<int>{100, 80, 40};
}

void TestSequenceModel::generatedSets()
{
    QFETCH(Generate, generate);
    SetParameters base;
    base.exposureMs = 3;
    base.masterGain = 10;
    base.flashDelayUs = 7;
    const Sequence sequence = generate(base);
    QTEST(exposuresOf(sequence), "exposures");
    QTEST(gainsOf(sequence), "gains");
    QTEST(sequence.features, "features");
    // One ring through every set, from the first.
    QCOMPARE(sequence.cycle().size(), sequence.setCount());
    // What a set does not vary is the base's.
    for (const SetParameters &set : sequence.sets)
        QCOMPARE(set.flashDelayUs, base.flashDelayUs);
    const Sequence fitted = sequence.fittedTo(limits());
    QTEST(exposuresOf(fitted), "fittedExposures");
    QTEST(gainsOf(fitted), "fittedGains");
    QCOMPARE(sequence.problems(limits()).isEmpty(), fitted == sequence);
}

void TestSequenceModel::tilesCoverTheSensor_data()
{
    QTest::addColumn<QSize>("sensor");
    QTest::addColumn<QSize>("image");
    QTest::addColumn<QSize>("increment");
    QTest::addColumn<QSize>("grid");
    QTest::newRow("VGA on SXGA") << QSize(1280, 1024) << QSize(640, 480) << QSize(4, 2)
                                 << QSize(2, 3);
    QTest::newRow("uneven on a wide sensor")
        << QSize(1936, 1216) << QSize(1000, 600) << QSize(4, 2) << QSize(2, 3);
    QTest::newRow("a strip") << QSize(640, 480) << QSize(640, 100) << QSize(4, 2) << QSize(1, 5);
    QTest::newRow("the whole sensor")
        << QSize(640, 480) << QSize(640, 480) << QSize(4, 2) << QSize(1, 1);
    // Three tiles would overlap evenly, but rounded down to the steps two of
    // them would leave a gap of 6 pixels.
    QTest::newRow("rounding needs one more")
        << QSize(266, 64) << QSize(90, 64) << QSize(16, 2) << QSize(4, 1);
}

void TestSequenceModel::tilesCoverTheSensor()
{
    QFETCH(QSize, sensor);
    QFETCH(QSize, image);
    QFETCH(QSize, increment);
    const SetGenerator::TileGeometry geometry{sensor, image, increment};
    const Sequence tiles = SetGenerator::aoiTiles(geometry, SetParameters());
    QTEST(SetGenerator::tileGrid(geometry), "grid");
    QCOMPARE(tiles.setCount(),
             SetGenerator::tileGrid(geometry).width() * SetGenerator::tileGrid(geometry).height());
    // Every pixel of the sensor lies in a tile, and no tile reaches beyond it.
    QRegion covered;
    for (const SetParameters &tile : tiles.sets) {
        const QRect area(tile.aoiOffset, image);
        QVERIFY(QRect(QPoint(), sensor).contains(area));
        QCOMPARE(tile.aoiOffset.x() % increment.width(), 0);
        QCOMPARE(tile.aoiOffset.y() % increment.height(), 0);
        covered += area;
    }
    QVERIFY(covered == QRegion(QRect(QPoint(), sensor)));
}

void TestSequenceModel::everyEditIsUndoneAndRedone_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<int>("steps");
    QTest::addColumn<QList<double>>("exposures");
    QTest::addColumn<QList<qint64>>("features");
    QTest::newRow("add set") << Edit([](SequenceEditor &e) { e.addSet(); }) << 1
                             << QList<double>{1, 2, 3, 0} << QList<qint64>{1};
    QTest::newRow("duplicate set") << Edit([](SequenceEditor &e) { e.duplicateSet(1); }) << 1
                                   << QList<double>{1, 2, 2, 3} << QList<qint64>{1};
    const auto generated = [](bool replace) {
        return [replace](SequenceEditor &e) {
            e.addGeneratedSets(SetGenerator::gainSweep({2, 10, 20}, e.model()->set(2)), replace);
        };
    };
    QTest::newRow("sets generated, appended")
        << Edit(generated(false)) << 1 << QList<double>{1, 2, 3, 3, 3} << QList<qint64>{1, 2};
    QTest::newRow("sets generated in place of those there were")
        << Edit(generated(true)) << 1 << QList<double>{3, 3} << QList<qint64>{1, 2};
    QTest::newRow("delete set") << Edit([](SequenceEditor &e) { e.deleteSet(1); }) << 1
                                << QList<double>{1, 3} << QList<qint64>{1};
    QTest::newRow("feature on") << Edit([](SequenceEditor &e) { e.setFeatureVaried(2, true); })
                                << 1 << QList<double>{1, 2, 3} << QList<qint64>{1, 2};
    QTest::newRow("feature off") << Edit([](SequenceEditor &e) { e.setFeatureVaried(1, false); })
                                 << 1 << QList<double>{1, 2, 3} << QList<qint64>{};
    const auto typed = [](SequenceEditor &e) {
        // "4", "45", "4.5" typed into one box: one step.
        for (double value : {4.0, 45.0, 4.5}) {
            SetParameters set = e.model()->set(2);
            set.exposureMs = value;
            e.editSet(2, set, VYRA_FEATURE_EXPOSURE);
        }
    };
    QTest::newRow("value typed") << Edit(typed) << 1 << QList<double>{1, 2, 4.5}
                                 << QList<qint64>{1};
    const auto twoSets = [](SequenceEditor &e) {
        for (int index : {0, 1}) {
            SetParameters set = e.model()->set(index);
            set.exposureMs = 7;
            e.editSet(index, set, VYRA_FEATURE_EXPOSURE);
        }
    };
    QTest::newRow("values of two sets") << Edit(twoSets) << 2 << QList<double>{7, 7, 3}
                                        << QList<qint64>{1};
    const auto revisited = [](SequenceEditor &e) {
        for (double value : {8.0, 9.0}) {
            SetParameters set = e.model()->set(0);
            set.exposureMs = value;
            e.editSet(0, set, VYRA_FEATURE_EXPOSURE);
            e.endEditSteps();
        }
    };
    QTest::newRow("a set selected again") << Edit(revisited) << 2 << QList<double>{9, 2, 3}
                                          << QList<qint64>{1};
}

void TestSequenceModel::everyEditIsUndoneAndRedone()
{
    QFETCH(Edit, edit);
    QFETCH(int, steps);
    SequenceModel model;
    SequenceEditor editor(&model);
    const Sequence start = withPaths({1, 2, 0});
    editor.replaceSequence(start);
    QVERIFY(!editor.isModified());

    edit(editor);
    const Sequence done = model.sequence();
    QTEST(exposuresOf(done), "exposures");
    QTEST(done.features, "features");
    // Sets come into the ring: the camera takes every one.
    QVERIFY(done.unreachable().isEmpty());
    QCOMPARE(editor.undoStack()->count(), steps);
    QVERIFY(editor.isModified());

    for (int step = 0; step < steps; ++step)
        editor.undoStack()->undo();
    QCOMPARE(model.sequence(), start);
    QVERIFY(!editor.isModified());
    for (int step = 0; step < steps; ++step)
        editor.undoStack()->redo();
    QCOMPARE(model.sequence(), done);

    // A new start forgets the history.
    editor.replaceSequence(Sequence());
    QVERIFY(!editor.undoStack()->canUndo());
    QVERIFY(!editor.isModified());
}

void TestSequenceModel::modelSignalsWhatChanged()
{
    SequenceModel model;
    QSignalSpy whole(&model, &SequenceModel::sequenceChanged);
    QSignalSpy one(&model, &SequenceModel::setChanged);
    QSignalSpy holds(&model, &SequenceModel::holdsSetsChanged);
    model.setSequence(withPaths({1, 0}));
    SetParameters changed = model.set(1);
    changed.exposureMs = 30;
    model.setSet(1, changed);
    model.setSet(1, changed);
    model.clear();
    QCOMPARE(whole.count(), 2);
    QCOMPARE(one.count(), 1);
    QCOMPARE(one.first().first().toInt(), 1);
    QCOMPARE(holds.count(), 2);
    QCOMPARE(holds.last().first().toBool(), false);
}

QTEST_MAIN(TestSequenceModel)
#include "tst_sequencemodel.moc"
