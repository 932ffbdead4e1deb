#pragma once

#include <cstdint>
#include <string>

namespace VyraSim {

/// Draws short texts into RGB images with a tiny built-in 5 x 7 pixel font:
/// the frame number and sequencer set in the corner of every image, and the
/// coordinate labels of the synthetic scene. Knows the digits, the letters
/// A E F M R S T X, space and - # , : . (other characters are left blank).
class FrameStamp
{
public:
    struct Colour
    {
        uint8_t r, g, b;
    };

    /// Width and height of text in pixels at scale, including a margin of one
    /// scaled pixel around it.
    static int width(const std::string &text, int scale);
    static int height(int scale);

    /// Draws text with its top left corner at (x, y) on a filled box, clipped
    /// to the image. image holds width x height RGB pixels, pitch bytes a line.
    static void draw(uint8_t *image, int pitch, int imageWidth, int imageHeight, int x, int y,
                     const std::string &text, int scale, Colour ink, Colour paper);
    /// Reads back up to length characters drawn by draw() at (x, y) and scale
    /// in light ink on dark paper; a cell that holds no known glyph reads as
    /// '?'. Stops at the image's edge.
    static std::string read(const uint8_t *image, int pitch, int imageWidth, int imageHeight,
                            int x, int y, int length, int scale);
    /// The scale at which the corner stamp of an image of this width is drawn.
    static int cornerScale(int imageWidth) { return imageWidth >= 480 ? 2 : 1; }
};

} // namespace VyraSim
