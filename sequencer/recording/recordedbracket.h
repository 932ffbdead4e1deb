#pragma once

#include <QCoreApplication>
#include <QString>
#include <QVector>

#include "radiancemerge.h"

/// A bracket read back from a recording's folder: the images of its last
/// complete cycle with the exposures, gains and AOI offsets images.csv lists
/// for them, and the camera model the images name. What a camera's response
/// is calibrated from when no bracket runs.
struct RecordedBracket
{
    Q_DECLARE_TR_FUNCTIONS(RecordedBracket)

public:
    QString cameraModel;
    int cycle = 0;
    QVector<RadianceMerge::Exposure> exposures;

    /// Reads the last cycle of the recording in folder that holds as many
    /// set images as any. Throws std::runtime_error, saying why, for a
    /// folder without a readable images.csv, without a cycle of two set
    /// images or more, or with an image that cannot be read.
    static RecordedBracket read(const QString &folder);
};
