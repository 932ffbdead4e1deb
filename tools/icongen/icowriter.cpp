#include "icowriter.h"

#include <QBuffer>
#include <QDataStream>

namespace {

constexpr int directorySize = 6;
constexpr int entrySize = 16;
constexpr int bitmapHeaderSize = 40;

} // namespace

QByteArray IcoWriter::encode(const QList<QImage> &images)
{
    QList<QByteArray> payloads;
    for (const QImage &image : images)
        payloads.append(image.width() >= 256 ? pngEntry(image) : bitmapEntry(image));

    QByteArray file;
    QDataStream out(&file, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(images.size());

    quint32 offset = directorySize + entrySize * images.size();
    for (int i = 0; i < images.size(); ++i) {
        const QImage &image = images.at(i);
        // A width or height of 256 does not fit the byte and is written as 0.
        out << quint8(image.width() & 0xFF) << quint8(image.height() & 0xFF) << quint8(0)
            << quint8(0) << quint16(1) << quint16(32) << quint32(payloads.at(i).size())
            << quint32(offset);
        offset += payloads.at(i).size();
    }
    for (const QByteArray &payload : payloads)
        out.writeRawData(payload.constData(), payload.size());
    return file;
}

QByteArray IcoWriter::bitmapEntry(const QImage &source)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int width = image.width();
    const int height = image.height();
    const int maskStride = ((width + 31) / 32) * 4;

    QByteArray entry;
    QDataStream out(&entry, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    // The height counts the colour bitmap and the mask below it.
    out << quint32(bitmapHeaderSize) << qint32(width) << qint32(2 * height) << quint16(1)
        << quint16(32) << quint32(0) << quint32(width * height * 4 + maskStride * height)
        << qint32(0) << qint32(0) << quint32(0) << quint32(0);

    // Rows bottom-up, pixels as blue, green, red, alpha.
    for (int y = height - 1; y >= 0; --y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < width; ++x)
            out << quint8(qBlue(line[x])) << quint8(qGreen(line[x])) << quint8(qRed(line[x]))
                << quint8(qAlpha(line[x]));
    }
    // The mask marks fully transparent pixels for programs that ignore alpha.
    for (int y = height - 1; y >= 0; --y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        QByteArray maskRow(maskStride, '\0');
        for (int x = 0; x < width; ++x) {
            if (qAlpha(line[x]) == 0)
                maskRow[x / 8] = char(maskRow.at(x / 8) | (0x80 >> (x % 8)));
        }
        out.writeRawData(maskRow.constData(), maskRow.size());
    }
    return entry;
}

QByteArray IcoWriter::pngEntry(const QImage &image)
{
    QByteArray entry;
    QBuffer buffer(&entry);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return entry;
}
