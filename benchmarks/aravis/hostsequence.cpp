// A host-driven sequence running free on a GenICam camera without a
// sequencer of its own (scripts/measure-aravis-sequence.sh runs it on Aravis'
// fake GigE camera): three sets of 1, 4 and 16 ms, each image's set applied
// by the driver. For each requested rate it counts, over the given seconds,
// the images received per second, those whose set the driver named right
// (judged by brightness: the fake's image brightens with the exposure) and
// those lost (gaps in the frame numbers, triggers given up, no free buffer),
// and the process's CPU.
// Usage: vyra-hostsequence [seconds] [rate...]   (10 s; 30 and 1000 fps)

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "vyradriver.h"

namespace {

using Clock = std::chrono::steady_clock;

const double setExposures[] = {1.0, 4.0, 16.0};
constexpr int setCount = 3;
constexpr int bufferCount = 32;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &time) { return time.tv_sec + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

bool ok(VyraStatus status, const char *what)
{
    if (status != VYRA_SUCCESS)
        std::fprintf(stderr, "%s failed: %d\n", what, int(status));
    return status == VYRA_SUCCESS;
}

VyraStatus sequencerCommand(VyraHandle handle, uint32_t code, int32_t value)
{
    return sequencerControl(handle, code, &value, sizeof value);
}

VyraStatus setExposure(VyraHandle handle, double ms)
{
    return exposureControl(handle, VYRA_EXPOSURE_SET, &ms, sizeof ms);
}

/// The first GigE Vision camera the driver lists (device IDs from 1001),
/// within 15 s of discovery.
int32_t findGigeCamera()
{
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(15);
    while (Clock::now() < deadline) {
        std::vector<char> memory(VYRA_CAMERA_LIST_SIZE(8));
        auto *list = reinterpret_cast<VyraCameraList *>(memory.data());
        list->count = 8;
        if (listCameras(list) == VYRA_SUCCESS) {
            for (int32_t i = 0; i < std::min(list->count, 8); ++i) {
                if (list->records[i].deviceId >= 1001)
                    return list->records[i].deviceId;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return 0;
}

/// One image out of the queue: its descriptor and mean sample value.
struct Image
{
    VyraStatus status = VYRA_NO_SUCCESS;
    VyraFrameDescriptor descriptor{};
    double mean = 0.0;
};

Image nextImage(VyraHandle handle, int timeoutMs)
{
    Image image;
    char *memory = nullptr;
    int32_t id = 0;
    image.status = waitForQueuedImage(handle, timeoutMs, &memory, &id);
    if (image.status != VYRA_SUCCESS)
        return image;
    image.status = describeFrame(handle, id, &image.descriptor, sizeof image.descriptor);
    const VyraFrameDescriptor &d = image.descriptor;
    // Every fourth sample of every fourth line is plenty for a mean.
    double sum = 0.0;
    long samples = 0;
    for (int y = 0; y < d.height; y += 4) {
        const auto *line = reinterpret_cast<const uint8_t *>(memory) + size_t(y) * d.linePitch;
        for (int x = 0; x < d.width * 3; x += 4, ++samples)
            sum += line[x];
    }
    image.mean = samples > 0 ? sum / double(samples) : 0.0;
    unlockRingBuffer(handle, id, memory);
    return image;
}

bool prepareRing(VyraHandle handle)
{
    VyraRect aoi{};
    if (!ok(aoiControl(handle, VYRA_AOI_GET, &aoi, sizeof aoi), "aoiControl"))
        return false;
    for (int i = 0; i < bufferCount; ++i) {
        char *memory = nullptr;
        int32_t id = 0;
        if (!ok(allocateFrameBuffer(handle, aoi.width, aoi.height, VYRA_BITS_PER_PIXEL_RGB8,
                                    &memory, &id),
                "allocateFrameBuffer") ||
            !ok(appendToBufferRing(handle, memory, id), "appendToBufferRing"))
            return false;
    }
    std::printf("image size %d x %d\n", aoi.width, aoi.height);
    return ok(enableImageQueue(handle, VYRA_QUEUE_MODE_DEFAULT), "enableImageQueue");
}

/// The mean brightness of an image of each set's exposure, one software
/// trigger each.
bool calibrate(VyraHandle handle, double *means)
{
    if (!ok(selectTriggerSource(handle, VYRA_TRIGGER_SINGLE), "selectTriggerSource") ||
        !ok(startLiveCapture(handle, VYRA_CAPTURE_START), "startLiveCapture"))
        return false;
    for (int set = 0; set < setCount; ++set) {
        if (!ok(setExposure(handle, setExposures[set]), "setExposure") ||
            !ok(captureSingleFrame(handle), "captureSingleFrame"))
            return false;
        const Image image = nextImage(handle, 5000);
        if (!ok(image.status, "waitForQueuedImage"))
            return false;
        means[set] = image.mean;
        std::printf("set %d, %.0f ms: brightness %.1f\n", set, setExposures[set], image.mean);
    }
    return ok(stopLiveCapture(handle, VYRA_CAPTURE_FORCE_STOP), "stopLiveCapture");
}

bool writeSequence(VyraHandle handle)
{
    int64_t feature = VYRA_FEATURE_EXPOSURE;
    bool done =
        ok(sequencerControl(handle, VYRA_SEQUENCER_RESET, nullptr, 0), "reset") &&
        ok(sequencerCommand(handle, VYRA_SEQUENCER_CONFIGURATION_SET, 1), "configuration") &&
        ok(sequencerControl(handle, VYRA_SEQUENCER_FEATURE_SELECT, &feature, 8), "feature") &&
        ok(sequencerCommand(handle, VYRA_SEQUENCER_FEATURE_ENABLE, 1), "enable");
    for (int32_t set = 0; done && set < setCount; ++set) {
        VyraPathRecord path{0, (set + 1) % setCount, VYRA_SEQUENCER_TRIGGER_FRAME_END, 0};
        done = ok(sequencerCommand(handle, VYRA_SEQUENCER_SELECT_SET, set), "select") &&
               ok(setExposure(handle, setExposures[set]), "setExposure") &&
               ok(sequencerControl(handle, VYRA_SEQUENCER_PATH_SET, &path, sizeof path), "path") &&
               ok(sequencerControl(handle, VYRA_SEQUENCER_SAVE_SET, nullptr, 0), "save");
    }
    return done &&
           ok(sequencerCommand(handle, VYRA_SEQUENCER_CONFIGURATION_SET, 0), "configuration");
}

/// The set whose calibrated brightness is nearest to mean.
int judgedSet(double mean, const double *means)
{
    int nearest = 0;
    for (int set = 1; set < setCount; ++set) {
        if (std::abs(mean - means[set]) < std::abs(mean - means[nearest]))
            nearest = set;
    }
    return nearest;
}

/// Runs the camera free at rate for seconds, with the sequence or (as live
/// video to compare with) without, and prints the figures.
bool measure(VyraHandle handle, double rate, bool sequence, int seconds, const double *means)
{
    double rateSet = 0.0;
    if (!ok(requestFrameRate(handle, rate, &rateSet), "requestFrameRate") ||
        !ok(selectTriggerSource(handle, VYRA_TRIGGER_OFF), "selectTriggerSource") ||
        !ok(sequencerCommand(handle, VYRA_SEQUENCER_MODE_SET, sequence ? 1 : 0),
            "sequencer mode") ||
        !ok(startLiveCapture(handle, VYRA_CAPTURE_START), "startLiveCapture"))
        return false;
    // A second to settle, then the measured run.
    const Clock::time_point settled = Clock::now() + std::chrono::seconds(1);
    while (Clock::now() < settled)
        nextImage(handle, 100);

    int received = 0;
    int labelledRight = 0;
    uint64_t firstFrame = 0;
    uint64_t lastFrame = 0;
    uint32_t firstDropped = 0;
    uint32_t lastDropped = 0;
    const double cpuStart = cpuSeconds();
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = start + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        const Image image = nextImage(handle, 1000);
        if (image.status != VYRA_SUCCESS)
            continue;
        const VyraFrameDescriptor &d = image.descriptor;
        if (received == 0) {
            firstFrame = d.frameNumber;
            firstDropped = d.droppedFrames;
        }
        lastFrame = d.frameNumber;
        lastDropped = d.droppedFrames;
        ++received;
        if (sequence && judgedSet(image.mean, means) == int(d.sequencerSet))
            ++labelledRight;
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = cpuSeconds() - cpuStart;
    ok(stopLiveCapture(handle, VYRA_CAPTURE_FORCE_STOP), "stopLiveCapture");
    ok(sequencerCommand(handle, VYRA_SEQUENCER_MODE_SET, 0), "sequencer mode");

    // Frames the driver numbered but never queued, and triggers it gave up
    // or images that found no free buffer.
    const uint64_t gaps = received > 0 ? lastFrame - firstFrame + 1 - uint64_t(received) : 0;
    const uint64_t lost = gaps + (lastDropped - firstDropped);
    std::printf("%s, requested %.1f fps (camera set %.1f): %.1f images per second received",
                sequence ? "sequence" : "live video", rate, rateSet, received / elapsed);
    if (sequence)
        std::printf(", %.1f %% labelled right (%d of %d)",
                    received > 0 ? 100.0 * labelledRight / received : 0.0, labelledRight, received);
    std::printf(", %llu lost, CPU %.1f %% of one core\n", static_cast<unsigned long long>(lost),
                100.0 * cpu / elapsed);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    std::vector<double> rates;
    for (int i = 2; i < argc; ++i)
        rates.push_back(std::atof(argv[i]));
    if (rates.empty())
        rates = {30.0, 1000.0};

    const int32_t deviceId = findGigeCamera();
    if (deviceId == 0) {
        std::fprintf(stderr, "no GigE Vision camera found\n");
        return 1;
    }
    VyraHandle handle = VyraHandle(deviceId) | VYRA_USE_DEVICE_ID;
    if (!ok(openCamera(&handle, nullptr), "openCamera"))
        return 1;
    double means[setCount] = {};
    bool done = prepareRing(handle) && calibrate(handle, means) && writeSequence(handle);
    for (double rate : rates) {
        for (bool sequence : {false, true}) {
            if (done)
                done = measure(handle, rate, sequence, seconds, means);
        }
    }
    closeCamera(handle);
    return done ? 0 : 1;
}
