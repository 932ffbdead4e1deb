#pragma once

#include "sensormodel.h"
#include "simsequencer.h"

namespace VyraSim {

/// The ranges the sequencer checks its values against: those of the camera's
/// sensor model at the camera's current settings. Lives only as long as one
/// sequencer command, under the camera's lock.
class SensorLimits : public ParameterLimits
{
public:
    SensorLimits(const SensorModel &model, const SensorSettings &settings)
        : model_(model), settings_(settings)
    {
    }

    bool exposureValid(double exposureMs) const override
    {
        return model_.exposureValid(settings_, exposureMs);
    }
    bool gainValid(int32_t master, int32_t red, int32_t green, int32_t blue) const override
    {
        return model_.gainsValid(master, red, green, blue);
    }
    bool offsetXValid(int32_t x) const override { return model_.offsetXValid(settings_, x); }
    bool offsetYValid(int32_t y) const override { return model_.offsetYValid(settings_, y); }
    bool flashValid(int32_t mode, int32_t durationUs, int32_t delayUs) const override
    {
        return model_.flashValid(settings_, mode, durationUs, delayUs);
    }

private:
    const SensorModel &model_;
    const SensorSettings &settings_;
};

} // namespace VyraSim
