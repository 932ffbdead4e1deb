#pragma once

#include "sequencerproperty.h"

class QComboBox;
class QSpinBox;

namespace Properties {

/// The flash output of a set: its mode, and the delay and duration of the
/// flash in microseconds.
class Flash : public SequencerProperty
{
    Q_OBJECT

public:
    Flash(const QSharedPointer<VyraCamera> &camera, QObject *eventFilter, QWidget *parent);

    QString displayName() const override { return name(); }
    qint64 featureId() const override { return Id; }
    quint32 valueSize() const override { return Size; }
    SetParameters editedValues(const SetParameters &values) const override;

    static constexpr qint64 Id = 16;
    static constexpr quint32 Size = 12;
    static const QString &name();

protected:
    void readRanges() override;
    void fillWidgets(const SetParameters &values) override;

private:
    QComboBox *m_mode;
    QSpinBox *m_duration;
    QSpinBox *m_delay;
    // Minimum and maximum, in microseconds.
    QPair<qint32, qint32> m_delayRange;
    QPair<qint32, qint32> m_durationRange;
};

} // namespace Properties
