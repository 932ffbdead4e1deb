#pragma once

#include <QString>

#include <algorithm>
#include <array>

/// How a camera's gain settings (0 to 100 each, as the driver takes them)
/// scale the light an image records: one linear factor per colour channel,
/// the master gain's times the channel's own.
///
/// The VK cameras follow the law their sensor model documents: the master
/// gain multiplies by 1 + 3 x gain / 100, a colour gain by 1 + gain / 100.
/// For any other camera the law is unknown (a GenICam camera's gain is
/// usually in decibels over a range of its own); each gain is then taken as
/// 1 + gain / 100, and isKnown() says that it is assumed.
class CameraGain
{
public:
    /// The gains as the camera applied them, each 0 to 100.
    struct Setting
    {
        int master = 0;
        int red = 0;
        int green = 0;
        int blue = 0;

        bool isValid() const
        {
            return std::min({master, red, green, blue}) >= 0 &&
                   std::max({master, red, green, blue}) <= 100;
        }
    };

    /// Whether the gain law of the camera model is known.
    static bool isKnown(const QString &cameraModel);
    /// The red, green and blue factors of the setting, by the model's law
    /// where it is known.
    static std::array<double, 3> linearFactors(const QString &cameraModel, const Setting &setting);
};
