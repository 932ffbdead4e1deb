#include "pixelconverter.h"

#include <cstring>

namespace VyraAravis {

namespace {

/// The colour of one mosaic cell: 0 red, 1 green, 2 blue.
enum Channel { Red = 0, Green = 1, Blue = 2 };

/// The colour of the top left cell of each mosaic.
struct Mosaic
{
    bool redRowFirst; ///< the first line holds red (and green) cells
    bool greenFirst;  ///< the first cell of the first line is green
};

Mosaic mosaicOf(PixelConverter::Format format)
{
    switch (format) {
    case PixelConverter::Format::BayerRG8:
        return {true, false};
    case PixelConverter::Format::BayerGR8:
        return {true, true};
    case PixelConverter::Format::BayerGB8:
        return {false, true};
    default: // BayerBG8
        return {false, false};
    }
}

/// An index one step outside the image mirrored back inside it, keeping the
/// mosaic's parity (-1 becomes 1, size becomes size - 2).
inline int mirrored(int index, int size)
{
    if (index < 0)
        return size > 1 ? 1 : 0;
    if (index >= size)
        return size > 1 ? size - 2 : 0;
    return index;
}

} // namespace

int PixelConverter::bytesPerPixel(Format format)
{
    return format == Format::Rgb8 || format == Format::Bgr8 ? 3 : 1;
}

void PixelConverter::toRgb8(Format format, const uint8_t *source, int sourcePitch, int width,
                            int height, uint8_t *target, int targetPitch)
{
    switch (format) {
    case Format::Rgb8:
        for (int y = 0; y < height; ++y)
            std::memcpy(target + size_t(y) * targetPitch, source + size_t(y) * sourcePitch,
                        size_t(width) * 3);
        return;
    case Format::Bgr8:
        for (int y = 0; y < height; ++y) {
            const uint8_t *in = source + size_t(y) * sourcePitch;
            uint8_t *out = target + size_t(y) * targetPitch;
            for (int x = 0; x < width; ++x, in += 3, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
        }
        return;
    case Format::Mono8:
        for (int y = 0; y < height; ++y) {
            const uint8_t *in = source + size_t(y) * sourcePitch;
            uint8_t *out = target + size_t(y) * targetPitch;
            for (int x = 0; x < width; ++x, out += 3)
                out[0] = out[1] = out[2] = in[x];
        }
        return;
    default:
        bayerToRgb8(format, source, sourcePitch, width, height, target, targetPitch);
        return;
    }
}

void PixelConverter::bayerToRgb8(Format format, const uint8_t *source, int sourcePitch, int width,
                                 int height, uint8_t *target, int targetPitch)
{
    // Bilinear: each pixel keeps its own colour and takes the two others as
    // the mean of its nearest cells of that colour, along the line, the
    // column, the cross or the diagonals, as the mosaic places them.
    const Mosaic mosaic = mosaicOf(format);
    for (int y = 0; y < height; ++y) {
        const uint8_t *line = source + size_t(y) * sourcePitch;
        const uint8_t *above = source + size_t(mirrored(y - 1, height)) * sourcePitch;
        const uint8_t *below = source + size_t(mirrored(y + 1, height)) * sourcePitch;
        const bool redRow = ((y & 1) == 0) == mosaic.redRowFirst;
        uint8_t *out = target + size_t(y) * targetPitch;
        for (int x = 0; x < width; ++x, out += 3) {
            const int left = mirrored(x - 1, width);
            const int right = mirrored(x + 1, width);
            // Green cells alternate with the other colour along every line
            // and down every column.
            const bool green = (((x + y) & 1) == 0) == mosaic.greenFirst;
            const int centre = line[x];
            const int horizontal = (line[left] + line[right] + 1) / 2;
            const int vertical = (above[x] + below[x] + 1) / 2;
            if (green) {
                // A green cell: the line's other colour left and right of it,
                // the other line's colour above and below.
                out[Green] = uint8_t(centre);
                out[redRow ? Red : Blue] = uint8_t(horizontal);
                out[redRow ? Blue : Red] = uint8_t(vertical);
            } else {
                const int cross = (line[left] + line[right] + above[x] + below[x] + 2) / 4;
                const int diagonal =
                    (above[left] + above[right] + below[left] + below[right] + 2) / 4;
                out[redRow ? Red : Blue] = uint8_t(centre);
                out[Green] = uint8_t(cross);
                out[redRow ? Blue : Red] = uint8_t(diagonal);
            }
        }
    }
}

} // namespace VyraAravis
