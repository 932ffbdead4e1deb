#include "imagefigures.h"

#include <algorithm>
#include <cmath>

ImageFigures ImageFigures::of(const QImage &source, int maximumSamples)
{
    if (source.isNull())
        return {};
    const QImage image = source.format() == QImage::Format_RGB888
                             ? source
                             : source.convertToFormat(QImage::Format_RGB888);
    const double pixels = double(image.width()) * image.height();
    const int step = std::max(1, int(std::ceil(std::sqrt(pixels / std::max(1, maximumSamples)))));
    quint64 sum = 0;
    quint64 clipped = 0;
    quint64 samples = 0;
    for (int y = step / 2; y < image.height(); y += step) {
        const uchar *line = image.constScanLine(y);
        for (int x = step / 2; x < image.width(); x += step) {
            const uchar *pixel = line + 3 * x;
            sum += pixel[0] + pixel[1] + pixel[2];
            clipped += pixel[0] == 255 || pixel[1] == 255 || pixel[2] == 255;
            ++samples;
        }
    }
    if (samples == 0)
        return {};
    return ImageFigures{double(sum) / (3.0 * double(samples)), double(clipped) / double(samples)};
}

QImage ImageFigures::thumbnail(const QImage &image, int width)
{
    if (image.isNull() || width <= 0)
        return QImage();
    // Picking every n-th pixel down to twice the width and averaging the
    // last halving costs a fraction of a smooth scaling of the whole image
    // and looks the same at this size.
    const QImage picked =
        image.width() > 2 * width ? image.scaledToWidth(2 * width, Qt::FastTransformation) : image;
    return picked.scaledToWidth(width, Qt::SmoothTransformation);
}
