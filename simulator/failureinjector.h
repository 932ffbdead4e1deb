#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "vyradriver.h"

namespace VyraSim {

/// Failures a test has asked for: the next calls of a named driver operation
/// (optionally only those with one command, mode or event ID) answer a
/// status instead of running, or the n-th call one thread makes from now
/// does, whatever it is. Thread-safe.
class FailureInjector
{
public:
    /// Names must be driver operation names; count at least 1.
    bool inject(const std::string &operation, VyraStatus status, int count,
                std::optional<int64_t> command);
    /// The callNumber-th call (1 is the next) that thread makes answers
    /// status; replaces an earlier such injection. callNumber at least 1.
    bool injectAtCall(std::thread::id thread, int callNumber, VyraStatus status);
    /// The status a call of operation with command, made by the calling
    /// thread, must answer, using up one count of the call injection or of
    /// the oldest matching injection; nothing when it must run.
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

    struct CallInjection
    {
        std::thread::id thread;
        int remaining;
        VyraStatus status;
    };

    mutable std::mutex mutex_;
    std::vector<Injection> injections_;
    std::optional<CallInjection> callInjection_;
};

} // namespace VyraSim
