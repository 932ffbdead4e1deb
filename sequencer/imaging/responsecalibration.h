#pragma once

#include <QString>
#include <QVector>

#include "cameraresponse.h"
#include "radiancemerge.h"

/// Calibrates a camera's response from a bracket of a still scene: which
/// light gives which value, per channel, found from how the values of the
/// same pixels change with exposure and gain (Debevec and Malik's method,
/// from OpenCV's photo module). Done once per camera model; the result is
/// kept in a ResponseStore. Left out of builds without OpenCV.
class ResponseCalibration
{
public:
    /// The response of the camera model that took the bracket: two or more
    /// images of one size and AOI offset, of one still scene, whose
    /// exposures x gains differ. Throws std::runtime_error, saying why, for
    /// a bracket that cannot be calibrated from.
    static CameraResponse calibrate(const QString &cameraModel,
                                    const QVector<RadianceMerge::Exposure> &bracket);
};
