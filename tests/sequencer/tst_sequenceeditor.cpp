// The editors of a set, the set widget and the workspace, on the simulated
// camera: what they show and announce, what reaches the camera and when, and
// how the workspace shows the model's sets and lays them out.

#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

#include "pathproperty.h"
#include "sequencefixture.h"
#include "sequenceseteventfilter.h"

using VyraSim::CameraSpec;
using VyraSim::Control;

Q_DECLARE_METATYPE(QList<qint64>)

namespace {

QStringList labelTexts(const SequencerProperty *property)
{
    QStringList texts;
    for (const SequencerProperty::Row &row : property->rows())
        texts << qobject_cast<QLabel *>(row.first)->text();
    return texts;
}

// A change of the first input widget among the editor's rows, as a user
// makes it.
bool changeFirstInput(SequencerProperty *property)
{
    for (const SequencerProperty::Row &row : property->rows()) {
        if (auto *box = qobject_cast<QAbstractSpinBox *>(row.second)) {
            box->stepBy(1);
            return true;
        }
        if (auto *box = qobject_cast<QComboBox *>(row.second)) {
            box->setCurrentIndex((box->currentIndex() + 1) % box->count());
            return true;
        }
    }
    return false;
}

QList<qint64> editorIds(const SequencerSet *set)
{
    QList<qint64> ids;
    for (const SequencerProperty *property : set->properties())
        ids << property->featureId();
    return ids;
}

// Colours of a set as drawn: the middle of the title bar, away from its text,
// and the left frame border.
QPair<QColor, QColor> looks(SequencerSet *set)
{
    const QImage image = set->grab().toImage();
    return {image.pixelColor(set->width() / 2 + 70, 12), image.pixelColor(0, 60)};
}

const QColor blueTitle(85, 170, 255);
const QColor blueBorder(65, 150, 235);
const QColor light(240, 240, 240);
const QColor grey(200, 200, 200);

} // namespace

class TestSequenceEditor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void createMakesTheKnownKindsOnly_data();
    void createMakesTheKnownKindsOnly();
    void gainRowsFollowTheCamerasGains_data();
    void gainRowsFollowTheCamerasGains();
    void fillingAnnouncesNothingAndAChangeOnce_data();
    void fillingAnnouncesNothingAndAChangeOnce();
    void rangesFollowTheCamerasImageSizeAndFramerate();
    void pathOffersTheCamerasSetsAndTriggerSources_data();
    void pathOffersTheCamerasSetsAndTriggerSources();

    void newSetTitleSizeAndLooks();
    void focusLoadsTheSetIntoTheCameraAndSelectsIt_data();
    void focusLoadsTheSetIntoTheCameraAndSelectsIt();
    void rightClickAndDeleteKeyChangeNothing();
    void editorsAreListedByIdentifierPosition_data();
    void editorsAreListedByIdentifierPosition();

    void gridFollowsTheViewWidth_data();
    void gridFollowsTheViewWidth();
    void removalRelinksThePathsAndMovesTheFocus_data();
    void removalRelinksThePathsAndMovesTheFocus();
    void titlesShowTheRingAndGreyWhatItMisses_data();
    void titlesShowTheRingAndGreyWhatItMisses();
    void emptyWorkspaceSaysHowToBegin();

private:
    SequenceFixture fixture;
};

void TestSequenceEditor::initTestCase()
{
    qRegisterMetaType<SetParameters>();
}

void TestSequenceEditor::init()
{
    QVERIFY(fixture.open());
}

void TestSequenceEditor::cleanup()
{
    fixture.close();
}

void TestSequenceEditor::createMakesTheKnownKindsOnly_data()
{
    QTest::addColumn<qint64>("id");
    QTest::addColumn<QString>("name");
    QTest::addColumn<quint32>("size");
    QTest::newRow("exposure") << qint64(1) << "Exposure" << 8u;
    QTest::newRow("gain") << qint64(2) << "Gain" << 16u;
    QTest::newRow("offset x") << qint64(4) << "AOI Offset X" << 4u;
    QTest::newRow("offset y") << qint64(8) << "AOI Offset Y" << 4u;
    QTest::newRow("flash") << qint64(16) << "Flash" << 12u;
    QTest::newRow("path") << qint64(255) << "Path" << 16u;
    for (qint64 unknown : {0, 3, 32, 254, -1})
        QTest::newRow(qPrintable(QString::number(unknown))) << unknown << QString() << 0u;
}

