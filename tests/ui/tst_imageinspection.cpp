// Looking at the exposure of an image: where the zoomed image lies, the
// pixel under the mouse, clipping marks, the histogram, the background
// runner that counts it, and the fusion of an exposure bracket.

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QSemaphore>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QtTest>

#include <cmath>

#include "clippingmarks.h"
#include "imagehistogram.h"
#include "imageviewport.h"
#include "latestjobrunner.h"
#include "pixelreadout.h"
#include "qdisplaywidget.h"
#include "vyrabuildoptions.h"
#if VYRA_EXPOSURE_FUSION
#include "exposurefusion.h"
#endif

namespace {

/// Applies steps such as "fit; actual 200 150; zoom 100 50 2; pan 30 -20"
/// to a viewport: fit stands for an image drawn fitted to the view's width.
void apply(ImageViewport &viewport, const QString &steps)
{
    for (const QString &step : steps.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList words = step.simplified().split(QLatin1Char(' '));
        const auto number = [&](int i) { return words.value(i).toDouble(); };
        if (words.first() == QLatin1String("fit")) {
            viewport.fit();
            const QSize image = viewport.imageSize();
            const int width = viewport.viewSize().width();
            viewport.setFittedSize(
                QSize(width, qRound(image.height() * double(width) / image.width())));
        } else if (words.first() == QLatin1String("actual")) {
            viewport.showActualSize(QPointF(number(1), number(2)));
        } else if (words.first() == QLatin1String("zoom")) {
            viewport.zoomAt(QPointF(number(1), number(2)), number(3));
        } else if (words.first() == QLatin1String("pan")) {
            viewport.panBy(QPointF(number(1), number(2)));
        }
    }
}

/// An image whose pixel (x, y) is (x, 2y, 100), up to 255.
QSharedPointer<QImage> coordinateImage(int width, int height)
{
    auto image = QSharedPointer<QImage>::create(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image->setPixel(x, y, qRgb(qMin(x, 255), qMin(2 * y, 255), 100));
    }
    return image;
}

QImage shownPixmap(const QDisplayWidget &display)
{
    return display.findChild<QLabel *>()->pixmap(Qt::ReturnByValue).toImage();
}

void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &position,
               Qt::MouseButtons buttons = Qt::NoButton)
{
    // Presses, double clicks and releases are of the left button.
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, position, widget->mapToGlobal(position), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

/// Carries out "wheel x y notches", "double x y" and "drag x0 y0 x1 y1" on
/// the display, as the mouse would.
void interact(QDisplayWidget *display, const QString &steps)
{
    for (const QString &step : steps.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList words = step.simplified().split(QLatin1Char(' '));
        const auto point = [&](int i) {
            return QPoint(words.value(i).toInt(), words.value(i + 1).toInt());
        };
        if (words.first() == QLatin1String("wheel")) {
            const QPoint at = point(1);
            QWheelEvent wheel(at, display->mapToGlobal(at), QPoint(),
                              QPoint(0, 120 * words.value(3).toInt()), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(display, &wheel);
        } else if (words.first() == QLatin1String("double")) {
            sendMouse(display, QEvent::MouseButtonDblClick, point(1), Qt::LeftButton);
        } else if (words.first() == QLatin1String("drag")) {
            sendMouse(display, QEvent::MouseButtonPress, point(1), Qt::LeftButton);
            sendMouse(display, QEvent::MouseMove, point(3), Qt::LeftButton);
            sendMouse(display, QEvent::MouseButtonRelease, point(3));
        }
    }
}

} // namespace

class TestImageInspection : public QObject
{
    Q_OBJECT

private slots:
    void viewportPlacesTheImage_data();
    void viewportPlacesTheImage();
    void displayReadsThePixelUnderTheMouse_data();
    void displayReadsThePixelUnderTheMouse();
    void clippingMarksPaintLostPixels_data();
    void clippingMarksPaintLostPixels();
    void histogramCountsLevelsAndShares_data();
    void histogramCountsLevelsAndShares();
    void runnerDoesTheNewestJobAndSkipsTheRest();
    void runnerReportsAFailingJob();
#if VYRA_EXPOSURE_FUSION
    void fusionRecoversWhatTheBracketLost_data();
    void fusionRecoversWhatTheBracketLost();
    void fusionRefusesWhatItCannotFuse_data();
    void fusionRefusesWhatItCannotFuse();
#endif
};

void TestImageInspection::viewportPlacesTheImage_data()
{
    QTest::addColumn<QSize>("image");
    QTest::addColumn<QSize>("view");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QRectF>("expected");
    QTest::addColumn<QPointF>("probe");
    QTest::addColumn<QPoint>("pixel");

    const QSize sensor(1280, 1024);
    const QSize dock(400, 300);
    const QPoint none(-1, -1);
    // Scaled to 400 x 320, centred vertically the way the label draws it.
    QTest::newRow("fitted, taller than the view")
        << sensor << dock << "fit" << QRectF(0, -10, 400, 320) << QPointF(399.5, 309.9)
        << QPoint(1278, 1023);
    QTest::newRow("fitted, shorter than the view")
        << QSize(400, 100) << QSize(200, 300) << "fit" << QRectF(0, 125, 200, 50)
        << QPointF(10, 100) << none;
    QTest::newRow("100 % keeps the point under the anchor")
        << sensor << dock << "fit; actual 200 150" << QRectF(-440, -362, 1280, 1024)
        << QPointF(200, 150) << QPoint(640, 512);
    QTest::newRow("wheel zoom keeps the point under the cursor")
        << sensor << dock << "fit; zoom 100 50 2" << QRectF(-100, -70, 800, 640) << QPointF(100, 50)
        << QPoint(320, 192);
    QTest::newRow("dragging stops at the image's edges")
        << sensor << dock << "fit; actual 200 150; pan 1000 1000" << QRectF(0, 0, 1280, 1024)
        << QPointF(0, 0) << QPoint(0, 0);
    QTest::newRow("dragging within the edges")
        << sensor << dock << "fit; actual 200 150; pan 40 -30" << QRectF(-400, -392, 1280, 1024)
        << QPointF(0, 0) << QPoint(400, 392);
    QTest::newRow("an image smaller than the view stays centred")
        << QSize(200, 100) << dock << "fit; actual 0 0; pan 50 50" << QRectF(100, 100, 200, 100)
        << QPointF(99, 150) << none;
    QTest::newRow("zooming out past the fitted scale fits again")
        << sensor << dock << "fit; actual 200 150; zoom 10 10 0.1" << QRectF(0, -10, 400, 320)
        << QPointF(0, 0) << QPoint(0, 32);
    QTest::newRow("zooming in stops at 32 view pixels per pixel")
        << sensor << dock << "fit; zoom 0 0 1000" << QRectF(0, -1024, 40960, 32768) << QPointF(0, 0)
        << QPoint(0, 32);
}

void TestImageInspection::viewportPlacesTheImage()
{
    QFETCH(QSize, image);
    QFETCH(QSize, view);
    QFETCH(QString, steps);
    QFETCH(QRectF, expected);
    QFETCH(QPointF, probe);
    QFETCH(QPoint, pixel);

    ImageViewport viewport;
    viewport.setImageSize(image);
    viewport.setViewSize(view);
    apply(viewport, steps);

    QCOMPARE(viewport.imageRect(), expected);
    QCOMPARE(viewport.pixelAt(probe).value_or(QPoint(-1, -1)), pixel);
}

void TestImageInspection::displayReadsThePixelUnderTheMouse_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QPoint>("probe");
    QTest::addColumn<QPoint>("pixel");

    // A 256 x 128 image in a 128 x 64 display: fitted, one screen pixel
    // shows two image pixels each way.
    QTest::newRow("fitted") << "" << QPoint(21, 11) << QPoint(42, 22);
    QTest::newRow("the wheel zooms around the cursor")
        << "wheel 21 11 2" << QPoint(21, 11) << QPoint(42, 22);
    QTest::newRow("a double click shows 100 % around the cursor")
        << "double 64 32" << QPoint(0, 0) << QPoint(64, 32);
    QTest::newRow("dragging moves the zoomed image")
        << "double 64 32; drag 64 32 54 27" << QPoint(64, 32) << QPoint(138, 69);
    QTest::newRow("a second double click fits again")
        << "double 64 32; double 10 10" << QPoint(21, 11) << QPoint(42, 22);
}

