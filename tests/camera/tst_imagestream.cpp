// The images after the driver: the fan-out that hands every image on before
// the display's gate thins the stream, the cycles and lost frames counted
// from the images, the figures of an image, and a recording whose writer
// falls behind the camera, its summary counting dropped and lost apart.

#include <QPainter>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "camerasupport.h"
#include "cyclecounter.h"
#include "imagefanout.h"
#include "imagefigures.h"
#include "imagefilewriter.h"
#include "imagelabels.h"
#include "imagerecorder.h"
#include "recordingsession.h"
#include "sequencer.h"
#include "streamstatistics.h"
#include "vyracamera.h"
#include "vyraframeinfo.h"

using namespace CameraTest;

namespace {

QSharedPointer<QImage> imageOfFrame(quint64 frameNumber, int set = VyraFrameInfo::noSet)
{
    auto image = QSharedPointer<QImage>::create(8, 8, QImage::Format_RGB888);
    image->fill(Qt::black);
    VyraFrameInfo info;
    info.frameNumber = frameNumber;
    info.set = set;
    info.attachTo(*image);
    return image;
}

QImage filled(int width, int height, const QColor &colour)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(colour);
    return image;
}

QImage halves(int width, int height, const QColor &left, const QColor &right)
{
    QImage image = filled(width, height, left);
    QPainter(&image).fillRect(width / 2, 0, width - width / 2, height, right);
    return image;
}

} // namespace

class TestImageStream : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void cyclesOfASequence_data();
    void cyclesOfASequence();
    void lostFramesAreTheGapsInFrameNumbers_data();
    void lostFramesAreTheGapsInFrameNumbers();
    void figuresOfAnImage_data();
    void figuresOfAnImage();

    void fanOutGetsEveryImageTheDisplayGetsFewer();
    void slowWriterDropsAndCountsWithoutHoldingUpTheCamera();
};

void TestImageStream::init()
{
    QVERIFY(resetWorld());
}

void TestImageStream::cyclesOfASequence_data()
{
    QTest::addColumn<QList<int>>("cycle");
    QTest::addColumn<QList<int>>("sets");
    QTest::addColumn<QList<int>>("cycles");
    QTest::addColumn<QList<bool>>("completing");
    QTest::newRow("ring, joined mid-cycle")
        << QList<int>{0, 1, 2} << QList<int>{1, 2, 0, 1, 2, 0, 1} << QList<int>{0, 0, 1, 1, 1, 2, 2}
        << QList<bool>{false, false, false, false, true, false, false};
    // The image that would begin the second cycle was lost.
    QTest::newRow("lost first set")
        << QList<int>{0, 1, 2} << QList<int>{0, 1, 2, 1, 2, 0} << QList<int>{1, 1, 1, 2, 2, 3}
        << QList<bool>{false, false, true, false, true, false};
    // Paths 0 -> 1 -> 2 -> 1: the loop is 1, 2; set 0 leads into it.
    QTest::newRow("lead-in") << QList<int>{1, 2} << QList<int>{0, 1, 2, 1, 2}
                             << QList<int>{0, 1, 1, 2, 2}
                             << QList<bool>{false, false, true, false, true};
    QTest::newRow("live video") << QList<int>{} << QList<int>{-1, -1, -1} << QList<int>{1, 2, 3}
                                << QList<bool>{true, true, true};
}

void TestImageStream::cyclesOfASequence()
{
    QFETCH(QList<int>, cycle);
    QFETCH(QList<int>, sets);
    QFETCH(QList<int>, cycles);
    QFETCH(QList<bool>, completing);
    CycleCounter counter(cycle);
    QList<int> counted;
    QList<bool> completed;
    for (int set : sets) {
        counted << counter.count(set);
        completed << counter.completesCycle();
    }
    QCOMPARE(counted, cycles);
    QCOMPARE(completed, completing);
}

