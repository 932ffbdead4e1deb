#include "cameragain.h"

#include <QRegularExpression>

namespace {

// The VK models are named "VK", a digit, then letters, digits or dashes.
const QRegularExpression vkModel(QStringLiteral("^VK[0-9][A-Za-z0-9-]*$"));

} // namespace

bool CameraGain::isKnown(const QString &cameraModel)
{
    return vkModel.match(cameraModel).hasMatch();
}

CameraGain::Factors CameraGain::linearFactors(const QString &cameraModel, const Setting &setting)
{
    Factors factors;
    factors.known = isKnown(cameraModel);
    const double masterSlope = factors.known ? 3.0 : 1.0;
    const double master = 1.0 + masterSlope * setting.master / 100.0;
    const int colours[3] = {setting.red, setting.green, setting.blue};
    for (int channel = 0; channel < 3; ++channel)
        factors.rgb[size_t(channel)] = master * (1.0 + colours[channel] / 100.0);
    return factors;
}
