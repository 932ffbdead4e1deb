#pragma once

#include <QGraphicsScene>
#include <QList>
#include <QMap>
#include <QPair>
#include <QPointF>
#include <QSharedPointer>

#include <functional>

#include "featurevalue.h"

class QGraphicsProxyWidget;
class Sequencer;
class SequencerSet;
class VyraCamera;

/// The scene in which the sets of the sequence are shown side by side: it
/// creates, numbers and deletes the set widgets, links them into a ring in
/// list order, lays them out in a grid as wide as its view, tracks the
/// selected set, and adds or removes one feature editor in every set at once.
class SequencerWorkspace : public QGraphicsScene
{
    Q_OBJECT

public:
    explicit SequencerWorkspace(QObject *parent = nullptr);

    /// A new last set with a path editor and one editor per feature, in the
    /// order given. Camera errors of the editors propagate; the set is then
    /// not added.
    void addSet(const QSharedPointer<VyraCamera> &camera, const QSharedPointer<Sequencer> &sequencer,
                const QList<quint32> &features);
    /// A new last set showing values read from the camera: one editor per
    /// feature of the map, in ascending identifier order.
    void addSetWithValues(const QSharedPointer<VyraCamera> &camera,
                          const QSharedPointer<Sequencer> &sequencer,
                          const QMap<qint64, QSharedPointer<FeatureValue>> &values);
    /// An editor for the feature in every set.
    void addFeature(const QSharedPointer<VyraCamera> &camera, qint64 featureId);
    /// Removes the feature's editor from every set.
    void removeFeature(qint64 featureId);

    /// The sets in list order; a set's position is its index.
    QList<SequencerSet *> sets() const;
    /// Removes the selected set; false when no set is selected.
    bool removeSelectedSet();
    bool hasSelectedSet() const;
    /// Removes every set.
    void clear();
    /// Takes the sets off the workspace while a new sequence is built in it;
    /// dropSetAside() or restoreSetAside() ends this.
    void setAsideSets();
    /// Deletes the sets taken off by setAsideSets(): the new sequence stays.
    void dropSetAside();
    /// Removes the sets made since setAsideSets() and brings back those it
    /// took off.
    void restoreSetAside();
    void setSetsEnabled(bool enabled);
    /// Moves every set from list position from on to its place in the grid.
    void relayout(int from);
    /// Refreshes the ranges of every feature editor from the camera.
    void updateAllSettings();
    /// Whether the workspace holds sets, those set aside included.
    bool holdsSets() const;

signals:
    void sequencerSetSelectedEvent(bool selected);
    /// The workspace got its first set, or lost its last one.
    void holdsSetsChanged(bool holdsSets);
    /// An editor replaced a value beyond the camera's limits by the limit.
    void editorValueLimited(const QString &explanation);

protected slots:
    void sequencerSetSelected(SequencerSet *set);
    void removeSequencerSet(SequencerSet *set);

private:
    using Entry = QPair<SequencerSet *, QGraphicsProxyWidget *>;

    SequencerSet *createSet(const QSharedPointer<Sequencer> &sequencer);
    /// Runs addEditors for the set just created; when it throws, the set is
    /// removed again before the exception goes on.
    void completeSet(const std::function<void()> &addEditors);
    void addEditor(SequencerSet *set, qint64 featureId, const QSharedPointer<VyraCamera> &camera,
                   const QSharedPointer<FeatureValue> &value = {});
    QPointF positionOf(int position);
    void relinkRing();
    /// A new set joins the ring where it closes: the set before it, when it
    /// led back to the first set, leads to the new one.
    void joinRing(int position);
    /// Every path that names a set the workspace does not hold shows the
    /// set's successor in the ring instead, where the sequence goes.
    void keepPathsWithinSets();
    void announceWhetherSetsAreHeld();
    /// Takes a set off the scene and schedules its deletion.
    void discard(const Entry &entry);

    QList<Entry> m_entries;
    QList<Entry> m_setAside;
    qreal m_rowHeight = 100;
    SequencerSet *m_selectedSet = nullptr;
    bool m_heldSets = false;
};
