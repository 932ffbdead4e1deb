#include "radiancefilewriter.h"

#include <QDateTime>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "imagefilewriter.h"
#include "radianceimage.h"
#include "tifffile.h"
#if VYRA_OPENEXR
#include "radianceexrwriter.h"
#endif

namespace {

// TIFF strips of about this many bytes: few calls, little memory.
constexpr int tiffStripBytes = 1 << 20;

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

QString gainText(const RadianceImage::Source &source)
{
    return QStringLiteral("gain master %1 red %2 green %3 blue %4, linear gain %5 %6 %7")
        .arg(source.gain.master)
        .arg(source.gain.red)
        .arg(source.gain.green)
        .arg(source.gain.blue)
        .arg(number(source.linearGain[0]), number(source.linearGain[1]),
             number(source.linearGain[2]));
}

} // namespace

bool RadianceFileWriter::exrAvailable()
{
    return VYRA_OPENEXR != 0;
}

QString RadianceFileWriter::suffix(RadianceFileFormat format)
{
    return format == RadianceFileFormat::Exr ? QStringLiteral("exr") : QStringLiteral("tiff");
}

QString RadianceFileWriter::description(const RadianceImage &radiance, const QString &serialNumber)
{
    const RadianceImage::Provenance &provenance = radiance.provenance();
    QStringList lines;
    const auto add = [&lines](const QString &key, const QString &value) {
        if (!value.isEmpty())
            lines << key + QStringLiteral(": ") + value;
    };
    add(QStringLiteral("Content"),
        QStringLiteral("radiance merged from %1 images").arg(provenance.sources.size()));
    add(QStringLiteral("Unit"), RadianceImage::unit());
    add(QStringLiteral("Response"), CameraResponse::originText(provenance.response));
    add(QStringLiteral("Gain law"), provenance.gainKnown
                                        ? QStringLiteral("sensor model")
                                        : QStringLiteral("assumed 1 + gain / 100 each"));
    add(QStringLiteral("AOI offset x"), QString::number(radiance.aoiOffset().x()));
    add(QStringLiteral("AOI offset y"), QString::number(radiance.aoiOffset().y()));
    for (int index = 0; index < provenance.sources.size(); ++index) {
        const RadianceImage::Source &source = provenance.sources.at(index);
        const QString set = source.set >= 0 ? QString::number(source.set) : QStringLiteral("live");
        add(QStringLiteral("Image %1").arg(index + 1),
            QStringLiteral("set %1, frame %2, exposure %3 ms, %4")
                .arg(set)
                .arg(source.frameNumber)
                .arg(number(source.exposureMs), gainText(source)));
    }
    add(QStringLiteral("Clipped in every image"),
        QStringLiteral("the least light that clips the shortest exposure (a lower bound)"));
    add(QStringLiteral("Black in every image"), QStringLiteral("0"));
    add(QStringLiteral("Camera model"), provenance.cameraModel);
    add(QStringLiteral("Serial number"), serialNumber);
    return lines.join(QLatin1Char('\n'));
}

QString RadianceFileWriter::write(const RadianceImage &radiance, RadianceFileFormat format,
                                  const QString &path, const QString &serialNumber)
{
    if (radiance.isNull())
        return QStringLiteral("There is no radiance image to write.");
    if (format == RadianceFileFormat::Exr && !exrAvailable())
        return QStringLiteral("This build writes no OpenEXR files.");
    return ImageFileWriter::writeInPlace(path, [&](const QString &temporary) {
#if VYRA_OPENEXR
        if (format == RadianceFileFormat::Exr)
            return RadianceExrWriter::write(radiance, description(radiance, serialNumber),
                                            temporary);
#endif
        return writeTiff(radiance, serialNumber, temporary);
    });
}

QString RadianceFileWriter::writeTiff(const RadianceImage &radiance, const QString &serialNumber,
                                      const QString &path)
{
    errno = 0;
    TiffFile file(path);
    TIFF *tiff = file.handle();
    if (!tiff)
        return file.failure(errno);

    const int width = radiance.width();
    const int height = radiance.height();
    const tmsize_t lineBytes = tmsize_t(width) * 3 * tmsize_t(sizeof(float));
    const int rowsPerStrip = std::max(1, int(tiffStripBytes / lineBytes));
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 32);
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(rowsPerStrip));
    file.setText(TIFFTAG_IMAGEDESCRIPTION, description(radiance, serialNumber));
    file.setText(TIFFTAG_MODEL, radiance.provenance().cameraModel);
    file.setText(TIFFTAG_CAMERASERIALNUMBER, serialNumber);
    file.setText(TIFFTAG_SOFTWARE, ImageFileWriter::softwareName());
    file.setText(TIFFTAG_DATETIME,
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")));

    // The image's lines lie one after another without padding: a strip is
    // written straight from them.
    bool written = true;
    errno = 0;
    for (int top = 0, index = 0; written && top < height; top += rowsPerStrip, ++index) {
        const int rows = std::min(rowsPerStrip, height - top);
        written = TIFFWriteEncodedStrip(tiff, uint32_t(index),
                                        const_cast<float *>(radiance.constLine(top)),
                                        lineBytes * rows) >= 0;
    }
    written = written && TIFFWriteDirectory(tiff);
    const int error = errno;
    file.close();
    return written ? QString() : file.failure(error);
}
