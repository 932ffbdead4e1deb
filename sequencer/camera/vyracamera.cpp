#include "vyracamera.h"

#include <QScopeGuard>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "vyracameraexception.h"
#include "vyracapturethread.h"
#include "vyraframeconversion.h"
#include "vyrawindowseventthread.h"

namespace {

const char *const sourceFile = "sequencer/vyracamera";

constexpr int bufferCount = 32;
constexpr double startFramerate = 30.0;
// Caps the image wait for absurdly low or invalid frame rates.
constexpr double longestFramePeriodMs = 60000.0;
constexpr int maximumPixelClocks = 150;
constexpr int modeBitsMask = 0xFFFF;

struct Factor
{
    int horizontalBit;
    int verticalBit;
    const char *label;
};

// In the order a current mode is decoded: the first set bit wins.
const Factor factors[] = {
    {VYRA_FACTOR_2X_HORIZONTAL, VYRA_FACTOR_2X_VERTICAL, "2x"},
    {VYRA_FACTOR_3X_HORIZONTAL, VYRA_FACTOR_3X_VERTICAL, "3x"},
    {VYRA_FACTOR_4X_HORIZONTAL, VYRA_FACTOR_4X_VERTICAL, "4x"},
    {VYRA_FACTOR_5X_HORIZONTAL, VYRA_FACTOR_5X_VERTICAL, "5x"},
    {VYRA_FACTOR_6X_HORIZONTAL, VYRA_FACTOR_6X_VERTICAL, "6x"},
    {VYRA_FACTOR_8X_HORIZONTAL, VYRA_FACTOR_8X_VERTICAL, "8x"},
    {VYRA_FACTOR_16X_HORIZONTAL, VYRA_FACTOR_16X_VERTICAL, "16x"},
};

enum class Direction { Horizontal, Vertical };

int factorBit(const Factor &factor, Direction direction)
{
    return direction == Direction::Horizontal ? factor.horizontalBit : factor.verticalBit;
}

int currentFactor(int modeBits, Direction direction)
{
    for (const Factor &factor : factors) {
        if (modeBits & factorBit(factor, direction)) {
            return factorBit(factor, direction);
        }
    }
    return 0;
}

QMap<int, QString> supportedFactors(int modeBits, Direction direction)
{
    QMap<int, QString> labels{{0, QStringLiteral("1x")}};
    for (const Factor &factor : factors) {
        if (modeBits & factorBit(factor, direction)) {
            labels.insert(factorBit(factor, direction), QString::fromLatin1(factor.label));
        }
    }
    return labels;
}

using ControlCall = VyraStatus (*)(VyraHandle, uint32_t, void *, uint32_t);

// One checked *Control call that fills a value of type T (preset to initial).
template<typename T>
T readControl(ControlCall control, VyraHandle handle, uint32_t command, const char *method,
              int line, T initial = T{})
{
    T value = initial;
    checkDriverStatus(control(handle, command, &value, sizeof value), sourceFile, method, line);
    return value;
}

template<typename T>
void writeControl(ControlCall control, VyraHandle handle, uint32_t command, T value,
                  const char *method, int line)
{
    checkDriverStatus(control(handle, command, &value, sizeof value), sourceFile, method, line);
}

// A gain query answers the gain; anything outside the gain range is the
// status of a failed query.
int gainAnswer(int answer, const char *method, int line)
{
    if (answer < VYRA_GAIN_MIN || answer > VYRA_GAIN_MAX) {
        checkDriverStatus(answer, sourceFile, method, line);
    }
    return answer;
}

// A text field of a camera record, up to its NUL or its end.
template<size_t size> QString recordText(const char (&field)[size])
{
    return QString::fromUtf8(field, static_cast<int>(strnlen(field, size)));
}

double reciprocal(double value)
{
    return value != 0.0 ? 1.0 / value : 0.0;
}

} // namespace

VyraCamera::VyraCamera(int deviceId) : m_deviceId(deviceId)
{
    qRegisterMetaType<QSharedPointer<QImage>>("QSharedPointer<QImage>");
    m_handle = static_cast<VyraHandle>(deviceId) | VYRA_USE_DEVICE_ID;
    checkDriverStatus(openCamera(&m_handle, nullptr), sourceFile, "VyraCamera::VyraCamera",
                      __LINE__);
    try {
        configurate();

        m_removalThread.reset(new VyraWindowsEventThread(m_handle, VYRA_EVENT_CAMERA_REMOVED));
        m_removalThread->start();
        connect(m_removalThread.data(), &VyraEventThread::eventEmitted, this,
                &VyraCamera::cameraRemovedEvent);

        m_reconnectionThread.reset(
            new VyraWindowsEventThread(m_handle, VYRA_EVENT_CAMERA_RECONNECTED));
        m_reconnectionThread->start();
        connect(m_reconnectionThread.data(), &VyraEventThread::eventEmitted, this,
                &VyraCamera::cameraReconnectedEvent);

        m_captureThread.reset(new VyraCaptureThread(this));
        // Direct: the image is queued for the camera's thread on the capture
        // thread, without another copy or hop.
        connect(m_captureThread.data(), &VyraCaptureThread::newImageCaptured, this,
                &VyraCamera::imageCapturedEvent, Qt::DirectConnection);

    } catch (...) {
        // Without this the camera would stay open and be listed as in use.
        shutDown();
        throw;
    }
}

