// Every editor of a set shows its whole value, and every open list its whole
// entries, at the widest values the camera allows. CTest runs this at the
// normal size and, as tst_editorwidths_scaled, at twice the size.

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QStyleOptionComboBox>
#include <QtTest>

#include "sequencefixture.h"

namespace {

constexpr qint64 pathId = 255;

/// The editor widget of a row of a set's editor, the path's included.
QWidget *rowWidget(SequencerSet *set, qint64 featureId, int row)
{
    if (featureId == pathId)
        return set->pathProperty()->rows().value(row).second;
    return editorOf<QWidget>(set, featureId, row);
}

/// The width a widget leaves for its text, and the width the text needs.
QPair<int, int> roomAndNeed(QWidget *widget)
{
    if (auto *box = qobject_cast<QAbstractSpinBox *>(widget)) {
        // The line edit keeps a margin of two pixels on either side.
        const QLineEdit *edit = box->findChild<QLineEdit *>();
        return {edit->contentsRect().width() - 4,
                box->fontMetrics().horizontalAdvance(box->text())};
    }
    auto *combo = qobject_cast<QComboBox *>(widget);
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.currentText = combo->currentText();
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    return {field.width() - 2, combo->fontMetrics().horizontalAdvance(combo->currentText())};
}

} // namespace

class TestEditorWidths : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void everyValueShowsWhole_data();
    void everyValueShowsWhole();
    void everyListShowsWholeInTheView_data();
    void everyListShowsWholeInTheView();

private:
    SequenceFixture fixture;
};

// One workspace for every case: a camera at its slowest rate closes slowly.
void TestEditorWidths::initTestCase()
{
    QVERIFY(fixture.open());
    // The longest times: the slowest frame rate, with long exposure, and an
    // area of interest as small as it gets, for the largest offsets.
    fixture.camera->setFramerate(fixture.camera->framerateRange().minimum);
    fixture.camera->setExposureLongEnabled(true);
    fixture.camera->setAoi(QRect(QPoint(0, 0), fixture.camera->aoiSizeMinimum()));
    // As many sets as a camera holds, for the widest set numbers.
    fixture.addSets(32, {1, 2, 4, 8, 16});
}

void TestEditorWidths::cleanupTestCase()
{
    fixture.close();
}

void TestEditorWidths::everyValueShowsWhole_data()
{
    QTest::addColumn<qint64>("featureId");
    QTest::addColumn<int>("row");
    // The choice to show, or -1 for a spin box at its maximum.
    QTest::addColumn<int>("choice");
    QTest::newRow("exposure") << qint64(1) << 0 << -1;
    QTest::newRow("master gain") << qint64(2) << 1 << -1;
    QTest::newRow("offset x") << qint64(4) << 0 << -1;
    QTest::newRow("offset y") << qint64(8) << 0 << -1;
    QTest::newRow("flash delay") << qint64(16) << 2 << -1;
    QTest::newRow("flash duration") << qint64(16) << 3 << -1;
    for (int mode = 0; mode < 5; ++mode)
        QTest::newRow(qPrintable(QStringLiteral("flash mode %1").arg(mode)))
            << qint64(16) << 1 << mode;
    for (int source = 0; source < 4; ++source)
        QTest::newRow(qPrintable(QStringLiteral("trigger source %1").arg(source)))
            << pathId << 2 << source;
    QTest::newRow("next set 31") << pathId << 3 << 31;
}

void TestEditorWidths::everyValueShowsWhole()
{
    QFETCH(qint64, featureId);
    QFETCH(int, row);
    QFETCH(int, choice);
    SequencerSet *set = fixture.sets().last();
    QWidget *widget = rowWidget(set, featureId, row);
    QVERIFY(widget);
    if (auto *box = qobject_cast<QDoubleSpinBox *>(widget))
        box->setValue(box->maximum());
    else if (auto *box = qobject_cast<QSpinBox *>(widget))
        box->setValue(box->maximum());
    else
        qobject_cast<QComboBox *>(widget)->setCurrentIndex(choice);
    QTRY_VERIFY(widget->isVisible());
    const QPair<int, int> fit = roomAndNeed(widget);
    QVERIFY2(fit.first >= fit.second,
             qPrintable(QStringLiteral("%1 pixels for %2").arg(fit.first).arg(fit.second)));
    // The set holds the editor whole.
    QVERIFY(set->rect().contains(widget->geometry()));
}

void TestEditorWidths::everyListShowsWholeInTheView_data()
{
    QTest::addColumn<qint64>("featureId");
    QTest::addColumn<int>("row");
    QTest::newRow("flash mode") << qint64(16) << 1;
    QTest::newRow("trigger source") << pathId << 2;
    QTest::newRow("next set") << pathId << 3;
}

void TestEditorWidths::everyListShowsWholeInTheView()
{
    QFETCH(qint64, featureId);
    QFETCH(int, row);
    // The last set lies at the bottom of the workspace.
    auto *combo = qobject_cast<QComboBox *>(rowWidget(fixture.sets().last(), featureId, row));
    QVERIFY(combo);
    combo->showPopup();
    QAbstractItemView *list = combo->view();
    QTRY_VERIFY(list->isVisible());
    QVERIFY(list->viewport()->width() >= list->sizeHintForColumn(0));
    // At most ten entries high; the rest are scrolled to.
    QVERIFY(list->viewport()->height() <= 10 * list->sizeHintForRow(0) + 1);

    QGraphicsProxyWidget *shownList = list->window()->graphicsProxyWidget();
    QVERIFY(shownList);
    const QRectF visible =
        fixture.view->mapToScene(fixture.view->viewport()->rect()).boundingRect();
    QVERIFY(visible.contains(shownList->sceneBoundingRect()));
    combo->hidePopup();
}

QTEST_MAIN(TestEditorWidths)
#include "tst_editorwidths.moc"
