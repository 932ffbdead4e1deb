#include "sequencer.h"

#include <QScopeGuard>

#include <stdexcept>

#include "vyracamera.h"
#include "vyracameraexception.h"

namespace {

const char *const sourceFile = "sequencer/sequencer";

Sequencer::FeatureCatalogue buildFeatureCatalogue()
{
    Sequencer::FeatureCatalogue catalogue;
    catalogue.insert(VYRA_FEATURE_EXPOSURE, {QStringLiteral("Exposure"), 8});
    catalogue.insert(VYRA_FEATURE_GAIN, {QStringLiteral("Gain"), 16});
    catalogue.insert(VYRA_FEATURE_AOI_OFFSET_X, {QStringLiteral("AOI Offset X"), 4});
    catalogue.insert(VYRA_FEATURE_AOI_OFFSET_Y, {QStringLiteral("AOI Offset Y"), 4});
    catalogue.insert(VYRA_FEATURE_FLASH, {QStringLiteral("Flash"), 12});
    return catalogue;
}

// The driver reads paths as NUL-terminated UTF-16; QString keeps its
// characters in exactly that form.
void *widePath(const QString &path)
{
    return const_cast<char16_t *>(reinterpret_cast<const char16_t *>(path.utf16()));
}

// Built while the library loads, so that the catalogue exists before main.
const Sequencer::FeatureCatalogue &catalogueAtLoad = Sequencer::featureCatalogue();

} // namespace

Sequencer::Sequencer(const QSharedPointer<VyraCamera> &camera)
    : m_camera(camera)
{
    Q_UNUSED(catalogueAtLoad);
    reset();
}

const Sequencer::FeatureCatalogue &Sequencer::featureCatalogue()
{
    static const FeatureCatalogue catalogue = buildFeatureCatalogue();
    return catalogue;
}

void Sequencer::enableSequencerMode(bool on)
{
    // The window switches the mode several times in a row when a run starts
    // or stops; a switch to the mode the camera is in would only stop and
    // restart its capture, and lose the image being taken.
    if (isSequencerModeEnabled() == on)
        return;
    bool liveStopped = false;
    // A switch that fails on the way leaves the trigger mode of the state the
    // camera is in, and its live image.
    auto recover = qScopeGuard([&] {
        try {
            m_camera->setTriggerMode(isSequencerModeEnabled() ? VYRA_TRIGGER_SINGLE
                                                              : VYRA_TRIGGER_SOFTWARE,
                                     true);
            if (liveStopped)
                m_camera->enableLiveVideo(true);
        } catch (const VyraCameraException &) {
            // The failure that stopped the switch is the one reported.
        }
    });
    if (on) {
        if (m_camera->isLiveVideoEnabled()) {
            m_camera->enableLiveVideo(false);
            liveStopped = true;
        }
        m_camera->setTriggerMode(VYRA_TRIGGER_SINGLE, true);
    }
    writeInt(VYRA_SEQUENCER_MODE_SET, on ? 1 : 0, "Sequencer::enableSequencerMode", __LINE__);
    if (!on)
        m_camera->setTriggerMode(VYRA_TRIGGER_SOFTWARE, true);
    if (liveStopped)
        m_camera->enableLiveVideo(true);
    recover.dismiss();
}

bool Sequencer::isSequencerModeEnabled() const
{
    return readInt(VYRA_SEQUENCER_MODE_GET, "Sequencer::isSequencerModeEnabled", __LINE__) == 1;
}

void Sequencer::reset()
{
    const VyraStatus status = sequencerControl(m_camera->handle(), VYRA_SEQUENCER_RESET, nullptr, 0);
    checkDriverStatus(status, sourceFile, "Sequencer::reset", __LINE__);
}

void Sequencer::saveConfiguration(const QString &path)
{
    const VyraStatus status =
        sequencerControl(m_camera->handle(), VYRA_SEQUENCER_SAVE_FILE, widePath(path), 0);
    checkDriverStatus(status, sourceFile, "Sequencer::saveConfiguration", __LINE__);
}

