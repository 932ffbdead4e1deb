/*
 * The driver operations with C linkage: the list, opening and device events
 * go to the system, everything on a camera handle to that camera.
 */

#include <memory>

#include "aravissystem.h"
#include "vyradriver.h"

namespace {

using VyraAravis::AravisCamera;
using VyraAravis::AravisSystem;

template<class Operation> VyraStatus onCamera(VyraHandle handle, Operation &&operation)
{
    const std::shared_ptr<AravisCamera> camera = AravisSystem::instance().camera(handle);
    return camera ? operation(*camera) : VYRA_INVALID_HANDLE;
}

bool cameraEvent(int32_t eventId)
{
    return eventId == VYRA_EVENT_CAMERA_REMOVED || eventId == VYRA_EVENT_CAMERA_RECONNECTED;
}

bool deviceEvent(int32_t eventId)
{
    return eventId == VYRA_EVENT_DEVICE_REMOVED || eventId == VYRA_EVENT_DEVICE_CONNECTED;
}

/// Handle 0 takes device events, an open camera's handle its camera events.
VyraStatus admitEvent(VyraHandle handle, int32_t eventId)
{
    if (handle == 0)
        return deviceEvent(eventId) ? VYRA_SUCCESS : VYRA_INVALID_PARAMETER;
    return onCamera(handle, [&](AravisCamera &camera) -> VyraStatus {
        if (VyraStatus status = camera.admit(true))
            return status;
        return cameraEvent(eventId) ? VYRA_SUCCESS : VYRA_INVALID_PARAMETER;
    });
}

} // namespace

extern "C" {

VyraStatus openCamera(VyraHandle *handle, void *window)
{
    if (window != nullptr)
        return VYRA_INVALID_PARAMETER;
    return AravisSystem::instance().openCamera(handle);
}

VyraStatus closeCamera(VyraHandle handle)
{
    return AravisSystem::instance().closeCamera(handle);
}

VyraStatus countCameras(int32_t *count)
{
    return AravisSystem::instance().countCameras(count);
}

VyraStatus listCameras(VyraCameraList *list)
{
    return AravisSystem::instance().listCameras(list);
}

VyraStatus startLiveCapture(VyraHandle handle, int32_t mode)
{
    return onCamera(handle, [&](AravisCamera &camera) { return camera.startLiveCapture(mode); });
}

VyraStatus stopLiveCapture(VyraHandle handle, int32_t mode)
{
    return onCamera(handle, [&](AravisCamera &camera) { return camera.stopLiveCapture(mode); });
}

VyraStatus captureSingleFrame(VyraHandle handle)
{
    return onCamera(handle, [&](AravisCamera &camera) { return camera.captureSingleFrame(); });
}

VyraStatus selectTriggerSource(VyraHandle handle, int32_t code)
{
    return onCamera(handle, [&](AravisCamera &camera) { return camera.selectTriggerSource(code); });
}

VyraStatus selectPixelFormat(VyraHandle handle, int32_t format)
{
    return onCamera(handle, [&](AravisCamera &camera) { return camera.selectPixelFormat(format); });
}

VyraStatus allocateFrameBuffer(VyraHandle handle, int32_t width, int32_t height,
                               int32_t bitsPerPixel, char **memory, int32_t *id)
{
    return onCamera(handle, [&](AravisCamera &camera) {
        return camera.allocateFrameBuffer(width, height, bitsPerPixel, memory, id);
    });
}

VyraStatus releaseFrameBuffer(VyraHandle handle, char *memory, int32_t id)
{
    return onCamera(handle,
                    [&](AravisCamera &camera) { return camera.releaseFrameBuffer(memory, id); });
}

VyraStatus appendToBufferRing(VyraHandle handle, char *memory, int32_t id)
{
    return onCamera(handle,
                    [&](AravisCamera &camera) { return camera.appendToBufferRing(memory, id); });
}

VyraStatus clearBufferRing(VyraHandle handle)
{
    return onCamera(handle, [&](AravisCamera &camera) { return camera.clearBufferRing(); });
}

VyraStatus unlockRingBuffer(VyraHandle handle, int32_t id, char *memory)
{
    return onCamera(handle,
                    [&](AravisCamera &camera) { return camera.unlockRingBuffer(id, memory); });
}

VyraStatus enableImageQueue(VyraHandle handle, int32_t mode)
{
    return onCamera(handle, [&](AravisCamera &camera) { return camera.enableImageQueue(mode); });
}

VyraStatus waitForQueuedImage(VyraHandle handle, int32_t timeoutMs, char **memory, int32_t *id)
{
    return onCamera(handle, [&](AravisCamera &camera) {
        return camera.waitForQueuedImage(timeoutMs, memory, id);
    });
}

VyraStatus describeFrame(VyraHandle handle, int32_t id, void *record, uint32_t size)
{
    return onCamera(handle,
                    [&](AravisCamera &camera) { return camera.describeFrame(id, record, size); });
}

VyraStatus querySensorProperties(VyraHandle handle, VyraSensorProperties *properties)
{
    return onCamera(handle,
                    [&](AravisCamera &camera) { return camera.querySensorProperties(properties); });
}

VyraStatus setSensorGains(VyraHandle handle, int32_t master, int32_t red, int32_t green,
                          int32_t blue)
{
    return onCamera(handle, [&](AravisCamera &camera) {
        return camera.setSensorGains(master, red, green, blue);
    });
}

VyraStatus requestFrameRate(VyraHandle handle, double fps, double *fpsSet)
{
    return onCamera(handle,
                    [&](AravisCamera &camera) { return camera.requestFrameRate(fps, fpsSet); });
}

VyraStatus currentFrameRate(VyraHandle handle, double *fps)
{
    return onCamera(handle, [&](AravisCamera &camera) { return camera.currentFrameRate(fps); });
}

VyraStatus frameIntervalRange(VyraHandle handle, double *minimum, double *maximum,
                              double *increment)
{
    return onCamera(handle, [&](AravisCamera &camera) {
        return camera.frameIntervalRange(minimum, maximum, increment);
    });
}

VyraStatus subsamplingMode(VyraHandle handle, int32_t mode)
{
    return onCamera(handle, [&](AravisCamera &camera) { return camera.factorMode(mode, false); });
}

VyraStatus binningMode(VyraHandle handle, int32_t mode)
{
    return onCamera(handle, [&](AravisCamera &camera) { return camera.factorMode(mode, true); });
}

VyraStatus aoiControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size)
{
    return onCamera(handle,
                    [&](AravisCamera &camera) { return camera.aoiControl(command, buffer, size); });
}

