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
#include <cstdio>
#include <cstring>
#include <vector>

#include "imagemetadata.h"
#include "tifffile.h"

namespace {

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

} // namespace

QString ImageFileWriter::softwareName()
{
    return QStringLiteral("Vyra Sequencer");
}

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
    return writeInPlace(path, [&](const QString &temporary) {
        return format == ImageFileFormat::Png ? writePng(image, metadata, temporary)
                                              : writeTiff(image, metadata, temporary);
    });
}

QString ImageFileWriter::writeInPlace(const QString &path,
                                      const std::function<QString(const QString &)> &writeFile)
{
    const QString temporary = temporaryPathFor(path);
    auto removeTemporary = qScopeGuard([&] { QFile::remove(temporary); });
    const QString failure = writeFile(temporary);
    if (!failure.isEmpty())
        return failure;
    // rename() replaces in one step and never copies, unlike QFile::rename.
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()))
        return TiffFile::systemErrorText(errno);
    removeTemporary.dismiss();
    return QString();
}

QString ImageFileWriter::writeTiff(const QImage &source, const ImageMetadata &metadata,
                                   const QString &path)
{
    const QImage image = source.format() == QImage::Format_RGB888
                             ? source
                             : source.convertToFormat(QImage::Format_RGB888);
    errno = 0;
    TiffFile file(path);
    TIFF *tiff = file.handle();
    if (!tiff)
        return file.failure(errno);

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
    file.setText(TIFFTAG_IMAGEDESCRIPTION, metadata.description());
    file.setText(TIFFTAG_MODEL, metadata.cameraModel);
    file.setText(TIFFTAG_CAMERASERIALNUMBER, metadata.serialNumber);
    file.setText(TIFFTAG_SOFTWARE, softwareName());
    file.setText(TIFFTAG_DATETIME,
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
    file.close();
    return written ? QString() : file.failure(error);
}

QString ImageFileWriter::writePng(const QImage &source, const ImageMetadata &metadata,
                                  const QString &path)
{
    const QImage image = source.format() == QImage::Format_RGB888
                             ? source
                             : source.convertToFormat(QImage::Format_RGB888);
    std::FILE *file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        return TiffFile::systemErrorText(errno);
    // PNG text keys and values are Latin-1; the strings must outlive the write.
    std::vector<QByteArray> texts;
    for (const ImageMetadata::Field &field : metadata.fields()) {
        if (!field.value.isEmpty()) {
            texts.push_back(field.key.toLatin1());
            texts.push_back(field.value.toLatin1());
        }
    }
    texts.push_back(QByteArrayLiteral("Software"));
    texts.push_back(softwareName().toLatin1());
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
    return error ? TiffFile::systemErrorText(error)
                 : QStringLiteral("The PNG file could not be written.");
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
