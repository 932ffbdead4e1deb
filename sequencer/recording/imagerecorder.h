#pragma once

#include <QImage>
#include <QObject>
#include <QSharedPointer>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

#include "cameraresponse.h"
#include "cyclecounter.h"
#include "cycleworker.h"
#include "framegapcounter.h"
#include "imagefilewriter.h"
#include "imagelabels.h"
#include "radiancefilewriter.h"
#include "radiancemerge.h"
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
/// size and handed to the writer as one more image ("cycle-0001-hdr.tiff");
/// with mergeRadiance its radiance is merged and written as a float TIFF
/// ("cycle-0001-radiance.tiff") and, where the build has OpenEXR, as
/// OpenEXR ("cycle-0001-radiance.exr"). Both are listed after their cycle's
/// images. Each works on a thread of its own (CycleWorker), so the set
/// images never wait for them: a cycle that completes while one is worked
/// on waits in its place, replacing (and so skipping) any cycle already
/// waiting. A cycle whose images differ in AOI offset or size is neither
/// fused nor merged. The writer finishes once the last of them is handed
/// over.
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
        /// Also writes the radiance of each cycle of a sequence
        /// ("cycle-0001-radiance.tiff", and ".exr" where the build has
        /// OpenEXR), merged with response.
        bool mergeRadiance = false;
        CameraResponse response = CameraResponse::assumedLinear();
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
        /// Cycles not fused, or not merged, because a newer one came while
        /// one was worked on or because their images could not be.
        int fusionsSkipped = 0;
        int radianceSkipped = 0;
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
    /// The name of the radiance file of this cycle.
    static QString radianceFileName(int cycle, RadianceFileFormat format);
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
    /// Has the complete cycle fused and merged as the settings ask, each on
    /// its worker; capture thread.
    void workOnCycle(const QList<QSharedPointer<QImage>> &images, const ImageMetadata &metadata,
                     int cycle);
    /// Fuses the cycle and hands its image to the writer; fusion thread.
    bool fuse(const QVector<RadianceMerge::Exposure> &bracket, ImageMetadata metadata, int cycle);
    /// Merges the cycle and hands its files to the writer; radiance thread.
    bool merge(const QVector<RadianceMerge::Exposure> &bracket, ImageMetadata metadata, int cycle);

    const Settings m_settings;
    const bool m_sequence;
    const QString m_cameraModel;
    const QString m_serialNumber;
    mutable std::mutex m_labelsMutex;
    std::shared_ptr<const ImageLabels> m_labels;
    // Used by take() alone, on the capture thread.
    CycleCounter m_cycles;
    FrameGapCounter m_gaps;
    /// The images of the cycle being recorded, for its fusion and radiance.
    QList<QSharedPointer<QImage>> m_bracket;
    const RadianceMerge m_merge;
    CycleWorker m_fusion;
    CycleWorker m_radiance;
    std::atomic<bool> m_taking{true};
    std::atomic<bool> m_stopping{false};
    /// Workers that have not yet handed over their last cycle after stop().
    std::atomic<int> m_busyWorkers{2};
    std::atomic<int> m_cycle{0};
    std::atomic<int> m_dropped{0};
    std::atomic<qint64> m_lost{0};
    RecordingWriter m_writer;
};
