#include "clippingmarks.h"

const QColor ClippingMarks::clippedColour(255, 0, 0);
const QColor ClippingMarks::crushedColour(0, 0, 255);

QImage ClippingMarks::marked(QImage image)
{
    if (image.format() != QImage::Format_RGB32)
        image.convertTo(QImage::Format_RGB32);
    const QRgb clipped = clippedColour.rgb();
    const QRgb crushed = crushedColour.rgb();
    for (int y = 0; y < image.height(); ++y) {
        auto *pixel = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x, ++pixel) {
            const int red = qRed(*pixel);
            const int green = qGreen(*pixel);
            const int blue = qBlue(*pixel);
            if (isClipped(red, green, blue))
                *pixel = clipped;
            else if (isCrushed(red, green, blue))
                *pixel = crushed;
        }
    }
    return image;
}
