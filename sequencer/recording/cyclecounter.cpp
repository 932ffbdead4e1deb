#include "cyclecounter.h"

CycleCounter::CycleCounter(const QList<int> &cycle) : m_order(cycle)
{
}

int CycleCounter::count(int set)
{
    if (m_order.isEmpty()) {
        m_complete = true;
        return ++m_cycle;
    }
    const bool begins = set == m_order.first() || m_seen.contains(set);
    if (m_cycle == 0 && set != m_order.first()) {
        m_complete = false;
        return 0;
    }
    if (begins) {
        ++m_cycle;
        m_seen.clear();
    }
    m_seen.insert(set);
    m_complete = set == m_order.last();
    return m_cycle;
}

int CycleCounter::cycle() const
{
    return m_cycle;
}

bool CycleCounter::completesCycle() const
{
    return m_complete;
}
