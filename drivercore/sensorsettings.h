#pragma once

#include <cstdint>

#include "sequencervalues.h"

namespace VyraSim {

/// The settings of an opened camera that its sensor model rules: everything
/// an image depends on besides the trigger and capture state.
struct SensorSettings
{
    SequencerValues values; ///< exposure, gains, AOI offset, flash
    int32_t width = 0;      ///< AOI size in image pixels (after binning and subsampling)
    int32_t height = 0;
    int32_t binning = 0; ///< VYRA_FACTOR_* bits
    int32_t subsampling = 0;
    uint32_t pixelClockMHz = 0;
    double frameRate = 0.0; ///< the rate the sensor is set to
    bool longExposure = false;

    bool operator==(const SensorSettings &other) const;
    bool operator!=(const SensorSettings &other) const { return !(*this == other); }
};

} // namespace VyraSim