void TestImageStream::lostFramesAreTheGapsInFrameNumbers_data()
{
    QTest::addColumn<QList<quint64>>("frames");
    QTest::addColumn<QList<quint64>>("streams");
    QTest::addColumn<quint64>("lost");
    QTest::newRow("none") << QList<quint64>{1, 2, 3, 4} << QList<quint64>{1, 1, 1, 1}
                          << quint64(0);
    QTest::newRow("two gaps") << QList<quint64>{7, 8, 10, 13} << QList<quint64>{1, 1, 1, 1}
                              << quint64(3);
    // Numbers that start again belong to a camera opened afresh.
    QTest::newRow("numbers start again")
        << QList<quint64>{50, 51, 1, 2} << QList<quint64>{1, 1, 2, 2} << quint64(0);
    // Stopping capture discards the image being taken: no loss.
    QTest::newRow("capture restarted")
        << QList<quint64>{5, 6, 8, 9, 11} << QList<quint64>{1, 1, 2, 2, 2} << quint64(1);
}

void TestImageStream::lostFramesAreTheGapsInFrameNumbers()
{
    QFETCH(QList<quint64>, frames);
    QFETCH(QList<quint64>, streams);
    QFETCH(quint64, lost);
    StreamStatistics statistics;
    for (int i = 0; i < frames.size(); ++i)
        statistics.take(imageOfFrame(frames[i]), streams[i]);
    QCOMPARE(statistics.counts().received, quint64(frames.size()));
    QCOMPARE(statistics.counts().lost, lost);
}

void TestImageStream::figuresOfAnImage_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<double>("mean");
    QTest::addColumn<double>("clipped");
    QTest::newRow("black") << filled(64, 48, Qt::black) << 0.0 << 0.0;
    QTest::newRow("white") << filled(64, 48, Qt::white) << 255.0 << 1.0;
    // One channel at its maximum clips the pixel.
    QTest::newRow("pure red") << filled(64, 48, Qt::red) << 85.0 << 1.0;
    QTest::newRow("half grey, half white")
        << halves(64, 48, QColor(100, 100, 100), Qt::white) << 177.5 << 0.5;
    // Large images are measured on a grid; the figures stay true.
    QImage quarter = filled(4000, 3000, Qt::black);
    QPainter(&quarter).fillRect(0, 0, 4000, 750, Qt::white);
    QTest::newRow("large, top quarter white") << quarter << 63.75 << 0.25;
    QTest::newRow("other format") << filled(20, 20, Qt::white).convertToFormat(QImage::Format_RGB32)
                                  << 255.0 << 1.0;
}

void TestImageStream::figuresOfAnImage()
{
    QFETCH(QImage, image);
    QFETCH(double, mean);
    QFETCH(double, clipped);
    const ImageFigures figures = ImageFigures::of(image);
    QVERIFY2(qAbs(figures.meanLevel - mean) < 1.0, qPrintable(QString::number(figures.meanLevel)));
    QVERIFY2(qAbs(figures.clippedShare - clipped) < 0.01,
             qPrintable(QString::number(figures.clippedShare)));
    const QImage thumbnail = ImageFigures::thumbnail(image, 200);
    QCOMPARE(thumbnail.width(), 200);
    QCOMPARE(thumbnail.height(), qRound(200.0 * image.height() / image.width()));
}

void TestImageStream::fanOutGetsEveryImageTheDisplayGetsFewer()
{
    VyraCamera camera(firstDeviceId);
    camera.setFramerate(camera.framerateRange().maximum);
    QueuedSpy shown(&camera, &VyraCamera::imageCaptured);
    std::mutex mutex;
    std::vector<quint64> frames;
    ImageFanOut::Attachment attachment =
        camera.images().attach([&](const QSharedPointer<QImage> &image) {
            std::lock_guard<std::mutex> lock(mutex);
            frames.push_back(VyraFrameInfo::of(*image).frameNumber);
        });
    camera.enableLiveVideo(true);
    const auto received = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        return int(frames.size());
    };
    QTRY_VERIFY_WITH_TIMEOUT(received() >= 60, 20000);
    attachment.detach();
    const int atDetach = received();
    const quint64 droppedByDriver = openState(camera.handle())->framesDropped;
    camera.enableLiveVideo(false);
    QCoreApplication::processEvents();

    // At about 51 images a second the gate passes at most one per 30 ms:
    // the display gets fewer than the fan-out, which missed no image but
    // those the driver itself had no buffer for.
    QVERIFY2(shown.count() < atDetach,
             qPrintable(QStringLiteral("%1 shown of %2").arg(shown.count()).arg(atDetach)));
    for (size_t i = 1; i < frames.size(); ++i)
        QVERIFY(frames[i] > frames[i - 1]);
    QVERIFY(frames.back() - frames.front() + 1 - frames.size() <= droppedByDriver);
    // Detached, the receiver is never called again.
    QCOMPARE(received(), atDetach);
}