VyraCamera::~VyraCamera()
{
    shutDown();
}

void VyraCamera::shutDown() noexcept
{
    // Waiting (rather than terminating) lets the capture thread leave any
    // driver wait and conversion cleanly: it ends within one image wait.
    stopCapture();
    try {
        if (isLiveVideoEnabled()) {
            enableLiveVideo(false);
        }
    } catch (const VyraCameraException &) {
        // Closing the camera below stops capture as well.
    }
    for (auto entry = m_bufferMap.begin(); entry != m_bufferMap.end(); ++entry) {
        if (entry.value()) {
            releaseFrameBuffer(m_handle, entry.value(), entry.key());
            entry.value() = nullptr;
        }
    }
    {
        // Images the capture thread queued for the screen go with the camera.
        std::lock_guard<std::mutex> lock(m_capturedMutex);
        m_captured.clear();
    }
    // Both event threads stop in parallel: each may sit in a one-second wait.
    for (const auto &thread : {m_removalThread, m_reconnectionThread}) {
        if (thread) {
            thread->requestStop();
        }
    }
    for (const auto &thread : {m_removalThread, m_reconnectionThread}) {
        if (thread) {
            thread->wait();
            try {
                thread->disconnectEvent();
            } catch (const VyraCameraException &) {
                // The event object is released by the thread's destructor.
            }
        }
    }
    // A camera whose closing failed stays held by this process, and could
    // not be opened again; one more try often gets past a passing failure.
    if (closeCamera(m_handle) != VYRA_SUCCESS) {
        closeCamera(m_handle);
    }
}

void VyraCamera::configurate()
{
    setFramerate(startFramerate);
    if (m_bufferMap.isEmpty()) {
        m_bufferMap = allocImageBuffers();
    } else {
        // Configuring an already prepared camera must not leak or swap the
        // buffers under a running capture thread.
        reallocImageBuffers();
    }
    checkDriverStatus(selectPixelFormat(m_handle, VYRA_PIXEL_FORMAT_RGB8), sourceFile,
                      "VyraCamera::configurate", __LINE__);
}

VyraHandle VyraCamera::handle() const
{
    return m_handle;
}

int VyraCamera::deviceId() const
{
    return m_deviceId;
}

QString VyraCamera::getName() const
{
    return listedIdentity("VyraCamera::getName").name;
}

VyraCamera::Identity VyraCamera::identity() const
{
    return listedIdentity("VyraCamera::identity");
}

VyraCamera::Identity VyraCamera::listedIdentity(const char *method) const
{
    int32_t count = 0;
    checkDriverStatus(countCameras(&count), sourceFile, method, __LINE__);
    if (count <= 0) {
        return Identity();
    }
    // int32_t storage keeps the records' alignment.
    std::vector<int32_t> storage(VYRA_CAMERA_LIST_SIZE(count) / sizeof(int32_t));
    auto *list = reinterpret_cast<VyraCameraList *>(storage.data());
    list->count = count;
    checkDriverStatus(listCameras(list), sourceFile, method, __LINE__);
    const int listed = std::clamp(list->count, 0, count);
    const VyraCameraRecord *records = list->records;
    for (int index = 0; index < listed; ++index) {
        const VyraCameraRecord &record = records[index];
        if (record.deviceId == m_deviceId) {
            return Identity{recordText(record.cameraName), recordText(record.modelName),
                            recordText(record.serialNumber)};
        }
    }
    return Identity();
}

void VyraCamera::enableLiveVideo(bool enable)
{
    if (enable) {
        if (isLiveVideoEnabled()) {
            return;
        }
        checkDriverStatus(startLiveCapture(m_handle, VYRA_CAPTURE_START), sourceFile,
                          "VyraCamera::enableLiveVideo", __LINE__);
        startCapture();
    } else {
        if (!isLiveVideoEnabled()) {
            return;
        }
        // Asked to stop first, the capture thread ends with the wait that
        // stopping the capture cuts short, instead of waiting once more.
        if (m_captureThread)
            m_captureThread->requestStop();
        const VyraStatus status = stopLiveCapture(m_handle, VYRA_CAPTURE_FORCE_STOP);
        stopCapture();
        checkDriverStatus(status, sourceFile, "VyraCamera::enableLiveVideo", __LINE__);
    }
}

bool VyraCamera::isLiveVideoEnabled() const
{
    return startLiveCapture(m_handle, VYRA_CAPTURE_QUERY_LIVE) == 1;
}

void VyraCamera::setTriggerMode(int mode, bool restart)
{
    selectTriggerMode(mode, restart, false);
}

void VyraCamera::runSequenceFree()
{
    selectTriggerMode(VYRA_TRIGGER_OFF, true, true);
}

