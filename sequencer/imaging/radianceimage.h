#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <QVector>

#include <array>
#include <memory>

#include "cameragain.h"
#include "cameraresponse.h"
#include "radiancebuffers.h"

/// The light of a scene merged from a bracket of images: red, green and
/// blue of each pixel as 32-bit floats in the camera's value per
/// millisecond of exposure at unit gain, a mark per pixel where no image of
/// the bracket caught the light, and what it was merged from. Copies share
/// their pixels until one is changed, so it passes between threads cheaply.
class RadianceImage
{
public:
    /// Bits of a pixel's mark.
    enum Mark : quint8 {
        /// A channel was clipped in every image: its value is the least
        /// light that clips the shortest of them, a lower bound.
        Clipped = 1,
        /// Every channel was black in every image: its value is 0.
        Crushed = 2,
    };

    /// One image of the bracket.
    struct Source
    {
        int set = -1;
        quint64 frameNumber = 0;
        double exposureMs = 0.0;
        CameraGain::Setting gain;
        /// The red, green and blue factors of gain.
        std::array<double, 3> linearGain{{1.0, 1.0, 1.0}};
    };

    /// Where the values come from.
    struct Provenance
    {
        QString cameraModel;
        QVector<Source> sources;
        CameraResponse::Origin response = CameraResponse::Origin::AssumedLinear;
        /// Whether the camera's gain law is known rather than assumed.
        bool gainKnown = false;
    };

    /// The unit of the values, in words.
    static QString unit();

    RadianceImage() = default;
    /// An image of size taken at aoiOffset on the sensor, all black, unmarked.
    RadianceImage(const QSize &size, const QPoint &aoiOffset);
    /// An image whose every pixel and mark the caller writes: what it holds
    /// before is undefined.
    static RadianceImage unfilled(const QSize &size, const QPoint &aoiOffset);

    bool isNull() const { return m_size.isEmpty(); }
    QSize size() const { return m_size; }
    int width() const { return m_size.width(); }
    int height() const { return m_size.height(); }
    QPoint aoiOffset() const { return m_aoiOffset; }

    /// Red, green and blue of the line's pixels, one after another; the
    /// lines follow each other without gaps.
    const float *constLine(int y) const { return m_pixels->rgb.get() + lineOffset(y); }
    float *line(int y);
    /// The marks of the line's pixels.
    const quint8 *constMarks(int y) const { return m_pixels->marks.get() + markOffset(y); }
    quint8 *marks(int y);

    std::array<float, 3> pixel(int x, int y) const;
    quint8 mark(int x, int y) const { return constMarks(y)[x]; }

    const Provenance &provenance() const { return m_provenance; }
    void setProvenance(const Provenance &provenance) { m_provenance = provenance; }

private:
    size_t lineOffset(int y) const { return size_t(y) * size_t(width()) * 3; }
    size_t markOffset(int y) const { return size_t(y) * size_t(width()); }
    /// Pixels of its own before a change.
    void detach();

    QSize m_size;
    QPoint m_aoiOffset;
    std::shared_ptr<RadianceBuffers::Pixels> m_pixels;
    Provenance m_provenance;
};
