#include "pixelreadout.h"

#include <utility>

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
