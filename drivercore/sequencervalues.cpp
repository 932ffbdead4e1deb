#include "sequencervalues.h"

namespace VyraSim {

bool SequencerValues::operator==(const SequencerValues &other) const
{
    // Exact comparison is intended: a stored exposure is a copy, never a result
    // of arithmetic, so a round trip must give back the very same double.
    return exposureMs == other.exposureMs && masterGain == other.masterGain &&
           redGain == other.redGain && greenGain == other.greenGain && blueGain == other.blueGain &&
           offsetX == other.offsetX && offsetY == other.offsetY && flashMode == other.flashMode &&
           flashDurationUs == other.flashDurationUs && flashDelayUs == other.flashDelayUs;
}

} // namespace VyraSim
