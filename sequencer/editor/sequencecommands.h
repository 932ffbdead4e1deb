#pragma once

#include <QUndoCommand>

#include "sequence.h"

class SequenceModel;

/// A change of the sequence as a whole (sets added or removed, features
/// switched on or off, sets generated): the sequence before and after, so
/// that Undo and Redo bring back either exactly.
class SequenceChangeCommand : public QUndoCommand
{
public:
    SequenceChangeCommand(SequenceModel *model, Sequence before, Sequence after,
                          const QString &text);

    void undo() override;
    void redo() override;

private:
    SequenceModel *m_model;
    Sequence m_before;
    Sequence m_after;
};

/// An edit of one set's values in one editor. Successive edits of the same
/// feature of the same set while it stays selected are one step of Undo, so
/// that the digits of one typed number do not each take a step.
class SetEditCommand : public QUndoCommand
{
public:
    SetEditCommand(SequenceModel *model, int index, qint64 featureId, SetParameters before,
                   SetParameters after, int selection, const QString &text);

    void undo() override;
    void redo() override;
    int id() const override;
    bool mergeWith(const QUndoCommand *other) override;

private:
    SequenceModel *m_model;
    int m_index;
    qint64 m_featureId;
    SetParameters m_before;
    SetParameters m_after;
    /// Which selection of a set the edit was made in.
    int m_selection;
};
