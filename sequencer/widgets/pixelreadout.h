#pragma once

#include <QImage>
#include <QLabel>
#include <QPoint>
#include <QSharedPointer>

#include <array>
#include <functional>

class RadianceImage;

/// The status bar's read-out of the pixel under the mouse: its position in
/// the camera's sensor coordinates (the image's AOI offset added) and its
/// red, green and blue values; over a radiance image, its red, green and
/// blue light in the camera's value per millisecond at unit gain.
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
    /// The read-out of a radiance pixel at a sensor position: its light,
    /// what its mark (RadianceImage::Mark) says of it, and whether the
    /// camera's response was assumed linear.
    static QString describeRadiance(const QPoint &sensorPosition, const std::array<float, 3> &light,
                                    quint8 mark, bool responseAssumed);

public slots:
    /// Shows the pixel of the image; a pixel outside it clears the read-out.
    void showPixel(QSharedPointer<QImage> image, QPoint pixel);
    /// Shows the light of a pixel of the radiance image; a pixel outside it
    /// clears the read-out.
    void showRadiance(const RadianceImage &radiance, QPoint pixel);
    /// Empties the read-out and hides it, frame and all.
    void clear();

private:
    OffsetOf m_offsetOf;
};
