#include "streamstatistics.h"

void StreamStatistics::take(const QSharedPointer<QImage> &image, quint64 stream)
{
    const VyraFrameInfo info = VyraFrameInfo::of(*image);
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_counts.received;
    m_counts.lost += m_gaps.count(info.frameNumber, stream);
    m_counts.set = info.set;
    if (info.set == VyraFrameInfo::noSet)
        return;
    m_counts.cycle = m_cycles.count(info.set);
    m_recentCycles.emplace_back(info.frameNumber, m_counts.cycle);
    if (m_recentCycles.size() > rememberedCycles)
        m_recentCycles.pop_front();
}

int StreamStatistics::cycleOf(quint64 frameNumber) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_recentCycles.crbegin(); it != m_recentCycles.crend(); ++it) {
        if (it->first == frameNumber)
            return it->second;
    }
    return 0;
}

void StreamStatistics::restartCycles(const QList<int> &cycle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cycles = CycleCounter(cycle);
    m_recentCycles.clear();
    m_counts.cycle = 0;
    m_counts.set = VyraFrameInfo::noSet;
}

StreamStatistics::Counts StreamStatistics::counts() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_counts;
}
