#include "sequencepreview.h"

#include <utility>

#include "sequencemodel.h"
#include "vyracamera.h"
#include "vyracameraexception.h"

SequencePreview::SequencePreview(const SequenceModel *model, QSharedPointer<VyraCamera> camera,
                                 QObject *parent)
    : QObject(parent), m_model(model), m_camera(std::move(camera))
{
    connect(model, &SequenceModel::setChanged, this, [this](int index) {
        if (index == m_shown)
            load();
    });
    connect(model, &SequenceModel::sequenceChanged, this, [this] {
        // The set shown may have gone, or its features changed.
        if (m_shown >= m_model->setCount())
            m_shown = -1;
        load();
    });
}

void SequencePreview::show(int index)
{
    m_shown = index >= 0 && index < m_model->setCount() ? index : -1;
    load();
}

int SequencePreview::shownSet() const
{
    return m_shown;
}

void SequencePreview::load()
{
    if (m_shown < 0)
        return;
    const SetParameters &set = m_model->set(m_shown);
    // Feature by feature, so that a value the camera refuses leaves the
    // others shown.
    for (qint64 feature : m_model->features()) {
        try {
            set.writeToCamera(*m_camera, {feature});
        } catch (const VyraCameraException &) {
        }
    }
}
