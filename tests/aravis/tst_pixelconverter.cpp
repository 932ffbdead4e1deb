#include <QtTest>

#include <vector>

#include "pixelconverter.h"

using Format = VyraAravis::PixelConverter::Format;
Q_DECLARE_METATYPE(Format)

/// The host's conversion of a camera's images to RGB8: packed colour, mono
/// and each of the four Bayer mosaics, with padded lines on both sides.
class TestPixelConverter : public QObject
{
    Q_OBJECT

private slots:
    void uniformColourSurvivesEveryMosaic_data();
    void uniformColourSurvivesEveryMosaic();
    void packedAndMonoFormats_data();
    void packedAndMonoFormats();
    void bayerEdgesAndColourBoundaries();
};

namespace {

constexpr uint8_t red = 200, green = 100, blue = 50;

/// The mosaic a sensor with this pattern records of a uniform colour.
std::vector<uint8_t> mosaicOf(Format format, int width, int height, int pitch)
{
    // Colour of the cell at (even x, even y), (odd, even), (even, odd), (odd, odd).
    uint8_t cells[4] = {};
    switch (format) {
    case Format::BayerRG8:
        cells[0] = red, cells[1] = green, cells[2] = green, cells[3] = blue;
        break;
    case Format::BayerGR8:
        cells[0] = green, cells[1] = red, cells[2] = blue, cells[3] = green;
        break;
    case Format::BayerGB8:
        cells[0] = green, cells[1] = blue, cells[2] = red, cells[3] = green;
        break;
    default:
        cells[0] = blue, cells[1] = green, cells[2] = green, cells[3] = red;
        break;
    }
    std::vector<uint8_t> mosaic(size_t(pitch) * height, 0xEE);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            mosaic[size_t(y) * pitch + x] = cells[(y & 1) * 2 + (x & 1)];
    }
    return mosaic;
}

} // namespace

void TestPixelConverter::uniformColourSurvivesEveryMosaic_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("RG, even size") << Format::BayerRG8 << 8 << 6;
    QTest::newRow("GR, odd size") << Format::BayerGR8 << 7 << 5;
    QTest::newRow("GB, odd size") << Format::BayerGB8 << 5 << 3;
    QTest::newRow("BG, even size") << Format::BayerBG8 << 6 << 4;
    QTest::newRow("RG, one line") << Format::BayerRG8 << 6 << 1;
}

void TestPixelConverter::uniformColourSurvivesEveryMosaic()
{
    QFETCH(Format, format);
    QFETCH(int, width);
    QFETCH(int, height);
    const int sourcePitch = width + 3;
    const std::vector<uint8_t> mosaic = mosaicOf(format, width, height, sourcePitch);
    const int targetPitch = width * 3 + 2;
    std::vector<uint8_t> rgb(size_t(targetPitch) * height, 0);
    VyraAravis::PixelConverter::toRgb8(format, mosaic.data(), sourcePitch, width, height,
                                       rgb.data(), targetPitch);
    // A line of one pixel has no second line to take the other colour from.
    if (height == 1)
        return;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t *pixel = rgb.data() + size_t(y) * targetPitch + size_t(x) * 3;
            QCOMPARE(int(pixel[0]), int(red));
            QCOMPARE(int(pixel[1]), int(green));
            QCOMPARE(int(pixel[2]), int(blue));
        }
        // The padding of a line stays untouched.
        QCOMPARE(int(rgb[size_t(y) * targetPitch + size_t(width) * 3]), 0);
    }
}

void TestPixelConverter::packedAndMonoFormats_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("RGB8 is copied") << Format::Rgb8 << QByteArray("\x01\x02\x03\x04\x05\x06", 6)
                                    << QByteArray("\x01\x02\x03\x04\x05\x06", 6);
    QTest::newRow("BGR8 is swapped") << Format::Bgr8 << QByteArray("\x01\x02\x03\x04\x05\x06", 6)
                                     << QByteArray("\x03\x02\x01\x06\x05\x04", 6);
    QTest::newRow("Mono8 becomes grey")
        << Format::Mono8 << QByteArray("\x10\x80", 2) << QByteArray("\x10\x10\x10\x80\x80\x80", 6);
}

void TestPixelConverter::packedAndMonoFormats()
{
    QFETCH(Format, format);
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, expected);
    // Two pixels a line, two lines: the second line repeats the first.
    const int bytes = VyraAravis::PixelConverter::bytesPerPixel(format) * 2;
    QCOMPARE(bytes, source.size());
    const int sourcePitch = bytes + 1;
    QByteArray image(sourcePitch * 2, '\x7f');
    image.replace(0, bytes, source);
    image.replace(sourcePitch, bytes, source);
    QByteArray rgb(8 * 2, '\0');
    VyraAravis::PixelConverter::toRgb8(format, reinterpret_cast<const uint8_t *>(image.data()),
                                       sourcePitch, 2, 2, reinterpret_cast<uint8_t *>(rgb.data()),
                                       8);
    QCOMPARE(rgb.mid(0, 6), expected);
    QCOMPARE(rgb.mid(8, 6), expected);
    QCOMPARE(rgb.mid(6, 2), QByteArray(2, '\0'));
}

void TestPixelConverter::bayerEdgesAndColourBoundaries()
{
    // RG mosaic of a scene whose left half is black and right half white: the
    // demosaiced image is black and white away from the boundary, grey at it.
    const int width = 8, height = 4;
    std::vector<uint8_t> mosaic(size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            mosaic[size_t(y) * width + x] = x < width / 2 ? 0 : 240;
    }
    std::vector<uint8_t> rgb(size_t(width) * 3 * height);
    VyraAravis::PixelConverter::toRgb8(Format::BayerRG8, mosaic.data(), width, width, height,
                                       rgb.data(), width * 3);
    for (int y = 0; y < height; ++y) {
        const uint8_t *line = rgb.data() + size_t(y) * width * 3;
        for (int channel = 0; channel < 3; ++channel) {
            QCOMPARE(int(line[0 * 3 + channel]), 0);
            QCOMPARE(int(line[1 * 3 + channel]), 0);
            QCOMPARE(int(line[6 * 3 + channel]), 240);
            QCOMPARE(int(line[7 * 3 + channel]), 240);
        }
        const int boundary = line[3 * 3 + 0] + line[3 * 3 + 1] + line[3 * 3 + 2] + line[4 * 3 + 0] +
                             line[4 * 3 + 1] + line[4 * 3 + 2];
        QVERIFY(boundary > 0 && boundary < 6 * 240);
    }
}

QTEST_APPLESS_MAIN(TestPixelConverter)
#include "tst_pixelconverter.moc"
