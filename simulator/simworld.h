#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "calllog.h"
#include "eventregistry.h"
#include "failureinjector.h"
#include "simcamera.h"
#include "simcontrol.h"

namespace VyraSim {

/// Everything behind the driver boundary of one process: the cameras, the
/// handles this process opened, the registered events, the injected failures
/// and the call log. The driver operations and the control interface both
/// work on the one instance.
///
/// Lock order: the world's lock, then a camera's, then the event registry's;
/// a thread is never joined and an image never waited for under the world's.
class SimWorld
{
public:
    static SimWorld &instance();

    EventRegistry &events() { return events_; }
    CallLog &callLog() { return callLog_; }
    FailureInjector &failures() { return failures_; }

    /// The camera opened as handle, or null.
    std::shared_ptr<SimCamera> camera(VyraHandle handle) const;

    VyraStatus openCamera(VyraHandle *handle, void *window);
    VyraStatus closeCamera(VyraHandle handle);
    VyraStatus countCameras(int32_t *count) const;
    VyraStatus listCameras(VyraCameraList *list) const;

    std::vector<ConfigProblem> resetToDefaults();
    bool setCameras(const std::vector<CameraSpec> &cameras);
    std::vector<CameraState> cameraStates() const;
    std::optional<CameraState> cameraState(int32_t deviceId) const;
    bool setPlugged(int32_t deviceId, bool plugged);
    int32_t plugIn(CameraSpec description);
    bool remove(int32_t deviceId);
    bool setInUseElsewhere(int32_t deviceId, bool inUse);
    std::vector<VyraHandle> openHandles() const;

private:
    SimWorld();

    std::shared_ptr<SimCamera> findDevice(int32_t deviceId) const;
    /// Puts cameras in place of the current ones and closes those that were open.
    void replaceCameras(const std::vector<CameraSpec> &cameras);
    VyraHandle nextFreeHandle();

    EventRegistry events_;
    CallLog callLog_;
    FailureInjector failures_;

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<SimCamera>> cameras_;
    std::map<VyraHandle, std::shared_ptr<SimCamera>> open_;
    VyraHandle nextHandle_ = 1;
};

} // namespace VyraSim
