#include "tonemapper.h"


#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "parallelbands.h"
#include "radianceimage.h"

namespace {

constexpr int linesPerBand = 32;
// The luminance Reinhard's operator puts the image's log average at.
constexpr float middleGrey = 0.18f;
// Statistics come from a grid of at most about this many pixels.
constexpr int statisticsSamples = 1 << 16;
constexpr int encodingSteps = 4096;
// Exposures beyond this many stops either way show nothing more.
constexpr double maximumStops = 32.0;

/// log2 of a positive x to within 3e-5: the exponent from the float's
/// bits, the mantissa's logarithm from a polynomial fitted on [1, 2).
/// Several times as fast as std::log, which a full frame would call a
/// million times.
float fastLog2(float x)
{
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const float exponent = float(int((bits >> 23) & 0xff) - 127);
    bits = (bits & 0x007fffffu) | 0x3f800000u;
    float mantissa;
    std::memcpy(&mantissa, &bits, sizeof mantissa);
    const float t = mantissa - 1.0f;
    return exponent +
           t * (1.4418255f +
                t * (-0.7086789f + t * (0.4154112f + t * (-0.1944083f + t * 0.0458790f))));
}

float luminance(const float *rgb)
{
    return 0.2126f * rgb[0] + 0.7152f * rgb[1] + 0.0722f * rgb[2];
}

/// sRGB codes of screen light 0 to 1 in encodingSteps steps.
const std::array<uchar, encodingSteps + 1> &srgbCodes()
{
    static const std::array<uchar, encodingSteps + 1> codes = [] {
        std::array<uchar, encodingSteps + 1> table{};
        for (int step = 0; step <= encodingSteps; ++step) {
            const double light = double(step) / encodingSteps;
            const double encoded =
                light <= 0.0031308 ? 12.92 * light : 1.055 * std::pow(light, 1.0 / 2.4) - 0.055;
            table[size_t(step)] = uchar(std::lround(encoded * 255.0));
        }
        return table;
    }();
    return codes;
}

/// The log-average and the largest luminance, from a grid over the image.
struct Statistics
{
    float logAverage = 1.0f;
    float maximum = 1.0f;
};

Statistics statisticsOf(const RadianceImage &radiance)
{
    const int step = std::max(
        1, int(std::sqrt(double(radiance.width()) * radiance.height() / statisticsSamples)));
    double logSum = 0.0;
    int counted = 0;
    float maximum = 0.0f;
    for (int y = step / 2; y < radiance.height(); y += step) {
        const float *line = radiance.constLine(y);
        const quint8 *marks = radiance.constMarks(y);
        for (int x = step / 2; x < radiance.width(); x += step) {
            const float value = luminance(line + x * 3);
            maximum = std::max(maximum, value);
            if (value > 0.0f && !(marks[x] & RadianceImage::Crushed)) {
                logSum += std::log(double(value));
                ++counted;
            }
        }
    }
    Statistics statistics;
    if (counted > 0)
        statistics.logAverage = float(std::exp(logSum / counted));
    if (maximum > 0.0f)
        statistics.maximum = maximum;
    return statistics;
}

} // namespace

QImage ToneMapper::map(const RadianceImage &radiance, Operator op, double exposureStops,
                       int maximumWidth)
{
    if (radiance.isNull())
        return QImage();
    const int width = radiance.width();
    const int height = radiance.height();
    const bool smaller = maximumWidth > 0 && width > maximumWidth;
    const int outWidth = smaller ? maximumWidth : width;
    const int outHeight = smaller ? std::max(1, int(qint64(height) * outWidth / width)) : height;
    QImage picture(outWidth, outHeight, QImage::Format_RGB888);

    const Statistics statistics = statisticsOf(radiance);
    // The exposure multiplies every light by 2^stops; each operator then
    // wants the light relative to its own reference.
    const float exposure = float(std::exp2(std::clamp(exposureStops, -maximumStops, maximumStops)));
    const float scale = op == Operator::Reinhard ? exposure * middleGrey / statistics.logAverage
                                                 : exposure / statistics.maximum;
    // log(1 + L) / log(1 + Lmax), L in 1024ths of the brightest pixel's
    // light times 2^stops: the brightest pixel is white; at 0 stops a light
    // 1024 times darker gets a tenth of the screen's light, and every stop
    // more lifts the dark pixels further.
    constexpr float logRange = 1024.0f;
    const float logNormal = 1.0f / fastLog2(1.0f + logRange * exposure);
    const std::array<uchar, encodingSteps + 1> &codes = srgbCodes();

    // Lines are found from the first one: scanLine() would count a detach
    // on every call, from every thread.
    uchar *const pixels = picture.bits();
    const ptrdiff_t lineBytes = picture.bytesPerLine();
    std::vector<int> columns(static_cast<size_t>(outWidth));
    for (int x = 0; x < outWidth; ++x)
        columns[size_t(x)] = int(qint64(x) * width / outWidth);

    const auto mapBand = [&](int top, int bottom) {
        for (int y = top; y < bottom; ++y) {
            const int sourceY = int(qint64(y) * height / outHeight);
            const float *line = radiance.constLine(sourceY);
            const quint8 *marks = radiance.constMarks(sourceY);
            uchar *out = pixels + y * lineBytes;
            for (int x = 0; x < outWidth; ++x, out += 3) {
                const int sourceX = columns[size_t(x)];
                const quint8 mark = marks[sourceX];
                const float *rgb = line + sourceX * 3;
                const float value = luminance(rgb);
                if ((mark & RadianceImage::Clipped) || (mark & RadianceImage::Crushed) ||
                    value <= 0.0f) {
                    const uchar level = (mark & RadianceImage::Clipped) ? 255 : 0;
                    out[0] = out[1] = out[2] = level;
                    continue;
                }
                // Far beyond white, yet a number: infinity would make
                // Reinhard's curve give none.
                const float light = std::min(value * scale, 1e20f);
                const float screen = op == Operator::Reinhard
                                         ? light / (1.0f + light)
                                         : fastLog2(1.0f + logRange * light) * logNormal;
                const float ratio = screen / value * encodingSteps;
                for (int channel = 0; channel < 3; ++channel) {
                    const float step = rgb[channel] * ratio;
                    out[channel] = codes[step >= float(encodingSteps) ? size_t(encodingSteps)
                                         : step > 0.0f                ? size_t(step + 0.5f)
                                                                      : 0];
                }
            }
        }
    };

    ParallelBands::run(outHeight, linesPerBand, mapBand);
    return picture;
}
