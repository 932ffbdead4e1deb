#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

#include <deque>

class StreamStatistics;

/// The status bar's figures of the image stream, brought up to date a few
/// times a second (never per image): images received and shown per second
/// over the last second, images lost, and while a sequence runs the set of
/// the latest image ("Set 2 of 3") and its cycle. GUI thread.
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
    /// The display put an image on screen.
    void countShown();

private:
    struct Sample
    {
        qint64 ms;
        quint64 received;
        quint64 shown;
    };

    void refresh();

    const StreamStatistics &m_statistics;
    QTimer m_timer;
    QElapsedTimer m_clock;
    std::deque<Sample> m_samples;
    quint64 m_shown = 0;
    quint64 m_receivedAtStart = 0;
    quint64 m_lostAtStart = 0;
    int m_setCount = 0;
};
