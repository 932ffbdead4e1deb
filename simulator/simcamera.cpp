#include "simcamera.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "commandbuffer.h"
#include "framestamp.h"
#include "hosttime.h"
#include "parameterset.h"
#include "sensorlimits.h"

namespace VyraSim {

namespace {

// Software triggers that arrive faster than the sensor can take images wait
// their turn, up to this many; a real sensor would ignore the surplus.
constexpr int maximumPendingTriggers = 64;

bool validTriggerMode(int32_t code)
{
    return code == VYRA_TRIGGER_OFF || code == VYRA_TRIGGER_SINGLE || code == VYRA_TRIGGER_SOFTWARE;
}

} // namespace

SimCamera::SimCamera(const CameraSpec &description)
    : spec_(description), model_(description), inUseElsewhere_(description.inUseElsewhere)
{
}

SimCamera::~SimCamera()
{
    close(handle());
}

bool SimCamera::plugged() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return plugged_;
}

bool SimCamera::inUse() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return open_ || inUseElsewhere_;
}

VyraHandle SimCamera::handle() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return open_ ? handle_ : 0;
}

CameraState SimCamera::state() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    CameraState state;
    state.description = spec_;
    state.description.inUseElsewhere = inUseElsewhere_;
    state.plugged = plugged_;
    state.openedHere = open_;
    state.handle = open_ ? handle_ : 0;
    return state;
}

VyraCameraRecord SimCamera::record() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    VyraCameraRecord record{};
    record.cameraId = spec_.cameraId;
    record.deviceId = spec_.deviceId;
    record.sensorId = spec_.sensorId;
    record.inUse = open_ || inUseElsewhere_ ? 1 : 0;
    copyText(record.serialNumber, sizeof record.serialNumber, spec_.serialNumber);
    copyText(record.modelName, sizeof record.modelName, spec_.model);
    copyText(record.cameraName, sizeof record.cameraName, spec_.cameraName);
    record.status = 0;
    return record;
}

void SimCamera::setPlugged(bool plugged)
{
    std::lock_guard<std::mutex> lock(mutex_);
    plugged_ = plugged;
    changed();
}

void SimCamera::setInUseElsewhere(bool inUse)
{
    std::lock_guard<std::mutex> lock(mutex_);
    inUseElsewhere_ = inUse;
}

VyraStatus SimCamera::open(VyraHandle handle)
{
    Lock lock(mutex_);
    if (open_ || inUseElsewhere_)
        return VYRA_ALL_DEVICES_BUSY;
    if (!plugged_)
        return VYRA_INVALID_DEVICE_ID;
    open_ = true;
    handle_ = handle;
    ++openGeneration_;
    openedAt_ = Clock::now();
    settings_ = model_.powerOn();
    triggerMode_ = VYRA_TRIGGER_OFF;
    pixelFormat_ = VYRA_PIXEL_FORMAT_RGB8;
    queueMode_ = false;
    live_ = false;
    pendingTriggers_ = 0;
    framesTaken_ = framesDelivered_ = framesDropped_ = 0;
    droppedSinceLive_ = 0;
    ring_ = FrameRing();
    sequencer_ = std::make_unique<SimSequencer>(spec_.sequencerSets, spec_.triggerSourceMask,
                                                settings_.values);
    stopProducer_ = false;
    producer_ = std::thread(&SimCamera::producerLoop, this);
    return VYRA_SUCCESS;
}

void SimCamera::close(VyraHandle handle)
{
    std::thread producer;
    {
        Lock lock(mutex_);
        if (!open_ || handle_ != handle)
            return;
        open_ = false;
        handle_ = 0;
        ++openGeneration_;
        live_ = false;
        ++liveGeneration_;
        stopProducer_ = true;
        producer = std::move(producer_);
        changed();
    }
    if (producer.joinable())
        producer.join();
    Lock lock(mutex_);
    // Images that other threads are still rendering into buffers of this
    // session must be finished before the buffers go.
    wake_.wait(lock, [this] { return fillsInProgress_ == 0; });
    ring_ = FrameRing();
    sequencer_.reset();
}

