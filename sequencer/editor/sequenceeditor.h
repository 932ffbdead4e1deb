#pragma once

#include <QObject>
#include <QSharedPointer>
#include <QUndoStack>

#include "sequence.h"

class SequenceModel;
class VyraCamera;

/// Every edit of the sequence, as a command on an undo stack: Add Set,
/// Duplicate Set, Delete Set, generated sets, a feature switched on or off, a
/// value edited in a set. Undo and Redo
/// bring the model back step by step; New, Load and another camera start
/// the history anew. New sets, and features switched on, take the open
/// camera's current values, as a set editor shows a camera it was made for.
/// GUI thread.
class SequenceEditor : public QObject
{
    Q_OBJECT

public:
    explicit SequenceEditor(SequenceModel *model, QObject *parent = nullptr);
    /// The history goes without a word: who listens may be going too.
    ~SequenceEditor() override;

    SequenceModel *model() const;
    QUndoStack *undoStack();
    /// The camera whose values new sets and features take; null for none.
    void setCamera(const QSharedPointer<VyraCamera> &camera);

    /// A new last set with the camera's values, leading back to the first.
    /// Throws VyraCameraException when the camera cannot tell its values,
    /// std::runtime_error when the sequence holds as many sets as it can.
    void addSet();
    /// A copy of the set at index right after it, in the list and in the
    /// ring: the copy leads where the set led, and the set to the copy.
    /// Throws std::runtime_error when the sequence holds as many sets as it
    /// can.
    void duplicateSet(int index);
    /// Removes the set at index; a set that led to it leads where it led.
    void deleteSet(int index);
    /// Sets made in one go (SetGenerator), as one step: they replace the
    /// sequence's sets, or follow them (the ring, where it closed, leads
    /// through the new sets back to the first). The features they vary are
    /// switched on, the others stay; sets kept take the camera's value of a
    /// feature switched on. Throws std::runtime_error when the sets would be
    /// more than a sequence holds, VyraCameraException when the camera
    /// cannot tell its values.
    void addGeneratedSets(const Sequence &generated, bool replace);
    /// The values of the set at index as an editor of the feature (255: the
    /// path) changed them.
    void editSet(int index, const SetParameters &values, qint64 featureId);
    /// Varies the feature or stops varying it; a feature switched on takes
    /// the camera's value in every set. Throws VyraCameraException.
    void setFeatureVaried(qint64 featureId, bool varied);
    /// Edits from now on are steps of their own: the user moved on to
    /// another set, or left the sets.
    void endEditSteps();

    /// Starts from this sequence (New, Load, another camera): the model
    /// holds it and the history begins anew, with the sequence as saved.
    void replaceSequence(const Sequence &sequence);
    /// The sequence changed since it was last saved, loaded or cleared.
    bool isModified() const;
    /// The sequence as it is now counts as saved.
    void markSaved();

signals:
    /// Whether the sequence changed since it was last saved, loaded or cleared.
    void modifiedChanged(bool modified);

private:
    SetParameters cameraValues() const;
    void change(const Sequence &after, const QString &text);

    SequenceModel *m_model;
    QUndoStack m_undoStack;
    QSharedPointer<VyraCamera> m_camera;
    int m_editSteps = 0;
};
