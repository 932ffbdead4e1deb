// The radiance merge on synthetic brackets of known light, the brackets it
// refuses, the responses it is given (stored, calibrated) and the tone
// mapping of its result.

#include <QSettings>
#include <QtTest>

#include <cmath>
#include <functional>

#include "cameraresponse.h"
#include "radiancemerge.h"
#include "responsestore.h"
#include "tonemapper.h"
#include "vyrabuildoptions.h"
#if VYRA_EXPOSURE_FUSION
#include "responsecalibration.h"
#endif

namespace {

const QString vkModel = QStringLiteral("VK1240C");
const QString otherModel = QStringLiteral("Test camera 1/2");
const QString organisation = QStringLiteral("Quellmark tests");
const QString application = QStringLiteral("Radiance merge");
const double channelShare[3] = {1.0, 0.8, 0.6};

/// "linear" (assumed), "sensor model" or "gamma": values 255 (light / 255)^(1 / 2.2).
CameraResponse responseNamed(const QString &name)
{
    if (name == QLatin1String("sensor model"))
        return CameraResponse::ofSensorModel();
    if (name != QLatin1String("gamma"))
        return CameraResponse::assumedLinear();
    CameraResponse::Curve curve{};
    for (size_t value = 0; value < 256; ++value)
        curve[value] = float(255.0 * std::pow(value / 255.0, 2.2));
    return CameraResponse::calibrated({curve, curve, curve});
}

/// The light of pixel (x, y) and channel per millisecond at unit gain.
using Scene = std::function<double(int x, int y, int channel)>;

/// The images a camera of the response takes of the scene, one per
/// exposure, with the gains given (none where a gain is missing): each value
/// the one whose light lies nearest.
QVector<RadianceMerge::Exposure> takeBracket(const CameraResponse &response, const QString &model,
                                             const Scene &scene, const QSize &size,
                                             const QVector<double> &exposures,
                                             const QVector<CameraGain::Setting> &gains)
{
    std::array<std::array<float, 255>, 3> steps;
    for (int channel = 0; channel < 3; ++channel) {
        for (int value = 1; value < 256; ++value)
            steps[size_t(channel)][size_t(value - 1)] =
                (response.light(channel, value - 1) + response.light(channel, value)) / 2;
    }
    QVector<RadianceMerge::Exposure> bracket;
    for (int index = 0; index < exposures.size(); ++index) {
        const auto factors = CameraGain::linearFactors(model, gains.value(index));
        QImage image(size, QImage::Format_RGB888);
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width() * 3; ++x) {
                const auto &channelSteps = steps[size_t(x % 3)];
                const double light = scene(x / 3, y, x % 3) * exposures.at(index) * factors[x % 3];
                image.scanLine(y)[x] =
                    uchar(std::upper_bound(channelSteps.begin(), channelSteps.end(), light) -
                          channelSteps.begin());
            }
        }
        bracket.append({image, exposures.at(index), gains.value(index), QPoint(), index, 0});
    }
    return bracket;
}

} // namespace

Q_DECLARE_METATYPE(QVector<CameraGain::Setting>)

class TestRadianceMerge : public QObject
{
    Q_OBJECT

private slots:
    void init() { QSettings(organisation, application).clear(); }

    void mergeRecoversTheLight_data()
    {
        QTest::addColumn<QString>("response");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QVector<double>>("exposures");
        QTest::addColumn<QVector<CameraGain::Setting>>("gains");
        QTest::addColumn<double>("lowest");
        QTest::addColumn<double>("highest");
        QTest::addColumn<int>("mark");

        using Gains = QVector<CameraGain::Setting>;
        using Exposures = QVector<double>;
        QTest::newRow("linear") << "linear" << otherModel << Exposures{1, 4, 16} << Gains() << 6.0
                                << 100.0 << 0;
        QTest::newRow("gain steps")
            << "sensor model" << vkModel << Exposures{1, 4, 4}
            << Gains{{}, {0, 50, 0, 0}, {100, 50, 0, 25}} << 6.0 << 100.0 << 0;
        QTest::newRow("gain steps, unknown law")
            << "linear" << otherModel << Exposures{2, 2} << Gains{{}, {100, 0, 100, 0}} << 20.0
            << 100.0 << 0;
        QTest::newRow("clipped everywhere") << "linear" << otherModel << Exposures{1, 4} << Gains()
                                            << 1000.0 << 2000.0 << int(RadianceImage::Clipped);
        QTest::newRow("crushed everywhere")
            << "sensor model" << vkModel << Exposures{1, 4} << Gains() << 0.01 << 0.2
            << int(RadianceImage::Crushed);
        QTest::newRow("response curve")
            << "gamma" << otherModel << Exposures{1, 4, 16} << Gains() << 2.0 << 100.0 << 0;
    }

