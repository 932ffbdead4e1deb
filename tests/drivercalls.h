#pragma once

// Driver calls that the tests of both camera drivers make through the C
// interface, in one line each.

#include <vector>

#include "vyradriver.h"

namespace DriverTest {

/// Opens the camera with this device ID; 0 on failure, with the status in
/// *status when given.
inline VyraHandle openDevice(int32_t deviceId, VyraStatus *status = nullptr)
{
    VyraHandle handle = VyraHandle(deviceId) | VYRA_USE_DEVICE_ID;
    const VyraStatus result = openCamera(&handle, nullptr);
    if (status != nullptr)
        *status = result;
    return result == VYRA_SUCCESS ? handle : 0;
}

inline VyraRect aoiOf(VyraHandle handle)
{
    VyraRect aoi{};
    aoiControl(handle, VYRA_AOI_GET, &aoi, sizeof aoi);
    return aoi;
}

inline VyraStatus setExposure(VyraHandle handle, double ms)
{
    return exposureControl(handle, VYRA_EXPOSURE_SET, &ms, sizeof ms);
}

/// The exposure reading of the command (the current exposure by default);
/// -1 when the call fails.
inline double exposureValue(VyraHandle handle, uint32_t command = VYRA_EXPOSURE_GET)
{
    double ms = -1.0;
    exposureControl(handle, command, &ms, sizeof ms);
    return ms;
}

inline VyraStatus sequencerSwitch(VyraHandle handle, uint32_t command, int32_t on)
{
    return sequencerControl(handle, command, &on, sizeof on);
}

/// Writes sets 0 .. n-1 with the given exposures into the camera's sequencer,
/// each leading to the next and the last back to 0, as the application does.
inline bool writeExposureSequence(VyraHandle handle, const std::vector<double> &exposures)
{
    bool ok = sequencerControl(handle, VYRA_SEQUENCER_RESET, nullptr, 0) == VYRA_SUCCESS &&
              sequencerSwitch(handle, VYRA_SEQUENCER_CONFIGURATION_SET, 1) == VYRA_SUCCESS;
    int64_t feature = VYRA_FEATURE_EXPOSURE;
    ok = ok && sequencerControl(handle, VYRA_SEQUENCER_FEATURE_SELECT, &feature, sizeof feature) ==
                   VYRA_SUCCESS;
    ok = ok && sequencerSwitch(handle, VYRA_SEQUENCER_FEATURE_ENABLE, 1) == VYRA_SUCCESS;
    for (int32_t set = 0; ok && set < int32_t(exposures.size()); ++set) {
        VyraPathRecord path{0, (set + 1) % int32_t(exposures.size()),
                            VYRA_SEQUENCER_TRIGGER_FRAME_END, 0};
        ok = sequencerControl(handle, VYRA_SEQUENCER_SELECT_SET, &set, sizeof set) == 0 &&
             setExposure(handle, exposures[size_t(set)]) == VYRA_SUCCESS &&
             sequencerControl(handle, VYRA_SEQUENCER_PATH_SET, &path, sizeof path) == 0 &&
             sequencerControl(handle, VYRA_SEQUENCER_SAVE_SET, nullptr, 0) == 0;
    }
    return ok && sequencerSwitch(handle, VYRA_SEQUENCER_CONFIGURATION_SET, 0) == VYRA_SUCCESS;
}

} // namespace DriverTest
