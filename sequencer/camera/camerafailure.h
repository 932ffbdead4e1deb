#pragma once

#include "vyracameraexception.h"

/// Runs step and drops a VyraCameraException it throws. The settings dialogs
/// apply every change at once and then show what the camera holds, so a
/// change the camera refuses needs no message of its own; nor does a camera
/// that stops answering while a dialog is open, whose removal the main window
/// reports.
template<typename Step> void ignoreCameraFailure(Step &&step)
{
    try {
        step();
    } catch (const VyraCameraException &) {
    }
}
