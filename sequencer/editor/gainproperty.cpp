#include "gainproperty.h"

#include <QLabel>
#include <QSpinBox>

#include "vyracamera.h"
#include "vyracameraexception.h"

namespace Properties {

Gain::Gain(const QSharedPointer<VyraCamera> &camera, QObject *eventFilter, QWidget *parent)
    : SequencerProperty(camera, eventFilter, parent)
{
    // Every box exists, shown or not, so the four gains are always written
    // together.
    m_master = new QSpinBox(this);
    m_red = new QSpinBox(this);
    m_green = new QSpinBox(this);
    m_blue = new QSpinBox(this);
    for (QSpinBox *box : boxes())
        box->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);

    QLabel *header = createHeaderLabel(name());
    QLabel *master = createSubLabel(QStringLiteral("     Master"));
    QLabel *red = createSubLabel(QStringLiteral("     Red"));
    QLabel *green = createSubLabel(QStringLiteral("     Green"));
    QLabel *blue = createSubLabel(QStringLiteral("     Blue"));
    addRow(header, new QWidget(this));
    if (camera->isMasterGainSupported())
        addRow(master, m_master);
    if (camera->isColorGainSupported()) {
        addRow(red, m_red);
        addRow(green, m_green);
        addRow(blue, m_blue);
    }

    updateSettings();
    m_master->setValue(camera->masterGain());
    m_red->setValue(camera->redGain());
    m_green->setValue(camera->greenGain());
    m_blue->setValue(camera->blueGain());
    for (QSpinBox *box : boxes()) {
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &Gain::setCameraParameters);
    }
}

const QString &Gain::name()
{
    static const QString text = QStringLiteral("Gain");
    return text;
}

QList<QSpinBox *> Gain::boxes() const
{
    return {m_master, m_red, m_green, m_blue};
}

void Gain::updateSettings()
{
    const VyraCamera &cam = *camera();
    for (QSpinBox *box : boxes()) {
        box->setRange(cam.gainMinimum(), cam.gainMaximum());
        box->setSingleStep(1);
    }
}

void Gain::applyValue(const QSharedPointer<FeatureValue> &value)
{
    updateSettings();
    qint32 gains[4] = {};
    copyValue(value, gains, sizeof gains);
    const QList<QSpinBox *> all = boxes();
    for (int i = 0; i < all.size(); ++i)
        all[i]->setValue(gains[i]);
}

QSharedPointer<FeatureValue> Gain::currentValue() const
{
    const qint32 gains[4] = {m_master->value(), m_red->value(), m_green->value(),
                             m_blue->value()};
    return valueOf(gains, sizeof gains);
}

void Gain::setCameraParameters()
{
    try {
        camera()->setGain(m_master->value(), m_red->value(), m_green->value(), m_blue->value());
    } catch (const VyraCameraException &) {
        // The boxes keep the rejected values; the camera keeps its own.
    }
}

} // namespace Properties
