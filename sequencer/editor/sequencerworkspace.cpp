#include "sequencerworkspace.h"

#include <QGraphicsProxyWidget>
#include <QGraphicsView>

#include <cmath>

#include "pathproperty.h"
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

} // namespace

SequencerWorkspace::SequencerWorkspace(QObject *parent) : QGraphicsScene(parent)
{
    setSceneRect(0, 0, SequencerSet::fixedWidth, 100);
}

void SequencerWorkspace::addSet(const QSharedPointer<VyraCamera> &camera,
                                const QSharedPointer<Sequencer> &sequencer,
                                const QList<quint32> &features)
{
    SequencerSet *set = createSet(sequencer);
    completeSet([&] {
        addEditor(set, Properties::Path::Id, camera);
        for (quint32 feature : features)
            addEditor(set, feature, camera);
    });
}

void SequencerWorkspace::addSetWithValues(const QSharedPointer<VyraCamera> &camera,
                                          const QSharedPointer<Sequencer> &sequencer,
                                          const QMap<qint64, QSharedPointer<FeatureValue>> &values)
{
    SequencerSet *set = createSet(sequencer);
    completeSet([&] {
        addEditor(set, Properties::Path::Id, camera);
        for (auto value = values.cbegin(); value != values.cend(); ++value)
            addEditor(set, value.key(), camera, value.value());
    });
}

void SequencerWorkspace::completeSet(const std::function<void()> &addEditors)
{
    try {
        addEditors();
    } catch (...) {
        // An editor that cannot read the camera leaves no half-made set; the
        // new set is the last one and never had the focus.
        discard(m_entries.takeLast());
        relinkRing();
        relayout(0);
        announceWhetherSetsAreHeld();
        throw;
    }
    joinRing(m_entries.size() - 1);
    keepPathsWithinSets();
    relayout(0);
}

void SequencerWorkspace::addFeature(const QSharedPointer<VyraCamera> &camera, qint64 featureId)
{
    for (const Entry &entry : qAsConst(m_entries))
        addEditor(entry.first, featureId, camera);
    relayout(0);
}

void SequencerWorkspace::removeFeature(qint64 featureId)
{
    for (const Entry &entry : qAsConst(m_entries))
        entry.first->removeProperty(featureId);
    relayout(0);
}

void SequencerWorkspace::addEditor(SequencerSet *set, qint64 featureId,
                                   const QSharedPointer<VyraCamera> &camera,
                                   const QSharedPointer<FeatureValue> &value)
{
    SequencerProperty *property =
        SequencerProperty::create(featureId, camera, set->focusFilter(), set);
    if (!property)
        return;
    connect(property, &SequencerProperty::valueLimited, this,
            &SequencerWorkspace::editorValueLimited);
    set->addProperty(property);
    if (value)
        property->applyValue(value);
}

QList<SequencerSet *> SequencerWorkspace::sets() const
{
    QList<SequencerSet *> sets;
    sets.reserve(m_entries.size());
    for (const Entry &entry : m_entries)
        sets.append(entry.first);
    return sets;
}

bool SequencerWorkspace::removeSelectedSet()
{
    if (!m_selectedSet)
        return false;
    removeSequencerSet(m_selectedSet);
    return true;
}

bool SequencerWorkspace::hasSelectedSet() const
{
    return m_selectedSet != nullptr;
}

void SequencerWorkspace::clear()
{
    for (const Entry &entry : qAsConst(m_entries))
        discard(entry);
    m_entries.clear();
    announceWhetherSetsAreHeld();
}

void SequencerWorkspace::setAsideSets()
{
    dropSetAside();
    if (m_selectedSet)
        sequencerSetSelected(nullptr);
    for (const Entry &entry : qAsConst(m_entries))
        entry.second->hide();
    m_setAside.swap(m_entries);
}

void SequencerWorkspace::dropSetAside()
{
    for (const Entry &entry : qAsConst(m_setAside))
        discard(entry);
    m_setAside.clear();
    announceWhetherSetsAreHeld();
}

