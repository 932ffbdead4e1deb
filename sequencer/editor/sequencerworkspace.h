#pragma once

#include <QGraphicsScene>
#include <QList>
#include <QPair>
#include <QPointF>
#include <QSharedPointer>

#include "setparameters.h"

class QAction;
class QGraphicsProxyWidget;
class QGraphicsTextItem;
class SequenceModel;
class SequencerSet;
class VyraCamera;

/// The scene in which the sets of the sequence model are shown side by side:
/// one set widget per set of the model, in its order, each with one editor
/// per feature the sequence varies and a path editor, laid out in a grid as
/// wide as the view. Each set's title says where its path leads, and a set
/// the camera never takes is greyed. Without sets it says how to begin. It
/// follows every change of the model, and announces the user's edits
/// (setEdited()) and which set the user works on (selectedSetChanged())
/// without changing the model itself.
class SequencerWorkspace : public QGraphicsScene
{
    Q_OBJECT

public:
    explicit SequencerWorkspace(QObject *parent = nullptr);

    /// The camera whose ranges the editors show; sets are shown only while
    /// there is one.
    void setCamera(const QSharedPointer<VyraCamera> &camera);
    /// The model shown.
    void setModel(const SequenceModel *model);

    /// The set widgets in list order; a set's position is its index.
    QList<SequencerSet *> sets() const;
    bool hasSelectedSet() const;
    /// The index of the set the user works on, -1 for none.
    int selectedSet() const;
    void setSetsEnabled(bool enabled);
    /// Moves every set from list position from on to its place in the grid.
    void relayout(int from);
    /// Marks the set at index as the one the camera is using; -1 marks none.
    void markSet(int index);
    /// The commands a set's context menu offers; they act on the selected
    /// set, which a right click selects.
    void setSetActions(const QList<QAction *> &actions);
    /// What the empty workspace says; empty while it shows sets.
    QString hint() const;

signals:
    void sequencerSetSelectedEvent(bool selected);
    /// The user moved to the set at index, -1 for none.
    void selectedSetChanged(int index);
    /// The user changed the values of the set at index in the editor of
    /// this feature (255: the path).
    void setEdited(int index, const SetParameters &values, qint64 featureId);
    /// An editor replaced a value beyond the camera's limits by the limit.
    void editorValueLimited(const QString &explanation);

protected slots:
    void sequencerSetSelected(SequencerSet *set);

private:
    using Entry = QPair<SequencerSet *, QGraphicsProxyWidget *>;

    /// Brings the set widgets in line with the model: as many as it has sets,
    /// each with the editors of the varied features and the set's values.
    void showSequence();
    void showSet(int index);
    /// Titles and greying follow the paths.
    void showPaths();
    void showHint();
    void createSet();
    void showFeatures(SequencerSet *set);
    void addEditor(SequencerSet *set, qint64 featureId);
    QPointF positionOf(int position);
    /// Takes a set off the scene and schedules its deletion.
    void discard(const Entry &entry);

    const SequenceModel *m_model = nullptr;
    QSharedPointer<VyraCamera> m_camera;
    QList<Entry> m_entries;
    qreal m_rowHeight = 100;
    SequencerSet *m_selectedSet = nullptr;
    int m_markedSet = -1;
    bool m_setsEnabled = true;
    QList<QAction *> m_setActions;
    QGraphicsTextItem *m_hint;
};
