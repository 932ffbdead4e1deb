#include "featuremap.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "commandbuffer.h"
#include "factorbits.h"

namespace VyraAravis {

namespace {

/// The formats the driver takes images in, most wanted first.
struct FormatChoice
{
    ArvPixelFormat pixelFormat;
    PixelConverter::Format format;
};

constexpr FormatChoice formatChoices[] = {
    {ARV_PIXEL_FORMAT_RGB_8_PACKED, PixelConverter::Format::Rgb8},
    {ARV_PIXEL_FORMAT_BGR_8_PACKED, PixelConverter::Format::Bgr8},
    {ARV_PIXEL_FORMAT_BAYER_RG_8, PixelConverter::Format::BayerRG8},
    {ARV_PIXEL_FORMAT_BAYER_GR_8, PixelConverter::Format::BayerGR8},
    {ARV_PIXEL_FORMAT_BAYER_GB_8, PixelConverter::Format::BayerGB8},
    {ARV_PIXEL_FORMAT_BAYER_BG_8, PixelConverter::Format::BayerBG8},
    {ARV_PIXEL_FORMAT_MONO_8, PixelConverter::Format::Mono8},
};

/// A setting on the 0 to 100 scale as a value of [minimum, maximum], and back.
double fromScale(int32_t gain, double minimum, double maximum)
{
    return minimum + (maximum - minimum) * gain / double(VYRA_GAIN_MAX);
}

int32_t toScale(double value, double minimum, double maximum)
{
    if (maximum <= minimum)
        return VYRA_GAIN_MIN;
    const double scaled = (value - minimum) * VYRA_GAIN_MAX / (maximum - minimum);
    return int32_t(std::lround(std::clamp(scaled, double(VYRA_GAIN_MIN), double(VYRA_GAIN_MAX))));
}

VyraStatus statusOrIo(GError *error)
{
    return GenicamDevice::statusOf(error);
}

} // namespace

FeatureMap::FeatureMap(GenicamDevice &device) : device_(device)
{
    ArvCamera *camera = device_.camera();
    GError *error = nullptr;
    masterGain_ = arv_camera_is_gain_available(camera, &error) && statusOrIo(error) == 0;
    if (!device_.has(frameRateFeature_) && device_.has("AcquisitionFrameRateAbs"))
        frameRateFeature_ = "AcquisitionFrameRateAbs";
    frameRate_ = device_.has(frameRateFeature_);
    error = nullptr;
    softwareTrigger_ =
        arv_camera_is_software_trigger_supported(camera, &error) && statusOrIo(error) == 0;
    if (!device_.has("ExposureTime") && device_.has("ExposureTimeAbs"))
        exposureFeature_ = "ExposureTimeAbs";
    if (device_.hasEntry("BalanceRatioSelector", "Red") && device_.has("BalanceRatio")) {
        colourSelector_ = "BalanceRatioSelector";
        colourFeature_ = "BalanceRatio";
    } else if (device_.hasEntry("GainSelector", "Red") && device_.has("Gain")) {
        colourSelector_ = "GainSelector";
        colourFeature_ = "Gain";
    }
    findFlashLine();
}

// ---- Pixel format ----

bool FeatureMap::converterFormat(ArvPixelFormat pixelFormat, PixelConverter::Format *format)
{
    for (const FormatChoice &choice : formatChoices) {
        if (choice.pixelFormat == pixelFormat) {
            *format = choice.format;
            return true;
        }
    }
    return false;
}

VyraStatus FeatureMap::choosePixelFormat()
{
    GError *error = nullptr;
    guint count = 0;
    gint64 *offered = arv_camera_dup_available_pixel_formats(device_.camera(), &count, &error);
    if (VyraStatus status = statusOrIo(error)) {
        g_free(offered);
        return status;
    }
    const gint64 *begin = offered;
    const gint64 *end = offered + count;
    const FormatChoice *chosen = nullptr;
    for (const FormatChoice &choice : formatChoices) {
        if (std::find(begin, end, gint64(choice.pixelFormat)) != end) {
            chosen = &choice;
            break;
        }
    }
    g_free(offered);
    if (chosen == nullptr)
        return VYRA_INVALID_COLOR_FORMAT;
    arv_camera_set_pixel_format(device_.camera(), chosen->pixelFormat, &error);
    if (VyraStatus status = statusOrIo(error))
        return status;
    format_ = chosen->format;
    return VYRA_SUCCESS;
}

// ---- Exposure ----

VyraStatus FeatureMap::exposureRange(double *minimum, double *maximum, double *increment) const
{
    GError *error = nullptr;
    double low = 0.0;
    double high = 0.0;
    arv_camera_get_exposure_time_bounds(device_.camera(), &low, &high, &error);
    if (VyraStatus status = statusOrIo(error))
        return status;
    *minimum = low / 1000.0;
    *maximum = high / 1000.0;
    // Cameras that name no step take any microsecond.
    const double step = device_.realIncrement(exposureFeature_);
    *increment = (step > 0.0 ? step : 1.0) / 1000.0;
    return VYRA_SUCCESS;
}

VyraStatus FeatureMap::exposure(double *milliseconds) const
{
    GError *error = nullptr;
    const double microseconds = arv_camera_get_exposure_time(device_.camera(), &error);
    const VyraStatus status = statusOrIo(error);
    if (status == VYRA_SUCCESS)
        *milliseconds = microseconds / 1000.0;
    return status;
}

VyraStatus FeatureMap::setExposure(double milliseconds)
{
    GError *error = nullptr;
    arv_camera_set_exposure_time(device_.camera(), milliseconds * 1000.0, &error);
    return statusOrIo(error);
}

// ---- Gains ----

VyraStatus FeatureMap::masterGainBounds(double *minimum, double *maximum)
{
    // Where gains have a selector, the master gain is the one of all channels.
    if (device_.hasEntry("GainSelector", "All"))
        device_.setText("GainSelector", "All");
    GError *error = nullptr;
    arv_camera_get_gain_bounds(device_.camera(), minimum, maximum, &error);
    return statusOrIo(error);
}

VyraStatus FeatureMap::masterGain(int32_t *gain)
{
    if (!masterGain_)
        return VYRA_NOT_SUPPORTED;
    double minimum = 0.0;
    double maximum = 0.0;
    if (VyraStatus status = masterGainBounds(&minimum, &maximum))
        return status;
    GError *error = nullptr;
    const double value = arv_camera_get_gain(device_.camera(), &error);
    if (VyraStatus status = statusOrIo(error))
        return status;
    *gain = toScale(value, minimum, maximum);
    return VYRA_SUCCESS;
}

VyraStatus FeatureMap::setMasterGain(int32_t gain)
{
    if (!masterGain_)
        return gain == VYRA_GAIN_MIN ? VYRA_SUCCESS : VYRA_NOT_SUPPORTED;
    double minimum = 0.0;
    double maximum = 0.0;
    if (VyraStatus status = masterGainBounds(&minimum, &maximum))
        return status;
    GError *error = nullptr;
    arv_camera_set_gain(device_.camera(), fromScale(gain, minimum, maximum), &error);
    return statusOrIo(error);
}

const char *FeatureMap::colourEntry(ColourGain channel) const
{
    switch (channel) {
    case ColourGain::Red:
        return "Red";
    case ColourGain::Green:
        return "Green";
    default:
        return "Blue";
    }
}

VyraStatus FeatureMap::scaledGet(const char *feature, int32_t *gain)
{
    double minimum = 0.0;
    double maximum = 0.0;
    double value = 0.0;
    if (VyraStatus status = device_.realBounds(feature, &minimum, &maximum))
        return status;
    if (VyraStatus status = device_.real(feature, &value))
        return status;
    *gain = toScale(value, minimum, maximum);
    return VYRA_SUCCESS;
}

VyraStatus FeatureMap::scaledSet(const char *feature, int32_t gain)
{
    double minimum = 0.0;
    double maximum = 0.0;
    if (VyraStatus status = device_.realBounds(feature, &minimum, &maximum))
        return status;
    return device_.setReal(feature, fromScale(gain, minimum, maximum));
}

VyraStatus FeatureMap::colourGain(ColourGain channel, int32_t *gain)
{
    if (!hasColourGains())
        return VYRA_NOT_SUPPORTED;
    if (VyraStatus status = device_.setText(colourSelector_.c_str(), colourEntry(channel)))
        return status;
    return scaledGet(colourFeature_.c_str(), gain);
}

VyraStatus FeatureMap::setColourGain(ColourGain channel, int32_t gain)
{
    if (!hasColourGains())
        return gain == VYRA_GAIN_MIN ? VYRA_SUCCESS : VYRA_NOT_SUPPORTED;
    if (VyraStatus status = device_.setText(colourSelector_.c_str(), colourEntry(channel)))
        return status;
    return scaledSet(colourFeature_.c_str(), gain);
}

// ---- Frame rate ----

VyraStatus FeatureMap::frameRateRange(double *minimum, double *maximum) const
{
    return device_.realBounds(frameRateFeature_, minimum, maximum);
}

VyraStatus FeatureMap::frameRate(double *fps) const
{
    return device_.real(frameRateFeature_, fps);
}

VyraStatus FeatureMap::setFrameRate(double fps)
{
    // Written directly: Aravis' own frame rate call also switches the
    // trigger off, which would end a triggered acquisition.
    if (device_.has("AcquisitionFrameRateEnable"))
        device_.setBoolean("AcquisitionFrameRateEnable", true);
    return device_.setReal(frameRateFeature_, fps);
}

// ---- Geometry ----

VyraStatus FeatureMap::region(VyraRect *aoi) const
{
    GError *error = nullptr;
    gint x = 0;
    gint y = 0;
    gint width = 0;
    gint height = 0;
    arv_camera_get_region(device_.camera(), &x, &y, &width, &height, &error);
    if (VyraStatus status = statusOrIo(error))
        return status;
    *aoi = {x, y, width, height};
    return VYRA_SUCCESS;
}

VyraStatus FeatureMap::setRegion(const VyraRect &aoi)
{
    const bool offsets = device_.has("OffsetX") && device_.has("OffsetY");
    if (!offsets && (aoi.x != 0 || aoi.y != 0))
        return VYRA_NOT_SUPPORTED;
    if (offsets) {
        if (VyraStatus status = device_.setInteger("OffsetX", 0))
            return status;
        if (VyraStatus status = device_.setInteger("OffsetY", 0))
            return status;
    }
    if (VyraStatus status = device_.setInteger("Width", aoi.width))
        return status;
    if (VyraStatus status = device_.setInteger("Height", aoi.height))
        return status;
    if (offsets) {
        if (VyraStatus status = device_.setInteger("OffsetX", aoi.x))
            return status;
        if (VyraStatus status = device_.setInteger("OffsetY", aoi.y))
            return status;
    }
    return VYRA_SUCCESS;
}

VyraSize FeatureMap::sensorSize() const
{
    GError *error = nullptr;
    gint width = 0;
    gint height = 0;
    arv_camera_get_sensor_size(device_.camera(), &width, &height, &error);
    if (statusOrIo(error) != VYRA_SUCCESS) {
        int64_t low = 0;
        int64_t high = 0;
        width = device_.integerBounds("Width", &low, &high) == VYRA_SUCCESS ? gint(high) : 0;
        height = device_.integerBounds("Height", &low, &high) == VYRA_SUCCESS ? gint(high) : 0;
    }
    return {width, height};
}

VyraSize FeatureMap::imageArea() const
{
    int64_t width = 0;
    int64_t height = 0;
    if (device_.has("WidthMax") && device_.has("HeightMax") &&
        device_.integer("WidthMax", &width) == VYRA_SUCCESS &&
        device_.integer("HeightMax", &height) == VYRA_SUCCESS)
        return {int32_t(width), int32_t(height)};
    int binningX = 1, binningY = 1, decimationX = 1, decimationY = 1;
    factors(true, &binningX, &binningY);
    factors(false, &decimationX, &decimationY);
    const VyraSize sensor = sensorSize();
    return {sensor.width / (binningX * decimationX), sensor.height / (binningY * decimationY)};
}

VyraSize FeatureMap::sizeMinimum() const
{
    int64_t width = 1;
    int64_t height = 1;
    int64_t unused = 0;
    device_.integerBounds("Width", &width, &unused);
    device_.integerBounds("Height", &height, &unused);
    return {int32_t(std::max<int64_t>(width, 1)), int32_t(std::max<int64_t>(height, 1))};
}

VyraSize FeatureMap::sizeIncrement() const
{
    return {int32_t(device_.integerIncrement("Width")),
            int32_t(device_.integerIncrement("Height"))};
}

VyraSize FeatureMap::positionIncrement() const
{
    if (!device_.has("OffsetX") || !device_.has("OffsetY"))
        return {1, 1};
    return {int32_t(device_.integerIncrement("OffsetX")),
            int32_t(device_.integerIncrement("OffsetY"))};
}

// ---- Binning and decimation ----

const char *FeatureMap::factorFeature(bool binning, bool horizontal) const
{
    if (binning)
        return horizontal ? "BinningHorizontal" : "BinningVertical";
    return horizontal ? "DecimationHorizontal" : "DecimationVertical";
}

int32_t FeatureMap::supportedFactorBits(bool binning) const
{
    int32_t bits = 0;
    for (bool horizontal : {true, false}) {
        const char *feature = factorFeature(binning, horizontal);
        int64_t minimum = 0;
        int64_t maximum = 0;
        if (!device_.has(feature) || device_.integerBounds(feature, &minimum, &maximum) != 0)
            continue;
        const int64_t step = device_.integerIncrement(feature);
        for (const VyraSim::FactorBits &entry : VyraSim::factorBitsTable) {
            if (entry.factor >= minimum && entry.factor <= maximum &&
                (entry.factor - minimum) % step == 0)
                bits |= entry.bit(horizontal);
        }
    }
    return bits;
}

void FeatureMap::factors(bool binning, int *horizontal, int *vertical) const
{
    int64_t value = 1;
    *horizontal = device_.has(factorFeature(binning, true)) &&
                          device_.integer(factorFeature(binning, true), &value) == 0
                      ? int(value)
                      : 1;
    value = 1;
    *vertical = device_.has(factorFeature(binning, false)) &&
                        device_.integer(factorFeature(binning, false), &value) == 0
                    ? int(value)
                    : 1;
}

VyraStatus FeatureMap::setFactors(bool binning, int horizontal, int vertical)
{
    int currentHorizontal = 1;
    int currentVertical = 1;
    factors(binning, &currentHorizontal, &currentVertical);
    const int wanted[2] = {horizontal, vertical};
    const int current[2] = {currentHorizontal, currentVertical};
    for (int direction = 0; direction < 2; ++direction) {
        if (wanted[direction] == current[direction])
            continue;
        const char *feature = factorFeature(binning, direction == 0);
        if (!device_.has(feature))
            return VYRA_NOT_SUPPORTED;
        if (VyraStatus status = device_.setInteger(feature, wanted[direction]))
            return status;
    }
    return VYRA_SUCCESS;
}

// ---- Flash ----

void FeatureMap::findFlashLine()
{
    // The first line the camera already drives as an output carries the
    // flash; the driver never turns an input into an output.
    for (const std::string &line : device_.entries("LineSelector")) {
        std::string mode;
        if (device_.setText("LineSelector", line.c_str()) == VYRA_SUCCESS &&
            device_.text("LineMode", &mode) == VYRA_SUCCESS && mode == "Output" &&
            device_.hasEntry("LineSource", "ExposureActive")) {
            flashLine_ = line;
            flashTimer_ = device_.hasEntry("LineSource", "Timer0Active") &&
                          device_.hasEntry("TimerSelector", "Timer0") &&
                          device_.has("TimerDelay") && device_.has("TimerDuration");
            return;
        }
    }
}

VyraFlashParams FeatureMap::flashMaximum() const
{
    if (!flashTimer_)
        return {0, 0};
    double minimum = 0.0;
    double delay = 0.0;
    double duration = 0.0;
    device_.realBounds("TimerDelay", &minimum, &delay);
    device_.realBounds("TimerDuration", &minimum, &duration);
    return {int32_t(std::min(delay, 1e9)), uint32_t(std::min(duration, 1e9))};
}

VyraStatus FeatureMap::setFlash(int32_t mode, int32_t delayUs, uint32_t durationUs)
{
    if (!hasFlash())
        return VYRA_NOT_SUPPORTED;
    if (VyraStatus status = device_.setText("LineSelector", flashLine_.c_str()))
        return status;
    // The line follows the exposure, or a timer started with it for a
    // flash window of its own; a constant level is the inactive line,
    // inverted or not.
    const bool pulse = mode == VYRA_FLASH_MODE_LOW_ACTIVE || mode == VYRA_FLASH_MODE_HIGH_ACTIVE;
    const bool timed = pulse && flashTimer_ && durationUs > 0;
    if (timed) {
        if (VyraStatus status = device_.setText("TimerSelector", "Timer0"))
            return status;
        if (device_.hasEntry("TimerTriggerSource", "ExposureStart"))
            device_.setText("TimerTriggerSource", "ExposureStart");
        if (VyraStatus status = device_.setReal("TimerDelay", delayUs))
            return status;
        if (VyraStatus status = device_.setReal("TimerDuration", durationUs))
            return status;
    }
    const char *source = timed ? "Timer0Active" : pulse ? "ExposureActive" : "Off";
    if (VyraStatus status = device_.setText("LineSource", source))
        return status;
    const bool inverted =
        mode == VYRA_FLASH_MODE_LOW_ACTIVE || mode == VYRA_FLASH_MODE_CONSTANT_HIGH;
    return device_.has("LineInverter") ? device_.setBoolean("LineInverter", inverted)
                                       : (inverted ? VYRA_NOT_SUPPORTED : VYRA_SUCCESS);
}

// ---- Trigger ----

VyraStatus FeatureMap::setTriggerMode(int32_t code)
{
    if (device_.hasEntry("TriggerSelector", "FrameStart")) {
        if (VyraStatus status = device_.setText("TriggerSelector", "FrameStart"))
            return status;
    }
    if (code == VYRA_TRIGGER_OFF)
        return device_.has("TriggerMode") ? device_.setText("TriggerMode", "Off") : VYRA_SUCCESS;
    if (!softwareTrigger_)
        return VYRA_NOT_SUPPORTED;
    if (VyraStatus status = device_.setText("TriggerMode", "On"))
        return status;
    return device_.setText("TriggerSource", "Software");
}

VyraStatus FeatureMap::softwareTrigger()
{
    GError *error = nullptr;
    arv_camera_software_trigger(device_.camera(), &error);
    return statusOrIo(error);
}

// ---- Sensor ----

void FeatureMap::sensorProperties(const std::string &model, VyraSensorProperties *properties) const
{
    *properties = VyraSensorProperties{};
    VyraSim::copyText(properties->sensorName, sizeof properties->sensorName, model);
    properties->colorMode = format_ == PixelConverter::Format::Mono8 ? 0 : 1;
    const VyraSize sensor = sensorSize();
    properties->maxWidth = sensor.width;
    properties->maxHeight = sensor.height;
    properties->masterGain = masterGain_ ? 1 : 0;
    const int32_t colour = hasColourGains() ? 1 : 0;
    properties->redGain = properties->greenGain = properties->blueGain = colour;
    std::string shutter;
    properties->globalShutter = device_.has("SensorShutterMode") &&
                                        device_.text("SensorShutterMode", &shutter) == 0 &&
                                        shutter == "Global"
                                    ? 1
                                    : 0;
    double pitch = 0.0;
    if (device_.has("SensorPixelWidth") && device_.real("SensorPixelWidth", &pitch) == 0)
        properties->pixelSize = int32_t(std::lround(pitch * 100.0));
}

} // namespace VyraAravis
