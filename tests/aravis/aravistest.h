#pragma once

#include <QtTest>

#include <cstring>
#include <string>
#include <vector>

#include "drivercalls.h"
#include "vyradriver.h"

/// Helpers of the Aravis driver's tests: finding a camera in the list,
/// opening it with a ring of buffers, and taking its images.
namespace AravisTest {

using DriverTest::aoiOf;
using DriverTest::exposureValue;
using DriverTest::openDevice;
using DriverTest::sequencerSwitch;
using DriverTest::setExposure;
using DriverTest::writeExposureSequence;

/// Long enough for any image of Aravis' fake cameras on a loaded machine.
constexpr int imageTimeoutMs = 5000;

/// The camera list record of the first camera with this model, if listed.
inline bool findCamera(const char *model, VyraCameraRecord *found)
{
    int32_t count = 0;
    if (countCameras(&count) != VYRA_SUCCESS || count <= 0)
        return false;
    std::vector<char> memory(VYRA_CAMERA_LIST_SIZE(count));
    auto *list = reinterpret_cast<VyraCameraList *>(memory.data());
    list->count = count;
    if (listCameras(list) != VYRA_SUCCESS)
        return false;
    for (int32_t i = 0; i < list->count; ++i) {
        if (std::strcmp(list->records[i].modelName, model) == 0) {
            *found = list->records[i];
            return true;
        }
    }
    return false;
}

/// Buffers of the current AOI size in the ring, queue mode on.
inline bool prepareRing(VyraHandle handle, int buffers = 8)
{
    const VyraRect aoi = aoiOf(handle);
    for (int i = 0; i < buffers; ++i) {
        char *memory = nullptr;
        int32_t id = 0;
        if (allocateFrameBuffer(handle, aoi.width, aoi.height, VYRA_BITS_PER_PIXEL_RGB8, &memory,
                                &id) != VYRA_SUCCESS ||
            appendToBufferRing(handle, memory, id) != VYRA_SUCCESS)
            return false;
    }
    return enableImageQueue(handle, VYRA_QUEUE_MODE_DEFAULT) == VYRA_SUCCESS;
}

/// One image taken from the queue: its descriptor and mean sample value.
struct Image
{
    VyraStatus status = VYRA_NO_SUCCESS;
    VyraFrameDescriptor descriptor{};
    double mean = 0.0;
};

inline Image nextImage(VyraHandle handle, int timeoutMs = imageTimeoutMs)
{
    Image image;
    char *memory = nullptr;
    int32_t id = 0;
    image.status = waitForQueuedImage(handle, timeoutMs, &memory, &id);
    if (image.status != VYRA_SUCCESS)
        return image;
    image.status = describeFrame(handle, id, &image.descriptor, sizeof image.descriptor);
    const VyraFrameDescriptor &d = image.descriptor;
    double sum = 0.0;
    for (int y = 0; y < d.height; ++y) {
        const auto *line = reinterpret_cast<const uint8_t *>(memory) + size_t(y) * d.linePitch;
        for (int x = 0; x < d.width * 3; ++x)
            sum += line[x];
    }
    if (d.width > 0 && d.height > 0)
        image.mean = sum / (double(d.width) * d.height * 3);
    unlockRingBuffer(handle, id, memory);
    return image;
}

/// A NUL-terminated UTF-16 copy of a path, for the file commands.
inline std::u16string widePath(const QString &path)
{
    return path.toStdU16String();
}

} // namespace AravisTest
