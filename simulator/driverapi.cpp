/*
 * The driver operations with C linkage. Each one takes an injected failure
 * if a test asked for one, otherwise hands the call to the world (opening,
 * listing, device events) or to the camera of the handle, and records the
 * call in the call log.
 */

#include <memory>
#include <optional>

#include "controlserver.h"
#include "simworld.h"
#include "vyradriver.h"

namespace {

using VyraSim::SimCamera;
using VyraSim::SimWorld;

template<class Operation>
VyraStatus run(const char *name, VyraHandle handle, int64_t command, uint32_t size,
               Operation &&operation)
{
    // The first driver call of a process opens the control socket for vyrasim-ctl.
    VyraSim::ControlServer::ensureStarted();
    SimWorld &world = SimWorld::instance();
    const std::optional<VyraStatus> injected = world.failures().take(name, command);
    const VyraStatus status = injected ? *injected : operation(world);
    world.callLog().record(name, handle, command, size, status);
    return status;
}

template<class Operation>
VyraStatus onCamera(const char *name, VyraHandle handle, int64_t command, uint32_t size,
                    Operation &&operation)
{
    return run(name, handle, command, size, [&](SimWorld &world) -> VyraStatus {
        const std::shared_ptr<SimCamera> camera = world.camera(handle);
        return camera ? operation(*camera) : VYRA_INVALID_HANDLE;
    });
}

bool cameraEvent(int32_t eventId)
{
    return eventId == VYRA_EVENT_CAMERA_REMOVED || eventId == VYRA_EVENT_CAMERA_RECONNECTED;
}

bool deviceEvent(int32_t eventId)
{
    return eventId == VYRA_EVENT_DEVICE_REMOVED || eventId == VYRA_EVENT_DEVICE_CONNECTED;
}

/// Whether an event operation may go ahead for handle and eventId: handle 0
/// takes device events, an open camera's handle its camera events.
VyraStatus admitEvent(SimWorld &world, VyraHandle handle, int32_t eventId, bool whileUnplugged)
{
    if (handle == 0)
        return deviceEvent(eventId) ? VYRA_SUCCESS : VYRA_INVALID_PARAMETER;
    const std::shared_ptr<SimCamera> camera = world.camera(handle);
    if (!camera)
        return VYRA_INVALID_HANDLE;
    if (VyraStatus status = camera->admit(handle, whileUnplugged))
        return status;
    return cameraEvent(eventId) ? VYRA_SUCCESS : VYRA_INVALID_PARAMETER;
}

} // namespace

