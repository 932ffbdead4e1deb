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

    static bool isClipped(uchar red, uchar green, uchar blue)
    {
        return red == 255 || green == 255 || blue == 255;
    }
    static bool isCrushed(uchar red, uchar green, uchar blue) { return (red | green | blue) == 0; }

    /// The image with its clipped and crushed pixels painted over, in the
    /// 8-8-8 RGB format.
    static QImage marked(QImage image);
};
