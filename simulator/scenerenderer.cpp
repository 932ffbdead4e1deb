#include "scenerenderer.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "framestamp.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace VyraSim {

namespace {

// Reduced copies kept besides the full scene: enough for an application that
// switches between a few binning and subsampling settings.
constexpr size_t cachedPlanes = 3;

// Horizontal bands of the scene, in percent of the sensor height.
constexpr int barsEnd = 28;
constexpr int gradientsEnd = 56;
constexpr int detailEnd = 84;

constexpr int gridStep = 128;
constexpr int labelStep = 256;
constexpr int discSpeed = 8; ///< sensor pixels per frame

struct Rgb
{
    uint8_t r, g, b;
};

// Colour bars at 75 %, so that more exposure or gain visibly brightens them
// before they clip.
constexpr Rgb bars[] = {{191, 191, 191}, {191, 191, 0}, {0, 191, 191}, {0, 191, 0},
                        {191, 0, 191},   {191, 0, 0},   {0, 0, 191},   {16, 16, 16}};
constexpr Rgb background{96, 96, 96};
constexpr Rgb gridColour{48, 48, 48};
constexpr Rgb light{224, 224, 224};
constexpr Rgb dark{24, 24, 24};
constexpr Rgb discColour{255, 150, 0};
constexpr Rgb discRim{60, 30, 0};

class Canvas
{
public:
    Canvas(uint8_t *rgb, int width, int height) : rgb_(rgb), width_(width), height_(height) {}

    void put(int x, int y, Rgb colour)
    {
        uint8_t *pixel = rgb_ + (ptrdiff_t(y) * width_ + x) * 3;
        pixel[0] = colour.r;
        pixel[1] = colour.g;
        pixel[2] = colour.b;
    }

    void fill(int left, int top, int right, int bottom, Rgb colour)
    {
        for (int y = std::max(0, top); y < std::min(height_, bottom); ++y) {
            for (int x = std::max(0, left); x < std::min(width_, right); ++x)
                put(x, y, colour);
        }
    }

    uint8_t *data() const { return rgb_; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    uint8_t *rgb_;
    int width_;
    int height_;
};

uint8_t ramp(int x, int width)
{
    return uint8_t(x * 255 / std::max(1, width - 1));
}

void drawBars(Canvas &canvas, int top, int bottom)
{
    const int count = int(std::size(bars));
    for (int i = 0; i < count; ++i)
        canvas.fill(i * canvas.width() / count, top, (i + 1) * canvas.width() / count, bottom,
                    bars[i]);
}

void drawGradients(Canvas &canvas, int top, int bottom)
{
    const int middle = (top + bottom) / 2;
    const int third = (bottom - middle) / 3;
    for (int x = 0; x < canvas.width(); ++x) {
        const uint8_t v = ramp(x, canvas.width());
        for (int y = top; y < middle; ++y)
            canvas.put(x, y, {v, v, v});
        for (int y = middle; y < bottom; ++y) {
            const int stripe = std::min(2, (y - middle) / std::max(1, third));
            canvas.put(x, y,
                       stripe == 0   ? Rgb{v, 0, 0}
                       : stripe == 1 ? Rgb{0, v, 0}
                                     : Rgb{0, 0, v});
        }
    }
}

// A Siemens star: spokes that get finer towards the centre, where binning
// blurs them and subsampling aliases them.
void drawStar(Canvas &canvas, int left, int right, int top, int bottom)
{
    constexpr int spokes = 48;
    constexpr double pi = 3.14159265358979323846;
    const int cx = (left + right) / 2;
    const int cy = (top + bottom) / 2;
    const int radius = std::min(right - left, bottom - top) / 2 - 4;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const int dx = x - cx;
            const int dy = y - cy;
            if (dx * dx + dy * dy > radius * radius)
                continue;
            const double angle = std::atan2(double(dy), double(dx)) + pi;
            const int sector = int(angle / (2.0 * pi) * spokes * 2);
            canvas.put(x, y, sector % 2 ? dark : light);
        }
    }
}

// Line pairs of periods 2, 4, 6 and 8 pixels: vertical lines in the upper
// half, horizontal lines in the lower half.
void drawLinePairs(Canvas &canvas, int left, int right, int top, int bottom)
{
    const int middle = (top + bottom) / 2;
    const int columnWidth = (right - left) / 4;
    for (int group = 0; group < 4; ++group) {
        const int period = 2 * (group + 1);
        const int groupLeft = left + group * columnWidth + 4;
        const int groupRight = left + (group + 1) * columnWidth - 4;
        for (int y = top + 4; y < bottom - 4; ++y) {
            for (int x = groupLeft; x < groupRight; ++x) {
                const int phase = y < middle ? x - groupLeft : y - middle;
                canvas.put(x, y, phase % period < period / 2 ? light : dark);
            }
        }
    }
}

