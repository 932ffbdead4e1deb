// The sensor model through the driver: ranges and how they depend on each
// other, rejected and adjusted values, commands a model lacks, bad input.

#include <cmath>
#include <random>

#include "simdrivertest.h"

using namespace SimTest;
using VyraSim::Control;

namespace {

VyraSize sizeAnswer(VyraHandle handle, uint32_t command)
{
    VyraSize size{-1, -1};
    aoiControl(handle, command, &size, sizeof size);
    return size;
}

VyraPoint pointAnswer(VyraHandle handle, uint32_t command)
{
    VyraPoint point{-1, -1};
    aoiControl(handle, command, &point, sizeof point);
    return point;
}

VyraFlashParams flashAnswer(VyraHandle handle, uint32_t command)
{
    VyraFlashParams params{-1, 0};
    flashControl(handle, command, &params, sizeof params);
    return params;
}

VyraStatus setFlash(VyraHandle handle, int32_t delay, uint32_t duration)
{
    VyraFlashParams params{delay, duration};
    return flashControl(handle, VYRA_FLASH_PARAMS_SET, &params, sizeof params);
}

bool operator==(const VyraRect &a, const VyraRect &b)
{
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

} // namespace

class TestSimSensor : public QObject
{
    Q_OBJECT

private:
    VyraHandle handle = 0;

    /// Every value of the camera inside its current range.
    bool consistent(VyraHandle h, QString *why)
    {
        const VyraRect aoi = aoiOf(h);
        const VyraSize maximum = sizeAnswer(h, VYRA_AOI_SIZE_MAXIMUM);
        const VyraPoint maximumOffset = pointAnswer(h, VYRA_AOI_OFFSET_MAXIMUM);
        double fps = 0;
        currentFrameRate(h, &fps);
        const double exposure = exposureValue(h);
        int32_t longExposure = 0;
        exposureControl(h, VYRA_EXPOSURE_LONG_GET, &longExposure, 4);
        const VyraFlashParams flash = flashAnswer(h, VYRA_FLASH_PARAMS_GET);
        const VyraFlashParams flashMaximum = flashAnswer(h, VYRA_FLASH_PARAMS_MAXIMUM);
        const struct
        {
            bool holds;
            const char *what;
        } checks[] = {
            {aoi.width <= maximum.width && aoi.height <= maximum.height, "AOI size"},
            {aoi.width % 8 == 0 && aoi.height % 2 == 0, "AOI size increment"},
            {aoi.x <= maximumOffset.x && aoi.y <= maximumOffset.y, "AOI offset"},
            {aoi.x >= 0 && aoi.y >= 0 && aoi.x % 4 == 0 && aoi.y % 2 == 0, "offset increment"},
            {fps <= maximumFrameRate(h) + 1e-6 || longExposure == 1, "frame rate"},
            {exposure <= exposureValue(h, VYRA_EXPOSURE_MAXIMUM) + 1e-9, "exposure maximum"},
            {exposure >= exposureValue(h, VYRA_EXPOSURE_MINIMUM) - 1e-9, "exposure minimum"},
            {flash.delayUs <= flashMaximum.delayUs, "flash delay"},
            {flash.durationUs <= flashMaximum.durationUs, "flash duration"},
        };
        for (const auto &check : checks) {
            if (!check.holds) {
                *why = check.what;
                return false;
            }
        }
        return true;
    }

private slots:
    void init()
    {
        Control::resetToDefaults();
        handle = openDevice(smallCamera);
        QVERIFY(handle != 0);
    }
    void cleanup() { closeCamera(handle); }

