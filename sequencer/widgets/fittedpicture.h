#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QWidget>

#include <optional>

/// A picture drawn as large as the widget allows with its aspect ratio
/// kept, centred, that tells which pixel of the image it was made from lies
/// under the mouse: a tone-mapped preview of a radiance image, say, points
/// at the radiance's own pixels. It never asks for space of its own.
class FittedPicture : public QWidget
{
    Q_OBJECT

public:
    explicit FittedPicture(QWidget *parent = nullptr);

    /// Shows picture, made from an image of sourceSize (the picture's own
    /// size when empty).
    void setPicture(const QImage &picture, const QSize &sourceSize = QSize());
    void clear();
    QImage picture() const;
    /// The pixel of the source image under a point of the widget, if any.
    std::optional<QPoint> sourcePixelAt(const QPoint &point) const;

signals:
    /// The mouse points at this pixel of the source image (also when a new
    /// picture comes under a mouse at rest).
    void pointed(QPoint sourcePixel);
    /// The mouse points at no pixel of a picture any more.
    void left();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    /// Where the picture is drawn inside the widget.
    QRect pictureRect() const;

    QImage m_picture;
    QSize m_sourceSize;
};