void VyraCamera::selectTriggerMode(int mode, bool restart, bool sequenceRunsFree)
{
    bool wasLive = false;
    if (restart && isLiveVideoEnabled()) {
        enableLiveVideo(false);
        wasLive = true;
    }
    // A refused mode must not cost the live image.
    auto resumeLive = qScopeGuard([&] { resumeLiveVideo(wasLive); });
    // Set while capture is paused: every image after it is labelled by it.
    m_sequenceRunsFree.store(sequenceRunsFree);
    checkDriverStatus(selectTriggerSource(m_handle, mode), sourceFile, "VyraCamera::setTriggerMode",
                      __LINE__);
    // Only what this call stopped is started again: a live query that
    // failed must not turn a running capture off.
    if (wasLive) {
        enableLiveVideo(true);
    }
    resumeLive.dismiss();
}

void VyraCamera::resumeLiveVideo(bool wasLive) noexcept
{
    if (!wasLive) {
        return;
    }
    try {
        enableLiveVideo(true);
    } catch (const VyraCameraException &) {
        // The failure that stopped the operation is the one reported.
    }
}

void VyraCamera::trigger()
{
    checkDriverStatus(captureSingleFrame(m_handle), sourceFile, "VyraCamera::trigger", __LINE__);
}

QSharedPointer<QImage> VyraCamera::waitForNextImage(int maximumWaitMs)
{
    try {
        char *memory = nullptr;
        int32_t id = 0;
        const int timeoutMs =
            maximumWaitMs >= 0 ? std::min(maximumWaitMs, imageWaitMs()) : imageWaitMs();
        checkDriverStatus(waitForQueuedImage(m_handle, timeoutMs, &memory, &id), sourceFile,
                          "VyraCamera::waitForNextImage", __LINE__);

        // The buffer is locked from here on and must go back to the ring
        // whatever happens, or the ring runs dry.
        const auto unlock = qScopeGuard([&] { unlockRingBuffer(m_handle, id, memory); });
        const char *bufferMemory = std::as_const(m_bufferMap).value(id, nullptr);
        if (!bufferMemory) {
            return {};
        }
        VyraFrameDescriptor frame{};
        checkDriverStatus(describeFrame(m_handle, id, &frame, sizeof frame), sourceFile,
                          "VyraCamera::waitForNextImage", __LINE__);
        if (frame.bitsPerPixel != VYRA_BITS_PER_PIXEL_RGB8) {
            return {};
        }
        // The frame's own size and pitch describe what is in this buffer, even
        // if the AOI was changed behind the camera's back since it was allocated.
        QSharedPointer<QImage> image =
            convertRgbFrame(bufferMemory, frame.width, frame.height, frame.linePitch);
        if (image) {
            frameInfo(frame, m_sequenceRunsFree.load()).attachTo(*image);
        }
        return image;
    } catch (const VyraCameraException &) {
        return {};
    }
}

int VyraCamera::imageWaitMs() const
{
    const double fps = m_framerate.load();
    const double periodMs =
        fps > 0.0 ? std::min(1000.0 / fps, longestFramePeriodMs) : longestFramePeriodMs;
    return static_cast<int>(periodMs) * 2;
}

VyraFrameInfo VyraCamera::frameInfo(const VyraFrameDescriptor &frame, bool sequenceRunsFree)
{
    VyraFrameInfo info;
    // The descriptor names set 0 for images taken outside a sequence too;
    // a running sequence is what takes images in the single-trigger mode,
    // and in the free-running mode while runSequenceFree() holds.
    if (frame.triggerSource == VYRA_TRIGGER_SINGLE ||
        (sequenceRunsFree && frame.triggerSource == VYRA_TRIGGER_OFF)) {
        info.set = frame.sequencerSet;
    }
    info.frameNumber = frame.frameNumber;
    info.timestampUs = frame.timestampUs;
    info.exposureMs = frame.exposureMs;
    return info;
}

QMap<int, char *> VyraCamera::allocImageBuffers()
{
    QMap<int, char *> buffers;
    auto releasePartial = qScopeGuard([&] {
        for (auto entry = buffers.cbegin(); entry != buffers.cend(); ++entry) {
            releaseFrameBuffer(m_handle, entry.value(), entry.key());
        }
    });
    const QRect area = aoi();
    for (int index = 0; index < bufferCount; ++index) {
        char *memory = nullptr;
        int32_t id = 0;
        checkDriverStatus(allocateFrameBuffer(m_handle, area.width(), area.height(),
                                              VYRA_BITS_PER_PIXEL_RGB8, &memory, &id),
                          sourceFile, "VyraCamera::allocImageBuffers", __LINE__);
        buffers.insert(id, memory);
        checkDriverStatus(appendToBufferRing(m_handle, memory, id), sourceFile,
                          "VyraCamera::allocImageBuffers", __LINE__);
        unlockRingBuffer(m_handle, id, memory);
    }
    checkDriverStatus(enableImageQueue(m_handle, VYRA_QUEUE_MODE_DEFAULT), sourceFile,
                      "VyraCamera::allocImageBuffers", __LINE__);
    releasePartial.dismiss();
    return buffers;
}

