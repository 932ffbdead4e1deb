#include "imagelabels.h"

#include <QHash>

#include "pathproperty.h"
#include "sequencerproperty.h"
#include "sequencerset.h"

ImageLabels ImageLabels::live(const ImageParameters &camera)
{
    ImageLabels labels;
    labels.m_camera = camera;
    return labels;
}

ImageLabels ImageLabels::ofSequence(const QList<SequencerSet *> &sets,
                                    const ImageParameters &camera)
{
    ImageLabels labels;
    labels.m_camera = camera;
    labels.m_setCount = sets.size();
    for (const SequencerSet *set : sets) {
        ImageParameters parameters = camera;
        for (const SequencerProperty *property : set->properties()) {
            if (const QSharedPointer<FeatureValue> value = property->currentValue())
                parameters.apply(property->featureId(), *value);
        }
        labels.m_sets.insert(set->index(), parameters);
    }
    labels.m_cycle = cycleOf(sets);
    return labels;
}

QList<int> ImageLabels::cycleOf(const QList<SequencerSet *> &sets)
{
    QHash<int, const SequencerSet *> byIndex;
    for (const SequencerSet *set : sets)
        byIndex.insert(set->index(), set);
    // The walk from the first set along the paths ends where it meets a set
    // a second time (or a path that leads nowhere); what lies from that set
    // on repeats.
    QList<int> walk;
    const SequencerSet *current = sets.isEmpty() ? nullptr : sets.first();
    while (current && !walk.contains(current->index())) {
        walk.append(current->index());
        const auto *path = qobject_cast<const Properties::Path *>(current->pathProperty());
        current = path ? byIndex.value(path->nextSet()) : nullptr;
    }
    return current ? walk.mid(walk.indexOf(current->index())) : walk;
}

bool ImageLabels::isSequence() const
{
    return m_setCount > 0;
}

ImageParameters ImageLabels::parametersOf(int set) const
{
    return m_sets.value(set, m_camera);
}

const QList<int> &ImageLabels::cycle() const
{
    return m_cycle;
}

int ImageLabels::setCount() const
{
    return m_setCount;
}
