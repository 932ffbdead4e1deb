#pragma once

#include <QSize>

#include <memory>

/// The pixel memory of radiance images, kept for the next image when one
/// is let go. A radiance image of a camera frame is large (15 MiB at 1280 x
/// 1024) and a running bracket makes one per cycle; memory fresh from the
/// system costs a page fault every 4 KiB at its first touch, about a third
/// of a whole merge. The last two blocks let go wait here for the next
/// image of their size. Thread-safe.
class RadianceBuffers
{
public:
    /// Red, green and blue floats and a mark of every pixel.
    struct Pixels
    {
        QSize size;
        std::unique_ptr<float[]> rgb;
        std::unique_ptr<quint8[]> marks;
    };

    /// Pixels of the size, their content undefined; they come back here
    /// when the last owner lets go.
    static std::shared_ptr<Pixels> take(const QSize &size);
};
