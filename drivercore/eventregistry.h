#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <utility>

#include "vyradriver.h"

namespace VyraSim {

/// The event objects the application registered with the driver, per camera
/// handle (0 for device events) and event ID, and whether notification is
/// started for them. Signalling sets the event objects of started
/// registrations; an auto-reset event thereby coalesces several occurrences
/// before the application's next wait into one.
///
/// Thread-safe. Its lock is the innermost of the simulator: nothing else is
/// locked while it is held, and SetEvent only takes the event object's own.
class EventRegistry
{
public:
    /// Registering again for the same handle and event ID replaces the event object.
    void registerEvent(VyraHandle handle, int32_t eventId, HANDLE event);
    /// False when nothing is registered for handle and eventId.
    bool start(VyraHandle handle, int32_t eventId);
    void stop(VyraHandle handle, int32_t eventId);
    void unregisterEvent(VyraHandle handle, int32_t eventId);
    /// Forgets every registration of a camera handle (it was closed).
    void dropHandle(VyraHandle handle);
    void clear();

    /// Sets the event object registered and started for handle and eventId.
    void signal(VyraHandle handle, int32_t eventId);

    bool registered(VyraHandle handle, int32_t eventId) const;
    bool started(VyraHandle handle, int32_t eventId) const;

private:
    struct Registration
    {
        HANDLE event = nullptr;
        bool started = false;
    };

    mutable std::mutex mutex_;
    std::map<std::pair<VyraHandle, int32_t>, Registration> registrations_;
};

} // namespace VyraSim
