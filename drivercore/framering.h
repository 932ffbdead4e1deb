#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "vyradriver.h"

namespace VyraSim {

/// The frame buffers of one opened camera: their memory, the ring the sensor
/// fills them in, the queue of filled buffers and the buffers the application
/// holds locked.
///
/// A buffer in the ring is free, being filled, queued (filled, waiting for
/// waitForQueuedImage) or locked (taken, until unlockRingBuffer). Without
/// queue mode filled buffers are not queued but overwritten in ring order.
/// Not thread-safe on its own: the camera uses it under its lock.
class FrameRing
{
public:
    struct Buffer
    {
        enum class State { Free, Filling, Queued, Locked };

        int32_t id = 0;
        std::unique_ptr<char[]> memory;
        int32_t width = 0;
        int32_t height = 0;
        int32_t linePitch = 0;
        bool inRing = false;
        State state = State::Free;
        bool hasImage = false;
        VyraFrameDescriptor descriptor{};
    };

    /// Lines are padded to a multiple of this many bytes.
    static constexpr int lineAlignment = 4;
    /// The most bytes one buffer may take.
    static constexpr int64_t maximumBufferBytes = int64_t(1) << 30;

    VyraStatus allocate(int32_t width, int32_t height, int32_t bitsPerPixel, char **memory,
                        int32_t *id);
    /// Frees a buffer; the caller waits until it is not being filled.
    VyraStatus release(const char *memory, int32_t id);
    VyraStatus append(const char *memory, int32_t id);
    /// Takes every buffer out of the ring (buffers being filled finish and
    /// are then discarded).
    void clear();
    VyraStatus unlock(int32_t id, const char *memory);
    VyraStatus describe(int32_t id, VyraFrameDescriptor *descriptor) const;

    /// The buffer the sensor fills next, marked as being filled, or null when
    /// none is free.
    Buffer *startFill(bool queueMode);
    /// Ends a fill: with deliver the buffer holds the image described by
    /// descriptor (queued in queue mode); otherwise it goes back to free.
    void finishFill(Buffer *buffer, bool deliver, bool queueMode,
                    const VyraFrameDescriptor &descriptor);
    /// The oldest queued buffer, now locked, or null.
    Buffer *takeQueued();
    /// Frees every queued buffer: their images are never handed out.
    void discardQueued();

    Buffer *find(int32_t id);
    bool empty() const { return ring_.empty(); }
    bool filling(int32_t id) const;
    bool anyFilling() const;
    bool hasQueued() const { return !queue_.empty(); }

    int allocatedCount() const { return int(buffers_.size()); }
    int ringCount() const { return int(ring_.size()); }
    int queuedCount() const { return int(queue_.size()); }
    int lockedCount() const;

private:
    Buffer *findMatching(const char *memory, int32_t id);
    void removeFromRing(int32_t id);

    std::map<int32_t, std::unique_ptr<Buffer>> buffers_;
    std::vector<int32_t> ring_; ///< buffer IDs in the order they were appended
    std::deque<int32_t> queue_; ///< filled buffers, oldest first
    size_t nextFill_ = 0;       ///< ring position the sensor tries first
    int32_t nextId_ = 1;
};

} // namespace VyraSim
