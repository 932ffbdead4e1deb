#pragma once

#include <QList>
#include <QString>

#include "imageparameters.h"
#include "vyraframeinfo.h"

class QImage;

/// Everything a saved image says about itself: what the driver told with it
/// (set, frame number, camera time, exposure), the parameters it was taken
/// with, and the camera. Image files carry it as text (PNG text chunks, the
/// TIFF image description) and images.csv as one row per image.
struct ImageMetadata
{
    /// One piece of the metadata: its name in image files, its column in
    /// images.csv, and its value as text (empty when unknown).
    struct Field
    {
        QString key;
        QString column;
        QString value;
    };

    VyraFrameInfo frame;
    ImageParameters parameters;
    QString cameraModel;
    QString serialNumber;
    /// What a cycle's own image is, made from the cycle's images rather
    /// than taken by the camera: "hdr" for their fusion, "radiance" for
    /// their radiance; empty for a camera image. Such an image names no
    /// frame or parameters of its own, and its set reads this.
    QString cycleImage{};

    /// The image's own frame information with these parameters and camera.
    static ImageMetadata of(const QImage &image, const ImageParameters &parameters,
                            const QString &cameraModel, const QString &serialNumber);

    /// What the image was taken with, in the order files and images.csv list it.
    QList<Field> imageFields() const;
    /// The camera's model and serial number.
    QList<Field> cameraFields() const;
    /// Every field: the image's, then the camera's.
    QList<Field> fields() const;
    /// "key: value" lines of the known fields.
    QString description() const;
};
