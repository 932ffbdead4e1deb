#pragma once

#include <QImage>

class RadianceImage;

/// Turns a radiance image into a picture for the screen: the light scaled
/// by an exposure in stops, compressed by a global tone curve into the
/// screen's range and encoded for it (sRGB). Each pixel keeps its hue: the
/// curve acts on its luminance and the channels follow.
///
/// Reinhard's operator scales the image so that its log-average luminance
/// is mid-grey (0.18) and maps L to L / (1 + L): highlights approach white
/// without reaching it. The logarithmic operator maps L, in 1024ths of the
/// brightest pixel's luminance times 2^stops, to log(1 + L) / log(1 + Lmax):
/// the brightest pixel white, every stop of a wide range with its share of
/// the screen, more stops lifting the shadows. Pixels that every
/// image of the bracket clipped show white, those every image crushed
/// black. Thread-safe; uses the pool's threads for the lines.
class ToneMapper
{
public:
    enum class Operator { Reinhard, Logarithmic };

    /// The picture of radiance at an exposure of -32 to 32 stops (beyond,
    /// the nearest end), 8-8-8 RGB, at most maximumWidth pixels wide
    /// when that is positive (every how-many-th pixel taken, aspect ratio
    /// kept); a null image for a null radiance.
    static QImage map(const RadianceImage &radiance, Operator op, double exposureStops,
                      int maximumWidth = 0);
};
