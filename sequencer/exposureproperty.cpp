#include "exposureproperty.h"

#include <QDoubleSpinBox>
#include <QLabel>

#include "vyracamera.h"
#include "vyracameraexception.h"

namespace Properties {

Exposure::Exposure(const QSharedPointer<VyraCamera> &camera, QObject *eventFilter,
                   QWidget *parent)
    : SequencerProperty(camera, eventFilter, parent)
{
    // The frame rate bounds the longest exposure.
    connect(camera.data(), &VyraCamera::framerateChanged, this, &Exposure::updateSettings);
    m_exposure = new QDoubleSpinBox(this);
    m_exposure->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    addRow(createHeaderLabel(name()), m_exposure);
    updateSettings();
    m_exposure->setValue(camera->exposure());
    limitEditorWidths();
    connect(m_exposure, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &Exposure::setCameraParameters);
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
    m_exposure->setRange(cam.exposureMinimum(), cam.exposureMaximum());
    m_exposure->setSingleStep(cam.exposureIncrement());
}

void Exposure::applyValue(const QSharedPointer<FeatureValue> &value)
{
    updateSettings();
    double exposure = 0.0;
    copyValue(value, &exposure, sizeof exposure);
    m_exposure->setValue(exposure);
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
