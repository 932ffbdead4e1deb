#include "exposureproperty.h"

#include <QLabel>

#include "clampingdoublespinbox.h"
#include "vyracamera.h"
#include "vyracameraexception.h"

namespace Properties {

Exposure::Exposure(const QSharedPointer<VyraCamera> &camera, QObject *eventFilter,
                   QWidget *parent)
    : SequencerProperty(camera, eventFilter, parent)
{
    // The frame rate bounds the longest exposure.
    connect(camera.data(), &VyraCamera::framerateChanged, this, &Exposure::updateSettings);
    m_exposure = new ClampingDoubleSpinBox(this);
    addRow(createHeaderLabel(name()), m_exposure);
    updateSettings();
    m_exposure->setValue(camera->exposure());
    connect(m_exposure, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &Exposure::setCameraParameters);
    connect(m_exposure, &ClampingDoubleSpinBox::valueLimited, this, &Exposure::announceLimit);
}

const QString &Exposure::name()
{
    static const QString text = QStringLiteral("Exposure");
    return text;
}

void Exposure::updateSettings()
{
    const VyraCamera &cam = *camera();
    m_exposure->setSuffix(QStringLiteral(" ms"));
    const double shown = m_exposure->value();
    m_exposure->setRange(cam.exposureMinimum(), cam.exposureMaximum());
    m_exposure->setSingleStep(cam.exposureIncrement());
    m_exposure->setToolTip(tr("Up to %1 ms %2").arg(longest(), atFramerate()));
    // A faster frame rate shortens the longest exposure.
    if (shown > m_exposure->maximum())
        announceLimit();
}

void Exposure::applyValue(const QSharedPointer<FeatureValue> &value)
{
    updateSettings();
    double exposure = 0.0;
    copyValue(value, &exposure, sizeof exposure);
    showValue(exposure);
}

void Exposure::showValue(double value)
{
    m_exposure->setValue(value);
    if (value > m_exposure->maximum())
        announceLimit();
}

void Exposure::announceLimit()
{
    emit valueLimited(tr("Exposure limited to %1 ms, the longest the camera allows %2.")
                          .arg(longest(), atFramerate()));
}

QString Exposure::longest() const
{
    return QString::number(m_exposure->maximum(), 'f', m_exposure->decimals());
}

QString Exposure::atFramerate() const
{
    try {
        return tr("at %1 fps").arg(camera()->framerate(), 0, 'f', 2);
    } catch (const VyraCameraException &) {
        return tr("at its frame rate");
    }
}

QSharedPointer<FeatureValue> Exposure::currentValue() const
{
    const double exposure = m_exposure->value();
    return valueOf(&exposure, sizeof exposure);
}

void Exposure::setCameraParameters()
{
    try {
        camera()->setExposure(m_exposure->value());
    } catch (const VyraCameraException &) {
        // The box keeps the rejected value; the camera keeps its own.
    }
}

} // namespace Properties
