#include "flashproperty.h"

#include <QComboBox>
#include <QLabel>
#include <QSpinBox>

#include "vyracamera.h"
#include "workspacecombobox.h"

namespace Properties {

Flash::Flash(const QSharedPointer<VyraCamera> &camera, QObject *eventFilter, QWidget *parent)
    : SequencerProperty(camera, eventFilter, parent)
{
    m_mode = new WorkspaceComboBox(this);
    m_duration = new QSpinBox(this);
    m_delay = new QSpinBox(this);
    m_duration->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    m_delay->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    m_delay->setSuffix(QStringLiteral(" µs"));
    m_duration->setSuffix(QStringLiteral(" µs"));
    // The index of an item is the flash mode code of the camera.
    m_mode->addItems({QStringLiteral("Off"), QStringLiteral("Low Active"),
                      QStringLiteral("High Active"), QStringLiteral("Const. High"),
                      QStringLiteral("Const. Low")});

    addRow(createHeaderLabel(name()), new QWidget(this));
    addRow(createSubLabel(QStringLiteral("     Mode")), m_mode);
    addRow(createSubLabel(QStringLiteral("     Delay")), m_delay);
    addRow(createSubLabel(QStringLiteral("     Duration")), m_duration);
    watch(m_mode);
    watch(m_delay);
    watch(m_duration);
    updateSettings();
}

const QString &Flash::name()
{
    static const QString text = QStringLiteral("Flash");
    return text;
}

void Flash::readRanges()
{
    const VyraCamera &cam = *camera();
    m_delayRange = {cam.flashDelayMin(), cam.flashDelayMax()};
    m_durationRange = {cam.flashDurationMin(), cam.flashDurationMax()};
    m_delay->setSingleStep(cam.flashDelayInc());
    m_duration->setSingleStep(cam.flashDurationInc());
}

void Flash::fillWidgets(const SetParameters &values)
{
    m_mode->setCurrentIndex(values.flashMode);
    showWithin(m_delay, values.flashDelayUs, m_delayRange.first, m_delayRange.second,
               tr("%1 to %2 µs").arg(m_delayRange.first).arg(m_delayRange.second));
    showWithin(m_duration, values.flashDurationUs, m_durationRange.first, m_durationRange.second,
               tr("%1 to %2 µs").arg(m_durationRange.first).arg(m_durationRange.second));
}

SetParameters Flash::editedValues(const SetParameters &values) const
{
    SetParameters edited = values;
    edited.flashMode = m_mode->currentIndex();
    edited.flashDelayUs = m_delay->value();
    edited.flashDurationUs = m_duration->value();
    return edited;
}

} // namespace Properties
