// The editors of a set, the set widget and the workspace, on the simulated
// camera: what they show, what they write to the camera and when, and how
// the workspace numbers, links and lays out its sets.

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
    void init();
    void cleanup();

    void createMakesTheKnownKindsOnly_data();
    void createMakesTheKnownKindsOnly();
    void gainRowsFollowTheCamerasGains_data();
    void gainRowsFollowTheCamerasGains();
    void fillingWritesNothingAndAChangeWritesOnce_data();
    void fillingWritesNothingAndAChangeWritesOnce();
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
    void removalRenumbersRelinksAndMovesTheFocus_data();
    void removalRenumbersRelinksAndMovesTheFocus();

private:
    SequenceFixture fixture;
};

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

void TestSequenceEditor::fillingWritesNothingAndAChangeWritesOnce_data()
{
    QTest::addColumn<qint64>("id");
    QTest::addColumn<int>("writes");
    QTest::newRow("exposure") << qint64(1) << 1;
    QTest::newRow("gain") << qint64(2) << 1;
    QTest::newRow("offset x") << qint64(4) << 1;
    QTest::newRow("offset y") << qint64(8) << 1;
    // Delay, duration and mode go to the camera together.
    QTest::newRow("flash") << qint64(16) << 3;
    QTest::newRow("path") << qint64(255) << 1;
}

void TestSequenceEditor::fillingWritesNothingAndAChangeWritesOnce()
{
    QFETCH(qint64, id);
    QFETCH(int, writes);
    // A smaller AOI gives the offsets room to change.
    fixture.camera->setAoi(QRect(0, 0, 640, 480));
    SequencerSet set(fixture.sequencer, 0);
    Control::clearCalls();
    auto *property = SequencerProperty::create(id, fixture.camera, set.focusFilter(), &set);
    set.addProperty(property);
    QCOMPARE(writeCalls(), 0);
    QVERIFY(changeFirstInput(property));
    QCOMPARE(writeCalls(), writes);
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
    QTest::addColumn<int>("setIndex");
    QTest::addColumn<QStringList>("sources");
    QTest::addColumn<QList<int>>("codes");
    QTest::addColumn<int>("chosenNext");
    QTest::newRow("exposure end only")
        << 4 << 32 << 2 << QStringList{"Off", "Exposure End"} << QList<int>{0, 4} << 3;
    QTest::newRow("all sources")
        << 7 << 32 << 2 << QStringList{"Off", "Frame End", "Frame Start", "Exposure End"}
        << QList<int>{0, 1, 2, 4} << 3;
    QTest::newRow("last set of the camera")
        << 1 << 4 << 3 << QStringList{"Off", "Frame End"} << QList<int>{0, 1} << -1;
}

void TestSequenceEditor::pathOffersTheCamerasSetsAndTriggerSources()
{
    QFETCH(int, mask);
    QFETCH(int, cameraSets);
    QFETCH(int, setIndex);
    QFETCH(QStringList, sources);
    QFETCH(QList<int>, codes);
    QFETCH(int, chosenNext);
    fixture.close();
    CameraSpec description;
    description.triggerSourceMask = mask;
    description.sequencerSets = cameraSets;
    QVERIFY(fixture.open(description));

    SequencerSet set(fixture.sequencer, setIndex);
    auto *path = static_cast<Properties::Path *>(
        SequencerProperty::create(255, fixture.camera, set.focusFilter(), &set));
    set.addProperty(path);
    QCOMPARE(labelTexts(path), QStringList({"Sequencer path", "     Selector",
                                            "     Trigger source", "     Set Next"}));
    auto *nextSets = qobject_cast<QComboBox *>(path->rows().at(3).second);
    auto *triggers = qobject_cast<QComboBox *>(path->rows().at(2).second);
    QCOMPARE(nextSets->count(), cameraSets);
    QCOMPARE(nextSets->itemText(cameraSets - 1), QString::number(cameraSets - 1));
    QCOMPARE(path->nextSet(), chosenNext);
    QCOMPARE(triggers->currentIndex(), 1);

    QStringList offered;
    for (int item = 0; item < triggers->count(); ++item)
        offered << triggers->itemText(item);
    QCOMPARE(offered, sources);
    nextSets->setCurrentIndex(0);
    for (int item = codes.size() - 1; item >= 0; --item) {
        triggers->setCurrentIndex(item);
        QCOMPARE(fixture.camera->activePath().triggerSource, codes.at(item));
    }

    // Reading the camera's path back shows it and writes nothing.
    Control::clearCalls();
    fixture.camera->setActivePath(0, 1, codes.last());
    path->updateSettings();
    QCOMPARE(callCount("sequencerControl", VYRA_SEQUENCER_PATH_SET), 1);
    QCOMPARE(path->nextSet(), 1);
    QCOMPARE(triggers->currentText(), sources.last());
}

