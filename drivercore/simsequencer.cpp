#include "simsequencer.h"

#include <QString>
#include <algorithm>
#include <climits>
#include <cstring>

#include "sequencerxml.h"

/*
 * The state model of the camera's sequencer.
 *
 * State: the number of sets (fixed per camera), the stored configuration
 * (enabled features, every set's values and path 0), the selected set and
 * feature, path 0 as last written with sub-command 15, configuration mode,
 * sequencer mode and, while a sequence runs, the current set.
 *
 * Rules, as a real device enforces them (a refused command answers
 * VYRA_INVALID_PARAMETER, 125, and changes nothing):
 *  - Configuration mode can be switched on only while sequencer mode is off,
 *    and sequencer mode only while configuration mode is off. Switching a
 *    mode to the state it is already in is accepted and changes nothing.
 *  - Selecting a set (13), storing it (10) and enabling or disabling a
 *    feature (22) need configuration mode. Loading a file (7) needs sequencer
 *    mode off. Reading (2, 5, 12, 14, 16, 17, 23, 25, 30, 31), writing path 0
 *    (15, kept pending until the set is stored), selecting a feature (20) and
 *    saving a file (8) work in any mode.
 *  - A set index at or beyond the number of sets, an unknown feature, a path
 *    index other than 0, a trigger source the camera does not offer, a mode
 *    word other than 0 or 1, or a buffer size that does not fit the command
 *    is refused.
 *  - Reset (6) returns to the power-on state in any mode: both modes off, no
 *    feature enabled, set 0 and Exposure selected, every set at the camera's
 *    defaults with path 0 leading to set 0 with trigger source Off.
 *  - Loading a file (7) checks the whole file first and then replaces the
 *    enabled features and every set, or changes nothing at all (the file's
 *    status, see SequencerXml). The modes and the selected set stay; the
 *    pending path becomes the selected set's loaded one.
 *  - Storing a set (10) copies the camera's current parameters of the enabled
 *    features into the selected set (the set keeps its values of the others)
 *    and stores the pending path 0.
 *  - Switching sequencer mode on starts at the start set (0). Every image
 *    taken while it is on uses the current set's values of the enabled
 *    features and the live values of the others; then the sequence follows
 *    path 0 to its next set unless its trigger source is Off. The simulated
 *    sensor sees every frame start, exposure end and frame end of its own
 *    images, so each offered trigger source steps once per image.
 *  - The sequencer never writes the camera's live parameters: they are only
 *    overridden image by image, so once sequencer mode is off the camera takes
 *    its images with the parameters it had before the sequence ran.
 *  - Sub-command 30 answers the number of paths per set, 1: only path 0
 *    exists.
 */