void VyraCamera::freeImageBuffers(QMap<int, char *> &bufferMap)
{
    for (auto entry = bufferMap.begin(); entry != bufferMap.end(); ++entry) {
        // Entries freed before keep a null memory; releasing them twice
        // would hand the driver a stale pointer.
        if (!entry.value()) {
            continue;
        }
        checkDriverStatus(releaseFrameBuffer(m_handle, entry.value(), entry.key()), sourceFile,
                          "VyraCamera::freeImageBuffers", __LINE__);
        entry.value() = nullptr;
    }
}

void VyraCamera::reallocImageBuffers()
{
    const bool wasLive = isLiveVideoEnabled();
    const bool captureWasRunning = m_captureThread && m_captureThread->isRunning();
    if (wasLive) {
        enableLiveVideo(false);
    } else if (captureWasRunning) {
        // The buffer map is replaced only while the capture thread is stopped.
        stopCapture();
    }
    // Whatever fails on the way, the camera is left with buffers of the
    // current size and capturing as it did, where the driver lets it.
    auto recover = qScopeGuard([&] {
        try {
            freeImageBuffers(m_bufferMap);
            m_bufferMap = allocImageBuffers();
        } catch (const VyraCameraException &) {
            // Without buffers there is nothing to capture into.
            return;
        }
        resumeLiveVideo(wasLive);
        if (!wasLive && captureWasRunning) {
            startCapture();
        }
    });
    checkDriverStatus(clearBufferRing(m_handle), sourceFile, "VyraCamera::reallocImageBuffers",
                      __LINE__);
    freeImageBuffers(m_bufferMap);
    m_bufferMap = allocImageBuffers();
    recover.dismiss();
    auto resumeLive = qScopeGuard([&] { resumeLiveVideo(wasLive); });
    if (wasLive && !isLiveVideoEnabled()) {
        checkDriverStatus(startLiveCapture(m_handle, VYRA_CAPTURE_START), sourceFile,
                          "VyraCamera::reallocImageBuffers", __LINE__);
        startCapture();
    } else if (captureWasRunning) {
        startCapture();
    }
    resumeLive.dismiss();
}

void VyraCamera::parameterSetSave(const QString &path)
{
    checkDriverStatus(parameterSetControl(m_handle, VYRA_PARAMETERSET_SAVE,
                                          const_cast<ushort *>(path.utf16()), 0),
                      sourceFile, "VyraCamera::parameterSetSave", __LINE__);
}

void VyraCamera::parameterSetLoad(const QString &path)
{
    parameterSetLoadInternal(path);
}

void VyraCamera::parameterSetLoadInternal(const QString &path)
{
    const bool wasLive = isLiveVideoEnabled();
    if (wasLive) {
        enableLiveVideo(false);
    }
    // A file the driver refuses changes nothing, and must not cost the live
    // image either.
    auto resumeLive = qScopeGuard([&] { resumeLiveVideo(wasLive); });
    void *parameter = path.isEmpty() ? nullptr : const_cast<ushort *>(path.utf16());
    checkDriverStatus(parameterSetControl(m_handle, VYRA_PARAMETERSET_LOAD, parameter, 0),
                      sourceFile, "VyraCamera::parameterSetLoadInternal", __LINE__);
    checkDriverStatus(selectPixelFormat(m_handle, VYRA_PIXEL_FORMAT_RGB8), sourceFile,
                      "VyraCamera::parameterSetLoadInternal", __LINE__);
    reallocImageBuffers();
    setTriggerMode(VYRA_TRIGGER_SOFTWARE, true);
    if (wasLive) {
        enableLiveVideo(true);
    }
    resumeLive.dismiss();
    // The file may have brought another image size and frame rate: the
    // editors' ranges and the image wait follow them.
    framerate();
    emit imageSizeChanged();
    emit framerateChanged();
}

double VyraCamera::exposure() const
{
    return readControl<double>(exposureControl, m_handle, VYRA_EXPOSURE_GET, "VyraCamera::exposure",
                               __LINE__);
}

double VyraCamera::exposureMinimum() const
{
    return readControl<double>(exposureControl, m_handle, VYRA_EXPOSURE_MINIMUM,
                               "VyraCamera::exposureMinimum", __LINE__);
}

double VyraCamera::exposureMaximum() const
{
    return readControl<double>(exposureControl, m_handle, VYRA_EXPOSURE_MAXIMUM,
                               "VyraCamera::exposureMaximum", __LINE__);
}

double VyraCamera::exposureIncrement() const
{
    return readControl<double>(exposureControl, m_handle, VYRA_EXPOSURE_INCREMENT,
                               "VyraCamera::exposureIncrement", __LINE__);
}

void VyraCamera::setExposure(double ms)
{
    writeControl<double>(exposureControl, m_handle, VYRA_EXPOSURE_SET, ms,
                         "VyraCamera::setExposure", __LINE__);
    emit exposureChanged();
}