void TestSequenceEditor::newSetTitleSizeAndLooks()
{
    SequencerSet empty(fixture.sequencer, 3);
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

    fixture.sequencer->highlightSet(set, true);
    QCOMPARE(looks(set), qMakePair(blueTitle, blueBorder));
    fixture.sequencer->highlightSet(set, false);
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
    SequencerSet set(fixture.sequencer, 0);
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

void TestSequenceEditor::removalRenumbersRelinksAndMovesTheFocus_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("removed");
    QTest::addColumn<int>("focused");
    QTest::newRow("middle") << 3 << 1 << 1;
    QTest::newRow("first") << 3 << 0 << 0;
    QTest::newRow("last") << 3 << 2 << 1;
    QTest::newRow("only") << 1 << 0 << -1;
}

void TestSequenceEditor::removalRenumbersRelinksAndMovesTheFocus()
{
    QFETCH(int, count);
    QFETCH(int, removed);
    QFETCH(int, focused);
    fixture.addSets(count, {1});
    QVERIFY(!fixture.workspace()->removeSelectedSet());
    QCOMPARE(fixture.sets().size(), count);

    QList<SequencerSet *> kept = fixture.sets();
    SequencerSet *victim = kept.takeAt(removed);
    QList<int> nextChoices;
    for (SequencerSet *set : kept)
        nextChoices << static_cast<Properties::Path *>(set->pathProperty())->nextSet();
    editorOf<QDoubleSpinBox>(victim, 1)->setFocus();
    QTRY_VERIFY(fixture.workspace()->hasSelectedSet());
    QVERIFY(fixture.workspace()->removeSelectedSet());

    QCOMPARE(fixture.sets(), kept);
    for (int i = 0; i < kept.size(); ++i) {
        QCOMPARE(kept[i]->index(), i);
        QCOMPARE(kept[i]->title(), QStringLiteral("Set %1").arg(i));
        QCOMPARE(kept[i]->next(), kept[(i + 1) % kept.size()]);
        QCOMPARE(kept[i]->next()->previous(), kept[i]);
        // A choice of a set no longer there shows where the sequence goes.
        const int shown = nextChoices[i] < kept.size() ? nextChoices[i] : (i + 1) % kept.size();
        QCOMPARE(static_cast<Properties::Path *>(kept[i]->pathProperty())->nextSet(), shown);
    }
    if (focused >= 0) {
        QTRY_VERIFY(kept[focused]->hasFocus());
        QVERIFY(fixture.workspace()->hasSelectedSet());
    } else {
        QVERIFY(!fixture.workspace()->hasSelectedSet());
    }

    // Clearing forgets the selection at once, before the sets are deleted.
    if (!kept.isEmpty()) {
        fixture.workspace()->clear();
        QVERIFY(!fixture.workspace()->hasSelectedSet());
        QVERIFY(!fixture.workspace()->removeSelectedSet());
    }
}

QTEST_MAIN(TestSequenceEditor)
#include "tst_sequenceeditor.moc"
