// Images that follow the parameters: the window the AOI cuts from the scene,
// brightness, gains, flash, binning and subsampling, the stamp, determinism.

#include "framestamp.h"
#include "scenerenderer.h"
#include "simdrivertest.h"

using namespace SimTest;
using VyraSim::Control;

namespace {

// Places of the default small camera's scene (1280 x 1024) that lie away from
// grid lines, labels, the moving disc and the stamp.
constexpr int whiteBarX = 60;
constexpr int redBarX = 860;
constexpr int barY = 200;
constexpr int stampRows = 20;

// Rows the moving disc may cover (its track is at 42 % of the height).
bool nearDiscTrack(int sensorY, int sensorHeight)
{
    const int radius = sensorHeight / 14;
    return std::abs(sensorY - sensorHeight * 42 / 100) <= radius + 2;
}

} // namespace

class TestSimImages : public QObject
{
    Q_OBJECT

private slots:
    void init() { Control::resetToDefaults(); }

    void sceneShowsColourBarsAtNominalExposure()
    {
        Camera camera;
        QVERIFY(camera.ok());
        QCOMPARE(exposureValue(camera.handle), 10.0);
        const QImage image = camera.snap();
        QCOMPARE(image.size(), QSize(1280, 1024));
        QCOMPARE(rgb(image, whiteBarX, barY), (QVector<int>{191, 191, 191}));
        QCOMPARE(rgb(image, redBarX, barY), (QVector<int>{191, 0, 0}));
        // The grey ramp runs from black to white across the sensor.
        const int rampY = 1024 * 30 / 100;
        QVERIFY(rgb(image, 10, rampY)[0] < 10);
        QVERIFY(rgb(image, 1270, rampY)[0] > 245);
    }

    void aoiOffsetMovesTheWindowOverTheScene()
    {
        Camera camera;
        const QImage full = camera.snap();
        QCOMPARE(setAoi(camera.handle, {320, 240, 640, 480}), VYRA_SUCCESS);
        camera.reallocate();
        const QImage window = camera.snap();
        QCOMPARE(window.size(), QSize(640, 480));
        int compared = 0;
        for (int y = stampRows; y < 480; y += 3) {
            if (nearDiscTrack(y + 240, 1024))
                continue;
            for (int x = 0; x < 640; x += 5) {
                QCOMPARE(rgb(window, x, y), rgb(full, x + 320, y + 240));
                ++compared;
            }
        }
        QVERIFY(compared > 10000);

        // Moving the offset alone, without new buffers, moves the view.
        VyraPoint offset{0, 0};
        QCOMPARE(aoiControl(camera.handle, VYRA_AOI_SET_OFFSET, &offset, 8), VYRA_SUCCESS);
        const QImage corner = camera.snap();
        QCOMPARE(rgb(corner, whiteBarX, barY), rgb(full, whiteBarX, barY));
        QVERIFY(rgb(corner, 400, barY) != rgb(window, 400, barY));
    }

    void brightnessIsProportionalToExposure()
    {
        Camera camera;
        const QImage nominal = camera.snap();
        QCOMPARE(setExposure(camera.handle, 5.0), VYRA_SUCCESS);
        const QImage half = camera.snap();
        QCOMPARE(setExposure(camera.handle, 20.0), VYRA_SUCCESS);
        const QImage twice = camera.snap();
        const int rampY = 1024 * 30 / 100;
        for (int x = 0; x < 1280; x += 37) {
            const int v = rgb(nominal, x, rampY)[0];
            QVERIFY(std::abs(rgb(half, x, rampY)[0] - v / 2.0) <= 1.0);
            QCOMPARE(rgb(twice, x, rampY)[0], std::min(255, 2 * v));
        }
        QCOMPARE(rgb(twice, whiteBarX, barY)[0], 255); // clipped
    }

    void gainsScaleTheChannels()
    {
        Camera camera;
        const QImage plain = camera.snap();
        QCOMPARE(setSensorGains(camera.handle, 0, 100, 0, 50), VYRA_SUCCESS);
        const QImage tinted = camera.snap();
        const QVector<int> grey = rgb(plain, 20, 1024 * 70 / 100); // the background
        QCOMPARE(grey, (QVector<int>{96, 96, 96}));
        QCOMPARE(rgb(tinted, 20, 1024 * 70 / 100), (QVector<int>{192, 96, 144}));

        QCOMPARE(setSensorGains(camera.handle, 100, 0, 0, 0), VYRA_SUCCESS);
        const QImage bright = camera.snap();
        QCOMPARE(rgb(bright, 20, 1024 * 70 / 100), (QVector<int>{255, 255, 255}));
        QCOMPARE(rgb(bright, redBarX, barY), (QVector<int>{255, 0, 0}));
    }

