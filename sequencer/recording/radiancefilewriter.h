#pragma once

#include <QString>

class RadianceImage;

/// The file formats radiance images are saved in.
enum class RadianceFileFormat { Tiff, Exr };

/// Writes a radiance image to a file, complete or not at all (as
/// ImageFileWriter does): as an uncompressed TIFF of three 32-bit IEEE float
/// samples a pixel through libtiff, or as an OpenEXR file of float R, G and
/// B channels where the build has OpenEXR. Both carry a description, "key:
/// value" lines: the unit, the response and gain law used, the AOI offset,
/// each image's set, frame, exposure and gains, what the marked pixels hold,
/// and the camera (the TIFF's image description, the EXR's comments).
/// Thread-safe.
class RadianceFileWriter
{
public:
    /// Whether this build writes OpenEXR.
    static bool exrAvailable();
    /// The file name suffix of the format, without the dot.
    static QString suffix(RadianceFileFormat format);
    static QString description(const RadianceImage &radiance, const QString &serialNumber);

    /// Writes radiance to path, replacing a file there. Returns an empty
    /// text on success, otherwise why it failed; nothing is left behind then.
    static QString write(const RadianceImage &radiance, RadianceFileFormat format,
                         const QString &path, const QString &serialNumber = QString());

private:
    static QString writeTiff(const RadianceImage &radiance, const QString &serialNumber,
                             const QString &path);
};
