#include "imageparameters.h"

#include <algorithm>
#include <cstring>

#include "featurevalue.h"
#include "vyracamera.h"
#include "vyracameraexception.h"
#include "vyradriver.h"

namespace {

// Copies as much of a stored value as there is, at most size bytes.
void read(const FeatureValue &value, void *target, std::size_t size)
{
    std::memcpy(target, value.data(), std::min(size, value.size()));
}

} // namespace

ImageParameters ImageParameters::ofCamera(const VyraCamera &camera)
{
    ImageParameters parameters;
    parameters.masterGain = camera.masterGain();
    parameters.redGain = camera.redGain();
    parameters.greenGain = camera.greenGain();
    parameters.blueGain = camera.blueGain();
    parameters.aoiOffset = camera.aoiOffset();
    try {
        parameters.flashMode = camera.flashMode();
        parameters.flashDelayUs = camera.flashDelay();
        parameters.flashDurationUs = camera.flashDuration();
        parameters.hasFlash = true;
    } catch (const VyraCameraException &) {
        // Most cameras without a flash output say so by refusing the query.
    }
    return parameters;
}

void ImageParameters::apply(qint64 featureId, const FeatureValue &value)
{
    switch (featureId) {
    case VYRA_FEATURE_GAIN: {
        qint32 gains[4] = {masterGain, redGain, greenGain, blueGain};
        read(value, gains, sizeof gains);
        masterGain = gains[0];
        redGain = gains[1];
        greenGain = gains[2];
        blueGain = gains[3];
        break;
    }
    case VYRA_FEATURE_AOI_OFFSET_X: {
        qint32 x = aoiOffset.x();
        read(value, &x, sizeof x);
        aoiOffset.setX(x);
        break;
    }
    case VYRA_FEATURE_AOI_OFFSET_Y: {
        qint32 y = aoiOffset.y();
        read(value, &y, sizeof y);
        aoiOffset.setY(y);
        break;
    }
    case VYRA_FEATURE_FLASH: {
        // Mode, duration, delay.
        qint32 flash[3] = {flashMode, flashDurationUs, flashDelayUs};
        read(value, flash, sizeof flash);
        flashMode = flash[0];
        flashDurationUs = flash[1];
        flashDelayUs = flash[2];
        hasFlash = true;
        break;
    }
    default:
        break;
    }
}

bool ImageParameters::operator==(const ImageParameters &other) const
{
    return masterGain == other.masterGain && redGain == other.redGain &&
           greenGain == other.greenGain && blueGain == other.blueGain &&
           aoiOffset == other.aoiOffset && hasFlash == other.hasFlash &&
           flashMode == other.flashMode && flashDelayUs == other.flashDelayUs &&
           flashDurationUs == other.flashDurationUs;
}
