#include "recordedbracket.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QMap>
#include <QStringList>

#include <tiffio.h>

#include <stdexcept>

#include "recordingwriter.h"

namespace {

/// The fields of one line of images.csv, quotes undone.
QStringList csvFields(const QString &line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (int at = 0; at < line.size(); ++at) {
        const QChar c = line.at(at);
        if (quoted && c == QLatin1Char('"') && line.mid(at + 1, 1) == QLatin1String("\"")) {
            field += c;
            ++at;
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (c == QLatin1Char(',') && !quoted) {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field;
    return fields;
}

/// The camera model an image file names: its TIFF Model tag or its PNG
/// text, as the recording wrote them.
QString cameraModelOf(const QString &path)
{
    if (!path.endsWith(QLatin1String(".tiff"), Qt::CaseInsensitive) &&
        !path.endsWith(QLatin1String(".tif"), Qt::CaseInsensitive))
        return QImageReader(path).text(QStringLiteral("Camera model"));
    // Warnings about tags it does not know are no concern here.
    const TIFFErrorHandler warnings = TIFFSetWarningHandler(nullptr);
    TIFF *tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    TIFFSetWarningHandler(warnings);
    if (!tiff)
        return QString();
    char *model = nullptr;
    const QString text =
        TIFFGetField(tiff, TIFFTAG_MODEL, &model) ? QString::fromUtf8(model) : QString();
    TIFFClose(tiff);
    return text;
}

[[noreturn]] void fail(const QString &why)
{
    throw std::runtime_error(why.toStdString());
}

} // namespace

RecordedBracket RecordedBracket::read(const QString &folder)
{
    const QDir dir(folder);
    QFile list(dir.filePath(RecordingWriter::listName));
    if (!list.open(QIODevice::ReadOnly))
        fail(tr("%1 holds no recording: %2 cannot be read (%3).")
                 .arg(QDir::toNativeSeparators(folder), RecordingWriter::listName,
                      list.errorString()));
    QStringList lines =
        QString::fromUtf8(list.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QStringList header = lines.isEmpty() ? QStringList() : csvFields(lines.takeFirst());
    const auto column = [&header](const char *name) {
        return header.indexOf(QString::fromLatin1(name));
    };
    const QList<int> columns{column("file"),         column("cycle"),       column("set"),
                             column("frame_number"), column("exposure_ms"), column("gain_master"),
                             column("gain_red"),     column("gain_green"),  column("gain_blue"),
                             column("aoi_offset_x"), column("aoi_offset_y")};
    if (columns.contains(-1))
        fail(tr("%1 in %2 lacks the columns of a recording.")
                 .arg(RecordingWriter::listName, QDir::toNativeSeparators(folder)));

    // The set images of each cycle; fused images and radiance name no set.
    QMap<int, QList<QStringList>> cycles;
    for (const QString &line : qAsConst(lines)) {
        const QStringList row = csvFields(line);
        bool isSet = false;
        row.value(columns[2]).toInt(&isSet);
        if (isSet)
            cycles[row.value(columns[1]).toInt()] << row;
    }
    RecordedBracket bracket;
    int largest = 0;
    for (auto each = cycles.constBegin(); each != cycles.constEnd(); ++each) {
        if (each.value().size() >= largest) {
            largest = each.value().size();
            bracket.cycle = each.key();
        }
    }
    if (largest < 2)
        fail(tr("The recording in %1 holds no cycle of two images or more: a response is "
                "calibrated from a bracket.")
                 .arg(QDir::toNativeSeparators(folder)));

    for (const QStringList &row : cycles.value(bracket.cycle)) {
        const QString path = dir.filePath(row.value(columns[0]));
        RadianceMerge::Exposure exposure;
        exposure.image = QImage(path).convertToFormat(QImage::Format_RGB888);
        if (exposure.image.isNull())
            fail(tr("%1 cannot be read.").arg(QDir::toNativeSeparators(path)));
        if (bracket.cameraModel.isEmpty())
            bracket.cameraModel = cameraModelOf(path);
        exposure.set = row.value(columns[2]).toInt();
        exposure.frameNumber = row.value(columns[3]).toULongLong();
        exposure.exposureMs = row.value(columns[4]).toDouble();
        exposure.gain = {row.value(columns[5]).toInt(), row.value(columns[6]).toInt(),
                         row.value(columns[7]).toInt(), row.value(columns[8]).toInt()};
        exposure.aoiOffset = QPoint(row.value(columns[9]).toInt(), row.value(columns[10]).toInt());
        bracket.exposures << exposure;
    }
    if (bracket.cameraModel.isEmpty())
        fail(tr("The images in %1 name no camera model.").arg(QDir::toNativeSeparators(folder)));
    return bracket;
}
