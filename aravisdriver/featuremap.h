#pragma once

#include <cstdint>
#include <string>

#include "genicamdevice.h"
#include "pixelconverter.h"
#include "vyradriver.h"

namespace VyraAravis {

/// How the driver boundary's notions map onto a camera's GenICam standard
/// features (aravisdriver/README.md has the table): exposure in milliseconds,
/// gains on a 0 to 100 scale, the frame rate, the area of interest, binning and
/// decimation factors, the flash line output, trigger modes and the pixel
/// format. Learns at construction which of them the camera has.
///
/// Not thread-safe, like the device it works on.
class FeatureMap
{
public:
    enum class ColourGain { Red, Green, Blue };

    explicit FeatureMap(GenicamDevice &device);

    // ---- Pixel format ----
    /// Switches the camera to the first format it offers that the driver
    /// converts (RGB8 first, then BGR8, a Bayer mosaic, Mono8).
    VyraStatus choosePixelFormat();
    /// The converter's format of an Aravis pixel format; false for others.
    static bool converterFormat(ArvPixelFormat pixelFormat, PixelConverter::Format *format);

    // ---- Exposure, milliseconds ----
    VyraStatus exposureRange(double *minimum, double *maximum, double *increment) const;
    VyraStatus exposure(double *milliseconds) const;
    VyraStatus setExposure(double milliseconds);

    // ---- Gains, 0 to 100 across the feature's range ----
    bool hasMasterGain() const { return masterGain_; }
    bool hasColourGains() const { return !colourSelector_.empty(); }
    VyraStatus masterGain(int32_t *gain);
    VyraStatus setMasterGain(int32_t gain);
    VyraStatus colourGain(ColourGain channel, int32_t *gain);
    VyraStatus setColourGain(ColourGain channel, int32_t gain);

    // ---- Frame rate, frames per second ----
    bool hasFrameRate() const { return frameRate_; }
    VyraStatus frameRateRange(double *minimum, double *maximum) const;
    VyraStatus frameRate(double *fps) const;
    VyraStatus setFrameRate(double fps);

    // ---- Geometry, in image pixels ----
    VyraStatus region(VyraRect *aoi) const;
    /// Sets size and position in an order every camera accepts: position 0,
    /// size, position.
    VyraStatus setRegion(const VyraRect &aoi);
    /// The largest image at the current binning and decimation.
    VyraSize imageArea() const;
    VyraSize sizeMinimum() const;
    VyraSize sizeIncrement() const;
    VyraSize positionIncrement() const;
    /// The sensor's full size in pixels.
    VyraSize sensorSize() const;

    // ---- Binning and decimation (the boundary's subsampling) ----
    /// The VYRA_FACTOR_* bits of the factors the camera offers.
    int32_t supportedFactorBits(bool binning) const;
    /// The current factors of both directions (1 when the camera has none).
    void factors(bool binning, int *horizontal, int *vertical) const;
    VyraStatus setFactors(bool binning, int horizontal, int vertical);

    // ---- Flash: a line output driven by the exposure or a timer ----
    bool hasFlash() const { return !flashLine_.empty(); }
    /// Longest flash delay and duration a timer offers, microseconds.
    VyraFlashParams flashMaximum() const;
    VyraStatus setFlash(int32_t mode, int32_t delayUs, uint32_t durationUs);

    // ---- Trigger ----
    bool hasSoftwareTrigger() const { return softwareTrigger_; }
    /// VYRA_TRIGGER_OFF: free run; VYRA_TRIGGER_SINGLE and VYRA_TRIGGER_SOFTWARE:
    /// frame start on the software trigger.
    VyraStatus setTriggerMode(int32_t code);
    VyraStatus softwareTrigger();

    // ---- What the sensor is ----
    void sensorProperties(const std::string &model, VyraSensorProperties *properties) const;

private:
    /// Selects the master gain and reads its range.
    VyraStatus masterGainBounds(double *minimum, double *maximum);
    /// The gain value of a 0 to 100 setting, and back.
    VyraStatus scaledSet(const char *feature, int32_t gain);
    VyraStatus scaledGet(const char *feature, int32_t *gain);
    const char *colourEntry(ColourGain channel) const;
    const char *factorFeature(bool binning, bool horizontal) const;
    void findFlashLine();

    GenicamDevice &device_;
    PixelConverter::Format format_ = PixelConverter::Format::Rgb8;
    bool masterGain_ = false;
    std::string colourSelector_; ///< BalanceRatioSelector or GainSelector
    std::string colourFeature_;  ///< BalanceRatio or Gain
    bool frameRate_ = false;
    bool softwareTrigger_ = false;
    const char *exposureFeature_ = "ExposureTime";
    const char *frameRateFeature_ = "AcquisitionFrameRate";
    std::string flashLine_;
    bool flashTimer_ = false;
};

} // namespace VyraAravis
