#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QSharedPointer>

/// Groups the images of a running sequence into cycles and hands on each
/// complete cycle as a bracket: the latest image of every set of the cycle,
/// in the order the sets took them. A cycle is complete when a set of it
/// takes an image a second time; the image that shows this begins the next
/// cycle. An image taken outside a sequence (no set) ends a cycle unfinished.
/// GUI thread.
class CycleBrackets : public QObject
{
    Q_OBJECT

public:
    explicit CycleBrackets(QObject *parent = nullptr);

    void take(const QSharedPointer<QImage> &image);
    /// Forgets the cycle begun (the run stopped or the camera went).
    void reset();

signals:
    /// The images of one cycle, one per set.
    void cycleCompleted(QList<QSharedPointer<QImage>> bracket);

private:
    QList<int> m_sets;
    QList<QSharedPointer<QImage>> m_images;
};
