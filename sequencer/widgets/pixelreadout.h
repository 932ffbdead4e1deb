#pragma once

#include <QImage>
#include <QLabel>
#include <QPoint>
#include <QSharedPointer>

#include <functional>

/// The status bar's read-out of the pixel under the mouse: its position in
/// the camera's sensor coordinates (the image's AOI offset added) and its
/// red, green and blue values.
class PixelReadout : public QLabel
{
    Q_OBJECT

public:
    /// The AOI offset an image was taken with.
    using OffsetOf = std::function<QPoint(const QImage &image)>;

    explicit PixelReadout(QWidget *parent = nullptr);

    /// Without one, images count as taken at offset (0, 0).
    void setOffsetOf(OffsetOf offsetOf);

    /// The read-out of a pixel at a sensor position.
    static QString describe(const QPoint &sensorPosition, QRgb colour);

public slots:
    /// Shows the pixel of the image; a pixel outside it clears the read-out.
    void showPixel(QSharedPointer<QImage> image, QPoint pixel);
    /// Empties the read-out and hides it, frame and all.
    void clear();

private:
    OffsetOf m_offsetOf;
};
