#pragma once

#include <QImage>

#include <array>

/// The distribution of levels in an 8-8-8 RGB image: red, green, blue and
/// luminance, with the shares of clipped and crushed pixels (ClippingMarks).
/// A large image is sampled on a regular grid of at most a given number of
/// pixels, which keeps its cost per image bounded whatever the sensor size.
class ImageHistogram
{
public:
    enum Channel { Red, Green, Blue, Luminance };
    static constexpr int channelCount = 4;
    static constexpr int levels = 256;
    /// About a quarter of a 1280 x 1024 image.
    static constexpr qint64 defaultSamples = 350000;

    /// The histogram of the image, from every pixel when it has at most
    /// maximumSamples, else from every n-th pixel of every n-th row.
    static ImageHistogram of(const QImage &image, qint64 maximumSamples = defaultSamples);

    /// The luminance of a pixel (Rec. 709 weights), 0 to 255.
    static int luminance(int red, int green, int blue)
    {
        return (54 * red + 183 * green + 19 * blue + 128) >> 8;
    }

    quint32 count(Channel channel, int level) const;
    /// The largest count of the channel.
    quint32 peak(Channel channel) const;
    /// Pixels counted; 0 for an empty histogram.
    qint64 samples() const;
    /// The distance between sampled pixels; 1 when every pixel counted.
    int step() const;
    /// Shares of the pixels counted, 0 to 1.
    double clippedShare() const;
    double crushedShare() const;

private:
    std::array<std::array<quint32, levels>, channelCount> m_counts{};
    qint64 m_samples = 0;
    qint64 m_clipped = 0;
    qint64 m_crushed = 0;
    int m_step = 1;
};
