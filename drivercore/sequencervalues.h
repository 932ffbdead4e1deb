#pragma once

#include <cstdint>

#include "vyradriver.h"

namespace VyraSim {

/// The camera parameters that a sequencer set can store, in the units of the
/// driver interface. The camera model keeps its live parameters in one of
/// these; every set of the sequencer keeps its own copy.
struct SequencerValues
{
    double exposureMs = 10.0;
    int32_t masterGain = 0;
    int32_t redGain = 0;
    int32_t greenGain = 0;
    int32_t blueGain = 0;
    int32_t offsetX = 0;
    int32_t offsetY = 0;
    int32_t flashMode = VYRA_FLASH_MODE_OFF;
    int32_t flashDurationUs = 0;
    int32_t flashDelayUs = 0;

    bool operator==(const SequencerValues &other) const;
    bool operator!=(const SequencerValues &other) const { return !(*this == other); }
};

} // namespace VyraSim
