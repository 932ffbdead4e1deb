#include "setparameters.h"

#include <algorithm>
#include <cstring>

#include "camerafeature.h"
#include "featurevalue.h"
#include "vyracamera.h"
#include "vyradriver.h"

namespace {

constexpr qint64 pathId = 255;

QSharedPointer<FeatureValue> valueOf(const void *source, std::size_t size)
{
    auto value = QSharedPointer<FeatureValue>::create(size);
    std::memcpy(value->data(), source, size);
    return value;
}

// Copies as much of a stored value as there is, at most size bytes.
void read(const FeatureValue &value, void *target, std::size_t size)
{
    std::memcpy(target, value.data(), std::min(size, value.size()));
}

// The first trigger source the camera's mask offers, in the order the path
// editor lists them.
qint32 firstTriggerSource(const VyraCamera &camera)
{
    qint32 mask = 0;
    sequencerControl(camera.handle(), VYRA_SEQUENCER_TRIGGER_SOURCES, &mask, sizeof mask);
    for (qint32 source : {VYRA_SEQUENCER_TRIGGER_FRAME_END, VYRA_SEQUENCER_TRIGGER_FRAME_START,
                          VYRA_SEQUENCER_TRIGGER_EXPOSURE_END}) {
        if (mask & source)
            return source;
    }
    return VYRA_SEQUENCER_TRIGGER_OFF;
}

} // namespace

bool SetParameters::sameFeature(const SetParameters &other, qint64 featureId) const
{
    return withFeatureOf(other, featureId) == *this;
}

SetParameters SetParameters::withFeatureOf(const SetParameters &source, qint64 featureId) const
{
    SetParameters result = *this;
    switch (featureId) {
    case VYRA_FEATURE_EXPOSURE:
        result.exposureMs = source.exposureMs;
        break;
    case VYRA_FEATURE_GAIN:
        result.masterGain = source.masterGain;
        result.redGain = source.redGain;
        result.greenGain = source.greenGain;
        result.blueGain = source.blueGain;
        break;
    case VYRA_FEATURE_AOI_OFFSET_X:
        result.aoiOffset.setX(source.aoiOffset.x());
        break;
    case VYRA_FEATURE_AOI_OFFSET_Y:
        result.aoiOffset.setY(source.aoiOffset.y());
        break;
    case VYRA_FEATURE_FLASH:
        result.flashMode = source.flashMode;
        result.flashDurationUs = source.flashDurationUs;
        result.flashDelayUs = source.flashDelayUs;
        break;
    case pathId:
        result.triggerSource = source.triggerSource;
        result.nextSet = source.nextSet;
        break;
    default:
        break;
    }
    return result;
}

QSharedPointer<FeatureValue> SetParameters::driverValue(qint64 featureId) const
{
    switch (featureId) {
    case VYRA_FEATURE_EXPOSURE:
        return valueOf(&exposureMs, sizeof exposureMs);
    case VYRA_FEATURE_GAIN: {
        const qint32 gains[4] = {masterGain, redGain, greenGain, blueGain};
        return valueOf(gains, sizeof gains);
    }
    case VYRA_FEATURE_AOI_OFFSET_X: {
        const qint32 x = aoiOffset.x();
        return valueOf(&x, sizeof x);
    }
    case VYRA_FEATURE_AOI_OFFSET_Y: {
        const qint32 y = aoiOffset.y();
        return valueOf(&y, sizeof y);
    }
    case VYRA_FEATURE_FLASH: {
        // Mode, duration, delay.
        const qint32 flash[3] = {flashMode, flashDurationUs, flashDelayUs};
        return valueOf(flash, sizeof flash);
    }
    default:
        return {};
    }
}

void SetParameters::applyDriverValue(qint64 featureId, const FeatureValue &value)
{
    switch (featureId) {
    case VYRA_FEATURE_EXPOSURE:
        read(value, &exposureMs, sizeof exposureMs);
        break;
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
        qint32 flash[3] = {flashMode, flashDurationUs, flashDelayUs};
        read(value, flash, sizeof flash);
        flashMode = flash[0];
        flashDurationUs = flash[1];
        flashDelayUs = flash[2];
        break;
    }
    default:
        break;
    }
}

SetParameters SetParameters::ofCamera(const VyraCamera &camera)
{
    SetParameters values;
    values.exposureMs = camera.exposure();
    values.masterGain = camera.masterGain();
    values.redGain = camera.redGain();
    values.greenGain = camera.greenGain();
    values.blueGain = camera.blueGain();
    values.aoiOffset = camera.aoiOffset();
    // A camera without a flash output says so by refusing the query.
    cameraOffers([&] {
        values.flashMode = camera.flashMode();
        values.flashDelayUs = camera.flashDelay();
        values.flashDurationUs = camera.flashDuration();
    });
    values.triggerSource = firstTriggerSource(camera);
    return values;
}

void SetParameters::writeToCamera(VyraCamera &camera, const QList<qint64> &features) const
{
    const bool offsetX = features.contains(VYRA_FEATURE_AOI_OFFSET_X);
    const bool offsetY = features.contains(VYRA_FEATURE_AOI_OFFSET_Y);
    if (features.contains(VYRA_FEATURE_EXPOSURE))
        camera.setExposure(exposureMs);
    if (features.contains(VYRA_FEATURE_GAIN))
        camera.setGain(masterGain, redGain, greenGain, blueGain);
    if (offsetX || offsetY) {
        // A set that varies one coordinate keeps the camera's other one.
        QPoint offset = camera.aoiOffset();
        if (offsetX)
            offset.setX(aoiOffset.x());
        if (offsetY)
            offset.setY(aoiOffset.y());
        camera.setAoiOffset(offset);
    }
    if (features.contains(VYRA_FEATURE_FLASH)) {
        camera.setFlashDelay(flashDelayUs);
        camera.setFlashDuration(flashDurationUs);
        camera.setFlashMode(flashMode);
    }
}

bool SetParameters::operator==(const SetParameters &other) const
{
    return exposureMs == other.exposureMs && masterGain == other.masterGain &&
           redGain == other.redGain && greenGain == other.greenGain &&
           blueGain == other.blueGain && aoiOffset == other.aoiOffset &&
           flashMode == other.flashMode && flashDurationUs == other.flashDurationUs &&
           flashDelayUs == other.flashDelayUs && triggerSource == other.triggerSource &&
           nextSet == other.nextSet;
}
