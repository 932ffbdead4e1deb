#include "flashproperty.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>

#include "vyracamera.h"
#include "vyracameraexception.h"
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
    // The index of an item is the flash mode code of the camera.
    m_mode->addItems({QStringLiteral("Off"), QStringLiteral("Low Active"),
                      QStringLiteral("High Active"), QStringLiteral("Const. High"),
                      QStringLiteral("Const. Low")});

    addRow(createHeaderLabel(name()), new QWidget(this));
    addRow(createSubLabel(QStringLiteral("     Mode")), m_mode);
    addRow(createSubLabel(QStringLiteral("     Delay")), m_delay);
    addRow(createSubLabel(QStringLiteral("     Duration")), m_duration);

    updateSettings();
    m_delay->setValue(camera->flashDelay());
    m_duration->setValue(camera->flashDuration());
    m_mode->setCurrentIndex(camera->flashMode());
    connect(m_mode, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &Flash::setCameraParameters);
    connect(m_delay, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &Flash::setCameraParameters);
    connect(m_duration, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &Flash::setCameraParameters);
}

const QString &Flash::name()
{
    static const QString text = QStringLiteral("Flash");
    return text;
}

void Flash::updateSettings()
{
    const VyraCamera &cam = *camera();
    m_delay->setSuffix(QStringLiteral(" µs"));
    m_delay->setRange(cam.flashDelayMin(), cam.flashDelayMax());
    m_delay->setSingleStep(cam.flashDelayInc());
    m_duration->setSuffix(QStringLiteral(" µs"));
    m_duration->setRange(cam.flashDurationMin(), cam.flashDurationMax());
    m_duration->setSingleStep(cam.flashDurationInc());
    // Showing what the camera does is no edit to write back.
    const QSignalBlocker blocker(m_mode);
    m_mode->setCurrentIndex(cam.flashMode());
}

void Flash::applyValue(const QSharedPointer<FeatureValue> &value)
{
    updateSettings();
    // Mode, duration, delay.
    qint32 flash[3] = {m_mode->currentIndex(), m_duration->value(), m_delay->value()};
    copyValue(value, flash, sizeof flash);
    m_mode->setCurrentIndex(flash[0]);
    m_duration->setValue(flash[1]);
    m_delay->setValue(flash[2]);
}

QSharedPointer<FeatureValue> Flash::currentValue() const
{
    // Mode, duration, delay, as applyValue reads them.
    const qint32 flash[3] = {m_mode->currentIndex(), m_duration->value(), m_delay->value()};
    return valueOf(flash, sizeof flash);
}

void Flash::setCameraParameters()
{
    try {
        camera()->setFlashDelay(m_delay->value());
        camera()->setFlashDuration(m_duration->value());
        camera()->setFlashMode(m_mode->currentIndex());
    } catch (const VyraCameraException &) {
        // The calls after a rejected one are skipped; the widgets keep their
        // values.
    }
}

} // namespace Properties
