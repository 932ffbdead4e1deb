// What judging the exposure costs per image: the histogram of one camera
// image (sampled, as the Histogram dock counts it, and every pixel), and,
// when the application is built with exposure fusion, the fusion of a
// three-image bracket at the "High dynamic range" dock's preview width and
// at full size. A running three-set sequence at 10 images a second
// completes 3.3 cycles a second: the preview keeps up while a fusion takes
// less than 300 ms.

#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QTextStream>

#include <time.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "imagehistogram.h"
#include "vyrabuildoptions.h"
#if VYRA_EXPOSURE_FUSION
#include "exposurefusion.h"
#include "hdrdock.h"
#endif

namespace {

double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

/// A textured scene over twelve stops as taken with an exposure factor.
QImage sceneImage(const QSize &size, double exposure)
{
    QImage image(size, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y) {
        uchar *pixel = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, pixel += 3) {
            const double radiance = 0.8 * std::exp2(-12.0 + 12.0 * x / (image.width() - 1));
            const double texture = ((x / 8 + y / 8) % 2) ? 1.2 : 0.85;
            for (int channel = 0; channel < 3; ++channel) {
                const double value = 255.0 * radiance * (1.0 - 0.2 * channel) * texture * exposure;
                pixel[channel] = uchar(std::clamp(std::lround(value), 0L, 255L));
            }
        }
    }
    return image;
}

/// Wall and CPU milliseconds per run of work.
void measure(QTextStream &out, const QString &what, int rounds, const std::function<void()> &work)
{
    work(); // warm-up
    QElapsedTimer timer;
    const double cpuBefore = cpuMs();
    timer.start();
    for (int i = 0; i < rounds; ++i)
        work();
    const double wall = double(timer.nsecsElapsed()) / 1e6 / rounds;
    const double cpu = (cpuMs() - cpuBefore) / rounds;
    out << what.leftJustified(48) << QString::number(wall, 'f', 1).rightJustified(9)
        << QString::number(cpu, 'f', 1).rightJustified(9) << "\n";
    out.flush();
}

} // namespace

int main()
{
    QTextStream out(stdout);
    out << "work" << QString().leftJustified(44) << "wall ms   CPU ms\n";
    for (const QSize &size : {QSize(1280, 1024), QSize(1936, 1216)}) {
        const QImage image = sceneImage(size, 16.0);
        const QString name = QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
        measure(out, QStringLiteral("histogram, sampled, ") + name, 50,
                [&] { ImageHistogram::of(image); });
        measure(out, QStringLiteral("histogram, every pixel, ") + name, 20,
                [&] { ImageHistogram::of(image, qint64(size.width()) * size.height()); });
    }
#if VYRA_EXPOSURE_FUSION
    const QSize sensor(1280, 1024);
    const QList<QImage> bracket = {sceneImage(sensor, 1.0), sceneImage(sensor, 16.0),
                                   sceneImage(sensor, 256.0)};
    measure(out,
            QStringLiteral("fusion of 3 x 1280 x 1024, preview %1 wide").arg(HdrDock::previewWidth),
            20, [&] { ExposureFusion::fuse(bracket, HdrDock::previewWidth); });
    measure(out, QStringLiteral("fusion of 3 x 1280 x 1024, full size"), 5,
            [&] { ExposureFusion::fuse(bracket); });
#else
    out << "exposure fusion: not built (VYRA_OPENCV=OFF or OpenCV's photo module missing)\n";
#endif
    return 0;
}
