#pragma once

#include <QImage>
#include <QSharedPointer>

#include <deque>
#include <mutex>
#include <utility>

#include "cyclecounter.h"
#include "framegapcounter.h"
#include "vyraframeinfo.h"

/// Counts the images the camera delivers: how many came, how many the gaps in
/// the driver's frame numbers show were lost on the way, and for a running
/// sequence the set of the latest image and the cycle it belongs to. take()
/// runs on the capture thread for every image (an ImageFanOut receiver); the
/// GUI thread reads the counts. Thread-safe.
class StreamStatistics
{
public:
    struct Counts
    {
        quint64 received = 0;
        quint64 lost = 0;
        /// The set of the latest image; VyraFrameInfo::noSet outside a sequence.
        int set = VyraFrameInfo::noSet;
        /// The cycle of the latest image of a sequence, from 1; 0 before the first.
        int cycle = 0;
    };

    /// Counts an image of the capture stream \a stream (VyraCamera::captureStream());
    /// FrameGapCounter says which gaps are images lost.
    void take(const QSharedPointer<QImage> &image, quint64 stream);
    /// A new run begins: cycles are counted afresh along this cycle of sets
    /// (ImageLabels::cycle()); empty for live video.
    void restartCycles(const QList<int> &cycle);
    Counts counts() const;
    /// The cycle of a recent image of a sequence, by its frame number; 0 for
    /// an image before the first cycle or one counted too long ago.
    int cycleOf(quint64 frameNumber) const;

private:
    /// How many of the latest images cycleOf() knows: more than a display
    /// falls behind the camera.
    static constexpr std::size_t rememberedCycles = 512;

    mutable std::mutex m_mutex;
    Counts m_counts;
    /// Frame number and cycle of the latest images of a sequence.
    std::deque<std::pair<quint64, int>> m_recentCycles;
    FrameGapCounter m_gaps;
    CycleCounter m_cycles;
};
