#include "vyraframeconversion.h"

#include <cstring>

QSharedPointer<QImage> convertRgbFrame(const char *memory, int width, int height, int linePitch)
{
    constexpr int bytesPerPixel = 3;
    if (!memory || width <= 0 || height <= 0 || linePitch / bytesPerPixel < width) {
        return {};
    }
    const size_t lineBytes = static_cast<size_t>(width) * bytesPerPixel;
    auto image = QSharedPointer<QImage>::create(width, height, QImage::Format_RGB888);
    if (image->isNull()) {
        return {};
    }
    uchar *target = image->bits();
    const qsizetype targetPitch = image->bytesPerLine();
    if (targetPitch == linePitch) {
        // Same layout: one block copy, padding included.
        std::memcpy(target, memory, static_cast<size_t>(targetPitch) * static_cast<size_t>(height));
        return image;
    }
    for (int line = 0; line < height; ++line) {
        std::memcpy(target + line * targetPitch, memory + qsizetype(line) * linePitch, lineBytes);
    }
    return image;
}
