#include "imagefilewriter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QScopeGuard>

#include <tiffio.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "imagemetadata.h"

namespace {

const char softwareName[] = "Vyra Sequencer";
// Qt maps a PNG quality of 90 to the fastest zlib level that still
// compresses: camera images are large, and a recording must keep up.
constexpr int pngQuality = 90;
// TIFF strips of about this many bytes: few calls, little memory.
constexpr int tiffStripBytes = 1 << 20;

QString temporaryPathFor(const QString &path)
{
    const QFileInfo target(path);
    return target.dir().filePath(QStringLiteral(".") + target.fileName() + QStringLiteral(".part"));
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// libtiff reports through a handler; the last message of a file says why
// it failed when the system did not.
int keepTiffMessage(TIFF *, void *userData, const char *, const char *format, va_list arguments)
{
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    *static_cast<QString *>(userData) = QString::fromLocal8Bit(text);
    return 1;
}

int ignoreTiffMessage(TIFF *, void *, const char *, const char *, va_list)
{
    return 1;
}

void setTiffText(TIFF *tiff, uint32_t tag, const QString &text)
{
    if (!text.isEmpty())
        TIFFSetField(tiff, tag, text.toUtf8().constData());
}

} // namespace

QString ImageFileWriter::suffix(ImageFileFormat format)
{
    return format == ImageFileFormat::Png ? QStringLiteral("png") : QStringLiteral("tiff");
}

ImageFileFormat ImageFileWriter::formatOf(const QString &fileName)
{
    return QFileInfo(fileName).suffix().compare(QLatin1String("png"), Qt::CaseInsensitive) == 0
               ? ImageFileFormat::Png
               : ImageFileFormat::Tiff;
}

QString ImageFileWriter::write(const QImage &image, const ImageMetadata &metadata,
                               ImageFileFormat format, const QString &path)
{
    if (image.isNull())
        return QStringLiteral("There is no image to write.");
    const QString temporary = temporaryPathFor(path);
    auto removeTemporary = qScopeGuard([&] { QFile::remove(temporary); });
    const QString failure = format == ImageFileFormat::Png ? writePng(image, metadata, temporary)
                                                           : writeTiff(image, metadata, temporary);
    if (!failure.isEmpty())
        return failure;
    // rename() replaces in one step and never copies, unlike QFile::rename.
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()))
        return systemError(errno);
    removeTemporary.dismiss();
    return QString();
}

QString ImageFileWriter::writeTiff(const QImage &source, const ImageMetadata &metadata,
                                   const QString &path)
{
    const QImage image = source.format() == QImage::Format_RGB888
                             ? source
                             : source.convertToFormat(QImage::Format_RGB888);
    QString message;
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, keepTiffMessage, &message);
    TIFFOpenOptionsSetWarningHandlerExtR(options, ignoreTiffMessage, nullptr);
    errno = 0;
    TIFF *tiff = TIFFOpenExt(QFile::encodeName(path).constData(), "w", options);
    TIFFOpenOptionsFree(options);
    if (!tiff)
        return errno ? systemError(errno) : message;

    const int width = image.width();
    const int height = image.height();
    const tmsize_t lineBytes = tmsize_t(width) * 3;
    const int rowsPerStrip = std::max(1, int(tiffStripBytes / lineBytes));
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(rowsPerStrip));
    setTiffText(tiff, TIFFTAG_IMAGEDESCRIPTION, metadata.description());
    setTiffText(tiff, TIFFTAG_MODEL, metadata.cameraModel);
    setTiffText(tiff, TIFFTAG_CAMERASERIALNUMBER, metadata.serialNumber);
    setTiffText(tiff, TIFFTAG_SOFTWARE, QString::fromLatin1(softwareName));
    setTiffText(tiff, TIFFTAG_DATETIME,
                QDateTime::currentDateTime().toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")));

    // Qt pads scan lines to 4 bytes; a strip is written straight from the
    // image when there is no padding, else gathered line by line.
    const bool contiguous = image.bytesPerLine() == lineBytes;
    std::vector<uchar> strip(contiguous ? 0 : size_t(lineBytes) * size_t(rowsPerStrip));
    bool written = true;
    errno = 0;
    for (int top = 0, index = 0; written && top < height; top += rowsPerStrip, ++index) {
        const int rows = std::min(rowsPerStrip, height - top);
        const uchar *data = image.constScanLine(top);
        if (!contiguous) {
            for (int row = 0; row < rows; ++row)
                std::memcpy(strip.data() + row * lineBytes, image.constScanLine(top + row),
                            size_t(lineBytes));
            data = strip.data();
        }
        written = TIFFWriteEncodedStrip(tiff, uint32_t(index), const_cast<uchar *>(data),
                                        lineBytes * rows) >= 0;
    }
    written = written && TIFFWriteDirectory(tiff);
    const int error = errno;
    TIFFClose(tiff);
    if (written)
        return QString();
    return error ? systemError(error) : message;
}

QString ImageFileWriter::writePng(const QImage &image, const ImageMetadata &metadata,
                                  const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return file.errorString();
    QImageWriter writer(&file, "png");
    writer.setQuality(pngQuality);
    for (const ImageMetadata::Field &field : metadata.fields()) {
        if (!field.value.isEmpty())
            writer.setText(field.key, field.value);
    }
    writer.setText(QStringLiteral("Software"), QString::fromLatin1(softwareName));
    const bool written = writer.write(image) && file.flush();
    if (written && file.error() == QFileDevice::NoError)
        return QString();
    return file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
}
