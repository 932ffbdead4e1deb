// How close the radiance merged from brackets the simulated camera takes
// comes to the light of its scene, which the simulator tells.

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <vector>

#include "radiancemerge.h"
#include "responsestore.h"
#include "simulator/simdrivertest.h"

using VyraSim::Control;

namespace {

const QString model = QStringLiteral("VK1240C");

/// One image of a bracket: its exposure and gains.
struct Shot
{
    double exposureMs;
    CameraGain::Setting gain;
};

/// A bracket as the camera took it, and the scene's light in each image.
struct Capture
{
    QVector<RadianceMerge::Exposure> bracket;
    std::vector<VyraSim::SceneRadiance> truths;
    RadianceImage radiance;
};

Capture capture(SimTest::Camera &camera, const QVector<Shot> &shots)
{
    Capture taken;
    for (const Shot &shot : shots) {
        if (DriverTest::setExposure(camera.handle, shot.exposureMs) != VYRA_SUCCESS ||
            setSensorGains(camera.handle, shot.gain.master, shot.gain.red, shot.gain.green,
                           shot.gain.blue) != VYRA_SUCCESS)
            return {};
        VyraFrameDescriptor descriptor{};
        RadianceMerge::Exposure exposure;
        exposure.image = camera.snap(&descriptor);
        exposure.exposureMs = descriptor.exposureMs;
        exposure.gain = shot.gain;
        exposure.frameNumber = descriptor.frameNumber;
        const auto truth = Control::sceneRadiance(camera.handle, {0, 0}, descriptor.frameNumber);
        if (exposure.image.isNull() || !truth)
            return {};
        taken.bracket.append(exposure);
        taken.truths.push_back(*truth);
    }
    const CameraResponse response =
        ResponseStore(QStringLiteral("Quellmark tests"), QStringLiteral("Radiance accuracy"))
            .responseFor(model);
    taken.radiance = RadianceMerge(model, response).merge(taken.bracket);
    return taken;
}

/// The light of a pixel's channel where the scene stood still through the
/// bracket (the disc moves, the stamp is no scene) and some image saw it
/// between black and clipping; 0 elsewhere.
float stillSeenLight(const Capture &capture, int x, int y, int channel)
{
    const VyraSim::SceneRadiance &first = capture.truths.front();
    if (y < first.stampRows)
        return 0.0f;
    const size_t index = (size_t(y) * size_t(first.width) + size_t(x)) * 3 + size_t(channel);
    bool seen = false;
    for (size_t image = 0; image < capture.truths.size(); ++image) {
        if (capture.truths[image].rgb[index] != first.rgb[index])
            return 0.0f;
        const int value = capture.bracket.at(int(image)).image.constScanLine(y)[x * 3 + channel];
        seen = seen || (value > 0 && value < 255);
    }
    return seen ? first.rgb[index] : 0.0f;
}

double correlation(const std::vector<double> &a, const std::vector<double> &b)
{
    const double n = double(a.size());
    double meanA = 0, meanB = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        meanA += a[i] / n;
        meanB += b[i] / n;
    }
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        ab += (a[i] - meanA) * (b[i] - meanB);
        aa += (a[i] - meanA) * (a[i] - meanA);
        bb += (b[i] - meanB) * (b[i] - meanB);
    }
    return ab / std::sqrt(aa * bb);
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

    void truthIsWhatTheReferenceExposureShows()
    {
        SimTest::Camera camera;
        VyraFrameDescriptor descriptor{};
        const QImage image = camera.snap(&descriptor);
        const auto truth = Control::sceneRadiance(camera.handle, {0, 0}, descriptor.frameNumber);
        QVERIFY(truth && !image.isNull());
        QCOMPARE(QSize(truth->width, truth->height), image.size());
        for (int y = truth->stampRows; y < image.height(); y += 7) {
            for (int x = 0; x < image.width() * 3; x += 5)
                QCOMPARE(truth->rgb[size_t(y * image.width() * 3 + x)] * 10.0f,
                         float(image.constScanLine(y)[x]));
        }
        QVERIFY(!Control::sceneRadiance(camera.handle, {4, 0}, 1));
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
        std::vector<double> merged, truth;
        for (int y = 0; y < taken.radiance.height(); ++y) {
            for (int x = 0; x < taken.radiance.width(); ++x) {
                for (int channel = 0; channel < 3; ++channel) {
                    const float light = stillSeenLight(taken, x, y, channel);
                    if (light > 0.0f) {
                        truth.push_back(std::log(double(light)));
                        merged.push_back(
                            std::log(double(taken.radiance.pixel(x, y)[size_t(channel)])));
                    }
                }
            }
        }
        const double r = correlation(merged, truth);
        qInfo("log correlation %.5f over %zu channel values", r, merged.size());
        QVERIFY(merged.size() > 1000000);
        QVERIFY(r >= 0.995);
    }

    void twoBracketsAgree()
    {
        std::vector<double> ratios;
        for (int y = 0; y < m_short.radiance.height(); ++y) {
            for (int x = 0; x < m_short.radiance.width(); ++x) {
                for (int channel = 0; channel < 3; ++channel) {
                    if (stillSeenLight(m_short, x, y, channel) > 0.0f &&
                        stillSeenLight(m_long, x, y, channel) > 0.0f)
                        ratios.push_back(double(m_short.radiance.pixel(x, y)[size_t(channel)]) /
                                         double(m_long.radiance.pixel(x, y)[size_t(channel)]));
                }
            }
        }
        const auto middle = ratios.begin() + ptrdiff_t(ratios.size() / 2);
        std::nth_element(ratios.begin(), middle, ratios.end());
        qInfo("median ratio %.5f over %zu channel values", *middle, ratios.size());
        QVERIFY(ratios.size() > 1000000);
        QVERIFY(std::abs(*middle - 1.0) <= 0.02);
    }

private:
    Capture m_short;
    Capture m_long;
};

QTEST_GUILESS_MAIN(TestRadianceAccuracy)
#include "tst_radianceaccuracy.moc"
