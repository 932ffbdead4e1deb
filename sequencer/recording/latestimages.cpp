#include "latestimages.h"

#include "vyraframeinfo.h"

void LatestImages::take(const QSharedPointer<QImage> &image)
{
    const int set = VyraFrameInfo::of(*image).set;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_latest = Entry{image, ++m_serial};
    if (set != VyraFrameInfo::noSet)
        m_sets.insert(set, m_latest);
}

LatestImages::Entry LatestImages::latest() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_latest;
}

LatestImages::Entry LatestImages::latestOfSet(int set) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sets.value(set);
}

void LatestImages::forgetSets()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sets.clear();
}

void LatestImages::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sets.clear();
    m_latest = Entry();
}
