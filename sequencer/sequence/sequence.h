#pragma once

#include <QList>

#include "setparameters.h"
#include "sequenceproblem.h"

struct CameraLimits;

/// A sequence as a plain value: its sets in order, each with the values of
/// every feature and its path, and the features the sequence varies. The
/// camera starts with the first set; each set's path names the set after
/// it. Every change returns a new value, so that a value can be kept as it
/// was (for Undo) and compared.
///
/// The sequence keeps its paths within its sets: adding, inserting and
/// removing sets renumber the paths as the sets move.
struct Sequence
{
    /// The most sets a sequence holds.
    static constexpr int maximumSetCount = 32;

    QList<SetParameters> sets;
    /// The identifiers of the features the sequence varies, in the order
    /// they were switched on.
    QList<qint64> features;

    bool isEmpty() const { return sets.isEmpty(); }
    int setCount() const { return int(sets.size()); }
    bool varies(qint64 featureId) const { return features.contains(featureId); }

    /// The set the camera takes after this one: the set its path names, or,
    /// for a path that names no set of the sequence, the set after it in the
    /// list (the first after the last).
    int successor(int index) const;
    /// The sets the camera takes from the first one on, in that order, up to
    /// the first set it takes a second time.
    QList<int> walk() const;
    /// The sets that repeat, in the order the camera takes them: the loop
    /// the walk ends in, from where the walk enters it.
    QList<int> cycle() const;
    /// The sets the camera never takes, in list order.
    QList<int> unreachable() const;

    /// A new last set: the last set, if it led back to the first, leads to
    /// the new one, and the new one leads to the first.
    Sequence withSetAppended(SetParameters values) const;
    /// A new set after the set at position in the list and in the ring: it
    /// leads where that set led, and that set leads to it.
    Sequence withSetInsertedAfter(int position, SetParameters values) const;
    /// Without the set at position: a set that led to it leads where it led.
    Sequence withSetRemoved(int position) const;
    /// With the feature varied or not. A feature switched on takes its value
    /// in every set from cameraValues, as the camera has it now.
    Sequence withFeature(qint64 featureId, bool varied, const SetParameters &cameraValues) const;

    /// Every value of a varied feature the camera cannot take, in set order,
    /// and a sequence with more sets than the camera holds.
    QList<SequenceProblem> problems(const CameraLimits &limits) const;
    /// The sequence with every value of a varied feature pulled into what the
    /// camera allows; values it cannot help (a flash the camera lacks) stay.
    Sequence fittedTo(const CameraLimits &limits) const;

    bool operator==(const Sequence &other) const;
    bool operator!=(const Sequence &other) const { return !(*this == other); }
};
