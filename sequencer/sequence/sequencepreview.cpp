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

void SequencePreview::keepLiveValues(const QList<qint64> &features)
{
    if (!m_live) {
        try {
            m_live = SetParameters::ofCamera(*m_camera);
        } catch (const VyraCameraException &) {
            // A camera that cannot tell its values has none to bring back.
            return;
        }
    }
    for (qint64 feature : features) {
        if (!m_touched.contains(feature))
            m_touched << feature;
    }
}

void SequencePreview::restoreLiveValues()
{
    m_shown = -1;
    if (!m_live)
        return;
    write(*m_live, m_touched);
    m_live.reset();
    m_touched.clear();
}

void SequencePreview::load()
{
    if (m_shown < 0)
        return;
    keepLiveValues(m_model->features());
    write(m_model->set(m_shown), m_model->features());
}

void SequencePreview::write(const SetParameters &values, const QList<qint64> &features)
{
    // Feature by feature, so that a value the camera refuses leaves the
    // others shown.
    for (qint64 feature : features) {
        try {
            values.writeToCamera(*m_camera, {feature});
        } catch (const VyraCameraException &) {
        }
    }
}
