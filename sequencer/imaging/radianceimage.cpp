#include "radianceimage.h"

QString RadianceImage::unit()
{
    return QStringLiteral("camera value per millisecond at unit gain");
}

RadianceImage::RadianceImage(const QSize &size, const QPoint &aoiOffset)
    : m_size(size.isEmpty() ? QSize() : size)
    , m_aoiOffset(aoiOffset)
    , m_rgb(m_size.width() * m_size.height() * 3, 0.0f)
    , m_marks(m_size.width() * m_size.height(), 0)
{
}

std::array<float, 3> RadianceImage::pixel(int x, int y) const
{
    const float *rgb = constLine(y) + x * 3;
    return {rgb[0], rgb[1], rgb[2]};
}
