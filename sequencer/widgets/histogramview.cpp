#include "histogramview.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace {

const QColor background(32, 32, 32);
const QColor luminanceColour(150, 150, 150, 170);
const QColor channelColours[] = {QColor(235, 70, 70), QColor(70, 205, 70), QColor(80, 130, 255)};

} // namespace

HistogramView::HistogramView(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void HistogramView::setHistogram(const ImageHistogram &histogram)
{
    m_histogram = histogram;
    update();
}

const ImageHistogram &HistogramView::histogram() const
{
    return m_histogram;
}

void HistogramView::setLogarithmic(bool logarithmic)
{
    m_logarithmic = logarithmic;
    update();
}

bool HistogramView::isLogarithmic() const
{
    return m_logarithmic;
}

QSize HistogramView::sizeHint() const
{
    return {160, 100};
}

QSize HistogramView::minimumSizeHint() const
{
    return {100, 24};
}

double HistogramView::heightOf(quint32 count, quint32 peak) const
{
    if (peak == 0)
        return 0.0;
    if (m_logarithmic)
        return std::log1p(double(count)) / std::log1p(double(peak));
    return double(count) / double(peak);
}

QPolygonF HistogramView::curve(ImageHistogram::Channel channel, const QRectF &area,
                               quint32 peak) const
{
    QPolygonF points;
    points.reserve(ImageHistogram::levels);
    const double step = area.width() / (ImageHistogram::levels - 1);
    for (int level = 0; level < ImageHistogram::levels; ++level) {
        const double height = heightOf(m_histogram.count(channel, level), peak);
        points << QPointF(area.left() + level * step, area.bottom() - height * area.height());
    }
    return points;
}

void HistogramView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), background);
    if (m_histogram.samples() == 0)
        return;
    const QRectF area = QRectF(rect()).adjusted(2, 4, -2, -1);
    // One scale for all curves, so that they compare.
    quint32 peak = 0;
    for (int channel = 0; channel < ImageHistogram::channelCount; ++channel)
        peak = std::max(peak, m_histogram.peak(ImageHistogram::Channel(channel)));

    QPolygonF luminance = curve(ImageHistogram::Luminance, area, peak);
    luminance << area.bottomRight() << area.bottomLeft();
    painter.setPen(Qt::NoPen);
    painter.setBrush(luminanceColour);
    painter.drawPolygon(luminance);

    // Hairlines: a live histogram is drawn with every image, and wider or
    // filled outlines cost many times more to draw smoothly.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    for (int channel = ImageHistogram::Red; channel <= ImageHistogram::Blue; ++channel) {
        painter.setPen(QPen(channelColours[channel], 0));
        painter.drawPolyline(curve(ImageHistogram::Channel(channel), area, peak));
    }
}