std::optional<OpenCameraState> SimCamera::openState(VyraHandle handle) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_ || handle_ != handle)
        return std::nullopt;
    OpenCameraState state;
    state.deviceId = spec_.deviceId;
    state.plugged = plugged_;
    state.live = live_;
    state.triggerMode = triggerMode_;
    state.pixelFormat = pixelFormat_;
    state.queueEnabled = queueMode_;
    state.values = settings_.values;
    state.aoi = {settings_.values.offsetX, settings_.values.offsetY, settings_.width,
                 settings_.height};
    state.binning = settings_.binning;
    state.subsampling = settings_.subsampling;
    state.pixelClockMHz = settings_.pixelClockMHz;
    state.frameRate = model_.effectiveFrameRate(settings_);
    state.longExposure = settings_.longExposure;
    state.sequencerMode = sequencer_->sequencerModeOn();
    state.configurationMode = sequencer_->configurationModeOn();
    state.selectedSet = sequencer_->selectedSet();
    state.currentSet = sequencer_->currentSet();
    state.sequence = sequencer_->configuration();
    state.framesTaken = framesTaken_;
    state.framesDelivered = framesDelivered_;
    state.framesDropped = framesDropped_;
    state.buffersAllocated = ring_.allocatedCount();
    state.buffersInRing = ring_.ringCount();
    state.buffersQueued = ring_.queuedCount();
    state.buffersLocked = ring_.lockedCount();
    return state;
}

std::optional<SceneRadiance> SimCamera::sceneRadiance(VyraHandle handle, VyraPoint offset,
                                                      uint64_t frameNumber)
{
    SceneRenderer::Frame frame;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!open_ || handle_ != handle)
            return std::nullopt;
        const VyraPoint maximum = model_.maximumOffset(settings_);
        if (offset.x < 0 || offset.y < 0 || offset.x > maximum.x || offset.y > maximum.y)
            return std::nullopt;
        frame.width = settings_.width;
        frame.height = settings_.height;
        frame.binningH = SensorModel::factor(settings_.binning, true);
        frame.binningV = SensorModel::factor(settings_.binning, false);
        frame.subsamplingH = SensorModel::factor(settings_.subsampling, true);
        frame.subsamplingV = SensorModel::factor(settings_.subsampling, false);
    }
    frame.x = offset.x;
    frame.y = offset.y;
    frame.frameNumber = frameNumber;
    // At the reference exposure without gain an image is the scene's bytes
    // themselves: rendered so, without the stamp, they are the light exactly.
    const int pitch = frame.width * 3;
    std::vector<uint8_t> scene(size_t(pitch) * size_t(frame.height));
    renderer()->render(frame, scene.data(), pitch);

    SceneRadiance radiance;
    radiance.width = frame.width;
    radiance.height = frame.height;
    radiance.stampRows = FrameStamp::height(FrameStamp::cornerScale(frame.width));
    radiance.rgb.resize(scene.size());
    const float perMs = float(1.0 / SensorModel::referenceExposureMs());
    std::transform(scene.begin(), scene.end(), radiance.rgb.begin(),
                   [perMs](uint8_t value) { return float(value) * perMs; });
    return radiance;
}

VyraStatus SimCamera::admit(VyraHandle handle, bool whileUnplugged) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return admitLocked(handle, whileUnplugged);
}

VyraStatus SimCamera::admitLocked(VyraHandle handle, bool whileUnplugged) const
{
    if (!open_ || handle_ != handle)
        return VYRA_INVALID_HANDLE;
    if (!plugged_ && !whileUnplugged)
        return unpluggedStatus;
    return VYRA_SUCCESS;
}

// ---- Capture ----

VyraStatus SimCamera::startLiveCapture(VyraHandle handle, int32_t mode)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    if (mode == VYRA_CAPTURE_QUERY_LIVE)
        return live_ ? 1 : 0;
    if (mode != VYRA_CAPTURE_START)
        return VYRA_INVALID_PARAMETER;
    if (ring_.empty())
        return VYRA_NO_ACTIVE_IMAGE_MEMORY;
    if (live_)
        return VYRA_SUCCESS;
    live_ = true;
    ++liveGeneration_;
    droppedSinceLive_ = 0;
    pendingTriggers_ = 0;
    changed();
    return VYRA_SUCCESS;
}

VyraStatus SimCamera::stopLiveCapture(VyraHandle handle, int32_t mode)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    if (mode != VYRA_CAPTURE_START && mode != VYRA_CAPTURE_FORCE_STOP)
        return VYRA_INVALID_PARAMETER;
    if (!live_)
        return VYRA_SUCCESS;
    live_ = false;
    pendingTriggers_ = 0;
    if (mode != VYRA_CAPTURE_FORCE_STOP) {
        // An orderly stop lets the image being taken reach its buffer.
        const uint64_t generation = openGeneration_;
        wake_.wait(lock, [&] { return fillsInProgress_ == 0 || openGeneration_ != generation; });
    }
    ++liveGeneration_;
    // Waits for an image end with the capture they were waiting on.
    ++liveStops_;
    changed();
    return VYRA_SUCCESS;
}

