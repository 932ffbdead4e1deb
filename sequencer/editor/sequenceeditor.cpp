#include "sequenceeditor.h"

#include <stdexcept>

#include "sequencecommands.h"
#include "sequencemodel.h"
#include "sequencer.h"
#include "vyracamera.h"

SequenceEditor::SequenceEditor(SequenceModel *model, QObject *parent)
    : QObject(parent), m_model(model)
{
    connect(&m_undoStack, &QUndoStack::cleanChanged, this,
            [this](bool clean) { emit modifiedChanged(!clean); });
}

SequenceEditor::~SequenceEditor()
{
    m_undoStack.blockSignals(true);
}

SequenceModel *SequenceEditor::model() const
{
    return m_model;
}

QUndoStack *SequenceEditor::undoStack()
{
    return &m_undoStack;
}

void SequenceEditor::setCamera(const QSharedPointer<VyraCamera> &camera)
{
    m_camera = camera;
}

void SequenceEditor::addSet()
{
    if (m_model->setCount() >= Sequence::maximumSetCount)
        throw std::runtime_error("Maximal Number of Sequencer Sets reached.");
    change(m_model->sequence().withSetAppended(cameraValues()), tr("Add Set"));
}

void SequenceEditor::duplicateSet(int index)
{
    if (index < 0 || index >= m_model->setCount())
        return;
    if (m_model->setCount() >= Sequence::maximumSetCount)
        throw std::runtime_error("Maximal Number of Sequencer Sets reached.");
    change(m_model->sequence().withSetInsertedAfter(index, m_model->set(index)),
           tr("Duplicate Set %1").arg(index));
}

void SequenceEditor::addGeneratedSets(const Sequence &generated, bool replace)
{
    const Sequence &current = m_model->sequence();
    if ((replace ? 0 : current.setCount()) + generated.setCount() > Sequence::maximumSetCount)
        throw std::runtime_error("Maximal Number of Sequencer Sets reached.");
    Sequence after = replace ? Sequence() : current;
    after.features = current.features;
    for (qint64 feature : generated.features) {
        if (!after.varies(feature))
            after = after.withFeature(feature, true,
                                      after.isEmpty() ? SetParameters() : cameraValues());
    }
    if (replace) {
        after.sets = generated.sets;
    } else {
        for (const SetParameters &set : generated.sets)
            after = after.withSetAppended(set);
    }
    change(after, tr("Generate Sets"));
}

void SequenceEditor::deleteSet(int index)
{
    if (index < 0 || index >= m_model->setCount())
        return;
    change(m_model->sequence().withSetRemoved(index), tr("Delete Set %1").arg(index));
}

void SequenceEditor::editSet(int index, const SetParameters &values, qint64 featureId)
{
    if (index < 0 || index >= m_model->setCount() || m_model->set(index) == values)
        return;
    const QString feature =
        featureId == 255 ? tr("Path") : Sequencer::featureCatalogue().value(featureId).name;
    m_undoStack.push(new SetEditCommand(m_model, index, featureId, m_model->set(index), values,
                                        m_editSteps, tr("Edit Set %1 %2").arg(index).arg(feature)));
}

void SequenceEditor::setFeatureVaried(qint64 featureId, bool varied)
{
    if (m_model->varies(featureId) == varied)
        return;
    const QString name = Sequencer::featureCatalogue().value(featureId).name;
    change(m_model->sequence().withFeature(featureId, varied, varied ? cameraValues() : SetParameters()),
           varied ? tr("Vary %1").arg(name) : tr("Stop Varying %1").arg(name));
}

void SequenceEditor::endEditSteps()
{
    ++m_editSteps;
}

void SequenceEditor::replaceSequence(const Sequence &sequence)
{
    m_undoStack.clear();
    m_model->setSequence(sequence);
    m_undoStack.setClean();
}

bool SequenceEditor::isModified() const
{
    return !m_undoStack.isClean();
}

void SequenceEditor::markSaved()
{
    m_undoStack.setClean();
}

SetParameters SequenceEditor::cameraValues() const
{
    return m_camera ? SetParameters::ofCamera(*m_camera) : SetParameters();
}

void SequenceEditor::change(const Sequence &after, const QString &text)
{
    if (after == m_model->sequence())
        return;
    m_undoStack.push(new SequenceChangeCommand(m_model, m_model->sequence(), after, text));
}
