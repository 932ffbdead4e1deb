#include "radiancemerge.h"

#include <QtConcurrent>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

namespace {

// Lines per piece of work: enough to make a piece worth handing to a
// thread, few enough that two cores finish at about the same time.
constexpr int linesPerBand = 32;
constexpr int clipped = 255;

/// What one image adds to a pixel's sums: per channel and value the
/// weighted light per millisecond at unit gain, and the least light per
/// millisecond at unit gain that clips.
struct ImageTable
{
    std::array<float, 3 * 256> weightedLight;
    std::array<float, 3> clipBound;
};

/// Calls f(0), ..., f(N - 1), written out rather than looped: the loops
/// below are short and run millions of times, and the compiler would keep
/// them loops.
template<typename F, size_t... I> inline void callEach(F &f, std::index_sequence<I...>)
{
    (f(std::integral_constant<size_t, I>()), ...);
}

template<size_t N, typename F> inline void unrolled(F &&f)
{
    callEach(f, std::make_index_sequence<N>());
}

/// Adds what the values of N images' lines hold to the sums of weighted
/// light and of weights, or starts the sums with them. One pass over the
/// line for up to three images: the sums stay in registers between them.
template<int N, bool Add>
void accumulate(const uchar *const *lines, const float *const *lights, const float *weights,
                float *sum, float *weightSum, size_t values)
{
    const uchar *in[N];
    const float *light[N];
    for (int image = 0; image < N; ++image) {
        in[image] = lines[image];
        light[image] = lights[image];
    }
    for (size_t k = 0; k < values; k += 3) {
        unrolled<3>([&](auto channel) {
            float lightSum = Add ? sum[k + channel] : 0.0f;
            float weightTotal = Add ? weightSum[k + channel] : 0.0f;
            unrolled<N>([&](auto image) {
                const size_t entry = channel * 256 + in[image][k + channel];
                lightSum += light[image][entry];
                weightTotal += weights[entry];
            });
            sum[k + channel] = lightSum;
            weightSum[k + channel] = weightTotal;
        });
    }
}

void accumulate(const uchar *const *lines, const float *const *lights, int images, bool add,
                const float *weights, float *sum, float *weightSum, size_t values)
{
    using Kernel = void (*)(const uchar *const *, const float *const *, const float *, float *,
                            float *, size_t);
    static constexpr Kernel kernels[2][3] = {
        {accumulate<1, false>, accumulate<2, false>, accumulate<3, false>},
        {accumulate<1, true>, accumulate<2, true>, accumulate<3, true>}};
    kernels[add ? 1 : 0][images - 1](lines, lights, weights, sum, weightSum, values);
}

/// out = sum / weightSum, four values a step where the processor can; a
/// weight sum of zero gives no number, which the caller replaces.
void divide(const float *sum, const float *weightSum, float *out, size_t values)
{
    size_t k = 0;
#if defined(__SSE2__)
    for (; k + 4 <= values; k += 4)
        _mm_storeu_ps(out + k, _mm_div_ps(_mm_loadu_ps(sum + k), _mm_loadu_ps(weightSum + k)));
#endif
    for (; k < values; ++k)
        out[k] = weightSum[k] > 0.0f ? sum[k] / weightSum[k] : 0.0f;
}

QString nameOf(const RadianceMerge::Exposure &exposure, int index)
{
    return exposure.set >= 0 ? QStringLiteral("set %1").arg(exposure.set)
                             : QStringLiteral("image %1").arg(index + 1);
}

QString pointText(const QPoint &point)
{
    return QStringLiteral("(%1, %2)").arg(point.x()).arg(point.y());
}

QString sizeText(const QSize &size)
{
    return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

} // namespace

RadianceMerge::RadianceMerge(const QString &cameraModel, const CameraResponse &response)
    : m_cameraModel(cameraModel), m_response(response)
{
    // The hat rises from black to half way up the response's light and falls
    // to clipping; both ends say nothing of the light and weigh nothing.
    for (size_t channel = 0; channel < 3; ++channel) {
        const CameraResponse::Curve &curve = response.curve(int(channel));
        const float black = curve.front();
        const float span = curve.back() - black;
        for (size_t value = 0; value < 256; ++value) {
            const float share = (curve[value] - black) / span;
            m_weights[channel][value] = std::max(0.0f, 1.0f - std::abs(2.0f * share - 1.0f));
        }
        m_weights[channel].front() = 0.0f;
        m_weights[channel].back() = 0.0f;
    }
}

void RadianceMerge::check(const QVector<Exposure> &bracket)
{
    if (bracket.isEmpty())
        throw std::runtime_error("A radiance merge needs at least one image.");
    const Exposure &first = bracket.first();
    for (int index = 0; index < bracket.size(); ++index) {
        const Exposure &exposure = bracket.at(index);
        const QString name = nameOf(exposure, index);
        if (exposure.image.isNull())
            throw std::runtime_error(
                QStringLiteral("The image of %1 has no pixels.").arg(name).toStdString());
        if (!std::isfinite(exposure.exposureMs) || exposure.exposureMs <= 0.0)
            throw std::runtime_error(QStringLiteral("The exposure of %1 (%2 ms) is not positive.")
                                         .arg(name)
                                         .arg(exposure.exposureMs)
                                         .toStdString());
        if (!exposure.gain.isValid())
            throw std::runtime_error(
                QStringLiteral("The gains of %1 lie outside 0 to 100.").arg(name).toStdString());
        if (exposure.image.size() != first.image.size())
            throw std::runtime_error(
                QStringLiteral("The images differ in size: %1 is %2, %3 is %4.")
                    .arg(nameOf(first, 0), sizeText(first.image.size()), name,
                         sizeText(exposure.image.size()))
                    .toStdString());
        if (exposure.aoiOffset != first.aoiOffset)
            throw std::runtime_error(
                QStringLiteral("The images differ in AOI offset: %1 was taken at %2, %3 at %4.")
                    .arg(nameOf(first, 0), pointText(first.aoiOffset), name,
                         pointText(exposure.aoiOffset))
                    .toStdString());
    }
}

RadianceImage RadianceMerge::merge(const QVector<Exposure> &bracket) const
{
    check(bracket);
    const QSize size = bracket.first().image.size();
    const int width = size.width();
    const int count = bracket.size();

    RadianceImage::Provenance provenance;
    provenance.cameraModel = m_cameraModel;
    provenance.response = m_response.origin();
    provenance.gainKnown = CameraGain::isKnown(m_cameraModel);
    std::vector<QImage> images;
    std::vector<ImageTable> tables(static_cast<size_t>(count));
    for (int index = 0; index < count; ++index) {
        const Exposure &exposure = bracket.at(index);
        images.push_back(exposure.image.format() == QImage::Format_RGB888
                             ? exposure.image
                             : exposure.image.convertToFormat(QImage::Format_RGB888));
        const std::array<double, 3> gain = CameraGain::linearFactors(m_cameraModel, exposure.gain);
        provenance.sources.append(
            {exposure.set, exposure.frameNumber, exposure.exposureMs, exposure.gain, gain});
        ImageTable &table = tables[size_t(index)];
        for (size_t channel = 0; channel < 3; ++channel) {
            const double perLight = 1.0 / (exposure.exposureMs * gain[channel]);
            const CameraResponse::Curve &curve = m_response.curve(int(channel));
            for (size_t value = 0; value < 256; ++value)
                table.weightedLight[channel * 256 + value] =
                    float(m_weights[channel][value] * curve[value] * perLight);
            table.clipBound[channel] = float(curve[clipped] * perLight);
        }
    }

    RadianceImage result = RadianceImage::unfilled(size, bracket.first().aoiOffset);
    result.setProvenance(provenance);
    float *const radiance = result.line(0);
    quint8 *const marks = result.marks(0);
    std::array<float, 3 * 256> weights;
    for (size_t channel = 0; channel < 3; ++channel)
        std::copy(m_weights[channel].begin(), m_weights[channel].end(),
                  weights.begin() + ptrdiff_t(channel * 256));

    std::vector<const float *> lights;
    for (const ImageTable &table : tables)
        lights.push_back(table.weightedLight.data());

    const auto mergeBand = [&](int top) {
        const int bottom = std::min(top + linesPerBand, size.height());
        const size_t values = size_t(width) * 3;
        std::vector<float> sum(values);
        std::vector<float> weightSum(values);
        std::vector<const uchar *> lines(static_cast<size_t>(count));
        for (int y = top; y < bottom; ++y) {
            for (int index = 0; index < count; ++index)
                lines[size_t(index)] = images[size_t(index)].constScanLine(y);
            for (int first = 0; first < count; first += 3)
                accumulate(lines.data() + first, lights.data() + first, std::min(3, count - first),
                           first > 0, weights.data(), sum.data(), weightSum.data(), values);

            float *out = radiance + size_t(y) * values;
            divide(sum.data(), weightSum.data(), out, values);
            quint8 *mark = marks + size_t(y) * size_t(width);
            for (int x = 0; x < width; ++x) {
                const size_t k = size_t(x) * 3;
                if (weightSum[k] > 0.0f && weightSum[k + 1] > 0.0f && weightSum[k + 2] > 0.0f) {
                    mark[x] = 0;
                    continue;
                }
                quint8 pixelMark = 0;
                int crushedChannels = 0;
                for (size_t channel = 0; channel < 3; ++channel) {
                    if (weightSum[k + channel] > 0.0f)
                        continue;
                    // No image saw this channel between black and clipping.
                    // Clipped somewhere, the light is at least what clips
                    // the shortest of those images; otherwise it is black.
                    float bound = 0.0f;
                    for (int index = 0; index < count; ++index) {
                        if (lines[size_t(index)][k + channel] == clipped)
                            bound = std::max(bound, tables[size_t(index)].clipBound[channel]);
                    }
                    out[k + channel] = bound;
                    if (bound > 0.0f)
                        pixelMark |= RadianceImage::Clipped;
                    else
                        ++crushedChannels;
                }
                if (crushedChannels == 3)
                    pixelMark |= RadianceImage::Crushed;
                mark[x] = pixelMark;
            }
        }
    };

    QVector<int> bandTops;
    for (int top = 0; top < size.height(); top += linesPerBand)
        bandTops.append(top);
    QtConcurrent::blockingMap(bandTops, mergeBand);
    return result;
}
