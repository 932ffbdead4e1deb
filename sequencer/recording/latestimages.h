#pragma once

#include <QHash>
#include <QImage>
#include <QSharedPointer>

#include <mutex>

/// The latest image the camera delivered, and the latest of each sequencer
/// set: what Save Image writes, and what the views that compare the sets
/// show. take() runs on the capture thread for every image (an ImageFanOut
/// receiver); any thread reads. Thread-safe; keeping an image costs only a
/// reference to it.
class LatestImages
{
public:
    /// An image and the number of images taken before it.
    struct Entry
    {
        QSharedPointer<QImage> image;
        /// Grows with every image taken; 0 for no image.
        quint64 serial = 0;
    };

    void take(const QSharedPointer<QImage> &image);
    Entry latest() const;
    /// The latest image of the set; an empty entry when it took none since
    /// the sets were last forgotten.
    Entry latestOfSet(int set) const;
    /// Lets go of every set's image (a run ended); the latest image stays.
    void forgetSets();
    /// Lets go of every image (the camera was closed).
    void clear();

private:
    mutable std::mutex m_mutex;
    Entry m_latest;
    QHash<int, Entry> m_sets;
    quint64 m_serial = 0;
};
