#pragma once

#include "sequencerproperty.h"

class QDoubleSpinBox;

namespace Properties {

/// The exposure time of a set, in milliseconds, within the range the current
/// frame rate allows.
class Exposure : public SequencerProperty
{
    Q_OBJECT

public:
    Exposure(const QSharedPointer<VyraCamera> &camera, QObject *eventFilter, QWidget *parent);

    QString displayName() const override { return name(); }
    qint64 featureId() const override { return Id; }
    quint32 valueSize() const override { return Size; }
    void applyValue(const QSharedPointer<FeatureValue> &value) override;
    QSharedPointer<FeatureValue> currentValue() const override;

    static constexpr qint64 Id = 1;
    static constexpr quint32 Size = 8;
    static const QString &name();

public slots:
    void updateSettings() override;
    void setCameraParameters() override;

private:
    QDoubleSpinBox *m_exposure;
};

} // namespace Properties
