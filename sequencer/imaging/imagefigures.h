#pragma once

#include <QImage>

/// Two figures of an image's exposure, for comparing the sets of a
/// sequence: the mean level and the share of clipped pixels. Measured on an
/// even grid of pixels, so that an image of any size costs about the same.
struct ImageFigures
{
    /// Mean of the red, green and blue values, 0 to 255.
    double meanLevel = 0.0;
    /// Share of the pixels with any channel at 255, 0 to 1.
    double clippedShare = 0.0;

    /// The figures of the image, measured on at most about maximumSamples
    /// pixels spread evenly over it. A null image gives zeros.
    static ImageFigures of(const QImage &image, int maximumSamples = 1 << 16);
    /// A copy of the image width pixels wide, its aspect ratio kept, made
    /// smooth at little cost.
    static QImage thumbnail(const QImage &image, int width);
};