bool VyraCamera::exposureLongEnabled() const
{
    return readControl<int32_t>(exposureControl, m_handle, VYRA_EXPOSURE_LONG_GET,
                                "VyraCamera::exposureLongEnabled", __LINE__) == 1;
}

void VyraCamera::setExposureLongEnabled(bool enabled)
{
    writeControl<int32_t>(exposureControl, m_handle, VYRA_EXPOSURE_LONG_SET, enabled ? 1 : 0,
                          "VyraCamera::setExposureLongEnabled", __LINE__);
}

bool VyraCamera::isMasterGainSupported() const
{
    VyraSensorProperties properties{};
    checkDriverStatus(querySensorProperties(m_handle, &properties), sourceFile,
                      "VyraCamera::isMasterGainSupported", __LINE__);
    return properties.masterGain == 1;
}

bool VyraCamera::isColorGainSupported() const
{
    VyraSensorProperties properties{};
    checkDriverStatus(querySensorProperties(m_handle, &properties), sourceFile,
                      "VyraCamera::isColorGainSupported", __LINE__);
    return properties.redGain == 1 && properties.greenGain == 1 && properties.blueGain == 1;
}

int VyraCamera::masterGain() const
{
    return gainAnswer(setSensorGains(m_handle, VYRA_GAIN_QUERY_MASTER, VYRA_GAIN_KEEP,
                                     VYRA_GAIN_KEEP, VYRA_GAIN_KEEP),
                      "VyraCamera::masterGain", __LINE__);
}

int VyraCamera::redGain() const
{
    return gainAnswer(setSensorGains(m_handle, VYRA_GAIN_QUERY_RED, VYRA_GAIN_KEEP,
                                     VYRA_GAIN_KEEP, VYRA_GAIN_KEEP),
                      "VyraCamera::redGain", __LINE__);
}

int VyraCamera::greenGain() const
{
    return gainAnswer(setSensorGains(m_handle, VYRA_GAIN_QUERY_GREEN, VYRA_GAIN_KEEP,
                                     VYRA_GAIN_KEEP, VYRA_GAIN_KEEP),
                      "VyraCamera::greenGain", __LINE__);
}

int VyraCamera::blueGain() const
{
    return gainAnswer(setSensorGains(m_handle, VYRA_GAIN_QUERY_BLUE, VYRA_GAIN_KEEP,
                                     VYRA_GAIN_KEEP, VYRA_GAIN_KEEP),
                      "VyraCamera::blueGain", __LINE__);
}

int VyraCamera::gainMinimum() const
{
    return VYRA_GAIN_MIN;
}

int VyraCamera::gainMaximum() const
{
    return VYRA_GAIN_MAX;
}

void VyraCamera::setGain(int master, int red, int green, int blue)
{
    checkDriverStatus(setSensorGains(m_handle, master, red, green, blue), sourceFile,
                      "VyraCamera::setGain", __LINE__);
    emit gainChanged();
}

QRect VyraCamera::aoi() const
{
    const auto area =
        readControl<VyraRect>(aoiControl, m_handle, VYRA_AOI_GET, "VyraCamera::aoi", __LINE__);
    return QRect(area.x, area.y, area.width, area.height);
}

void VyraCamera::setAoi(const QRect &aoi)
{
    {
        stopCapture();
        const auto resume = qScopeGuard([this] { startCapture(); });
        writeControl(aoiControl, m_handle, VYRA_AOI_SET,
                     VyraRect{aoi.x(), aoi.y(), aoi.width(), aoi.height()}, "VyraCamera::setAoi",
                     __LINE__);
        reallocImageBuffers();
    }
    emit imageSizeChanged();
}

QPoint VyraCamera::aoiOffset() const
{
    const auto offset = readControl<VyraPoint>(aoiControl, m_handle, VYRA_AOI_GET_OFFSET,
                                               "VyraCamera::aoiOffset", __LINE__);
    return QPoint(offset.x, offset.y);
}

void VyraCamera::setAoiOffset(const QPoint &offset)
{
    writeControl(aoiControl, m_handle, VYRA_AOI_SET_OFFSET, VyraPoint{offset.x(), offset.y()},
                 "VyraCamera::setAoiOffset", __LINE__);
}

QPoint VyraCamera::aoiOffsetMinimum() const
{
    const auto offset = readControl<VyraPoint>(aoiControl, m_handle, VYRA_AOI_OFFSET_MINIMUM,
                                               "VyraCamera::aoiOffsetMinimum", __LINE__);
    return QPoint(offset.x, offset.y);
}

QPoint VyraCamera::aoiOffsetMaximum() const
{
    const auto offset = readControl<VyraPoint>(aoiControl, m_handle, VYRA_AOI_OFFSET_MAXIMUM,
                                               "VyraCamera::aoiOffsetMaximum", __LINE__);
    return QPoint(offset.x, offset.y);
}