    void pixelClockListAndRange()
    {
        uint32_t count = 0;
        QCOMPARE(pixelClockControl(handle, VYRA_PIXELCLOCK_COUNT, &count, 4), VYRA_SUCCESS);
        QCOMPARE(count, 82u);
        std::vector<uint32_t> clocks(count);
        QCOMPARE(pixelClockControl(handle, VYRA_PIXELCLOCK_LIST, clocks.data(), count * 4),
                 VYRA_SUCCESS);
        QCOMPARE(clocks.front(), 5u);
        QCOMPARE(clocks.back(), 86u);
        uint32_t range[3] = {};
        QCOMPARE(pixelClockControl(handle, VYRA_PIXELCLOCK_RANGE, range, 12), VYRA_SUCCESS);
        QCOMPARE(range[0], 5u);
        QCOMPARE(range[1], 86u);
        QCOMPARE(range[2], 1u);
        QCOMPARE(pixelClockControl(handle, VYRA_PIXELCLOCK_LIST, clocks.data(), 8),
                 VYRA_INVALID_PARAMETER);

        // The large camera has a discrete, uneven list: no common step.
        const VyraHandle large = openDevice(largeCamera);
        QCOMPARE(pixelClockControl(large, VYRA_PIXELCLOCK_RANGE, range, 12), VYRA_SUCCESS);
        QCOMPARE(range[0], 24u);
        QCOMPARE(range[1], 118u);
        QCOMPARE(range[2], 0u);
        QCOMPARE(setPixelClock(large, 50), VYRA_INVALID_PARAMETER);
        QCOMPARE(setPixelClock(large, 57), VYRA_SUCCESS);
        closeCamera(large);
    }

    void pixelClockBoundsFrameRateBoundsExposure()
    {
        QCOMPARE(frameRateSet(handle, 30.0), 30.0);
        QCOMPARE(setExposure(handle, 33.0), VYRA_SUCCESS);
        const double fastMaximum = maximumFrameRate(handle);
        QVERIFY(fastMaximum > 30.0);

        // A slow clock lowers the frame rate limit; the rate, and with it
        // the exposure, are pulled down to what the clock allows.
        QCOMPARE(setPixelClock(handle, 20), VYRA_SUCCESS);
        const double slowMaximum = maximumFrameRate(handle);
        QVERIFY(slowMaximum < 30.0);
        QVERIFY(slowMaximum < fastMaximum);
        double fps = 0;
        currentFrameRate(handle, &fps);
        QCOMPARE(fps, slowMaximum);

        QCOMPARE(frameRateSet(handle, 5.0), 5.0);
        QCOMPARE(exposureValue(handle, VYRA_EXPOSURE_MAXIMUM), 200.0);
        QCOMPARE(setExposure(handle, 150.0), VYRA_SUCCESS);
        QCOMPARE(frameRateSet(handle, 10.0), 10.0);
        QCOMPARE(exposureValue(handle, VYRA_EXPOSURE_MAXIMUM), 100.0);
        QCOMPARE(exposureValue(handle), 100.0);
        QCOMPARE(setExposure(handle, 100.5), VYRA_INVALID_PARAMETER);
        QCOMPARE(exposureValue(handle), 100.0);
    }

    void requestFrameRateAnswersTheRateItSet()
    {
        const double maximum = maximumFrameRate(handle);
        QCOMPARE(frameRateSet(handle, 1000.0), maximum);
        QCOMPARE(frameRateSet(handle, 0.01), 0.5);
        double minimum = 0, maximumInterval = 0, increment = 0;
        QCOMPARE(frameIntervalRange(handle, &minimum, &maximumInterval, &increment), VYRA_SUCCESS);
        QCOMPARE(maximumInterval, 2.0);
        QVERIFY(increment > 0.0);
        double set = 7.0;
        QCOMPARE(requestFrameRate(handle, 0.0, &set), VYRA_INVALID_PARAMETER);
        QCOMPARE(requestFrameRate(handle, std::nan(""), &set), VYRA_INVALID_PARAMETER);
        QCOMPARE(set, 7.0);
        QCOMPARE(requestFrameRate(handle, 10.0, nullptr), VYRA_INVALID_MEMORY_POINTER);
    }

    void longExposureLiftsTheLimitAndSlowsTheSensor()
    {
        frameRateSet(handle, 10.0);
        QCOMPARE(setExposure(handle, 2000.0), VYRA_INVALID_PARAMETER);
        int32_t on = 1;
        QCOMPARE(exposureControl(handle, VYRA_EXPOSURE_LONG_SET, &on, 4), VYRA_SUCCESS);
        QCOMPARE(exposureValue(handle, VYRA_EXPOSURE_MAXIMUM), 10000.0);
        QCOMPARE(setExposure(handle, 2000.0), VYRA_SUCCESS);
        double fps = 0;
        currentFrameRate(handle, &fps);
        QCOMPARE(fps, 0.5);

        on = 0;
        QCOMPARE(exposureControl(handle, VYRA_EXPOSURE_LONG_SET, &on, 4), VYRA_SUCCESS);
        QCOMPARE(exposureValue(handle), 100.0);
        on = 2;
        QCOMPARE(exposureControl(handle, VYRA_EXPOSURE_LONG_SET, &on, 4), VYRA_INVALID_PARAMETER);
    }

