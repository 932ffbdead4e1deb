#include "sensorsettings.h"

namespace VyraSim {

bool SensorSettings::operator==(const SensorSettings &other) const
{
    return values == other.values && width == other.width && height == other.height &&
           binning == other.binning && subsampling == other.subsampling &&
           pixelClockMHz == other.pixelClockMHz && frameRate == other.frameRate &&
           longExposure == other.longExposure;
}

} // namespace VyraSim
