#include "clippingmarks.h"

#include <algorithm>

const QColor ClippingMarks::clippedColour(255, 0, 0);
const QColor ClippingMarks::crushedColour(0, 0, 255);

QImage ClippingMarks::marked(QImage image)
{
    if (image.format() != QImage::Format_RGB888)
        image.convertTo(QImage::Format_RGB888);
    const uchar clipped[3] = {uchar(clippedColour.red()), uchar(clippedColour.green()),
                              uchar(clippedColour.blue())};
    const uchar crushed[3] = {uchar(crushedColour.red()), uchar(crushedColour.green()),
                              uchar(crushedColour.blue())};
    for (int y = 0; y < image.height(); ++y) {
        uchar *pixel = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, pixel += 3) {
            const uchar *mark = isClipped(pixel[0], pixel[1], pixel[2])   ? clipped
                                : isCrushed(pixel[0], pixel[1], pixel[2]) ? crushed
                                                                          : nullptr;
            if (mark)
                std::copy(mark, mark + 3, pixel);
        }
    }
    return image;
}