void TestSequenceEditor::createMakesTheKnownKindsOnly()
{
    QFETCH(qint64, id);
    QFETCH(QString, name);
    QFETCH(quint32, size);
    std::unique_ptr<SequencerProperty> property(
        SequencerProperty::create(id, fixture.camera, nullptr, nullptr));
    if (name.isEmpty()) {
        QVERIFY(!property);
        return;
    }
    QVERIFY(property);
    QCOMPARE(property->featureId(), id);
    QCOMPARE(property->displayName(), name);
    QCOMPARE(property->valueSize(), size);
    if (id != 255)
        QCOMPARE(Sequencer::featureCatalogue().value(id).name, name);
}

void TestSequenceEditor::gainRowsFollowTheCamerasGains_data()
{
    QTest::addColumn<bool>("master");
    QTest::addColumn<bool>("colour");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("all") << true << true
                         << QStringList{"Gain", "     Master", "     Red", "     Green", "     Blue"};
    QTest::newRow("master only") << true << false << QStringList{"Gain", "     Master"};
    QTest::newRow("colour only") << false << true
                                 << QStringList{"Gain", "     Red", "     Green", "     Blue"};
    QTest::newRow("none") << false << false << QStringList{"Gain"};
}

void TestSequenceEditor::gainRowsFollowTheCamerasGains()
{
    QFETCH(bool, master);
    QFETCH(bool, colour);
    QFETCH(QStringList, labels);
    fixture.close();
    CameraSpec description;
    description.masterGain = master;
    description.colourGains = colour;
    QVERIFY(fixture.open(description));
    std::unique_ptr<SequencerProperty> gain(
        SequencerProperty::create(2, fixture.camera, nullptr, nullptr));
    QCOMPARE(labelTexts(gain.get()), labels);
    QCOMPARE(gain->rows().first().first->font().weight(), 75);
}

void TestSequenceEditor::fillingAnnouncesNothingAndAChangeOnce_data()
{
    QTest::addColumn<qint64>("id");
    QTest::newRow("exposure") << qint64(1);
    QTest::newRow("gain") << qint64(2);
    QTest::newRow("offset x") << qint64(4);
    QTest::newRow("offset y") << qint64(8);
    QTest::newRow("flash") << qint64(16);
    QTest::newRow("path") << qint64(255);
}

void TestSequenceEditor::fillingAnnouncesNothingAndAChangeOnce()
{
    QFETCH(qint64, id);
    // A smaller AOI gives the offsets room to change.
    fixture.camera->setAoi(QRect(0, 0, 640, 480));
    SequencerSet set(0);
    QSignalSpy edits(&set, &SequencerSet::valuesEdited);
    Control::clearCalls();
    auto *property = SequencerProperty::create(id, fixture.camera, set.focusFilter(), &set);
    set.addProperty(property);
    SetParameters shown = SetParameters::ofCamera(*fixture.camera);
    shown.nextSet = 1;
    set.showValues(shown);
    QCOMPARE(edits.count(), 0);
    QVERIFY(changeFirstInput(property));
    QCOMPARE(edits.count(), 1);
    const SetParameters edited = edits.first().at(1).value<SetParameters>();
    QCOMPARE(edits.first().at(2).value<qint64>(), id);
    // The edit changes that feature and nothing else; the camera is left
    // alone.
    QVERIFY(!edited.sameFeature(shown, id));
    QVERIFY(edited.withFeatureOf(shown, id) == shown);
    QCOMPARE(writeCalls(), 0);
}

