#pragma once

#include <QColor>
#include <QImage>

/// Marks the pixels of an image whose exposure lost detail: clipped pixels
/// (any channel at its maximum) and crushed pixels (every channel at zero),
/// each painted over in a plain marker colour.
class ClippingMarks
{
public:
    static const QColor clippedColour;
    static const QColor crushedColour;

    static bool isClipped(int red, int green, int blue)
    {
        return red == 255 || green == 255 || blue == 255;
    }
    static bool isCrushed(int red, int green, int blue) { return (red | green | blue) == 0; }

    /// The image with its clipped and crushed pixels painted over, in the
    /// 32-bit RGB format that screens draw fastest.
    static QImage marked(QImage image);
};
