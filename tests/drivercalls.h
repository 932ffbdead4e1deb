#pragma once

// Driver calls that the tests of both camera drivers make through the C
// interface, in one line each.

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

} // namespace DriverTest
