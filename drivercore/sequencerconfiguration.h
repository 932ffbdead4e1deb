#pragma once

#include <cstdint>
#include <vector>

#include "sequencervalues.h"
#include "vyradriver.h"

namespace VyraSim {

/// What the sequencer stores and its configuration file holds: which features
/// the sequence varies, and every set's stored values and path 0.
struct SequencerConfiguration
{
    /// One stored set: its values for every feature and its path 0.
    struct Set
    {
        SequencerValues values;
        int32_t nextSet = 0;
        int32_t triggerSource = VYRA_SEQUENCER_TRIGGER_OFF;

        bool operator==(const Set &other) const
        {
            return values == other.values && nextSet == other.nextSet &&
                   triggerSource == other.triggerSource;
        }
        bool operator!=(const Set &other) const { return !(*this == other); }
    };

    /// OR of the VYRA_FEATURE_* identifiers that are enabled.
    uint32_t enabledFeatures = 0;
    /// One entry per set of the camera, indexed by set.
    std::vector<Set> sets;

    bool operator==(const SequencerConfiguration &other) const
    {
        return enabledFeatures == other.enabledFeatures && sets == other.sets;
    }
    bool operator!=(const SequencerConfiguration &other) const { return !(*this == other); }
};

} // namespace VyraSim