extern "C" {

VyraStatus openCamera(VyraHandle *handle, void *window)
{
    VyraSim::ControlServer::ensureStarted();
    SimWorld &world = SimWorld::instance();
    const int64_t word = handle != nullptr ? int64_t(*handle) : -1;
    const std::optional<VyraStatus> injected = world.failures().take("openCamera", word);
    const VyraStatus status = injected ? *injected : world.openCamera(handle, window);
    world.callLog().record("openCamera", status == VYRA_SUCCESS && !injected ? *handle : 0, word, 0,
                           status);
    return status;
}

VyraStatus closeCamera(VyraHandle handle)
{
    return run("closeCamera", handle, -1, 0,
               [&](SimWorld &world) { return world.closeCamera(handle); });
}

VyraStatus countCameras(int32_t *count)
{
    return run("countCameras", 0, -1, 0,
               [&](SimWorld &world) { return world.countCameras(count); });
}

VyraStatus listCameras(VyraCameraList *list)
{
    const int32_t room = list != nullptr ? list->count : 0;
    return run("listCameras", 0, -1, room > 0 ? VYRA_CAMERA_LIST_SIZE(room) : 0,
               [&](SimWorld &world) { return world.listCameras(list); });
}

VyraStatus startLiveCapture(VyraHandle handle, int32_t mode)
{
    return onCamera("startLiveCapture", handle, mode, 0,
                    [&](SimCamera &camera) { return camera.startLiveCapture(handle, mode); });
}

VyraStatus stopLiveCapture(VyraHandle handle, int32_t mode)
{
    return onCamera("stopLiveCapture", handle, mode, 0,
                    [&](SimCamera &camera) { return camera.stopLiveCapture(handle, mode); });
}

VyraStatus captureSingleFrame(VyraHandle handle)
{
    return onCamera("captureSingleFrame", handle, -1, 0,
                    [&](SimCamera &camera) { return camera.captureSingleFrame(handle); });
}

VyraStatus selectTriggerSource(VyraHandle handle, int32_t code)
{
    return onCamera("selectTriggerSource", handle, code, 0,
                    [&](SimCamera &camera) { return camera.selectTriggerSource(handle, code); });
}

VyraStatus selectPixelFormat(VyraHandle handle, int32_t format)
{
    return onCamera("selectPixelFormat", handle, format, 0,
                    [&](SimCamera &camera) { return camera.selectPixelFormat(handle, format); });
}

VyraStatus allocateFrameBuffer(VyraHandle handle, int32_t width, int32_t height,
                               int32_t bitsPerPixel, char **memory, int32_t *id)
{
    return onCamera("allocateFrameBuffer", handle, -1, 0, [&](SimCamera &camera) {
        return camera.allocateFrameBuffer(handle, width, height, bitsPerPixel, memory, id);
    });
}

VyraStatus releaseFrameBuffer(VyraHandle handle, char *memory, int32_t id)
{
    return onCamera("releaseFrameBuffer", handle, id, 0, [&](SimCamera &camera) {
        return camera.releaseFrameBuffer(handle, memory, id);
    });
}

VyraStatus appendToBufferRing(VyraHandle handle, char *memory, int32_t id)
{
    return onCamera("appendToBufferRing", handle, id, 0, [&](SimCamera &camera) {
        return camera.appendToBufferRing(handle, memory, id);
    });
}

VyraStatus clearBufferRing(VyraHandle handle)
{
    return onCamera("clearBufferRing", handle, -1, 0,
                    [&](SimCamera &camera) { return camera.clearBufferRing(handle); });
}

VyraStatus unlockRingBuffer(VyraHandle handle, int32_t id, char *memory)
{
    return onCamera("unlockRingBuffer", handle, id, 0,
                    [&](SimCamera &camera) { return camera.unlockRingBuffer(handle, id, memory); });
}

VyraStatus enableImageQueue(VyraHandle handle, int32_t mode)
{
    return onCamera("enableImageQueue", handle, mode, 0,
                    [&](SimCamera &camera) { return camera.enableImageQueue(handle, mode); });
}

VyraStatus waitForQueuedImage(VyraHandle handle, int32_t timeoutMs, char **memory, int32_t *id)
{
    return onCamera("waitForQueuedImage", handle, timeoutMs, 0, [&](SimCamera &camera) {
        return camera.waitForQueuedImage(handle, timeoutMs, memory, id);
    });
}

VyraStatus describeFrame(VyraHandle handle, int32_t id, void *record, uint32_t size)
{
    return onCamera("describeFrame", handle, id, size, [&](SimCamera &camera) {
        return camera.describeFrame(handle, id, record, size);
    });
}

VyraStatus querySensorProperties(VyraHandle handle, VyraSensorProperties *properties)
{
    return onCamera(
        "querySensorProperties", handle, -1, sizeof(VyraSensorProperties),
        [&](SimCamera &camera) { return camera.querySensorProperties(handle, properties); });
}

VyraStatus setSensorGains(VyraHandle handle, int32_t master, int32_t red, int32_t green,
                          int32_t blue)
{
    return onCamera("setSensorGains", handle, master, 0, [&](SimCamera &camera) {
        return camera.setSensorGains(handle, master, red, green, blue);
    });
}

VyraStatus requestFrameRate(VyraHandle handle, double fps, double *fpsSet)
{
    return onCamera("requestFrameRate", handle, -1, 0, [&](SimCamera &camera) {
        return camera.requestFrameRate(handle, fps, fpsSet);
    });
}

VyraStatus currentFrameRate(VyraHandle handle, double *fps)
{
    return onCamera("currentFrameRate", handle, -1, 0,
                    [&](SimCamera &camera) { return camera.currentFrameRate(handle, fps); });
}

VyraStatus frameIntervalRange(VyraHandle handle, double *minimum, double *maximum,
                              double *increment)
{
    return onCamera("frameIntervalRange", handle, -1, 0, [&](SimCamera &camera) {
        return camera.frameIntervalRange(handle, minimum, maximum, increment);
    });
}

VyraStatus subsamplingMode(VyraHandle handle, int32_t mode)
{
    return onCamera("subsamplingMode", handle, mode, 0,
                    [&](SimCamera &camera) { return camera.subsamplingMode(handle, mode); });
}

VyraStatus binningMode(VyraHandle handle, int32_t mode)
{
    return onCamera("binningMode", handle, mode, 0,
                    [&](SimCamera &camera) { return camera.binningMode(handle, mode); });
}

VyraStatus aoiControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size)
{
    return onCamera("aoiControl", handle, command, size, [&](SimCamera &camera) {
        return camera.aoiControl(handle, command, buffer, size);
    });
}

