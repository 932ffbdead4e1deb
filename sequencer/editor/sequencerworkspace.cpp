#include "sequencerworkspace.h"

#include <QGraphicsProxyWidget>
#include <QGraphicsTextItem>
#include <QGraphicsView>

#include <cmath>

#include "pathproperty.h"
#include "sequencemodel.h"
#include "sequencerproperty.h"
#include "sequencerset.h"
#include "sequenceseteventfilter.h"

namespace {

// The grid: columns are as wide as the first set, with this much space
// between them and on the left, rows are spaced by their height and a gap,
// below a top margin; the vertical scroll bar takes its width off the columns.
constexpr int columnGap = 30;
constexpr int leftMargin = 30;
constexpr int rowGap = 25;
constexpr int topMargin = 35;
constexpr int scrollBarAllowance = 17;
// The empty workspace's hint: a short paragraph, not a line across the view.
constexpr int hintWidth = 460;
const QColor hintColour(0x3C, 0x44, 0x4C);

} // namespace

SequencerWorkspace::SequencerWorkspace(QObject *parent)
    : QGraphicsScene(parent), m_hint(new QGraphicsTextItem)
{
    setSceneRect(0, 0, SequencerSet::fixedWidth, 100);
    m_hint->setDefaultTextColor(hintColour);
    QFont font = m_hint->font();
    font.setPointSizeF(font.pointSizeF() * 1.15);
    m_hint->setFont(font);
    m_hint->setTextWidth(hintWidth);
    m_hint->setPos(leftMargin, topMargin);
    addItem(m_hint);
    showHint();
}

void SequencerWorkspace::setCamera(const QSharedPointer<VyraCamera> &camera)
{
    if (camera == m_camera)
        return;
    // Editors read the ranges of the camera they were made for.
    while (!m_entries.isEmpty())
        discard(m_entries.takeLast());
    m_camera = camera;
    showSequence();
}

void SequencerWorkspace::setModel(const SequenceModel *model)
{
    if (m_model)
        m_model->disconnect(this);
    m_model = model;
    if (model) {
        connect(model, &SequenceModel::sequenceChanged, this, &SequencerWorkspace::showSequence);
        connect(model, &SequenceModel::setChanged, this, &SequencerWorkspace::showSet);
    }
    showSequence();
}

QList<SequencerSet *> SequencerWorkspace::sets() const
{
    QList<SequencerSet *> sets;
    sets.reserve(m_entries.size());
    for (const Entry &entry : m_entries)
        sets.append(entry.first);
    return sets;
}

bool SequencerWorkspace::hasSelectedSet() const
{
    return m_selectedSet != nullptr;
}

int SequencerWorkspace::selectedSet() const
{
    return m_selectedSet ? m_selectedSet->index() : -1;
}

void SequencerWorkspace::setSetsEnabled(bool enabled)
{
    m_setsEnabled = enabled;
    for (const Entry &entry : qAsConst(m_entries)) {
        entry.first->setEnabled(enabled);
        entry.second->setEnabled(enabled);
    }
}

void SequencerWorkspace::relayout(int from)
{
    const QList<QGraphicsView *> shownIn = views();
    if (!shownIn.isEmpty())
        m_hint->setTextWidth(qBound(100, shownIn.first()->width() - 2 * leftMargin, hintWidth));
    for (int position = from; position < m_entries.size(); ++position)
        m_entries.at(position).second->setPos(positionOf(position));
}

void SequencerWorkspace::markSet(int index)
{
    for (const Entry &entry : qAsConst(m_entries))
        entry.first->setHighlighted(entry.first->index() == index);
    // The set the camera uses stays in sight, however many sets there are.
    if (index == m_markedSet)
        return;
    m_markedSet = index;
    const QList<QGraphicsView *> shownIn = views();
    if (index >= 0 && index < m_entries.size() && !shownIn.isEmpty())
        shownIn.first()->ensureVisible(m_entries.at(index).second, 0, rowGap);
}

void SequencerWorkspace::setSetActions(const QList<QAction *> &actions)
{
    for (const Entry &entry : qAsConst(m_entries)) {
        for (QAction *action : qAsConst(m_setActions))
            entry.first->removeAction(action);
        entry.first->addActions(actions);
    }
    m_setActions = actions;
}

QString SequencerWorkspace::hint() const
{
    return m_hint->isVisible() ? m_hint->toPlainText() : QString();
}

void SequencerWorkspace::sequencerSetSelected(SequencerSet *set)
{
    if (set == m_selectedSet)
        return;
    if (m_selectedSet)
        m_selectedSet->setSelected(false);
    m_selectedSet = set;
    if (set)
        set->setSelected(true);
    emit sequencerSetSelectedEvent(set != nullptr);
    emit selectedSetChanged(set ? set->index() : -1);
}

