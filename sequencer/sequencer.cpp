#include "sequencer.h"

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
    bool liveStopped = false;
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
    openConfigurationBracket();
    const VyraStatus status =
        sequencerControl(m_camera->handle(), VYRA_SEQUENCER_LOAD_FILE, widePath(path), 0);
    checkDriverStatus(status, sourceFile, "Sequencer::loadConfiguration", __LINE__);
    closeConfigurationBracket();
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
