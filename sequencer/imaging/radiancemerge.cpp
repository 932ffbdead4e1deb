#include "radiancemerge.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <stdexcept>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

#include "parallelbands.h"

namespace {

// Lines per piece of work: enough to make a piece worth handing to a
// thread, few enough that two cores finish at about the same time.
constexpr int linesPerBand = 32;
constexpr int clipped = 255;

/// What one image adds to a pixel's sums: per channel and value the
/// weighted light per millisecond at unit gain and the weight, and the
/// least light per millisecond at unit gain that clips.
struct ImageTable
{
    /// Light and weight of channel c and value v at 2 (256 c + v) and after.
    std::array<float, 2 * 3 * 256> lightAndWeight;
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

#if defined(__SSE2__)
/// A weighted light and its weight, in the low half of a register: one
/// load and one addition for both.
using Pair = __m128;

Pair zeroPair()
{
    return _mm_setzero_ps();
}

Pair loadPair(const float *at)
{
    return _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64 *>(at));
}

Pair addPairs(Pair a, Pair b)
{
    return _mm_add_ps(a, b);
}

void storePair(float *at, Pair pair)
{
    _mm_storel_pi(reinterpret_cast<__m64 *>(at), pair);
}
#else
struct Pair
{
    float light;
    float weight;
};

Pair zeroPair()
{
    return {0.0f, 0.0f};
}

Pair loadPair(const float *at)
{
    return {at[0], at[1]};
}

Pair addPairs(Pair a, Pair b)
{
    return {a.light + b.light, a.weight + b.weight};
}

void storePair(float *at, Pair pair)
{
    at[0] = pair.light;
    at[1] = pair.weight;
}
#endif

/// Adds what the values of N images' lines hold to the sums of weighted
/// light and weight (a pair per value), or starts the sums with them. One
/// pass over the line for up to three images: the sums stay in registers
/// between them.
template<int N, bool Add>
void accumulate(const uchar *const *lines, const float *const *tables, float *sums, size_t values)
{
    const uchar *in[N];
    const float *table[N];
    for (int image = 0; image < N; ++image) {
        in[image] = lines[image];
        table[image] = tables[image];
    }
    for (size_t k = 0; k < values; k += 3) {
        unrolled<3>([&](auto channel) {
            float *sum = sums + 2 * (k + channel);
            Pair total = Add ? loadPair(sum) : zeroPair();
            unrolled<N>([&](auto image) {
                total = addPairs(
                    total, loadPair(table[image] + 2 * (channel * 256 + in[image][k + channel])));
            });
            storePair(sum, total);
        });
    }
}

void accumulate(const uchar *const *lines, const float *const *tables, int images, bool add,
                float *sums, size_t values)
{
    using Kernel = void (*)(const uchar *const *, const float *const *, float *, size_t);
    static constexpr Kernel kernels[2][3] = {
        {accumulate<1, false>, accumulate<2, false>, accumulate<3, false>},
        {accumulate<1, true>, accumulate<2, true>, accumulate<3, true>}};
    kernels[add ? 1 : 0][images - 1](lines, tables, sums, values);
}

/// out = light / weight of each pair, four values a step where the
/// processor can; 0 where the weight is 0.
void divide(const float *sums, float *out, size_t values)
{
    size_t k = 0;
#if defined(__SSE2__)
    // Where every weight is 0 so is every weighted light: 0 / FLT_MIN is 0.
    const __m128 least = _mm_set1_ps(FLT_MIN);
    for (; k + 4 <= values; k += 4) {
        const __m128 low = _mm_loadu_ps(sums + 2 * k);
        const __m128 high = _mm_loadu_ps(sums + 2 * k + 4);
        const __m128 light = _mm_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 weight = _mm_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1));
        _mm_storeu_ps(out + k, _mm_div_ps(light, _mm_max_ps(weight, least)));
    }
#endif
    for (; k < values; ++k)
        out[k] = sums[2 * k + 1] > 0.0f ? sums[2 * k] / sums[2 * k + 1] : 0.0f;
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
            for (size_t value = 0; value < 256; ++value) {
                table.lightAndWeight[2 * (channel * 256 + value)] =
                    float(m_weights[channel][value] * curve[value] * perLight);
                table.lightAndWeight[2 * (channel * 256 + value) + 1] = m_weights[channel][value];
            }
            table.clipBound[channel] = float(curve[clipped] * perLight);
        }
    }

    RadianceImage result = RadianceImage::unfilled(size, bracket.first().aoiOffset);
    result.setProvenance(provenance);
    float *const radiance = result.line(0);
    quint8 *const marks = result.marks(0);
    std::vector<const float *> lightTables;
    for (const ImageTable &table : tables)
        lightTables.push_back(table.lightAndWeight.data());

    const auto mergeBand = [&](int top, int bottom) {
        const size_t values = size_t(width) * 3;
        std::vector<float> sums(2 * values);
        const auto weightAt = [&sums](size_t k) { return sums[2 * k + 1]; };
        std::vector<const uchar *> lines(static_cast<size_t>(count));
        for (int y = top; y < bottom; ++y) {
            for (int index = 0; index < count; ++index)
                lines[size_t(index)] = images[size_t(index)].constScanLine(y);
            for (int first = 0; first < count; first += 3)
                accumulate(lines.data() + first, lightTables.data() + first,
                           std::min(3, count - first), first > 0, sums.data(), values);

            float *out = radiance + size_t(y) * values;
            divide(sums.data(), out, values);
            quint8 *mark = marks + size_t(y) * size_t(width);
            for (int x = 0; x < width; ++x) {
                const size_t k = size_t(x) * 3;
                if (weightAt(k) > 0.0f && weightAt(k + 1) > 0.0f && weightAt(k + 2) > 0.0f) {
                    mark[x] = 0;
                    continue;
                }
                quint8 pixelMark = 0;
                int crushedChannels = 0;
                for (size_t channel = 0; channel < 3; ++channel) {
                    if (weightAt(k + channel) > 0.0f)
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

    ParallelBands::run(size.height(), linesPerBand, mergeBand);
    return result;
}