    void exposureSnapsToItsIncrement()
    {
        QCOMPARE(exposureValue(handle, VYRA_EXPOSURE_INCREMENT), 0.01);
        QCOMPARE(setExposure(handle, 12.3449), VYRA_SUCCESS);
        QCOMPARE(exposureValue(handle), std::round(12.3449 * 100) * 0.01);
        QCOMPARE(setExposure(handle, 0.001), VYRA_INVALID_PARAMETER);
        QCOMPARE(setExposure(handle, std::numeric_limits<double>::infinity()),
                 VYRA_INVALID_PARAMETER);
    }

    void aoiIncrementsAndOffsetBounds()
    {
        QCOMPARE(sizeAnswer(handle, VYRA_AOI_SIZE_MINIMUM).width, 32);
        QCOMPARE(sizeAnswer(handle, VYRA_AOI_SIZE_INCREMENT).width, 8);
        QCOMPARE(sizeAnswer(handle, VYRA_AOI_SIZE_INCREMENT).height, 2);
        QCOMPARE(sizeAnswer(handle, VYRA_AOI_POSITION_INCREMENT).width, 4);
        QCOMPARE(sizeAnswer(handle, VYRA_AOI_SIZE_MAXIMUM).width, 1280);
        QCOMPARE(pointAnswer(handle, VYRA_AOI_OFFSET_MAXIMUM).x, 0);

        QCOMPARE(setAoi(handle, {0, 0, 1000, 800}), VYRA_SUCCESS);
        QCOMPARE(pointAnswer(handle, VYRA_AOI_OFFSET_MAXIMUM).x, 280);
        QCOMPARE(pointAnswer(handle, VYRA_AOI_OFFSET_MAXIMUM).y, 224);

        const VyraRect before = aoiOf(handle);
        for (const VyraRect bad :
             {VyraRect{0, 0, 1001, 800}, VyraRect{2, 0, 1000, 800}, VyraRect{284, 0, 1000, 800},
              VyraRect{0, 0, 24, 800}, VyraRect{-4, 0, 1000, 800}, VyraRect{0, 0, 1288, 800}}) {
            QCOMPARE(setAoi(handle, bad), VYRA_INVALID_PARAMETER);
            QVERIFY(aoiOf(handle) == before);
        }
        VyraPoint offset{280, 224};
        QCOMPARE(aoiControl(handle, VYRA_AOI_SET_OFFSET, &offset, 8), VYRA_SUCCESS);
        QCOMPARE(pointAnswer(handle, VYRA_AOI_GET_OFFSET).x, 280);
        offset = {284, 224};
        QCOMPARE(aoiControl(handle, VYRA_AOI_SET_OFFSET, &offset, 8), VYRA_INVALID_PARAMETER);
        QCOMPARE(aoiOf(handle).x, 280);
    }

    void aoiSizeFollowsTheCamerasIncrement()
    {
        VyraSim::CameraSpec coarse;
        coarse.deviceId = 7;
        coarse.sensorWidth = 1288;
        coarse.sensorHeight = 1030;
        coarse.aoiWidthIncrement = 16;
        coarse.aoiHeightIncrement = 4;
        QVERIFY(Control::setCameras({coarse}));
        const VyraHandle coarseHandle = openDevice(7);
        QVERIFY(coarseHandle != 0);
        QCOMPARE(sizeAnswer(coarseHandle, VYRA_AOI_SIZE_INCREMENT).width, 16);
        QCOMPARE(sizeAnswer(coarseHandle, VYRA_AOI_SIZE_INCREMENT).height, 4);
        // The largest size is a whole number of steps, and so is the AOI at opening.
        QCOMPARE(sizeAnswer(coarseHandle, VYRA_AOI_SIZE_MAXIMUM).width, 1280);
        QCOMPARE(sizeAnswer(coarseHandle, VYRA_AOI_SIZE_MAXIMUM).height, 1028);
        QCOMPARE(aoiOf(coarseHandle).width, 1280);

        QCOMPARE(setAoi(coarseHandle, {0, 0, 1000, 800}), VYRA_INVALID_PARAMETER);
        QCOMPARE(setAoi(coarseHandle, {0, 0, 992, 802}), VYRA_INVALID_PARAMETER);
        QCOMPARE(setAoi(coarseHandle, {0, 0, 992, 800}), VYRA_SUCCESS);
        // Binning keeps the AOI on whole steps.
        QCOMPARE(binningMode(coarseHandle, VYRA_FACTOR_2X_HORIZONTAL | VYRA_FACTOR_2X_VERTICAL),
                 VYRA_SUCCESS);
        QCOMPARE(aoiOf(coarseHandle).width, 496);
        QCOMPARE(aoiOf(coarseHandle).height, 400);
        QCOMPARE(closeCamera(coarseHandle), VYRA_SUCCESS);
    }

