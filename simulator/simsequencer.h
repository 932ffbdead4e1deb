#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vyradriver.h"

namespace VyraSim {

/// The camera parameters that a sequencer set can store, in the units of the
/// driver interface. The camera model keeps its live parameters in one of
/// these; every set of the sequencer keeps its own copy.
struct SequencerValues
{
    double exposureMs = 10.0;
    int32_t masterGain = 0;
    int32_t redGain = 0;
    int32_t greenGain = 0;
    int32_t blueGain = 0;
    int32_t offsetX = 0;
    int32_t offsetY = 0;
    int32_t flashMode = VYRA_FLASH_MODE_OFF;
    int32_t flashDurationUs = 0;
    int32_t flashDelayUs = 0;

    bool operator==(const SequencerValues &other) const;
    bool operator!=(const SequencerValues &other) const { return !(*this == other); }
};

/// The camera's current ranges, as its sensor model answers them. The
/// sequencer asks it before it stores or loads a value.
class ParameterLimits
{
public:
    virtual ~ParameterLimits() = default;
    virtual bool exposureValid(double exposureMs) const = 0;
    virtual bool gainValid(int32_t master, int32_t red, int32_t green, int32_t blue) const = 0;
    virtual bool offsetXValid(int32_t x) const = 0;
    virtual bool offsetYValid(int32_t y) const = 0;
    virtual bool flashValid(int32_t mode, int32_t durationUs, int32_t delayUs) const = 0;
};

/// What the camera hands to the sequencer with each sequencer command.
struct SequencerContext
{
    std::string model;            ///< camera model, written to and checked in configuration files
    SequencerValues live;         ///< the camera's current parameters (stored by "save set")
    const ParameterLimits *limits = nullptr;
};

/// The camera's hardware sequencer: its sets, paths, enabled features and
/// modes, and the rules by which sequencerControl changes them.
///
/// Not thread-safe on its own: the simulated camera calls it under its lock.
class SimSequencer
{
public:
    /// setCount: number of sets the camera holds; triggerSourceMask: the
    /// VYRA_SEQUENCER_TRIGGER_* bits it offers; defaults: the camera's
    /// power-on parameters, the values of every set after a reset.
    SimSequencer(int setCount, int32_t triggerSourceMask, const SequencerValues &defaults);

    /// Carries out one sequencerControl sub-command.
    VyraStatus control(uint32_t command, void *buffer, uint32_t size,
                       const SequencerContext &context);

    bool sequencerModeOn() const;

    /// The set and the parameters the next image is taken with while the
    /// sequencer mode is on: the current set's stored values for the enabled
    /// features, the live values for the others.
    struct Step
    {
        int set = 0;
        SequencerValues values;
    };

    /// Called for every image taken while sequencer mode is on: answers the
    /// step for this image, then moves to the next set along path 0 unless
    /// its trigger source is off.
    Step takeImage(const SequencerValues &live);

};

} // namespace VyraSim
