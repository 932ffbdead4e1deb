#include "imagelabels.h"

#include "sequence.h"

ImageLabels ImageLabels::live(const ImageParameters &camera)
{
    ImageLabels labels;
    labels.m_camera = camera;
    return labels;
}

ImageLabels ImageLabels::ofSequence(const Sequence &sequence, const ImageParameters &camera)
{
    ImageLabels labels;
    labels.m_camera = camera;
    labels.m_setCount = sequence.setCount();
    for (int index = 0; index < sequence.setCount(); ++index) {
        ImageParameters parameters = camera;
        for (qint64 feature : sequence.features)
            parameters.takeFeature(feature, sequence.sets.at(index));
        labels.m_sets.insert(index, parameters);
    }
    labels.m_cycle = sequence.cycle();
    return labels;
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