void drawCheckerboards(Canvas &canvas, int left, int right, int top, int bottom)
{
    const int columnWidth = (right - left) / 4;
    for (int group = 0; group < 4; ++group) {
        const int cell = 1 << group;
        const int groupLeft = left + group * columnWidth + 4;
        const int groupRight = left + (group + 1) * columnWidth - 4;
        for (int y = top + 4; y < bottom - 4; ++y) {
            for (int x = groupLeft; x < groupRight; ++x)
                canvas.put(x, y, ((x - groupLeft) / cell + (y - top) / cell) % 2 ? dark : light);
        }
    }
}

// A ruler along the bottom: ticks every 16 pixels, longer ones every 64 and
// numbered ones every 256, so that the AOI offset can be read off an image.
void drawRuler(Canvas &canvas, int top, int bottom)
{
    canvas.fill(0, top, canvas.width(), bottom, dark);
    const int height = bottom - top;
    for (int x = 0; x < canvas.width(); x += 16) {
        const int length = x % labelStep == 0 ? height : x % 64 == 0 ? height / 2 : height / 4;
        canvas.fill(x, bottom - length, x + 1, bottom, light);
        if (x % labelStep == 0) {
            const std::string label = std::to_string(x);
            FrameStamp::draw(canvas.data(), canvas.width() * 3, canvas.width(), canvas.height(),
                             x + 3, top + 2, label, 2, {light.r, light.g, light.b},
                             {dark.r, dark.g, dark.b});
        }
    }
}

void drawGrid(Canvas &canvas, int bottom)
{
    for (int x = gridStep; x < canvas.width(); x += gridStep)
        canvas.fill(x, 0, x + 1, bottom, gridColour);
    for (int y = gridStep; y < bottom; y += gridStep)
        canvas.fill(0, y, canvas.width(), y + 1, gridColour);
    for (int y = 0; y < bottom; y += labelStep) {
        for (int x = 0; x < canvas.width(); x += labelStep) {
            const std::string label = std::to_string(x) + "," + std::to_string(y);
            FrameStamp::draw(canvas.data(), canvas.width() * 3, canvas.width(),
                             std::min(canvas.height(), bottom), x + 2, y + 2, label, 1,
                             {light.r, light.g, light.b}, {dark.r, dark.g, dark.b});
        }
    }
}

void drawBorder(Canvas &canvas)
{
    canvas.fill(0, 0, canvas.width(), 1, light);
    canvas.fill(0, canvas.height() - 1, canvas.width(), canvas.height(), light);
    canvas.fill(0, 0, 1, canvas.height(), light);
    canvas.fill(canvas.width() - 1, 0, canvas.width(), canvas.height(), light);
}

/// A brightness factor in 8.8 fixed point: what the look-up tables and the
/// vector path both multiply by, so that they give the same bytes.
uint16_t fixedFactor(double factor)
{
    return uint16_t(std::clamp(std::lround(factor * 256.0), 0L, 65535L));
}

std::array<uint8_t, 256> lookUpTable(uint16_t factor)
{
    std::array<uint8_t, 256> table{};
    for (uint32_t v = 0; v < 256; ++v)
        table[v] = uint8_t(std::min<uint32_t>(255, (v * factor) >> 8));
    return table;
}

/// Scales a line of RGB pixels by a factor per channel.
void scaleLine(const uint8_t *in, uint8_t *out, int pixels, const std::array<uint16_t, 3> &factors,
               const std::array<std::array<uint8_t, 256>, 3> &lut)
{
    int x = 0;
#if defined(__SSE2__)
    // Sixteen pixels (48 bytes, three registers) per step; byte i belongs to
    // channel i % 3. (v << 8) * factor >> 16 is the table's v * factor >> 8;
    // adding and subtracting 0xFF00 with saturation clamps to 255.
    __m128i lanes[6];
    for (int half = 0; half < 6; ++half) {
        alignas(16) uint16_t values[8];
        for (int lane = 0; lane < 8; ++lane)
            values[lane] = factors[size_t((half * 8 + lane) % 3)];
        lanes[half] = _mm_load_si128(reinterpret_cast<const __m128i *>(values));
    }
    const __m128i zero = _mm_setzero_si128();
    const __m128i clamp = _mm_set1_epi16(short(0xFF00));
    const auto scale = [&](__m128i bytes, __m128i factor) {
        const __m128i product = _mm_mulhi_epu16(_mm_slli_epi16(bytes, 8), factor);
        return _mm_subs_epu16(_mm_adds_epu16(product, clamp), clamp);
    };
    for (; x + 16 <= pixels; x += 16, in += 48, out += 48) {
        for (int block = 0; block < 3; ++block) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + block * 16));
            const __m128i low = scale(_mm_unpacklo_epi8(v, zero), lanes[block * 2]);
            const __m128i high = scale(_mm_unpackhi_epi8(v, zero), lanes[block * 2 + 1]);
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out + block * 16),
                             _mm_packus_epi16(low, high));
        }
    }
