#include "responsestore.h"

#include <QSettings>
#include <QStringList>
#include <QUrl>

#include <stdexcept>

#include "cameragain.h"

namespace {

const char *const channelKeys[3] = {"red", "green", "blue"};

QString curveText(const CameraResponse::Curve &curve)
{
    QStringList lights;
    for (float light : curve)
        lights << QString::number(double(light), 'g', 9);
    return lights.join(QLatin1Char(' '));
}

/// The curve in text, or nothing when the text is not 256 numbers.
bool parseCurve(const QString &text, CameraResponse::Curve &curve)
{
    const QStringList lights = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (lights.size() != int(curve.size()))
        return false;
    for (size_t value = 0; value < curve.size(); ++value) {
        bool ok = false;
        curve[value] = lights.at(int(value)).toFloat(&ok);
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

ResponseStore::ResponseStore(const QString &organisation, const QString &application)
    : m_organisation(organisation), m_application(application)
{
}

QString ResponseStore::keyOf(const QString &cameraModel)
{
    // Settings keys take no slashes and treat some characters specially;
    // a model name may hold anything.
    return QStringLiteral("response/") +
           QString::fromLatin1(QUrl::toPercentEncoding(cameraModel, QByteArray(), "/\\ "));
}

CameraResponse ResponseStore::responseFor(const QString &cameraModel, QString *problem) const
{
    if (problem)
        problem->clear();
    QSettings settings(m_organisation, m_application);
    settings.beginGroup(keyOf(cameraModel));
    if (settings.contains(QLatin1String(channelKeys[0]))) {
        std::array<CameraResponse::Curve, 3> curves{};
        bool readable = true;
        for (size_t channel = 0; channel < 3; ++channel)
            readable = readable &&
                       parseCurve(settings.value(QLatin1String(channelKeys[channel])).toString(),
                                  curves[channel]);
        try {
            if (!readable)
                throw std::runtime_error("Its curves are not 256 numbers each.");
            return CameraResponse::calibrated(curves);
        } catch (const std::runtime_error &error) {
            if (problem)
                *problem = QStringLiteral("The stored response of %1 is not used. %2")
                               .arg(cameraModel, QString::fromStdString(error.what()));
        }
    }
    return CameraGain::isKnown(cameraModel) ? CameraResponse::ofSensorModel()
                                            : CameraResponse::assumedLinear();
}

void ResponseStore::store(const QString &cameraModel, const CameraResponse &response) const
{
    if (response.origin() != CameraResponse::Origin::Calibrated)
        throw std::runtime_error("Only a calibrated response is stored.");
    QSettings settings(m_organisation, m_application);
    settings.beginGroup(keyOf(cameraModel));
    for (size_t channel = 0; channel < 3; ++channel)
        settings.setValue(QLatin1String(channelKeys[channel]),
                          curveText(response.curve(int(channel))));
    settings.endGroup();
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw std::runtime_error("The response could not be kept in the settings store.");
}

void ResponseStore::remove(const QString &cameraModel) const
{
    QSettings settings(m_organisation, m_application);
    settings.remove(keyOf(cameraModel));
}
