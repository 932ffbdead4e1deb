#include <QTest>

#include <vector>

#include "vyraframeconversion.h"

namespace {

// A driver-like buffer: each pixel's bytes encode its position, and the
// padding at the end of each line holds a marker that must never show.
std::vector<char> makeFrame(int width, int height, int linePitch)
{
    std::vector<char> frame(static_cast<size_t>(linePitch) * height, char(0xEE));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            char *pixel = frame.data() + y * linePitch + x * 3;
            pixel[0] = char(x & 0xFF);
            pixel[1] = char(y & 0xFF);
            pixel[2] = char((x * 7 + y * 13) & 0xFF);
        }
    }
    return frame;
}

} // namespace

// The copy of a driver buffer into the image that the display receives.
class TestVyraFrameConversion : public QObject
{
    Q_OBJECT

private slots:
    void everyPixelLandsInPlace_data();
    void everyPixelLandsInPlace();
    void rejectsBadDescriptions_data();
    void rejectsBadDescriptions();
};

void TestVyraFrameConversion::everyPixelLandsInPlace_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("linePitch");

    // 427 * 3 = 1281: QImage pads to 1284, the driver to its own pitch.
    QTest::newRow("odd width, driver pads to 4") << 427 << 5 << 1284;
    QTest::newRow("odd width, larger driver pitch") << 427 << 5 << 1344;
    QTest::newRow("3x binned 1280") << 426 << 4 << 1280;
    QTest::newRow("width 1") << 1 << 3 << 4;
    QTest::newRow("aligned width, same pitch") << 640 << 4 << 1920;
    QTest::newRow("aligned width, larger pitch") << 640 << 4 << 2048;
}

void TestVyraFrameConversion::everyPixelLandsInPlace()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, linePitch);
    const std::vector<char> frame = makeFrame(width, height, linePitch);

    const QSharedPointer<QImage> image = convertRgbFrame(frame.data(), width, height, linePitch);
    QVERIFY(image);
    QCOMPARE(image->format(), QImage::Format_RGB888);
    QCOMPARE(image->size(), QSize(width, height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = image->pixel(x, y);
            if (qRed(pixel) != (x & 0xFF) || qGreen(pixel) != (y & 0xFF) ||
                qBlue(pixel) != ((x * 7 + y * 13) & 0xFF)) {
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is misplaced").arg(x).arg(y)));
            }
        }
    }
}

void TestVyraFrameConversion::rejectsBadDescriptions_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("linePitch");

    QTest::newRow("zero width") << 0 << 4 << 16;
    QTest::newRow("negative height") << 4 << -1 << 16;
    QTest::newRow("pitch shorter than a line") << 5 << 2 << 12;
    QTest::newRow("negative pitch") << 4 << 2 << -12;
}

void TestVyraFrameConversion::rejectsBadDescriptions()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, linePitch);
    const std::vector<char> frame(256, 0);
    QVERIFY(convertRgbFrame(frame.data(), width, height, linePitch).isNull());
    QVERIFY(convertRgbFrame(nullptr, 4, 4, 12).isNull());
}

QTEST_APPLESS_MAIN(TestVyraFrameConversion)
#include "tst_vyraframeconversion.moc"