    void flashAddsLightOnlyWhileItFires()
    {
        Camera camera;
        const QPoint background(20, 1024 * 70 / 100);
        int32_t mode = VYRA_FLASH_MODE_HIGH_ACTIVE;
        QCOMPARE(flashControl(camera.handle, VYRA_FLASH_MODE_SET, &mode, 4), VYRA_SUCCESS);
        VyraFlashParams whole{0, 0}; // fires for the whole exposure
        QCOMPARE(flashControl(camera.handle, VYRA_FLASH_PARAMS_SET, &whole, 8), VYRA_SUCCESS);
        QCOMPARE(rgb(camera.snap(), background.x(), background.y())[0], 192);

        VyraFlashParams halfway{5000, 10000}; // the second half of a 10 ms exposure
        QCOMPARE(flashControl(camera.handle, VYRA_FLASH_PARAMS_SET, &halfway, 8), VYRA_SUCCESS);
        QCOMPARE(rgb(camera.snap(), background.x(), background.y())[0], 144);

        VyraFlashParams late{20000, 1000}; // after the exposure ended
        QCOMPARE(flashControl(camera.handle, VYRA_FLASH_PARAMS_SET, &late, 8), VYRA_SUCCESS);
        QCOMPARE(rgb(camera.snap(), background.x(), background.y())[0], 96);

        mode = VYRA_FLASH_MODE_OFF;
        QCOMPARE(flashControl(camera.handle, VYRA_FLASH_PARAMS_SET, &whole, 8), VYRA_SUCCESS);
        QCOMPARE(flashControl(camera.handle, VYRA_FLASH_MODE_SET, &mode, 4), VYRA_SUCCESS);
        QCOMPARE(rgb(camera.snap(), background.x(), background.y())[0], 96);
    }

    void binningAveragesAndSubsamplingSkips()
    {
        Camera camera;
        const QImage full = camera.snap();
        QCOMPARE(binningMode(camera.handle, VYRA_FACTOR_2X_HORIZONTAL | VYRA_FACTOR_2X_VERTICAL),
                 VYRA_SUCCESS);
        camera.reallocate();
        const QImage binned = camera.snap();
        QCOMPARE(binned.size(), QSize(640, 512));
        // The line pairs of period 2 (one light, one dark column) average to grey.
        const int detailY = 1024 * 62 / 100;
        const int pairsX = 1280 / 3 + 40;
        const int light = rgb(full, pairsX, detailY)[0];
        const int dark = rgb(full, pairsX + 1, detailY)[0];
        QVERIFY(light - dark > 150);
        QVERIFY(std::abs(rgb(binned, pairsX / 2, detailY / 2)[0] - (light + dark) / 2) <= 1);

        QCOMPARE(binningMode(camera.handle, 0), VYRA_SUCCESS);
        QCOMPARE(subsamplingMode(camera.handle, VYRA_FACTOR_2X_HORIZONTAL), VYRA_SUCCESS);
        camera.reallocate();
        const QImage skipped = camera.snap();
        QCOMPARE(skipped.size(), QSize(640, 1024));
        // Every second column is skipped: the period-2 pairs alias to one tone.
        QCOMPARE(rgb(skipped, pairsX / 2, detailY), rgb(skipped, pairsX / 2 + 1, detailY));
        QCOMPARE(rgb(skipped, whiteBarX / 2, barY), rgb(full, whiteBarX, barY));
    }

    void stampShowsFrameNumberAndSet()
    {
        Camera camera;
        VyraFrameDescriptor first{};
        const QImage image = camera.snap(&first);
        QCOMPARE(first.frameNumber, 1u);
        QCOMPARE(int(first.sequencerSet), 0);

        // The corner holds exactly the stamp the font draws.
        const std::string text = "FRAME 1 SET -";
        const int width = VyraSim::FrameStamp::width(text, 2);
        const int height = VyraSim::FrameStamp::height(2);
        QImage expected(width, height, QImage::Format_RGB888);
        VyraSim::FrameStamp::draw(expected.bits(), expected.bytesPerLine(), width, height, 0, 0,
                                  text, 2, {255, 255, 255}, {0, 0, 0});
        QCOMPARE(image.copy(0, 0, width, height), expected);
        QVERIFY(expected.pixelColor(4, 4) != expected.pixelColor(2 * 7, 2 * 5));
        // What the stamp says can be read back from the image.
        const std::string read = VyraSim::FrameStamp::read(
            image.constBits(), image.bytesPerLine(), image.width(), image.height(), 0, 0,
            int(text.size()), VyraSim::FrameStamp::cornerScale(image.width()));
        QCOMPARE(QString::fromStdString(read), QString::fromStdString(text));

        const QImage second = camera.snap();
        QVERIFY(second.copy(0, 0, width, height) != expected);
    }

