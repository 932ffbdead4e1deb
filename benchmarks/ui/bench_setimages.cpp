// What the images out of a running sequence cost per image: a set's
// thumbnail with its figures (GUI thread, at most four a second per set),
// and one image file written as a recording writes it, TIFF and PNG, with
// Qt's own PNG writer beside for comparison. Images of the simulated
// cameras' sensor sizes with a fine pattern that compresses like a
// detailed scene; files go to a temporary folder that is removed.

#include <QApplication>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>

#include "imagefigures.h"
#include "imagefilewriter.h"
#include "imagemetadata.h"
#include "setthumbnail.h"

namespace {

QImage patterned(const QSize &size)
{
    QImage image(size, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y) {
        uchar *line = image.scanLine(y);
        for (int x = 0; x < image.width() * 3; ++x)
            line[x] = uchar((x * 7 + y * 13 + (x * y) % 5) & 0xFF);
    }
    return image;
}

double msPerRound(int rounds, const std::function<void(int)> &round)
{
    round(0); // warm-up
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i)
        round(i);
    return double(timer.nsecsElapsed()) / 1e6 / rounds;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir folder;
    ImageMetadata metadata;
    metadata.cameraModel = QStringLiteral("VK1240C");
    metadata.serialNumber = QStringLiteral("4102000001");

    out << "image        what                              ms per image   MB/s\n";
    for (const QSize &size : {QSize(1280, 1024), QSize(1936, 1216)}) {
        const QImage image = patterned(size);
        const double megabytes = double(image.sizeInBytes()) / 1e6;
        const auto row = [&](const QString &what, double ms, bool rate) {
            out << QStringLiteral("%1x%2").arg(size.width()).arg(size.height()).leftJustified(13)
                << what.leftJustified(34) << QString::number(ms, 'f', 2).leftJustified(15)
                << (rate ? QString::number(megabytes / ms * 1000.0, 'f', 0) : QStringLiteral("-"))
                << "\n";
        };

        SetThumbnail thumbnail;
        thumbnail.setImageSize(size);
        row(QStringLiteral("set thumbnail and figures"), msPerRound(50, [&](int) {
                thumbnail.showImage(ImageFigures::thumbnail(image, thumbnail.pictureWidth()),
                                    ImageFigures::of(image));
            }),
            false);
        for (ImageFileFormat format : {ImageFileFormat::Tiff, ImageFileFormat::Png}) {
            const QString suffix = ImageFileWriter::suffix(format);
            row(suffix.toUpper() + QStringLiteral(" file (recording)"), msPerRound(20, [&](int i) {
                    ImageFileWriter::write(image, metadata, format,
                                           folder.filePath(QStringLiteral("%1.%2").arg(i).arg(suffix)));
                }),
                true);
        }
        row(QStringLiteral("PNG file, Qt's writer at level 1"), msPerRound(10, [&](int i) {
                QImageWriter writer(folder.filePath(QStringLiteral("qt%1.png").arg(i)), "png");
                writer.setQuality(80);
                writer.write(image);
            }),
            true);
    }
    return 0;
}
