#include "sequencerproperty.h"

#include <QFont>
#include <QLabel>

#include <algorithm>
#include <cstring>

#include "aoioffsetproperty.h"
#include "exposureproperty.h"
#include "flashproperty.h"
#include "gainproperty.h"
#include "pathproperty.h"
#include "vyracamera.h"

SequencerProperty::SequencerProperty(const QSharedPointer<VyraCamera> &camera,
                                     QObject *eventFilter, QWidget *parent)
    : QWidget(parent)
    , m_camera(camera)
    , m_eventFilter(eventFilter)
{
}

SequencerProperty::~SequencerProperty()
{
    // The row widgets live in the set widget's form, not among this editor's
    // children; deleting them takes them out of the form. What they signal
    // on the way (a spin box losing its focus finishes its editing) must not
    // reach this editor, of which only the base is left.
    for (const Row &row : qAsConst(m_rows)) {
        row.first->disconnect(this);
        row.second->disconnect(this);
        row.first->hide();
        row.second->hide();
        delete row.first;
        delete row.second;
    }
    m_rows.clear();
}

const QList<SequencerProperty::Row> &SequencerProperty::rows() const
{
    return m_rows;
}

QSharedPointer<VyraCamera> SequencerProperty::camera() const
{
    return m_camera;
}

bool SequencerProperty::editorHasFocus() const
{
    for (const Row &row : m_rows) {
        if (row.second->hasFocus())
            return true;
    }
    return false;
}

SequencerProperty *SequencerProperty::create(qint64 featureId,
                                             const QSharedPointer<VyraCamera> &camera,
                                             QObject *eventFilter, QWidget *parent)
{
    switch (featureId) {
    case Properties::AoiOffsetX::Id:
        return new Properties::AoiOffsetX(camera, eventFilter, parent);
    case Properties::AoiOffsetY::Id:
        return new Properties::AoiOffsetY(camera, eventFilter, parent);
    case Properties::Exposure::Id:
        return new Properties::Exposure(camera, eventFilter, parent);
    case Properties::Gain::Id:
        return new Properties::Gain(camera, eventFilter, parent);
    case Properties::Flash::Id:
        return new Properties::Flash(camera, eventFilter, parent);
    case Properties::Path::Id:
        return new Properties::Path(camera, eventFilter, parent);
    default:
        return nullptr;
    }
}

void SequencerProperty::addRow(QWidget *label, QWidget *editor)
{
    if (!label || !editor)
        return;
    m_rows.append(Row(label, editor));
    if (m_eventFilter) {
        label->installEventFilter(m_eventFilter);
        editor->installEventFilter(m_eventFilter);
    }
}

QLabel *SequencerProperty::createHeaderLabel(const QString &text)
{
    auto *label = new QLabel(text, this);
    QFont font = label->font();
    font.setWeight(75);
    label->setFont(font);
    return label;
}

QLabel *SequencerProperty::createSubLabel(const QString &text)
{
    return new QLabel(text, this);
}

QSharedPointer<FeatureValue> SequencerProperty::valueOf(const void *source, std::size_t size)
{
    auto value = QSharedPointer<FeatureValue>::create(size);
    std::memcpy(value->data(), source, size);
    return value;
}

void SequencerProperty::copyValue(const QSharedPointer<FeatureValue> &value, void *target,
                                  std::size_t size)
{
    if (value)
        std::memcpy(target, value->data(), std::min(size, value->size()));
}
