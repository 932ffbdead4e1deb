#include "fittedpicture.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

FittedPicture::FittedPicture(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    setMinimumSize(64, 48);
    setMouseTracking(true);
}

void FittedPicture::setPicture(const QImage &picture, const QSize &sourceSize)
{
    m_picture = picture;
    m_sourceSize = sourceSize.isEmpty() ? picture.size() : sourceSize;
    update();
    // A mouse at rest over the picture points at the new one's pixel.
    if (underMouse()) {
        if (const std::optional<QPoint> pixel = sourcePixelAt(mapFromGlobal(QCursor::pos())))
            emit pointed(*pixel);
    }
}

void FittedPicture::clear()
{
    m_picture = QImage();
    m_sourceSize = QSize();
    update();
    emit left();
}

QImage FittedPicture::picture() const
{
    return m_picture;
}

QRect FittedPicture::pictureRect() const
{
    if (m_picture.isNull())
        return QRect();
    const QSize fitted = m_picture.size().scaled(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

std::optional<QPoint> FittedPicture::sourcePixelAt(const QPoint &point) const
{
    const QRect drawn = pictureRect();
    if (!drawn.contains(point))
        return std::nullopt;
    const double x = double(point.x() - drawn.left()) / drawn.width();
    const double y = double(point.y() - drawn.top()) / drawn.height();
    return QPoint(std::min(int(x * m_sourceSize.width()), m_sourceSize.width() - 1),
                  std::min(int(y * m_sourceSize.height()), m_sourceSize.height() - 1));
}

void FittedPicture::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(pictureRect(), m_picture);
}

void FittedPicture::mouseMoveEvent(QMouseEvent *event)
{
    QWidget::mouseMoveEvent(event);
    if (const std::optional<QPoint> pixel = sourcePixelAt(event->pos()))
        emit pointed(*pixel);
    else
        emit left();
}

void FittedPicture::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    emit left();
}
