#include "imagemetadata.h"

#include <QImage>

namespace {

ImageMetadata::Field field(const QString &key, const char *column, const QString &value)
{
    return ImageMetadata::Field{key, QString::fromLatin1(column), value};
}

QString number(qint64 value)
{
    return QString::number(value);
}

} // namespace

ImageMetadata ImageMetadata::of(const QImage &image, const ImageParameters &parameters,
                                const QString &cameraModel, const QString &serialNumber)
{
    return ImageMetadata{VyraFrameInfo::of(image), parameters, cameraModel, serialNumber};
}

QList<ImageMetadata::Field> ImageMetadata::imageFields() const
{
    // The frame's texts are those the image itself carries, so that a
    // file's text and the image's agree.
    const auto texts = frame.texts();
    const ImageParameters &p = parameters;
    const QString flashMode = p.hasFlash ? number(p.flashMode) : QString();
    const QString flashDelay = p.hasFlash ? number(p.flashDelayUs) : QString();
    const QString flashDuration = p.hasFlash ? number(p.flashDurationUs) : QString();
    QList<Field> fields{
        field(texts.at(0).first, "set", texts.at(0).second),
        field(texts.at(1).first, "frame_number", texts.at(1).second),
        field(texts.at(2).first, "camera_time_us", texts.at(2).second),
        field(texts.at(3).first, "exposure_ms", texts.at(3).second),
        field(QStringLiteral("Gain master"), "gain_master", number(p.masterGain)),
        field(QStringLiteral("Gain red"), "gain_red", number(p.redGain)),
        field(QStringLiteral("Gain green"), "gain_green", number(p.greenGain)),
        field(QStringLiteral("Gain blue"), "gain_blue", number(p.blueGain)),
        field(QStringLiteral("AOI offset x"), "aoi_offset_x", number(p.aoiOffset.x())),
        field(QStringLiteral("AOI offset y"), "aoi_offset_y", number(p.aoiOffset.y())),
        field(QStringLiteral("Flash mode"), "flash_mode", flashMode),
        field(QStringLiteral("Flash delay us"), "flash_delay_us", flashDelay),
        field(QStringLiteral("Flash duration us"), "flash_duration_us", flashDuration),
    };
    if (!cycleImage.isEmpty()) {
        for (Field &each : fields)
            each.value.clear();
        fields.first().value = cycleImage;
    }
    return fields;
}

QList<ImageMetadata::Field> ImageMetadata::cameraFields() const
{
    return {field(QStringLiteral("Camera model"), "camera_model", cameraModel),
            field(QStringLiteral("Serial number"), "serial_number", serialNumber)};
}

QList<ImageMetadata::Field> ImageMetadata::fields() const
{
    return imageFields() + cameraFields();
}

QString ImageMetadata::description() const
{
    QStringList lines;
    for (const Field &each : fields()) {
        if (!each.value.isEmpty())
            lines << each.key + QStringLiteral(": ") + each.value;
    }
    return lines.join(QLatin1Char('\n'));
}
