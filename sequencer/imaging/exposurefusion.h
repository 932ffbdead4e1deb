#pragma once

#include <QImage>
#include <QList>

/// Exposure fusion: blends images of one scene taken with different
/// exposures into one picture that keeps what is well exposed in each,
/// weighting every pixel of every image by its contrast, saturation and
/// closeness to mid-grey (Mertens' method, from OpenCV's photo module). The
/// one place the application reaches OpenCV; without it the class is left
/// out of the build.
class ExposureFusion
{
public:
    /// Fuses a bracket of two or more 8-8-8 RGB images of one size into an
    /// image of that format, scaled down first to at most maximumWidth
    /// pixels wide (aspect ratio kept) when maximumWidth is positive.
    /// Throws std::runtime_error for fewer than two images, images of
    /// different sizes or a failure inside OpenCV.
    static QImage fuse(const QList<QImage> &bracket, int maximumWidth = 0);
};
