// Speed figures of the camera's image path: the conversion of a driver
// buffer into a QImage against a plain memcpy of the same bytes, and how
// many images per second reach imageCaptured() at camera rates of 30 and 60
// frames per second. Prints figures; never fails on them.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <vector>

#include "simcontrol.h"
#include "vyracamera.h"
#include "vyracameraexception.h"
#include "vyraframeconversion.h"

namespace {

constexpr int conversionRounds = 200;
constexpr int captureSeconds = 5;

/// Runs this thread's event loop for ms milliseconds.
void runEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Timing
{
    double medianUs;
    double meanUs;
};

template<typename Work> Timing measure(Work work)
{
    std::vector<double> samples;
    samples.reserve(conversionRounds);
    for (int round = 0; round < conversionRounds + 5; ++round) {
        QElapsedTimer timer;
        timer.start();
        work();
        if (round >= 5) { // the first rounds warm caches and the allocator
            samples.push_back(timer.nsecsElapsed() / 1000.0);
        }
    }
    std::sort(samples.begin(), samples.end());
    const double sum = std::accumulate(samples.begin(), samples.end(), 0.0);
    return Timing{samples[samples.size() / 2], sum / samples.size()};
}

void benchmarkConversion(const char *label, int width, int height)
{
    const int linePitch = (width * 3 + 3) / 4 * 4;
    const size_t bytes = size_t(linePitch) * height;
    std::vector<char> frame(bytes);
    for (size_t index = 0; index < bytes; ++index) {
        frame[index] = char(index * 31);
    }
    std::vector<char> target(bytes);

    volatile int sink = 0;
    const Timing conversion = measure([&] {
        const QSharedPointer<QImage> image =
            convertRgbFrame(frame.data(), width, height, linePitch);
        sink = sink + image->constBits()[bytes / 2];
    });
    const Timing copy = measure([&] {
        std::memcpy(target.data(), frame.data(), bytes);
        sink = sink + target[bytes / 2];
    });
    std::printf("  %-26s %5d x %-5d %6.2f MB  conversion %8.1f us  memcpy %8.1f us  ratio %.2f"
                " (goal <= 1.5)\n",
                label, width, height, bytes / 1e6, conversion.medianUs, copy.medianUs,
                conversion.medianUs / copy.medianUs);
}

void benchmarkCapture(const VyraSim::CameraSpec &description, double fps)
{
    VyraSim::Control::setCameras({description});
    try {
        VyraCamera camera(description.deviceId);
        int images = 0;
        // imageCaptured is emitted on the camera's thread, this one, from its
        // event loop.
        QObject::connect(&camera, &VyraCamera::imageCaptured, &camera,
                         [&images](const QSharedPointer<QImage> &) { ++images; });
        const double rate = camera.setFramerate(fps);
        camera.enableLiveVideo(true);
        runEvents(1000); // settle
        images = 0;
        QElapsedTimer timer;
        timer.start();
        runEvents(captureSeconds * 1000);
        const double seconds = timer.nsecsElapsed() / 1e9;
        const int counted = images;
        camera.enableLiveVideo(false);
        std::printf(
            "  %-12s camera at %5.1f fps: %5.1f images/s reach imageCaptured (%d in %.1f s)\n",
            description.model.c_str(), rate, counted / seconds, counted, seconds);
    } catch (const VyraCameraException &exception) {
        std::printf("  %-12s at %.0f fps: camera failed: %s\n", description.model.c_str(), fps,
                    exception.what());
    }
}

VyraSim::CameraSpec sensor(int32_t deviceId, const char *model, int width, int height)
{
    VyraSim::CameraSpec description;
    description.deviceId = deviceId;
    description.model = model;
    description.cameraName = std::string(model) + "-USB";
    description.sensorWidth = width;
    description.sensorHeight = height;
    return description;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    std::printf("Camera image path\n");
    std::printf("Conversion of one buffer (median of %d):\n", conversionRounds);
    benchmarkConversion("small sensor, full size", 1280, 1024);
    benchmarkConversion("large sensor, full size", 1936, 1216);
    benchmarkConversion("3x binned, padded lines", 426, 341);

    std::printf("Images reaching imageCaptured (over %d s):\n", captureSeconds);
    const VyraSim::CameraSpec small = sensor(1, "VK1240C", 1280, 1024);
    const VyraSim::CameraSpec large = sensor(2, "VK2230C", 1936, 1216);
    for (double fps : {30.0, 60.0}) {
        benchmarkCapture(small, fps);
        benchmarkCapture(large, fps);
    }
    return 0;
}