namespace VyraSim {

namespace {

/// File paths arrive NUL-terminated without a size; a path longer than any
/// file system allows is taken as an unterminated buffer and refused.
constexpr int maximumPathLength = 32767;

constexpr int32_t allTriggerSources = VYRA_SEQUENCER_TRIGGER_FRAME_END |
                                      VYRA_SEQUENCER_TRIGGER_FRAME_START |
                                      VYRA_SEQUENCER_TRIGGER_EXPOSURE_END;

/// Size of the value a set stores for a feature, 0 for an unknown feature.
uint32_t featureValueSize(int64_t feature)
{
    switch (feature) {
    case VYRA_FEATURE_EXPOSURE:
        return sizeof(double);
    case VYRA_FEATURE_GAIN:
        return 4 * sizeof(int32_t);
    case VYRA_FEATURE_AOI_OFFSET_X:
    case VYRA_FEATURE_AOI_OFFSET_Y:
        return sizeof(int32_t);
    case VYRA_FEATURE_FLASH:
        return 3 * sizeof(int32_t);
    default:
        return 0;
    }
}

/// Copies the values of the features in `features` from `source` into `target`.
void copyFeatures(uint32_t features, const SequencerValues &source, SequencerValues &target)
{
    if (features & VYRA_FEATURE_EXPOSURE)
        target.exposureMs = source.exposureMs;
    if (features & VYRA_FEATURE_GAIN) {
        target.masterGain = source.masterGain;
        target.redGain = source.redGain;
        target.greenGain = source.greenGain;
        target.blueGain = source.blueGain;
    }
    if (features & VYRA_FEATURE_AOI_OFFSET_X)
        target.offsetX = source.offsetX;
    if (features & VYRA_FEATURE_AOI_OFFSET_Y)
        target.offsetY = source.offsetY;
    if (features & VYRA_FEATURE_FLASH) {
        target.flashMode = source.flashMode;
        target.flashDurationUs = source.flashDurationUs;
        target.flashDelayUs = source.flashDelayUs;
    }
}

/// Reads the int32 of a 4-byte command buffer.
bool readInt32(const void *buffer, uint32_t size, int32_t &value)
{
    if (!buffer || size != sizeof(int32_t))
        return false;
    std::memcpy(&value, buffer, sizeof value);
    return true;
}

/// Reads a 0-or-1 switch word.
bool readSwitch(const void *buffer, uint32_t size, bool &on)
{
    int32_t value = 0;
    if (!readInt32(buffer, size, value) || (value != 0 && value != 1))
        return false;
    on = value == 1;
    return true;
}

VyraStatus answerInt32(void *buffer, uint32_t size, int32_t value)
{
    if (!buffer || size != sizeof(int32_t))
        return VYRA_INVALID_PARAMETER;
    std::memcpy(buffer, &value, sizeof value);
    return VYRA_SUCCESS;
}

/// The NUL-terminated UTF-16 path of sub-commands 7 and 8, or a null string.
QString pathArgument(const void *buffer)
{
    if (!buffer)
        return QString();
    const auto *text = static_cast<const char16_t *>(buffer);
    int length = 0;
    while (length <= maximumPathLength && text[length] != u'\0')
        ++length;
    if (length == 0 || length > maximumPathLength)
        return QString();
    return QString::fromUtf16(text, length);
}

} // namespace

SimSequencer::SimSequencer(int setCount, int32_t triggerSourceMask, const SequencerValues &defaults)
    : setCount_(std::clamp(setCount, 1, maximumSetCount))
    , triggerSourceMask_(triggerSourceMask & allTriggerSources)
    , defaults_(defaults)
{
    reset();
}

bool SimSequencer::sequencerModeOn() const
{
    return sequencerMode_;
}

VyraStatus SimSequencer::control(uint32_t command, void *buffer, uint32_t size,
                                 const SequencerContext &context)
{
    switch (command) {
    case VYRA_SEQUENCER_MODE_SET:
        return setSequencerMode(buffer, size);
    case VYRA_SEQUENCER_MODE_GET:
        return answerInt32(buffer, size, sequencerMode_ ? 1 : 0);
    case VYRA_SEQUENCER_CONFIGURATION_SET:
        return setConfigurationMode(buffer, size);
    case VYRA_SEQUENCER_SUPPORTED:
        return answerInt32(buffer, size, 1);
    case VYRA_SEQUENCER_RESET:
        if (size != 0)
            return VYRA_INVALID_PARAMETER;
        reset();
        return VYRA_SUCCESS;
    case VYRA_SEQUENCER_LOAD_FILE: {
        if (size != 0 || sequencerMode_)
            return VYRA_INVALID_PARAMETER;
        std::string document;
        const VyraStatus status = readConfigurationFile(buffer, document);
        return status == VYRA_SUCCESS ? applyConfiguration(document, context) : status;
    }
    case VYRA_SEQUENCER_SAVE_FILE:
        return size == 0 ? writeConfigurationFile(buffer, configurationDocument(context))
                         : VYRA_INVALID_PARAMETER;
    case VYRA_SEQUENCER_SAVE_SET:
        return size == 0 ? saveSet(context) : VYRA_INVALID_PARAMETER;
    case VYRA_SEQUENCER_START_SET:
        return answerInt32(buffer, size, startSet);
    case VYRA_SEQUENCER_SELECT_SET:
        return selectSet(buffer, size);
    case VYRA_SEQUENCER_SELECTED_SET:
        return answerInt32(buffer, size, selectedSet_);
    case VYRA_SEQUENCER_PATH_SET:
        return writePath(buffer, size);
    case VYRA_SEQUENCER_PATH_GET:
        return readPath(buffer, size);
    case VYRA_SEQUENCER_SET_COUNT:
        return answerInt32(buffer, size, setCount_);
    case VYRA_SEQUENCER_FEATURE_SELECT:
        return selectFeature(buffer, size);
    case VYRA_SEQUENCER_FEATURE_ENABLE:
        return enableFeature(buffer, size);
    case VYRA_SEQUENCER_FEATURE_ENABLED:
        return answerInt32(buffer, size, (stored_.enabledFeatures & selectedFeature_) ? 1 : 0);
    case VYRA_SEQUENCER_FEATURE_VALUE:
        return readFeatureValue(buffer, size);
    case VYRA_SEQUENCER_PATH_COUNT:
        return answerInt32(buffer, size, pathsPerSet);
    case VYRA_SEQUENCER_TRIGGER_SOURCES:
        return answerInt32(buffer, size, triggerSourceMask_);
    default:
        return VYRA_INVALID_PARAMETER;
    }
}

SimSequencer::Step SimSequencer::takeImage(const SequencerValues &live)
{
    Step step;
    step.set = currentSet_;
    step.values = live;
    const SequencerConfiguration::Set &set = stored_.sets[static_cast<size_t>(currentSet_)];
    copyFeatures(stored_.enabledFeatures, set.values, step.values);
    if (set.triggerSource != VYRA_SEQUENCER_TRIGGER_OFF)
        currentSet_ = set.nextSet;
    return step;
}

VyraStatus SimSequencer::setSequencerMode(const void *buffer, uint32_t size)
{
    bool on = false;
    if (!readSwitch(buffer, size, on))
        return VYRA_INVALID_PARAMETER;
    if (on == sequencerMode_)
        return VYRA_SUCCESS;
    if (on && configurationMode_)
        return VYRA_INVALID_PARAMETER;
    sequencerMode_ = on;
    currentSet_ = startSet;
    return VYRA_SUCCESS;
}

VyraStatus SimSequencer::setConfigurationMode(const void *buffer, uint32_t size)
{
    bool on = false;
    if (!readSwitch(buffer, size, on))
        return VYRA_INVALID_PARAMETER;
    if (on && sequencerMode_)
        return VYRA_INVALID_PARAMETER;
    configurationMode_ = on;
    return VYRA_SUCCESS;
}

VyraStatus SimSequencer::readConfigurationFile(const void *path, std::string &document)
{
    const QString fileName = pathArgument(path);
    if (fileName.isNull())
        return VYRA_INVALID_PARAMETER;
    QByteArray bytes;
    const VyraStatus status = SequencerXml::readFile(fileName, bytes);
    if (status == VYRA_SUCCESS)
        document.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
    return status;
}

VyraStatus SimSequencer::applyConfiguration(const std::string &document,
                                            const SequencerContext &context)
{
    if (sequencerMode_)
        return VYRA_INVALID_PARAMETER;
    SequencerXml::Camera camera;
    camera.model = context.model;
    camera.setCount = setCount_;
    camera.triggerSourceMask = triggerSourceMask_;
    camera.defaults = defaults_;
    camera.limits = context.limits;
    const QByteArray bytes = QByteArray::fromRawData(
        document.data(), static_cast<int>(std::min<size_t>(document.size(), INT32_MAX)));
    SequencerXml::Decoded decoded = SequencerXml::decode(bytes, camera);
    if (decoded.status != VYRA_SUCCESS)
        return decoded.status;
    // Only a fully checked document gets here, so it replaces the stored state as a whole.
    stored_ = std::move(decoded.configuration);
    const SequencerConfiguration::Set &selected = stored_.sets[static_cast<size_t>(selectedSet_)];
    pendingNextSet_ = selected.nextSet;
    pendingTriggerSource_ = selected.triggerSource;
    return VYRA_SUCCESS;
}

std::string SimSequencer::configurationDocument(const SequencerContext &context) const
{
    const QByteArray document = SequencerXml::encode(context.model, stored_);
    return std::string(document.constData(), static_cast<size_t>(document.size()));
}

VyraStatus SimSequencer::writeConfigurationFile(const void *path, const std::string &document)
{
    const QString fileName = pathArgument(path);
    if (fileName.isNull())
        return VYRA_INVALID_PARAMETER;
    return SequencerXml::writeFile(
        fileName, QByteArray::fromRawData(document.data(), static_cast<int>(document.size())));
}

VyraStatus SimSequencer::saveSet(const SequencerContext &context)
{
    if (!configurationMode_)
        return VYRA_INVALID_PARAMETER;
    SequencerConfiguration::Set &set = stored_.sets[static_cast<size_t>(selectedSet_)];
    copyFeatures(stored_.enabledFeatures, context.live, set.values);
    set.nextSet = pendingNextSet_;
    set.triggerSource = pendingTriggerSource_;
    return VYRA_SUCCESS;
}

VyraStatus SimSequencer::selectSet(const void *buffer, uint32_t size)
{
    int32_t set = 0;
    if (!readInt32(buffer, size, set) || !configurationMode_ || set < 0 || set >= setCount_)
        return VYRA_INVALID_PARAMETER;
    selectedSet_ = set;
    const SequencerConfiguration::Set &selected = stored_.sets[static_cast<size_t>(set)];
    pendingNextSet_ = selected.nextSet;
    pendingTriggerSource_ = selected.triggerSource;
    return VYRA_SUCCESS;
}

VyraStatus SimSequencer::writePath(const void *buffer, uint32_t size)
{
    if (!buffer || size != sizeof(VyraPathRecord))
        return VYRA_INVALID_PARAMETER;
    VyraPathRecord path;
    std::memcpy(&path, buffer, sizeof path);
    if (path.pathIndex != 0 || path.nextSet < 0 || path.nextSet >= setCount_ ||
        !triggerSourceOffered(path.triggerSource))
        return VYRA_INVALID_PARAMETER;
    pendingNextSet_ = path.nextSet;
    pendingTriggerSource_ = path.triggerSource;
    return VYRA_SUCCESS;
}

VyraStatus SimSequencer::readPath(void *buffer, uint32_t size) const
{
    if (!buffer || size != sizeof(VyraPathRecord))
        return VYRA_INVALID_PARAMETER;
    VyraPathRecord path;
    std::memcpy(&path, buffer, sizeof path);
    if (path.pathIndex != 0)
        return VYRA_INVALID_PARAMETER;
    path.nextSet = pendingNextSet_;
    path.triggerSource = pendingTriggerSource_;
    path.reserved = 0;
    std::memcpy(buffer, &path, sizeof path);
    return VYRA_SUCCESS;
}

VyraStatus SimSequencer::selectFeature(const void *buffer, uint32_t size)
{
    if (!buffer || size != sizeof(int64_t))
        return VYRA_INVALID_PARAMETER;
    int64_t feature = 0;
    std::memcpy(&feature, buffer, sizeof feature);
    if (featureValueSize(feature) == 0)
        return VYRA_INVALID_PARAMETER;
    selectedFeature_ = feature;
    return VYRA_SUCCESS;
}

VyraStatus SimSequencer::enableFeature(const void *buffer, uint32_t size)
{
    bool enable = false;
    if (!readSwitch(buffer, size, enable) || !configurationMode_)
        return VYRA_INVALID_PARAMETER;
    const auto feature = static_cast<uint32_t>(selectedFeature_);
    if (enable)
        stored_.enabledFeatures |= feature;
    else
        stored_.enabledFeatures &= ~feature;
    return VYRA_SUCCESS;
}

VyraStatus SimSequencer::readFeatureValue(void *buffer, uint32_t size) const
{
    if (!buffer || size != featureValueSize(selectedFeature_))
        return VYRA_INVALID_PARAMETER;
    const SequencerValues &values = stored_.sets[static_cast<size_t>(selectedSet_)].values;
    switch (selectedFeature_) {
    case VYRA_FEATURE_EXPOSURE:
        std::memcpy(buffer, &values.exposureMs, sizeof values.exposureMs);
        break;
    case VYRA_FEATURE_GAIN: {
        const int32_t gains[4] = {values.masterGain, values.redGain, values.greenGain,
                                  values.blueGain};
        std::memcpy(buffer, gains, sizeof gains);
        break;
    }
    case VYRA_FEATURE_AOI_OFFSET_X:
        std::memcpy(buffer, &values.offsetX, sizeof values.offsetX);
        break;
    case VYRA_FEATURE_AOI_OFFSET_Y:
        std::memcpy(buffer, &values.offsetY, sizeof values.offsetY);
        break;
    case VYRA_FEATURE_FLASH: {
        const int32_t flash[3] = {values.flashMode, values.flashDurationUs, values.flashDelayUs};
        std::memcpy(buffer, flash, sizeof flash);
        break;
    }
    }
    return VYRA_SUCCESS;
}

void SimSequencer::reset()
{
    stored_.enabledFeatures = 0;
    SequencerConfiguration::Set powerOn;
    powerOn.values = defaults_;
    stored_.sets.assign(static_cast<size_t>(setCount_), powerOn);
    configurationMode_ = false;
    sequencerMode_ = false;
    selectedSet_ = startSet;
    selectedFeature_ = VYRA_FEATURE_EXPOSURE;
    pendingNextSet_ = powerOn.nextSet;
    pendingTriggerSource_ = powerOn.triggerSource;
    currentSet_ = startSet;
}

bool SimSequencer::triggerSourceOffered(int32_t source) const
{
    return source == VYRA_SEQUENCER_TRIGGER_OFF ||
           ((source == VYRA_SEQUENCER_TRIGGER_FRAME_END ||
             source == VYRA_SEQUENCER_TRIGGER_FRAME_START ||
             source == VYRA_SEQUENCER_TRIGGER_EXPOSURE_END) &&
            (triggerSourceMask_ & source));
}

} // namespace VyraSim
