#pragma once

#include <QPoint>

class VyraCamera;
struct SetParameters;

/// The camera parameters an image was taken with beyond those the driver
/// reports with the image itself (VyraFrameInfo: set, frame number, time,
/// exposure): the gains, the AOI offset and the flash.
struct ImageParameters
{
    qint32 masterGain = 0;
    qint32 redGain = 0;
    qint32 greenGain = 0;
    qint32 blueGain = 0;
    QPoint aoiOffset;
    /// Cameras without a flash output have no flash values.
    bool hasFlash = false;
    qint32 flashMode = 0;
    qint32 flashDelayUs = 0;
    qint32 flashDurationUs = 0;

    /// The camera's current values; no flash values when the camera refuses
    /// to tell them. Throws VyraCameraException.
    static ImageParameters ofCamera(const VyraCamera &camera);
    /// Takes over a set's value of a feature the sequence varies; the
    /// exposure and unknown features change nothing.
    void takeFeature(qint64 featureId, const SetParameters &set);

    bool operator==(const ImageParameters &other) const;
    bool operator!=(const ImageParameters &other) const { return !(*this == other); }
};