QSize VyraCamera::aoiSizeMinimum() const
{
    const auto size = readControl<VyraSize>(aoiControl, m_handle, VYRA_AOI_SIZE_MINIMUM,
                                            "VyraCamera::aoiSizeMinimum", __LINE__);
    return QSize(size.width, size.height);
}

QSize VyraCamera::aoiSizeMaximum() const
{
    const auto size = readControl<VyraSize>(aoiControl, m_handle, VYRA_AOI_SIZE_MAXIMUM,
                                            "VyraCamera::aoiSizeMaximum", __LINE__);
    return QSize(size.width, size.height);
}

QSize VyraCamera::aoiPosIncrement() const
{
    const auto size = readControl<VyraSize>(aoiControl, m_handle, VYRA_AOI_POSITION_INCREMENT,
                                            "VyraCamera::aoiPosIncrement", __LINE__);
    return QSize(size.width, size.height);
}

QSize VyraCamera::aoiSizeIncrement() const
{
    const auto size = readControl<VyraSize>(aoiControl, m_handle, VYRA_AOI_SIZE_INCREMENT,
                                            "VyraCamera::aoiSizeIncrement", __LINE__);
    return QSize(size.width, size.height);
}

int VyraCamera::pixelClock() const
{
    return static_cast<int>(readControl<uint32_t>(pixelClockControl, m_handle, VYRA_PIXELCLOCK_GET,
                                                  "VyraCamera::pixelClock", __LINE__));
}

QList<int> VyraCamera::pixelClockGetList() const
{
    const auto count = readControl<uint32_t>(pixelClockControl, m_handle, VYRA_PIXELCLOCK_COUNT,
                                             "VyraCamera::pixelClockGetList", __LINE__);
    QList<int> clocks;
    if (count == 0) {
        return clocks;
    }
    std::vector<uint32_t> list(std::min<uint32_t>(count, maximumPixelClocks));
    checkDriverStatus(pixelClockControl(m_handle, VYRA_PIXELCLOCK_LIST, list.data(),
                                        static_cast<uint32_t>(list.size() * sizeof(uint32_t))),
                      sourceFile, "VyraCamera::pixelClockGetList", __LINE__);
    for (uint32_t clock : list) {
        clocks.append(static_cast<int>(clock));
    }
    return clocks;
}

VyraCamera::PixelClockRange VyraCamera::pixelClockRange() const
{
    uint32_t range[3] = {};
    checkDriverStatus(pixelClockControl(m_handle, VYRA_PIXELCLOCK_RANGE, range, sizeof range),
                      sourceFile, "VyraCamera::pixelClockRange", __LINE__);
    return PixelClockRange{static_cast<int>(range[0]), static_cast<int>(range[1]),
                           static_cast<int>(range[2])};
}

void VyraCamera::setPixelClock(int mhz)
{
    writeControl<uint32_t>(pixelClockControl, m_handle, VYRA_PIXELCLOCK_SET,
                           static_cast<uint32_t>(mhz), "VyraCamera::setPixelClock", __LINE__);
    emit pixelclockChanged();
}

double VyraCamera::framerate()
{
    double fps = 0.0;
    checkDriverStatus(currentFrameRate(m_handle, &fps), sourceFile, "VyraCamera::framerate",
                      __LINE__);
    m_framerate.store(fps);
    return fps;
}

double VyraCamera::setFramerate(double fps)
{
    double fpsSet = 0.0;
    checkDriverStatus(requestFrameRate(m_handle, fps, &fpsSet), sourceFile,
                      "VyraCamera::setFramerate", __LINE__);
    m_framerate.store(fpsSet);
    emit framerateChanged();
    emit newFramerate(fpsSet);
    return fpsSet;
}

VyraCamera::FramerateRange VyraCamera::framerateRange() const
{
    double minimumInterval = 0.0;
    double maximumInterval = 0.0;
    double intervalIncrement = 0.0;
    checkDriverStatus(
        frameIntervalRange(m_handle, &minimumInterval, &maximumInterval, &intervalIncrement),
        sourceFile, "VyraCamera::framerateRange", __LINE__);
    return FramerateRange{reciprocal(maximumInterval), reciprocal(minimumInterval),
                          reciprocal(intervalIncrement)};
}

double VyraCamera::highestFramerate(double exposureMs) const
{
    // The sensor reads an image out while it exposes the next, so a frame
    // lasts its readout (the driver's fastest rate at the current image size
    // and pixel clock) or its exposure, whichever is longer.
    const double fastest = framerateRange().maximum;
    return exposureMs > 0.0 ? std::min(fastest, 1000.0 / exposureMs) : fastest;
}

int VyraCamera::horizontalSubsampling() const
{
    return currentFactor(subsamplingMode(m_handle, VYRA_MODE_QUERY_CURRENT), Direction::Horizontal);
}

int VyraCamera::verticalSubsampling() const
{
    return currentFactor(subsamplingMode(m_handle, VYRA_MODE_QUERY_CURRENT), Direction::Vertical);
}

