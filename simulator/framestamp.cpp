#include "framestamp.h"

#include <algorithm>
#include <cstddef>

namespace VyraSim {

namespace {

constexpr int glyphWidth = 5;
constexpr int glyphHeight = 7;
constexpr int cellWidth = glyphWidth + 1;
constexpr int cellHeight = glyphHeight + 1;

struct Glyph
{
    char character;
    uint8_t rows[glyphHeight]; ///< five bits per row, the leftmost pixel in bit 4
};

constexpr Glyph glyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'#', {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A}},
    {',', {0x00, 0x00, 0x00, 0x00, 0x06, 0x04, 0x08}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
};

const Glyph *findGlyph(char c)
{
    for (const Glyph &glyph : glyphs) {
        if (glyph.character == c)
            return &glyph;
    }
    return nullptr;
}

void fillRect(uint8_t *image, int pitch, int imageWidth, int imageHeight, int x, int y, int w,
              int h, FrameStamp::Colour colour)
{
    const int left = std::max(0, x);
    const int top = std::max(0, y);
    const int right = std::min(imageWidth, x + w);
    const int bottom = std::min(imageHeight, y + h);
    for (int row = top; row < bottom; ++row) {
        uint8_t *pixel = image + ptrdiff_t(row) * pitch + ptrdiff_t(left) * 3;
        for (int column = left; column < right; ++column, pixel += 3) {
            pixel[0] = colour.r;
            pixel[1] = colour.g;
            pixel[2] = colour.b;
        }
    }
}

} // namespace

int FrameStamp::width(const std::string &text, int scale)
{
    return (int(text.size()) * cellWidth + 1) * scale;
}

int FrameStamp::height(int scale)
{
    return (cellHeight + 1) * scale;
}

void FrameStamp::draw(uint8_t *image, int pitch, int imageWidth, int imageHeight, int x, int y,
                      const std::string &text, int scale, Colour ink, Colour paper)
{
    fillRect(image, pitch, imageWidth, imageHeight, x, y, width(text, scale), height(scale), paper);
    int left = x + scale;
    const int top = y + scale;
    for (char c : text) {
        if (const Glyph *glyph = findGlyph(c)) {
            for (int row = 0; row < glyphHeight; ++row) {
                for (int column = 0; column < glyphWidth; ++column) {
                    if (glyph->rows[row] & (0x10 >> column))
                        fillRect(image, pitch, imageWidth, imageHeight, left + column * scale,
                                 top + row * scale, scale, scale, ink);
                }
            }
        }
        left += cellWidth * scale;
    }
}

std::string FrameStamp::read(const uint8_t *image, int pitch, int imageWidth, int imageHeight,
                             int x, int y, int length, int scale)
{
    std::string text;
    const int top = y + scale;
    for (int cell = 0; cell < length; ++cell) {
        const int left = x + scale + cell * cellWidth * scale;
        if (left + glyphWidth * scale > imageWidth || top + glyphHeight * scale > imageHeight)
            break;
        uint8_t rows[glyphHeight] = {};
        for (int row = 0; row < glyphHeight; ++row) {
            for (int column = 0; column < glyphWidth; ++column) {
                // The middle of the scaled pixel, in light ink or not.
                const uint8_t *pixel = image + ptrdiff_t(top + row * scale + scale / 2) * pitch +
                                       ptrdiff_t(left + column * scale + scale / 2) * 3;
                if (int(pixel[0]) + pixel[1] + pixel[2] > 3 * 128)
                    rows[row] |= uint8_t(0x10 >> column);
            }
        }
        char read = ' ';
        if (std::any_of(std::begin(rows), std::end(rows), [](uint8_t bits) { return bits; })) {
            read = '?';
            for (const Glyph &glyph : glyphs) {
                if (std::equal(std::begin(rows), std::end(rows), std::begin(glyph.rows)))
                    read = glyph.character;
            }
        }
        text += read;
    }
    return text;
}

} // namespace VyraSim
