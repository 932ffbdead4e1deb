#include "responsecalibration.h"

#include <opencv2/photo.hpp>

#include <algorithm>
#include <cmath>
#include <set>
#include <stdexcept>
#include <vector>

#include "cameragain.h"

namespace {

// Pixels Debevec's method solves for: its system grows with their square.
constexpr int samples = 200;
// How strongly the curve is kept smooth against the samples' scatter.
constexpr float smoothness = 10.0f;

} // namespace

CameraResponse ResponseCalibration::calibrate(const QString &cameraModel,
                                              const QVector<RadianceMerge::Exposure> &bracket)
{
    if (bracket.size() < 2)
        throw std::runtime_error("A response is calibrated from at least two images.");
    const QSize size = bracket.first().image.size();
    std::array<std::vector<cv::Mat>, 3> planes;
    std::array<std::vector<float>, 3> times;
    std::set<double> distinct;
    for (const RadianceMerge::Exposure &exposure : bracket) {
        if (exposure.image.isNull() || exposure.image.size() != size)
            throw std::runtime_error("The images of a calibration differ in size.");
        if (exposure.aoiOffset != bracket.first().aoiOffset)
            throw std::runtime_error("The images of a calibration differ in AOI offset.");
        if (!std::isfinite(exposure.exposureMs) || exposure.exposureMs <= 0.0)
            throw std::runtime_error("An exposure of the calibration is not positive.");
        const QImage image = exposure.image.convertToFormat(QImage::Format_RGB888);
        const cv::Mat mat(image.height(), image.width(), CV_8UC3,
                          const_cast<uchar *>(image.constBits()), size_t(image.bytesPerLine()));
        // A gain scales the light as a longer exposure would; each channel
        // has a gain of its own, so each is calibrated on its own.
        const std::array<double, 3> gain = CameraGain::linearFactors(cameraModel, exposure.gain);
        distinct.insert(exposure.exposureMs * gain[1]);
        for (int channel = 0; channel < 3; ++channel) {
            cv::Mat plane;
            cv::extractChannel(mat, plane, channel);
            planes[size_t(channel)].push_back(plane);
            times[size_t(channel)].push_back(
                float(exposure.exposureMs * gain[size_t(channel)] / 1000.0));
        }
    }
    if (distinct.size() < 2)
        throw std::runtime_error("The images of a calibration need different exposures.");

    // OpenCV answers 256 x 1 lights, one for each value, in an arbitrary
    // unit and noisy where few pixels held a value. A response never falls,
    // so a dip is lifted to the light below it.
    std::array<CameraResponse::Curve, 3> curves{};
    try {
        const cv::Ptr<cv::CalibrateDebevec> debevec =
            cv::createCalibrateDebevec(samples, smoothness, false);
        for (size_t channel = 0; channel < 3; ++channel) {
            cv::Mat curve;
            debevec->process(planes[channel], curve, times[channel]);
            for (int value = 0; value < 256; ++value) {
                float &entry = curves[channel][size_t(value)];
                entry = curve.at<float>(value, 0);
                if (value > 0)
                    entry = std::max(entry, curves[channel][size_t(value - 1)]);
            }
        }
    } catch (const cv::Exception &error) {
        throw std::runtime_error(std::string("The response calibration failed: ") + error.what());
    }
    return CameraResponse::calibrated(curves);
}