QMap<int, QString> VyraCamera::horizontalSubsamplingModes() const
{
    return supportedFactors(subsamplingMode(m_handle, VYRA_MODE_QUERY_SUPPORTED),
                            Direction::Horizontal);
}

QMap<int, QString> VyraCamera::verticalSubsamplingModes() const
{
    return supportedFactors(subsamplingMode(m_handle, VYRA_MODE_QUERY_SUPPORTED),
                            Direction::Vertical);
}

void VyraCamera::setHorizontalSubsampling(int bit)
{
    setFactorMode(subsamplingMode, bit, VYRA_FACTOR_ALL_VERTICAL,
                  "VyraCamera::setHorizontalSubsampling", __LINE__);
}

void VyraCamera::setVerticalSubsampling(int bit)
{
    setFactorMode(subsamplingMode, bit, VYRA_FACTOR_ALL_HORIZONTAL,
                  "VyraCamera::setVerticalSubsampling", __LINE__);
}

int VyraCamera::horizontalBinning() const
{
    return currentFactor(binningMode(m_handle, VYRA_MODE_QUERY_CURRENT), Direction::Horizontal);
}

int VyraCamera::verticalBinning() const
{
    return currentFactor(binningMode(m_handle, VYRA_MODE_QUERY_CURRENT), Direction::Vertical);
}

QMap<int, QString> VyraCamera::horizontalBinningModes() const
{
    return supportedFactors(binningMode(m_handle, VYRA_MODE_QUERY_SUPPORTED),
                            Direction::Horizontal);
}

QMap<int, QString> VyraCamera::verticalBinningModes() const
{
    return supportedFactors(binningMode(m_handle, VYRA_MODE_QUERY_SUPPORTED), Direction::Vertical);
}

void VyraCamera::setHorizontalBinning(int bit)
{
    setFactorMode(binningMode, bit, VYRA_FACTOR_ALL_VERTICAL, "VyraCamera::setHorizontalBinning",
                  __LINE__);
}

void VyraCamera::setVerticalBinning(int bit)
{
    setFactorMode(binningMode, bit, VYRA_FACTOR_ALL_HORIZONTAL, "VyraCamera::setVerticalBinning",
                  __LINE__);
}

void VyraCamera::setFactorMode(VyraStatus (*modeCall)(VyraHandle, int32_t), int bit, int keptBits,
                               const char *method, int line)
{
    stopCapture();
    const auto resume = qScopeGuard([this] { startCapture(); });
    const int current = modeCall(m_handle, VYRA_MODE_QUERY_CURRENT) & modeBitsMask;
    checkDriverStatus(modeCall(m_handle, bit | (current & keptBits)), sourceFile, method, line);
    emit imageSizeChanged();
    reallocImageBuffers();
}

void VyraCamera::setImageFormat(int formatId)
{
    {
        stopCapture();
        const auto resume = qScopeGuard([this] { startCapture(); });
        writeControl<int32_t>(imageFormatControl, m_handle, VYRA_IMAGE_FORMAT_SET, formatId,
                              "VyraCamera::setImageFormat", __LINE__);
        reallocImageBuffers();
    }
    emit imageSizeChanged();
}

int VyraCamera::flashMode() const
{
    return readControl<int32_t>(flashControl, m_handle, VYRA_FLASH_MODE_GET,
                                "VyraCamera::flashMode", __LINE__, 0);
}

void VyraCamera::setFlashMode(int mode)
{
    writeControl<int32_t>(flashControl, m_handle, VYRA_FLASH_MODE_SET, mode,
                          "VyraCamera::setFlashMode", __LINE__);
}

int VyraCamera::flashDelay() const
{
    return readControl<VyraFlashParams>(flashControl, m_handle, VYRA_FLASH_PARAMS_GET,
                                        "VyraCamera::flashDelay", __LINE__)
        .delayUs;
}

int VyraCamera::flashDuration() const
{
    return static_cast<int>(readControl<VyraFlashParams>(flashControl, m_handle,
                                                         VYRA_FLASH_PARAMS_GET,
                                                         "VyraCamera::flashDuration", __LINE__)
                                .durationUs);
}

int VyraCamera::flashDelayMin() const
{
    return readControl<VyraFlashParams>(flashControl, m_handle, VYRA_FLASH_PARAMS_MINIMUM,
                                        "VyraCamera::flashDelayMin", __LINE__)
        .delayUs;
}

int VyraCamera::flashDurationMin() const
{
    return static_cast<int>(readControl<VyraFlashParams>(flashControl, m_handle,
                                                         VYRA_FLASH_PARAMS_MINIMUM,
                                                         "VyraCamera::flashDurationMin", __LINE__)
                                .durationUs);
}

int VyraCamera::flashDelayMax() const
{
    return readControl<VyraFlashParams>(flashControl, m_handle, VYRA_FLASH_PARAMS_MAXIMUM,
                                        "VyraCamera::flashDelayMax", __LINE__)
        .delayUs;
}

int VyraCamera::flashDurationMax() const
{
    return static_cast<int>(readControl<VyraFlashParams>(flashControl, m_handle,
                                                         VYRA_FLASH_PARAMS_MAXIMUM,
                                                         "VyraCamera::flashDurationMax", __LINE__)
                                .durationUs);
}