VyraStatus SimCamera::captureSingleFrame(VyraHandle handle)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    if (ring_.empty())
        return VYRA_NO_ACTIVE_IMAGE_MEMORY;
    if (!live_) {
        // Not live: the sensor takes one image now, and the call returns once
        // it is in its buffer.
        takeImage(lock, false, Clock::now());
        return VYRA_SUCCESS;
    }
    if (triggerMode_ == VYRA_TRIGGER_OFF)
        return VYRA_TRIGGER_NOT_ACTIVATED;
    pendingTriggers_ = std::min(pendingTriggers_ + 1, maximumPendingTriggers);
    changed();
    return VYRA_SUCCESS;
}

VyraStatus SimCamera::selectTriggerSource(VyraHandle handle, int32_t code)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    if (!validTriggerMode(code))
        return VYRA_INVALID_PARAMETER;
    triggerMode_ = code;
    pendingTriggers_ = 0;
    // Images taken in the mode before, whether still on the sensor or queued
    // for the application, are not handed out: after a switch to single
    // triggers, say, only the images of the new triggers arrive, however far
    // the application had fallen behind.
    ++liveGeneration_;
    ring_.discardQueued();
    changed();
    return VYRA_SUCCESS;
}

VyraStatus SimCamera::selectPixelFormat(VyraHandle handle, int32_t format)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    if (format != VYRA_PIXEL_FORMAT_RGB8)
        return VYRA_INVALID_COLOR_FORMAT;
    pixelFormat_ = format;
    return VYRA_SUCCESS;
}

// ---- Buffers ----

VyraStatus SimCamera::allocateFrameBuffer(VyraHandle handle, int32_t width, int32_t height,
                                          int32_t bitsPerPixel, char **memory, int32_t *id)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    return ring_.allocate(width, height, bitsPerPixel, memory, id);
}

VyraStatus SimCamera::releaseFrameBuffer(VyraHandle handle, char *memory, int32_t id)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, true))
        return status;
    // A buffer the sensor is writing to is freed once the image is in.
    wake_.wait(lock, [&] { return !ring_.filling(id) || !open_ || handle_ != handle; });
    if (VyraStatus status = admitLocked(handle, true))
        return status;
    const VyraStatus status = ring_.release(memory, id);
    changed();
    return status;
}

VyraStatus SimCamera::appendToBufferRing(VyraHandle handle, char *memory, int32_t id)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    return ring_.append(memory, id);
}

VyraStatus SimCamera::clearBufferRing(VyraHandle handle)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, true))
        return status;
    if (live_)
        return VYRA_CAPTURE_RUNNING;
    ring_.clear();
    changed();
    return VYRA_SUCCESS;
}

VyraStatus SimCamera::unlockRingBuffer(VyraHandle handle, int32_t id, char *memory)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, true))
        return status;
    return ring_.unlock(id, memory);
}

VyraStatus SimCamera::enableImageQueue(VyraHandle handle, int32_t mode)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    if (mode != VYRA_QUEUE_MODE_DEFAULT)
        return VYRA_INVALID_PARAMETER;
    queueMode_ = true;
    return VYRA_SUCCESS;
}

VyraStatus SimCamera::waitForQueuedImage(VyraHandle handle, int32_t timeoutMs, char **memory,
                                         int32_t *id)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    if (memory == nullptr || id == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    if (timeoutMs < 0)
        return VYRA_INVALID_PARAMETER;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const uint64_t generation = openGeneration_;
    const uint64_t liveStops = liveStops_;
    for (;;) {
        if (openGeneration_ != generation)
            return VYRA_INVALID_HANDLE;
        if (VyraStatus status = admitLocked(handle, false))
            return status;
        if (!queueMode_)
            return VYRA_INVALID_CAPTURE_MODE;
        if (ring_.empty())
            return VYRA_NO_ACTIVE_IMAGE_MEMORY;
        if (FrameRing::Buffer *buffer = ring_.takeQueued()) {
            *memory = buffer->memory.get();
            *id = buffer->id;
            return VYRA_SUCCESS;
        }
        if (liveStops_ != liveStops)
            return VYRA_IMAGE_NOT_PRESENT;
        if (Clock::now() >= deadline)
            return VYRA_TIMED_OUT;
        wake_.wait_until(lock, deadline);
    }
}