void TestImageInspection::displayReadsThePixelUnderTheMouse()
{
    QFETCH(QString, steps);
    QFETCH(QPoint, probe);
    QFETCH(QPoint, pixel);

    QDisplayWidget display;
    display.resize(128, 64);
    display.show();
    QVERIFY(QTest::qWaitForWindowExposed(&display));
    const QSharedPointer<QImage> image = coordinateImage(256, 128);
    display.setImage(image);
    PixelReadout readout;
    readout.setOffsetOf([](const QImage &) { return QPoint(100, 20); });
    connect(&display, &QDisplayWidget::pixelPointed, &readout, &PixelReadout::showPixel);
    QSignalSpy pointed(&display, &QDisplayWidget::pixelPointed);

    interact(&display, steps);
    sendMouse(&display, QEvent::MouseMove, probe);

    QVERIFY(!pointed.isEmpty());
    QCOMPARE(pointed.last().at(1).toPoint(), pixel);
    QCOMPARE(readout.text(), PixelReadout::describe(pixel + QPoint(100, 20), image->pixel(pixel)));
    // What is drawn there is that pixel.
    QCOMPARE(shownPixmap(display).pixel(probe), image->pixel(pixel));
    // A new image under the still mouse is read out at once.
    auto brighter = QSharedPointer<QImage>::create(image->copy());
    brighter->fill(QColor(7, 8, 9));
    display.setImage(brighter);
    QCOMPARE(readout.text(), PixelReadout::describe(pixel + QPoint(100, 20), qRgb(7, 8, 9)));
}

