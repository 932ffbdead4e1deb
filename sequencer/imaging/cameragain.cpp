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
