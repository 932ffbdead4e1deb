/*
 * The driver the application talks to: it hands every operation of the
 * driver boundary to the camera driver chosen by the environment variable
 * VYRA_DRIVER, read once, at the first call:
 *
 *   unset, empty or "simulator"   the simulated camera driver (libvyrasim)
 *   "aravis"                      GenICam cameras through Aravis (libvyraaravis)
 *
 * The chosen library is loaded from the folder of this one (where the build
 * and the installation put the drivers), else by the loader's search; with
 * RTLD_LOCAL, so that its operations, which
 * carry the same names as these, never take the place of these for anybody
 * else in the process. A library that is already loaded (a test that links
 * the simulator for its control interface) is the very one used here.
 *
 * A name that is not a driver, or a library that cannot be loaded, is
 * reported once on standard error; every operation then answers
 * VYRA_CANT_OPEN_DEVICE ("no camera connected"), so the camera list is empty.
 */

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "vyradriver.h"

namespace {

// Every operation of the boundary: name, parameter list, argument list.
#define VYRA_DRIVER_OPERATIONS(X)                                                                  \
    X(openCamera, (VyraHandle * handle, void *window), (handle, window))                           \
    X(closeCamera, (VyraHandle handle), (handle))                                                  \
    X(countCameras, (int32_t * count), (count))                                                    \
    X(listCameras, (VyraCameraList * list), (list))                                                \
    X(startLiveCapture, (VyraHandle handle, int32_t mode), (handle, mode))                         \
    X(stopLiveCapture, (VyraHandle handle, int32_t mode), (handle, mode))                          \
    X(captureSingleFrame, (VyraHandle handle), (handle))                                           \
    X(selectTriggerSource, (VyraHandle handle, int32_t code), (handle, code))                      \
    X(selectPixelFormat, (VyraHandle handle, int32_t format), (handle, format))                    \
    X(allocateFrameBuffer,                                                                         \
      (VyraHandle handle, int32_t width, int32_t height, int32_t bitsPerPixel, char **memory,      \
       int32_t *id),                                                                               \
      (handle, width, height, bitsPerPixel, memory, id))                                           \
    X(releaseFrameBuffer, (VyraHandle handle, char *memory, int32_t id), (handle, memory, id))     \
    X(appendToBufferRing, (VyraHandle handle, char *memory, int32_t id), (handle, memory, id))     \
    X(clearBufferRing, (VyraHandle handle), (handle))                                              \
    X(unlockRingBuffer, (VyraHandle handle, int32_t id, char *memory), (handle, id, memory))       \
    X(enableImageQueue, (VyraHandle handle, int32_t mode), (handle, mode))                         \
    X(waitForQueuedImage, (VyraHandle handle, int32_t timeoutMs, char **memory, int32_t *id),      \
      (handle, timeoutMs, memory, id))                                                             \
    X(describeFrame, (VyraHandle handle, int32_t id, void *record, uint32_t size),                 \
      (handle, id, record, size))                                                                  \
    X(querySensorProperties, (VyraHandle handle, VyraSensorProperties * properties),               \
      (handle, properties))                                                                        \
    X(setSensorGains,                                                                              \
      (VyraHandle handle, int32_t master, int32_t red, int32_t green, int32_t blue),               \
      (handle, master, red, green, blue))                                                          \
    X(requestFrameRate, (VyraHandle handle, double fps, double *fpsSet), (handle, fps, fpsSet))    \
    X(currentFrameRate, (VyraHandle handle, double *fps), (handle, fps))                           \
    X(frameIntervalRange,                                                                          \
      (VyraHandle handle, double *minimum, double *maximum, double *increment),                    \
      (handle, minimum, maximum, increment))                                                       \
    X(subsamplingMode, (VyraHandle handle, int32_t mode), (handle, mode))                          \
    X(binningMode, (VyraHandle handle, int32_t mode), (handle, mode))                              \
    X(aoiControl, (VyraHandle handle, uint32_t command, void *buffer, uint32_t size),              \
      (handle, command, buffer, size))                                                             \
    X(exposureControl, (VyraHandle handle, uint32_t command, void *buffer, uint32_t size),         \
      (handle, command, buffer, size))                                                             \
    X(flashControl, (VyraHandle handle, uint32_t command, void *buffer, uint32_t size),            \
      (handle, command, buffer, size))                                                             \
    X(pixelClockControl, (VyraHandle handle, uint32_t command, void *buffer, uint32_t size),       \
      (handle, command, buffer, size))                                                             \
    X(imageFormatControl, (VyraHandle handle, uint32_t command, void *buffer, uint32_t size),      \
      (handle, command, buffer, size))                                                             \
    X(deviceOptionControl, (VyraHandle handle, uint32_t command, void *buffer, uint32_t size),     \
      (handle, command, buffer, size))                                                             \
    X(parameterSetControl, (VyraHandle handle, uint32_t command, void *parameter, uint32_t size),  \
      (handle, command, parameter, size))                                                          \
    X(sequencerControl, (VyraHandle handle, uint32_t command, void *buffer, uint32_t size),        \
      (handle, command, buffer, size))                                                             \
    X(registerEventObject, (VyraHandle handle, HANDLE event, int32_t eventId),                     \
      (handle, event, eventId))                                                                    \
    X(startEventNotification, (VyraHandle handle, int32_t eventId), (handle, eventId))             \
    X(stopEventNotification, (VyraHandle handle, int32_t eventId), (handle, eventId))              \
    X(unregisterEventObject, (VyraHandle handle, int32_t eventId), (handle, eventId))

/// The operations of the chosen driver; all null when none could be loaded.
struct DriverTable
{
#define VYRA_DRIVER_POINTER(name, parameters, arguments) VyraStatus(*name) parameters = nullptr;
    VYRA_DRIVER_OPERATIONS(VYRA_DRIVER_POINTER)
#undef VYRA_DRIVER_POINTER
    bool loaded = false;
};

/// The library file of the driver named by VYRA_DRIVER, or null for an unknown name.
const char *libraryFor(const char *choice)
{
    if (choice == nullptr || *choice == '\0' || std::strcmp(choice, "simulator") == 0)
        return VYRA_SIMULATOR_LIBRARY;
    if (std::strcmp(choice, "aravis") == 0)
        return VYRA_ARAVIS_LIBRARY;
    return nullptr;
}

/// The path of file in the folder this library was loaded from, or file.
std::string besideThisLibrary(const char *file)
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&libraryFor), &info) == 0 || info.dli_fname == nullptr)
        return file;
    const std::string self = info.dli_fname;
    const size_t slash = self.rfind('/');
    return slash == std::string::npos ? file : self.substr(0, slash + 1) + file;
}