VyraStatus SimCamera::describeFrame(VyraHandle handle, int32_t id, void *record, uint32_t size)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    VyraFrameDescriptor descriptor{};
    if (record == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    if (size != sizeof descriptor)
        return VYRA_INVALID_PARAMETER;
    if (VyraStatus status = ring_.describe(id, &descriptor))
        return status;
    std::memcpy(record, &descriptor, sizeof descriptor);
    return VYRA_SUCCESS;
}

// ---- Sensor ----

VyraStatus SimCamera::querySensorProperties(VyraHandle handle, VyraSensorProperties *properties)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    if (properties == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    VyraSensorProperties p{};
    copyText(p.sensorName, sizeof p.sensorName, spec_.sensorName);
    p.colorMode = 1;
    p.maxWidth = spec_.sensorWidth;
    p.maxHeight = spec_.sensorHeight;
    p.masterGain = spec_.masterGain ? 1 : 0;
    p.redGain = p.greenGain = p.blueGain = spec_.colourGains ? 1 : 0;
    p.globalShutter = spec_.globalShutter ? 1 : 0;
    p.pixelSize = spec_.pixelSize;
    *properties = p;
    return VYRA_SUCCESS;
}

VyraStatus SimCamera::setSensorGains(VyraHandle handle, int32_t master, int32_t red, int32_t green,
                                     int32_t blue)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    const SequencerValues &v = settings_.values;
    switch (master) {
    case VYRA_GAIN_QUERY_MASTER:
        return v.masterGain;
    case VYRA_GAIN_QUERY_RED:
        return v.redGain;
    case VYRA_GAIN_QUERY_GREEN:
        return v.greenGain;
    case VYRA_GAIN_QUERY_BLUE:
        return v.blueGain;
    default:
        return model_.setGains(settings_, master, red, green, blue);
    }
}

VyraStatus SimCamera::requestFrameRate(VyraHandle handle, double fps, double *fpsSet)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    if (fpsSet == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    if (VyraStatus status = model_.setFrameRate(settings_, fps))
        return status;
    *fpsSet = settings_.frameRate;
    changed();
    return VYRA_SUCCESS;
}

VyraStatus SimCamera::currentFrameRate(VyraHandle handle, double *fps)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    if (fps == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    *fps = model_.effectiveFrameRate(settings_);
    return VYRA_SUCCESS;
}

VyraStatus SimCamera::frameIntervalRange(VyraHandle handle, double *minimum, double *maximum,
                                         double *increment)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    if (minimum == nullptr || maximum == nullptr || increment == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    *minimum = 1.0 / model_.maximumFrameRate(settings_);
    *maximum = 1.0 / SensorModel::minimumFrameRate();
    *increment = SensorModel::frameIntervalIncrement();
    return VYRA_SUCCESS;
}

VyraStatus SimCamera::modeBits(VyraHandle handle, int32_t mode, bool binning)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    if (mode == VYRA_MODE_QUERY_CURRENT)
        return binning ? settings_.binning : settings_.subsampling;
    if (mode == VYRA_MODE_QUERY_SUPPORTED)
        return binning ? spec_.binningModes : spec_.subsamplingModes;
    const VyraStatus status =
        binning ? model_.setBinning(settings_, mode) : model_.setSubsampling(settings_, mode);
    changed();
    return status;
}

VyraStatus SimCamera::subsamplingMode(VyraHandle handle, int32_t mode)
{
    return modeBits(handle, mode, false);
}

VyraStatus SimCamera::binningMode(VyraHandle handle, int32_t mode)
{
    return modeBits(handle, mode, true);
}

