#include "sensormodel.h"

#include "factorbits.h"

#include <algorithm>
#include <cmath>

namespace VyraSim {

namespace {

// Readout overhead of every line and of every frame, in pixel clocks and
// lines; they make the frame rate grow less than linearly as the AOI shrinks.
constexpr int horizontalBlanking = 300;
constexpr int verticalBlanking = 40;

// Exposure is counted in hundredths of a millisecond (the increment).
constexpr double exposureStepsPerMs = 100.0;

// Range ends are compared with this slack so that a value read back from the
// driver (and converted to text and back) is accepted again.
constexpr double tolerance = 1e-9;

// The flash lamp is as bright as the scene's own light: a flash lasting the
// whole exposure doubles the brightness.
constexpr double flashBrightness = 1.0;

constexpr int32_t horizontalBits = VYRA_FACTOR_ALL_HORIZONTAL;
constexpr int32_t verticalBits = VYRA_FACTOR_ALL_VERTICAL;

int32_t roundDown(int32_t value, int32_t step)
{
    return value - value % step;
}

int popCount(int32_t bits)
{
    int count = 0;
    for (; bits != 0; bits &= bits - 1)
        ++count;
    return count;
}

double masterFactor(int32_t gain)
{
    return 1.0 + 3.0 * gain / 100.0;
}

double colourFactor(int32_t gain)
{
    return 1.0 + gain / 100.0;
}

} // namespace

SensorModel::SensorModel(const CameraSpec &description) : spec_(description)
{
}

SensorSettings SensorModel::powerOn() const
{
    SensorSettings settings;
    const VyraSize size = maximumSize(0, 0);
    settings.width = size.width;
    settings.height = size.height;
    settings.pixelClockMHz = spec_.defaultPixelClockMHz;
    settings.frameRate = std::min(30.0, maximumFrameRate(settings));
    settings.values.exposureMs =
        std::min(referenceExposureMs(), exposureMaximum(settings)); // a good image from the start
    return settings;
}

int SensorModel::factor(int32_t modeBits, bool horizontal)
{
    return factorOfBits(modeBits, horizontal);
}

bool SensorModel::oneFactorPerDirection(int32_t modeBits)
{
    return popCount(modeBits & horizontalBits) <= 1 && popCount(modeBits & verticalBits) <= 1;
}

int SensorModel::horizontalFactor(const SensorSettings &settings) const
{
    return factor(settings.binning, true) * factor(settings.subsampling, true);
}

int SensorModel::verticalFactor(const SensorSettings &settings) const
{
    return factor(settings.binning, false) * factor(settings.subsampling, false);
}

VyraSize SensorModel::imageArea(int32_t binning, int32_t subsampling) const
{
    return {spec_.sensorWidth / (factor(binning, true) * factor(subsampling, true)),
            spec_.sensorHeight / (factor(binning, false) * factor(subsampling, false))};
}

VyraSize SensorModel::maximumSize(int32_t binning, int32_t subsampling) const
{
    const VyraSize area = imageArea(binning, subsampling);
    const VyraSize step = sizeIncrement();
    return {std::max(minimumSize().width, roundDown(area.width, step.width)),
            std::max(minimumSize().height, roundDown(area.height, step.height))};
}

VyraSize SensorModel::maximumSize(const SensorSettings &settings) const
{
    return maximumSize(settings.binning, settings.subsampling);
}

VyraPoint SensorModel::maximumOffset(const SensorSettings &settings) const
{
    const VyraSize area = imageArea(settings.binning, settings.subsampling);
    const VyraSize step = positionIncrement();
    return {roundDown(std::max(0, area.width - settings.width), step.width),
            roundDown(std::max(0, area.height - settings.height), step.height)};
}

double SensorModel::maximumFrameRate(const SensorSettings &settings) const
{
    const double clocksPerFrame =
        double(settings.width + horizontalBlanking) * double(settings.height + verticalBlanking);
    // Rounded down to the frame interval increment, so that the rate answered
    // here is one the sensor can be set to.
    const double interval = clocksPerFrame / (settings.pixelClockMHz * 1e6);
    const double steps = std::ceil(interval / frameIntervalIncrement() - tolerance);
    return std::max(minimumFrameRate(), 1.0 / (steps * frameIntervalIncrement()));
}

double SensorModel::effectiveFrameRate(const SensorSettings &settings) const
{
    const double periodMs = 1000.0 / settings.frameRate;
    if (settings.longExposure && settings.values.exposureMs > periodMs)
        return 1000.0 / settings.values.exposureMs;
    return settings.frameRate;
}

double SensorModel::exposureMaximum(const SensorSettings &settings) const
{
    if (settings.longExposure)
        return longExposureMaximum();
    const double periodMs = 1000.0 / settings.frameRate;
    return std::floor(periodMs * exposureStepsPerMs + tolerance) / exposureStepsPerMs;
}

VyraFlashParams SensorModel::flashMaximum(const SensorSettings &settings) const
{
    const auto periodUs = int32_t(std::floor(1e6 / effectiveFrameRate(settings)));
    return {periodUs, uint32_t(periodUs)};
}

bool SensorModel::exposureValid(const SensorSettings &settings, double exposureMs) const
{
    return std::isfinite(exposureMs) && exposureMs >= exposureMinimum() - tolerance &&
           exposureMs <= exposureMaximum(settings) + tolerance;
}

bool SensorModel::gainsValid(int32_t master, int32_t red, int32_t green, int32_t blue) const
{
    const auto valid = [](int32_t gain, bool exists) {
        return gain >= VYRA_GAIN_MIN && gain <= VYRA_GAIN_MAX && (exists || gain == 0);
    };
    return valid(master, spec_.masterGain) && valid(red, spec_.colourGains) &&
           valid(green, spec_.colourGains) && valid(blue, spec_.colourGains);
}

bool SensorModel::offsetXValid(const SensorSettings &settings, int32_t x) const
{
    return x >= 0 && x <= maximumOffset(settings).x && x % positionIncrement().width == 0;
}

bool SensorModel::offsetYValid(const SensorSettings &settings, int32_t y) const
{
    return y >= 0 && y <= maximumOffset(settings).y && y % positionIncrement().height == 0;
}

bool SensorModel::flashValid(const SensorSettings &settings, int32_t mode, int32_t durationUs,
                             int32_t delayUs) const
{
    if (mode < VYRA_FLASH_MODE_OFF || mode > VYRA_FLASH_MODE_CONSTANT_LOW)
        return false;
    if (!spec_.flash)
        return mode == VYRA_FLASH_MODE_OFF && durationUs == 0 && delayUs == 0;
    const VyraFlashParams maximum = flashMaximum(settings);
    return delayUs >= flashMinimum().delayUs && delayUs <= maximum.delayUs && durationUs >= 0 &&
           uint32_t(durationUs) <= maximum.durationUs;
}

bool SensorModel::pixelClockOffered(uint32_t clockMHz) const
{
    return std::find(spec_.pixelClocksMHz.begin(), spec_.pixelClocksMHz.end(), clockMHz) !=
           spec_.pixelClocksMHz.end();
}

bool SensorModel::geometryValid(int32_t binning, int32_t subsampling, const VyraRect &aoi) const
{
    if ((binning & ~spec_.binningModes) || (subsampling & ~spec_.subsamplingModes) ||
        !oneFactorPerDirection(binning) || !oneFactorPerDirection(subsampling))
        return false;
    const VyraSize minimum = minimumSize();
    const VyraSize maximum = maximumSize(binning, subsampling);
    const VyraSize area = imageArea(binning, subsampling);
    const VyraSize sizeStep = sizeIncrement();
    const VyraSize positionStep = positionIncrement();
    return aoi.width >= minimum.width && aoi.width <= maximum.width &&
           aoi.height >= minimum.height && aoi.height <= maximum.height &&
           aoi.width % sizeStep.width == 0 && aoi.height % sizeStep.height == 0 && aoi.x >= 0 &&
           aoi.y >= 0 && aoi.x % positionStep.width == 0 && aoi.y % positionStep.height == 0 &&
           int64_t(aoi.x) + aoi.width <= area.width && int64_t(aoi.y) + aoi.height <= area.height;
}

VyraStatus SensorModel::validate(const SensorSettings &settings) const
{
    const SequencerValues &v = settings.values;
    const VyraRect aoi{v.offsetX, v.offsetY, settings.width, settings.height};
    const bool valid =
        geometryValid(settings.binning, settings.subsampling, aoi) &&
        pixelClockOffered(settings.pixelClockMHz) && std::isfinite(settings.frameRate) &&
        settings.frameRate >= minimumFrameRate() - tolerance &&
        settings.frameRate <= maximumFrameRate(settings) + tolerance &&
        (spec_.longExposure || !settings.longExposure) && exposureValid(settings, v.exposureMs) &&
        gainsValid(v.masterGain, v.redGain, v.greenGain, v.blueGain) &&
        flashValid(settings, v.flashMode, v.flashDurationUs, v.flashDelayUs);
    return valid ? VYRA_SUCCESS : VYRA_INVALID_PARAMETER;
}

void SensorModel::settle(SensorSettings &settings) const
{
    SequencerValues &v = settings.values;
    const VyraPoint maximumOffsets = maximumOffset(settings);
    v.offsetX = std::clamp(v.offsetX, 0, maximumOffsets.x);
    v.offsetY = std::clamp(v.offsetY, 0, maximumOffsets.y);
    settings.frameRate =
        std::clamp(settings.frameRate, minimumFrameRate(), maximumFrameRate(settings));
    v.exposureMs = std::clamp(v.exposureMs, exposureMinimum(), exposureMaximum(settings));
    const VyraFlashParams maximum = flashMaximum(settings);
    v.flashDelayUs = std::clamp(v.flashDelayUs, flashMinimum().delayUs, maximum.delayUs);
    v.flashDurationUs = std::clamp(v.flashDurationUs, 0, int32_t(maximum.durationUs));
}

void SensorModel::rescaleAoi(SensorSettings &settings, int32_t binning, int32_t subsampling) const
{
    const int oldH = horizontalFactor(settings);
    const int oldV = verticalFactor(settings);
    const int newH = factor(binning, true) * factor(subsampling, true);
    const int newV = factor(binning, false) * factor(subsampling, false);
    const VyraSize minimum = minimumSize();
    const VyraSize maximum = maximumSize(binning, subsampling);
    const VyraSize sizeStep = sizeIncrement();
    const VyraSize positionStep = positionIncrement();

    settings.width = std::clamp(roundDown(settings.width * oldH / newH, sizeStep.width),
                                minimum.width, maximum.width);
    settings.height = std::clamp(roundDown(settings.height * oldV / newV, sizeStep.height),
                                 minimum.height, maximum.height);
    settings.values.offsetX = roundDown(settings.values.offsetX * oldH / newH, positionStep.width);
    settings.values.offsetY = roundDown(settings.values.offsetY * oldV / newV, positionStep.height);
    settings.binning = binning;
    settings.subsampling = subsampling;
}

VyraStatus SensorModel::setAoi(SensorSettings &settings, const VyraRect &aoi) const
{
    if (!geometryValid(settings.binning, settings.subsampling, aoi))
        return VYRA_INVALID_PARAMETER;
    settings.width = aoi.width;
    settings.height = aoi.height;
    settings.values.offsetX = aoi.x;
    settings.values.offsetY = aoi.y;
    settle(settings);
    return VYRA_SUCCESS;
}

VyraStatus SensorModel::setOffset(SensorSettings &settings, int32_t x, int32_t y) const
{
    if (!offsetXValid(settings, x) || !offsetYValid(settings, y))
        return VYRA_INVALID_PARAMETER;
    settings.values.offsetX = x;
    settings.values.offsetY = y;
    return VYRA_SUCCESS;
}

VyraStatus SensorModel::setBinning(SensorSettings &settings, int32_t modeBits) const
{
    if (modeBits & ~(horizontalBits | verticalBits))
        return VYRA_INVALID_PARAMETER;
    if (modeBits & ~spec_.binningModes)
        return VYRA_NOT_SUPPORTED;
    if (!oneFactorPerDirection(modeBits))
        return VYRA_INVALID_PARAMETER;
    rescaleAoi(settings, modeBits, settings.subsampling);
    settle(settings);
    return VYRA_SUCCESS;
}

VyraStatus SensorModel::setSubsampling(SensorSettings &settings, int32_t modeBits) const
{
    if (modeBits & ~(horizontalBits | verticalBits))
        return VYRA_INVALID_PARAMETER;
    if (modeBits & ~spec_.subsamplingModes)
        return VYRA_NOT_SUPPORTED;
    if (!oneFactorPerDirection(modeBits))
        return VYRA_INVALID_PARAMETER;
    rescaleAoi(settings, settings.binning, modeBits);
    settle(settings);
    return VYRA_SUCCESS;
}

VyraStatus SensorModel::applyImageFormat(SensorSettings &settings, int32_t formatId) const
{
    const auto format =
        std::find_if(spec_.imageFormats.begin(), spec_.imageFormats.end(),
                     [formatId](const ImageFormat &f) { return f.formatId == formatId; });
    if (format == spec_.imageFormats.end())
        return VYRA_INVALID_PARAMETER;
    const VyraRect aoi{format->x, format->y, format->width, format->height};
    if (!geometryValid(format->binning, format->subsampling, aoi))
        return VYRA_INVALID_PARAMETER;
    settings.binning = format->binning;
    settings.subsampling = format->subsampling;
    settings.width = aoi.width;
    settings.height = aoi.height;
    settings.values.offsetX = aoi.x;
    settings.values.offsetY = aoi.y;
    settle(settings);
    return VYRA_SUCCESS;
}

VyraStatus SensorModel::setPixelClock(SensorSettings &settings, uint32_t clockMHz) const
{
    if (!pixelClockOffered(clockMHz))
        return VYRA_INVALID_PARAMETER;
    settings.pixelClockMHz = clockMHz;
    settle(settings);
    return VYRA_SUCCESS;
}

VyraStatus SensorModel::setFrameRate(SensorSettings &settings, double fps) const
{
    if (!std::isfinite(fps) || fps <= 0.0)
        return VYRA_INVALID_PARAMETER;
    settings.frameRate = fps;
    settle(settings);
    return VYRA_SUCCESS;
}

VyraStatus SensorModel::setExposure(SensorSettings &settings, double exposureMs) const
{
    if (!exposureValid(settings, exposureMs))
        return VYRA_INVALID_PARAMETER;
    // The sensor counts exposure in whole increments. Dividing the count
    // gives the double nearest to the decimal value (17.33, not 17.330000000000002).
    const double steps = std::round(exposureMs * exposureStepsPerMs);
    settings.values.exposureMs =
        std::clamp(steps / exposureStepsPerMs, exposureMinimum(), exposureMaximum(settings));
    settle(settings);
    return VYRA_SUCCESS;
}

VyraStatus SensorModel::setLongExposure(SensorSettings &settings, bool on) const
{
    if (!spec_.longExposure)
        return VYRA_NOT_SUPPORTED;
    settings.longExposure = on;
    settle(settings);
    return VYRA_SUCCESS;
}

VyraStatus SensorModel::setGains(SensorSettings &settings, int32_t master, int32_t red,
                                 int32_t green, int32_t blue) const
{
    const auto check = [](int32_t gain, bool exists) -> VyraStatus {
        if (gain == VYRA_GAIN_KEEP)
            return VYRA_SUCCESS;
        if (gain < VYRA_GAIN_MIN || gain > VYRA_GAIN_MAX)
            return VYRA_INVALID_PARAMETER;
        // A gain the sensor lacks stays at its neutral value.
        return exists || gain == 0 ? VYRA_SUCCESS : VYRA_NOT_SUPPORTED;
    };
    for (VyraStatus status : {check(master, spec_.masterGain), check(red, spec_.colourGains),
                              check(green, spec_.colourGains), check(blue, spec_.colourGains)}) {
        if (status != VYRA_SUCCESS)
            return status;
    }
    SequencerValues &v = settings.values;
    const auto apply = [](int32_t &gain, int32_t value) {
        if (value != VYRA_GAIN_KEEP)
            gain = value;
    };
    apply(v.masterGain, master);
    apply(v.redGain, red);
    apply(v.greenGain, green);
    apply(v.blueGain, blue);
    return VYRA_SUCCESS;
}

VyraStatus SensorModel::setFlashParams(SensorSettings &settings, int32_t delayUs,
                                       int32_t durationUs) const
{
    if (!spec_.flash)
        return VYRA_NOT_SUPPORTED;
    if (!flashValid(settings, settings.values.flashMode, durationUs, delayUs))
        return VYRA_INVALID_PARAMETER;
    settings.values.flashDelayUs = delayUs;
    settings.values.flashDurationUs = durationUs;
    return VYRA_SUCCESS;
}

VyraStatus SensorModel::setFlashMode(SensorSettings &settings, int32_t mode) const
{
    if (!spec_.flash)
        return VYRA_NOT_SUPPORTED;
    if (mode < VYRA_FLASH_MODE_OFF || mode > VYRA_FLASH_MODE_CONSTANT_LOW)
        return VYRA_INVALID_PARAMETER;
    settings.values.flashMode = mode;
    return VYRA_SUCCESS;
}

std::array<double, 3> SensorModel::channelFactors(const SequencerValues &values) const
{
    const double exposureMs = values.exposureMs;
    double flashMs = 0.0;
    switch (values.flashMode) {
    case VYRA_FLASH_MODE_LOW_ACTIVE:
    case VYRA_FLASH_MODE_HIGH_ACTIVE: {
        // The flash fires delay after the exposure starts; a duration of 0
        // lasts as long as the exposure. Only the part inside the exposure counts.
        const double startMs = values.flashDelayUs / 1000.0;
        const double lengthMs =
            values.flashDurationUs == 0 ? exposureMs : values.flashDurationUs / 1000.0;
        flashMs = std::max(0.0, std::min(exposureMs, startMs + lengthMs) - startMs);
        break;
    }
    case VYRA_FLASH_MODE_CONSTANT_HIGH:
        flashMs = exposureMs;
        break;
    default:
        break;
    }
    const double light = (exposureMs + flashBrightness * flashMs) / referenceExposureMs() *
                         (spec_.masterGain ? masterFactor(values.masterGain) : 1.0);
    if (!spec_.colourGains)
        return {light, light, light};
    return {light * colourFactor(values.redGain), light * colourFactor(values.greenGain),
            light * colourFactor(values.blueGain)};
}

SequencerValues SensorModel::clampedValues(const SensorSettings &settings,
                                           const SequencerValues &values) const
{
    SensorSettings clamped = settings;
    clamped.values = values;
    SequencerValues &v = clamped.values;
    v.masterGain = spec_.masterGain ? std::clamp(v.masterGain, VYRA_GAIN_MIN, VYRA_GAIN_MAX) : 0;
    for (int32_t *gain : {&v.redGain, &v.greenGain, &v.blueGain})
        *gain = spec_.colourGains ? std::clamp(*gain, VYRA_GAIN_MIN, VYRA_GAIN_MAX) : 0;
    v.offsetX = roundDown(v.offsetX, positionIncrement().width);
    v.offsetY = roundDown(v.offsetY, positionIncrement().height);
    if (!std::isfinite(v.exposureMs))
        v.exposureMs = settings.values.exposureMs;
    settle(clamped);
    return clamped.values;
}

} // namespace VyraSim
