#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <QVector>

#include <array>

#include "cameragain.h"
#include "cameraresponse.h"
#include "radianceimage.h"

/// Merges a bracket (one cycle's images of a still scene, taken with
/// different exposures and gains) into the scene's light: per pixel and
/// channel the weighted mean, over the images, of the value made linear by
/// the camera's response and divided by exposure x linear gain. A value's
/// weight is a hat over its light that falls to zero at black and at
/// clipping, so each pixel comes from the exposures that saw it well.
///
/// The images' values go through tables made per image, and the lines are
/// shared among the pool's threads. Thread-safe: merge() changes nothing.
class RadianceMerge
{
public:
    /// One image of the bracket and how it was taken.
    struct Exposure
    {
        QImage image; ///< 8-8-8 RGB (other formats are converted)
        double exposureMs = 0.0;
        CameraGain::Setting gain; ///< as the camera applied it
        QPoint aoiOffset;
        int set = -1;
        quint64 frameNumber = 0;
    };

    /// Merges images of the camera model with its response.
    RadianceMerge(const QString &cameraModel, const CameraResponse &response);

    /// The light of the bracket's scene. Throws std::runtime_error, saying
    /// why, for an empty bracket, an image without pixels, an exposure that
    /// is not positive, gains outside their range, or images that differ in
    /// size or AOI offset.
    RadianceImage merge(const QVector<Exposure> &bracket) const;

private:
    static void check(const QVector<Exposure> &bracket);

    QString m_cameraModel;
    CameraResponse m_response;
    std::array<CameraResponse::Curve, 3> m_weights;
};
