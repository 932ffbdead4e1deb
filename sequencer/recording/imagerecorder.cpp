#include "imagerecorder.h"

#include <stdexcept>
#include <utility>

#include "vyrabuildoptions.h"
#include "vyraframeinfo.h"
#if VYRA_EXPOSURE_FUSION
#include "exposurefusion.h"
#endif

namespace {

RecordingWriter::FileWriter fileWriterFor(ImageFileFormat format)
{
    return [format](const QImage &image, const ImageMetadata &metadata, const QString &path) {
        return ImageFileWriter::write(image, metadata, format, path);
    };
}

/// The exposure fusion of the images at full size; throws std::runtime_error.
QImage fuse(const QList<QSharedPointer<QImage>> &bracket)
{
#if VYRA_EXPOSURE_FUSION
    QList<QImage> images;
    for (const QSharedPointer<QImage> &image : bracket)
        images << *image;
    return ExposureFusion::fuse(images);
#else
    Q_UNUSED(bracket);
    throw std::runtime_error("This build cannot fuse images.");
#endif
}

} // namespace

ImageRecorder::ImageRecorder(const Settings &settings, std::shared_ptr<const ImageLabels> labels,
                             const QString &cameraModel, const QString &serialNumber,
                             RecordingWriter::FileWriter writeFile, qint64 queueBytes,
                             QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_sequence(labels->isSequence())
    , m_cameraModel(cameraModel)
    , m_serialNumber(serialNumber)
    , m_labels(std::move(labels))
    , m_cycles(m_labels->cycle())
    , m_writer(settings.folder, writeFile ? std::move(writeFile) : fileWriterFor(settings.format),
               queueBytes)
{
    m_fusionThread.setMaxThreadCount(1);
    connect(&m_writer, &QThread::finished, this, &ImageRecorder::finished);
    m_writer.start();
}

ImageRecorder::~ImageRecorder()
{
    stop();
    waitForFinished();
}

void ImageRecorder::waitForFinished()
{
    // The fusion hands its image to the writer, which then writes it.
    m_fusionThread.waitForDone();
    m_writer.wait();
}

void ImageRecorder::take(const QSharedPointer<QImage> &image, quint64 stream)
{
    if (!m_taking.load())
        return;
    const VyraFrameInfo frame = VyraFrameInfo::of(*image);
    const quint64 lost = m_gaps.count(frame.frameNumber, stream);
    // A sequence's images name their set, live video's none; images of the
    // other kind come only while the camera changes over, and are no part
    // of this recording.
    if ((frame.set != VyraFrameInfo::noSet) != m_sequence)
        return;
    const int cycle = m_cycles.count(frame.set);
    if (cycle == 0)
        return;
    if (m_settings.cycles > 0 && cycle > m_settings.cycles) {
        stop();
        return;
    }
    // The images lost before the first one recorded are no part of the
    // recording.
    if (m_cycle.load() > 0)
        m_lost += qint64(lost);
    if (cycle != m_cycle.exchange(cycle))
        m_bracket.clear();
    m_bracket << image;
    const std::shared_ptr<const ImageLabels> current = labels();
    const ImageMetadata metadata{frame, current->parametersOf(frame.set), m_cameraModel,
                                 m_serialNumber};
    if (!offer({image, metadata, fileName(cycle, frame.set, m_settings.format), cycle}))
        return;
    if (!m_cycles.completesCycle())
        return;
    // Fused once its last image is queued: the set images come first in
    // the folder and its list.
    if (m_sequence && m_settings.fuseCycles && canFuseCycles() && m_bracket.size() > 1) {
        ImageMetadata fused = metadata;
        fused.fused = true;
        fuseLater({std::exchange(m_bracket, {}), fused, cycle});
    }
    if (cycle == m_settings.cycles)
        stop();
}

void ImageRecorder::fuseLater(Fusion fusion)
{
    std::lock_guard<std::mutex> lock(m_fusionMutex);
    if (m_waitingFusion)
        ++m_fusionsSkipped;
    m_waitingFusion = std::move(fusion);
    if (std::exchange(m_fusing, true))
        return;
    m_fusionThread.start([this] { fuseWaiting(); });
}

void ImageRecorder::fuseWaiting()
{
    for (;;) {
        std::optional<Fusion> fusion;
        bool finish = false;
        {
            std::lock_guard<std::mutex> lock(m_fusionMutex);
            fusion = std::exchange(m_waitingFusion, std::nullopt);
            if (!fusion) {
                m_fusing = false;
                finish = m_finishAfterFusion;
            }
        }
        if (!fusion) {
            if (finish)
                m_writer.finish();
            return;
        }
        try {
            const auto image = QSharedPointer<QImage>::create(fuse(fusion->bracket));
            offer({image, fusion->metadata, fusedFileName(fusion->cycle, m_settings.format),
                   fusion->cycle});
        } catch (const std::runtime_error &) {
            // Images that cannot be fused (their size changed within the
            // cycle) leave the cycle without a fused image.
            ++m_fusionsSkipped;
        }
    }
}

bool ImageRecorder::offer(RecordingWriter::Item item)
{
    switch (m_writer.offer(std::move(item))) {
    case RecordingWriter::Offer::Queued:
        return true;
    case RecordingWriter::Offer::QueueFull:
        ++m_dropped;
        return true;
    case RecordingWriter::Offer::Ended:
        break;
    }
    m_taking.store(false);
    return false;
}

void ImageRecorder::setLabels(std::shared_ptr<const ImageLabels> labels)
{
    std::lock_guard<std::mutex> lock(m_labelsMutex);
    m_labels = std::move(labels);
}

std::shared_ptr<const ImageLabels> ImageRecorder::labels() const
{
    std::lock_guard<std::mutex> lock(m_labelsMutex);
    return m_labels;
}

void ImageRecorder::stop()
{
    m_taking.store(false);
    {
        std::lock_guard<std::mutex> lock(m_fusionMutex);
        if (m_fusing) {
            m_finishAfterFusion = true;
            return;
        }
    }
    m_writer.finish();
}

const ImageRecorder::Settings &ImageRecorder::settings() const
{
    return m_settings;
}

bool ImageRecorder::recordsSequence() const
{
    return m_sequence;
}

ImageRecorder::Progress ImageRecorder::progress() const
{
    Progress progress;
    progress.cycle = m_cycle.load();
    progress.written = m_writer.written();
    progress.dropped = m_dropped.load();
    progress.lost = m_lost.load();
    progress.queued = m_writer.queued();
    progress.fusionsSkipped = m_fusionsSkipped.load();
    progress.bytesWritten = m_writer.bytesWritten();
    progress.taking = m_taking.load();
    return progress;
}

QString ImageRecorder::failure() const
{
    return m_writer.failure();
}

QString ImageRecorder::fusedFileName(int cycle, ImageFileFormat format)
{
    return QStringLiteral("cycle-%1-hdr.").arg(cycle, 4, 10, QLatin1Char('0')) +
           ImageFileWriter::suffix(format);
}

bool ImageRecorder::canFuseCycles()
{
    return VYRA_EXPOSURE_FUSION;
}

QString ImageRecorder::fileName(int cycle, int set, ImageFileFormat format)
{
    const QString cycleText = QStringLiteral("cycle-%1").arg(cycle, 4, 10, QLatin1Char('0'));
    const QString setText = set == VyraFrameInfo::noSet
                                ? QStringLiteral("live")
                                : QStringLiteral("set-%1").arg(set, 2, 10, QLatin1Char('0'));
    return cycleText + QLatin1Char('-') + setText + QLatin1Char('.') +
           ImageFileWriter::suffix(format);
}