void Sequencer::loadConfiguration(const QString &path)
{
    inConfigurationBracket([&] {
        const VyraStatus status =
            sequencerControl(m_camera->handle(), VYRA_SEQUENCER_LOAD_FILE, widePath(path), 0);
        checkDriverStatus(status, sourceFile, "Sequencer::loadConfiguration", __LINE__);
    });
}

bool Sequencer::isFeatureEnabled(qint64 featureId)
{
    selectFeature(featureId);
    return readInt(VYRA_SEQUENCER_FEATURE_ENABLED, "Sequencer::isFeatureEnabled", __LINE__) == 1;
}

void Sequencer::enableFeature(qint64 featureId, bool enable)
{
    selectFeature(featureId);
    writeInt(VYRA_SEQUENCER_FEATURE_ENABLE, enable ? 1 : 0, "Sequencer::enableFeature", __LINE__);
}

QSharedPointer<FeatureValue> Sequencer::featureValue(qint64 featureId, quint32 size)
{
    selectFeature(featureId);
    auto value = QSharedPointer<FeatureValue>::create(size);
    const VyraStatus status =
        sequencerControl(m_camera->handle(), VYRA_SEQUENCER_FEATURE_VALUE, value->data(), size);
    checkDriverStatus(status, sourceFile, "Sequencer::featureValue", __LINE__);
    return value;
}

void Sequencer::enableAllFeatures(bool enable)
{
    const FeatureCatalogue &catalogue = featureCatalogue();
    for (auto it = catalogue.cbegin(); it != catalogue.cend(); ++it)
        enableFeature(it.key(), enable);
}

QList<qint64> Sequencer::enabledFeatures()
{
    QList<qint64> enabled;
    const FeatureCatalogue &catalogue = featureCatalogue();
    for (auto it = catalogue.cbegin(); it != catalogue.cend(); ++it) {
        if (isFeatureEnabled(it.key()))
            enabled.append(it.key());
    }
    return enabled;
}

void Sequencer::setSelectedSet(qint32 index)
{
    writeInt(VYRA_SEQUENCER_SELECT_SET, index, "Sequencer::setSelectedSet", __LINE__);
}

qint32 Sequencer::selectedSet() const
{
    return readInt(VYRA_SEQUENCER_SELECTED_SET, "Sequencer::selectedSet", __LINE__);
}

qint32 Sequencer::startSet() const
{
    return readInt(VYRA_SEQUENCER_START_SET, "Sequencer::startSet", __LINE__);
}

void Sequencer::saveSet()
{
    const VyraStatus status =
        sequencerControl(m_camera->handle(), VYRA_SEQUENCER_SAVE_SET, nullptr, 0);
    checkDriverStatus(status, sourceFile, "Sequencer::saveSet", __LINE__);
}

void Sequencer::selectFeature(qint64 featureId)
{
    qint64 id = featureId;
    const VyraStatus status =
        sequencerControl(m_camera->handle(), VYRA_SEQUENCER_FEATURE_SELECT, &id, sizeof(id));
    checkDriverStatus(status, sourceFile, "Sequencer::selectFeature", __LINE__);
}

void Sequencer::enableConfigurationMode(bool on)
{
    writeInt(VYRA_SEQUENCER_CONFIGURATION_SET, on ? 1 : 0, "Sequencer::enableConfigurationMode",
             __LINE__);
}

VyraPathRecord Sequencer::selectedPath() const
{
    VyraPathRecord path{};
    path.pathIndex = 0;
    const VyraStatus status =
        sequencerControl(m_camera->handle(), VYRA_SEQUENCER_PATH_GET, &path, sizeof(path));
    checkDriverStatus(status, sourceFile, "Sequencer::selectedPath", __LINE__);
    return path;
}

qint32 Sequencer::setCount() const
{
    return readInt(VYRA_SEQUENCER_SET_COUNT, "Sequencer::setCount", __LINE__);
}

void Sequencer::requireSets(const Sequence &sequence)
{
    if (sequence.isEmpty())
        throw std::runtime_error("There is no set in the sequence.");
}