VyraStatus exposureControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size)
{
    return onCamera(handle, [&](AravisCamera &camera) {
        return camera.exposureControl(command, buffer, size);
    });
}

VyraStatus flashControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size)
{
    return onCamera(
        handle, [&](AravisCamera &camera) { return camera.flashControl(command, buffer, size); });
}

VyraStatus pixelClockControl(VyraHandle handle, uint32_t, void *, uint32_t)
{
    // GenICam cameras have no pixel clock to choose.
    return onCamera(handle, [&](AravisCamera &camera) -> VyraStatus {
        if (VyraStatus status = camera.admit(false))
            return status;
        return VYRA_NOT_SUPPORTED;
    });
}

VyraStatus imageFormatControl(VyraHandle handle, uint32_t, void *, uint32_t)
{
    // No predefined image formats: the area of interest sets the size.
    return onCamera(handle, [&](AravisCamera &camera) -> VyraStatus {
        if (VyraStatus status = camera.admit(false))
            return status;
        return VYRA_NOT_SUPPORTED;
    });
}

VyraStatus deviceOptionControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size)
{
    return onCamera(handle, [&](AravisCamera &camera) {
        return camera.deviceOptionControl(command, buffer, size);
    });
}

VyraStatus parameterSetControl(VyraHandle handle, uint32_t command, void *parameter, uint32_t size)
{
    return onCamera(handle, [&](AravisCamera &camera) {
        return camera.parameterSetControl(command, parameter, size);
    });
}

VyraStatus sequencerControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size)
{
    return onCamera(handle, [&](AravisCamera &camera) {
        return camera.sequencerControl(command, buffer, size);
    });
}

VyraStatus registerEventObject(VyraHandle handle, HANDLE event, int32_t eventId)
{
    if (event == nullptr)
        return VYRA_INVALID_PARAMETER;
    if (VyraStatus status = admitEvent(handle, eventId))
        return status;
    AravisSystem::instance().events().registerEvent(handle, eventId, event);
    return VYRA_SUCCESS;
}

VyraStatus startEventNotification(VyraHandle handle, int32_t eventId)
{
    if (VyraStatus status = admitEvent(handle, eventId))
        return status;
    return AravisSystem::instance().events().start(handle, eventId) ? VYRA_SUCCESS
                                                                    : VYRA_INVALID_PARAMETER;
}

VyraStatus stopEventNotification(VyraHandle handle, int32_t eventId)
{
    // Stopping what never started, or after the camera was closed, is fine.
    AravisSystem::instance().events().stop(handle, eventId);
    return VYRA_SUCCESS;
}

VyraStatus unregisterEventObject(VyraHandle handle, int32_t eventId)
{
    AravisSystem::instance().events().unregisterEvent(handle, eventId);
    return VYRA_SUCCESS;
}

} // extern "C"