    void smallerAoiRunsFaster()
    {
        const double full = maximumFrameRate(handle);
        QCOMPARE(setAoi(handle, {0, 0, 640, 480}), VYRA_SUCCESS);
        QVERIFY(maximumFrameRate(handle) > full * 1.5);
        QCOMPARE(binningMode(handle, VYRA_FACTOR_2X_HORIZONTAL | VYRA_FACTOR_2X_VERTICAL),
                 VYRA_SUCCESS);
        QVERIFY(maximumFrameRate(handle) > full * 3);
    }

    void binningAndSubsamplingShrinkTheAoi()
    {
        QCOMPARE(binningMode(handle, VYRA_MODE_QUERY_SUPPORTED),
                 VYRA_FACTOR_2X_HORIZONTAL | VYRA_FACTOR_2X_VERTICAL);
        QCOMPARE(setAoi(handle, {320, 256, 640, 512}), VYRA_SUCCESS);
        QCOMPARE(binningMode(handle, VYRA_FACTOR_2X_HORIZONTAL | VYRA_FACTOR_2X_VERTICAL),
                 VYRA_SUCCESS);
        // The AOI keeps covering the same part of the sensor.
        QVERIFY((aoiOf(handle) == VyraRect{160, 128, 320, 256}));
        QCOMPARE(sizeAnswer(handle, VYRA_AOI_SIZE_MAXIMUM).width, 640);
        QCOMPARE(sizeAnswer(handle, VYRA_AOI_SIZE_MAXIMUM).height, 512);
        QCOMPARE(binningMode(handle, VYRA_MODE_QUERY_CURRENT),
                 VYRA_FACTOR_2X_HORIZONTAL | VYRA_FACTOR_2X_VERTICAL);

        // Subsampling on top: the factors multiply.
        QCOMPARE(subsamplingMode(handle, VYRA_FACTOR_2X_HORIZONTAL), VYRA_SUCCESS);
        QCOMPARE(sizeAnswer(handle, VYRA_AOI_SIZE_MAXIMUM).width, 320);
        QCOMPARE(sizeAnswer(handle, VYRA_AOI_SIZE_MAXIMUM).height, 512);
        QCOMPARE(aoiOf(handle).width, 160);

        QCOMPARE(binningMode(handle, 0), VYRA_SUCCESS);
        QCOMPARE(subsamplingMode(handle, 0), VYRA_SUCCESS);
        QVERIFY((aoiOf(handle) == VyraRect{320, 256, 640, 512}));
    }

    void unsupportedAndMalformedFactors()
    {
        const int32_t before = binningMode(handle, VYRA_MODE_QUERY_CURRENT);
        QCOMPARE(binningMode(handle, VYRA_FACTOR_4X_HORIZONTAL), VYRA_NOT_SUPPORTED);
        QCOMPARE(subsamplingMode(handle, VYRA_FACTOR_2X_HORIZONTAL | VYRA_FACTOR_4X_HORIZONTAL),
                 VYRA_INVALID_PARAMETER);
        QCOMPARE(binningMode(handle, 0x4000), VYRA_INVALID_PARAMETER);
        QCOMPARE(binningMode(handle, VYRA_MODE_QUERY_CURRENT), before);
    }

