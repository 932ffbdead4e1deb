#include "pixelreadout.h"

#include <utility>

#include "radianceimage.h"

namespace {

// Four significant digits over the many decades light spans.
QString lightText(float light)
{
    return QString::number(double(light), 'g', 4);
}

} // namespace

PixelReadout::PixelReadout(QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("pixelReadout"));
    // Digits of a fixed width keep the read-out from jumping about.
    QFont font = this->font();
    font.setStyleHint(QFont::Monospace);
    font.setFamily(QStringLiteral("monospace"));
    setFont(font);
    hide();
}

void PixelReadout::setOffsetOf(OffsetOf offsetOf)
{
    m_offsetOf = std::move(offsetOf);
}

QString PixelReadout::describe(const QPoint &sensorPosition, QRgb colour)
{
    return tr("x %1  y %2  R %3  G %4  B %5")
        .arg(sensorPosition.x(), 4)
        .arg(sensorPosition.y(), 4)
        .arg(qRed(colour), 3)
        .arg(qGreen(colour), 3)
        .arg(qBlue(colour), 3);
}

QString PixelReadout::describeRadiance(const QPoint &sensorPosition,
                                       const std::array<float, 3> &light, quint8 mark,
                                       bool responseAssumed)
{
    QString text = tr("x %1  y %2  R %3  G %4  B %5 per ms at unit gain")
                       .arg(sensorPosition.x(), 4)
                       .arg(sensorPosition.y(), 4)
                       .arg(lightText(light[0]), 7)
                       .arg(lightText(light[1]), 7)
                       .arg(lightText(light[2]), 7);
    if (mark & RadianceImage::Clipped)
        text += tr(", clipped in every image: at least");
    else if (mark & RadianceImage::Crushed)
        text += tr(", black in every image");
    if (responseAssumed)
        text += tr(", response assumed linear");
    return text;
}

void PixelReadout::showRadiance(const RadianceImage &radiance, QPoint pixel)
{
    if (radiance.isNull() || !QRect(QPoint(), radiance.size()).contains(pixel)) {
        clear();
        return;
    }
    setText(
        describeRadiance(pixel + radiance.aoiOffset(), radiance.pixel(pixel.x(), pixel.y()),
                         radiance.mark(pixel.x(), pixel.y()),
                         radiance.provenance().response == CameraResponse::Origin::AssumedLinear));
    show();
}

void PixelReadout::showPixel(QSharedPointer<QImage> image, QPoint pixel)
{
    if (!image || !image->valid(pixel)) {
        clear();
        return;
    }
    const QPoint offset = m_offsetOf ? m_offsetOf(*image) : QPoint();
    setText(describe(pixel + offset, image->pixel(pixel)));
    show();
}

void PixelReadout::clear()
{
    QLabel::clear();
    hide();
}