void Sequencer::writeSequence(const Sequence &sequence)
{
    requireSets(sequence);
    // In the catalogue's order, whatever order they were switched on in.
    QList<qint64> features;
    for (qint64 feature : featureCatalogue().keys()) {
        if (sequence.varies(feature))
            features << feature;
    }
    inConfigurationBracket([&] {
        enableAllFeatures(false);
        for (int index = 0; index < sequence.setCount(); ++index) {
            setSelectedSet(index);
            const SetParameters &set = sequence.sets.at(index);
            for (qint64 feature : qAsConst(features)) {
                if (!isFeatureEnabled(feature))
                    enableFeature(feature, true);
                set.writeToCamera(*m_camera, {feature});
            }
            m_camera->setActivePath(0, sequence.successor(index), set.triggerSource);
            saveSet();
        }
    });
}

Sequence Sequencer::readSequence()
{
    // What the sequence leaves alone is what the camera has now.
    const SetParameters cameraValues = SetParameters::ofCamera(*m_camera);
    QMap<qint32, SetParameters> byIndex;
    QList<qint64> enabled;
    inConfigurationBracket([&] {
        enabled = enabledFeatures();
        const FeatureCatalogue &catalogue = featureCatalogue();
        const qint32 capacity = setCount();
        setSelectedSet(startSet());

        // A chain of paths need not lead back to the start set: the walk
        // ends at the first set it has read before.
        while (byIndex.size() < capacity) {
            const VyraPathRecord path = selectedPath();
            SetParameters values = cameraValues;
            for (qint64 feature : qAsConst(enabled))
                values.applyDriverValue(
                    feature, *featureValue(feature, catalogue.value(feature).valueSize));
            values.triggerSource = path.triggerSource;
            values.nextSet = path.nextSet;
            byIndex.insert(selectedSet(), values);
            if (byIndex.contains(path.nextSet))
                break;
            setSelectedSet(path.nextSet);
        }
    });

    // The sets keep the order of their indices; the paths follow them to
    // their places in the list.
    Sequence sequence;
    sequence.features = enabled;
    const QList<qint32> indices = byIndex.keys();
    for (SetParameters values : byIndex) {
        values.nextSet = int(indices.indexOf(values.nextSet));
        sequence.sets << values;
    }
    for (int position = 0; position < sequence.setCount(); ++position)
        sequence.sets[position].nextSet = sequence.successor(position);
    return sequence;
}

void Sequencer::inConfigurationBracket(const std::function<void()> &work)
{
    // Closing is tried once more when it, or anything before it, failed.
    const auto closeAfterFailure = [this] {
        try {
            closeConfigurationBracket();
        } catch (const VyraCameraException &) {
            // A camera that is gone cannot be put back; the first failure
            // says why.
        }
    };
    try {
        openConfigurationBracket();
        work();
    } catch (...) {
        closeAfterFailure();
        throw;
    }
    try {
        closeConfigurationBracket();
    } catch (...) {
        closeAfterFailure();
        throw;
    }
}

// Every operation that changes or walks the stored sets runs in the
// single-trigger mode with configuration mode on, and returns to the software
// trigger mode afterwards.
void Sequencer::openConfigurationBracket()
{
    m_camera->setTriggerMode(VYRA_TRIGGER_SINGLE, true);
    enableConfigurationMode(true);
}

void Sequencer::closeConfigurationBracket()
{
    m_camera->setTriggerMode(VYRA_TRIGGER_SOFTWARE, true);
    enableConfigurationMode(false);
}

qint32 Sequencer::readInt(quint32 command, const char *method, int line) const
{
    qint32 value = 0;
    const VyraStatus status = sequencerControl(m_camera->handle(), command, &value, sizeof(value));
    checkDriverStatus(status, sourceFile, method, line);
    return value;
}

void Sequencer::writeInt(quint32 command, qint32 value, const char *method, int line)
{
    const VyraStatus status = sequencerControl(m_camera->handle(), command, &value, sizeof(value));
    checkDriverStatus(status, sourceFile, method, line);
}
