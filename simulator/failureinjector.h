#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "vyradriver.h"

namespace VyraSim {

/// Failures a test has asked for: the next calls of a named driver operation
/// (optionally only those with one command, mode or event ID) answer a
/// status instead of running. Thread-safe.
class FailureInjector
{
public:
    /// Names must be driver operation names; count at least 1.
    bool inject(const std::string &operation, VyraStatus status, int count,
                std::optional<int64_t> command);
    /// The status a call of operation with command must answer, using up one
    /// count of the oldest matching injection; nothing when it must run.
    std::optional<VyraStatus> take(const char *operation, int64_t command);
    void clear();
    int pending() const;

private:
    struct Injection
    {
        std::string operation;
        VyraStatus status;
        int remaining;
        std::optional<int64_t> command;
    };

    mutable std::mutex mutex_;
    std::vector<Injection> injections_;
};

} // namespace VyraSim
