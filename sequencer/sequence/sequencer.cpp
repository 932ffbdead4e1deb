#include "sequencer.h"

#include <QScopeGuard>

#include <stdexcept>

#include "aoioffsetproperty.h"
#include "exposureproperty.h"
#include "flashproperty.h"
#include "gainproperty.h"
#include "pathproperty.h"
#include "sequencerset.h"
#include "vyracamera.h"
#include "vyracameraexception.h"

namespace {

const char *const sourceFile = "sequencer/sequencer";

Sequencer::FeatureCatalogue buildFeatureCatalogue()
{
    using namespace Properties;
    Sequencer::FeatureCatalogue catalogue;
    catalogue.insert(Exposure::Id, {Exposure::name(), Exposure::Size});
    catalogue.insert(Gain::Id, {Gain::name(), Gain::Size});
    catalogue.insert(AoiOffsetX::Id, {AoiOffsetX::name(), AoiOffsetX::Size});
    catalogue.insert(AoiOffsetY::Id, {AoiOffsetY::name(), AoiOffsetY::Size});
    catalogue.insert(Flash::Id, {Flash::name(), Flash::Size});
    return catalogue;
}

// The set the walk of writeSequence takes after current: the first of the
// sets with the index of its ring successor; current when there is none.
SequencerSet *setAfter(const QList<SequencerSet *> &sets, SequencerSet *current)
{
    if (!current->next())
        return current;
    for (SequencerSet *set : sets) {
        if (set && set->index() == current->next()->index())
            return set;
    }
    return current;
}

// The next set to write into current's path: the chosen one when it is among
// the sets, otherwise current's successor in the ring. A new set's path names
// the set after it, which for the last set does not exist: written as chosen,
// the camera would leave the sequence there.
qint32 nextSetWithin(const QList<SequencerSet *> &sets, const SequencerSet *current,
                     qint32 chosen)
{
    for (const SequencerSet *set : sets) {
        if (set && set->index() == chosen)
            return chosen;
    }
    return current->next() ? current->next()->index() : current->index();
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

void Sequencer::requireSets(const QList<SequencerSet *> &sets)
{
    if (sets.isEmpty())
        throw std::runtime_error("There is no set in the sequence.");
}

void Sequencer::writeSequence(const QList<SequencerSet *> &sets, bool keepCameraPaths)
{
    requireSets(sets);
    SequencerSet *current = sets.first();
    if (!current)
        return;

    inConfigurationBracket([&] {
        enableAllFeatures(false);
        for (int written = 0; written < sets.size(); ++written) {
            setSelectedSet(current->index());
            for (SequencerProperty *property : current->properties()) {
                if (!isFeatureEnabled(property->featureId()))
                    enableFeature(property->featureId(), true);
                property->setCameraParameters();
            }
            if (auto *path = qobject_cast<Properties::Path *>(current->pathProperty())) {
                if (!keepCameraPaths)
                    path->writePath(nextSetWithin(sets, current, path->nextSet()));
                path->updateSettings();
            }
            saveSet();
            current = setAfter(sets, current);
        }
    });
}

Sequencer::Snapshot Sequencer::readSequence()
{
    Snapshot snapshot;
    inConfigurationBracket([&] {
        const QList<qint64> enabled = enabledFeatures();
        const FeatureCatalogue &catalogue = featureCatalogue();
        const qint32 capacity = setCount();
        setSelectedSet(startSet());

        // A chain of paths need not lead back to the start set: the walk
        // ends at the first set it has read before.
        while (snapshot.size() < capacity) {
            const VyraPathRecord path = selectedPath();
            SetValues values;
            for (qint64 feature : enabled)
                values.insert(feature, featureValue(feature, catalogue.value(feature).valueSize));
            snapshot.insert(quint32(selectedSet()), values);
            if (snapshot.contains(quint32(path.nextSet)))
                break;
            setSelectedSet(path.nextSet);
        }
    });
    return snapshot;
}

void Sequencer::highlightSet(SequencerSet *set, bool active)
{
    set->setHighlighted(active);
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
