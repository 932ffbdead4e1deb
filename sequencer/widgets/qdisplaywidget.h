#pragma once

#include <QImage>
#include <QPoint>
#include <QSharedPointer>
#include <QWidget>

#include "imageviewport.h"

class QHBoxLayout;
class QLabel;
class QMouseEvent;
class QResizeEvent;
class QWheelEvent;

/// Shows the most recent camera image, by default scaled to the widget's
/// width with its aspect ratio kept. It never asks for space of its own, so
/// an image never forces the size of the dock it sits in.
///
/// The image can be zoomed (the mouse wheel zooms around the cursor, a
/// double click switches between fitting and 100 %), dragged when zoomed,
/// and shown with its clipped and crushed pixels marked. The widget keeps
/// the image on screen, so that all of these redraw it at once, and tells
/// which image pixel lies under the mouse.
class QDisplayWidget : public QWidget
{
    Q_OBJECT

public:
    explicit QDisplayWidget(QWidget *parent = nullptr);

    /// The image on screen; null before the first.
    QSharedPointer<QImage> shownImage() const;
    const ImageViewport &viewport() const;
    bool clippingMarksShown() const;
    /// The image pixel under a point of the widget, if any.
    std::optional<QPoint> pixelAt(const QPointF &point) const;

public slots:
    /// Shows the image at the current zoom (fitted: scaled to the current
    /// width); a null image is ignored.
    void setImage(QSharedPointer<QImage> image);
    /// Fits the image to the widget's width again.
    void fitToWidth();
    /// One image pixel per screen pixel, keeping the image point in the
    /// middle of the widget where it is.
    void showActualSize();
    /// Scales by factor around a point of the widget.
    void zoomAt(const QPointF &anchor, double factor);
    void setClippingMarksShown(bool shown);

signals:
    /// An image was put on screen (the camera's image, before scaling).
    void imageShown(QSharedPointer<QImage> image);
    /// The mouse points at this pixel of the image on screen.
    void pixelPointed(QSharedPointer<QImage> image, QPoint pixel);
    /// The mouse points at no pixel of an image any more.
    void pointerLeft();

protected slots:
    /// Keeps the shown pixmap as it is: rescaling every frame on every resize
    /// step would cost more than waiting for the next image, which arrives at
    /// the new width within a frame period.
    void resizeEvent(QResizeEvent *event) override;

protected:
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    /// Draws the image on screen as the viewport places it.
    void render();
    void renderFitted();
    /// The image at width pixels wide (its aspect kept) in the screen's
    /// 32-bit format, each pixel the image pixel at its top left corner.
    static QImage sampledToWidth(const QImage &image, int width);
    void renderZoomed();
    /// Reports the pixel under the mouse, or that there is none.
    void reportPointer(const QPointF &position);
    void followZoom();

    QLabel *displayLabel;
    QHBoxLayout *layout;
    QSharedPointer<QImage> m_image;
    ImageViewport m_viewport;
    bool m_marks = false;
    /// Where the mouse was when dragging last moved the image.
    std::optional<QPointF> m_dragFrom;
    std::optional<QPointF> m_pointer;
};