VyraStatus SimCamera::aoiControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    const SequencerValues &v = settings_.values;
    switch (command) {
    case VYRA_AOI_SET: {
        VyraRect aoi{};
        if (VyraStatus status = readIn(buffer, size, &aoi))
            return status;
        const VyraStatus status = model_.setAoi(settings_, aoi);
        changed();
        return status;
    }
    case VYRA_AOI_GET:
        return writeOut(buffer, size,
                        VyraRect{v.offsetX, v.offsetY, settings_.width, settings_.height});
    case VYRA_AOI_SET_OFFSET: {
        VyraPoint offset{};
        if (VyraStatus status = readIn(buffer, size, &offset))
            return status;
        return model_.setOffset(settings_, offset.x, offset.y);
    }
    case VYRA_AOI_GET_OFFSET:
        return writeOut(buffer, size, VyraPoint{v.offsetX, v.offsetY});
    case VYRA_AOI_OFFSET_MINIMUM:
        return writeOut(buffer, size, VyraPoint{0, 0});
    case VYRA_AOI_SIZE_MINIMUM:
        return writeOut(buffer, size, SensorModel::minimumSize());
    case VYRA_AOI_OFFSET_MAXIMUM:
        return writeOut(buffer, size, model_.maximumOffset(settings_));
    case VYRA_AOI_SIZE_MAXIMUM:
        return writeOut(buffer, size, model_.maximumSize(settings_));
    case VYRA_AOI_POSITION_INCREMENT:
        return writeOut(buffer, size, SensorModel::positionIncrement());
    case VYRA_AOI_SIZE_INCREMENT:
        return writeOut(buffer, size, model_.sizeIncrement());
    default:
        return VYRA_INVALID_PARAMETER;
    }
}

VyraStatus SimCamera::exposureControl(VyraHandle handle, uint32_t command, void *buffer,
                                      uint32_t size)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    switch (command) {
    case VYRA_EXPOSURE_MINIMUM:
        return writeOut(buffer, size, SensorModel::exposureMinimum());
    case VYRA_EXPOSURE_MAXIMUM:
        return writeOut(buffer, size, model_.exposureMaximum(settings_));
    case VYRA_EXPOSURE_INCREMENT:
        return writeOut(buffer, size, SensorModel::exposureIncrement());
    case VYRA_EXPOSURE_GET:
        return writeOut(buffer, size, settings_.values.exposureMs);
    case VYRA_EXPOSURE_SET: {
        double exposureMs = 0.0;
        if (VyraStatus status = readIn(buffer, size, &exposureMs))
            return status;
        const VyraStatus status = model_.setExposure(settings_, exposureMs);
        changed();
        return status;
    }
    case VYRA_EXPOSURE_LONG_GET:
        if (!spec_.longExposure)
            return VYRA_NOT_SUPPORTED;
        return writeOut(buffer, size, int32_t(settings_.longExposure ? 1 : 0));
    case VYRA_EXPOSURE_LONG_SET: {
        if (!spec_.longExposure)
            return VYRA_NOT_SUPPORTED;
        int32_t on = 0;
        if (VyraStatus status = readIn(buffer, size, &on))
            return status;
        if (on != 0 && on != 1)
            return VYRA_INVALID_PARAMETER;
        const VyraStatus status = model_.setLongExposure(settings_, on == 1);
        changed();
        return status;
    }
    default:
        return VYRA_INVALID_PARAMETER;
    }
}

VyraStatus SimCamera::flashControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    const bool known = command >= VYRA_FLASH_PARAMS_MINIMUM && command <= VYRA_FLASH_MODE_SET;
    if (!known)
        return VYRA_INVALID_PARAMETER;
    if (!spec_.flash)
        return VYRA_NOT_SUPPORTED;
    const SequencerValues &v = settings_.values;
    switch (command) {
    case VYRA_FLASH_PARAMS_MINIMUM:
        return writeOut(buffer, size, model_.flashMinimum());
    case VYRA_FLASH_PARAMS_MAXIMUM:
        return writeOut(buffer, size, model_.flashMaximum(settings_));
    case VYRA_FLASH_PARAMS_INCREMENT:
        return writeOut(buffer, size, SensorModel::flashIncrement());
    case VYRA_FLASH_PARAMS_GET:
        return writeOut(buffer, size, VyraFlashParams{v.flashDelayUs, uint32_t(v.flashDurationUs)});
    case VYRA_FLASH_PARAMS_SET: {
        VyraFlashParams params{};
        if (VyraStatus status = readIn(buffer, size, &params))
            return status;
        if (params.durationUs > uint32_t(INT32_MAX))
            return VYRA_INVALID_PARAMETER;
        return model_.setFlashParams(settings_, params.delayUs, int32_t(params.durationUs));
    }
    case VYRA_FLASH_MODE_GET:
        return writeOut(buffer, size, v.flashMode);
    default: {
        int32_t mode = 0;
        if (VyraStatus status = readIn(buffer, size, &mode))
            return status;
        return model_.setFlashMode(settings_, mode);
    }
    }
}