    void imageFormatsListAndApply()
    {
        uint32_t count = 0;
        QCOMPARE(imageFormatControl(handle, VYRA_IMAGE_FORMAT_COUNT, &count, 4), VYRA_SUCCESS);
        QCOMPARE(count, 6u);
        std::vector<char> buffer(VYRA_IMAGE_FORMAT_LIST_SIZE(count));
        auto *list = reinterpret_cast<VyraImageFormatList *>(buffer.data());
        list->entrySize = sizeof(VyraImageFormatEntry);
        list->count = count;
        QCOMPARE(imageFormatControl(handle, VYRA_IMAGE_FORMAT_LIST, list, uint32_t(buffer.size())),
                 VYRA_SUCCESS);
        QCOMPARE(list->count, 6u);
        QCOMPARE(QString(list->entries[0].caption), QString("1280x1024 SXGA"));
        QCOMPARE(list->entries[4].formatId, 5);
        QCOMPARE(list->entries[4].width, 640);

        list->entrySize = 100;
        QCOMPARE(imageFormatControl(handle, VYRA_IMAGE_FORMAT_LIST, list, uint32_t(buffer.size())),
                 VYRA_INVALID_PARAMETER);
        list->entrySize = sizeof(VyraImageFormatEntry);
        list->count = 2;
        QCOMPARE(imageFormatControl(handle, VYRA_IMAGE_FORMAT_LIST, list, uint32_t(buffer.size())),
                 VYRA_INVALID_PARAMETER);
        QCOMPARE(imageFormatControl(handle, VYRA_IMAGE_FORMAT_LIST, list,
                                    VYRA_IMAGE_FORMAT_LIST_SIZE(2)),
                 VYRA_SUCCESS);
        QCOMPARE(list->count, 2u);

        int32_t format = 5;
        QCOMPARE(imageFormatControl(handle, VYRA_IMAGE_FORMAT_SET, &format, 4), VYRA_SUCCESS);
        QVERIFY((aoiOf(handle) == VyraRect{0, 0, 640, 512}));
        QCOMPARE(binningMode(handle, VYRA_MODE_QUERY_CURRENT),
                 VYRA_FACTOR_2X_HORIZONTAL | VYRA_FACTOR_2X_VERTICAL);
        format = 0; // "Custom" is no format of the camera
        QCOMPARE(imageFormatControl(handle, VYRA_IMAGE_FORMAT_SET, &format, 4),
                 VYRA_INVALID_PARAMETER);
        QVERIFY((aoiOf(handle) == VyraRect{0, 0, 640, 512}));
    }

    void gainsQueriesAndLimits()
    {
        QCOMPARE(setSensorGains(handle, 10, 20, 30, 40), VYRA_SUCCESS);
        QCOMPARE(setSensorGains(handle, VYRA_GAIN_QUERY_MASTER, -1, -1, -1), 10);
        QCOMPARE(setSensorGains(handle, VYRA_GAIN_QUERY_RED, -1, -1, -1), 20);
        QCOMPARE(setSensorGains(handle, VYRA_GAIN_QUERY_GREEN, -1, -1, -1), 30);
        QCOMPARE(setSensorGains(handle, VYRA_GAIN_QUERY_BLUE, -1, -1, -1), 40);
        QCOMPARE(setSensorGains(handle, VYRA_GAIN_KEEP, 0, VYRA_GAIN_KEEP, VYRA_GAIN_KEEP),
                 VYRA_SUCCESS);
        QCOMPARE(setSensorGains(handle, VYRA_GAIN_QUERY_MASTER, -1, -1, -1), 10);
        QCOMPARE(setSensorGains(handle, VYRA_GAIN_QUERY_RED, -1, -1, -1), 0);
        // All or nothing: one bad gain changes none.
        QCOMPARE(setSensorGains(handle, 50, 50, 101, 50), VYRA_INVALID_PARAMETER);
        QCOMPARE(setSensorGains(handle, VYRA_GAIN_QUERY_MASTER, -1, -1, -1), 10);
        QCOMPARE(setSensorGains(handle, -2, 0, 0, 0), VYRA_INVALID_PARAMETER);

        VyraSensorProperties properties{};
        QCOMPARE(querySensorProperties(handle, &properties), VYRA_SUCCESS);
        QCOMPARE(properties.maxWidth, 1280);
        QCOMPARE(properties.masterGain, 1);
        QCOMPARE(properties.redGain + properties.greenGain + properties.blueGain, 3);
        QCOMPARE(QString(properties.sensorName), QString("VS1240C"));
        QCOMPARE(querySensorProperties(handle, nullptr), VYRA_INVALID_MEMORY_POINTER);
    }

