#pragma once

#include <array>
#include <cstdint>

#include "sensorsettings.h"
#include "simcontrol.h"
#include "vyradriver.h"

namespace VyraSim {

/// The sensor of one camera model: its ranges, how they depend on each other,
/// and how much light an image gets.
///
/// Dependencies, as on a real sensor: the pixel clock and the AOI size (after
/// binning and subsampling) bound the frame rate; the frame rate bounds the
/// exposure (unless long exposure is on) and the flash timing; the AOI size
/// bounds the offsets. Every setter either rejects a value (the settings stay
/// as they were) or applies it and pulls the dependent values back into their
/// new ranges, so that the settings are always valid.
class SensorModel
{
public:
    explicit SensorModel(const CameraSpec &description);

    const CameraSpec &description() const { return spec_; }
    /// The settings of a freshly opened camera.
    SensorSettings powerOn() const;

    /// Factor of one direction encoded in mode bits (1 when no bit is set).
    static int factor(int32_t modeBits, bool horizontal);
    /// Whether bits name at most one factor per direction.
    static bool oneFactorPerDirection(int32_t modeBits);
    int horizontalFactor(const SensorSettings &settings) const;
    int verticalFactor(const SensorSettings &settings) const;

    /// The image area of the whole sensor in image pixels, for a binning and
    /// subsampling.
    VyraSize imageArea(int32_t binning, int32_t subsampling) const;
    VyraSize maximumSize(int32_t binning, int32_t subsampling) const;
    VyraSize maximumSize(const SensorSettings &settings) const;
    static VyraSize minimumSize() { return {32, 16}; }
    VyraSize sizeIncrement() const { return {spec_.aoiWidthIncrement, spec_.aoiHeightIncrement}; }
    static VyraSize positionIncrement() { return {4, 2}; }
    VyraPoint maximumOffset(const SensorSettings &settings) const;

    double maximumFrameRate(const SensorSettings &settings) const;
    static double minimumFrameRate() { return 0.5; }
    /// Smallest step of the frame interval, seconds.
    static double frameIntervalIncrement() { return 1e-5; }
    /// The rate images actually come at: a long exposure slows the sensor down.
    double effectiveFrameRate(const SensorSettings &settings) const;

    static double exposureMinimum() { return 0.01; }
    double exposureMaximum(const SensorSettings &settings) const;
    static double exposureIncrement() { return 0.01; }
    static double longExposureMaximum() { return 10000.0; }

    VyraFlashParams flashMinimum() const { return {0, 0}; }
    VyraFlashParams flashMaximum(const SensorSettings &settings) const;
    static VyraFlashParams flashIncrement() { return {1, 1}; }

    bool exposureValid(const SensorSettings &settings, double exposureMs) const;
    bool gainsValid(int32_t master, int32_t red, int32_t green, int32_t blue) const;
    bool offsetXValid(const SensorSettings &settings, int32_t x) const;
    bool offsetYValid(const SensorSettings &settings, int32_t y) const;
    bool flashValid(const SensorSettings &settings, int32_t mode, int32_t durationUs,
                    int32_t delayUs) const;
    /// VYRA_SUCCESS when every value of settings is in its range, else 125.
    VyraStatus validate(const SensorSettings &settings) const;

    VyraStatus setAoi(SensorSettings &settings, const VyraRect &aoi) const;
    VyraStatus setOffset(SensorSettings &settings, int32_t x, int32_t y) const;
    VyraStatus setBinning(SensorSettings &settings, int32_t modeBits) const;
    VyraStatus setSubsampling(SensorSettings &settings, int32_t modeBits) const;
    VyraStatus applyImageFormat(SensorSettings &settings, int32_t formatId) const;
    VyraStatus setPixelClock(SensorSettings &settings, uint32_t clockMHz) const;
    /// Sets the rate nearest to fps that the sensor can run at.
    VyraStatus setFrameRate(SensorSettings &settings, double fps) const;
    VyraStatus setExposure(SensorSettings &settings, double exposureMs) const;
    VyraStatus setLongExposure(SensorSettings &settings, bool on) const;
    /// VYRA_GAIN_KEEP leaves a gain as it is.
    VyraStatus setGains(SensorSettings &settings, int32_t master, int32_t red, int32_t green,
                        int32_t blue) const;
    VyraStatus setFlashParams(SensorSettings &settings, int32_t delayUs, int32_t durationUs) const;
    VyraStatus setFlashMode(SensorSettings &settings, int32_t mode) const;

    /// Brightness factor of the red, green and blue channel for an image taken
    /// with values: 1.0 is the scene as drawn.
    std::array<double, 3> channelFactors(const SequencerValues &values) const;
    /// values with every entry pulled into the ranges of settings; the
    /// sequencer's stored values may stem from other settings.
    SequencerValues clampedValues(const SensorSettings &settings,
                                  const SequencerValues &values) const;

    /// The exposure that gives the scene as drawn, milliseconds.
    static double referenceExposureMs() { return 10.0; }

private:
    /// Pulls the frame rate, exposure, flash timing and offsets into the
    /// ranges of the current geometry and pixel clock.
    void settle(SensorSettings &settings) const;
    /// The AOI scaled from one binning and subsampling to another, so that it
    /// covers the same part of the sensor.
    void rescaleAoi(SensorSettings &settings, int32_t binning, int32_t subsampling) const;
    bool geometryValid(int32_t binning, int32_t subsampling, const VyraRect &aoi) const;
    bool pixelClockOffered(uint32_t clockMHz) const;

    CameraSpec spec_;
};

} // namespace VyraSim
