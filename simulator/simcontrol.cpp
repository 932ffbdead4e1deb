#include "simcontrol.h"

#include <thread>

#include "simworld.h"

namespace VyraSim {

std::vector<ConfigProblem> Control::resetToDefaults()
{
    return SimWorld::instance().resetToDefaults();
}

bool Control::setCameras(const std::vector<CameraSpec> &cameras)
{
    return SimWorld::instance().setCameras(cameras);
}

std::vector<CameraState> Control::cameras()
{
    return SimWorld::instance().cameraStates();
}

std::optional<CameraState> Control::camera(int32_t deviceId)
{
    return SimWorld::instance().cameraState(deviceId);
}

bool Control::unplug(int32_t deviceId)
{
    return SimWorld::instance().setPlugged(deviceId, false);
}

bool Control::replug(int32_t deviceId)
{
    return SimWorld::instance().setPlugged(deviceId, true);
}

int32_t Control::plugIn(const CameraSpec &description)
{
    return SimWorld::instance().plugIn(description);
}

bool Control::remove(int32_t deviceId)
{
    return SimWorld::instance().remove(deviceId);
}

bool Control::setInUseElsewhere(int32_t deviceId, bool inUse)
{
    return SimWorld::instance().setInUseElsewhere(deviceId, inUse);
}

bool Control::injectFailure(const std::string &operation, VyraStatus status, int count,
                            std::optional<int64_t> command)
{
    return SimWorld::instance().failures().inject(operation, status, count, command);
}

bool Control::injectFailureAtCall(int callNumber, VyraStatus status, std::thread::id thread)
{
    return SimWorld::instance().failures().injectAtCall(thread, callNumber, status);
}

void Control::clearFailures()
{
    SimWorld::instance().failures().clear();
}

int Control::pendingFailures()
{
    return SimWorld::instance().failures().pending();
}

void Control::setCallLogEnabled(bool enabled)
{
    SimWorld::instance().callLog().setEnabled(enabled);
}

std::vector<CallRecord> Control::calls()
{
    return SimWorld::instance().callLog().calls();
}

void Control::clearCalls()
{
    SimWorld::instance().callLog().clear();
}

const std::vector<std::string> &Control::operationNames()
{
    static const std::vector<std::string> names = {
        "openCamera",
        "closeCamera",
        "countCameras",
        "listCameras",
        "startLiveCapture",
        "stopLiveCapture",
        "captureSingleFrame",
        "selectTriggerSource",
        "selectPixelFormat",
        "allocateFrameBuffer",
        "releaseFrameBuffer",
        "appendToBufferRing",
        "clearBufferRing",
        "unlockRingBuffer",
        "enableImageQueue",
        "waitForQueuedImage",
        "describeFrame",
        "querySensorProperties",
        "setSensorGains",
        "requestFrameRate",
        "currentFrameRate",
        "frameIntervalRange",
        "subsamplingMode",
        "binningMode",
        "aoiControl",
        "exposureControl",
        "flashControl",
        "pixelClockControl",
        "imageFormatControl",
        "deviceOptionControl",
        "parameterSetControl",
        "sequencerControl",
        "registerEventObject",
        "startEventNotification",
        "stopEventNotification",
        "unregisterEventObject",
    };
    return names;
}

std::optional<OpenCameraState> Control::openCameraState(VyraHandle handle)
{
    const std::shared_ptr<SimCamera> camera = SimWorld::instance().camera(handle);
    return camera ? camera->openState(handle) : std::nullopt;
}

std::vector<VyraHandle> Control::openHandles()
{
    return SimWorld::instance().openHandles();
}

std::optional<SceneRadiance> Control::sceneRadiance(VyraHandle handle, VyraPoint offset,
                                                    uint64_t frameNumber)
{
    const std::shared_ptr<SimCamera> camera = SimWorld::instance().camera(handle);
    return camera ? camera->sceneRadiance(handle, offset, frameNumber) : std::nullopt;
}

} // namespace VyraSim