    // A running sequence takes each image with its set's values and names
    // the set in the stamp and at byte 80 of the descriptor.
    void sequenceImagesShowTheirSet()
    {
        Camera camera;
        const VyraHandle h = camera.handle;
        const auto command = [h](uint32_t code, int32_t value) {
            return sequencerControl(h, code, &value, sizeof value);
        };
        int64_t exposureFeature = VYRA_FEATURE_EXPOSURE;
        QCOMPARE(command(VYRA_SEQUENCER_CONFIGURATION_SET, 1), VYRA_SUCCESS);
        QCOMPARE(sequencerControl(h, VYRA_SEQUENCER_FEATURE_SELECT, &exposureFeature, 8),
                 VYRA_SUCCESS);
        QCOMPARE(command(VYRA_SEQUENCER_FEATURE_ENABLE, 1), VYRA_SUCCESS);
        for (int32_t set = 0; set < 2; ++set) {
            QCOMPARE(command(VYRA_SEQUENCER_SELECT_SET, set), VYRA_SUCCESS);
            QCOMPARE(setExposure(h, set == 0 ? 5.0 : 20.0), VYRA_SUCCESS);
            VyraPathRecord path{0, 1 - set, VYRA_SEQUENCER_TRIGGER_FRAME_END, 0};
            QCOMPARE(sequencerControl(h, VYRA_SEQUENCER_PATH_SET, &path, sizeof path),
                     VYRA_SUCCESS);
            QCOMPARE(sequencerControl(h, VYRA_SEQUENCER_SAVE_SET, nullptr, 0), VYRA_SUCCESS);
        }
        QCOMPARE(command(VYRA_SEQUENCER_CONFIGURATION_SET, 0), VYRA_SUCCESS);
        const VyraSim::OpenCameraState state = *Control::openCameraState(h);
        QVERIFY(!state.configurationMode);
        QCOMPARE(state.sequence.enabledFeatures, uint32_t(VYRA_FEATURE_EXPOSURE));
        QCOMPARE(state.sequence.sets[0].values.exposureMs, 5.0);
        QCOMPARE(state.sequence.sets[1].values.exposureMs, 20.0);
        QCOMPARE(state.sequence.sets[0].nextSet, 1);
        QCOMPARE(setExposure(h, 10.0), VYRA_SUCCESS);
        QCOMPARE(command(VYRA_SEQUENCER_MODE_SET, 1), VYRA_SUCCESS);

        const QPoint background(20, 1024 * 70 / 100);
        const int expectedSets[] = {0, 1, 0};
        const int expectedGrey[] = {48, 192, 48};
        for (int i = 0; i < 3; ++i) {
            VyraFrameDescriptor descriptor{};
            const QImage image = camera.snap(&descriptor);
            QCOMPARE(int(descriptor.sequencerSet), expectedSets[i]);
            QCOMPARE(rgb(image, background.x(), background.y())[0], expectedGrey[i]);
            const std::string text =
                "FRAME " + std::to_string(i + 1) + " SET " + std::to_string(expectedSets[i]);
            const int width = VyraSim::FrameStamp::width(text, 2);
            const int height = VyraSim::FrameStamp::height(2);
            QImage stamp(width, height, QImage::Format_RGB888);
            VyraSim::FrameStamp::draw(stamp.bits(), stamp.bytesPerLine(), width, height, 0, 0, text,
                                      2, {255, 255, 255}, {0, 0, 0});
            QCOMPARE(image.copy(0, 0, width, height), stamp);
        }

        // With the sequence stopped the live values are back.
        QCOMPARE(command(VYRA_SEQUENCER_MODE_SET, 0), VYRA_SUCCESS);
        VyraFrameDescriptor after{};
        QCOMPARE(rgb(camera.snap(&after), background.x(), background.y())[0], 96);
        QCOMPARE(int(after.sequencerSet), 0);
    }

