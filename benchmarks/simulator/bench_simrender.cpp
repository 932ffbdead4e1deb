// Speed of the simulated driver: frame synthesis at the full size of both
// default sensors against memcpy of the same bytes, and the driver's CPU
// time per second while it delivers 30 frames per second.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>
#include <vector>

#include "scenerenderer.h"
#include "simcontrol.h"
#include "vyradriver.h"

namespace {

using Clock = std::chrono::steady_clock;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double processCpuSeconds()
{
    timespec time{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
    return double(time.tv_sec) + double(time.tv_nsec) * 1e-9;
}

template<class Work> double medianMs(int rounds, Work &&work)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const Clock::time_point start = Clock::now();
        work(i);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return median(times);
}

void synthesis(int width, int height)
{
    constexpr int rounds = 41;
    const VyraSim::SceneRenderer renderer(width, height);
    const int pitch = (width * 3 + 3) / 4 * 4;
    std::vector<uint8_t> image(size_t(pitch) * size_t(height));
    std::vector<uint8_t> source(image.size(), 0x5A);

    VyraSim::SceneRenderer::Frame frame;
    frame.width = width;
    frame.height = height;
    frame.channelFactors = {1.2, 1.1, 1.3}; // some exposure and gain: the table pass runs
    frame.stamp = "FRAME 1 SET -";
    // A first frame outside the measurement, as a camera's first image is.
    renderer.render(frame, image.data(), pitch);

    const double renderMs = medianMs(rounds, [&](int i) {
        frame.frameNumber = uint64_t(i);
        renderer.render(frame, image.data(), pitch);
    });
    const double copyMs = medianMs(rounds, [&](int i) {
        source[size_t(i)] = uint8_t(i);
        std::memcpy(image.data(), source.data(), source.size());
    });
    std::printf("synthesis %dx%d: %.2f ms per frame (median of %d), memcpy of the same %.1f MB: "
                "%.2f ms, ratio %.2f (goal at most 4)\n",
                width, height, renderMs, rounds, double(source.size()) / 1e6, copyMs,
                renderMs / copyMs);
}

void driverLoad(int32_t deviceId, double fps, double seconds)
{
    VyraHandle handle = VyraHandle(deviceId) | VYRA_USE_DEVICE_ID;
    if (openCamera(&handle, nullptr) != VYRA_SUCCESS) {
        std::printf("driver load: cannot open device %d\n", deviceId);
        return;
    }
    VyraRect aoi{};
    aoiControl(handle, VYRA_AOI_GET, &aoi, sizeof aoi);
    for (int i = 0; i < 8; ++i) {
        char *memory = nullptr;
        int32_t id = 0;
        allocateFrameBuffer(handle, aoi.width, aoi.height, 24, &memory, &id);
        appendToBufferRing(handle, memory, id);
    }
    enableImageQueue(handle, VYRA_QUEUE_MODE_DEFAULT);
    double fpsSet = 0.0;
    requestFrameRate(handle, fps, &fpsSet);
    startLiveCapture(handle, VYRA_CAPTURE_START);

    // A consumer that only takes and gives back buffers, as a capture thread
    // that converts nothing would.
    std::atomic<bool> stop{false};
    std::atomic<int> frames{0};
    std::thread consumer([&] {
        while (!stop) {
            char *memory = nullptr;
            int32_t id = 0;
            if (waitForQueuedImage(handle, 200, &memory, &id) == VYRA_SUCCESS) {
                ++frames;
                unlockRingBuffer(handle, id, memory);
            }
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // settle
    const int framesBefore = frames;
    const double cpuBefore = processCpuSeconds();
    const Clock::time_point start = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = processCpuSeconds() - cpuBefore;
    const int delivered = frames - framesBefore;
    stop = true;
    consumer.join();
    stopLiveCapture(handle, VYRA_CAPTURE_FORCE_STOP);
    closeCamera(handle);
    std::printf("driver load %dx%d at %.0f fps requested: %.1f frames per second delivered, "
                "%.0f ms CPU per second (%.1f %% of one core)\n",
                aoi.width, aoi.height, fpsSet, delivered / wall, cpu / wall * 1000.0,
                cpu / wall * 100.0);
}

} // namespace

int main()
{
    VyraSim::Control::resetToDefaults();
    VyraSim::Control::setCallLogEnabled(false);
    for (const VyraSim::CameraSpec &description : VyraSim::defaultCameras()) {
        if (!description.inUseElsewhere)
            synthesis(description.sensorWidth, description.sensorHeight);
    }
    driverLoad(2, 30.0, 3.0);
    driverLoad(1, 30.0, 3.0);
    return 0;
}
