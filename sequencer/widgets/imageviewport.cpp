#include "imageviewport.h"

#include <QPoint>

#include <algorithm>
#include <cmath>

namespace {

// An offset along one axis: a short image centred, a long one covering the
// view.
double clamped(double offset, double length, double view)
{
    if (length <= view)
        return (view - length) / 2.0;
    return std::clamp(offset, view - length, 0.0);
}

} // namespace

void ImageViewport::setImageSize(const QSize &size)
{
    m_image = size;
    clampOffset();
}

void ImageViewport::setViewSize(const QSize &size)
{
    m_view = size;
    clampOffset();
}

QSize ImageViewport::imageSize() const
{
    return m_image;
}

QSize ImageViewport::viewSize() const
{
    return m_view;
}

void ImageViewport::fit()
{
    m_isFitted = true;
}

void ImageViewport::setFittedSize(const QSize &size)
{
    m_fitted = size;
}

bool ImageViewport::isFitted() const
{
    return m_isFitted;
}

double ImageViewport::scale() const
{
    if (m_image.isEmpty())
        return 1.0;
    return m_isFitted ? double(m_fitted.width()) / m_image.width() : m_scale;
}

QRectF ImageViewport::imageRect() const
{
    if (m_image.isEmpty())
        return {};
    if (m_isFitted) {
        // Where the display's label puts a pixmap: on the left, centred
        // vertically in whole pixels.
        return QRectF(0, m_view.height() / 2 - m_fitted.height() / 2, m_fitted.width(),
                      m_fitted.height());
    }
    return QRectF(m_offset, QSizeF(m_image) * m_scale);
}

void ImageViewport::zoomAt(const QPointF &anchor, double factor)
{
    if (m_image.isEmpty() || factor <= 0.0)
        return;
    const double target = std::min(scale() * factor, maximumScale);
    if (factor < 1.0 && target <= fitScale()) {
        fit();
        return;
    }
    zoomTo(anchor, target);
}

void ImageViewport::showActualSize(const QPointF &anchor)
{
    if (!m_image.isEmpty())
        zoomTo(anchor, 1.0);
}

void ImageViewport::panBy(const QPointF &delta)
{
    if (m_isFitted)
        return;
    m_offset += delta;
    clampOffset();
}

std::optional<QPoint> ImageViewport::pixelAt(const QPointF &viewPoint) const
{
    const QRectF rect = imageRect();
    if (rect.isEmpty())
        return std::nullopt;
    const int x = int(std::floor((viewPoint.x() - rect.x()) * m_image.width() / rect.width()));
    const int y = int(std::floor((viewPoint.y() - rect.y()) * m_image.height() / rect.height()));
    if (x < 0 || y < 0 || x >= m_image.width() || y >= m_image.height())
        return std::nullopt;
    return QPoint(x, y);
}

QPointF ImageViewport::toView(const QPointF &imagePoint) const
{
    const QRectF rect = imageRect();
    if (rect.isEmpty())
        return rect.topLeft();
    return rect.topLeft() + QPointF(imagePoint.x() * rect.width() / m_image.width(),
                                    imagePoint.y() * rect.height() / m_image.height());
}

double ImageViewport::fitScale() const
{
    return double(m_view.width()) / m_image.width();
}

void ImageViewport::zoomTo(const QPointF &anchor, double scale)
{
    const QRectF rect = imageRect();
    // The image point under the anchor, from where the image is now; a
    // fitted image not drawn yet is taken as fitting the view.
    const double current = rect.isEmpty() ? fitScale() : rect.width() / m_image.width();
    const QPointF origin = rect.isEmpty() ? QPointF() : rect.topLeft();
    const QPointF imagePoint = (anchor - origin) / current;
    m_isFitted = false;
    m_scale = scale;
    m_offset = anchor - imagePoint * scale;
    clampOffset();
}

void ImageViewport::clampOffset()
{
    if (m_isFitted || m_image.isEmpty())
        return;
    m_offset.setX(clamped(m_offset.x(), m_image.width() * m_scale, m_view.width()));
    m_offset.setY(clamped(m_offset.y(), m_image.height() * m_scale, m_view.height()));
}