#else
    (void)factors;
#endif
    for (; x < pixels; ++x, in += 3, out += 3) {
        out[0] = lut[0][in[0]];
        out[1] = lut[1][in[1]];
        out[2] = lut[2][in[2]];
    }
}

} // namespace

SceneRenderer::SceneRenderer(int sensorWidth, int sensorHeight)
    : sensorWidth_(sensorWidth), sensorHeight_(sensorHeight)
{
    auto scene = std::make_shared<Plane>();
    scene->width = sensorWidth;
    scene->height = sensorHeight;
    scene->rgb.resize(size_t(sensorWidth) * size_t(sensorHeight) * 3);
    drawScene(*scene);
    scene_ = std::move(scene);
}

void SceneRenderer::drawScene(Plane &scene) const
{
    Canvas canvas(scene.rgb.data(), scene.width, scene.height);
    const int h = scene.height;
    const int w = scene.width;
    canvas.fill(0, 0, w, h, background);
    drawBars(canvas, 0, h * barsEnd / 100);
    drawGradients(canvas, h * barsEnd / 100, h * gradientsEnd / 100);
    const int detailTop = h * gradientsEnd / 100;
    const int detailBottom = h * detailEnd / 100;
    drawStar(canvas, 0, w / 3, detailTop, detailBottom);
    drawLinePairs(canvas, w / 3, 2 * w / 3, detailTop, detailBottom);
    drawCheckerboards(canvas, 2 * w / 3, w, detailTop, detailBottom);
    drawGrid(canvas, detailTop);
    drawRuler(canvas, detailBottom, h);
    drawBorder(canvas);
}

std::shared_ptr<const SceneRenderer::Plane>
SceneRenderer::plane(int binningH, int binningV, int subsamplingH, int subsamplingV) const
{
    if (binningH * binningV * subsamplingH * subsamplingV == 1)
        return scene_;
    const std::array<int, 4> factors{binningH, binningV, subsamplingH, subsamplingV};
    {
        std::lock_guard<std::mutex> lock(cacheMutex_);
        for (auto it = cache_.begin(); it != cache_.end(); ++it) {
            if (it->factors == factors) {
                cache_.splice(cache_.begin(), cache_, it);
                return it->plane;
            }
        }
    }

    // Binning averages a block of pixels; subsampling then skips blocks.
    const int stepH = binningH * subsamplingH;
    const int stepV = binningV * subsamplingV;
    auto reduced = std::make_shared<Plane>();
    reduced->width = sensorWidth_ / stepH;
    reduced->height = sensorHeight_ / stepV;
    reduced->rgb.resize(size_t(reduced->width) * size_t(reduced->height) * 3);
    const uint8_t *source = scene_->rgb.data();
    const int blockSize = binningH * binningV;
    for (int y = 0; y < reduced->height; ++y) {
        uint8_t *out = reduced->rgb.data() + size_t(y) * size_t(reduced->width) * 3;
        for (int x = 0; x < reduced->width; ++x) {
            int sum[3] = {0, 0, 0};
            for (int by = 0; by < binningV; ++by) {
                const uint8_t *in =
                    source +
                    (size_t(y * stepV + by) * size_t(sensorWidth_) + size_t(x * stepH)) * 3;
                for (int bx = 0; bx < binningH; ++bx) {
                    sum[0] += in[bx * 3];
                    sum[1] += in[bx * 3 + 1];
                    sum[2] += in[bx * 3 + 2];
                }
            }
            for (int c = 0; c < 3; ++c)
                out[x * 3 + c] = uint8_t((sum[c] + blockSize / 2) / blockSize);
        }
    }

    std::lock_guard<std::mutex> lock(cacheMutex_);
    cache_.push_front({factors, reduced});
    if (cache_.size() > cachedPlanes)
        cache_.pop_back();
    return reduced;
}