void TestSequenceEditor::rangesFollowTheCamerasImageSizeAndFramerate()
{
    fixture.addSets(2, {4, 8, 1});
    const auto ranges = [this](qint64 id) {
        QList<int> maxima;
        for (SequencerSet *set : fixture.sets()) {
            if (id == 1)
                maxima << qRound(editorOf<QDoubleSpinBox>(set, id)->maximum() * 100);
            else
                maxima << editorOf<QSpinBox>(set, id)->maximum();
        }
        return maxima;
    };
    QCOMPARE(ranges(4), QList<int>({0, 0}));

    fixture.camera->setAoi(QRect(0, 0, 640, 480));
    const QPoint largest = fixture.camera->aoiOffsetMaximum();
    QVERIFY(largest.x() > 0 && largest.y() > 0);
    QCOMPARE(ranges(4), QList<int>({largest.x(), largest.x()}));
    QCOMPARE(ranges(8), QList<int>({largest.y(), largest.y()}));

    const int before = ranges(1).first();
    fixture.camera->setFramerate(5.0);
    const int longest = qRound(fixture.camera->exposureMaximum() * 100);
    QVERIFY(longest > before);
    QCOMPARE(ranges(1), QList<int>({longest, longest}));
}

void TestSequenceEditor::pathOffersTheCamerasSetsAndTriggerSources_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("cameraSets");
    QTest::addColumn<QStringList>("sources");
    QTest::addColumn<QList<int>>("codes");
    QTest::newRow("exposure end only")
        << 4 << 32 << QStringList{"Off", "Exposure End"} << QList<int>{0, 4};
    QTest::newRow("all sources") << 7 << 32
                                 << QStringList{"Off", "Frame End", "Frame Start", "Exposure End"}
                                 << QList<int>{0, 1, 2, 4};
    QTest::newRow("a camera of four sets") << 1 << 4 << QStringList{"Off", "Frame End"}
                                           << QList<int>{0, 1};
}

void TestSequenceEditor::pathOffersTheCamerasSetsAndTriggerSources()
{
    QFETCH(int, mask);
    QFETCH(int, cameraSets);
    QFETCH(QStringList, sources);
    QFETCH(QList<int>, codes);
    fixture.close();
    CameraSpec description;
    description.triggerSourceMask = mask;
    description.sequencerSets = cameraSets;
    QVERIFY(fixture.open(description));

    // The sets of the sequence are offered to come next, as many as the
    // camera holds.
    fixture.addSets(std::min(cameraSets, 5), {});
    SequencerSet *set = fixture.sets().first();
    auto *path = set->pathProperty();
    QCOMPARE(labelTexts(path), QStringList({"Sequencer path", "     Selector",
                                            "     Trigger source", "     Set Next"}));
    auto *nextSets = qobject_cast<QComboBox *>(path->rows().at(3).second);
    auto *triggers = qobject_cast<QComboBox *>(path->rows().at(2).second);
    QCOMPARE(nextSets->count(), fixture.sets().size());
    QCOMPARE(nextSets->itemText(nextSets->count() - 1), QString::number(nextSets->count() - 1));
    // A new set leads to the set after it, stepped by the first source the
    // camera offers.
    QCOMPARE(nextSets->currentIndex(), 1);
    QCOMPARE(triggers->currentIndex(), 1);

    QStringList offered;
    for (int item = 0; item < triggers->count(); ++item)
        offered << triggers->itemText(item);
    QCOMPARE(offered, sources);
    nextSets->setCurrentIndex(0);
    QCOMPARE(fixture.model->set(0).nextSet, 0);
    for (int item = codes.size() - 1; item >= 0; --item) {
        triggers->setCurrentIndex(item);
        QCOMPARE(fixture.model->set(0).triggerSource, codes.at(item));
    }
    QCOMPARE(writeCalls(), 0);
}

void TestSequenceEditor::newSetTitleSizeAndLooks()
{
    SequencerSet empty(3);
    QCOMPARE(empty.title(), QStringLiteral("Set 3"));
    QCOMPARE(empty.width(), 200);
    QCOMPARE(empty.objectName(), QStringLiteral("SequencerSet"));

    fixture.addSets(1, {1});
    SequencerSet *set = fixture.sets().first();
    fixture.workspace()->clearFocus();
    QTRY_COMPARE(looks(set), qMakePair(light, grey));

    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(set, &enter);
    QCOMPARE(looks(set), qMakePair(light, blueBorder));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(set, &leave);
    QCOMPARE(looks(set), qMakePair(light, grey));

    // The focus sits in the exposure box, not in the set itself.
    editorOf<QDoubleSpinBox>(set, 1)->setFocus();
    QTRY_COMPARE(looks(set), qMakePair(blueTitle, grey));
    fixture.workspace()->clearFocus();
    QTRY_COMPARE(looks(set), qMakePair(light, grey));

    fixture.workspace()->markSet(0);
    QCOMPARE(looks(set), qMakePair(blueTitle, blueBorder));
    fixture.workspace()->markSet(-1);
    QCOMPARE(looks(set), qMakePair(light, grey));
}

