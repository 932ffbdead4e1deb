#pragma once

#include <QString>

#include <array>

/// How a camera's 8-bit values follow light: for each colour channel and
/// value 0 to 255, the light that gives that value, in the camera's own
/// value units (a linear camera's light for value v is v; a calibrated
/// curve is scaled so that the middle value 128 is light 128). The light of
/// 255 is the least light that clips.
class CameraResponse
{
public:
    using Curve = std::array<float, 256>;

    /// Where the response comes from.
    enum class Origin {
        AssumedLinear, ///< nothing is known: values are taken as proportional to light
        SensorModel,   ///< the camera's sensor model documents it
        Calibrated,    ///< calibrated from a bracket of a still scene
    };

    /// A camera of unknown response, taken as linear.
    static CameraResponse assumedLinear();
    /// The VK sensor model: values proportional to light, cut down to
    /// whole numbers (value v stands for the light from v to v + 1) and
    /// clipped at 255.
    static CameraResponse ofSensorModel();
    /// Calibrated curves of red, green and blue, scaled so that 128 is 128.
    /// Throws std::runtime_error unless every curve is finite, not
    /// negative, never falling and rising overall.
    static CameraResponse calibrated(const std::array<Curve, 3> &curves);

    Origin origin() const { return m_origin; }
    /// "assumed linear", "sensor model" or "calibrated".
    static QString originText(Origin origin);

    float light(int channel, int value) const { return m_curves[size_t(channel)][size_t(value)]; }
    const Curve &curve(int channel) const { return m_curves[size_t(channel)]; }

private:
    CameraResponse(Origin origin, const std::array<Curve, 3> &curves);

    Origin m_origin;
    std::array<Curve, 3> m_curves;
};
