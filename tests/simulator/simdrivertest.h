#pragma once

#include <QImage>
#include <QtTest>

#include <cstring>
#include <vector>

#include "drivercalls.h"
#include "simcontrol.h"
#include "vyradriver.h"

/// Helpers of the simulated driver's tests: the cameras of the embedded
/// default and an opened camera with a ring of buffers.
namespace SimTest {

using DriverTest::aoiOf;
using DriverTest::exposureValue;
using DriverTest::openDevice;
using DriverTest::setExposure;

constexpr int32_t smallCamera = 1;   ///< VK1240C, 1280 x 1024
constexpr int32_t largeCamera = 2;   ///< VK2280SE-C, 1936 x 1216
constexpr int32_t heldCamera = 1001; ///< held by another program

/// A deadline long enough for any image on a loaded machine.
constexpr int imageTimeoutMs = 5000;

inline VyraStatus setAoi(VyraHandle handle, VyraRect aoi)
{
    return aoiControl(handle, VYRA_AOI_SET, &aoi, sizeof aoi);
}

inline VyraStatus setPixelClock(VyraHandle handle, uint32_t clock)
{
    return pixelClockControl(handle, VYRA_PIXELCLOCK_SET, &clock, sizeof clock);
}

inline double frameRateSet(VyraHandle handle, double fps)
{
    double set = -1.0;
    requestFrameRate(handle, fps, &set);
    return set;
}

inline double maximumFrameRate(VyraHandle handle)
{
    double minimum = 0.0, maximum = 0.0, increment = 0.0;
    frameIntervalRange(handle, &minimum, &maximum, &increment);
    return 1.0 / minimum;
}

inline VyraFrameDescriptor describe(VyraHandle handle, int32_t id)
{
    VyraFrameDescriptor descriptor{};
    describeFrame(handle, id, &descriptor, sizeof descriptor);
    return descriptor;
}

/// An opened camera with a ring of buffers of its AOI size in queue mode,
/// closed again at the end of the scope.
class Camera
{
public:
    struct Buffer
    {
        char *memory = nullptr;
        int32_t id = 0;
    };

    explicit Camera(int32_t deviceId = smallCamera, int bufferCount = 4) : bufferCount_(bufferCount)
    {
        handle = openDevice(deviceId);
        if (handle != 0)
            allocate();
    }
    ~Camera()
    {
        if (handle != 0)
            closeCamera(handle);
    }
    Camera(const Camera &) = delete;
    Camera &operator=(const Camera &) = delete;

    bool ok() const { return handle != 0 && int(buffers.size()) == bufferCount_; }

    /// Stops capture and gives the camera fresh buffers of its current AOI size.
    void reallocate()
    {
        stopLiveCapture(handle, VYRA_CAPTURE_START);
        clearBufferRing(handle);
        for (const Buffer &buffer : buffers)
            releaseFrameBuffer(handle, buffer.memory, buffer.id);
        buffers.clear();
        allocate();
    }

    /// Waits for the next image; on success memory and id name its buffer,
    /// which stays locked until unlock().
    VyraStatus wait(char **memory, int32_t *id, int timeoutMs = imageTimeoutMs)
    {
        return waitForQueuedImage(handle, timeoutMs, memory, id);
    }
    void unlock(char *memory, int32_t id) { unlockRingBuffer(handle, id, memory); }

    /// A copy of the image in a buffer, honouring its line pitch.
    QImage image(char *memory, int32_t id) const
    {
        const VyraFrameDescriptor d = describe(handle, id);
        QImage copy(d.width, d.height, QImage::Format_RGB888);
        for (int y = 0; y < d.height; ++y)
            std::memcpy(copy.scanLine(y), memory + ptrdiff_t(y) * d.linePitch, size_t(d.width) * 3);
        return copy;
    }

    /// Takes one image while not live and answers it (empty on failure).
    QImage snap(VyraFrameDescriptor *descriptor = nullptr)
    {
        if (captureSingleFrame(handle) != VYRA_SUCCESS)
            return {};
        char *memory = nullptr;
        int32_t id = 0;
        if (wait(&memory, &id, 0) != VYRA_SUCCESS)
            return {};
        const QImage copy = image(memory, id);
        if (descriptor != nullptr)
            *descriptor = describe(handle, id);
        unlock(memory, id);
        return copy;
    }

    VyraHandle handle = 0;
    std::vector<Buffer> buffers;

private:
    void allocate()
    {
        const VyraRect aoi = aoiOf(handle);
        for (int i = 0; i < bufferCount_; ++i) {
            Buffer buffer;
            if (allocateFrameBuffer(handle, aoi.width, aoi.height, 24, &buffer.memory,
                                    &buffer.id) != VYRA_SUCCESS)
                return;
            appendToBufferRing(handle, buffer.memory, buffer.id);
            buffers.push_back(buffer);
        }
        enableImageQueue(handle, VYRA_QUEUE_MODE_DEFAULT);
    }

    int bufferCount_;
};

/// The RGB values of a pixel.
inline QVector<int> rgb(const QImage &image, int x, int y)
{
    const uchar *p = image.constScanLine(y) + x * 3;
    return {p[0], p[1], p[2]};
}

} // namespace SimTest
