#pragma once

#include <QString>

#include <cstdio>
#include <functional>

class QImage;
struct ImageMetadata;
struct png_text_struct;

/// The file formats images are saved in.
enum class ImageFileFormat { Tiff, Png };

/// Writes one image with its metadata to a file, complete or not at all: the
/// file is written under a hidden temporary name beside its place and renamed
/// into it once complete, so a folder never holds a half-written image.
///
/// TIFF: uncompressed 8-bit RGB through libtiff, the metadata in the image
/// description ("key: value" lines) and the Model, camera serial number,
/// Software and DateTime tags. PNG: through libpng at its fastest
/// compression, each metadata field a text chunk. Thread-safe.
class ImageFileWriter
{
public:
    /// The file name suffix of the format, without the dot.
    static QString suffix(ImageFileFormat format);
    /// The format a file name's suffix names (.tif, .tiff, .png, any case);
    /// TIFF for any other.
    static ImageFileFormat formatOf(const QString &fileName);

    /// Writes the image to path, replacing a file there. Returns an empty
    /// text on success, otherwise why it failed; nothing is left behind then.
    static QString write(const QImage &image, const ImageMetadata &metadata, ImageFileFormat format,
                         const QString &path);
    /// Lets writeFile write a file under a hidden temporary name beside path
    /// and renames it to path once writeFile answers an empty text; removes
    /// it when writeFile answers why it failed, and answers that.
    static QString writeInPlace(const QString &path,
                                const std::function<QString(const QString &temporary)> &writeFile);
    /// What the files name as the software that wrote them.
    static QString softwareName();

private:
    static QString writeTiff(const QImage &image, const ImageMetadata &metadata,
                             const QString &path);
    static QString writePng(const QImage &image, const ImageMetadata &metadata,
                            const QString &path);
    /// Writes an RGB888 image with its text chunks to an open file.
    static bool writePngFile(std::FILE *file, const QImage &image, png_text_struct *texts,
                             int textCount);
};
