#include "imagegate.h"

#include <algorithm>
#include <utility>

QSharedPointer<QImage> ImageGate::offer(QSharedPointer<QImage> image, qint64 now)
{
    if (isDue(now)) {
        m_held.reset();
        return letThrough(std::move(image), now);
    }
    m_held = std::move(image);
    return {};
}

QSharedPointer<QImage> ImageGate::takeDue(qint64 now)
{
    if (!m_held || !isDue(now))
        return {};
    return letThrough(std::exchange(m_held, {}), now);
}

QSharedPointer<QImage> ImageGate::takeHeld()
{
    return std::exchange(m_held, {});
}

bool ImageGate::isHolding() const
{
    return !m_held.isNull();
}

qint64 ImageGate::msUntilDue(qint64 now) const
{
    if (!m_passedAny)
        return 0;
    // Due once more than the interval has passed, that is one ms after it.
    return std::max<qint64>(0, m_lastPassed + minimumIntervalMs + 1 - now);
}

bool ImageGate::isDue(qint64 now) const
{
    return !m_passedAny || now - m_lastPassed > minimumIntervalMs;
}

QSharedPointer<QImage> ImageGate::letThrough(QSharedPointer<QImage> image, qint64 now)
{
    m_lastPassed = now;
    m_passedAny = true;
    return image;
}