void TestImageInspection::clippingMarksPaintLostPixels_data()
{
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QColor>("marked");

    QTest::newRow("white is clipped") << QColor(255, 255, 255) << ClippingMarks::clippedColour;
    QTest::newRow("one channel at its maximum is clipped")
        << QColor(10, 255, 40) << ClippingMarks::clippedColour;
    QTest::newRow("black is crushed") << QColor(0, 0, 0) << ClippingMarks::crushedColour;
    QTest::newRow("nearly black is kept") << QColor(0, 0, 1) << QColor(0, 0, 1);
    QTest::newRow("nearly white is kept") << QColor(254, 254, 254) << QColor(254, 254, 254);
}

void TestImageInspection::clippingMarksPaintLostPixels()
{
    QFETCH(QColor, colour);
    QFETCH(QColor, marked);

    QDisplayWidget display;
    display.resize(40, 20);
    display.show();
    QVERIFY(QTest::qWaitForWindowExposed(&display));
    auto image = QSharedPointer<QImage>::create(80, 40, QImage::Format_RGB888);
    image->fill(QColor(120, 130, 140));
    image->setPixel(20, 10, colour.rgb());
    image->setPixel(21, 10, colour.rgb());
    image->setPixel(20, 11, colour.rgb());
    image->setPixel(21, 11, colour.rgb());
    display.setImage(image);
    QCOMPARE(shownPixmap(display).pixelColor(10, 5), colour);

    // Marks come and go on the image on screen, fitted and zoomed.
    display.setClippingMarksShown(true);
    QCOMPARE(shownPixmap(display).pixelColor(10, 5), marked);
    QCOMPARE(shownPixmap(display).pixelColor(30, 15), QColor(120, 130, 140));
    display.showActualSize();
    QCOMPARE(
        shownPixmap(display).pixelColor(display.viewport().toView(QPointF(20.5, 10.5)).toPoint()),
        marked);
    display.setClippingMarksShown(false);
    QCOMPARE(
        shownPixmap(display).pixelColor(display.viewport().toView(QPointF(20.5, 10.5)).toPoint()),
        colour);
    QVERIFY(image->pixelColor(20, 10) == colour);
}

