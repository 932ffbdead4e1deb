#pragma once

#include <QString>

/// A value of a sequence that the camera cannot take: which set, which
/// feature, the value, what the camera allows and what the value becomes
/// when the sequence is fitted to the camera.
struct SequenceProblem
{
    /// The set's index; -1 for the sequence as a whole.
    int set = -1;
    /// The feature's identifier; 0 for the sequence as a whole.
    qint64 feature = 0;
    /// The value as the user reads it, with its unit: "150.00 ms".
    QString value;
    /// What the camera allows: "at most 100.00 ms at 10.00 fps".
    QString allowed;
    /// What fitting makes of the value ("100.00 ms"); empty where fitting
    /// cannot help (a feature the camera lacks, too many sets).
    QString fitted;
    /// The feature as the user reads it: "Exposure", "Red gain".
    QString what;

    /// "Set 2: Exposure 150.00 ms, the camera allows at most 100.00 ms at
    /// 10.00 fps."
    QString message() const;
    /// "Set 2: Exposure 150.00 ms became 100.00 ms, the camera allows at most
    /// 100.00 ms at 10.00 fps."
    QString fittedMessage() const;
};