    void flashRangesFollowTheFrameRate()
    {
        frameRateSet(handle, 20.0);
        QCOMPARE(flashAnswer(handle, VYRA_FLASH_PARAMS_MINIMUM).delayUs, 0);
        QCOMPARE(flashAnswer(handle, VYRA_FLASH_PARAMS_MAXIMUM).delayUs, 50000);
        QCOMPARE(flashAnswer(handle, VYRA_FLASH_PARAMS_MAXIMUM).durationUs, 50000u);
        QCOMPARE(flashAnswer(handle, VYRA_FLASH_PARAMS_INCREMENT).durationUs, 1u);
        QCOMPARE(setFlash(handle, 40000, 45000), VYRA_SUCCESS);
        QCOMPARE(flashAnswer(handle, VYRA_FLASH_PARAMS_GET).delayUs, 40000);
        QCOMPARE(setFlash(handle, 50001, 100), VYRA_INVALID_PARAMETER);
        QCOMPARE(setFlash(handle, -1, 100), VYRA_INVALID_PARAMETER);
        QCOMPARE(flashAnswer(handle, VYRA_FLASH_PARAMS_GET).durationUs, 45000u);

        // A faster frame rate shortens the period: the timing is pulled in.
        frameRateSet(handle, 40.0);
        QCOMPARE(flashAnswer(handle, VYRA_FLASH_PARAMS_GET).delayUs, 25000);
        QCOMPARE(flashAnswer(handle, VYRA_FLASH_PARAMS_GET).durationUs, 25000u);

        int32_t mode = VYRA_FLASH_MODE_HIGH_ACTIVE;
        QCOMPARE(flashControl(handle, VYRA_FLASH_MODE_SET, &mode, 4), VYRA_SUCCESS);
        mode = -1;
        QCOMPARE(flashControl(handle, VYRA_FLASH_MODE_GET, &mode, 4), VYRA_SUCCESS);
        QCOMPARE(mode, VYRA_FLASH_MODE_HIGH_ACTIVE);
        mode = 5;
        QCOMPARE(flashControl(handle, VYRA_FLASH_MODE_SET, &mode, 4), VYRA_INVALID_PARAMETER);
    }

    void commandsTheModelLacksAnswer155()
    {
        std::vector<VyraSim::CameraSpec> cameras = VyraSim::defaultCameras();
        VyraSim::CameraSpec &bare = cameras[0];
        bare.masterGain = false;
        bare.flash = false;
        bare.longExposure = false;
        bare.sequencerSupported = false;
        bare.memoryMode = false;
        bare.binningModes = 0;
        bare.imageFormats.clear(); // one of them bins
        QVERIFY(Control::setCameras(cameras));
        const VyraHandle h = openDevice(smallCamera);
        QVERIFY(h != 0);

        int32_t word = 1;
        VyraFlashParams params{};
        QCOMPARE(flashControl(h, VYRA_FLASH_PARAMS_GET, &params, 8), VYRA_NOT_SUPPORTED);
        QCOMPARE(flashControl(h, VYRA_FLASH_MODE_SET, &word, 4), VYRA_NOT_SUPPORTED);
        QCOMPARE(exposureControl(h, VYRA_EXPOSURE_LONG_SET, &word, 4), VYRA_NOT_SUPPORTED);
        QCOMPARE(sequencerControl(h, VYRA_SEQUENCER_MODE_GET, &word, 4), VYRA_NOT_SUPPORTED);
        QCOMPARE(binningMode(h, VYRA_FACTOR_2X_HORIZONTAL), VYRA_NOT_SUPPORTED);
        QCOMPARE(setSensorGains(h, 50, -1, -1, -1), VYRA_NOT_SUPPORTED);
        QCOMPARE(setSensorGains(h, 0, 30, -1, -1), VYRA_SUCCESS);
        // The queries still answer: not supported, memory mode off.
        QCOMPARE(sequencerControl(h, VYRA_SEQUENCER_SUPPORTED, &word, 4), VYRA_SUCCESS);
        QCOMPARE(word, 0);
        word = 1;
        QCOMPARE(deviceOptionControl(h, VYRA_DEVICE_MEMORY_MODE, &word, 4), VYRA_SUCCESS);
        QCOMPARE(word, 0);
        VyraSensorProperties properties{};
        querySensorProperties(h, &properties);
        QCOMPARE(properties.masterGain, 0);
        closeCamera(h);
    }

