#pragma once

#include <QImage>
#include <QSharedPointer>

/// Thins the camera's images to what a screen can follow: at most one image
/// per more than 30 ms is let through. An image that comes too soon after the
/// last one let through is held, replacing any older held one, and let
/// through as soon as its turn comes, unless a newer image takes its place
/// first. So a fast stream is thinned, while a single image, a triggered one
/// say, always comes through, and the newest image always ends up on screen.
///
/// Times are milliseconds of one steady clock, as the caller reads them.
/// Not thread-safe: used by the capture thread alone.
class ImageGate
{
public:
    /// Images are let through at most once per more than this many ms.
    static constexpr qint64 minimumIntervalMs = 30;

    /// Offers an image that came at now. Returns it when it may go on at
    /// once; otherwise holds it and returns null.
    QSharedPointer<QImage> offer(QSharedPointer<QImage> image, qint64 now);
    /// The held image once its turn has come at now, else null.
    QSharedPointer<QImage> takeDue(qint64 now);
    /// The held image whatever the time (when capture stops), else null.
    QSharedPointer<QImage> takeHeld();
    bool isHolding() const;
    /// Milliseconds from now until the held image's turn; 0 when it is due.
    qint64 msUntilDue(qint64 now) const;

private:
    bool isDue(qint64 now) const;
    QSharedPointer<QImage> letThrough(QSharedPointer<QImage> image, qint64 now);

    QSharedPointer<QImage> m_held;
    qint64 m_lastPassed = 0;
    bool m_passedAny = false;
};
