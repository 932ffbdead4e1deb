#include "imagefilewriter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QScopeGuard>

#include <png.h>
#include <tiffio.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "imagemetadata.h"

namespace {

const char softwareName[] = "Vyra Sequencer";
// PNG: zlib's fastest level behind the "up" filter alone compresses camera
// images about as well as the default and writes them three times as fast
// as Qt's writer, which tries every filter on every line.
constexpr int pngCompressionLevel = 1;
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

QString ImageFileWriter::writePng(const QImage &source, const ImageMetadata &metadata,
                                  const QString &path)
{
    const QImage image = source.format() == QImage::Format_RGB888
                             ? source
                             : source.convertToFormat(QImage::Format_RGB888);
    std::FILE *file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        return systemError(errno);
    // PNG text keys and values are Latin-1; the strings must outlive the write.
    std::vector<QByteArray> texts;
    for (const ImageMetadata::Field &field : metadata.fields()) {
        if (!field.value.isEmpty()) {
            texts.push_back(field.key.toLatin1());
            texts.push_back(field.value.toLatin1());
        }
    }
    texts.push_back(QByteArrayLiteral("Software"));
    texts.push_back(QByteArray(softwareName));
    std::vector<png_text> chunks(texts.size() / 2);
    for (size_t index = 0; index < chunks.size(); ++index) {
        chunks[index].compression = PNG_TEXT_COMPRESSION_NONE;
        chunks[index].key = texts[2 * index].data();
        chunks[index].text = texts[2 * index + 1].data();
    }
    const bool written = writePngFile(file, image, chunks.data(), int(chunks.size()));
    const int error = std::ferror(file) ? errno : 0;
    const bool closed = std::fclose(file) == 0;
    if (written && closed && !error)
        return QString();
    return error ? systemError(error) : QStringLiteral("The PNG file could not be written.");
}

bool ImageFileWriter::writePngFile(std::FILE *file, const QImage &image, png_text *texts,
                                   int textCount)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    // libpng reports failures by a long jump back here; nothing between
    // here and the end has a destructor.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(image.width()), png_uint_32(image.height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_level(png, pngCompressionLevel);
    png_set_text(png, info, texts, textCount);
    png_write_info(png, info);
    for (int line = 0; line < image.height(); ++line)
        png_write_row(png, image.constScanLine(line));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fflush(file) == 0;
}
