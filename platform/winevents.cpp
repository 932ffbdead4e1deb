#include "winevents.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

struct EventObject
{
    bool manualReset = false;
    bool signalled = false;
};

// One lock and one condition variable serve every event: waits for "any of
// several" then need no per-waiter bookkeeping, and the number of events an
// application uses is small (a handful per camera).
struct EventRegistry
{
    std::mutex mutex;
    std::condition_variable changed;
    std::unordered_map<HANDLE, std::shared_ptr<EventObject>> events;
    uintptr_t nextHandle = 0x1000;

    std::shared_ptr<EventObject> find(HANDLE handle)
    {
        auto it = events.find(handle);
        return it == events.end() ? nullptr : it->second;
    }
};

EventRegistry &registry()
{
    static EventRegistry instance;
    return instance;
}

// Waits until one of the events is signalled, the deadline passes or one of
// them is closed. Returns the Windows result code.
DWORD waitForAny(DWORD count, const HANDLE *handles, DWORD milliseconds)
{
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || handles == nullptr)
        return WAIT_FAILED;

    EventRegistry &reg = registry();
    std::unique_lock<std::mutex> lock(reg.mutex);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        for (DWORD i = 0; i < count; ++i) {
            std::shared_ptr<EventObject> event = reg.find(handles[i]);
            if (!event)
                return WAIT_FAILED;
            if (event->signalled) {
                if (!event->manualReset)
                    event->signalled = false;
                return WAIT_OBJECT_0 + i;
            }
        }
        if (milliseconds == INFINITE) {
            reg.changed.wait(lock);
        } else if (reg.changed.wait_until(lock, deadline) == std::cv_status::timeout) {
            // One last look: an event set right at the deadline still counts.
            for (DWORD i = 0; i < count; ++i) {
                std::shared_ptr<EventObject> event = reg.find(handles[i]);
                if (!event)
                    return WAIT_FAILED;
                if (event->signalled) {
                    if (!event->manualReset)
                        event->signalled = false;
                    return WAIT_OBJECT_0 + i;
                }
            }
            return WAIT_TIMEOUT;
        }
    }
}

} // namespace

extern "C" {

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR name)
{
    if (name != nullptr)
        return nullptr;
    auto event = std::make_shared<EventObject>();
    event->manualReset = manualReset != FALSE;
    event->signalled = initialState != FALSE;

    EventRegistry &reg = registry();
    std::lock_guard<std::mutex> lock(reg.mutex);
    HANDLE handle = reinterpret_cast<HANDLE>(reg.nextHandle);
    reg.nextHandle += 4;
    reg.events.emplace(handle, std::move(event));
    return handle;
}

BOOL SetEvent(HANDLE handle)
{
    EventRegistry &reg = registry();
    {
        std::lock_guard<std::mutex> lock(reg.mutex);
        std::shared_ptr<EventObject> event = reg.find(handle);
        if (!event)
            return FALSE;
        event->signalled = true;
    }
    reg.changed.notify_all();
    return TRUE;
}

BOOL ResetEvent(HANDLE handle)
{
    EventRegistry &reg = registry();
    std::lock_guard<std::mutex> lock(reg.mutex);
    std::shared_ptr<EventObject> event = reg.find(handle);
    if (!event)
        return FALSE;
    event->signalled = false;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    return waitForAny(1, &handle, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE *handles, BOOL waitAll, DWORD milliseconds)
{
    if (waitAll != FALSE)
        return WAIT_FAILED;
    return waitForAny(count, handles, milliseconds);
}

BOOL CloseHandle(HANDLE handle)
{
    EventRegistry &reg = registry();
    {
        std::lock_guard<std::mutex> lock(reg.mutex);
        if (reg.events.erase(handle) == 0)
            return FALSE;
    }
    // Waiters on the closed handle wake up and fail instead of hanging.
    reg.changed.notify_all();
    return TRUE;
}

} // extern "C"
