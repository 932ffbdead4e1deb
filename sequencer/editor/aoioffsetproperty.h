#pragma once

#include "sequencerproperty.h"

class QSpinBox;

namespace Properties {

/// The editor of one coordinate of the AOI offset: a spin box in pixels whose
/// range and step follow the camera's image size.
class AoiOffset : public SequencerProperty
{
    Q_OBJECT

public:
    quint32 valueSize() const override { return Size; }
    SetParameters editedValues(const SetParameters &values) const override;

    static constexpr quint32 Size = 4;

protected:
    void readRanges() override;
    void fillWidgets(const SetParameters &values) override;

    AoiOffset(Qt::Orientation axis, const QString &name, const QSharedPointer<VyraCamera> &camera,
              QObject *eventFilter, QWidget *parent);

private:
    int coordinate(const QPoint &point) const;

    Qt::Orientation m_axis;
    QSpinBox *m_offset;
    int m_minimum = 0;
    int m_maximum = 0;
};

/// The horizontal AOI offset of a set.
class AoiOffsetX : public AoiOffset
{
    Q_OBJECT

public:
    AoiOffsetX(const QSharedPointer<VyraCamera> &camera, QObject *eventFilter, QWidget *parent);

    QString displayName() const override { return name(); }
    qint64 featureId() const override { return Id; }

    static constexpr qint64 Id = 4;
    static const QString &name();
};

/// The vertical AOI offset of a set.
class AoiOffsetY : public AoiOffset
{
    Q_OBJECT

public:
    AoiOffsetY(const QSharedPointer<VyraCamera> &camera, QObject *eventFilter, QWidget *parent);

    QString displayName() const override { return name(); }
    qint64 featureId() const override { return Id; }

    static constexpr qint64 Id = 8;
    static const QString &name();
};

} // namespace Properties