void TestImageInspection::histogramCountsLevelsAndShares_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<qint64>("maximumSamples");
    QTest::addColumn<qint64>("samples");
    QTest::addColumn<double>("clipped");
    QTest::addColumn<double>("crushed");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("level");
    QTest::addColumn<quint32>("count");

    QImage grey(64, 32, QImage::Format_RGB888);
    grey.fill(QColor(128, 128, 128));
    QTest::newRow("mid grey") << grey << qint64(10000) << qint64(2048) << 0.0 << 0.0
                              << int(ImageHistogram::Luminance) << 128 << quint32(2048);

    QImage halves(64, 32, QImage::Format_RGB888);
    halves.fill(Qt::black);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x)
            halves.setPixel(x, y, qRgb(255, 255, 255));
    }
    QTest::newRow("half white, half black") << halves << qint64(10000) << qint64(2048) << 0.5 << 0.5
                                            << int(ImageHistogram::Blue) << 0 << quint32(1024);

    QImage red(10, 10, QImage::Format_RGB888);
    red.fill(QColor(255, 0, 0));
    QTest::newRow("pure red is clipped, and dark")
        << red << qint64(10000) << qint64(100) << 1.0 << 0.0 << int(ImageHistogram::Luminance) << 54
        << quint32(100);

    // Two million pixels, at most half a million counted: every other
    // pixel of every other row.
    QImage large(2000, 1000, QImage::Format_RGB888);
    large.fill(QColor(100, 100, 100));
    for (int y = 0; y < 250; ++y)
        std::fill_n(large.scanLine(y), large.bytesPerLine(), uchar(255));
    QTest::newRow("a large image is sampled")
        << large << qint64(500000) << qint64(500000) << 0.25 << 0.0 << int(ImageHistogram::Green)
        << 100 << quint32(375000);
}

void TestImageInspection::histogramCountsLevelsAndShares()
{
    QFETCH(QImage, image);
    QFETCH(qint64, maximumSamples);
    QFETCH(qint64, samples);
    QFETCH(double, clipped);
    QFETCH(double, crushed);
    QFETCH(int, channel);
    QFETCH(int, level);
    QFETCH(quint32, count);

    const ImageHistogram histogram = ImageHistogram::of(image, maximumSamples);
    QCOMPARE(histogram.samples(), samples);
    QCOMPARE(histogram.clippedShare(), clipped);
    QCOMPARE(histogram.crushedShare(), crushed);
    QCOMPARE(histogram.count(ImageHistogram::Channel(channel), level), count);
    for (int each = 0; each < ImageHistogram::channelCount; ++each) {
        quint64 total = 0;
        for (int value = 0; value < ImageHistogram::levels; ++value)
            total += histogram.count(ImageHistogram::Channel(each), value);
        QCOMPARE(total, quint64(samples));
    }
}

void TestImageInspection::runnerDoesTheNewestJobAndSkipsTheRest()
{
    LatestJobRunner runner;
    QSemaphore started;
    QSemaphore release;
    QList<int> shown;
    const auto job = [&](int number) {
        return [&, number]() -> LatestJobRunner::Then {
            if (number == 1) {
                started.release();
                release.acquire();
            }
            return [&, number] { shown << number; };
        };
    };
    runner.submit(job(1));
    QVERIFY(started.tryAcquire(1, 10000));
    for (int number = 2; number <= 4; ++number)
        runner.submit(job(number));
    QVERIFY(runner.isBusy());
    release.release();

    QTRY_VERIFY_WITH_TIMEOUT(!runner.isBusy(), 10000);
    QCOMPARE(shown, QList<int>({1, 4}));
    QCOMPARE(runner.doneCount(), quint64(2));
    QCOMPARE(runner.skippedCount(), quint64(2));
}

void TestImageInspection::runnerReportsAFailingJob()
{
    LatestJobRunner runner;
    QSignalSpy failed(&runner, &LatestJobRunner::failed);
    runner.submit([]() -> LatestJobRunner::Then { throw std::runtime_error("no images"); });
    QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 10000);
    QCOMPARE(failed.first().first().toString(), QStringLiteral("no images"));
    QVERIFY(!runner.isBusy());
}

#if VYRA_EXPOSURE_FUSION

