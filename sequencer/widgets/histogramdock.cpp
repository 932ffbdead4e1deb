#include "histogramdock.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "histogramview.h"
#include "latestjobrunner.h"

HistogramDock::HistogramDock(QWidget *parent)
    : QDockWidget(tr("Histogram"), parent)
    , m_view(new HistogramView)
    , m_logarithmic(new QCheckBox(tr("Log")))
    , m_shares(new QLabel)
    , m_runner(new LatestJobRunner(this))
    , m_pace(new QTimer(this))
{
    setObjectName(QStringLiteral("dw_histogram"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetFloatable |
                QDockWidget::DockWidgetMovable);
    auto *contents = new QWidget;
    auto *layout = new QVBoxLayout(contents);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    layout->addWidget(m_view, 1);
    // One row beside the scale's check box, the two shares one above the
    // other, so that both read whole in a dock as narrow as the feature list.
    auto *row = new QHBoxLayout;
    row->addWidget(m_logarithmic);
    row->addWidget(m_shares, 1);
    layout->addLayout(row);
    setWidget(contents);
    m_logarithmic->setToolTip(tr("Counts on a logarithmic axis"));
    m_shares->setText(sharesText(ImageHistogram()));
    connect(m_logarithmic, &QCheckBox::toggled, m_view, &HistogramView::setLogarithmic);
    m_pace->setSingleShot(true);
    m_pace->setInterval(minimumIntervalMs);
    connect(m_pace, &QTimer::timeout, this, [this] {
        if (m_waiting && isVisible())
            count(m_image);
    });
}

const ImageHistogram &HistogramDock::histogram() const
{
    return m_view->histogram();
}

QString HistogramDock::sharesText(const ImageHistogram &histogram)
{
    if (histogram.samples() == 0)
        return tr("Clipped -\nCrushed -");
    return tr("Clipped %1 %\nCrushed %2 %")
        .arg(100.0 * histogram.clippedShare(), 0, 'f', 1)
        .arg(100.0 * histogram.crushedShare(), 0, 'f', 1);
}

void HistogramDock::showHistogramOf(QSharedPointer<QImage> image)
{
    if (image.isNull() || image->isNull())
        return;
    m_image = image;
    if (isVisible())
        count(image);
}


void HistogramDock::showEvent(QShowEvent *event)
{
    QDockWidget::showEvent(event);
    if (m_image)
        count(m_image);
}

void HistogramDock::count(const QSharedPointer<QImage> &image)
{
    // At most one count a pace: an eye reads no more, and at a camera's full
    // rate counting every image cost more than showing it. The latest image
    // waits for the end of the pace.
    if (m_pace->isActive()) {
        m_waiting = true;
        return;
    }
    m_waiting = false;
    m_pace->start();
    m_runner->submit([this, image]() -> LatestJobRunner::Then {
        const ImageHistogram histogram = ImageHistogram::of(*image);
        return [this, histogram] { present(histogram); };
    });
}

void HistogramDock::present(const ImageHistogram &histogram)
{
    m_view->setHistogram(histogram);
    m_shares->setText(sharesText(histogram));
    emit histogramShown();
}
