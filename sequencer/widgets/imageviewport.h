#pragma once

#include <QPointF>
#include <QRectF>
#include <QSize>

#include <optional>

/// Where the camera image lies in the display. Fitted (the default), the
/// image is shown at the width it was scaled to when it was drawn, on the
/// left and centred vertically, as the display's label places it; zoomed, at
/// a scale of its own and moved by dragging. A zoomed image that is smaller
/// than the view along an axis is centred along it; a larger one always
/// covers the view along it.
///
/// All positions are in view pixels, with image pixel (x, y) covering the
/// view from toView(x, y) to toView(x + 1, y + 1).
class ImageViewport
{
public:
    /// The largest zoom: one image pixel as this many view pixels.
    static constexpr double maximumScale = 32.0;

    /// A new image size keeps the zoom and the image point in the view's
    /// centre where it can.
    void setImageSize(const QSize &size);
    void setViewSize(const QSize &size);
    QSize imageSize() const;
    QSize viewSize() const;

    /// Back to fitting the view's width.
    void fit();
    /// The size the fitted image was drawn at: the width of the view then,
    /// and the height its aspect ratio gives.
    void setFittedSize(const QSize &size);
    bool isFitted() const;

    /// View pixels per image pixel.
    double scale() const;
    /// The whole image in view coordinates.
    QRectF imageRect() const;

    /// Scales by factor, keeping the image point under anchor where it is.
    /// Zooming out to or below the fitted scale fits the image again.
    void zoomAt(const QPointF &anchor, double factor);
    /// One image pixel per view pixel, keeping the image point under anchor.
    void showActualSize(const QPointF &anchor);
    /// Moves a zoomed image by delta, as far as it still covers the view.
    void panBy(const QPointF &delta);

    /// The image pixel under a view point; none outside the image.
    std::optional<QPoint> pixelAt(const QPointF &viewPoint) const;
    QPointF toView(const QPointF &imagePoint) const;

private:
    /// The scale that fits the image to the view's width.
    double fitScale() const;
    void zoomTo(const QPointF &anchor, double scale);
    /// Centres a small image along an axis and keeps a large one covering it.
    void clampOffset();

    QSize m_image;
    QSize m_view;
    QSize m_fitted;
    bool m_isFitted = true;
    double m_scale = 1.0;
    QPointF m_offset;
};
