#include "cyclebrackets.h"

#include <utility>

#include "vyraframeinfo.h"

CycleBrackets::CycleBrackets(QObject *parent) : QObject(parent)
{
}

void CycleBrackets::take(const QSharedPointer<QImage> &image)
{
    if (!image)
        return;
    const int set = VyraFrameInfo::of(*image).set;
    if (set == VyraFrameInfo::noSet) {
        reset();
        return;
    }
    QList<QSharedPointer<QImage>> complete;
    if (m_sets.contains(set)) {
        complete = std::exchange(m_images, {});
        m_sets.clear();
    }
    m_sets << set;
    m_images << image;
    // A single set is no bracket.
    if (complete.size() > 1)
        emit cycleCompleted(complete);
}

void CycleBrackets::reset()
{
    m_sets.clear();
    m_images.clear();
}