void TestSequenceEditor::focusLoadsTheSetIntoTheCameraAndSelectsIt_data()
{
    // The row of the set's editor that gets the focus.
    QTest::addColumn<qint64>("featureId");
    QTest::addColumn<int>("row");
    QTest::newRow("a gain box") << qint64(2) << 1;
    // Tab past a set's last editor lands in the next set's path.
    QTest::newRow("the path's trigger source") << qint64(255) << 2;
    QTest::newRow("the path's next set") << qint64(255) << 3;
}

void TestSequenceEditor::focusLoadsTheSetIntoTheCameraAndSelectsIt()
{
    QFETCH(qint64, featureId);
    QFETCH(int, row);
    fixture.addSets(2, {1, 2});
    const QList<SequencerSet *> sets = fixture.sets();
    editorOf<QDoubleSpinBox>(sets[0], 1)->setValue(5.0);
    editorOf<QDoubleSpinBox>(sets[1], 1)->setValue(15.0);
    QSignalSpy selected(fixture.workspace(), &SequencerWorkspace::sequencerSetSelectedEvent);

    for (int index : {0, 1}) {
        Control::clearCalls();
        QWidget *focused = featureId == 255 ? sets[index]->pathProperty()->rows().at(row).second
                                            : editorOf<QWidget>(sets[index], featureId, row);
        focused->setFocus();
        QTRY_VERIFY(fixture.workspace()->hasSelectedSet());
        QCOMPARE(callCount("exposureControl", VYRA_EXPOSURE_SET), 1);
        QCOMPARE(writeCalls(), 2);
        QCOMPARE(fixture.state().values.exposureMs, index == 0 ? 5.0 : 15.0);
        QCOMPARE(selected.last().first().toBool(), true);
        // What the camera shows is marked: this set's title, not the other's.
        QTRY_COMPARE(looks(sets[index]).first, blueTitle);
        QTRY_COMPARE(looks(sets[1 - index]).first, light);
    }
    fixture.workspace()->clearFocus();
    QTRY_VERIFY(!fixture.workspace()->hasSelectedSet());
    QCOMPARE(selected.last().first().toBool(), false);
}

