// How close the radiance merged from brackets the simulated camera takes
// comes to the light of its scene, which the simulator tells.

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <vector>

#include "radiancemerge.h"
#include "simulator/simdrivertest.h"

using VyraSim::Control;

namespace {

const QString model = QStringLiteral("VK1240C");

/// A bracket as the camera took it, the scene's light in each image, and
/// what the merge made of it.
struct Capture
{
    QVector<RadianceMerge::Exposure> bracket;
    std::vector<VyraSim::SceneRadiance> truths;
    RadianceImage radiance;
};

/// Takes one image per exposure and gains, with the camera's own response.
Capture capture(SimTest::Camera &camera, const QVector<QPair<double, CameraGain::Setting>> &shots)
{
    Capture taken;
    for (const auto &[exposureMs, gain] : shots) {
        VyraFrameDescriptor taking{};
        DriverTest::setExposure(camera.handle, exposureMs);
        setSensorGains(camera.handle, gain.master, gain.red, gain.green, gain.blue);
        const QImage image = camera.snap(&taking);
        const auto truth = Control::sceneRadiance(camera.handle, {0, 0}, taking.frameNumber);
        if (image.isNull() || !truth)
            return {};
        taken.bracket.append({image, taking.exposureMs, gain, QPoint(), -1, taking.frameNumber});
        taken.truths.push_back(*truth);
    }
    taken.radiance = RadianceMerge(model, CameraResponse::ofSensorModel()).merge(taken.bracket);
    return taken;
}

/// The light of a channel value (pixel x 3 + channel) where the scene
/// stood still through the bracket (the disc moves, the stamp is no scene)
/// and some image saw it between black and clipping; 0 elsewhere.
float stillSeenLight(const Capture &capture, size_t index)
{
    const VyraSim::SceneRadiance &first = capture.truths.front();
    const int line = int(index / size_t(first.width * 3));
    bool seen = false;
    for (size_t image = 0; image < capture.truths.size(); ++image) {
        if (line < first.stampRows || capture.truths[image].rgb[index] != first.rgb[index])
            return 0.0f;
        const int value = capture.bracket.at(int(image))
                              .image.constScanLine(line)[index % size_t(first.width * 3)];
        seen = seen || (value > 0 && value < 255);
    }
    return seen ? first.rgb[index] : 0.0f;
}

} // namespace

class TestRadianceAccuracy : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Control::resetToDefaults();
        SimTest::Camera camera;
        QVERIFY(camera.ok());
        m_short = capture(camera, {{1, {}}, {4, {}}, {16, {}}});
        // The middle image a gain step up, a colour gain on top.
        m_long = capture(camera, {{2, {}}, {8, {20, 50, 0, 25}}, {32, {}}});
        QVERIFY(!m_short.radiance.isNull() && !m_long.radiance.isNull());
    }

    void logCorrelatesWithTheTruth_data()
    {
        QTest::addColumn<bool>("longer");
        QTest::newRow("1/4/16 ms") << false;
        QTest::newRow("2/8/32 ms with a gain step") << true;
    }

    void logCorrelatesWithTheTruth()
    {
        QFETCH(bool, longer);
        const Capture &taken = longer ? m_long : m_short;
        // Pearson's correlation of the logarithms, from their sums.
        double n = 0, a = 0, b = 0, aa = 0, bb = 0, ab = 0;
        for (size_t index = 0; index < taken.truths.front().rgb.size(); ++index) {
            const float light = stillSeenLight(taken, index);
            if (light > 0.0f) {
                const double merged = std::log(double(taken.radiance.constLine(0)[index]));
                const double truth = std::log(double(light));
                n += 1;
                a += merged;
                b += truth;
                aa += merged * merged;
                bb += truth * truth;
                ab += merged * truth;
            }
        }
        const double r = (n * ab - a * b) / std::sqrt((n * aa - a * a) * (n * bb - b * b));
        qInfo("log correlation %.5f over %.0f channel values", r, n);
        QVERIFY(n > 1e6 && r >= 0.995);
    }

    void twoBracketsAgree()
    {
        std::vector<double> ratios;
        for (size_t index = 0; index < m_short.truths.front().rgb.size(); ++index) {
            if (stillSeenLight(m_short, index) > 0.0f && stillSeenLight(m_long, index) > 0.0f)
                ratios.push_back(double(m_short.radiance.constLine(0)[index]) /
                                 double(m_long.radiance.constLine(0)[index]));
        }
        const auto middle = ratios.begin() + ptrdiff_t(ratios.size() / 2);
        std::nth_element(ratios.begin(), middle, ratios.end());
        qInfo("median ratio %.5f over %zu channel values", *middle, ratios.size());
        QVERIFY(ratios.size() > 1000000 && std::abs(*middle - 1.0) <= 0.02);
    }

private:
    Capture m_short;
    Capture m_long;
};

QTEST_GUILESS_MAIN(TestRadianceAccuracy)
#include "tst_radianceaccuracy.moc"
