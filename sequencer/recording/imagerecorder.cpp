#include "imagerecorder.h"

#include <stdexcept>
#include <utility>

#include "cyclebracket.h"
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
QImage fuseImages(const QVector<RadianceMerge::Exposure> &bracket)
{
#if VYRA_EXPOSURE_FUSION
    QList<QImage> images;
    for (const RadianceMerge::Exposure &exposure : bracket)
        images << exposure.image;
    return ExposureFusion::fuse(images);
#else
    Q_UNUSED(bracket);
    throw std::runtime_error("This build cannot fuse images.");
#endif
}

QString cycleFileName(int cycle, const QString &what, const QString &suffix)
{
    return QStringLiteral("cycle-%1-%2.%3").arg(cycle, 4, 10, QLatin1Char('0')).arg(what, suffix);
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
    , m_merge(cameraModel, settings.response)
    , m_writer(settings.folder, writeFile ? std::move(writeFile) : fileWriterFor(settings.format),
               queueBytes)
{
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
    // The workers hand their images to the writer, which then writes them.
    m_fusion.waitForDone();
    m_radiance.waitForDone();
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
    // Worked on once its last image is queued: the set images come first
    // in the folder and its list.
    if (m_sequence && m_bracket.size() > 1)
        workOnCycle(std::exchange(m_bracket, {}), metadata, cycle);
    if (cycle == m_settings.cycles)
        stop();
}

void ImageRecorder::workOnCycle(const QList<QSharedPointer<QImage>> &images,
                                const ImageMetadata &metadata, int cycle)
{
    const bool fuseIt = m_settings.fuseCycles && canFuseCycles();
    if (!fuseIt && !m_settings.mergeRadiance)
        return;
    const QVector<RadianceMerge::Exposure> bracket = CycleBracket::exposuresOf(images, *labels());
    if (fuseIt)
        m_fusion.submit(
            [this, bracket, metadata, cycle] { return fuse(bracket, metadata, cycle); });
    if (m_settings.mergeRadiance)
        m_radiance.submit(
            [this, bracket, metadata, cycle] { return merge(bracket, metadata, cycle); });
}

bool ImageRecorder::fuse(const QVector<RadianceMerge::Exposure> &bracket, ImageMetadata metadata,
                         int cycle)
{
    // Images of different parts of the sensor make no picture of one scene.
    if (!CycleBracket::whyNotAlike(bracket).isEmpty())
        return false;
    try {
        metadata.cycleImage = QStringLiteral("hdr");
        const auto image = QSharedPointer<QImage>::create(fuseImages(bracket));
        offer({image, metadata, fusedFileName(cycle, m_settings.format), cycle});
        return true;
    } catch (const std::runtime_error &) {
        return false;
    }
}

bool ImageRecorder::merge(const QVector<RadianceMerge::Exposure> &bracket, ImageMetadata metadata,
                          int cycle)
{
    if (!CycleBracket::whyNotAlike(bracket).isEmpty())
        return false;
    RadianceImage radiance;
    try {
        radiance = m_merge.merge(bracket);
    } catch (const std::runtime_error &) {
        // An exposure the camera did not report, say.
        return false;
    }
    metadata.cycleImage = QStringLiteral("radiance");
    QList<RadianceFileFormat> formats{RadianceFileFormat::Tiff};
    if (RadianceFileWriter::exrAvailable())
        formats << RadianceFileFormat::Exr;
    for (RadianceFileFormat format : formats)
        offer({nullptr, metadata, radianceFileName(cycle, format), cycle, radiance, format});
    return true;
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
    if (m_stopping.exchange(true))
        return;
    // The writer takes the workers' last cycles before it finishes.
    const auto workerDone = [this] {
        if (--m_busyWorkers == 0)
            m_writer.finish();
    };
    m_fusion.whenIdle(workerDone);
    m_radiance.whenIdle(workerDone);
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
    progress.fusionsSkipped = m_fusion.skipped();
    progress.radianceSkipped = m_radiance.skipped();
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
    return cycleFileName(cycle, QStringLiteral("hdr"), ImageFileWriter::suffix(format));
}

QString ImageRecorder::radianceFileName(int cycle, RadianceFileFormat format)
{
    return cycleFileName(cycle, QStringLiteral("radiance"), RadianceFileWriter::suffix(format));
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
