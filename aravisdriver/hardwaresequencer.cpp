#include "hardwaresequencer.h"

#include <algorithm>

#include "vyradriver.h"

namespace VyraAravis {

namespace {

/// The boundary's trigger sources and SequencerTriggerSource's entries.
struct TriggerName
{
    int32_t source;
    const char *entry;
};

constexpr TriggerName triggerNames[] = {
    {VYRA_SEQUENCER_TRIGGER_FRAME_END, "FrameEnd"},
    {VYRA_SEQUENCER_TRIGGER_FRAME_START, "FrameStart"},
    {VYRA_SEQUENCER_TRIGGER_EXPOSURE_END, "ExposureEnd"},
};

const char *onOff(bool on)
{
    return on ? "On" : "Off";
}

} // namespace

bool HardwareSequencer::available(const GenicamDevice &device)
{
    return device.has("SequencerMode") && device.has("SequencerSetSelector") &&
           device.has("SequencerSetSave") && device.has("SequencerSetNext");
}

HardwareSequencer::HardwareSequencer(GenicamDevice &device) : device_(device)
{
}

int HardwareSequencer::setCount() const
{
    int64_t minimum = 0;
    int64_t maximum = 0;
    if (device_.integerBounds("SequencerSetSelector", &minimum, &maximum) != VYRA_SUCCESS)
        return 1;
    return int(std::clamp<int64_t>(maximum + 1, 1, 256));
}

int32_t HardwareSequencer::triggerSourceMask() const
{
    int32_t mask = 0;
    for (const TriggerName &name : triggerNames) {
        if (device_.hasEntry("SequencerTriggerSource", name.entry))
            mask |= name.source;
    }
    return mask;
}

VyraStatus HardwareSequencer::setSequencerMode(bool on)
{
    if (on && device_.has("SequencerSetStart"))
        device_.setInteger("SequencerSetStart", 0);
    return device_.setText("SequencerMode", onOff(on));
}

VyraStatus HardwareSequencer::setConfigurationMode(bool on)
{
    if (!device_.has("SequencerConfigurationMode"))
        return VYRA_SUCCESS;
    return device_.setText("SequencerConfigurationMode", onOff(on));
}

const char *HardwareSequencer::featureName(int64_t feature) const
{
    switch (feature) {
    case VYRA_FEATURE_EXPOSURE:
        return device_.hasEntry("SequencerFeatureSelector", "ExposureTime") ? "ExposureTime"
                                                                            : "ExposureTimeAbs";
    case VYRA_FEATURE_GAIN:
        return "Gain";
    case VYRA_FEATURE_AOI_OFFSET_X:
        return "OffsetX";
    case VYRA_FEATURE_AOI_OFFSET_Y:
        return "OffsetY";
    default:
        return "LineSource";
    }
}

VyraStatus HardwareSequencer::enableFeature(int64_t feature, bool enable)
{
    const char *name = featureName(feature);
    if (!device_.hasEntry("SequencerFeatureSelector", name) ||
        !device_.has("SequencerFeatureEnable"))
        return VYRA_SUCCESS;
    if (VyraStatus status = device_.setText("SequencerFeatureSelector", name))
        return status;
    return device_.setBoolean("SequencerFeatureEnable", enable);
}

VyraStatus HardwareSequencer::storeSet(int32_t set, int32_t nextSet, int32_t triggerSource)
{
    if (VyraStatus status = device_.setInteger("SequencerSetSelector", set))
        return status;
    if (device_.has("SequencerPathSelector")) {
        if (VyraStatus status = device_.setInteger("SequencerPathSelector", 0))
            return status;
    }
    if (VyraStatus status = device_.setInteger("SequencerSetNext", nextSet))
        return status;
    if (device_.has("SequencerTriggerSource")) {
        const char *entry = "Off";
        for (const TriggerName &name : triggerNames) {
            if (name.source == triggerSource)
                entry = name.entry;
        }
        if (VyraStatus status = device_.setText("SequencerTriggerSource", entry))
            return status;
    }
    return device_.execute("SequencerSetSave");
}

bool HardwareSequencer::enableSetChunks()
{
    if (!device_.has("ChunkModeActive") || !device_.hasEntry("ChunkSelector", "SequencerSetActive"))
        return false;
    return device_.setBoolean("ChunkModeActive", true) == VYRA_SUCCESS &&
           device_.setText("ChunkSelector", "SequencerSetActive") == VYRA_SUCCESS &&
           device_.setBoolean("ChunkEnable", true) == VYRA_SUCCESS;
}

int HardwareSequencer::activeSet(ArvChunkParser *parser, ArvBuffer *buffer)
{
    if (parser == nullptr || !arv_buffer_has_chunks(buffer))
        return -1;
    GError *error = nullptr;
    const gint64 set =
        arv_chunk_parser_get_integer_value(parser, buffer, "ChunkSequencerSetActive", &error);
    if (GenicamDevice::statusOf(error) != VYRA_SUCCESS)
        return -1;
    return int(set);
}

} // namespace VyraAravis
