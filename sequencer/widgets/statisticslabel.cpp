#include "statisticslabel.h"

#include "streamstatistics.h"
#include "vyraframeinfo.h"

namespace {

// Rates are taken over this much of the past.
constexpr qint64 rateWindowMs = 1000;

} // namespace

StatisticsLabel::StatisticsLabel(const StreamStatistics &statistics, QWidget *parent)
    : QLabel(parent), m_statistics(statistics)
{
    setObjectName(QStringLiteral("streamStatistics"));
    setToolTip(tr("Images the camera delivered and the window showed per second, images lost "
                  "on the way, and the set and cycle of a running sequence"));
    m_timer.setInterval(refreshIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &StatisticsLabel::refresh);
}

void StatisticsLabel::start()
{
    const StreamStatistics::Counts counts = m_statistics.counts();
    m_receivedAtStart = counts.received;
    m_lostAtStart = counts.lost;
    m_shown = 0;
    m_shownSet = -1;
    m_shownFrame = 0;
    m_samples.clear();
    m_clock.start();
    m_timer.start();
    refresh();
}

void StatisticsLabel::stop()
{
    m_timer.stop();
    clear();
}

void StatisticsLabel::setSetCount(int sets)
{
    m_setCount = sets;
    m_shownSet = -1;
    if (m_timer.isActive())
        showFigures();
}

void StatisticsLabel::countShown(const QSharedPointer<QImage> &image)
{
    ++m_shown;
    if (m_setCount == 0)
        return;
    const VyraFrameInfo info = VyraFrameInfo::of(*image);
    m_shownSet = info.set;
    m_shownFrame = info.frameNumber;
    showFigures();
}

void StatisticsLabel::refresh()
{
    const StreamStatistics::Counts counts = m_statistics.counts();
    const Sample now{m_clock.elapsed(), counts.received - m_receivedAtStart, m_shown};
    m_samples.push_back(now);
    while (m_samples.size() > 2 && now.ms - m_samples[1].ms >= rateWindowMs)
        m_samples.pop_front();
    const Sample &first = m_samples.front();
    const double seconds = double(now.ms - first.ms) / 1000.0;
    m_receivedPerSecond = seconds > 0 ? double(now.received - first.received) / seconds : 0.0;
    m_shownPerSecond = seconds > 0 ? double(now.shown - first.shown) / seconds : 0.0;
    m_lost = counts.lost - m_lostAtStart;
    showFigures();
}

void StatisticsLabel::showFigures()
{
    QString text = tr("Received %1/s   Shown %2/s   Lost %3")
                       .arg(m_receivedPerSecond, 0, 'f', 1)
                       .arg(m_shownPerSecond, 0, 'f', 1)
                       .arg(m_lost);
    if (m_setCount > 0 && m_shownSet >= 0) {
        text += tr("   Set %1 of %2   Cycle %3")
                    .arg(m_shownSet)
                    .arg(m_setCount)
                    .arg(m_statistics.cycleOf(m_shownFrame));
    }
    setText(text);
}
