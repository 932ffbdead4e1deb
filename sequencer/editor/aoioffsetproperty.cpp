#include "aoioffsetproperty.h"

#include <QLabel>
#include <QSpinBox>

#include "vyracamera.h"

namespace Properties {

AoiOffset::AoiOffset(Qt::Orientation axis, const QString &name,
                     const QSharedPointer<VyraCamera> &camera, QObject *eventFilter,
                     QWidget *parent)
    : SequencerProperty(camera, eventFilter, parent)
    , m_axis(axis)
{
    // Binning, subsampling and the AOI size move the offset's limits.
    connect(camera.data(), &VyraCamera::imageSizeChanged, this, &AoiOffset::updateSettings);
    m_offset = new QSpinBox(this);
    m_offset->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    m_offset->setSuffix(QStringLiteral(" px"));
    addRow(createHeaderLabel(name), m_offset);
    watch(m_offset);
    updateSettings();
}

void AoiOffset::readRanges()
{
    const VyraCamera &cam = *camera();
    m_minimum = coordinate(cam.aoiOffsetMinimum());
    m_maximum = coordinate(cam.aoiOffsetMaximum());
    const QSize increment = cam.aoiPosIncrement();
    m_offset->setSingleStep(m_axis == Qt::Horizontal ? increment.width() : increment.height());
}

void AoiOffset::fillWidgets(const SetParameters &values)
{
    showWithin(m_offset, coordinate(values.aoiOffset), m_minimum, m_maximum,
               tr("%1 to %2 px at the current image size").arg(m_minimum).arg(m_maximum));
}

SetParameters AoiOffset::editedValues(const SetParameters &values) const
{
    SetParameters edited = values;
    if (m_axis == Qt::Horizontal)
        edited.aoiOffset.setX(m_offset->value());
    else
        edited.aoiOffset.setY(m_offset->value());
    return edited;
}

int AoiOffset::coordinate(const QPoint &point) const
{
    return m_axis == Qt::Horizontal ? point.x() : point.y();
}

AoiOffsetX::AoiOffsetX(const QSharedPointer<VyraCamera> &camera, QObject *eventFilter,
                       QWidget *parent)
    : AoiOffset(Qt::Horizontal, name(), camera, eventFilter, parent)
{
}

const QString &AoiOffsetX::name()
{
    static const QString text = QStringLiteral("AOI Offset X");
    return text;
}

AoiOffsetY::AoiOffsetY(const QSharedPointer<VyraCamera> &camera, QObject *eventFilter,
                       QWidget *parent)
    : AoiOffset(Qt::Vertical, name(), camera, eventFilter, parent)
{
}

const QString &AoiOffsetY::name()
{
    static const QString text = QStringLiteral("AOI Offset Y");
    return text;
}

} // namespace Properties