SceneRenderer::Disc SceneRenderer::disc(uint64_t frameNumber) const
{
    const int radius = std::max(4, sensorHeight_ / 14);
    const uint64_t track = uint64_t(sensorWidth_) + 2 * uint64_t(radius);
    // It enters a quarter of the way across, so that the first image shows it.
    const int centreX =
        int((frameNumber * discSpeed + uint64_t(sensorWidth_) / 4) % track) - radius;
    const int centreY = sensorHeight_ * 42 / 100;
    return {centreX, centreY, radius};
}

void SceneRenderer::drawDisc(const Frame &frame, const std::array<std::array<uint8_t, 256>, 3> &lut,
                             uint8_t *image, int pitch) const
{
    const Disc d = disc(frame.frameNumber);
    const double stepH = frame.binningH * frame.subsamplingH;
    const double stepV = frame.binningV * frame.subsamplingV;
    const double cx = d.centreX / stepH - frame.x;
    const double cy = d.centreY / stepV - frame.y;
    const double rx = d.radius / stepH;
    const double ry = d.radius / stepV;
    const int left = std::max(0, int(std::floor(cx - rx)));
    const int right = std::min(frame.width, int(std::ceil(cx + rx)) + 1);
    const int top = std::max(0, int(std::floor(cy - ry)));
    const int bottom = std::min(frame.height, int(std::ceil(cy + ry)) + 1);
    const Rgb fill{lut[0][discColour.r], lut[1][discColour.g], lut[2][discColour.b]};
    const Rgb rim{lut[0][discRim.r], lut[1][discRim.g], lut[2][discRim.b]};
    for (int y = top; y < bottom; ++y) {
        uint8_t *row = image + ptrdiff_t(y) * pitch;
        for (int x = left; x < right; ++x) {
            const double nx = (x - cx) / rx;
            const double ny = (y - cy) / ry;
            const double r2 = nx * nx + ny * ny;
            if (r2 > 1.0)
                continue;
            const Rgb colour = r2 > 0.72 ? rim : fill;
            row[x * 3] = colour.r;
            row[x * 3 + 1] = colour.g;
            row[x * 3 + 2] = colour.b;
        }
    }
}

void SceneRenderer::render(const Frame &frame, uint8_t *image, int pitch) const
{
    const std::shared_ptr<const Plane> source =
        plane(frame.binningH, frame.binningV, frame.subsamplingH, frame.subsamplingV);
    const std::array<uint16_t, 3> factors{fixedFactor(frame.channelFactors[0]),
                                          fixedFactor(frame.channelFactors[1]),
                                          fixedFactor(frame.channelFactors[2])};
    const std::array<std::array<uint8_t, 256>, 3> lut{
        lookUpTable(factors[0]), lookUpTable(factors[1]), lookUpTable(factors[2])};
    const bool identity = factors[0] == 256 && factors[1] == 256 && factors[2] == 256;

    // The caller keeps the AOI inside the image area; whatever would still
    // lie outside it stays black rather than reading past the scene.
    const int columns = std::clamp(source->width - frame.x, 0, frame.width);
    const int rows = std::clamp(source->height - frame.y, 0, frame.height);
    const size_t rowBytes = size_t(frame.width) * 3;
    for (int y = 0; y < frame.height; ++y) {
        uint8_t *out = image + ptrdiff_t(y) * pitch;
        if (y >= rows || frame.x < 0 || frame.y < 0) {
            std::memset(out, 0, rowBytes);
            continue;
        }
        const uint8_t *in = source->rgb.data() +
                            (size_t(frame.y + y) * size_t(source->width) + size_t(frame.x)) * 3;
        if (identity) {
            std::memcpy(out, in, size_t(columns) * 3);
        } else {
            scaleLine(in, out, columns, factors, lut);
        }
        if (columns < frame.width)
            std::memset(image + ptrdiff_t(y) * pitch + columns * 3, 0,
                        size_t(frame.width - columns) * 3);
    }

    drawDisc(frame, lut, image, pitch);
    if (!frame.stamp.empty()) {
        const int scale = FrameStamp::cornerScale(frame.width);
        FrameStamp::draw(image, pitch, frame.width, frame.height, 0, 0, frame.stamp, scale,
                         {255, 255, 255}, {0, 0, 0});
    }
}

} // namespace VyraSim
