// Radiance written as float TIFF and OpenEXR and read back by libtiff and
// OpenEXR themselves: the same values, the description; nothing left behind
// by a failed write.

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <tiffio.h>

#include <vector>

#include "radiancefilewriter.h"
#include "radianceimage.h"
#if VYRA_OPENEXR
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfStandardAttributes.h>
#endif

namespace {

/// What a file holds: its size, red, green, blue of every pixel, its text.
struct FileContent
{
    QSize size;
    std::vector<float> rgb;
    QString description;
};

FileContent readTiff(const QString &path)
{
    FileContent content;
    TIFF *tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tiff)
        return content;
    uint32_t width = 0, height = 0;
    uint16_t bits = 0, samples = 0, format = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    char *text = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_IMAGEDESCRIPTION, &text))
        content.description = QString::fromUtf8(text);
    if (bits == 32 && samples == 3 && format == SAMPLEFORMAT_IEEEFP) {
        content.size = QSize(int(width), int(height));
        content.rgb.resize(size_t(width) * height * 3);
        for (uint32_t y = 0; y < height; ++y)
            TIFFReadScanline(tiff, content.rgb.data() + size_t(y) * width * 3, y);
    }
    TIFFClose(tiff);
    return content;
}

#if VYRA_OPENEXR
FileContent readExr(const QString &path)
{
    FileContent content;
    Imf::InputFile file(QFile::encodeName(path).constData());
    const Imath::Box2i window = file.header().dataWindow();
    const int width = window.max.x - window.min.x + 1;
    const int height = window.max.y - window.min.y + 1;
    content.size = QSize(width, height);
    content.rgb.resize(size_t(width) * size_t(height) * 3);
    Imf::FrameBuffer frame;
    const char *channels[3] = {"R", "G", "B"};
    for (int channel = 0; channel < 3; ++channel) {
        if (file.header().channels().findChannel(channels[channel])->type != Imf::FLOAT)
            return {};
        frame.insert(channels[channel],
                     Imf::Slice(Imf::FLOAT, reinterpret_cast<char *>(content.rgb.data() + channel),
                                3 * sizeof(float), 3 * sizeof(float) * size_t(width)));
    }
    file.setFrameBuffer(frame);
    file.readPixels(window.min.y, window.max.y);
    if (Imf::hasComments(file.header()))
        content.description = QString::fromStdString(Imf::comments(file.header()));
    return content;
}
#endif

/// An odd-sized image of lights from 1e-4 to 1e5, with two sources.
RadianceImage sample()
{
    RadianceImage radiance(QSize(37, 11), QPoint(16, 8));
    for (int y = 0; y < radiance.height(); ++y) {
        for (int x = 0; x < radiance.width() * 3; ++x)
            radiance.line(y)[x] = float(1e-4 * std::pow(10.0, (x + y * 111) % 91 / 10.0));
    }
    RadianceImage::Provenance provenance;
    provenance.cameraModel = QStringLiteral("VK1240C");
    provenance.response = CameraResponse::Origin::SensorModel;
    provenance.gainKnown = true;
    provenance.sources = {{0, 41, 1.0, {}, {1, 1, 1}},
                          {1, 42, 16.0, {20, 0, 0, 50}, {1.6, 1.6, 2.4}}};
    radiance.setProvenance(provenance);
    return radiance;
}

} // namespace

class TestRadianceFiles : public QObject
{
    Q_OBJECT

private slots:
    void writtenFilesReadBack_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("float TIFF") << int(RadianceFileFormat::Tiff);
        if (RadianceFileWriter::exrAvailable())
            QTest::newRow("OpenEXR") << int(RadianceFileFormat::Exr);
    }

    void writtenFilesReadBack()
    {
        QFETCH(int, format);
        const auto fileFormat = RadianceFileFormat(format);
        const QTemporaryDir folder(QDir::current().filePath(QStringLiteral("radiance-XXXXXX")));
        const QString name =
            QStringLiteral("cycle-0001-radiance.") + RadianceFileWriter::suffix(fileFormat);
        const QString path = folder.filePath(name);
        const RadianceImage radiance = sample();
        QCOMPARE(RadianceFileWriter::write(radiance, fileFormat, path, QStringLiteral("4102")),
                 QString());
        QVERIFY(!RadianceFileWriter::write(radiance, fileFormat, folder.filePath("gone/" + name))
                     .isEmpty());
        QVERIFY(!RadianceFileWriter::write(RadianceImage(), fileFormat, path + ".tiff").isEmpty());
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});

#if VYRA_OPENEXR
        const FileContent content =
            fileFormat == RadianceFileFormat::Exr ? readExr(path) : readTiff(path);
#else
        const FileContent content = readTiff(path);
#endif
        QCOMPARE(content.size, radiance.size());
        QVERIFY(std::equal(content.rgb.begin(), content.rgb.end(), radiance.constLine(0)));
        for (const char *line :
             {"Unit: camera value per millisecond at unit gain", "Response: sensor model",
              "AOI offset x: 16",
              "Image 2: set 1, frame 42, exposure 16 ms, gain master 20 red 0 green 0 blue 50, "
              "linear gain 1.6 1.6 2.4",
              "Camera model: VK1240C", "Serial number: 4102"})
            QVERIFY2(content.description.split('\n').contains(QString::fromLatin1(line)),
                     qPrintable(content.description));
    }
};

QTEST_GUILESS_MAIN(TestRadianceFiles)
#include "tst_radiancefiles.moc"
