#pragma once

#include <QString>

class RadianceImage;

/// Writes a radiance image as an OpenEXR file: float R, G and B channels,
/// uncompressed scan lines (compression would take several times as long as
/// the writing itself, too long for a file every cycle), the description in
/// the comments attribute.
/// Built only where OpenEXR (libopenexr-dev) is found; RadianceFileWriter
/// is what the application calls. Thread-safe.
class RadianceExrWriter
{
public:
    /// Writes radiance to path; returns an empty text or why it failed.
    static QString write(const RadianceImage &radiance, const QString &description,
                         const QString &path);
};
