#include "streamstatistics.h"

void StreamStatistics::take(const QSharedPointer<QImage> &image, quint64 stream)
{
    const VyraFrameInfo info = VyraFrameInfo::of(*image);
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_counts.received;
    m_counts.lost += m_gaps.count(info.frameNumber, stream);
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
