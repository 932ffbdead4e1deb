#include "cameralimits.h"

#include "camerafeature.h"
#include "vyracamera.h"
#include "vyradriver.h"

CameraLimits CameraLimits::of(VyraCamera &camera)
{
    CameraLimits limits;
    limits.framerate = camera.framerate();
    limits.exposureMinimum = camera.exposureMinimum();
    limits.exposureMaximum = camera.exposureMaximum();
    limits.gainMinimum = camera.gainMinimum();
    limits.gainMaximum = camera.gainMaximum();
    limits.aoiOffsetMinimum = camera.aoiOffsetMinimum();
    limits.aoiOffsetMaximum = camera.aoiOffsetMaximum();
    limits.hasFlash = cameraOffers([&] {
        limits.flashDelayMinimum = camera.flashDelayMin();
        limits.flashDelayMaximum = camera.flashDelayMax();
        limits.flashDurationMinimum = camera.flashDurationMin();
        limits.flashDurationMaximum = camera.flashDurationMax();
    });
    qint32 capacity = 0;
    // A camera that cannot tell is taken to hold as many sets as any sequence has.
    if (sequencerControl(camera.handle(), VYRA_SEQUENCER_SET_COUNT, &capacity, sizeof capacity) !=
            VYRA_SUCCESS ||
        capacity <= 0)
        capacity = 32;
    limits.setCapacity = capacity;
    return limits;
}
