#include "failureinjector.h"

#include <algorithm>

#include "simcontrol.h"

namespace VyraSim {

bool FailureInjector::inject(const std::string &operation, VyraStatus status, int count,
                             std::optional<int64_t> command)
{
    const std::vector<std::string> &names = Control::operationNames();
    if (count < 1 || std::find(names.begin(), names.end(), operation) == names.end())
        return false;
    std::lock_guard<std::mutex> lock(mutex_);
    injections_.push_back({operation, status, count, command});
    return true;
}

bool FailureInjector::injectAtCall(std::thread::id thread, int callNumber, VyraStatus status)
{
    if (callNumber < 1)
        return false;
    std::lock_guard<std::mutex> lock(mutex_);
    callInjection_ = CallInjection{thread, callNumber, status};
    return true;
}

std::optional<VyraStatus> FailureInjector::take(const char *operation, int64_t command)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (callInjection_ && callInjection_->thread == std::this_thread::get_id() &&
        --callInjection_->remaining == 0) {
        const VyraStatus status = callInjection_->status;
        callInjection_.reset();
        return status;
    }
    for (auto it = injections_.begin(); it != injections_.end(); ++it) {
        if (it->operation != operation || (it->command && *it->command != command))
            continue;
        const VyraStatus status = it->status;
        if (--it->remaining == 0)
            injections_.erase(it);
        return status;
    }
    return std::nullopt;
}

void FailureInjector::clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    injections_.clear();
    callInjection_.reset();
}

int FailureInjector::pending() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    int count = callInjection_ ? 1 : 0;
    for (const Injection &injection : injections_)
        count += injection.remaining;
    return count;
}

} // namespace VyraSim