VyraStatus exposureControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size)
{
    return onCamera("exposureControl", handle, command, size, [&](SimCamera &camera) {
        return camera.exposureControl(handle, command, buffer, size);
    });
}

VyraStatus flashControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size)
{
    return onCamera("flashControl", handle, command, size, [&](SimCamera &camera) {
        return camera.flashControl(handle, command, buffer, size);
    });
}

VyraStatus pixelClockControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size)
{
    return onCamera("pixelClockControl", handle, command, size, [&](SimCamera &camera) {
        return camera.pixelClockControl(handle, command, buffer, size);
    });
}

VyraStatus imageFormatControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size)
{
    return onCamera("imageFormatControl", handle, command, size, [&](SimCamera &camera) {
        return camera.imageFormatControl(handle, command, buffer, size);
    });
}

VyraStatus deviceOptionControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size)
{
    return onCamera("deviceOptionControl", handle, command, size, [&](SimCamera &camera) {
        return camera.deviceOptionControl(handle, command, buffer, size);
    });
}

VyraStatus parameterSetControl(VyraHandle handle, uint32_t command, void *parameter, uint32_t size)
{
    return onCamera("parameterSetControl", handle, command, size, [&](SimCamera &camera) {
        return camera.parameterSetControl(handle, command, parameter, size);
    });
}

VyraStatus sequencerControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size)
{
    return onCamera("sequencerControl", handle, command, size, [&](SimCamera &camera) {
        return camera.sequencerControl(handle, command, buffer, size);
    });
}

VyraStatus registerEventObject(VyraHandle handle, HANDLE event, int32_t eventId)
{
    return run("registerEventObject", handle, eventId, 0, [&](SimWorld &world) {
        if (VyraStatus status = admitEvent(world, handle, eventId, false))
            return status;
        if (event == nullptr)
            return VyraStatus(VYRA_INVALID_PARAMETER);
        world.events().registerEvent(handle, eventId, event);
        return VyraStatus(VYRA_SUCCESS);
    });
}

VyraStatus startEventNotification(VyraHandle handle, int32_t eventId)
{
    return run("startEventNotification", handle, eventId, 0, [&](SimWorld &world) {
        if (VyraStatus status = admitEvent(world, handle, eventId, false))
            return status;
        return world.events().start(handle, eventId) ? VyraStatus(VYRA_SUCCESS)
                                                     : VyraStatus(VYRA_INVALID_PARAMETER);
    });
}

VyraStatus stopEventNotification(VyraHandle handle, int32_t eventId)
{
    // Letting go of an event works on a pulled-out camera too, and stopping
    // one that never started succeeds: the application stops from destructors.
    return run("stopEventNotification", handle, eventId, 0, [&](SimWorld &world) {
        if (VyraStatus status = admitEvent(world, handle, eventId, true))
            return status;
        world.events().stop(handle, eventId);
        return VyraStatus(VYRA_SUCCESS);
    });
}

VyraStatus unregisterEventObject(VyraHandle handle, int32_t eventId)
{
    return run("unregisterEventObject", handle, eventId, 0, [&](SimWorld &world) {
        if (VyraStatus status = admitEvent(world, handle, eventId, true))
            return status;
        world.events().unregisterEvent(handle, eventId);
        return VyraStatus(VYRA_SUCCESS);
    });
}

} // extern "C"