DriverTable loadDriver()
{
    DriverTable table;
    const char *choice = std::getenv("VYRA_DRIVER");
    const char *library = libraryFor(choice);
    if (library == nullptr) {
        std::fprintf(stderr,
                     "vyradriver: VYRA_DRIVER=%s names no driver (simulator, aravis); no camera "
                     "is offered\n",
                     choice);
        return table;
    }
    void *handle = dlopen(besideThisLibrary(library).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
        handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        std::fprintf(stderr, "vyradriver: %s; no camera is offered\n", dlerror());
        return table;
    }
    bool complete = true;
#define VYRA_DRIVER_RESOLVE(name, parameters, arguments)                                           \
    table.name = reinterpret_cast<decltype(table.name)>(dlsym(handle, #name));                     \
    complete = complete && table.name != nullptr;
    VYRA_DRIVER_OPERATIONS(VYRA_DRIVER_RESOLVE)
#undef VYRA_DRIVER_RESOLVE
    if (!complete) {
        std::fprintf(stderr, "vyradriver: %s lacks driver operations; no camera is offered\n",
                     library);
        return DriverTable();
    }
    table.loaded = true;
    return table;
}

const DriverTable &driver()
{
    static const DriverTable table = loadDriver();
    return table;
}

} // namespace

extern "C" {

#define VYRA_DRIVER_FORWARD(name, parameters, arguments)                                           \
    VYRA_API VyraStatus name parameters                                                            \
    {                                                                                              \
        const DriverTable &table = driver();                                                       \
        return table.loaded ? table.name arguments : VYRA_CANT_OPEN_DEVICE;                        \
    }
VYRA_DRIVER_OPERATIONS(VYRA_DRIVER_FORWARD)
#undef VYRA_DRIVER_FORWARD

} // extern "C"