void TestSequenceEditor::rightClickAndDeleteKeyChangeNothing()
{
    fixture.addSets(2, {1});
    SequencerSet *set = fixture.sets().first();
    auto *box = editorOf<QDoubleSpinBox>(set, 1);
    box->setFocus();
    QTRY_VERIFY(fixture.workspace()->hasSelectedSet());
    QSignalSpy rightClicks(set->focusFilter(), &SequencerSetEventFilter::mouseButtonRightClicked);
    QSignalSpy deleteKeys(set->focusFilter(), &SequencerSetEventFilter::keyDeletePressed);

    QTest::mouseClick(box, Qt::RightButton);
    QTest::mouseClick(set, Qt::RightButton, {}, QPoint(5, 60));
    QTest::keyClick(box, Qt::Key_Delete);
    QCOMPARE(rightClicks.count(), 2);
    QCOMPARE(deleteKeys.count(), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(fixture.sets().size(), 2);
}

void TestSequenceEditor::editorsAreListedByIdentifierPosition_data()
{
    QTest::addColumn<QList<qint64>>("shown");
    QTest::addColumn<qint64>("added");
    QTest::addColumn<QList<qint64>>("listed");
    QTest::newRow("appended") << QList<qint64>{1, 2} << qint64(16) << QList<qint64>{1, 2, 16};
    QTest::newRow("inserted at 1") << QList<qint64>{16, 2} << qint64(1) << QList<qint64>{16, 1, 2};
    QTest::newRow("inserted at 2")
        << QList<qint64>{1, 4, 8} << qint64(2) << QList<qint64>{1, 4, 2, 8};
    QTest::newRow("first") << QList<qint64>{} << qint64(4) << QList<qint64>{4};
}

void TestSequenceEditor::editorsAreListedByIdentifierPosition()
{
    QFETCH(QList<qint64>, shown);
    QFETCH(qint64, added);
    QFETCH(QList<qint64>, listed);
    SequencerSet set(0);
    for (qint64 id : shown + QList<qint64>{added})
        set.addProperty(SequencerProperty::create(id, fixture.camera, set.focusFilter(), &set));
    QCOMPARE(editorIds(&set), listed);

    // Removing an editor the set does not show changes nothing.
    const int height = set.height();
    set.removeProperty(255);
    set.removeProperty(32);
    QCOMPARE(editorIds(&set), listed);
    QCOMPARE(set.height(), height);
    set.removeProperty(added);
    QCOMPARE(editorIds(&set).size(), listed.size() - 1);
    QVERIFY(set.height() < height);
}

void TestSequenceEditor::gridFollowsTheViewWidth_data()
{
    // The view's width in grid cells (a set and its gap) beside the scroll
    // bar, give or take a few pixels.
    QTest::addColumn<int>("cellsWide");
    QTest::addColumn<int>("slack");
    QTest::addColumn<int>("count");
    // Column and row of every set, in list order.
    QTest::addColumn<QList<QPoint>>("cells");
    QTest::newRow("three columns") << 3 << 0 << 4 << QList<QPoint>{{0, 0}, {1, 0}, {2, 0}, {0, 1}};
    QTest::newRow("two columns a pixel short of three")
        << 3 << -1 << 3 << QList<QPoint>{{0, 0}, {1, 0}, {0, 1}};
    QTest::newRow("one column in a narrower view") << 1 << -7 << 2 << QList<QPoint>{{0, 0}, {0, 1}};
}

void TestSequenceEditor::gridFollowsTheViewWidth()
{
    QFETCH(int, cellsWide);
    QFETCH(int, slack);
    QFETCH(int, count);
    QFETCH(QList<QPoint>, cells);
    fixture.addSets(count, {1});
    QGraphicsProxyWidget *first = fixture.sets().first()->graphicsProxyWidget();
    // Sets are as wide as their widest value needs, never narrower than 200.
    const int setWidth = int(first->size().width());
    QVERIFY(setWidth >= SequencerSet::fixedWidth);
    fixture.view->resize(17 + cellsWide * (setWidth + 30) + slack, 600);
    QTRY_COMPARE(int(fixture.workspace()->sceneRect().width()), fixture.view->width());

    const int rowHeight = int(first->size().height());
    for (int i = 0; i < count; ++i) {
        const QPointF position = fixture.sets().at(i)->graphicsProxyWidget()->pos();
        QCOMPARE(position, QPointF(30 + (setWidth + 30) * cells[i].x(),
                                   35 + (rowHeight + 25) * cells[i].y()));
    }
    const int rows = cells.last().y() + 1;
    QCOMPARE(int(fixture.workspace()->sceneRect().height()), rows * (rowHeight + 25) + 25);
}

void TestSequenceEditor::removalRelinksThePathsAndMovesTheFocus_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("removed");
    QTest::addColumn<int>("focused");
    QTest::newRow("middle") << 3 << 1 << 1;
    QTest::newRow("first") << 3 << 0 << 0;
    QTest::newRow("last") << 3 << 2 << 1;
    QTest::newRow("only") << 1 << 0 << -1;
}

