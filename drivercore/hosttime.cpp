#include "hosttime.h"

#include <ctime>

namespace VyraSim {

VyraFrameTime hostTime(std::chrono::system_clock::time_point when)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() %
        1000;
    VyraFrameTime time{};
    time.year = uint16_t(local.tm_year + 1900);
    time.month = uint16_t(local.tm_mon + 1);
    time.day = uint16_t(local.tm_mday);
    time.hour = uint16_t(local.tm_hour);
    time.minute = uint16_t(local.tm_min);
    time.second = uint16_t(local.tm_sec);
    time.millisecond = uint16_t(milliseconds);
    return time;
}

} // namespace VyraSim