void SequencerWorkspace::showSequence()
{
    const int count = m_model && m_camera ? m_model->setCount() : 0;
    // The set the user worked on stays selected where it still exists; when
    // its place is gone, the set before it takes the focus.
    bool focusLost = false;
    while (m_entries.size() > count) {
        const Entry last = m_entries.takeLast();
        focusLost = focusLost || last.first == m_selectedSet;
        discard(last);
    }
    while (m_entries.size() < count)
        createSet();
    for (int index = 0; index < count; ++index) {
        SequencerSet *set = m_entries.at(index).first;
        showFeatures(set);
        // Only the sets of the sequence can come next.
        if (auto *path = qobject_cast<Properties::Path *>(set->pathProperty()))
            path->offerSets(count);
        set->showValues(m_model->set(index));
    }
    showPaths();
    showHint();
    relayout(0);
    if (focusLost && !m_entries.isEmpty())
        m_entries.last().first->setFocus(Qt::OtherFocusReason);
    // The set selected may now show another set of the model.
    if (m_selectedSet)
        emit selectedSetChanged(m_selectedSet->index());
}

void SequencerWorkspace::showSet(int index)
{
    if (index < 0 || index >= m_entries.size())
        return;
    m_entries.at(index).first->showValues(m_model->set(index));
    // A path edited in one set may reach or leave out others.
    showPaths();
}

void SequencerWorkspace::showPaths()
{
    if (m_entries.isEmpty())
        return;
    const Sequence &sequence = m_model->sequence();
    const QList<int> never = sequence.unreachable();
    for (int index = 0; index < m_entries.size(); ++index)
        m_entries.at(index).first->showPath(sequence.successor(index), !never.contains(index));
}

void SequencerWorkspace::showHint()
{
    m_hint->setVisible(m_entries.isEmpty());
    m_hint->setPlainText(
        m_camera ? tr("To begin, turn on a feature in Properties (Exposure, for one), then press "
                      "Add Set for one set at a time, or Generate Sets… for an exposure bracket, "
                      "a gain sweep or AOI tiles in one step.")
                 : tr("No camera is open: choose one with Change Camera."));
}

void SequencerWorkspace::createSet()
{
    auto *set = new SequencerSet(m_entries.size());
    QGraphicsProxyWidget *proxy = addWidget(set);
    connect(set, &SequencerSet::selectedEvent, this, &SequencerWorkspace::sequencerSetSelected);
    connect(set, &SequencerSet::valuesEdited, this, &SequencerWorkspace::setEdited);
    set->setEnabled(m_setsEnabled);
    proxy->setEnabled(m_setsEnabled);
    set->addActions(m_setActions);
    m_entries.append(Entry(set, proxy));
    addEditor(set, Properties::Path::Id);
    proxy->setPos(positionOf(m_entries.size() - 1));
    // A set that grows to show a wider value widens the grid's columns.
    connect(proxy, &QGraphicsWidget::widthChanged, this, [this] { relayout(0); });
    connect(proxy, &QGraphicsWidget::heightChanged, this, [this] { relayout(0); });
}

void SequencerWorkspace::showFeatures(SequencerSet *set)
{
    const QList<qint64> &features = m_model->features();
    QList<qint64> shown;
    for (const SequencerProperty *property : set->properties())
        shown << property->featureId();
    for (qint64 feature : qAsConst(shown)) {
        if (!features.contains(feature))
            set->removeProperty(feature);
    }
    // In the order the features were switched on, as each set got them.
    for (qint64 feature : features) {
        if (!shown.contains(feature))
            addEditor(set, feature);
    }
}

void SequencerWorkspace::addEditor(SequencerSet *set, qint64 featureId)
{
    SequencerProperty *property =
        SequencerProperty::create(featureId, m_camera, set->focusFilter(), set);
    if (!property)
        return;
    connect(property, &SequencerProperty::valueLimited, this, [this, set](const QString &text) {
        emit editorValueLimited(tr("Set %1: %2").arg(set->index()).arg(text));
    });
    set->addProperty(property);
}

QPointF SequencerWorkspace::positionOf(int position)
{
    if (!m_entries.isEmpty())
        m_rowHeight = m_entries.first().second->size().height();

    const QRectF area = sceneRect();
    const int setWidth = m_entries.isEmpty()
                             ? SequencerSet::fixedWidth
                             : int(std::ceil(m_entries.first().second->size().width()));
    const int cellWidth = setWidth + columnGap;
    int columns = int(std::floor((area.width() - scrollBarAllowance) / cellWidth));
    if (columns <= 0)
        columns = 1;
    const int rows = int(std::ceil(double(m_entries.size()) / columns));
    const int row = int(std::ceil(double(position + 1) / columns)) - 1;
    const int column = position - row * columns;

    const QList<QGraphicsView *> shownIn = views();
    const qreal viewWidth = shownIn.isEmpty() ? area.width() : shownIn.first()->width();
    setSceneRect(area.x(), area.y(), viewWidth, rows * (m_rowHeight + rowGap) + rowGap);

    return QPointF(int(cellWidth * column + leftMargin),
                   int((m_rowHeight + rowGap) * row + topMargin));
}

void SequencerWorkspace::discard(const Entry &entry)
{
    // A removed set must never be used again, whatever its focus does while
    // it waits for its deletion.
    if (entry.first == m_selectedSet)
        sequencerSetSelected(nullptr);
    removeItem(entry.second);
    entry.first->deleteLater();
}
