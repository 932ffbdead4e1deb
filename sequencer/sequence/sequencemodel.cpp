#include "sequencemodel.h"

SequenceModel::SequenceModel(QObject *parent) : QObject(parent)
{
}

void SequenceModel::setSequence(const Sequence &sequence)
{
    if (sequence == m_sequence)
        return;
    const bool heldSets = !m_sequence.isEmpty();
    m_sequence = sequence;
    emit sequenceChanged();
    if (heldSets != !m_sequence.isEmpty())
        emit holdsSetsChanged(!m_sequence.isEmpty());
}

void SequenceModel::clear()
{
    setSequence(Sequence());
}

void SequenceModel::setSet(int index, const SetParameters &values)
{
    if (index < 0 || index >= setCount() || m_sequence.sets.at(index) == values)
        return;
    m_sequence.sets[index] = values;
    emit setChanged(index);
}
