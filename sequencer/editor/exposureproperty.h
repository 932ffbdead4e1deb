#pragma once

#include "sequencerproperty.h"

class ClampingDoubleSpinBox;

namespace Properties {

/// The exposure time of a set, in milliseconds, within the range the current
/// frame rate allows. A value typed beyond the longest exposure becomes the
/// longest one, and the editor says so with valueLimited().
class Exposure : public SequencerProperty
{
    Q_OBJECT

public:
    Exposure(const QSharedPointer<VyraCamera> &camera, QObject *eventFilter, QWidget *parent);

    QString displayName() const override { return name(); }
    qint64 featureId() const override { return Id; }
    quint32 valueSize() const override { return Size; }
    SetParameters editedValues(const SetParameters &values) const override;

    static constexpr qint64 Id = 1;
    static constexpr quint32 Size = 8;
    static const QString &name();

protected:
    void readRanges() override;
    void fillWidgets(const SetParameters &values) override;

private:
    void announceLimit();
    QString longest() const;
    /// "at 5.00 fps": the frame rate that bounds the exposure.
    QString atFramerate() const;

    ClampingDoubleSpinBox *m_exposure;
    double m_minimum = 0.0;
    double m_maximum = 0.0;
    double m_framerate = 0.0;
};

} // namespace Properties
