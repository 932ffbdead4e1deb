#pragma once

#include <QImage>
#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

#include "cyclecounter.h"
#include "framegapcounter.h"
#include "imagefilewriter.h"
#include "imagelabels.h"
#include "recordingwriter.h"

/// One recording of the images the camera delivers: every image of the
/// run's kind (a running sequence's, or plain live video's), from the first
/// image of a cycle on, is labelled with its cycle, set and parameters and
/// handed to a RecordingWriter, until the cycles asked for are complete or
/// stop() is called. Files are named by cycle and set
/// ("cycle-0001-set-00.tiff", "cycle-0001-live.png"), listed in images.csv.
///
/// take() is an ImageFanOut receiver and runs on the capture thread; it
/// never waits for the disk: an image the writer has no room for is dropped
/// and counted. Images the camera lost between the first image recorded and
/// the last (gaps in the frame numbers) are counted apart. Everything else
/// runs on the GUI thread.
///
/// With fuseCycles each complete cycle of a sequence is also fused at full
/// size on a thread of its own and handed to the writer as one more image
/// ("cycle-0001-hdr.tiff"), listed after its cycle's images. The set images
/// never wait for a fusion: a cycle that completes while one is fused waits
/// in its place, replacing (and so skipping) any cycle already waiting. The
/// writer finishes once the last fusion is handed over.
class ImageRecorder : public QObject
{
    Q_OBJECT

public:
    struct Settings
    {
        /// Where the images go; it exists.
        QString folder;
        ImageFileFormat format = ImageFileFormat::Tiff;
        /// Cycles to record; 0 records until stopped.
        int cycles = 0;
        /// Also writes the exposure fusion of each cycle of a sequence at
        /// full size ("cycle-0001-hdr.tiff"), where the build can fuse.
        bool fuseCycles = false;
    };

    struct Progress
    {
        /// The cycle being recorded, from 1; 0 while the first has not begun.
        int cycle = 0;
        int written = 0;
        /// Images the writer had no room for.
        int dropped = 0;
        /// Images the camera lost between the first image recorded and the
        /// last: they never arrived.
        qint64 lost = 0;
        /// Images waiting to be written.
        int queued = 0;
        /// Cycles not fused because a newer one came while a fusion ran.
        int fusionsSkipped = 0;
        qint64 bytesWritten = 0;
        /// No more images are taken; those queued are still being written.
        bool taking = true;
    };

    /// What the writer may hold in memory at most.
    static constexpr qint64 defaultQueueBytes = qint64(256) << 20;

    /// Starts writing images.csv at once. writeFile writes one image file
    /// (ImageFileWriter in the settings' format when empty).
    ImageRecorder(const Settings &settings, std::shared_ptr<const ImageLabels> labels,
                  const QString &cameraModel, const QString &serialNumber,
                  RecordingWriter::FileWriter writeFile = {}, qint64 queueBytes = defaultQueueBytes,
                  QObject *parent = nullptr);
    /// Writes what is queued before it returns.
    ~ImageRecorder() override;

    /// An image the camera delivered in its capture stream \a stream
    /// (VyraCamera::captureStream()); capture thread.
    void take(const QSharedPointer<QImage> &image, quint64 stream);
    /// New parameters for the images to come (live video: the camera's
    /// values changed). Any thread.
    void setLabels(std::shared_ptr<const ImageLabels> labels);
    /// Takes no more images; those queued are written, then finished() comes.
    void stop();
    /// Waits until everything taken is written or given up; after stop().
    void waitForFinished();

    const Settings &settings() const;
    bool recordsSequence() const;
    Progress progress() const;
    /// Why writing ended early; empty when it did not.
    QString failure() const;

    /// The name of an image of this cycle and set (-1: live video).
    static QString fileName(int cycle, int set, ImageFileFormat format);
    /// The name of the fused image of this cycle.
    static QString fusedFileName(int cycle, ImageFileFormat format);
    /// Whether this build can fuse the images of a cycle.
    static bool canFuseCycles();

signals:
    /// The writer has written everything it was given, or failed.
    void finished();

private:
    std::shared_ptr<const ImageLabels> labels() const;
    /// Hands an item to the writer, counting it dropped when there is no
    /// room; false once writing has ended.
    bool offer(RecordingWriter::Item item);
    /// A complete cycle's images, to be fused and written as one.
    struct Fusion
    {
        QList<QSharedPointer<QImage>> bracket;
        ImageMetadata metadata;
        int cycle = 0;
    };
    /// Has the cycle fused on the fusion thread; capture thread.
    void fuseLater(Fusion fusion);
    /// Fuses and hands over the waiting cycles; fusion thread.
    void fuseWaiting();

    const Settings m_settings;
    const bool m_sequence;
    const QString m_cameraModel;
    const QString m_serialNumber;
    mutable std::mutex m_labelsMutex;
    std::shared_ptr<const ImageLabels> m_labels;
    // Used by take() alone, on the capture thread.
    CycleCounter m_cycles;
    FrameGapCounter m_gaps;
    /// The images of the cycle being recorded, for its fusion.
    QList<QSharedPointer<QImage>> m_bracket;
    std::mutex m_fusionMutex;
    std::optional<Fusion> m_waitingFusion;
    bool m_fusing = false;
    /// stop() came while a fusion ran: the writer finishes after it.
    bool m_finishAfterFusion = false;
    std::atomic<int> m_fusionsSkipped{0};
    QThreadPool m_fusionThread;
    std::atomic<bool> m_taking{true};
    std::atomic<int> m_cycle{0};
    std::atomic<int> m_dropped{0};
    std::atomic<qint64> m_lost{0};
    RecordingWriter m_writer;
};
