#include "radianceexrwriter.h"

#include <QFile>

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>
#include <ImfStandardAttributes.h>

#include <exception>

#include "radianceimage.h"

QString RadianceExrWriter::write(const RadianceImage &radiance, const QString &description,
                                 const QString &path)
{
    const int width = radiance.width();
    const int height = radiance.height();
    const char *const channels[3] = {"R", "G", "B"};
    try {
        Imf::Header header(width, height);
        header.compression() = Imf::NO_COMPRESSION;
        for (const char *channel : channels)
            header.channels().insert(channel, Imf::Channel(Imf::FLOAT));
        Imf::addComments(header, description.toStdString());

        // The slices point into the image's own lines: R, G and B of a pixel
        // lie one after another.
        Imf::FrameBuffer frame;
        const size_t pixelBytes = 3 * sizeof(float);
        char *base = reinterpret_cast<char *>(const_cast<float *>(radiance.constLine(0)));
        for (int channel = 0; channel < 3; ++channel)
            frame.insert(channels[channel], Imf::Slice(Imf::FLOAT, base + channel * sizeof(float),
                                                       pixelBytes, pixelBytes * size_t(width)));
        Imf::OutputFile file(QFile::encodeName(path).constData(), header);
        file.setFrameBuffer(frame);
        file.writePixels(height);
    } catch (const std::exception &error) {
        return QString::fromLocal8Bit(error.what());
    }
    return QString();
}
