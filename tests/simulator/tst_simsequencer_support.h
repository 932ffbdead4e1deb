#pragma once

#include <QString>
#include <cstring>
#include <vector>

#include "simsequencer.h"

namespace SequencerTest {

/// Ranges of a small test camera: exposure 0.05 to 500 ms, gains 0 to 100,
/// offsets 0 to 640 x 0 to 480, flash modes 0 to 4 with duration up to 20 ms
/// and delay within +-10 ms.
class TestLimits : public VyraSim::ParameterLimits
{
public:
    bool exposureValid(double exposureMs) const override
    {
        return exposureMs >= 0.05 && exposureMs <= 500.0;
    }
    bool gainValid(int32_t master, int32_t red, int32_t green, int32_t blue) const override
    {
        for (int32_t gain : {master, red, green, blue})
            if (gain < 0 || gain > 100)
                return false;
        return true;
    }
    bool offsetXValid(int32_t x) const override { return x >= 0 && x <= 640; }
    bool offsetYValid(int32_t y) const override { return y >= 0 && y <= 480; }
    bool flashValid(int32_t mode, int32_t durationUs, int32_t delayUs) const override
    {
        return mode >= 0 && mode <= 4 && durationUs >= 0 && durationUs <= 20000 &&
               delayUs >= -10000 && delayUs <= 10000;
    }
};

/// A sequencer and the camera around it, with one call per sub-command shape.
class Bench
{
public:
    explicit Bench(int setCount = 32, int32_t triggerMask = 7)
        : sequencer(setCount, triggerMask, defaults())
    {
        context.model = "VK1240C";
        context.live = defaults();
        context.limits = &limits;
    }

    static VyraSim::SequencerValues defaults()
    {
        VyraSim::SequencerValues values;
        values.exposureMs = 20.0;
        values.masterGain = 5;
        return values;
    }

    VyraStatus none(uint32_t command) { return sequencer.control(command, nullptr, 0, context); }
    VyraStatus setInt(uint32_t command, int32_t value)
    {
        return sequencer.control(command, &value, sizeof value, context);
    }
    /// Answers the int32 of a query, or -999 when the query fails.
    int32_t getInt(uint32_t command)
    {
        int32_t value = -999;
        return sequencer.control(command, &value, sizeof value, context) == VYRA_SUCCESS ? value
                                                                                         : -999;
    }
    VyraStatus selectFeature(int64_t feature)
    {
        return sequencer.control(VYRA_SEQUENCER_FEATURE_SELECT, &feature, sizeof feature, context);
    }
    VyraStatus enableFeature(int64_t feature, bool enable = true)
    {
        const VyraStatus status = selectFeature(feature);
        return status != VYRA_SUCCESS ? status
                                      : setInt(VYRA_SEQUENCER_FEATURE_ENABLE, enable ? 1 : 0);
    }
    VyraStatus writePath(int32_t nextSet, int32_t triggerSource, int32_t pathIndex = 0)
    {
        VyraPathRecord path{pathIndex, nextSet, triggerSource, 0};
        return sequencer.control(VYRA_SEQUENCER_PATH_SET, &path, sizeof path, context);
    }
    VyraPathRecord readPath()
    {
        VyraPathRecord path{0, -1, -1, -1};
        if (sequencer.control(VYRA_SEQUENCER_PATH_GET, &path, sizeof path, context) != VYRA_SUCCESS)
            return VyraPathRecord{-1, -1, -1, -1};
        return path;
    }
    VyraStatus fileCommand(uint32_t command, const QString &path)
    {
        std::u16string wide = path.toStdU16String();
        return sequencer.control(command, wide.data(), 0, context);
    }

    /// Stores `set` with the live values in `live` and path 0 to nextSet.
    /// Needs configuration mode.
    VyraStatus storeSet(int32_t set, const VyraSim::SequencerValues &live, int32_t nextSet,
                        int32_t triggerSource)
    {
        VyraStatus status = setInt(VYRA_SEQUENCER_SELECT_SET, set);
        if (status == VYRA_SUCCESS)
            status = writePath(nextSet, triggerSource);
        context.live = live;
        if (status == VYRA_SUCCESS)
            status = none(VYRA_SEQUENCER_SAVE_SET);
        return status;
    }

    /// Everything a command could change, to compare before and after a refusal.
    struct Snapshot
    {
        VyraSim::SequencerConfiguration configuration;
        bool configurationMode;
        bool sequencerMode;
        int32_t selectedSet;
        int32_t currentSet;
        VyraPathRecord pendingPath;

        bool operator==(const Snapshot &other) const
        {
            return configuration == other.configuration &&
                   configurationMode == other.configurationMode &&
                   sequencerMode == other.sequencerMode && selectedSet == other.selectedSet &&
                   currentSet == other.currentSet &&
                   std::memcmp(&pendingPath, &other.pendingPath, sizeof pendingPath) == 0;
        }
    };
    Snapshot snapshot()
    {
        return {sequencer.configuration(),   sequencer.configurationModeOn(),
                sequencer.sequencerModeOn(), sequencer.selectedSet(),
                sequencer.currentSet(),      readPath()};
    }

    TestLimits limits;
    VyraSim::SimSequencer sequencer;
    VyraSim::SequencerContext context;
};

/// Live values that differ from the defaults in every field, shifted by n.
inline VyraSim::SequencerValues distinctValues(int n)
{
    VyraSim::SequencerValues values;
    values.exposureMs = 1.25 + n;
    values.masterGain = 10 + n;
    values.redGain = 20 + n;
    values.greenGain = 30 + n;
    values.blueGain = 40 + n;
    values.offsetX = 8 * n + 2;
    values.offsetY = 4 * n + 1;
    values.flashMode = n % 5;
    values.flashDurationUs = 100 * n + 7;
    values.flashDelayUs = -50 * n;
    return values;
}

} // namespace SequencerTest
