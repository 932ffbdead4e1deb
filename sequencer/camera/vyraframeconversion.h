#pragma once

#include <QImage>
#include <QSharedPointer>

/// Copies one 24-bit RGB frame of the camera driver into a new QImage of the
/// format QImage::Format_RGB888. The driver's lines are linePitch bytes apart
/// and QImage pads its scan lines to 4 bytes; the copy honours both, so widths
/// whose line is not a multiple of 4 bytes come out unsheared. Returns null
/// for sizes that are not positive, a pitch shorter than a line, or when the
/// image cannot be allocated.
QSharedPointer<QImage> convertRgbFrame(const char *memory, int width, int height, int linePitch);