    void mergeRecoversTheLight()
    {
        QFETCH(QString, response);
        QFETCH(QString, model);
        QFETCH(QVector<double>, exposures);
        QFETCH(QVector<CameraGain::Setting>, gains);
        QFETCH(double, lowest);
        QFETCH(double, highest);
        QFETCH(int, mark);

        const QSize size(64, 4);
        // A ramp from lowest to highest light, shared out over the channels.
        const Scene scene = [&](int x, int, int channel) {
            return lowest * std::pow(highest / lowest, x / 63.0) * channelShare[channel];
        };
        const CameraResponse camera = responseNamed(response);
        const RadianceImage radiance =
            RadianceMerge(model, camera)
                .merge(takeBracket(camera, model, scene, size, exposures, gains));
        QCOMPARE(radiance.provenance().sources.size(), exposures.size());
        QCOMPARE(radiance.provenance().response, camera.origin());

        double worst = 0.0;
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                QCOMPARE(int(radiance.mark(x, y)), mark);
                for (int channel = 0; channel < 3; ++channel) {
                    const double value = radiance.pixel(x, y)[size_t(channel)];
                    // Clipped: the light that clips the shortest exposure.
                    if (mark == RadianceImage::Clipped)
                        QCOMPARE(value, 255.0 / exposures.first());
                    else if (mark == RadianceImage::Crushed)
                        QCOMPARE(value, 0.0);
                    else
                        worst = std::max(worst, std::abs(value / scene(x, y, channel) - 1.0));
                }
            }
        }
        QVERIFY2(worst < 0.02, qPrintable(QStringLiteral("off by %1").arg(worst)));
    }

    void unequalBracketsAreRefused_data()
    {
        QTest::addColumn<QSize>("secondSize");
        QTest::addColumn<QPoint>("secondOffset");
        QTest::addColumn<double>("secondExposure");
        QTest::addColumn<int>("secondMasterGain");
        QTest::addColumn<QString>("reason");

        QTest::newRow("AOI offset") << QSize(32, 16) << QPoint(16, 0) << 4.0 << 0
                                    << "The images differ in AOI offset: set 0 was taken at "
                                       "(0, 0), set 1 at (16, 0).";
        QTest::newRow("image size") << QSize(64, 16) << QPoint() << 4.0 << 0
                                    << "The images differ in size: set 0 is 32 x 16, set 1 is "
                                       "64 x 16.";
        QTest::newRow("exposure") << QSize(32, 16) << QPoint() << 0.0 << 0
                                  << "The exposure of set 1 (0 ms) is not positive.";
        QTest::newRow("no image") << QSize() << QPoint() << 4.0 << 0
                                  << "The image of set 1 has no pixels.";
        QTest::newRow("gain") << QSize(32, 16) << QPoint() << 4.0 << 101
                              << "The gains of set 1 lie outside 0 to 100.";
    }

    void unequalBracketsAreRefused()
    {
        QFETCH(QSize, secondSize);
        QFETCH(QPoint, secondOffset);
        QFETCH(double, secondExposure);
        QFETCH(int, secondMasterGain);
        QFETCH(QString, reason);

        QImage first(32, 16, QImage::Format_RGB888);
        first.fill(Qt::gray);
        QImage second = secondSize.isEmpty() ? QImage() : first.scaled(secondSize);
        const QVector<RadianceMerge::Exposure> bracket{
            {first, 1.0, {}, QPoint(), 0, 1},
            {second, secondExposure, {secondMasterGain, 0, 0, 0}, secondOffset, 1, 2}};
        try {
            RadianceMerge(vkModel, CameraResponse::ofSensorModel()).merge(bracket);
            QFAIL("The bracket was merged.");
        } catch (const std::runtime_error &error) {
            QCOMPARE(QString::fromStdString(error.what()), reason);
        }
    }

    void storeGivesTheResponseToMergeWith_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("origin");
        QTest::addColumn<bool>("problem");

        using Origin = CameraResponse::Origin;
        QTest::newRow("VK camera") << vkModel << "" << int(Origin::SensorModel) << false;
        QTest::newRow("other camera") << otherModel << "" << int(Origin::AssumedLinear) << false;
        QTest::newRow("calibrated") << otherModel << "gamma" << int(Origin::Calibrated) << false;
        QTest::newRow("too short") << otherModel << "1 2 3" << int(Origin::AssumedLinear) << true;
        QTest::newRow("falling") << vkModel << "falling" << int(Origin::SensorModel) << true;
    }

    void storeGivesTheResponseToMergeWith()
    {
        QFETCH(QString, model);
        QFETCH(QString, stored);
        QFETCH(int, origin);
        QFETCH(bool, problem);

        const ResponseStore store(organisation, application);
        const CameraResponse gamma = responseNamed(QStringLiteral("gamma"));
        if (!stored.isEmpty())
            store.store(model, gamma);
        if (stored != QLatin1String("gamma") && !stored.isEmpty()) {
            // What another version, or a hand, may leave in the store.
            QStringList falling;
            for (int value = 255; value >= 0; --value)
                falling << QString::number(value);
            QSettings settings(organisation, application);
            for (const QString &key : settings.allKeys())
                settings.setValue(key,
                                  stored == QLatin1String("falling") ? falling.join(' ') : stored);
        }
        QString why;
        const CameraResponse response = store.responseFor(model, &why);
        QCOMPARE(int(response.origin()), origin);
        QCOMPARE(why.isEmpty(), !problem);
        if (response.origin() == CameraResponse::Origin::Calibrated)
            QCOMPARE(response.curve(2), gamma.curve(2));
        store.remove(model);
        QVERIFY(store.responseFor(model).origin() != CameraResponse::Origin::Calibrated);
    }

