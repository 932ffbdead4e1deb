#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QSharedPointer>
#include <QTimer>

#include <deque>

class StreamStatistics;

/// The status bar's figures of the image stream: images received and shown
/// per second over the last second and images lost, brought up to date a few
/// times a second, and while a sequence runs the set of the image on screen
/// ("Set 2 of 3") and its cycle, with each image shown, as the set's mark
/// follows it. GUI thread.
class StatisticsLabel : public QLabel
{
    Q_OBJECT

public:
    static constexpr int refreshIntervalMs = 250;

    explicit StatisticsLabel(const StreamStatistics &statistics, QWidget *parent = nullptr);

    /// Starts showing the figures of a camera's stream, from zero.
    void start();
    /// Shows nothing (no camera).
    void stop();
    /// The sequence that runs has this many sets; 0 when none runs.
    void setSetCount(int sets);

public slots:
    /// The display put this image on screen.
    void countShown(const QSharedPointer<QImage> &image);

private:
    struct Sample
    {
        qint64 ms;
        quint64 received;
        quint64 shown;
    };

    void refresh();
    void showFigures();

    const StreamStatistics &m_statistics;
    QTimer m_timer;
    QElapsedTimer m_clock;
    std::deque<Sample> m_samples;
    quint64 m_shown = 0;
    quint64 m_receivedAtStart = 0;
    quint64 m_lostAtStart = 0;
    int m_setCount = 0;
    // The figures shown last, and the image on screen.
    double m_receivedPerSecond = 0.0;
    double m_shownPerSecond = 0.0;
    quint64 m_lost = 0;
    int m_shownSet = -1;
    quint64 m_shownFrame = 0;
};
