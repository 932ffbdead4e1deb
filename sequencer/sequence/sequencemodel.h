#pragma once

#include <QObject>

#include "sequence.h"
#include "sequencerframerate.h"

/// The sequence being built and run: its sets with the values of every
/// feature and their paths, the features it varies, and the rate it runs
/// at. The one place these live; the editors show it, the sequencer writes
/// it into the camera and reads it back, the run runs it. Every change is
/// signalled. Widget-free; GUI thread.
class SequenceModel : public QObject
{
    Q_OBJECT

public:
    explicit SequenceModel(QObject *parent = nullptr);

    const Sequence &sequence() const { return m_sequence; }
    const QList<SetParameters> &sets() const { return m_sequence.sets; }
    const SetParameters &set(int index) const { return m_sequence.sets.at(index); }
    int setCount() const { return m_sequence.setCount(); }
    bool isEmpty() const { return m_sequence.isEmpty(); }
    const QList<qint64> &features() const { return m_sequence.features; }
    bool varies(qint64 featureId) const { return m_sequence.varies(featureId); }

    /// The rate the sequence runs at, within the camera's range.
    SequencerFramerate &runRate() { return m_runRate; }
    const SequencerFramerate &runRate() const { return m_runRate; }

    /// Replaces the whole sequence.
    void setSequence(const Sequence &sequence);
    /// No sets, no features.
    void clear();
    /// New values for one set; its path included.
    void setSet(int index, const SetParameters &values);

signals:
    /// The sets or the features changed as a whole.
    void sequenceChanged();
    /// The values of one set changed; the sets and features stayed.
    void setChanged(int index);
    /// The model went from no sets to some, or back.
    void holdsSetsChanged(bool holdsSets);

private:
    Sequence m_sequence;
    SequencerFramerate m_runRate;
};