void SequencerWorkspace::restoreSetAside()
{
    clear();
    m_entries.swap(m_setAside);
    for (const Entry &entry : qAsConst(m_entries))
        entry.second->show();
    relayout(0);
    announceWhetherSetsAreHeld();
}

void SequencerWorkspace::setSetsEnabled(bool enabled)
{
    for (const Entry &entry : qAsConst(m_entries)) {
        entry.first->setEnabled(enabled);
        entry.second->setEnabled(enabled);
    }
}

void SequencerWorkspace::relayout(int from)
{
    for (int position = from; position < m_entries.size(); ++position)
        m_entries.at(position).second->setPos(positionOf(position));
}

void SequencerWorkspace::updateAllSettings()
{
    for (const Entry &entry : qAsConst(m_entries)) {
        for (SequencerProperty *property : entry.first->properties())
            property->updateSettings();
    }
}

bool SequencerWorkspace::holdsSets() const
{
    return !m_entries.isEmpty() || !m_setAside.isEmpty();
}

void SequencerWorkspace::sequencerSetSelected(SequencerSet *set)
{
    m_selectedSet = set;
    emit sequencerSetSelectedEvent(set != nullptr);
}

void SequencerWorkspace::removeSequencerSet(SequencerSet *set)
{
    int position = -1;
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).first == set)
            position = i;
    }
    if (position < 0)
        return;

    discard(m_entries.at(position));
    if (position + 1 < m_entries.size())
        m_entries.at(position + 1).first->setFocus(Qt::OtherFocusReason);
    else if (position > 0)
        m_entries.at(position - 1).first->setFocus(Qt::OtherFocusReason);
    m_entries.removeAt(position);

    for (int i = position; i < m_entries.size(); ++i)
        m_entries.at(i).first->setIndex(i);
    relinkRing();
    keepPathsWithinSets();
    relayout(0);
    announceWhetherSetsAreHeld();
}

SequencerSet *SequencerWorkspace::createSet(const QSharedPointer<Sequencer> &sequencer)
{
    auto *set = new SequencerSet(sequencer, m_entries.size());
    QGraphicsProxyWidget *proxy = addWidget(set);
    connect(set, &SequencerSet::selectedEvent, this, &SequencerWorkspace::sequencerSetSelected);
    connect(set, &SequencerSet::deleteEvent, this, &SequencerWorkspace::removeSequencerSet);
    if (m_entries.isEmpty()) {
        set->setNext(set);
    } else {
        set->setPrevious(m_entries.last().first);
        set->setNext(m_entries.first().first);
    }
    m_entries.append(Entry(set, proxy));
    proxy->setPos(positionOf(m_entries.size() - 1));
    // A set that grows to show a wider value widens the grid's columns.
    connect(proxy, &QGraphicsWidget::widthChanged, this, [this] { relayout(0); });
    connect(proxy, &QGraphicsWidget::heightChanged, this, [this] { relayout(0); });
    // Before the editors read their ranges: the camera's rate may depend on
    // whether there are sets.
    announceWhetherSetsAreHeld();
    return set;
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

void SequencerWorkspace::relinkRing()
{
    for (int i = 0; i < m_entries.size(); ++i)
        m_entries.at(i).first->setNext(m_entries.at((i + 1) % m_entries.size()).first);
}

void SequencerWorkspace::joinRing(int position)
{
    if (position < 1)
        return;
    SequencerSet *before = m_entries.at(position - 1).first;
    auto *path = qobject_cast<Properties::Path *>(before->pathProperty());
    if (path && path->nextSet() == m_entries.first().first->index())
        path->showNextSet(m_entries.at(position).first->index());
}

void SequencerWorkspace::keepPathsWithinSets()
{
    for (const Entry &entry : qAsConst(m_entries)) {
        auto *path = qobject_cast<Properties::Path *>(entry.first->pathProperty());
        if (path && (path->nextSet() < 0 || path->nextSet() >= m_entries.size()))
            path->showNextSet(entry.first->next()->index());
    }
}

void SequencerWorkspace::announceWhetherSetsAreHeld()
{
    if (holdsSets() == m_heldSets)
        return;
    m_heldSets = holdsSets();
    emit holdsSetsChanged(m_heldSets);
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
