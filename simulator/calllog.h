#pragma once

#include <atomic>
#include <cstddef>
#include <deque>
#include <mutex>
#include <vector>

#include "simcontrol.h"

namespace VyraSim {

/// The record of driver calls a test asserts on. Keeps the most recent
/// calls only, so that an application running for hours on the simulator
/// does not grow without bound. Thread-safe.
class CallLog
{
public:
    static constexpr size_t capacity = 200000;

    void record(const char *operation, VyraHandle handle, int64_t command, uint32_t size,
                VyraStatus status);
    void setEnabled(bool enabled) { enabled_.store(enabled); }
    bool enabled() const { return enabled_.load(); }
    std::vector<CallRecord> calls() const;
    void clear();

private:
    std::atomic<bool> enabled_{true};
    mutable std::mutex mutex_;
    std::deque<CallRecord> calls_;
};

} // namespace VyraSim
