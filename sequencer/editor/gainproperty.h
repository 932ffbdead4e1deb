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
    void applyValue(const QSharedPointer<FeatureValue> &value) override;
    QSharedPointer<FeatureValue> currentValue() const override;

    static constexpr qint64 Id = 2;
    static constexpr quint32 Size = 16;
    static const QString &name();

public slots:
    void updateSettings() override;
    void setCameraParameters() override;

private:
    QList<QSpinBox *> boxes() const;

    QSpinBox *m_master;
    QSpinBox *m_red;
    QSpinBox *m_green;
    QSpinBox *m_blue;
};

} // namespace Properties