#if VYRA_EXPOSURE_FUSION
    void calibrationFindsTheResponse()
    {
        // A still scene of many lights, taken at six exposures by a camera
        // whose values follow light by a power of 1 / 2.2.
        const Scene scene = [](int x, int y, int channel) {
            return 0.2 * std::pow(1000.0, (x * 7919 + y * 104729) % 997 / 996.0) *
                   channelShare[channel];
        };
        const CameraResponse gamma = responseNamed(QStringLiteral("gamma"));
        const CameraResponse found = ResponseCalibration::calibrate(
            otherModel,
            takeBracket(gamma, otherModel, scene, QSize(96, 96), {1, 2, 4, 8, 16, 32}, {}));
        QCOMPARE(found.origin(), CameraResponse::Origin::Calibrated);
        for (int channel = 0; channel < 3; ++channel) {
            for (int value : {32, 64, 96, 160, 224})
                QVERIFY2(
                    std::abs(found.light(channel, value) / gamma.light(channel, value) - 1) < 0.1,
                    qPrintable(QStringLiteral("channel %1, value %2").arg(channel).arg(value)));
        }
    }
#endif

    void toneMapsKeepOrderAndFollowTheExposure_data()
    {
        QTest::addColumn<int>("op");
        QTest::newRow("Reinhard") << int(ToneMapper::Operator::Reinhard);
        QTest::newRow("logarithmic") << int(ToneMapper::Operator::Logarithmic);
    }

    void toneMapsKeepOrderAndFollowTheExposure()
    {
        QFETCH(int, op);
        // Twenty stops from left to right; the ends marked.
        RadianceImage radiance(QSize(64, 8), QPoint());
        for (int y = 0; y < radiance.height(); ++y) {
            for (int x = 0; x < radiance.width(); ++x) {
                float *rgb = radiance.line(y) + x * 3;
                const float light = float(0.001 * std::exp2(20.0 * x / 63.0));
                rgb[0] = light;
                rgb[1] = 0.8f * light;
                rgb[2] = 0.5f * light;
            }
            quint8 *marks = radiance.marks(y);
            marks[0] = RadianceImage::Crushed;
            marks[radiance.width() - 1] = RadianceImage::Clipped;
        }
        const auto toneMapper = ToneMapper::Operator(op);
        const QImage picture = ToneMapper::map(radiance, toneMapper, 0.0);
        const QImage brighter = ToneMapper::map(radiance, toneMapper, 1.0);
        QCOMPARE(picture.size(), radiance.size());
        QCOMPARE(picture.pixel(0, 3), qRgb(0, 0, 0));
        QCOMPARE(picture.pixel(63, 3), qRgb(255, 255, 255));
        for (int x = 2; x < 63; ++x) {
            const QRgb left = picture.pixel(x - 1, 3);
            const QRgb here = picture.pixel(x, 3);
            QVERIFY(qRed(here) >= qRed(left) && qGreen(here) >= qGreen(left));
            // Hue kept: red above green above blue.
            QVERIFY(qRed(here) >= qGreen(here) && qGreen(here) >= qBlue(here));
        }
        QVERIFY(qGreen(picture.pixel(32, 3)) < qGreen(brighter.pixel(32, 3)));
        QCOMPARE(ToneMapper::map(radiance, toneMapper, 0.0, 16).size(), QSize(16, 2));
    }
};

QTEST_GUILESS_MAIN(TestRadianceMerge)
#include "tst_radiancemerge.moc"