    void badBuffersAndCommands()
    {
        int32_t word = 0;
        double value = 0;
        VyraRect rect{};
        QCOMPARE(aoiControl(handle, 99, &rect, 16), VYRA_INVALID_PARAMETER);
        QCOMPARE(aoiControl(handle, VYRA_AOI_GET, &rect, 8), VYRA_INVALID_PARAMETER);
        QCOMPARE(aoiControl(handle, VYRA_AOI_GET, nullptr, 16), VYRA_INVALID_MEMORY_POINTER);
        QCOMPARE(exposureControl(handle, 99, &value, 8), VYRA_INVALID_PARAMETER);
        QCOMPARE(exposureControl(handle, VYRA_EXPOSURE_SET, &value, 4), VYRA_INVALID_PARAMETER);
        QCOMPARE(flashControl(handle, 13, &word, 4), VYRA_INVALID_PARAMETER);
        QCOMPARE(pixelClockControl(handle, 4, &word, 4), VYRA_INVALID_PARAMETER);
        QCOMPARE(imageFormatControl(handle, 9, &word, 4), VYRA_INVALID_PARAMETER);
        QCOMPARE(deviceOptionControl(handle, 91, &word, 4), VYRA_INVALID_PARAMETER);
        QCOMPARE(deviceOptionControl(handle, VYRA_DEVICE_MEMORY_MODE, &word, 4), VYRA_SUCCESS);
        QCOMPARE(word, 1);
        QCOMPARE(selectPixelFormat(handle, 6), VYRA_INVALID_COLOR_FORMAT);
        QCOMPARE(selectPixelFormat(handle, VYRA_PIXEL_FORMAT_RGB8), VYRA_SUCCESS);
        QCOMPARE(selectTriggerSource(handle, 0x1234), VYRA_INVALID_PARAMETER);
        QCOMPARE(sequencerControl(handle, VYRA_SEQUENCER_SUPPORTED, &word, 4), VYRA_SUCCESS);
        QCOMPARE(word, 1);
        QCOMPARE(sequencerControl(handle, VYRA_SEQUENCER_MODE_GET, nullptr, 4),
                 VYRA_INVALID_MEMORY_POINTER);
        QCOMPARE(startLiveCapture(handle, 7), VYRA_INVALID_PARAMETER);
        QCOMPARE(currentFrameRate(handle, nullptr), VYRA_INVALID_MEMORY_POINTER);
        QCOMPARE(frameIntervalRange(handle, &value, nullptr, &value), VYRA_INVALID_MEMORY_POINTER);
    }

    // Whatever sequence of changes the application makes, every value stays
    // inside the range the camera answers for it.
    void valuesStayInTheirRangesUnderRandomChanges()
    {
        std::mt19937 random(20261208);
        const auto pick = [&](int low, int high) {
            return std::uniform_int_distribution<int>(low, high)(random);
        };
        int32_t on = 0;
        for (int step = 0; step < 2000; ++step) {
            switch (pick(0, 8)) {
            case 0:
                setPixelClock(handle, uint32_t(pick(3, 90)));
                break;
            case 1:
                frameRateSet(handle, pick(1, 2000) / 10.0);
                break;
            case 2:
                setExposure(handle, pick(1, 300000) / 100.0);
                break;
            case 3:
                setAoi(handle,
                       {pick(0, 80) * 4, pick(0, 100) * 2, pick(4, 160) * 8, pick(8, 512) * 2});
                break;
            case 4: {
                VyraPoint offset{pick(0, 80) * 4, pick(0, 100) * 2};
                aoiControl(handle, VYRA_AOI_SET_OFFSET, &offset, 8);
                break;
            }
            case 5:
                binningMode(handle, pick(0, 1) * VYRA_FACTOR_2X_HORIZONTAL |
                                        pick(0, 1) * VYRA_FACTOR_2X_VERTICAL);
                break;
            case 6:
                subsamplingMode(handle, pick(0, 1) * VYRA_FACTOR_4X_HORIZONTAL |
                                            pick(0, 1) * VYRA_FACTOR_2X_VERTICAL);
                break;
            case 7:
                on = pick(0, 1);
                exposureControl(handle, VYRA_EXPOSURE_LONG_SET, &on, 4);
                break;
            default:
                setFlash(handle, pick(0, 200000), uint32_t(pick(0, 200000)));
                break;
            }
            QString why;
            QVERIFY2(consistent(handle, &why),
                     qPrintable(QString("step %1: %2").arg(step).arg(why)));
        }
    }
};

QTEST_GUILESS_MAIN(TestSimSensor)
#include "tst_simsensor.moc"
