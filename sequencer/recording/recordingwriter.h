#pragma once

#include <QFile>
#include <QImage>
#include <QSharedPointer>
#include <QString>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "imagemetadata.h"
#include "radiancefilewriter.h"
#include "radianceimage.h"

/// Writes the images of one recording into its folder on a thread of its
/// own, behind a queue bounded in bytes: whoever offers an image never waits
/// for the disk, and an image that finds the queue full is refused (the
/// caller counts it as dropped). Each image is written complete under its
/// name (ImageFileWriter) and only then listed in images.csv, so the list
/// names exactly the images present. A cycle's radiance is written the same
/// way (RadianceFileWriter). The first failure ends the writing:
/// what is queued then is given up, what was written stays complete and
/// listed.
class RecordingWriter : public QThread
{
    Q_OBJECT

public:
    /// One image and what its row of images.csv says.
    struct Item
    {
        QSharedPointer<QImage> image;
        ImageMetadata metadata;
        QString fileName;
        int cycle = 0;
        /// A cycle's radiance, written in radianceFormat instead of an
        /// image where it is not null.
        RadianceImage radiance{};
        RadianceFileFormat radianceFormat = RadianceFileFormat::Tiff;

        /// The memory it holds while queued.
        qint64 bytes() const;
    };

    /// Writes one image file complete or not at all; returns an empty text
    /// or why it failed.
    using FileWriter =
        std::function<QString(const QImage &, const ImageMetadata &, const QString &path)>;

    /// The list of the images written, in the recording's folder.
    static const QString listName;

    /// Starts nothing; start() begins writing into folder, which exists.
    RecordingWriter(const QString &folder, FileWriter writeFile, qint64 queueBytes);
    /// Writes what is queued, then ends.
    ~RecordingWriter() override;

    enum class Offer { Queued, QueueFull, Ended };

    /// Queues an image unless the queue is full or writing has ended (or
    /// is ending); an empty queue takes any one image. Any thread; never
    /// waits for the disk.
    Offer offer(Item item);
    /// No more images come: the thread writes what is queued and ends.
    void finish();

    int written() const;
    qint64 bytesWritten() const;
    int queued() const;
    /// Why writing ended early; empty while it did not.
    QString failure() const;

protected:
    void run() override;

private:
    /// The next image to write; false once finished and nothing is left.
    bool next(Item &item);
    bool openList();
    /// Writes the image and its row; false after a failure.
    bool writeItem(const Item &item);
    bool appendRow(const QString &row);
    void fail(const QString &why);

    const QString m_folder;
    const FileWriter m_writeFile;
    const qint64 m_queueBytes;
    QFile m_list;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Item> m_queue;
    qint64 m_queuedBytes = 0;
    bool m_finishing = false;
    bool m_ended = false;
    int m_written = 0;
    qint64 m_bytesWritten = 0;
    QString m_failure;
};
