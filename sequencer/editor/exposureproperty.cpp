#include "exposureproperty.h"

#include <QLabel>

#include "clampingdoublespinbox.h"
#include "vyracamera.h"

namespace Properties {

Exposure::Exposure(const QSharedPointer<VyraCamera> &camera, QObject *eventFilter,
                   QWidget *parent)
    : SequencerProperty(camera, eventFilter, parent)
{
    // The frame rate bounds the longest exposure.
    connect(camera.data(), &VyraCamera::framerateChanged, this, &Exposure::updateSettings);
    m_exposure = new ClampingDoubleSpinBox(this);
    m_exposure->setSuffix(QStringLiteral(" ms"));
    addRow(createHeaderLabel(name()), m_exposure);
    watch(m_exposure);
    updateSettings();
    connect(m_exposure, &ClampingDoubleSpinBox::valueLimited, this, &Exposure::announceLimit);
}

const QString &Exposure::name()
{
    static const QString text = QStringLiteral("Exposure");
    return text;
}

void Exposure::readRanges()
{
    VyraCamera &cam = *camera();
    m_minimum = cam.exposureMinimum();
    m_maximum = cam.exposureMaximum();
    m_exposure->setSingleStep(cam.exposureIncrement());
    m_framerate = cam.framerate();
}

void Exposure::fillWidgets(const SetParameters &values)
{
    showWithin(m_exposure, values.exposureMs, m_minimum, m_maximum,
               tr("%1 to %2 ms %3")
                   .arg(m_minimum, 0, 'f', m_exposure->decimals())
                   .arg(longest(), atFramerate()));
}

SetParameters Exposure::editedValues(const SetParameters &values) const
{
    SetParameters edited = values;
    edited.exposureMs = m_exposure->value();
    return edited;
}

void Exposure::announceLimit()
{
    emit valueLimited(tr("Exposure limited to %1 ms, the longest the camera allows %2.")
                          .arg(longest(), atFramerate()));
}

QString Exposure::longest() const
{
    return QString::number(m_maximum, 'f', m_exposure->decimals());
}

QString Exposure::atFramerate() const
{
    return tr("at %1 fps").arg(m_framerate, 0, 'f', 2);
}

} // namespace Properties
