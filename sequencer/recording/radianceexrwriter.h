#pragma once

#include <QString>

class RadianceImage;

/// Writes a radiance image as an OpenEXR file: float R, G and B channels,
/// zip-compressed scan lines, the description in the comments attribute.
/// Built only where OpenEXR (libopenexr-dev) is found; RadianceFileWriter
/// is what the application calls. Thread-safe.
class RadianceExrWriter
{
public:
    /// Writes radiance to path; returns an empty text or why it failed.
    static QString write(const RadianceImage &radiance, const QString &description,
                         const QString &path);
};
