#pragma once

#include <QList>
#include <QSet>

/// Groups the images of a run into cycles. For a sequence a cycle begins
/// with each image of the first set of the cycle (ImageLabels::cycle()), or
/// with a set that comes a second time before that, when the image that
/// began the cycle was lost; images before the first cycle begins belong to
/// none. In live video every image is a cycle of its own.
class CycleCounter
{
public:
    /// cycle: the sets of one cycle in order; empty for live video.
    explicit CycleCounter(const QList<int> &cycle = {});

    /// Counts the next image, taken by set (-1 in live video). Returns its
    /// cycle, counted from 1, or 0 for an image before the first cycle.
    int count(int set);
    /// The cycle of the last image counted (0 before the first).
    int cycle() const;
    /// The last image counted is the last of its cycle.
    bool completesCycle() const;

private:
    QList<int> m_order;
    QSet<int> m_seen;
    int m_cycle = 0;
    bool m_complete = false;
};
