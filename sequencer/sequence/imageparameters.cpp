#include "imageparameters.h"

#include "setparameters.h"
#include "vyracamera.h"
#include "vyracameraexception.h"
#include "vyradriver.h"

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

void ImageParameters::takeFeature(qint64 featureId, const SetParameters &set)
{
    switch (featureId) {
    case VYRA_FEATURE_GAIN:
        masterGain = set.masterGain;
        redGain = set.redGain;
        greenGain = set.greenGain;
        blueGain = set.blueGain;
        break;
    case VYRA_FEATURE_AOI_OFFSET_X:
        aoiOffset.setX(set.aoiOffset.x());
        break;
    case VYRA_FEATURE_AOI_OFFSET_Y:
        aoiOffset.setY(set.aoiOffset.y());
        break;
    case VYRA_FEATURE_FLASH:
        flashMode = set.flashMode;
        flashDurationUs = set.flashDurationUs;
        flashDelayUs = set.flashDelayUs;
        hasFlash = true;
        break;
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
