#pragma once

#include "sequencerproperty.h"

class QSpinBox;

namespace Properties {

/// The gains of a set, 0 to 100: the master gain and the red, green and blue
/// gains, each shown only where the camera has it.
class Gain : public SequencerProperty
{
    Q_OBJECT

public:
    Gain(const QSharedPointer<VyraCamera> &camera, QObject *eventFilter, QWidget *parent);

    QString displayName() const override { return name(); }
    qint64 featureId() const override { return Id; }
    quint32 valueSize() const override { return Size; }
    SetParameters editedValues(const SetParameters &values) const override;

    static constexpr qint64 Id = 2;
    static constexpr quint32 Size = 16;
    static const QString &name();

protected:
    void readRanges() override;
    void fillWidgets(const SetParameters &values) override;

private:
    QList<QSpinBox *> boxes() const;

    qint32 m_minimum = 0;
    qint32 m_maximum = 100;

    QSpinBox *m_master;
    QSpinBox *m_red;
    QSpinBox *m_green;
    QSpinBox *m_blue;
};

} // namespace Properties
