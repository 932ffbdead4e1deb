#include "fuzzchecks.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include "parameterset.h"
#include "sequencerxml.h"

namespace {

/// A camera with the usual figures; the ranges are those a sensor model
/// answers for its full resolution.
class FuzzLimits : public VyraSim::ParameterLimits
{
public:
    bool exposureValid(double exposureMs) const override
    {
        return exposureMs >= 0.01 && exposureMs <= 2000.0;
    }
    bool gainValid(int32_t master, int32_t red, int32_t green, int32_t blue) const override
    {
        for (int32_t gain : {master, red, green, blue})
            if (gain < VYRA_GAIN_MIN || gain > VYRA_GAIN_MAX)
                return false;
        return true;
    }
    bool offsetXValid(int32_t x) const override { return x >= 0 && x <= 1024 && x % 4 == 0; }
    bool offsetYValid(int32_t y) const override { return y >= 0 && y <= 768 && y % 2 == 0; }
    bool flashValid(int32_t mode, int32_t durationUs, int32_t delayUs) const override
    {
        return mode >= VYRA_FLASH_MODE_OFF && mode <= VYRA_FLASH_MODE_CONSTANT_LOW &&
               durationUs >= 0 && durationUs <= 100000 && delayUs >= -50000 && delayUs <= 50000;
    }
};

/// Collects what Qt prints while a check runs: a loader that makes Qt warn
/// about a file (for instance by looking up a text codec that the file names)
/// does not handle it soundly.
class QtMessageCollector
{
public:
    QtMessageCollector() { previous_ = qInstallMessageHandler(&QtMessageCollector::collect); }
    ~QtMessageCollector() { qInstallMessageHandler(previous_); }
    QtMessageCollector(const QtMessageCollector &) = delete;
    QtMessageCollector &operator=(const QtMessageCollector &) = delete;

    /// The messages so far, emptied.
    static std::string take()
    {
        std::string taken;
        taken.swap(messages());
        return taken;
    }

private:
    static std::string &messages()
    {
        static std::string collected;
        return collected;
    }
    static void collect(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        messages() += message.toStdString() + "; ";
    }

    QtMessageHandler previous_ = nullptr;
};

bool withinCamera(const VyraSim::SequencerConfiguration &configuration,
                  const VyraSim::SequencerXml::Camera &camera)
{
    if (configuration.sets.size() != static_cast<size_t>(camera.setCount) ||
        (configuration.enabledFeatures & ~uint32_t(0x1f)) != 0)
        return false;
    for (const VyraSim::SequencerConfiguration::Set &set : configuration.sets) {
        const VyraSim::SequencerValues &v = set.values;
        const bool triggerOffered =
            set.triggerSource == 0 ||
            ((set.triggerSource == 1 || set.triggerSource == 2 || set.triggerSource == 4) &&
             (camera.triggerSourceMask & set.triggerSource));
        if (!camera.limits->exposureValid(v.exposureMs) ||
            !camera.limits->gainValid(v.masterGain, v.redGain, v.greenGain, v.blueGain) ||
            !camera.limits->offsetXValid(v.offsetX) || !camera.limits->offsetYValid(v.offsetY) ||
            !camera.limits->flashValid(v.flashMode, v.flashDurationUs, v.flashDelayUs) ||
            set.nextSet < 0 || set.nextSet >= camera.setCount || !triggerOffered)
            return false;
    }
    return true;
}

} // namespace

std::string FuzzChecks::sequencerXml(const uint8_t *data, size_t size)
{
    static const FuzzLimits limits;
    VyraSim::SequencerXml::Camera camera;
    camera.model = "VK1240C";
    camera.setCount = 32;
    camera.triggerSourceMask =
        VYRA_SEQUENCER_TRIGGER_FRAME_END | VYRA_SEQUENCER_TRIGGER_EXPOSURE_END;
    camera.limits = &limits;

    const QByteArray document(reinterpret_cast<const char *>(data), static_cast<int>(size));
    QtMessageCollector collector;
    const VyraSim::SequencerXml::Decoded decoded = VyraSim::SequencerXml::decode(document, camera);
    const std::string messages = QtMessageCollector::take();
    if (!messages.empty())
        return "decoding made Qt print: " + messages;
    if (decoded.status != VYRA_SUCCESS) {
        if (decoded.error.isEmpty())
            return "a refusal without a reason";
        if (!decoded.configuration.sets.empty() || decoded.configuration.enabledFeatures != 0)
            return "a refused document left a configuration behind";
        return std::string();
    }
    if (!withinCamera(decoded.configuration, camera))
        return "an accepted document holds values beyond the camera";
    const QByteArray again = VyraSim::SequencerXml::encode(camera.model, decoded.configuration);
    const VyraSim::SequencerXml::Decoded reread = VyraSim::SequencerXml::decode(again, camera);
    if (reread.status != VYRA_SUCCESS)
        return "the re-encoded document is refused: " + reread.error.toStdString();
    if (reread.configuration != decoded.configuration)
        return "the re-encoded document reads back different";
    return std::string();
}

std::string FuzzChecks::parameterSet(const uint8_t *data, size_t size)
{
    QtMessageCollector collector;
    const VyraSim::ParameterSet::Parsed parsed =
        VyraSim::ParameterSet::parse(reinterpret_cast<const char *>(data), size);
    const std::string messages = QtMessageCollector::take();
    if (!messages.empty())
        return "parsing made Qt print: " + messages;
    if (parsed.status != VYRA_SUCCESS) {
        if (parsed.problem.empty())
            return "a refusal without a reason";
        return std::string();
    }
    if (!parsed.problem.empty())
        return "an accepted file with a problem: " + parsed.problem;
    const std::string again =
        VyraSim::ParameterSet::encode(parsed.model, "4102000001", parsed.settings);
    const VyraSim::ParameterSet::Parsed reread =
        VyraSim::ParameterSet::parse(again.data(), again.size());
    if (reread.status != VYRA_SUCCESS)
        return "the re-encoded file is refused at line " + std::to_string(reread.line) + ": " +
               reread.problem;
    if (reread.model != parsed.model || reread.settings != parsed.settings)
        return "the re-encoded file reads back different";
    return std::string();
}
