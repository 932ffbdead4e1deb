#include "cameraresponse.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace {

constexpr int middleValue = 128;

CameraResponse::Curve line(float offset)
{
    CameraResponse::Curve curve{};
    for (int value = 0; value < 255; ++value)
        curve[size_t(value)] = float(value) + offset;
    curve[255] = 255.0f;
    return curve;
}

void check(const CameraResponse::Curve &curve, const char *channel)
{
    const auto fail = [channel](const char *why) {
        throw std::runtime_error(std::string("The ") + channel + " response curve " + why + ".");
    };
    for (size_t value = 0; value < curve.size(); ++value) {
        if (!std::isfinite(curve[value]) || curve[value] < 0.0f)
            fail("holds a value that is not a finite light");
        if (value > 0 && curve[value] < curve[value - 1])
            fail("falls where light grows");
    }
    if (!(curve[middleValue] > 0.0f) || !(curve[255] > curve[0]))
        fail("does not rise");
}

} // namespace

CameraResponse::CameraResponse(Origin origin, const std::array<Curve, 3> &curves)
    : m_origin(origin), m_curves(curves)
{
}

CameraResponse CameraResponse::assumedLinear()
{
    const Curve curve = line(0.0f);
    return CameraResponse(Origin::AssumedLinear, {curve, curve, curve});
}

CameraResponse CameraResponse::ofSensorModel()
{
    // The light that gives value v lies between v and v + 1; its middle is
    // the best guess. 255 holds everything from 255 up.
    const Curve curve = line(0.5f);
    return CameraResponse(Origin::SensorModel, {curve, curve, curve});
}

CameraResponse CameraResponse::calibrated(const std::array<Curve, 3> &curves)
{
    const char *names[3] = {"red", "green", "blue"};
    std::array<Curve, 3> scaled = curves;
    for (size_t channel = 0; channel < 3; ++channel) {
        check(curves[channel], names[channel]);
        const float scale = float(middleValue) / curves[channel][middleValue];
        for (float &light : scaled[channel])
            light *= scale;
        // Exactly, so that scaling a curve again changes nothing.
        scaled[channel][middleValue] = float(middleValue);
    }
    return CameraResponse(Origin::Calibrated, scaled);
}

QString CameraResponse::originText(Origin origin)
{
    switch (origin) {
    case Origin::SensorModel:
        return QStringLiteral("sensor model");
    case Origin::Calibrated:
        return QStringLiteral("calibrated");
    case Origin::AssumedLinear:
        break;
    }
    return QStringLiteral("assumed linear");
}
