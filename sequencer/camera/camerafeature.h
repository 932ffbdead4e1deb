#pragma once

#include "vyracameraexception.h"

/// Runs step, which reads or applies a setting the camera may lack, and
/// answers whether the camera offers it: false when the driver answers that
/// the camera does not support it. Every other failure is passed on.
template<typename Step> bool cameraOffers(Step &&step)
{
    try {
        step();
        return true;
    } catch (const VyraCameraException &error) {
        if (error.status() != VYRA_NOT_SUPPORTED)
            throw;
        return false;
    }
}