    void sameParametersGiveTheSameImage()
    {
        QImage first;
        QImage second;
        {
            Camera camera;
            setAoi(camera.handle, {100, 60, 800, 600});
            camera.reallocate();
            first = camera.snap();
        }
        {
            Camera camera;
            setAoi(camera.handle, {100, 60, 800, 600});
            camera.reallocate();
            second = camera.snap();
        }
        QCOMPARE(first, second);

        // The renderer on its own gives the same picture for the same frame.
        const VyraSim::SceneRenderer renderer(1280, 1024);
        VyraSim::SceneRenderer::Frame frame;
        frame.x = 100;
        frame.y = 60;
        frame.width = 800;
        frame.height = 600;
        frame.frameNumber = 1;
        frame.stamp = "FRAME 1 SET -";
        QImage direct(800, 600, QImage::Format_RGB888);
        renderer.render(frame, direct.bits(), direct.bytesPerLine());
        QCOMPARE(direct, first);
    }

    // Every byte is scaled alike, whichever path (vector body, table tail)
    // a column goes through: 648 pixels leave a tail after 16-pixel steps.
    void scalingIsTheSameOnEveryColumn()
    {
        const VyraSim::SceneRenderer renderer(1280, 1024);
        VyraSim::SceneRenderer::Frame frame;
        frame.x = 4;
        frame.width = 648;
        frame.height = 1024;
        frame.frameNumber = 9;
        QImage plain(frame.width, frame.height, QImage::Format_RGB888);
        renderer.render(frame, plain.bits(), plain.bytesPerLine());
        frame.channelFactors = {1.7, 0.45, 3.0};
        QImage scaled(frame.width, frame.height, QImage::Format_RGB888);
        renderer.render(frame, scaled.bits(), scaled.bytesPerLine());
        const int factors[3] = {int(1.7 * 256 + 0.5), int(0.45 * 256 + 0.5), 3 * 256};
        for (int y = 0; y < frame.height; ++y) {
            const uchar *in = plain.constScanLine(y);
            const uchar *out = scaled.constScanLine(y);
            for (int i = 0; i < frame.width * 3; ++i) {
                const int expected = std::min(255, in[i] * factors[i % 3] >> 8);
                if (out[i] != expected)
                    QFAIL(qPrintable(QString("line %1, byte %2: %3 instead of %4")
                                         .arg(y)
                                         .arg(i)
                                         .arg(out[i])
                                         .arg(expected)));
            }
        }
    }

    void discMovesWithTheFrameNumberOnly()
    {
        const VyraSim::SceneRenderer renderer(1280, 1024);
        QCOMPARE(renderer.disc(7).centreX, renderer.disc(7).centreX);
        QVERIFY(renderer.disc(8).centreX > renderer.disc(7).centreX);
        Camera camera;
        const QImage one = camera.snap();
        const QImage two = camera.snap();
        // Outside the disc's band (and the stamp) two frames are identical.
        const QRect band(0, 1024 * 42 / 100 - 80, 1280, 160);
        for (int y = stampRows; y < 1024; y += 7) {
            if (!band.contains(0, y))
                QCOMPARE(one.copy(0, y, 1280, 1), two.copy(0, y, 1280, 1));
        }
        QVERIFY(one.copy(band) != two.copy(band));
    }

    void linesFollowTheBufferPitch()
    {
        Camera camera(smallCamera, 0);
        QCOMPARE(setAoi(camera.handle, {0, 0, 640, 480}), VYRA_SUCCESS);
        char *memory = nullptr;
        int32_t id = 0;
        // A buffer one pixel wider than the image: lines of 1923 bytes padded to 1924.
        QCOMPARE(allocateFrameBuffer(camera.handle, 641, 480, 24, &memory, &id), VYRA_SUCCESS);
        QCOMPARE(appendToBufferRing(camera.handle, memory, id), VYRA_SUCCESS);
        QCOMPARE(enableImageQueue(camera.handle, 0), VYRA_SUCCESS);
        QCOMPARE(captureSingleFrame(camera.handle), VYRA_SUCCESS);
        char *filled = nullptr;
        QCOMPARE(camera.wait(&filled, &id, 0), VYRA_SUCCESS);
        const VyraFrameDescriptor d = describe(camera.handle, id);
        QCOMPARE(d.linePitch, 1924);
        QCOMPARE(d.width, 640);
        QCOMPARE(d.bitsPerPixel, 24);
        const QImage image = camera.image(filled, id);
        QCOMPARE(rgb(image, whiteBarX, barY), (QVector<int>{191, 191, 191}));
        camera.unlock(filled, id);
        releaseFrameBuffer(camera.handle, memory, id);
    }
};

QTEST_GUILESS_MAIN(TestSimImages)
#include "tst_simimages.moc"