namespace {

/// A textured, tinted scene whose radiance grows from left to right over
/// eleven stops, as taken with an exposure factor: at 1 its darkest part is
/// black and nothing is clipped, at 256 its brightest part is clipped and
/// nothing is black.
QImage bracketImage(double exposure)
{
    QImage image(160, 120, QImage::Format_RGB888);
    const double tint[3] = {1.0, 0.8, 0.6};
    for (int y = 0; y < image.height(); ++y) {
        uchar *pixel = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, pixel += 3) {
            const double radiance = 0.8 * std::exp2(-11.0 + 11.0 * x / (image.width() - 1));
            const double texture = ((x / 4 + y / 4) % 2) ? 1.2 : 0.85;
            for (int channel = 0; channel < 3; ++channel) {
                const double value = 255.0 * radiance * tint[channel] * texture * exposure;
                pixel[channel] = uchar(std::clamp(std::lround(value), 0L, 255L));
            }
        }
    }
    return image;
}

} // namespace

void TestImageInspection::fusionRecoversWhatTheBracketLost_data()
{
    QTest::addColumn<int>("maximumWidth");
    QTest::addColumn<QSize>("size");

    QTest::newRow("full size") << 0 << QSize(160, 120);
    QTest::newRow("preview") << 80 << QSize(80, 60);
}

void TestImageInspection::fusionRecoversWhatTheBracketLost()
{
    QFETCH(int, maximumWidth);
    QFETCH(QSize, size);

    // Short, middle and long: dark on the left in the first, clipped on
    // the right in the last.
    const QList<QImage> bracket = {bracketImage(1.0), bracketImage(16.0), bracketImage(256.0)};
    const QImage fused = ExposureFusion::fuse(bracket, maximumWidth);
    QCOMPARE(fused.size(), size);
    QCOMPARE(fused.format(), QImage::Format_RGB888);

    // Less is clipped and crushed than in any image that clips or crushes:
    // no more than the brightest pixels, where the blend reaches its top.
    const ImageHistogram result = ImageHistogram::of(fused);
    const ImageHistogram shortest = ImageHistogram::of(bracket.first());
    const ImageHistogram longest = ImageHistogram::of(bracket.last());
    QVERIFY(shortest.crushedShare() > 0.05 && longest.clippedShare() > 0.5);
    for (const QImage &image : bracket) {
        const ImageHistogram input = ImageHistogram::of(image);
        QVERIFY(input.clippedShare() == 0.0 || result.clippedShare() < input.clippedShare());
        QVERIFY(input.crushedShare() == 0.0 || result.crushedShare() < input.crushedShare());
    }
    QVERIFY(result.clippedShare() < 0.01);
    QVERIFY(result.crushedShare() < 0.01);

    // What no image caught stays lost: the scene beyond the longest
    // exposure's reach is black in the fused image too.
    const QList<QImage> shortBracket = {bracketImage(1.0), bracketImage(4.0)};
    const ImageHistogram dark =
        ImageHistogram::of(ExposureFusion::fuse(shortBracket, maximumWidth));
    const ImageHistogram darkest = ImageHistogram::of(shortBracket.last());
    QVERIFY(dark.crushedShare() > 0.5 * darkest.crushedShare());
    QVERIFY(dark.crushedShare() < shortest.crushedShare());
}

void TestImageInspection::fusionRefusesWhatItCannotFuse_data()
{
    QTest::addColumn<QList<QImage>>("bracket");

    QImage image(32, 16, QImage::Format_RGB888);
    image.fill(Qt::gray);
    QTest::newRow("one image") << QList<QImage>{image};
    QTest::newRow("images of different sizes") << QList<QImage>{image, image.scaled(16, 8)};
    QTest::newRow("empty images") << QList<QImage>{QImage(), QImage()};
}

void TestImageInspection::fusionRefusesWhatItCannotFuse()
{
    QFETCH(QList<QImage>, bracket);
    QVERIFY_EXCEPTION_THROWN(ExposureFusion::fuse(bracket), std::runtime_error);
}

#endif

QTEST_MAIN(TestImageInspection)
#include "tst_imageinspection.moc"
