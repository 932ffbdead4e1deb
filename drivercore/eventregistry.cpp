#include "eventregistry.h"

namespace VyraSim {

void EventRegistry::registerEvent(VyraHandle handle, int32_t eventId, HANDLE event)
{
    std::lock_guard<std::mutex> lock(mutex_);
    Registration &registration = registrations_[{handle, eventId}];
    registration.event = event;
}

bool EventRegistry::start(VyraHandle handle, int32_t eventId)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = registrations_.find({handle, eventId});
    if (it == registrations_.end())
        return false;
    it->second.started = true;
    return true;
}

void EventRegistry::stop(VyraHandle handle, int32_t eventId)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = registrations_.find({handle, eventId});
    if (it != registrations_.end())
        it->second.started = false;
}

void EventRegistry::unregisterEvent(VyraHandle handle, int32_t eventId)
{
    std::lock_guard<std::mutex> lock(mutex_);
    registrations_.erase({handle, eventId});
}

void EventRegistry::dropHandle(VyraHandle handle)
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = registrations_.begin(); it != registrations_.end();) {
        if (it->first.first == handle)
            it = registrations_.erase(it);
        else
            ++it;
    }
}

void EventRegistry::clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    registrations_.clear();
}

void EventRegistry::signal(VyraHandle handle, int32_t eventId)
{
    // Signalled under the lock: the application unregisters an event before
    // it closes the event object, so a registered object is still open here.
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = registrations_.find({handle, eventId});
    if (it != registrations_.end() && it->second.started)
        SetEvent(it->second.event);
}

bool EventRegistry::registered(VyraHandle handle, int32_t eventId) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return registrations_.count({handle, eventId}) != 0;
}

bool EventRegistry::started(VyraHandle handle, int32_t eventId) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = registrations_.find({handle, eventId});
    return it != registrations_.end() && it->second.started;
}

} // namespace VyraSim
