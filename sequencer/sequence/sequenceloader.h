#pragma once

#include <QString>

#include "sequence.h"

class Sequencer;
class VyraCamera;

/// Loads a sequencer configuration file into the camera and reads its
/// sequence back, in whatever state the camera is: the driver checks a
/// file's values against what the camera allows at its current frame rate,
/// so the camera reads the file at its lowest rate (the longest exposures),
/// and then runs at the highest rate, up to the run rate asked for, at which
/// every exposure of the sequence fits. The window and the runner load files
/// through it.
class SequenceLoader
{
public:
    /// What a file gave: its sequence, and the rate it can run at.
    struct Result
    {
        Sequence sequence;
        double runRate = 0.0;
    };

    /// Loads path, reads the sequence and writes it back into the camera as
    /// it is numbered in the result. The camera is left at the result's run
    /// rate; when loading fails, at the rate it had. Throws
    /// VyraCameraException (the driver's reason) and std::runtime_error.
    static Result load(VyraCamera &camera, Sequencer &sequencer, const QString &path,
                       double runRate);
    /// The highest frame rate, up to atMost, at which the camera allows an
    /// exposure of exposureMs; the camera is left running at it. Throws
    /// VyraCameraException.
    static double highestRateFor(VyraCamera &camera, double exposureMs, double atMost);
};