void TestSequenceEditor::removalRelinksThePathsAndMovesTheFocus()
{
    QFETCH(int, count);
    QFETCH(int, removed);
    QFETCH(int, focused);
    fixture.addSets(count, {1});
    for (int set = 0; set < count; ++set)
        editorOf<QDoubleSpinBox>(fixture.sets().at(set), 1)->setValue(2.0 + set);
    QList<double> kept = {2.0, 3.0, 4.0};
    kept = kept.mid(0, count);
    kept.removeAt(removed);

    editorOf<QDoubleSpinBox>(fixture.sets().at(removed), 1)->setFocus();
    QTRY_COMPARE(fixture.workspace()->selectedSet(), removed);
    fixture.editor->deleteSet(fixture.workspace()->selectedSet());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // The sets after the removed one move up, each showing its own values,
    // and the ring closes around the gap.
    QCOMPARE(fixture.sets().size(), kept.size());
    for (int i = 0; i < kept.size(); ++i) {
        SequencerSet *set = fixture.sets().at(i);
        QCOMPARE(set->title(), QStringLiteral("Set %1 → %2").arg(i).arg((i + 1) % kept.size()));
        QCOMPARE(editorOf<QDoubleSpinBox>(set, 1)->value(), kept.at(i));
        QCOMPARE(fixture.model->sequence().successor(i), (i + 1) % kept.size());
        QCOMPARE(qobject_cast<QComboBox *>(set->pathProperty()->rows().at(3).second)->currentIndex(),
                 (i + 1) % kept.size());
    }
    if (focused >= 0) {
        QTRY_COMPARE(fixture.workspace()->selectedSet(), focused);
        // The camera shows the set now selected.
        QCOMPARE(fixture.state().values.exposureMs, kept.at(focused));
    } else {
        QVERIFY(!fixture.workspace()->hasSelectedSet());
    }

    // A new sequence forgets the selection at once, before the sets are
    // deleted.
    fixture.editor->replaceSequence(Sequence());
    QVERIFY(!fixture.workspace()->hasSelectedSet());
    QVERIFY(fixture.sets().isEmpty());
}

void TestSequenceEditor::titlesShowTheRingAndGreyWhatItMisses_data()
{
    QTest::addColumn<QList<int>>("paths");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QList<int>>("unreached");
    QTest::newRow("ring") << QList<int>{1, 2, 0}
                          << QStringList{"Set 0 → 1", "Set 1 → 2", "Set 2 → 0"} << QList<int>{};
    QTest::newRow("set 1 left out")
        << QList<int>{2, 2, 0} << QStringList{"Set 0 → 2", "Set 1 → 2", "Set 2 → 0"}
        << QList<int>{1};
    QTest::newRow("the first set leads to itself")
        << QList<int>{0, 2, 1} << QStringList{"Set 0 → 0", "Set 1 → 2", "Set 2 → 1"}
        << QList<int>{1, 2};
}

void TestSequenceEditor::titlesShowTheRingAndGreyWhatItMisses()
{
    QFETCH(QList<int>, paths);
    QFETCH(QList<int>, unreached);
    Sequence sequence;
    sequence.features = {VYRA_FEATURE_EXPOSURE};
    for (int next : paths) {
        SetParameters set;
        set.nextSet = next;
        sequence.sets << set;
    }
    fixture.editor->replaceSequence(sequence);
    QStringList titles;
    for (SequencerSet *set : fixture.sets()) {
        titles << set->title();
        const bool greyed = unreached.contains(set->index());
        QCOMPARE(set->graphicsProxyWidget()->opacity() < 1.0, greyed);
        QCOMPARE(set->toolTip().contains(QLatin1String("never takes")), greyed);
    }
    QTEST(titles, "titles");

    // A path edited in one set brings the sets it leads to back into the ring.
    SetParameters first = fixture.model->set(0);
    first.nextSet = 1;
    fixture.editor->editSet(0, first, 255);
    QCOMPARE(fixture.sets().at(0)->title(), QStringLiteral("Set 0 → 1"));
    QCOMPARE(fixture.sets().at(1)->graphicsProxyWidget()->opacity(), 1.0);
}

void TestSequenceEditor::emptyWorkspaceSaysHowToBegin()
{
    QVERIFY(fixture.workspace()->hint().contains(QStringLiteral("Generate Sets…")));
    fixture.addSets(1, {1});
    QVERIFY(fixture.workspace()->hint().isEmpty());
    fixture.workspace()->setCamera({});
    QVERIFY(fixture.workspace()->hint().contains(QLatin1String("Change Camera")));
}

QTEST_MAIN(TestSequenceEditor)
#include "tst_sequenceeditor.moc"
