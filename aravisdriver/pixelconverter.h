#pragma once

#include <cstdint>

namespace VyraAravis {

/// Turns the image a GenICam camera sends into the RGB8 image of the driver
/// boundary (bytes R, G, B per pixel). Colour cameras that send their raw
/// Bayer mosaic are demosaiced on the host by bilinear interpolation; mono
/// cameras give grey RGB images. Pure: no state, safe from any thread.
class PixelConverter
{
public:
    /// The 8-bit formats the driver can take images in, in the order it
    /// prefers them when opening a camera.
    enum class Format { Rgb8, Bgr8, BayerRG8, BayerGR8, BayerGB8, BayerBG8, Mono8 };

    /// Bytes per pixel of an image in format.
    static int bytesPerPixel(Format format);

    /// Converts a width x height image of sourcePitch bytes a line into target,
    /// targetPitch bytes a line. Images narrower than 2 pixels in either
    /// direction are demosaiced by their nearest neighbours.
    static void toRgb8(Format format, const uint8_t *source, int sourcePitch, int width, int height,
                       uint8_t *target, int targetPitch);

private:
    static void bayerToRgb8(Format format, const uint8_t *source, int sourcePitch, int width,
                            int height, uint8_t *target, int targetPitch);
};

} // namespace VyraAravis
