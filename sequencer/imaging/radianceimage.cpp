#include "radianceimage.h"

#include <algorithm>

QString RadianceImage::unit()
{
    return QStringLiteral("camera value per millisecond at unit gain");
}

RadianceImage RadianceImage::unfilled(const QSize &size, const QPoint &aoiOffset)
{
    RadianceImage image;
    if (size.isEmpty())
        return image;
    image.m_size = size;
    image.m_aoiOffset = aoiOffset;
    image.m_pixels = RadianceBuffers::take(size);
    return image;
}

RadianceImage::RadianceImage(const QSize &size, const QPoint &aoiOffset)
    : RadianceImage(unfilled(size, aoiOffset))
{
    if (isNull())
        return;
    const size_t pixels = size_t(width()) * size_t(height());
    std::fill_n(m_pixels->rgb.get(), pixels * 3, 0.0f);
    std::fill_n(m_pixels->marks.get(), pixels, quint8(0));
}

void RadianceImage::detach()
{
    if (!m_pixels || m_pixels.use_count() == 1)
        return;
    const std::shared_ptr<RadianceBuffers::Pixels> own = RadianceBuffers::take(m_size);
    const size_t pixels = size_t(width()) * size_t(height());
    std::copy_n(m_pixels->rgb.get(), pixels * 3, own->rgb.get());
    std::copy_n(m_pixels->marks.get(), pixels, own->marks.get());
    m_pixels = own;
}

float *RadianceImage::line(int y)
{
    detach();
    return m_pixels->rgb.get() + lineOffset(y);
}

quint8 *RadianceImage::marks(int y)
{
    detach();
    return m_pixels->marks.get() + markOffset(y);
}

std::array<float, 3> RadianceImage::pixel(int x, int y) const
{
    const float *rgb = constLine(y) + x * 3;
    return {rgb[0], rgb[1], rgb[2]};
}
