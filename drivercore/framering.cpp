#include "framering.h"

#include <algorithm>
#include <new>

namespace VyraSim {

VyraStatus FrameRing::allocate(int32_t width, int32_t height, int32_t bitsPerPixel, char **memory,
                               int32_t *id)
{
    if (memory == nullptr || id == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    if (width <= 0 || height <= 0 || bitsPerPixel != VYRA_BITS_PER_PIXEL_RGB8)
        return VYRA_INVALID_PARAMETER;
    const int64_t lineBytes = int64_t(width) * (bitsPerPixel / 8);
    const int64_t pitch = (lineBytes + lineAlignment - 1) / lineAlignment * lineAlignment;
    const int64_t bytes = pitch * height;
    if (pitch > INT32_MAX || bytes > maximumBufferBytes)
        return VYRA_OUT_OF_MEMORY;

    auto buffer = std::make_unique<Buffer>();
    buffer->memory.reset(new (std::nothrow) char[size_t(bytes)]());
    if (!buffer->memory)
        return VYRA_OUT_OF_MEMORY;
    buffer->id = nextId_++;
    buffer->width = width;
    buffer->height = height;
    buffer->linePitch = int32_t(pitch);
    *memory = buffer->memory.get();
    *id = buffer->id;
    buffers_.emplace(buffer->id, std::move(buffer));
    return VYRA_SUCCESS;
}

FrameRing::Buffer *FrameRing::find(int32_t id)
{
    auto it = buffers_.find(id);
    return it == buffers_.end() ? nullptr : it->second.get();
}

FrameRing::Buffer *FrameRing::findMatching(const char *memory, int32_t id)
{
    Buffer *buffer = find(id);
    return buffer != nullptr && buffer->memory.get() == memory ? buffer : nullptr;
}

bool FrameRing::filling(int32_t id) const
{
    auto it = buffers_.find(id);
    return it != buffers_.end() && it->second->state == Buffer::State::Filling;
}

bool FrameRing::anyFilling() const
{
    return std::any_of(buffers_.begin(), buffers_.end(), [](const auto &entry) {
        return entry.second->state == Buffer::State::Filling;
    });
}

int FrameRing::lockedCount() const
{
    return int(std::count_if(buffers_.begin(), buffers_.end(), [](const auto &entry) {
        return entry.second->state == Buffer::State::Locked;
    }));
}

void FrameRing::removeFromRing(int32_t id)
{
    ring_.erase(std::remove(ring_.begin(), ring_.end(), id), ring_.end());
    queue_.erase(std::remove(queue_.begin(), queue_.end(), id), queue_.end());
    if (nextFill_ >= ring_.size())
        nextFill_ = 0;
}

VyraStatus FrameRing::release(const char *memory, int32_t id)
{
    Buffer *buffer = findMatching(memory, id);
    if (buffer == nullptr || buffer->state == Buffer::State::Filling)
        return VYRA_INVALID_MEMORY_POINTER;
    removeFromRing(id);
    buffers_.erase(id);
    return VYRA_SUCCESS;
}

VyraStatus FrameRing::append(const char *memory, int32_t id)
{
    Buffer *buffer = findMatching(memory, id);
    if (buffer == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    if (buffer->inRing)
        return VYRA_CANT_ADD_TO_SEQUENCE;
    buffer->inRing = true;
    if (buffer->state != Buffer::State::Filling)
        buffer->state = Buffer::State::Free;
    ring_.push_back(id);
    return VYRA_SUCCESS;
}

void FrameRing::clear()
{
    for (auto &entry : buffers_) {
        Buffer &buffer = *entry.second;
        buffer.inRing = false;
        if (buffer.state != Buffer::State::Filling)
            buffer.state = Buffer::State::Free;
    }
    ring_.clear();
    queue_.clear();
    nextFill_ = 0;
}

VyraStatus FrameRing::unlock(int32_t id, const char *memory)
{
    Buffer *buffer = findMatching(memory, id);
    if (buffer == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    if (buffer->state == Buffer::State::Locked)
        buffer->state = Buffer::State::Free;
    return VYRA_SUCCESS;
}

VyraStatus FrameRing::describe(int32_t id, VyraFrameDescriptor *descriptor) const
{
    auto it = buffers_.find(id);
    if (it == buffers_.end())
        return VYRA_INVALID_MEMORY_POINTER;
    if (!it->second->hasImage)
        return VYRA_IMAGE_NOT_PRESENT;
    *descriptor = it->second->descriptor;
    return VYRA_SUCCESS;
}

FrameRing::Buffer *FrameRing::startFill(bool queueMode)
{
    // In queue mode only free buffers take images, so that queued ones keep
    // theirs until the application fetches them; without it the oldest image
    // is overwritten, as in a plain ring.
    for (size_t tried = 0; tried < ring_.size(); ++tried) {
        const size_t position = (nextFill_ + tried) % ring_.size();
        Buffer *buffer = find(ring_[position]);
        const bool usable = buffer->state == Buffer::State::Free ||
                            (!queueMode && buffer->state == Buffer::State::Queued);
        if (usable) {
            nextFill_ = (position + 1) % ring_.size();
            buffer->state = Buffer::State::Filling;
            return buffer;
        }
    }
    return nullptr;
}

void FrameRing::finishFill(Buffer *buffer, bool deliver, bool queueMode,
                           const VyraFrameDescriptor &descriptor)
{
    deliver = deliver && buffer->inRing;
    if (!deliver) {
        buffer->state = Buffer::State::Free;
        return;
    }
    buffer->descriptor = descriptor;
    buffer->hasImage = true;
    if (queueMode) {
        buffer->state = Buffer::State::Queued;
        queue_.push_back(buffer->id);
    } else {
        buffer->state = Buffer::State::Free;
    }
}

FrameRing::Buffer *FrameRing::takeQueued()
{
    while (!queue_.empty()) {
        Buffer *buffer = find(queue_.front());
        queue_.pop_front();
        if (buffer != nullptr && buffer->state == Buffer::State::Queued) {
            buffer->state = Buffer::State::Locked;
            return buffer;
        }
    }
    return nullptr;
}

void FrameRing::discardQueued()
{
    for (int32_t id : queue_) {
        Buffer *buffer = find(id);
        if (buffer != nullptr && buffer->state == Buffer::State::Queued)
            buffer->state = Buffer::State::Free;
    }
    queue_.clear();
}

} // namespace VyraSim
