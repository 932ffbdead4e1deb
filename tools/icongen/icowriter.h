#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

/// Encodes images as one file in the Windows icon format: 32-bit bitmaps with
/// alpha and an AND mask for sizes below 256, a PNG entry for 256 x 256.
class IcoWriter
{
public:
    /// The images must be square, 1 to 256 pixels wide, with distinct sizes.
    static QByteArray encode(const QList<QImage> &images);

private:
    static QByteArray bitmapEntry(const QImage &image);
    static QByteArray pngEntry(const QImage &image);
};