int VyraCamera::flashDelayInc() const
{
    return readControl<VyraFlashParams>(flashControl, m_handle, VYRA_FLASH_PARAMS_INCREMENT,
                                        "VyraCamera::flashDelayInc", __LINE__)
        .delayUs;
}

int VyraCamera::flashDurationInc() const
{
    return static_cast<int>(readControl<VyraFlashParams>(flashControl, m_handle,
                                                         VYRA_FLASH_PARAMS_INCREMENT,
                                                         "VyraCamera::flashDurationInc", __LINE__)
                                .durationUs);
}

void VyraCamera::setFlashDelay(int us)
{
    auto params = readControl<VyraFlashParams>(flashControl, m_handle, VYRA_FLASH_PARAMS_GET,
                                               "VyraCamera::setFlashDelay", __LINE__);
    params.delayUs = us;
    writeControl(flashControl, m_handle, VYRA_FLASH_PARAMS_SET, params, "VyraCamera::setFlashDelay",
                 __LINE__);
}

void VyraCamera::setFlashDuration(int us)
{
    auto params = readControl<VyraFlashParams>(flashControl, m_handle, VYRA_FLASH_PARAMS_GET,
                                               "VyraCamera::setFlashDuration", __LINE__);
    params.durationUs = static_cast<uint32_t>(us);
    writeControl(flashControl, m_handle, VYRA_FLASH_PARAMS_SET, params,
                 "VyraCamera::setFlashDuration", __LINE__);
}

bool VyraCamera::isSequencerSupported() const
{
    return readControl<int32_t>(sequencerControl, m_handle, VYRA_SEQUENCER_SUPPORTED,
                                "VyraCamera::isSequencerSupported", __LINE__) == 1;
}

bool VyraCamera::isSequencerEnabled() const
{
    return readControl<int32_t>(sequencerControl, m_handle, VYRA_SEQUENCER_MODE_GET,
                                "VyraCamera::isSequencerEnabled", __LINE__) == 1;
}

VyraPathRecord VyraCamera::activePath() const
{
    return readControl<VyraPathRecord>(sequencerControl, m_handle, VYRA_SEQUENCER_PATH_GET,
                                       "VyraCamera::activePath", __LINE__, VyraPathRecord{});
}

void VyraCamera::setActivePath(int pathIndex, int nextSet, int triggerSource)
{
    writeControl(sequencerControl, m_handle, VYRA_SEQUENCER_PATH_SET,
                 VyraPathRecord{pathIndex, nextSet, triggerSource, 0}, "VyraCamera::setActivePath",
                 __LINE__);
}

bool VyraCamera::isMemoryModeEnabled() const
{
    return readControl<int32_t>(deviceOptionControl, m_handle, VYRA_DEVICE_MEMORY_MODE,
                                "VyraCamera::isMemoryModeEnabled", __LINE__, 0) == 1;
}

void VyraCamera::startCapture()
{
    // Starting a running thread does nothing.
    if (m_captureThread && !m_captureThread->isRunning()) {
        ++m_captureStream;
        m_capturing.store(true);
        m_captureThread->start();
    }
}

void VyraCamera::stopCapture()
{
    m_capturing.store(false);
    if (m_captureThread) {
        m_captureThread->requestStop();
        m_captureThread->wait();
    }
}

void VyraCamera::cameraRemovedEvent()
{
    emit cameraRemoved();
}

void VyraCamera::cameraReconnectedEvent()
{
    emit cameraReconnected();
}

ImageFanOut &VyraCamera::images()
{
    return m_images;
}

quint64 VyraCamera::captureStream() const
{
    return m_captureStream.load();
}

void VyraCamera::imageCapturedEvent(QSharedPointer<QImage> image)
{
    // Each image is tagged with the capture it came from: when capture stops
    // (Live off, a trigger mode change) the images that a loaded camera
    // thread has not got to yet are never shown after it.
    bool first = false;
    {
        std::lock_guard<std::mutex> lock(m_capturedMutex);
        first = m_captured.isEmpty();
        m_captured.append({std::move(image), m_captureStream.load()});
    }
    // One call emits all images queued before it runs. Named, so that
    // nothing but the receiver crosses in Qt's event.
    if (first)
        QMetaObject::invokeMethod(this, "emitCapturedImages", Qt::QueuedConnection);
}

void VyraCamera::emitCapturedImages()
{
    QList<CapturedImage> captured;
    {
        std::lock_guard<std::mutex> lock(m_capturedMutex);
        captured.swap(m_captured);
    }
    for (const CapturedImage &entry : qAsConst(captured)) {
        if (!m_capturing.load() || m_captureStream.load() != entry.stream)
            continue;
        // Only for images that go on, and right before them: a receiver of
        // both never sees the set of an image it does not get.
        emit activeSetChanged(VyraFrameInfo::of(*entry.image).set);
        emit imageCaptured(entry.image);
    }
}
