#pragma once

#include <QPoint>

class VyraCamera;

/// What the open camera allows the values of a set, read once at its current
/// frame rate and image size: the ranges a sequence is checked against
/// before it is written into the camera.
struct CameraLimits
{
    /// The frame rate the exposure limits hold at.
    double framerate = 0.0;
    double exposureMinimum = 0.0;
    double exposureMaximum = 0.0;
    qint32 gainMinimum = 0;
    qint32 gainMaximum = 100;
    QPoint aoiOffsetMinimum;
    QPoint aoiOffsetMaximum;
    /// Cameras without a flash output have no flash limits.
    bool hasFlash = false;
    qint32 flashDelayMinimum = 0;
    qint32 flashDelayMaximum = 0;
    qint32 flashDurationMinimum = 0;
    qint32 flashDurationMaximum = 0;
    /// How many sets the camera's sequencer holds.
    int setCapacity = 0;

    /// Reads the camera's limits as they are now. Throws VyraCameraException.
    static CameraLimits of(VyraCamera &camera);
};
