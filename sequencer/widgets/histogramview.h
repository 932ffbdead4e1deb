#pragma once

#include <QWidget>

#include "imagehistogram.h"

/// Draws a histogram: luminance as a grey area, red, green and blue as
/// lines in their colours, levels from dark on the left to bright on the
/// right, counts on a linear or a logarithmic axis.
class HistogramView : public QWidget
{
    Q_OBJECT

public:
    explicit HistogramView(QWidget *parent = nullptr);

    void setHistogram(const ImageHistogram &histogram);
    const ImageHistogram &histogram() const;
    void setLogarithmic(bool logarithmic);
    bool isLogarithmic() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    /// The height of a count, 0 to 1 of the drawing's height.
    double heightOf(quint32 count, quint32 peak) const;
    QPolygonF curve(ImageHistogram::Channel channel, const QRectF &area, quint32 peak) const;

    ImageHistogram m_histogram;
    bool m_logarithmic = false;
};
