#pragma once

#include <cstdint>

#include "genicamdevice.h"

namespace VyraAravis {

/// The GenICam Sequencer category of a camera that has one: the driver
/// mirrors the sequencer state model's changes onto it (modes, enabled
/// features, each stored set with its path), and reads the set that took an
/// image from the image's chunk data.
///
/// Not thread-safe, like the device it works on.
class HardwareSequencer
{
public:
    /// Whether the camera has the features this class needs.
    static bool available(const GenicamDevice &device);

    explicit HardwareSequencer(GenicamDevice &device);

    /// Sets the camera holds (SequencerSetSelector's range).
    int setCount() const;
    /// The VYRA_SEQUENCER_TRIGGER_* bits SequencerTriggerSource offers.
    int32_t triggerSourceMask() const;

    VyraStatus setSequencerMode(bool on);
    VyraStatus setConfigurationMode(bool on);
    /// Enables or disables one VYRA_FEATURE_* in the camera's sets; features
    /// the camera cannot sequence stay with the host's copy only.
    VyraStatus enableFeature(int64_t feature, bool enable);
    /// Stores the camera's current parameters as set, with path 0 to nextSet.
    VyraStatus storeSet(int32_t set, int32_t nextSet, int32_t triggerSource);
    /// Turns on the chunk that names the active set in each image; false
    /// when the camera cannot.
    bool enableSetChunks();

    /// The set that took buffer, from its chunk data; -1 when it has none.
    static int activeSet(ArvChunkParser *parser, ArvBuffer *buffer);

private:
    const char *featureName(int64_t feature) const;

    GenicamDevice &device_;
};

} // namespace VyraAravis
