#pragma once

#include <QDockWidget>
#include <QImage>
#include <QSharedPointer>

#include "imagehistogram.h"

class HistogramView;
class LatestJobRunner;
class QCheckBox;
class QLabel;
class QTimer;

/// The "Histogram" dock: red, green, blue and luminance of the image on
/// screen, on a linear or logarithmic axis, with the shares of clipped and
/// crushed pixels. Histograms are counted off the GUI thread, at most one
/// at a time and at most ten a second: images that come in between are
/// skipped but for the newest. Nothing is counted while the dock is hidden.
class HistogramDock : public QDockWidget
{
    Q_OBJECT

public:
    explicit HistogramDock(QWidget *parent = nullptr);

    const ImageHistogram &histogram() const;
    /// Clipped and crushed shares as the dock writes them.
    static QString sharesText(const ImageHistogram &histogram);

public slots:
    /// Counts the image's histogram and shows it.
    void showHistogramOf(QSharedPointer<QImage> image);

signals:
    /// A histogram is on screen.
    void histogramShown();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void count(const QSharedPointer<QImage> &image);
    void present(const ImageHistogram &histogram);

    HistogramView *m_view;
    QCheckBox *m_logarithmic;
    QLabel *m_shares;
    /// The shortest time from one count to the next.
    static constexpr int minimumIntervalMs = 100;

    LatestJobRunner *m_runner;
    QTimer *m_pace;
    /// An image came while the pace ran: the newest is counted at its end.
    bool m_waiting = false;
    /// The image on screen, counted once the dock shows.
    QSharedPointer<QImage> m_image;
};
