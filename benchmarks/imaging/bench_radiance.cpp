// What the radiance of a bracket costs: the merge of three 1280 x 1024
// images (1, 4 and 16 ms) and, in the same run on the same images,
// OpenCV's MergeDebevec with a linear response; the two tone maps at the
// "High dynamic range" dock's preview width and at full size; writing the
// float TIFF and the OpenEXR file. Medians of wall time, with the CPU time
// per run beside them (two threads at work show as CPU above wall).

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTextStream>

#include <time.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "radiancefilewriter.h"
#include "radiancemerge.h"
#include "tonemapper.h"
#include "vyrabuildoptions.h"
#if VYRA_EXPOSURE_FUSION
#include <opencv2/photo.hpp>
#endif

namespace {

constexpr int previewWidth = 320;
const QString model = QStringLiteral("VK1240C");

double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

/// A textured scene over twelve stops, as the simulated camera takes it at
/// an exposure (its values cut down to whole numbers, clipped at 255).
QImage sceneImage(const QSize &size, double exposureMs)
{
    QImage image(size, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y) {
        uchar *pixel = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, pixel += 3) {
            const double perMs = 250.0 * std::exp2(-12.0 + 12.0 * x / (image.width() - 1));
            const double texture = ((x / 8 + y / 8) % 2) ? 1.2 : 0.85;
            for (int channel = 0; channel < 3; ++channel) {
                const double value = perMs * (1.0 - 0.2 * channel) * texture * exposureMs;
                pixel[channel] = uchar(std::min(255.0, std::floor(value)));
            }
        }
    }
    return image;
}

/// Runs work rounds times after a warm-up; prints the median wall time and
/// the mean CPU time of a run, and answers the median.
double measure(QTextStream &out, const QString &what, int rounds, const std::function<void()> &work)
{
    work();
    std::vector<double> walls;
    const double cpuBefore = cpuMs();
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        work();
        walls.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    const double cpu = (cpuMs() - cpuBefore) / rounds;
    std::nth_element(walls.begin(), walls.begin() + rounds / 2, walls.end());
    const double median = walls[size_t(rounds / 2)];
    out << what.leftJustified(52) << QString::number(median, 'f', 1).rightJustified(9)
        << QString::number(cpu, 'f', 1).rightJustified(9) << "\n";
    out.flush();
    return median;
}

} // namespace

int main()
{
    QTextStream out(stdout);
    out << "work" << QString().leftJustified(48) << "wall ms   CPU ms\n";
    const QSize sensor(1280, 1024);
    const QVector<double> exposures{1.0, 4.0, 16.0};
    QVector<RadianceMerge::Exposure> bracket;
    for (double exposureMs : exposures)
        bracket.append({sceneImage(sensor, exposureMs), exposureMs, {}, QPoint(), -1, 0});

    const RadianceMerge merger(model, CameraResponse::ofSensorModel());
    RadianceImage radiance;
    const double ours = measure(out, QStringLiteral("radiance merge, 3 x 1280 x 1024"), 41,
                                [&] { radiance = merger.merge(bracket); });
#if VYRA_EXPOSURE_FUSION
    std::vector<cv::Mat> images;
    std::vector<float> times;
    for (const RadianceMerge::Exposure &exposure : bracket) {
        images.emplace_back(sensor.height(), sensor.width(), CV_8UC3,
                            const_cast<uchar *>(exposure.image.constBits()),
                            size_t(exposure.image.bytesPerLine()));
        times.push_back(float(exposure.exposureMs / 1000.0));
    }
    cv::Mat linear(256, 1, CV_32FC3);
    for (int value = 0; value < 256; ++value)
        linear.at<cv::Vec3f>(value, 0) = cv::Vec3f::all(float(value) + 0.5f);
    const cv::Ptr<cv::MergeDebevec> debevec = cv::createMergeDebevec();
    cv::Mat merged;
    const double opencv =
        measure(out, QStringLiteral("OpenCV MergeDebevec, linear response, same images"), 11,
                [&] { debevec->process(images, merged, times, linear); });
    out << "OpenCV / ours: " << QString::number(opencv / ours, 'f', 1) << " times\n";
#else
    out << "OpenCV MergeDebevec: not built (VYRA_OPENCV=OFF or OpenCV's photo module missing)\n";
#endif

    for (const auto &[name, op] :
         {std::pair{QStringLiteral("Reinhard"), ToneMapper::Operator::Reinhard},
          std::pair{QStringLiteral("logarithmic"), ToneMapper::Operator::Logarithmic}}) {
        measure(out, QStringLiteral("tone map %1, preview %2 wide").arg(name).arg(previewWidth),
                101, [&, op = op] { ToneMapper::map(radiance, op, 0.0, previewWidth); });
        measure(out, QStringLiteral("tone map %1, 1280 x 1024").arg(name), 21,
                [&, op = op] { ToneMapper::map(radiance, op, 0.0); });
    }

    const QTemporaryDir folder(QDir::current().filePath(QStringLiteral("bench-radiance-XXXXXX")));
    for (const RadianceFileFormat format : {RadianceFileFormat::Tiff, RadianceFileFormat::Exr}) {
        if (format == RadianceFileFormat::Exr && !RadianceFileWriter::exrAvailable()) {
            out << "OpenEXR: not built (libopenexr-dev missing or VYRA_OPENEXR=OFF)\n";
            continue;
        }
        const QString suffix = RadianceFileWriter::suffix(format);
        const QString path = folder.filePath(QStringLiteral("cycle-0001-radiance.") + suffix);
        measure(out, QStringLiteral("write 1280 x 1024 radiance as %1").arg(suffix), 11, [&] {
            const QString failure = RadianceFileWriter::write(radiance, format, path);
            if (!failure.isEmpty())
                out << failure << "\n";
        });
        out << "  " << suffix << " file: " << QFileInfo(path).size() / 1024 << " KiB\n";
    }
    return 0;
}