VyraStatus SimCamera::pixelClockControl(VyraHandle handle, uint32_t command, void *buffer,
                                        uint32_t size)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    const std::vector<uint32_t> &clocks = spec_.pixelClocksMHz;
    switch (command) {
    case VYRA_PIXELCLOCK_COUNT:
        return writeOut(buffer, size, uint32_t(clocks.size()));
    case VYRA_PIXELCLOCK_LIST:
        if (buffer == nullptr)
            return VYRA_INVALID_MEMORY_POINTER;
        if (size != clocks.size() * sizeof(uint32_t))
            return VYRA_INVALID_PARAMETER;
        std::memcpy(buffer, clocks.data(), size);
        return VYRA_SUCCESS;
    case VYRA_PIXELCLOCK_RANGE: {
        // An evenly spaced list is a range with that step; otherwise the
        // step is 0 and only the listed clocks exist.
        uint32_t step = clocks.size() > 1 ? clocks[1] - clocks[0] : 0;
        for (size_t i = 1; i < clocks.size(); ++i) {
            if (clocks[i] - clocks[i - 1] != step)
                step = 0;
        }
        const uint32_t range[3] = {clocks.front(), clocks.back(), step};
        if (buffer == nullptr)
            return VYRA_INVALID_MEMORY_POINTER;
        if (size != sizeof range)
            return VYRA_INVALID_PARAMETER;
        std::memcpy(buffer, range, sizeof range);
        return VYRA_SUCCESS;
    }
    case VYRA_PIXELCLOCK_GET:
        return writeOut(buffer, size, settings_.pixelClockMHz);
    case VYRA_PIXELCLOCK_SET: {
        uint32_t clock = 0;
        if (VyraStatus status = readIn(buffer, size, &clock))
            return status;
        const VyraStatus status = model_.setPixelClock(settings_, clock);
        changed();
        return status;
    }
    default:
        return VYRA_INVALID_PARAMETER;
    }
}

VyraStatus SimCamera::imageFormatControl(VyraHandle handle, uint32_t command, void *buffer,
                                         uint32_t size)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    const std::vector<ImageFormat> &formats = spec_.imageFormats;
    switch (command) {
    case VYRA_IMAGE_FORMAT_COUNT:
        return writeOut(buffer, size, uint32_t(formats.size()));
    case VYRA_IMAGE_FORMAT_LIST: {
        if (buffer == nullptr)
            return VYRA_INVALID_MEMORY_POINTER;
        constexpr uint32_t headerSize = VYRA_IMAGE_FORMAT_LIST_SIZE(0);
        if (size < headerSize)
            return VYRA_INVALID_PARAMETER;
        uint32_t header[2];
        std::memcpy(header, buffer, sizeof header);
        const uint32_t entrySize = header[0];
        const uint32_t count = header[1];
        if (entrySize != sizeof(VyraImageFormatEntry) ||
            count > (UINT32_MAX - headerSize) / entrySize ||
            size != VYRA_IMAGE_FORMAT_LIST_SIZE(count))
            return VYRA_INVALID_PARAMETER;
        const uint32_t filled = std::min<uint32_t>(count, uint32_t(formats.size()));
        auto *bytes = static_cast<char *>(buffer);
        for (uint32_t i = 0; i < filled; ++i) {
            const ImageFormat &format = formats[i];
            VyraImageFormatEntry entry{};
            entry.formatId = format.formatId;
            entry.width = format.width;
            entry.height = format.height;
            entry.x = format.x;
            entry.y = format.y;
            entry.binning = format.binning;
            entry.subsampling = format.subsampling;
            copyText(entry.caption, sizeof entry.caption, format.caption);
            std::memcpy(bytes + headerSize + i * entrySize, &entry, sizeof entry);
        }
        const uint32_t filledHeader[6] = {entrySize, filled, 0, 0, 0, 0};
        std::memcpy(buffer, filledHeader, sizeof filledHeader);
        return VYRA_SUCCESS;
    }
    case VYRA_IMAGE_FORMAT_SET: {
        int32_t formatId = 0;
        if (VyraStatus status = readIn(buffer, size, &formatId))
            return status;
        const VyraStatus status = model_.applyImageFormat(settings_, formatId);
        changed();
        return status;
    }
    default:
        return VYRA_INVALID_PARAMETER;
    }
}

VyraStatus SimCamera::deviceOptionControl(VyraHandle handle, uint32_t command, void *buffer,
                                          uint32_t size)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    if (command != VYRA_DEVICE_MEMORY_MODE)
        return VYRA_INVALID_PARAMETER;
    return writeOut(buffer, size, int32_t(spec_.memoryMode ? 1 : 0));
}

// ---- Parameter sets ----

