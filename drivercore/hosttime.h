#pragma once

#include <chrono>

#include "vyrarecords.h"

namespace VyraSim {

/// The calendar time of the host's clock at when, in the local time zone,
/// as a frame descriptor carries it.
VyraFrameTime hostTime(std::chrono::system_clock::time_point when);

} // namespace VyraSim
