#pragma once

#include <QList>
#include <QMap>
#include <QSharedPointer>
#include <QString>

#include <functional>

#include "featurevalue.h"
#include "sequence.h"
#include "vyradriver.h"

class VyraCamera;

/// Display name and driver value size of a feature the sequence can vary.
struct SequencerFeature
{
    QString name;
    quint32 valueSize = 0;
};

/// Thin, stateless wrapper around the camera's sequencer command: one method
/// per sub-command, operations that switch the sequencer mode and load or
/// save the camera's sequencer configuration file, and the two that copy a
/// sequence model into the camera and read the camera's sequence back.
/// Every failing driver call throws VyraCameraException.
///
/// Constructing a Sequencer resets the camera's sequencer state. GUI thread only.
class Sequencer
{
public:
    /// Feature identifier -> name and value size, in ascending identifier order.
    using FeatureCatalogue = QMap<qint64, SequencerFeature>;

    explicit Sequencer(const QSharedPointer<VyraCamera> &camera);

    /// Switches sequencer mode; switching on selects the single-trigger mode
    /// first (pausing live video around it), switching off returns to the
    /// software trigger mode. Nothing happens when the mode is as asked.
    void enableSequencerMode(bool on);
    bool isSequencerModeEnabled() const;
    /// Returns the camera's sequencer to its power-on state.
    void reset();

    /// The driver writes the sequencer configuration file.
    void saveConfiguration(const QString &path);
    /// The driver reads the sequencer configuration file, in configuration mode.
    void loadConfiguration(const QString &path);

    bool isFeatureEnabled(qint64 featureId);
    void enableFeature(qint64 featureId, bool enable);
    /// The value of the feature in the selected set.
    QSharedPointer<FeatureValue> featureValue(qint64 featureId, quint32 size);
    void enableAllFeatures(bool enable);
    /// The enabled catalogue features, in ascending identifier order.
    QList<qint64> enabledFeatures();

    void setSelectedSet(qint32 index);
    qint32 selectedSet() const;
    qint32 startSet() const;
    /// Stores the camera's current parameters into the selected set.
    void saveSet();
    void selectFeature(qint64 featureId);
    void enableConfigurationMode(bool on);
    /// Path 0 of the selected set.
    VyraPathRecord selectedPath() const;
    /// The number of sets the camera holds.
    qint32 setCount() const;

    /// Copies a sequence (a model's: SequenceModel::sequence()) into the
    /// camera, set i into the camera's set i: the features the sequence
    /// varies are enabled (all others disabled), each set's values and its
    /// path stored. Throws std::runtime_error "There is no set in the
    /// sequence." for a sequence without sets, before any driver call.
    void writeSequence(const Sequence &sequence);
    /// Throws std::runtime_error "There is no set in the sequence." for a
    /// sequence without sets.
    static void requireSets(const Sequence &sequence);
    /// Reads the camera's sequence along its paths from the start set, up to
    /// the first set read before (or as many sets as the camera holds): the
    /// sets in ascending index, their paths renumbered to match, the
    /// features the camera's sequence varies, and for the features it
    /// leaves alone the camera's current values.
    Sequence readSequence();

    /// The features a sequence can vary: Exposure, Gain, AOI Offset X,
    /// AOI Offset Y and Flash.
    static const FeatureCatalogue &featureCatalogue();

private:
    /// Runs work between the two halves of the configuration bracket. When
    /// anything in it fails, the bracket is still closed as far as the
    /// camera allows, so that a failed operation does not leave it without
    /// its live image; the first failure is what is reported.
    void inConfigurationBracket(const std::function<void()> &work);
    void openConfigurationBracket();
    void closeConfigurationBracket();
    qint32 readInt(quint32 command, const char *method, int line) const;
    void writeInt(quint32 command, qint32 value, const char *method, int line);

    QSharedPointer<VyraCamera> m_camera;
};
