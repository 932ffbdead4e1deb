#include "imagehistogram.h"

#include <algorithm>
#include <cmath>

#include "clippingmarks.h"

ImageHistogram ImageHistogram::of(const QImage &source, qint64 maximumSamples)
{
    ImageHistogram histogram;
    if (source.isNull())
        return histogram;
    const QImage image = source.format() == QImage::Format_RGB888
                             ? source
                             : source.convertToFormat(QImage::Format_RGB888);
    const qint64 pixels = qint64(image.width()) * image.height();
    histogram.m_step = pixels <= maximumSamples
                           ? 1
                           : int(std::ceil(std::sqrt(double(pixels) /
                                                     double(std::max<qint64>(1, maximumSamples)))));
    const int step = histogram.m_step;
    auto &counts = histogram.m_counts;
    for (int y = 0; y < image.height(); y += step) {
        const uchar *pixel = image.constScanLine(y);
        for (int x = 0; x < image.width(); x += step, pixel += 3 * step) {
            const uchar red = pixel[0];
            const uchar green = pixel[1];
            const uchar blue = pixel[2];
            ++counts[Red][red];
            ++counts[Green][green];
            ++counts[Blue][blue];
            ++counts[Luminance][luminance(red, green, blue)];
            histogram.m_clipped += ClippingMarks::isClipped(red, green, blue);
            histogram.m_crushed += ClippingMarks::isCrushed(red, green, blue);
            ++histogram.m_samples;
        }
    }
    return histogram;
}

quint32 ImageHistogram::count(Channel channel, int level) const
{
    return m_counts[channel][std::clamp(level, 0, levels - 1)];
}

quint32 ImageHistogram::peak(Channel channel) const
{
    return *std::max_element(m_counts[channel].cbegin(), m_counts[channel].cend());
}

qint64 ImageHistogram::samples() const
{
    return m_samples;
}

int ImageHistogram::step() const
{
    return m_step;
}

double ImageHistogram::clippedShare() const
{
    return m_samples > 0 ? double(m_clipped) / double(m_samples) : 0.0;
}

double ImageHistogram::crushedShare() const
{
    return m_samples > 0 ? double(m_crushed) / double(m_samples) : 0.0;
}
