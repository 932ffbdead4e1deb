#pragma once

#include <QList>
#include <QMetaType>
#include <QPoint>
#include <QSharedPointer>

class FeatureValue;
class VyraCamera;

/// The values one set of a sequence holds: one for every feature a sequence
/// can vary, whether or not the sequence varies it now, and the set's path.
/// A plain value; the sequence model keeps one per set.
struct SetParameters
{
    /// Exposure time in milliseconds.
    double exposureMs = 0.0;
    qint32 masterGain = 0;
    qint32 redGain = 0;
    qint32 greenGain = 0;
    qint32 blueGain = 0;
    QPoint aoiOffset;
    /// The flash mode code of the camera (0 off ... 4 constant low).
    qint32 flashMode = 0;
    qint32 flashDurationUs = 0;
    qint32 flashDelayUs = 0;
    /// The path: what steps the camera on from this set, and to which set.
    qint32 triggerSource = 0;
    qint32 nextSet = 0;

    /// Whether the two hold the same value of this feature (the path's
    /// identifier 255 compares the path).
    bool sameFeature(const SetParameters &other, qint64 featureId) const;
    /// This set with the value of one feature taken from source.
    SetParameters withFeatureOf(const SetParameters &source, qint64 featureId) const;

    /// The value of a feature as the camera driver stores it in a set.
    QSharedPointer<FeatureValue> driverValue(qint64 featureId) const;
    /// Takes over a feature's value as the driver stores it; a shorter value
    /// leaves the rest as it was, an unknown feature changes nothing.
    void applyDriverValue(qint64 featureId, const FeatureValue &value);

    /// The camera's current values, and the first trigger source it offers
    /// as the path's (none: "Off"); the path leads back to set 0. Features
    /// the camera lacks keep their defaults. Throws VyraCameraException.
    static SetParameters ofCamera(const VyraCamera &camera);
    /// Writes the values of these features into the camera's current
    /// parameters (the path is not written). Throws VyraCameraException at
    /// the first value the camera refuses.
    void writeToCamera(VyraCamera &camera, const QList<qint64> &features) const;

    bool operator==(const SetParameters &other) const;
    bool operator!=(const SetParameters &other) const { return !(*this == other); }
};

Q_DECLARE_METATYPE(SetParameters)
