#include "streamstatistics.h"

void StreamStatistics::take(const QSharedPointer<QImage> &image, quint64 stream)
{
    const VyraFrameInfo info = VyraFrameInfo::of(*image);
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_counts.received;
    // Frame numbers count every image the sensor took; a number that does
    // not grow belongs to a camera opened afresh.
    if (m_lastFrame != 0 && stream == m_stream && info.frameNumber > m_lastFrame + 1)
        m_counts.lost += info.frameNumber - m_lastFrame - 1;
    m_lastFrame = info.frameNumber;
    m_stream = stream;
    m_counts.set = info.set;
    if (info.set != VyraFrameInfo::noSet)
        m_counts.cycle = m_cycles.count(info.set);
}

void StreamStatistics::restartCycles(const QList<int> &cycle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cycles = CycleCounter(cycle);
    m_counts.cycle = 0;
    m_counts.set = VyraFrameInfo::noSet;
}

StreamStatistics::Counts StreamStatistics::counts() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_counts;
}
