#include "sequencecommands.h"

#include <utility>

#include "sequencemodel.h"

namespace {

// QUndoStack merges only commands of one kind.
constexpr int setEditId = 1;

} // namespace

SequenceChangeCommand::SequenceChangeCommand(SequenceModel *model, Sequence before,
                                             Sequence after, const QString &text)
    : QUndoCommand(text), m_model(model), m_before(std::move(before)), m_after(std::move(after))
{
}

void SequenceChangeCommand::undo()
{
    m_model->setSequence(m_before);
}

void SequenceChangeCommand::redo()
{
    m_model->setSequence(m_after);
}

SetEditCommand::SetEditCommand(SequenceModel *model, int index, qint64 featureId,
                               SetParameters before, SetParameters after, int selection,
                               const QString &text)
    : QUndoCommand(text)
    , m_model(model)
    , m_index(index)
    , m_featureId(featureId)
    , m_before(std::move(before))
    , m_after(std::move(after))
    , m_selection(selection)
{
}

void SetEditCommand::undo()
{
    m_model->setSet(m_index, m_before);
}

void SetEditCommand::redo()
{
    m_model->setSet(m_index, m_after);
}

int SetEditCommand::id() const
{
    return setEditId;
}

bool SetEditCommand::mergeWith(const QUndoCommand *other)
{
    const auto *edit = static_cast<const SetEditCommand *>(other);
    if (edit->m_index != m_index || edit->m_featureId != m_featureId ||
        edit->m_selection != m_selection)
        return false;
    m_after = edit->m_after;
    // An edit typed back to where it began is no step at all.
    setObsolete(m_after == m_before);
    return true;
}
