#include "qdisplaywidget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <vector>

#include "clippingmarks.h"

namespace {

// One notch of the mouse wheel zooms by this factor.
constexpr double wheelStep = 1.25;
// Angle delta of one notch, in eighths of a degree.
constexpr double notch = 120.0;

} // namespace

QDisplayWidget::QDisplayWidget(QWidget *parent)
    : QWidget(parent), displayLabel(new QLabel(this)), layout(new QHBoxLayout(this))
{
    // The label too must not report the pixmap as its minimum size, or the
    // layout would pass a tall image's height on to the dock.
    displayLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    // The widget handles the mouse over the whole image.
    displayLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(displayLabel);
    layout->setContentsMargins(0, 0, 0, 0);
    setSizePolicy(
        QSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored, QSizePolicy::DefaultType));
    setMouseTracking(true);
}

QSharedPointer<QImage> QDisplayWidget::shownImage() const
{
    return m_image;
}

const ImageViewport &QDisplayWidget::viewport() const
{
    return m_viewport;
}

bool QDisplayWidget::clippingMarksShown() const
{
    return m_marks;
}

std::optional<QPoint> QDisplayWidget::pixelAt(const QPointF &point) const
{
    return m_viewport.pixelAt(point);
}

void QDisplayWidget::setImage(QSharedPointer<QImage> image)
{
    if (image.isNull() || image->isNull())
        return;
    m_image = image;
    render();
    emit imageShown(image);
    // A still mouse reads the new image's pixel.
    if (m_pointer)
        reportPointer(*m_pointer);
}

void QDisplayWidget::fitToWidth()
{
    m_viewport.fit();
    followZoom();
}

void QDisplayWidget::showActualSize()
{
    m_viewport.setViewSize(size());
    m_viewport.showActualSize(QRectF(rect()).center());
    followZoom();
}

void QDisplayWidget::zoomAt(const QPointF &anchor, double factor)
{
    m_viewport.setViewSize(size());
    m_viewport.zoomAt(anchor, factor);
    followZoom();
}

void QDisplayWidget::setClippingMarksShown(bool shown)
{
    m_marks = shown;
    render();
}

void QDisplayWidget::resizeEvent(QResizeEvent *)
{
    // A fitted image stays as it was drawn (its label keeps it centred
    // vertically); a zoomed one fills the new size at once, as it fills
    // the widget.
    m_viewport.setViewSize(size());
    if (!m_viewport.isFitted())
        render();
}

void QDisplayWidget::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0 || !m_image) {
        event->ignore();
        return;
    }
    zoomAt(event->position(), std::pow(wheelStep, delta / notch));
    event->accept();
}

void QDisplayWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && !m_viewport.isFitted()) {
        m_dragFrom = event->localPos();
        setCursor(Qt::ClosedHandCursor);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void QDisplayWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragFrom && (event->buttons() & Qt::LeftButton)) {
        m_viewport.panBy(event->localPos() - *m_dragFrom);
        m_dragFrom = event->localPos();
        render();
    }
    reportPointer(event->localPos());
}

void QDisplayWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_dragFrom) {
        m_dragFrom.reset();
        followZoom();
    }
    QWidget::mouseReleaseEvent(event);
}

void QDisplayWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_image)
        return;
    if (m_viewport.isFitted()) {
        m_viewport.setViewSize(size());
        m_viewport.showActualSize(event->localPos());
        followZoom();
    } else {
        fitToWidth();
    }
}

void QDisplayWidget::leaveEvent(QEvent *event)
{
    m_pointer.reset();
    emit pointerLeft();
    QWidget::leaveEvent(event);
}

void QDisplayWidget::followZoom()
{
    render();
    setCursor(m_viewport.isFitted() ? Qt::ArrowCursor : Qt::OpenHandCursor);
    if (m_pointer)
        reportPointer(*m_pointer);
}

void QDisplayWidget::reportPointer(const QPointF &position)
{
    m_pointer = position;
    if (!m_image)
        return;
    if (const std::optional<QPoint> pixel = m_viewport.pixelAt(position))
        emit pixelPointed(m_image, *pixel);
    else
        emit pointerLeft();
}

void QDisplayWidget::render()
{
    if (!m_image)
        return;
    m_viewport.setImageSize(m_image->size());
    m_viewport.setViewSize(size());
    if (m_viewport.isFitted())
        renderFitted();
    else
        renderZoomed();
}

QImage QDisplayWidget::sampledToWidth(const QImage &image, int width)
{
    if (image.format() != QImage::Format_RGB888 || width <= 0 || image.width() <= 0)
        return image.convertToFormat(QImage::Format_RGB32).scaledToWidth(width, Qt::FastTransformation);
    // Each pixel shown takes the camera pixel at its top left corner, as the
    // pixel read-out maps it, read straight from the camera's 24-bit format into the screen's 32-bit one:
    // converting the whole image first cost more than the rest of the live
    // view together.
    const int height = std::max(1, qRound(double(image.height()) * width / image.width()));
    QImage sampled(width, height, QImage::Format_RGB32);
    std::vector<int> columns(size_t(width), 0);
    for (int x = 0; x < width; ++x)
        columns[size_t(x)] = 3 * int(qint64(x) * image.width() / width);
    for (int y = 0; y < height; ++y) {
        const int row = int(std::min<qint64>(qint64(y) * image.height() / height,
                                             image.height() - 1));
        const uchar *source = image.constScanLine(row);
        auto *target = reinterpret_cast<QRgb *>(sampled.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const uchar *pixel = source + columns[size_t(x)];
            target[x] = qRgb(pixel[0], pixel[1], pixel[2]);
        }
    }
    return sampled;
}

void QDisplayWidget::renderFitted()
{
    // Marks are painted on the pixels shown.
    QImage scaled = sampledToWidth(*m_image, width());
    if (m_marks)
        scaled = ClippingMarks::marked(std::move(scaled));
    m_viewport.setFittedSize(scaled.size());
    displayLabel->setPixmap(QPixmap::fromImage(std::move(scaled), Qt::AutoColor));
}

void QDisplayWidget::renderZoomed()
{
    QPixmap canvas(size());
    canvas.fill(Qt::transparent);
    const QRectF imageRect = m_viewport.imageRect();
    const QRectF visible = imageRect.intersected(QRectF(rect()));
    if (!visible.isEmpty()) {
        // The whole image pixels that cover the visible part.
        const double scale = m_viewport.scale();
        const QPointF from = (visible.topLeft() - imageRect.topLeft()) / scale;
        const QPointF to = (visible.bottomRight() - imageRect.topLeft()) / scale;
        const QRect source = QRect(QPoint(int(std::floor(from.x())), int(std::floor(from.y()))),
                                   QPoint(int(std::ceil(to.x())) - 1, int(std::ceil(to.y())) - 1))
                                 .intersected(m_image->rect());
        const QRectF target(m_viewport.toView(source.topLeft()),
                            m_viewport.toView(source.bottomRight() + QPoint(1, 1)));
        QPainter painter(&canvas);
        if (m_marks)
            painter.drawImage(target, ClippingMarks::marked(m_image->copy(source)));
        else
            painter.drawImage(target, *m_image, source);
    }
    displayLabel->setPixmap(canvas);
}
