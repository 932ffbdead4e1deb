#include "gainproperty.h"

#include <QLabel>
#include <QSpinBox>

#include "camerafailure.h"
#include "vyracamera.h"

namespace Properties {

Gain::Gain(const QSharedPointer<VyraCamera> &camera, QObject *eventFilter, QWidget *parent)
    : SequencerProperty(camera, eventFilter, parent)
{
    // Every box exists, shown or not, so the four gains are always edited
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
    // A camera that cannot say which gains it has shows all four.
    bool masterGain = true;
    bool colorGain = true;
    ignoreCameraFailure([&] {
        masterGain = camera->isMasterGainSupported();
        colorGain = camera->isColorGainSupported();
    });
    if (masterGain)
        addRow(master, m_master);
    if (colorGain) {
        addRow(red, m_red);
        addRow(green, m_green);
        addRow(blue, m_blue);
    }
    for (QSpinBox *box : boxes())
        watch(box);
    updateSettings();
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

void Gain::readRanges()
{
    const VyraCamera &cam = *camera();
    m_minimum = cam.gainMinimum();
    m_maximum = cam.gainMaximum();
}

void Gain::fillWidgets(const SetParameters &values)
{
    const QString allowed = tr("%1 to %2").arg(m_minimum).arg(m_maximum);
    const qint32 gains[4] = {values.masterGain, values.redGain, values.greenGain, values.blueGain};
    const QList<QSpinBox *> all = boxes();
    for (int i = 0; i < all.size(); ++i) {
        all[i]->setSingleStep(1);
        showWithin(all[i], gains[i], m_minimum, m_maximum, allowed);
    }
}

SetParameters Gain::editedValues(const SetParameters &values) const
{
    SetParameters edited = values;
    edited.masterGain = m_master->value();
    edited.redGain = m_red->value();
    edited.greenGain = m_green->value();
    edited.blueGain = m_blue->value();
    return edited;
}

} // namespace Properties
