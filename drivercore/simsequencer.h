#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sequencerconfiguration.h"
#include "sequencervalues.h"
#include "vyradriver.h"

namespace VyraSim {

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
    std::string model;    ///< camera model, written to and checked in configuration files
    SequencerValues live; ///< the camera's current parameters (stored by "save set")
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

    /// Sub-commands 7 and 8 in halves, for a camera that reads and writes
    /// files without holding its lock: control() does the same in one go.
    /// Reads the file named by a sub-command 7 path argument; no lock needed.
    static VyraStatus readConfigurationFile(const void *path, std::string &document);
    /// Checks a document read by readConfigurationFile and applies all of it
    /// or, with a failing status, nothing.
    VyraStatus applyConfiguration(const std::string &document, const SequencerContext &context);
    /// The document sub-command 8 writes.
    std::string configurationDocument(const SequencerContext &context) const;
    /// Writes a document to the file named by a sub-command 8 path argument
    /// (atomically: a failure leaves an existing file as it was); no lock needed.
    static VyraStatus writeConfigurationFile(const void *path, const std::string &document);

    /// Paths each set holds; sub-command 30 answers it.
    static constexpr int32_t pathsPerSet = 1;
    /// The index of the set a sequence starts with; sub-command 12 answers it.
    static constexpr int32_t startSet = 0;
    /// The most sets a camera can hold: the frame descriptor names the set in one byte.
    static constexpr int maximumSetCount = 256;

    int setCount() const { return setCount_; }
    int32_t triggerSourceMask() const { return triggerSourceMask_; }
    bool configurationModeOn() const { return configurationMode_; }
    int32_t selectedSet() const { return selectedSet_; }
    /// The set the next image of a running sequence is taken with.
    int32_t currentSet() const { return currentSet_; }
    /// The stored part of the sequencer: enabled features, every set's values and path.
    const SequencerConfiguration &configuration() const { return stored_; }

private:
    VyraStatus setSequencerMode(const void *buffer, uint32_t size);
    VyraStatus setConfigurationMode(const void *buffer, uint32_t size);
    VyraStatus saveSet(const SequencerContext &context);
    VyraStatus selectSet(const void *buffer, uint32_t size);
    VyraStatus writePath(const void *buffer, uint32_t size);
    VyraStatus readPath(void *buffer, uint32_t size) const;
    VyraStatus selectFeature(const void *buffer, uint32_t size);
    VyraStatus enableFeature(const void *buffer, uint32_t size);
    VyraStatus readFeatureValue(void *buffer, uint32_t size) const;
    void reset();
    bool triggerSourceOffered(int32_t source) const;

    int setCount_;
    int32_t triggerSourceMask_;
    SequencerValues defaults_;

    SequencerConfiguration stored_;
    bool configurationMode_ = false;
    bool sequencerMode_ = false;
    int32_t selectedSet_ = startSet;
    int64_t selectedFeature_ = VYRA_FEATURE_EXPOSURE;
    /// Path 0 of the selected set as last written with sub-command 15; "save
    /// set" stores it, selecting a set fetches that set's stored path.
    int32_t pendingNextSet_ = 0;
    int32_t pendingTriggerSource_ = VYRA_SEQUENCER_TRIGGER_OFF;
    int32_t currentSet_ = startSet;
};

} // namespace VyraSim
