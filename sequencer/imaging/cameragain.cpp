#include "cameragain.h"

bool CameraGain::isKnown(const QString &cameraModel)
{
    // The VK models are named "VK", a digit, then letters, digits or dashes.
    if (cameraModel.size() < 3 || !cameraModel.startsWith(QLatin1String("VK")) ||
        !cameraModel.at(2).isDigit())
        return false;
    for (const QChar character : cameraModel) {
        if (character.unicode() > 127 ||
            !(character.isLetterOrNumber() || character == QLatin1Char('-')))
            return false;
    }
    return true;
}

std::array<double, 3> CameraGain::linearFactors(const QString &cameraModel, const Setting &setting)
{
    std::array<double, 3> factors{};
    const double masterSlope = isKnown(cameraModel) ? 3.0 : 1.0;
    const double master = 1.0 + masterSlope * setting.master / 100.0;
    const int colours[3] = {setting.red, setting.green, setting.blue};
    for (int channel = 0; channel < 3; ++channel)
        factors[size_t(channel)] = master * (1.0 + colours[channel] / 100.0);
    return factors;
}
