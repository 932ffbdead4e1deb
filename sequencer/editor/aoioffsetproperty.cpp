#include "aoioffsetproperty.h"

#include <QLabel>
#include <QSpinBox>

#include "vyracamera.h"
#include "vyracameraexception.h"

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
    addRow(createHeaderLabel(name), m_offset);
    updateSettings();
    m_offset->setValue(coordinate(camera->aoiOffset()));
    connect(m_offset, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &AoiOffset::setCameraParameters);
}

void AoiOffset::updateSettings()
{
    const VyraCamera &cam = *camera();
    m_offset->setRange(coordinate(cam.aoiOffsetMinimum()), coordinate(cam.aoiOffsetMaximum()));
    const QSize increment = cam.aoiPosIncrement();
    m_offset->setSingleStep(m_axis == Qt::Horizontal ? increment.width() : increment.height());
    m_offset->setSuffix(QStringLiteral(" px"));
}

void AoiOffset::applyValue(const QSharedPointer<FeatureValue> &value)
{
    updateSettings();
    qint32 offset = 0;
    copyValue(value, &offset, sizeof offset);
    m_offset->setValue(offset);
}

QSharedPointer<FeatureValue> AoiOffset::currentValue() const
{
    const qint32 offset = m_offset->value();
    return valueOf(&offset, sizeof offset);
}

void AoiOffset::setCameraParameters()
{
    try {
        QPoint offset = camera()->aoiOffset();
        if (m_axis == Qt::Horizontal)
            offset.setX(m_offset->value());
        else
            offset.setY(m_offset->value());
        camera()->setAoiOffset(offset);
    } catch (const VyraCameraException &) {
        // The box keeps the rejected value; the camera keeps its own.
    }
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