VyraStatus SimCamera::parameterSetControl(VyraHandle handle, uint32_t command, void *parameter,
                                          uint32_t size)
{
    if (VyraStatus status = admit(handle, false))
        return status;
    if (size != 0 || parameter == nullptr)
        return VYRA_INVALID_PARAMETER;
    switch (command) {
    case VYRA_PARAMETERSET_SAVE:
        return saveParameters(handle, parameter);
    case VYRA_PARAMETERSET_LOAD:
        return loadParameters(handle, parameter);
    default:
        return VYRA_INVALID_PARAMETER;
    }
}

VyraStatus SimCamera::saveParameters(VyraHandle handle, const void *path)
{
    std::string text;
    {
        Lock lock(mutex_);
        if (VyraStatus status = admitLocked(handle, false))
            return status;
        text = ParameterSet::encode(spec_.model, spec_.serialNumber, settings_);
    }
    return ParameterSet::writeFile(path, text);
}

VyraStatus SimCamera::loadParameters(VyraHandle handle, const void *path)
{
    {
        Lock lock(mutex_);
        if (VyraStatus status = admitLocked(handle, false))
            return status;
        if (live_)
            return VYRA_CAPTURE_RUNNING;
    }
    std::string bytes;
    if (VyraStatus status = ParameterSet::readFile(path, &bytes))
        return status;
    const ParameterSet::Parsed parsed = ParameterSet::parse(bytes.data(), bytes.size());

    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    if (live_)
        return VYRA_CAPTURE_RUNNING;
    if (!parsed.model.empty() && parsed.model != spec_.model)
        return VYRA_INVALID_CAMERA_TYPE;
    if (parsed.status != VYRA_SUCCESS)
        return parsed.status;
    if (VyraStatus status = model_.validate(parsed.settings))
        return status;
    settings_ = parsed.settings;
    changed();
    return VYRA_SUCCESS;
}

// ---- Sequencer ----

VyraStatus SimCamera::sequencerControl(VyraHandle handle, uint32_t command, void *buffer,
                                       uint32_t size)
{
    Lock lock(mutex_);
    if (VyraStatus status = admitLocked(handle, false))
        return status;
    if (command == VYRA_SEQUENCER_SUPPORTED)
        return writeOut(buffer, size, int32_t(spec_.sequencerSupported ? 1 : 0));
    if (!spec_.sequencerSupported)
        return VYRA_NOT_SUPPORTED;
    if (buffer == nullptr && size != 0)
        return VYRA_INVALID_MEMORY_POINTER;
    const SensorLimits limits(model_, settings_);
    SequencerContext context;
    context.model = spec_.model;
    context.live = settings_.values;
    context.limits = &limits;

    // The configuration file is read and written without the lock, so that
    // capture and the other threads carry on meanwhile.
    if (command == VYRA_SEQUENCER_SAVE_FILE && size == 0) {
        const std::string document = sequencer_->configurationDocument(context);
        lock.unlock();
        return SimSequencer::writeConfigurationFile(buffer, document);
    }
    if (command == VYRA_SEQUENCER_LOAD_FILE && size == 0) {
        if (sequencer_->sequencerModeOn())
            return VYRA_INVALID_PARAMETER;
        lock.unlock();
        std::string document;
        if (VyraStatus status = SimSequencer::readConfigurationFile(buffer, document))
            return status;
        lock.lock();
        if (VyraStatus status = admitLocked(handle, false))
            return status;
        const SensorLimits currentLimits(model_, settings_);
        context.live = settings_.values;
        context.limits = &currentLimits;
        return sequencer_->applyConfiguration(document, context);
    }
    const VyraStatus status = sequencer_->control(command, buffer, size, context);
    changed();
    return status;
}

// ---- Images ----

std::shared_ptr<const SceneRenderer> SimCamera::renderer()
{
    std::lock_guard<std::mutex> lock(rendererMutex_);
    if (!renderer_)
        renderer_ = std::make_shared<SceneRenderer>(spec_.sensorWidth, spec_.sensorHeight);
    return renderer_;
}