void TestImageStream::slowWriterDropsAndCountsWithoutHoldingUpTheCamera()
{
    QTemporaryDir parent;
    QVERIFY(parent.isValid());
    const auto camera = QSharedPointer<VyraCamera>::create(firstDeviceId);
    const auto sequencer = QSharedPointer<Sequencer>::create(camera);
    QSemaphore release;
    std::atomic<int> writes{0};
    // The first image holds the writer until the test lets it go.
    const RecordingWriter::FileWriter slowWriter =
        [&](const QImage &image, const ImageMetadata &metadata, const QString &path) {
            if (writes++ == 0)
                release.acquire();
            return ImageFileWriter::write(image, metadata, ImageFileFormat::Tiff, path);
        };
    const qint64 twoImages = 2 * qint64(camera->aoi().width()) * camera->aoi().height() * 3;
    RecordingSession session(slowWriter, twoImages);
    QSignalSpy ended(&session, &RecordingSession::ended);
    QueuedSpy shown(camera.data(), &VyraCamera::imageCaptured);
    const QString failure =
        session.start({parent.path(), ImageFileFormat::Tiff, 0}, camera, sequencer,
                      [] { return std::make_shared<const ImageLabels>(ImageLabels::live({})); });
    QCOMPARE(failure, QString());
    camera->enableLiveVideo(true);

    // The writer is stuck, the queue full: images are dropped and counted
    // while the display and this thread go on.
    QTRY_VERIFY_WITH_TIMEOUT(session.progress().images.dropped >= 10, 20000);
    const int shownWhileStuck = shown.count();
    QTRY_VERIFY_WITH_TIMEOUT(shown.count() >= shownWhileStuck + 10, 20000);
    QCOMPARE(session.progress().images.written, 0);

    session.stop();
    release.release();
    QVERIFY(ended.wait(20000));
    camera->enableLiveVideo(false);
    QCOMPARE(session.outcome(), RecordingSession::Outcome::Stopped);
    const ImageRecorder::Progress progress = session.progress().images;
    // Every image taken was written or counted as dropped; those the camera
    // lost were never taken. The list names exactly the files written.
    QCOMPARE(progress.written + progress.dropped, progress.cycle);
    QVERIFY(progress.written >= 2);
    const QDir folder(session.settings().folder);
    QCOMPARE(folder.entryList({QStringLiteral("cycle-*")}, QDir::Files | QDir::Hidden).size(),
             progress.written);
    QFile list(folder.filePath(RecordingWriter::listName));
    QVERIFY(list.open(QIODevice::ReadOnly));
    QCOMPARE(list.readAll().count('\n'), progress.written + 1);
    // The summary counts the same, dropped and lost apart.
    QFile summary(folder.filePath(RecordingSession::summaryFileName));
    QVERIFY(summary.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(summary.readAll());
    for (const auto &[key, value] : {std::pair{"outcome", QStringLiteral("stopped")},
                                     std::pair{"written", QString::number(progress.written)},
                                     std::pair{"dropped", QString::number(progress.dropped)},
                                     std::pair{"lost", QString::number(progress.lost)}})
        QVERIFY2(text.contains(QStringLiteral("\n%1: %2\n").arg(QLatin1String(key), value)),
                 qPrintable(text));
}

QTEST_MAIN(TestImageStream)
#include "tst_imagestream.moc"
