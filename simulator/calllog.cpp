#include "calllog.h"

namespace VyraSim {

void CallLog::record(const char *operation, VyraHandle handle, int64_t command, uint32_t size,
                     VyraStatus status)
{
    if (!enabled_.load())
        return;
    CallRecord call{operation, handle, command, size, status, std::this_thread::get_id()};
    std::lock_guard<std::mutex> lock(mutex_);
    if (calls_.size() == capacity)
        calls_.pop_front();
    calls_.push_back(std::move(call));
}

std::vector<CallRecord> CallLog::calls() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return {calls_.begin(), calls_.end()};
}

void CallLog::clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
}

} // namespace VyraSim