double SimCamera::takeImage(Lock &lock, bool live, Clock::time_point start)
{
    const uint64_t number = ++framesTaken_;

    SequencerValues values = settings_.values;
    int set = 0;
    const bool sequenceRuns = sequencer_->sequencerModeOn();
    if (sequenceRuns) {
        const SimSequencer::Step step = sequencer_->takeImage(settings_.values);
        set = step.set;
        values = model_.clampedValues(settings_, step.values);
    }
    const std::string stamp = "FRAME " + std::to_string(number) + " SET " +
                              (sequenceRuns ? std::to_string(set) : std::string("-"));

    FrameRing::Buffer *buffer = ring_.startFill(queueMode_);
    if (buffer != nullptr &&
        (buffer->width < settings_.width || buffer->height < settings_.height)) {
        // The AOI outgrew the buffer (it changed while capture ran): the
        // image does not fit and is lost, as with no buffer at all.
        ring_.finishFill(buffer, false, queueMode_, {});
        buffer = nullptr;
    }
    if (buffer == nullptr) {
        ++framesDropped_;
        ++droppedSinceLive_;
        changed();
        return values.exposureMs;
    }

    SceneRenderer::Frame frame;
    frame.x = values.offsetX;
    frame.y = values.offsetY;
    frame.width = settings_.width;
    frame.height = settings_.height;
    frame.binningH = SensorModel::factor(settings_.binning, true);
    frame.binningV = SensorModel::factor(settings_.binning, false);
    frame.subsamplingH = SensorModel::factor(settings_.subsampling, true);
    frame.subsamplingV = SensorModel::factor(settings_.subsampling, false);
    frame.channelFactors = model_.channelFactors(values);
    frame.frameNumber = number;
    frame.stamp = stamp;

    VyraFrameDescriptor descriptor{};
    descriptor.frameNumber = number;
    descriptor.timestampUs =
        uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(start - openedAt_).count());
    descriptor.time = hostTime(std::chrono::system_clock::now());
    descriptor.width = frame.width;
    descriptor.height = frame.height;
    descriptor.bitsPerPixel = VYRA_BITS_PER_PIXEL_RGB8;
    descriptor.linePitch = buffer->linePitch;
    descriptor.droppedFrames = droppedSinceLive_;
    descriptor.triggerSource = triggerMode_;
    descriptor.exposureMs = values.exposureMs;
    descriptor.sequencerSet = uint8_t(set);

    const uint64_t openGeneration = openGeneration_;
    const uint64_t liveGeneration = liveGeneration_;
    auto *pixels = reinterpret_cast<uint8_t *>(buffer->memory.get());
    const int pitch = buffer->linePitch;
    ++fillsInProgress_;
    lock.unlock();
    renderer()->render(frame, pixels, pitch);
    lock.lock();
    --fillsInProgress_;

    // An image taken before the capture stopped at once, or before the
    // camera was closed, is not delivered.
    const bool deliver =
        open_ && openGeneration_ == openGeneration && (!live || liveGeneration_ == liveGeneration);
    ring_.finishFill(buffer, deliver, queueMode_, descriptor);
    if (deliver)
        ++framesDelivered_;
    changed();
    return values.exposureMs;
}

void SimCamera::producerLoop()
{
    Lock lock(mutex_);
    // While running free the sensor starts its frames on a beat of its own:
    // each frame one frame period after the one before, or once its
    // exposure is over when that is longer (a long exposure, or a sequence
    // set's). The time stamps are those starts.
    Clock::time_point nextDue = Clock::now();
    Clock::time_point lastStart{};
    bool resumed = true;
    while (!stopProducer_) {
        if (!live_ || !plugged_) {
            wake_.wait(lock);
            resumed = true;
            continue;
        }
        const Clock::time_point now = Clock::now();
        if (resumed) {
            nextDue = now;
            resumed = false;
        }
        if (pendingTriggers_ > 0) {
            // A triggered sensor goes as fast as its readout allows.
            const auto readout = std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(1.0 / model_.maximumFrameRate(settings_)));
            if (now < lastStart + readout) {
                wake_.wait_until(lock, lastStart + readout);
                continue;
            }
            --pendingTriggers_;
            lastStart = now;
            takeImage(lock, true, now);
            continue;
        }
        if (triggerMode_ == VYRA_TRIGGER_SINGLE) {
            wake_.wait(lock);
            continue;
        }
        if (now < nextDue) {
            wake_.wait_until(lock, nextDue);
            continue;
        }
        const Clock::time_point start = nextDue;
        lastStart = start;
        const double exposureMs = takeImage(lock, true, start);
        const auto period =
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                std::max(1.0 / settings_.frameRate, exposureMs / 1000.0)));
        nextDue = start + period;
        // A producer that fell behind (a slow machine, a debugger) skips the
        // frames it missed instead of catching up in a burst; the beat stays.
        const Clock::time_point late = Clock::now();
        if (nextDue < late)
            nextDue += period * ((late - nextDue) / period + 1);
    }
}

} // namespace VyraSim
