#include "araviscamera.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "commandbuffer.h"
#include "factorbits.h"
#include "hosttime.h"
#include "parameterset.h"

/*
 * An opened GenICam camera behind the driver boundary.
 *
 * Capture: while the camera acquires, an Aravis stream fills buffers of the
 * camera's payload size; the capture thread takes each complete one,
 * converts it to RGB8 into the next free buffer of the application's ring
 * and queues it with its frame descriptor. Images that find no free buffer,
 * or one too small, are dropped and counted; incomplete ones are counted as
 * frames and dropped.
 *
 * Trigger modes: VYRA_TRIGGER_OFF is the camera's free run at its frame
 * rate; VYRA_TRIGGER_SINGLE takes one image per captureSingleFrame; in
 * VYRA_TRIGGER_SOFTWARE the camera runs free as well, and captureSingleFrame
 * adds one image where the host paces the camera.
 *
 * Sequencer: the shared state model (SimSequencer) keeps the sets for every
 * camera. A camera with the GenICam Sequencer category gets each change
 * mirrored onto it; running free it steps along its paths by itself, and
 * names the set of each image in its chunk data (the state model, stepping
 * with every image, names it where an image has none). For every other
 * camera the host runs the sequence: in sequencer mode each trigger first
 * writes the next set's values to the camera, and the image it brings is
 * described with that set. Running free (0 and 0x1008) such a camera is
 * paced by the host's trigger thread at the frame rate, one image at a
 * time, so that the next set's values reach it only after the image of the
 * last one arrived. Once sequencer mode is off the camera gets its live
 * values back.
 */

namespace VyraAravis {

namespace {

using VyraSim::readIn;
using VyraSim::SensorSettings;
using VyraSim::SequencerValues;
using VyraSim::writeOut;

bool validTriggerMode(int32_t code)
{
    return code == VYRA_TRIGGER_OFF || code == VYRA_TRIGGER_SINGLE || code == VYRA_TRIGGER_SOFTWARE;
}

/// Whether value lies in [minimum, maximum] on the grid minimum + n * step.
bool onGrid(int64_t value, int64_t minimum, int64_t maximum, int64_t step)
{
    return value >= minimum && value <= maximum &&
           (value - minimum) % std::max<int64_t>(step, 1) == 0;
}

/// value rounded down onto the grid of step above minimum, within [minimum, maximum].
int32_t alignDown(int64_t value, int64_t minimum, int64_t maximum, int64_t step)
{
    step = std::max<int64_t>(step, 1);
    value = std::clamp(value, minimum, std::max(minimum, maximum));
    return int32_t(minimum + (value - minimum) / step * step);
}

void onControlLost(ArvDevice *, gpointer camera)
{
    static_cast<AravisCamera *>(camera)->controlLost();
}

/// The one factor bits name in one direction, or 0 when they name several.
int singleFactor(int32_t bits, bool horizontal)
{
    int found = 1;
    int named = 0;
    for (const VyraSim::FactorBits &entry : VyraSim::factorBitsTable) {
        if (bits & entry.bit(horizontal)) {
            found = entry.factor;
            ++named;
        }
    }
    return named <= 1 ? found : 0;
}

int32_t bitsOf(int horizontal, int vertical)
{
    int32_t bits = 0;
    int32_t bit = 0;
    if (VyraSim::factorToBit(horizontal, true, &bit))
        bits |= bit;
    if (VyraSim::factorToBit(vertical, false, &bit))
        bits |= bit;
    return bits;
}

/// The ranges the sequencer checks stored and loaded values against.
class CameraLimits : public VyraSim::ParameterLimits
{
public:
    double exposureMinimum = 0.0;
    double exposureMaximum = 0.0;
    bool masterGain = false;
    bool colourGains = false;
    int32_t maximumOffsetX = 0;
    int32_t maximumOffsetY = 0;
    bool flash = false;
    VyraFlashParams flashMaximum{0, 0};

    bool exposureValid(double exposureMs) const override
    {
        return exposureMs >= exposureMinimum && exposureMs <= exposureMaximum;
    }
    bool gainValid(int32_t master, int32_t red, int32_t green, int32_t blue) const override
    {
        const auto valid = [](int32_t gain, bool present) {
            return present ? gain >= VYRA_GAIN_MIN && gain <= VYRA_GAIN_MAX : gain == 0;
        };
        return valid(master, masterGain) && valid(red, colourGains) && valid(green, colourGains) &&
               valid(blue, colourGains);
    }
    bool offsetXValid(int32_t x) const override { return x >= 0 && x <= maximumOffsetX; }
    bool offsetYValid(int32_t y) const override { return y >= 0 && y <= maximumOffsetY; }
    bool flashValid(int32_t mode, int32_t durationUs, int32_t delayUs) const override
    {
        if (!flash)
            return mode == VYRA_FLASH_MODE_OFF && durationUs == 0 && delayUs == 0;
        return mode >= VYRA_FLASH_MODE_OFF && mode <= VYRA_FLASH_MODE_CONSTANT_LOW &&
               delayUs >= 0 && delayUs <= flashMaximum.delayUs && durationUs >= 0 &&
               uint32_t(durationUs) <= flashMaximum.durationUs;
    }
};

} // namespace

AravisCamera::AravisCamera(VyraHandle handle, DeviceIdentity identity, EventSink events)
    : handle_(handle), identity_(std::move(identity)), events_(std::move(events))
{
}

AravisCamera::~AravisCamera()
{
    close();
}

VyraStatus AravisCamera::admit(bool letsGo) const
{
    Lock lock(mutex_);
    if (closed_)
        return VYRA_INVALID_HANDLE;
    return lost_ && !letsGo ? lostStatus : VYRA_SUCCESS;
}

bool AravisCamera::isLost() const
{
    Lock lock(mutex_);
    return lost_;
}

// ---- Opening, closing, losing and regaining control ----

VyraStatus AravisCamera::open(ArvCamera *camera)
{
    CommandLock command(commandMutex_);
    device_ = std::make_unique<GenicamDevice>(camera);
    const VyraStatus status = prepareLocked();
    if (status != VYRA_SUCCESS) {
        command.unlock();
        close();
        return status;
    }
    Lock lock(mutex_);
    const int setCount = hardwareSequencer_ ? hardwareSequencer_->setCount() : hostSetCount;
    const int32_t sources = hardwareSequencer_ ? hardwareSequencer_->triggerSourceMask()
                                               : VYRA_SEQUENCER_TRIGGER_FRAME_END |
                                                     VYRA_SEQUENCER_TRIGGER_FRAME_START |
                                                     VYRA_SEQUENCER_TRIGGER_EXPOSURE_END;
    sequencer_ = std::make_unique<VyraSim::SimSequencer>(setCount, sources, settings_.values);
    return VYRA_SUCCESS;
}

VyraStatus AravisCamera::prepareLocked()
{
    features_ = std::make_unique<FeatureMap>(*device_);
    if (arv_camera_is_gv_device(device_->camera())) {
        // The largest packets the network takes: fewer packets, less CPU.
        GError *error = nullptr;
        arv_camera_gv_auto_packet_size(device_->camera(), &error);
        GenicamDevice::statusOf(error);
    }
    if (VyraStatus status = features_->choosePixelFormat())
        return status;
    hardwareSequencer_.reset();
    if (HardwareSequencer::available(*device_)) {
        hardwareSequencer_ = std::make_unique<HardwareSequencer>(*device_);
        if (!hardwareSequencer_->enableSetChunks())
            hardwareSequencer_.reset();
    }
    if (VyraStatus status = features_->setTriggerMode(VYRA_TRIGGER_OFF))
        return status;
    {
        Lock lock(mutex_);
        cameraTriggered_ = false;
    }
    if (VyraStatus status = readSettingsLocked())
        return status;
    controlLostHandler_ =
        g_signal_connect(device_->device(), "control-lost", G_CALLBACK(onControlLost), this);
    return VYRA_SUCCESS;
}

VyraStatus AravisCamera::readSettingsLocked()
{
    SensorSettings settings;
    VyraRect aoi{};
    if (VyraStatus status = features_->region(&aoi))
        return status;
    settings.width = aoi.width;
    settings.height = aoi.height;
    settings.values.offsetX = aoi.x;
    settings.values.offsetY = aoi.y;
    int horizontal = 1, vertical = 1;
    features_->factors(true, &horizontal, &vertical);
    settings.binning = bitsOf(horizontal, vertical);
    features_->factors(false, &horizontal, &vertical);
    settings.subsampling = bitsOf(horizontal, vertical);
    if (VyraStatus status = features_->exposure(&settings.values.exposureMs))
        return status;
    if (features_->hasMasterGain())
        features_->masterGain(&settings.values.masterGain);
    if (features_->hasColourGains()) {
        features_->colourGain(FeatureMap::ColourGain::Red, &settings.values.redGain);
        features_->colourGain(FeatureMap::ColourGain::Green, &settings.values.greenGain);
        features_->colourGain(FeatureMap::ColourGain::Blue, &settings.values.blueGain);
    }
    settings.frameRate = 30.0;
    if (features_->hasFrameRate())
        features_->frameRate(&settings.frameRate);
    if (features_->hasFlash())
        features_->setFlash(VYRA_FLASH_MODE_OFF, 0, 0);
    Lock lock(mutex_);
    settings_ = settings;
    applied_ = settings.values;
    return VYRA_SUCCESS;
}

void AravisCamera::close()
{
    CommandLock command(commandMutex_);
    {
        Lock lock(mutex_);
        if (closed_)
            return;
        closed_ = true;
        live_ = false;
        wake_.notify_all();
    }
    if (device_) {
        stopAcquisitionLocked();
        if (controlLostHandler_ != 0)
            g_signal_handler_disconnect(device_->device(), controlLostHandler_);
        controlLostHandler_ = 0;
    }
    hardwareSequencer_.reset();
    features_.reset();
    device_.reset();
}

void AravisCamera::controlLost()
{
    // Called on Aravis' heartbeat thread: only the state changes here; the
    // camera objects are replaced by reconnect().
    {
        Lock lock(mutex_);
        if (closed_ || lost_)
            return;
        lost_ = true;
        wake_.notify_all();
    }
    events_(handle_, VYRA_EVENT_CAMERA_REMOVED);
}

VyraStatus AravisCamera::reconnect(ArvCamera *camera)
{
    CommandLock command(commandMutex_);
    bool wasLive = false;
    SensorSettings settings;
    {
        Lock lock(mutex_);
        if (closed_ || !lost_) {
            g_object_unref(camera);
            return VYRA_INVALID_HANDLE;
        }
        wasLive = live_;
        settings = settings_;
    }
    stopAcquisitionLocked();
    if (controlLostHandler_ != 0)
        g_signal_handler_disconnect(device_->device(), controlLostHandler_);
    controlLostHandler_ = 0;
    hardwareSequencer_.reset();
    features_.reset();
    device_ = std::make_unique<GenicamDevice>(camera);
    VyraStatus status = prepareLocked();
    if (status == VYRA_SUCCESS)
        status = applySettingsLocked(settings);
    if (status == VYRA_SUCCESS)
        status = configureTriggerLocked();
    if (status == VYRA_SUCCESS && wasLive)
        status = startAcquisitionLocked(true);
    if (status != VYRA_SUCCESS)
        return status;
    {
        Lock lock(mutex_);
        lost_ = false;
        wake_.notify_all();
    }
    events_(handle_, VYRA_EVENT_CAMERA_RECONNECTED);
    return VYRA_SUCCESS;
}

// ---- Acquisition ----

VyraStatus AravisCamera::startAcquisitionLocked(bool live)
{
    if (acquiring_)
        return VYRA_SUCCESS;
    ArvCamera *camera = device_->camera();
    GError *error = nullptr;
    const guint payload = arv_camera_get_payload(camera, &error);
    if (VyraStatus status = GenicamDevice::statusOf(error))
        return status;
    stream_ = arv_camera_create_stream(camera, nullptr, nullptr, &error);
    if (VyraStatus status = GenicamDevice::statusOf(error)) {
        g_clear_object(&stream_);
        return status;
    }
    for (int i = 0; i < streamBuffers; ++i)
        arv_stream_push_buffer(stream_, arv_buffer_new_allocate(payload));
    if (hardwareSequencer_ && chunkParser_ == nullptr)
        chunkParser_ = arv_camera_create_chunk_parser(camera);
    stopCapture_ = false;
    capture_ = std::thread(&AravisCamera::captureLoop, this, stream_);
    arv_camera_set_acquisition_mode(camera, ARV_ACQUISITION_MODE_CONTINUOUS, &error);
    GenicamDevice::statusOf(error);
    arv_camera_start_acquisition(camera, &error);
    if (VyraStatus status = GenicamDevice::statusOf(error)) {
        stopCapture_ = true;
        capture_.join();
        g_clear_object(&stream_);
        return status;
    }
    acquiring_ = true;
    if (live)
        startPacerLocked();
    return VYRA_SUCCESS;
}

void AravisCamera::stopAcquisitionLocked()
{
    stopPacerLocked();
    if (!acquiring_)
        return;
    bool lost = false;
    {
        Lock lock(mutex_);
        lost = lost_;
    }
    // A camera that no longer answers would only time out.
    if (!lost) {
        GError *error = nullptr;
        arv_camera_stop_acquisition(device_->camera(), &error);
        GenicamDevice::statusOf(error);
    }
    stopCapture_ = true;
    capture_.join();
    g_clear_object(&stream_);
    g_clear_object(&chunkParser_);
    acquiring_ = false;
    Lock lock(mutex_);
    pending_.clear();
}

VyraStatus AravisCamera::withAcquisitionStoppedLocked(const std::function<VyraStatus()> &change)
{
    const bool wasAcquiring = acquiring_;
    bool live = false;
    {
        Lock lock(mutex_);
        live = live_;
    }
    stopAcquisitionLocked();
    const VyraStatus status = change();
    if (wasAcquiring) {
        const VyraStatus restart = startAcquisitionLocked(live);
        if (status == VYRA_SUCCESS)
            return restart;
    }
    return status;
}

void AravisCamera::captureLoop(ArvStream *stream)
{
    while (!stopCapture_) {
        ArvBuffer *buffer = arv_stream_timeout_pop_buffer(stream, 50000);
        if (buffer == nullptr)
            continue;
        deliver(buffer);
        arv_stream_push_buffer(stream, buffer);
    }
}

void AravisCamera::deliver(ArvBuffer *buffer)
{
    PixelConverter::Format format = PixelConverter::Format::Rgb8;
    const bool complete =
        arv_buffer_get_status(buffer) == ARV_BUFFER_STATUS_SUCCESS &&
        FeatureMap::converterFormat(arv_buffer_get_image_pixel_format(buffer), &format);
    const int hardwareSet = HardwareSequencer::activeSet(chunkParser_, buffer);

    Lock lock(mutex_);
    // Only images the triggers asked for count: each is named after the set
    // its trigger applied, so an extra image would give every later image the
    // set of the one before it.
    if (unaskedForLocked(buffer))
        return;
    ++framesTaken_;
    std::optional<PendingImage> pending;
    if (!pending_.empty()) {
        pending = pending_.front();
        pending_.pop_front();
    }
    int set = 0;
    double exposureMs = pending ? pending->exposureMs : settings_.values.exposureMs;
    if (sequencer_ && sequencer_->sequencerModeOn()) {
        if (pending) {
            set = pending->set;
        } else if (hardwareSequencer_) {
            // Running free, the camera's sequencer steps at every image, a
            // lost one too; the state model steps with it, and names the set
            // of an image without chunk data.
            const VyraSim::SimSequencer::Step step = sequencer_->takeImage(settings_.values);
            set = step.set;
            exposureMs = step.values.exposureMs;
        } else {
            set = sequencer_->currentSet();
        }
        if (hardwareSet >= 0)
            set = hardwareSet;
    }
    if (!complete) {
        ++droppedSinceLive_;
        wake_.notify_all();
        return;
    }
    const int width = arv_buffer_get_image_width(buffer);
    const int height = arv_buffer_get_image_height(buffer);
    VyraSim::FrameRing::Buffer *target = ring_.startFill(queueMode_);
    if (target == nullptr || target->width < width || target->height < height) {
        if (target != nullptr)
            ring_.finishFill(target, false, queueMode_, VyraFrameDescriptor{});
        ++droppedSinceLive_;
        wake_.notify_all();
        return;
    }
    VyraFrameDescriptor descriptor{};
    descriptor.frameNumber = framesTaken_;
    descriptor.timestampUs = uint64_t(
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - openedAt_).count());
    descriptor.time = VyraSim::hostTime(std::chrono::system_clock::now());
    descriptor.width = width;
    descriptor.height = height;
    descriptor.bitsPerPixel = VYRA_BITS_PER_PIXEL_RGB8;
    descriptor.linePitch = target->linePitch;
    descriptor.droppedFrames = droppedSinceLive_;
    descriptor.triggerSource = triggerMode_;
    descriptor.exposureMs = exposureMs;
    descriptor.sequencerSet = uint8_t(set);
    char *memory = target->memory.get();
    const int pitch = target->linePitch;
    // A free-running stream leaves the driver at the frame rate: an image
    // that comes early after a late one (network jitter) waits until most of
    // a frame period has passed, so that the images reach the application
    // as evenly as the camera took them.
    const bool paced = live_ && triggerMode_ != VYRA_TRIGGER_SINGLE && pending_.empty() && !pending;
    const auto release =
        lastDelivered_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                             evenness / std::max(settings_.frameRate, 0.01)));
    lock.unlock();

    // The ring keeps a buffer being filled: releasing it waits for this.
    size_t size = 0;
    const auto *data = static_cast<const uint8_t *>(arv_buffer_get_image_data(buffer, &size));
    const int sourcePitch = width * PixelConverter::bytesPerPixel(format);
    const bool fits = data != nullptr && size >= size_t(sourcePitch) * size_t(height);
    if (fits)
        PixelConverter::toRgb8(format, data, sourcePitch, width, height,
                               reinterpret_cast<uint8_t *>(memory), pitch);

    if (paced)
        std::this_thread::sleep_until(release);
    lock.lock();
    lastDelivered_ = Clock::now();
    ring_.finishFill(target, fits, queueMode_, descriptor);
    if (!fits)
        ++droppedSinceLive_;
    wake_.notify_all();
}

bool AravisCamera::unaskedForLocked(ArvBuffer *buffer) const
{
    if (!cameraTriggered_)
        return false;
    if (pending_.empty())
        return true;
    // Aravis stamps a buffer with the host's wall clock when its image
    // arrives (0 where a transport does not).
    const int64_t arrivedNs = int64_t(arv_buffer_get_system_timestamp(buffer));
    return arrivedNs != 0 && arrivedNs < pending_.front().triggeredNs;
}

// ---- The host's trigger thread and the host-driven sequence ----

void AravisCamera::startPacerLocked()
{
    if (pacer_.joinable() || !hostPacedLocked())
        return;
    {
        Lock lock(mutex_);
        stopPacer_ = false;
    }
    pacer_ = std::thread(&AravisCamera::pacerLoop, this);
}

void AravisCamera::stopPacerLocked()
{
    if (!pacer_.joinable())
        return;
    {
        Lock lock(mutex_);
        stopPacer_ = true;
        wake_.notify_all();
    }
    pacer_.join();
}

void AravisCamera::pacerLoop()
{
    // Each trigger comes a frame period after the one before, or as soon as
    // the image of the one before is in when that takes longer: never
    // faster than the frame rate, and as fast as the camera and the host
    // allow below it.
    Clock::time_point next = Clock::now();
    for (;;) {
        {
            Lock lock(mutex_);
            if (wake_.wait_until(lock, next, [this] { return stopPacer_; }))
                return;
        }
        // One triggered image at a time: a camera still busy with the last
        // one could miss the next trigger, and the sets would slip.
        {
            Lock lock(mutex_);
            const auto patience = Clock::now() + triggerPatienceLocked();
            if (wake_.wait_until(lock, patience,
                                 [this] { return stopPacer_ || pending_.empty(); }) &&
                stopPacer_)
                return;
        }
        // The command lock is taken in short tries, so that a command that
        // stops this thread while holding it is never kept waiting.
        CommandLock command(commandMutex_, std::defer_lock);
        while (!command.try_lock_for(std::chrono::milliseconds(5))) {
            Lock lock(mutex_);
            if (stopPacer_)
                return;
        }
        {
            Lock lock(mutex_);
            next = Clock::now() +
                   std::chrono::duration_cast<Clock::duration>(
                       std::chrono::duration<double>(1.0 / std::max(settings_.frameRate, 0.01)));
            if (stopPacer_ || lost_)
                continue;
        }
        triggerLocked();
    }
}

VyraStatus AravisCamera::triggerLocked()
{
    PendingImage image;
    SequencerValues values;
    bool hostSequence = false;
    {
        Lock lock(mutex_);
        image.exposureMs = settings_.values.exposureMs;
        if (sequencer_->sequencerModeOn()) {
            // A camera's own sequencer steps by itself and names the set in
            // the image; the state model's step names it where it does not.
            const VyraSim::SimSequencer::Step step = sequencer_->takeImage(settings_.values);
            image.set = step.set;
            image.exposureMs = step.values.exposureMs;
            values = step.values;
            hostSequence = !hardwareSequencer_;
        }
    }
    if (hostSequence) {
        // The next set's values must not reach the camera while it still
        // takes the image of the last trigger: that image would show them.
        {
            Lock lock(mutex_);
            wake_.wait_until(lock, Clock::now() + triggerPatienceLocked(),
                             [this] { return pending_.empty() || lost_ || closed_; });
        }
        if (VyraStatus status = applyValuesLocked(values))
            return status;
    }
    {
        Lock lock(mutex_);
        // Images the camera never brought (a missed trigger) are given up,
        // so that the next images keep their own sets.
        const auto givenUp = Clock::now() - triggerPatienceLocked();
        while (!pending_.empty() && pending_.front().triggeredAt < givenUp) {
            pending_.pop_front();
            ++droppedSinceLive_;
        }
        image.triggeredAt = Clock::now();
        image.triggeredNs = g_get_real_time() * 1000;
        pending_.push_back(image);
    }
    const VyraStatus status = features_->softwareTrigger();
    if (status != VYRA_SUCCESS) {
        Lock lock(mutex_);
        if (!pending_.empty())
            pending_.pop_back();
    }
    return status;
}

AravisCamera::Clock::duration AravisCamera::triggerPatienceLocked() const
{
    const double seconds =
        1.0 + 2.0 / std::max(settings_.frameRate, 0.01) + settings_.values.exposureMs / 1000.0;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

VyraStatus AravisCamera::applyValuesLocked(const SequencerValues &values)
{
    if (values.exposureMs != applied_.exposureMs) {
        if (VyraStatus status = features_->setExposure(values.exposureMs))
            return status;
        applied_.exposureMs = values.exposureMs;
    }
    if (values.masterGain != applied_.masterGain) {
        if (VyraStatus status = features_->setMasterGain(values.masterGain))
            return status;
        applied_.masterGain = values.masterGain;
    }
    const std::pair<FeatureMap::ColourGain, int32_t SequencerValues::*> colours[] = {
        {FeatureMap::ColourGain::Red, &SequencerValues::redGain},
        {FeatureMap::ColourGain::Green, &SequencerValues::greenGain},
        {FeatureMap::ColourGain::Blue, &SequencerValues::blueGain},
    };
    for (const auto &[channel, member] : colours) {
        if (values.*member != applied_.*member) {
            if (VyraStatus status = features_->setColourGain(channel, values.*member))
                return status;
            applied_.*member = values.*member;
        }
    }
    if (values.offsetX != applied_.offsetX || values.offsetY != applied_.offsetY) {
        if (VyraStatus status = device_->setInteger("OffsetX", values.offsetX))
            return status;
        if (VyraStatus status = device_->setInteger("OffsetY", values.offsetY))
            return status;
        applied_.offsetX = values.offsetX;
        applied_.offsetY = values.offsetY;
    }
    if (values.flashMode != applied_.flashMode || values.flashDelayUs != applied_.flashDelayUs ||
        values.flashDurationUs != applied_.flashDurationUs) {
        if (features_->hasFlash()) {
            if (VyraStatus status = features_->setFlash(values.flashMode, values.flashDelayUs,
                                                        uint32_t(values.flashDurationUs)))
                return status;
        }
        applied_.flashMode = values.flashMode;
        applied_.flashDelayUs = values.flashDelayUs;
        applied_.flashDurationUs = values.flashDurationUs;
    }
    return VYRA_SUCCESS;
}

// ---- Live capture and triggers ----

VyraStatus AravisCamera::startLiveCapture(int32_t mode)
{
    if (mode == VYRA_CAPTURE_QUERY_LIVE) {
        if (VyraStatus status = admit(false))
            return status;
        Lock lock(mutex_);
        return live_ ? 1 : 0;
    }
    CommandLock command(commandMutex_);
    if (VyraStatus status = admit(false))
        return status;
    if (mode != VYRA_CAPTURE_START)
        return VYRA_INVALID_PARAMETER;
    {
        Lock lock(mutex_);
        if (ring_.empty())
            return VYRA_NO_ACTIVE_IMAGE_MEMORY;
        if (live_)
            return VYRA_SUCCESS;
        droppedSinceLive_ = 0;
    }
    if (VyraStatus status = startAcquisitionLocked(true))
        return status;
    Lock lock(mutex_);
    live_ = true;
    return VYRA_SUCCESS;
}

VyraStatus AravisCamera::stopLiveCapture(int32_t mode)
{
    CommandLock command(commandMutex_);
    if (VyraStatus status = admit(false))
        return status;
    if (mode != VYRA_CAPTURE_START && mode != VYRA_CAPTURE_FORCE_STOP)
        return VYRA_INVALID_PARAMETER;
    stopAcquisitionLocked();
    Lock lock(mutex_);
    live_ = false;
    ++liveStops_;
    wake_.notify_all();
    return VYRA_SUCCESS;
}

VyraStatus AravisCamera::captureSingleFrame()
{
    CommandLock command(commandMutex_);
    if (VyraStatus status = admit(false))
        return status;
    bool live = false;
    int32_t triggerMode = VYRA_TRIGGER_OFF;
    uint64_t framesBefore = 0;
    {
        Lock lock(mutex_);
        if (ring_.empty())
            return VYRA_NO_ACTIVE_IMAGE_MEMORY;
        live = live_;
        triggerMode = triggerMode_;
        framesBefore = framesTaken_;
    }
    if (live) {
        if (triggerMode == VYRA_TRIGGER_OFF)
            return VYRA_TRIGGER_NOT_ACTIVATED;
        // In 0x1008 the camera's own stream runs on at the frame rate and
        // brings the next image, unless the host paces a sequence.
        if (!cameraTriggeredLocked())
            return VYRA_SUCCESS;
        return triggerLocked();
    }
    // Not live: the camera takes one image now, and the call returns once
    // it is in its buffer.
    if (VyraStatus status = startAcquisitionLocked(false))
        return status;
    // A camera set to take images on triggers gets one; otherwise its free
    // run brings the next image.
    VyraStatus status = cameraTriggeredLocked() ? triggerLocked() : VYRA_SUCCESS;
    if (status == VYRA_SUCCESS) {
        Lock lock(mutex_);
        const auto deadline =
            Clock::now() + std::chrono::milliseconds(3000) +
            std::chrono::microseconds(int64_t(settings_.values.exposureMs * 1000));
        if (!wake_.wait_until(lock, deadline,
                              [&] { return framesTaken_ > framesBefore || lost_ || closed_; }))
            status = VYRA_TIMED_OUT;
    }
    stopAcquisitionLocked();
    return status;
}

VyraStatus AravisCamera::selectTriggerSource(int32_t code)
{
    CommandLock command(commandMutex_);
    if (VyraStatus status = admit(false))
        return status;
    if (!validTriggerMode(code))
        return VYRA_INVALID_PARAMETER;
    if (code == VYRA_TRIGGER_SINGLE && !features_->hasSoftwareTrigger())
        return VYRA_NOT_SUPPORTED;
    return withAcquisitionStoppedLocked([&]() -> VyraStatus {
        {
            Lock lock(mutex_);
            triggerMode_ = code;
            pending_.clear();
            // Images of the mode before that the application has not taken
            // yet are never handed out: after a switch to single triggers,
            // only the images of the new triggers arrive, however far the
            // application had fallen behind.
            ring_.discardQueued();
        }
        return configureTriggerLocked();
    });
}

bool AravisCamera::hostPacedLocked() const
{
    Lock lock(mutex_);
    // Free run and 0x1008 alike: the host steps the sequence image by image.
    const bool running = triggerMode_ == VYRA_TRIGGER_SOFTWARE || triggerMode_ == VYRA_TRIGGER_OFF;
    return running && features_->hasSoftwareTrigger() && !hardwareSequencer_ && sequencer_ &&
           sequencer_->sequencerModeOn();
}

bool AravisCamera::cameraTriggeredLocked() const
{
    bool single = false;
    {
        Lock lock(mutex_);
        single = triggerMode_ == VYRA_TRIGGER_SINGLE;
    }
    return (single && features_->hasSoftwareTrigger()) || hostPacedLocked();
}

VyraStatus AravisCamera::configureTriggerLocked()
{
    const bool triggered = cameraTriggeredLocked();
    if (VyraStatus status =
            features_->setTriggerMode(triggered ? VYRA_TRIGGER_SINGLE : VYRA_TRIGGER_OFF))
        return status;
    {
        Lock lock(mutex_);
        cameraTriggered_ = triggered;
    }
    return applyCameraTimingLocked();
}

VyraStatus AravisCamera::selectPixelFormat(int32_t format)
{
    if (VyraStatus status = admit(false))
        return status;
    return format == VYRA_PIXEL_FORMAT_RGB8 ? VYRA_SUCCESS : VYRA_INVALID_COLOR_FORMAT;
}

// ---- The application's buffers ----

VyraStatus AravisCamera::allocateFrameBuffer(int32_t width, int32_t height, int32_t bitsPerPixel,
                                             char **memory, int32_t *id)
{
    if (VyraStatus status = admit(false))
        return status;
    Lock lock(mutex_);
    return ring_.allocate(width, height, bitsPerPixel, memory, id);
}

VyraStatus AravisCamera::releaseFrameBuffer(char *memory, int32_t id)
{
    if (VyraStatus status = admit(true))
        return status;
    Lock lock(mutex_);
    wake_.wait(lock, [&] { return !ring_.filling(id); });
    const VyraStatus status = ring_.release(memory, id);
    wake_.notify_all();
    return status;
}

VyraStatus AravisCamera::appendToBufferRing(char *memory, int32_t id)
{
    if (VyraStatus status = admit(false))
        return status;
    Lock lock(mutex_);
    return ring_.append(memory, id);
}

VyraStatus AravisCamera::clearBufferRing()
{
    if (VyraStatus status = admit(true))
        return status;
    Lock lock(mutex_);
    if (live_)
        return VYRA_CAPTURE_RUNNING;
    ring_.clear();
    wake_.notify_all();
    return VYRA_SUCCESS;
}

VyraStatus AravisCamera::unlockRingBuffer(int32_t id, char *memory)
{
    if (VyraStatus status = admit(true))
        return status;
    Lock lock(mutex_);
    return ring_.unlock(id, memory);
}

VyraStatus AravisCamera::enableImageQueue(int32_t mode)
{
    if (VyraStatus status = admit(false))
        return status;
    if (mode != VYRA_QUEUE_MODE_DEFAULT)
        return VYRA_INVALID_PARAMETER;
    Lock lock(mutex_);
    queueMode_ = true;
    return VYRA_SUCCESS;
}

VyraStatus AravisCamera::waitForQueuedImage(int32_t timeoutMs, char **memory, int32_t *id)
{
    if (memory == nullptr || id == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    if (timeoutMs < 0)
        return VYRA_INVALID_PARAMETER;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Lock lock(mutex_);
    // A wait lasts up to two frame periods, ten seconds each at the lowest
    // rate of some cameras: whoever stops live capture needs it over at once.
    const uint64_t liveStops = liveStops_;
    for (;;) {
        if (closed_)
            return VYRA_INVALID_HANDLE;
        if (lost_)
            return lostStatus;
        if (!queueMode_)
            return VYRA_INVALID_CAPTURE_MODE;
        if (ring_.empty())
            return VYRA_NO_ACTIVE_IMAGE_MEMORY;
        if (VyraSim::FrameRing::Buffer *buffer = ring_.takeQueued()) {
            *memory = buffer->memory.get();
            *id = buffer->id;
            return VYRA_SUCCESS;
        }
        if (liveStops_ != liveStops)
            return VYRA_IMAGE_NOT_PRESENT;
        if (wake_.wait_until(lock, deadline) == std::cv_status::timeout && !ring_.hasQueued())
            return VYRA_TIMED_OUT;
    }
}

VyraStatus AravisCamera::describeFrame(int32_t id, void *record, uint32_t size)
{
    if (VyraStatus status = admit(false))
        return status;
    if (record == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    if (size != sizeof(VyraFrameDescriptor))
        return VYRA_INVALID_PARAMETER;
    VyraFrameDescriptor descriptor{};
    Lock lock(mutex_);
    if (VyraStatus status = ring_.describe(id, &descriptor))
        return status;
    ++framesDescribed_;
    std::memcpy(record, &descriptor, sizeof descriptor);
    return VYRA_SUCCESS;
}

void AravisCamera::statistics(uint64_t *received, uint64_t *described) const
{
    Lock lock(mutex_);
    *received = framesTaken_;
    *described = framesDescribed_;
}

// ---- Sensor, gains, frame rate ----

VyraStatus AravisCamera::querySensorProperties(VyraSensorProperties *properties)
{
    if (properties == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    CommandLock command(commandMutex_);
    if (VyraStatus status = admit(false))
        return status;
    features_->sensorProperties(identity_.model, properties);
    return VYRA_SUCCESS;
}

VyraStatus AravisCamera::setSensorGains(int32_t master, int32_t red, int32_t green, int32_t blue)
{
    if (master >= VYRA_GAIN_QUERY_MASTER && master <= VYRA_GAIN_QUERY_BLUE) {
        if (VyraStatus status = admit(false))
            return status;
        Lock lock(mutex_);
        const SequencerValues &v = settings_.values;
        const int32_t gains[] = {v.masterGain, v.redGain, v.greenGain, v.blueGain};
        return gains[master - VYRA_GAIN_QUERY_MASTER];
    }
    CommandLock command(commandMutex_);
    if (VyraStatus status = admit(false))
        return status;
    return setGainsLocked(master, red, green, blue);
}

VyraStatus AravisCamera::setGainsLocked(int32_t master, int32_t red, int32_t green, int32_t blue)
{
    const auto check = [](int32_t gain, bool present) {
        if (gain == VYRA_GAIN_KEEP)
            return VYRA_SUCCESS;
        if (gain < VYRA_GAIN_MIN || gain > VYRA_GAIN_MAX)
            return VYRA_INVALID_PARAMETER;
        return present || gain == VYRA_GAIN_MIN ? VYRA_SUCCESS : VYRA_NOT_SUPPORTED;
    };
    for (int32_t colour : {red, green, blue}) {
        if (VyraStatus status = check(colour, features_->hasColourGains()))
            return status;
    }
    if (VyraStatus status = check(master, features_->hasMasterGain()))
        return status;
    SequencerValues values;
    {
        Lock lock(mutex_);
        values = settings_.values;
    }
    const auto keep = [](int32_t gain, int32_t current) {
        return gain == VYRA_GAIN_KEEP ? current : gain;
    };
    values.masterGain = keep(master, values.masterGain);
    values.redGain = keep(red, values.redGain);
    values.greenGain = keep(green, values.greenGain);
    values.blueGain = keep(blue, values.blueGain);
    const VyraStatus status = applyValuesLocked(values);
    if (status == VYRA_SUCCESS) {
        Lock lock(mutex_);
        settings_.values.masterGain = values.masterGain;
        settings_.values.redGain = values.redGain;
        settings_.values.greenGain = values.greenGain;
        settings_.values.blueGain = values.blueGain;
    }
    return status;
}

VyraStatus AravisCamera::requestFrameRate(double fps, double *fpsSet)
{
    if (fpsSet == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    CommandLock command(commandMutex_);
    if (VyraStatus status = admit(false))
        return status;
    if (VyraStatus status = setFrameRateLocked(fps))
        return status;
    Lock lock(mutex_);
    *fpsSet = settings_.frameRate;
    return VYRA_SUCCESS;
}

VyraStatus AravisCamera::setFrameRateLocked(double fps)
{
    if (!std::isfinite(fps) || fps <= 0.0)
        return VYRA_INVALID_PARAMETER;
    double minimum = 0.5;
    double maximum = 1000.0;
    if (features_->hasFrameRate())
        features_->frameRateRange(&minimum, &maximum);
    // As a real driver does: the nearest rate the camera can run at.
    const double rate = std::clamp(fps, minimum, std::max(minimum, maximum));
    {
        Lock lock(mutex_);
        settings_.frameRate = rate;
    }
    return applyCameraTimingLocked();
}

VyraStatus AravisCamera::applyCameraTimingLocked()
{
    if (!features_->hasFrameRate())
        return VYRA_SUCCESS;
    double rate = 0.0;
    const bool triggered = cameraTriggeredLocked();
    {
        Lock lock(mutex_);
        rate = settings_.frameRate;
    }
    // A triggered camera runs as fast as it can, so that it takes every
    // trigger: the host's triggers set the pace. Running free, it keeps the rate.
    double minimum = 0.0;
    double maximum = 0.0;
    if (triggered && features_->frameRateRange(&minimum, &maximum) == VYRA_SUCCESS)
        rate = maximum;
    if (VyraStatus status = features_->setFrameRate(rate))
        return status;
    if (!triggered) {
        double actual = rate;
        features_->frameRate(&actual);
        Lock lock(mutex_);
        settings_.frameRate = actual;
    }
    return VYRA_SUCCESS;
}

VyraStatus AravisCamera::currentFrameRate(double *fps)
{
    if (fps == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    if (VyraStatus status = admit(false))
        return status;
    Lock lock(mutex_);
    *fps = settings_.frameRate;
    return VYRA_SUCCESS;
}

VyraStatus AravisCamera::frameIntervalRange(double *minimum, double *maximum, double *increment)
{
    if (minimum == nullptr || maximum == nullptr || increment == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    CommandLock command(commandMutex_);
    if (VyraStatus status = admit(false))
        return status;
    double slowest = 0.5;
    double fastest = 1000.0;
    if (features_->hasFrameRate())
        features_->frameRateRange(&slowest, &fastest);
    slowest = std::max(slowest, 0.01);
    fastest = std::max(fastest, slowest);
    *minimum = 1.0 / fastest;
    *maximum = 1.0 / slowest;
    // GenICam times count in microseconds.
    *increment = 1e-6;
    return VYRA_SUCCESS;
}

// ---- Geometry ----

bool AravisCamera::aoiValidLocked(const VyraRect &aoi) const
{
    const VyraSize minimum = features_->sizeMinimum();
    const VyraSize area = features_->imageArea();
    const VyraSize step = features_->sizeIncrement();
    const VyraSize position = features_->positionIncrement();
    return onGrid(aoi.width, minimum.width, area.width, step.width) &&
           onGrid(aoi.height, minimum.height, area.height, step.height) &&
           onGrid(aoi.x, 0, int64_t(area.width) - aoi.width, position.width) &&
           onGrid(aoi.y, 0, int64_t(area.height) - aoi.height, position.height);
}

VyraStatus AravisCamera::setRegionLocked(const VyraRect &aoi)
{
    if (!aoiValidLocked(aoi))
        return VYRA_INVALID_PARAMETER;
    VyraRect before{};
    {
        Lock lock(mutex_);
        before = {settings_.values.offsetX, settings_.values.offsetY, settings_.width,
                  settings_.height};
    }
    const auto apply = [&]() -> VyraStatus {
        VyraStatus status = features_->setRegion(aoi);
        if (status != VYRA_SUCCESS)
            features_->setRegion(before);
        return status;
    };
    // The image size changes the payload: the stream starts anew.
    const bool sameSize = aoi.width == before.width && aoi.height == before.height;
    const VyraStatus status = sameSize ? apply() : withAcquisitionStoppedLocked(apply);
    if (status != VYRA_SUCCESS)
        return status;
    Lock lock(mutex_);
    settings_.width = aoi.width;
    settings_.height = aoi.height;
    settings_.values.offsetX = applied_.offsetX = aoi.x;
    settings_.values.offsetY = applied_.offsetY = aoi.y;
    return VYRA_SUCCESS;
}

VyraStatus AravisCamera::aoiControl(uint32_t command, void *buffer, uint32_t size)
{
    CommandLock lock(commandMutex_);
    if (VyraStatus status = admit(false))
        return status;
    if (buffer == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    VyraRect aoi{};
    {
        Lock state(mutex_);
        aoi = {settings_.values.offsetX, settings_.values.offsetY, settings_.width,
               settings_.height};
    }
    switch (command) {
    case VYRA_AOI_SET: {
        VyraRect wanted{};
        if (VyraStatus status = readIn(buffer, size, &wanted))
            return status;
        return setRegionLocked(wanted);
    }
    case VYRA_AOI_GET:
        return writeOut(buffer, size, aoi);
    case VYRA_AOI_SET_OFFSET: {
        VyraPoint offset{};
        if (VyraStatus status = readIn(buffer, size, &offset))
            return status;
        return setRegionLocked({offset.x, offset.y, aoi.width, aoi.height});
    }
    case VYRA_AOI_GET_OFFSET:
        return writeOut(buffer, size, VyraPoint{aoi.x, aoi.y});
    case VYRA_AOI_OFFSET_MINIMUM:
        return writeOut(buffer, size, VyraPoint{0, 0});
    case VYRA_AOI_SIZE_MINIMUM:
        return writeOut(buffer, size, features_->sizeMinimum());
    case VYRA_AOI_OFFSET_MAXIMUM: {
        const VyraSize area = features_->imageArea();
        const VyraSize step = features_->positionIncrement();
        return writeOut(
            buffer, size,
            VyraPoint{alignDown(area.width - aoi.width, 0, area.width, step.width),
                      alignDown(area.height - aoi.height, 0, area.height, step.height)});
    }
    case VYRA_AOI_SIZE_MAXIMUM: {
        const VyraSize area = features_->imageArea();
        const VyraSize minimum = features_->sizeMinimum();
        const VyraSize step = features_->sizeIncrement();
        return writeOut(buffer, size,
                        VyraSize{alignDown(area.width, minimum.width, area.width, step.width),
                                 alignDown(area.height, minimum.height, area.height, step.height)});
    }
    case VYRA_AOI_POSITION_INCREMENT:
        return writeOut(buffer, size, features_->positionIncrement());
    case VYRA_AOI_SIZE_INCREMENT:
        return writeOut(buffer, size, features_->sizeIncrement());
    default:
        return VYRA_INVALID_PARAMETER;
    }
}

VyraStatus AravisCamera::factorMode(int32_t mode, bool binning)
{
    CommandLock command(commandMutex_);
    if (VyraStatus status = admit(false))
        return status;
    if (mode == VYRA_MODE_QUERY_SUPPORTED)
        return features_->supportedFactorBits(binning);
    if (mode == VYRA_MODE_QUERY_CURRENT) {
        Lock lock(mutex_);
        return binning ? settings_.binning : settings_.subsampling;
    }
    return setFactorsLocked(binning, mode);
}

VyraStatus AravisCamera::setFactorsLocked(bool binning, int32_t bits)
{
    const int horizontal = singleFactor(bits, true);
    const int vertical = singleFactor(bits, false);
    const int32_t known = VYRA_FACTOR_ALL_HORIZONTAL | VYRA_FACTOR_ALL_VERTICAL;
    if (bits < 0 || (bits & ~known) != 0 || horizontal == 0 || vertical == 0)
        return VYRA_INVALID_PARAMETER;
    if ((bits & ~features_->supportedFactorBits(binning)) != 0)
        return VYRA_NOT_SUPPORTED;
    VyraRect before{};
    int oldHorizontal = 1, oldVertical = 1;
    features_->factors(binning, &oldHorizontal, &oldVertical);
    {
        Lock lock(mutex_);
        before = {settings_.values.offsetX, settings_.values.offsetY, settings_.width,
                  settings_.height};
    }
    VyraRect after{};
    const VyraStatus status = withAcquisitionStoppedLocked([&]() -> VyraStatus {
        // Start from position 0 so that the camera takes any factor, then
        // cover the same part of the sensor as before.
        features_->setRegion(
            {0, 0, features_->sizeMinimum().width, features_->sizeMinimum().height});
        if (VyraStatus failed = features_->setFactors(binning, horizontal, vertical)) {
            features_->setRegion(before);
            return failed;
        }
        const VyraSize area = features_->imageArea();
        const VyraSize minimum = features_->sizeMinimum();
        const VyraSize step = features_->sizeIncrement();
        const VyraSize position = features_->positionIncrement();
        after.width = alignDown(int64_t(before.width) * oldHorizontal / horizontal, minimum.width,
                                area.width, step.width);
        after.height = alignDown(int64_t(before.height) * oldVertical / vertical, minimum.height,
                                 area.height, step.height);
        after.x = alignDown(int64_t(before.x) * oldHorizontal / horizontal, 0,
                            area.width - after.width, position.width);
        after.y = alignDown(int64_t(before.y) * oldVertical / vertical, 0,
                            area.height - after.height, position.height);
        return features_->setRegion(after);
    });
    if (status != VYRA_SUCCESS)
        return status;
    Lock lock(mutex_);
    (binning ? settings_.binning : settings_.subsampling) = bits;
    settings_.width = after.width;
    settings_.height = after.height;
    settings_.values.offsetX = applied_.offsetX = after.x;
    settings_.values.offsetY = applied_.offsetY = after.y;
    return VYRA_SUCCESS;
}

// ---- Exposure and flash ----

VyraStatus AravisCamera::setExposureLocked(double exposureMs)
{
    double minimum = 0.0, maximum = 0.0, increment = 0.0;
    if (VyraStatus status = features_->exposureRange(&minimum, &maximum, &increment))
        return status;
    if (!std::isfinite(exposureMs) || exposureMs < minimum || exposureMs > maximum)
        return VYRA_INVALID_PARAMETER;
    if (VyraStatus status = features_->setExposure(exposureMs))
        return status;
    double actual = exposureMs;
    features_->exposure(&actual);
    Lock lock(mutex_);
    settings_.values.exposureMs = applied_.exposureMs = actual;
    return VYRA_SUCCESS;
}

VyraStatus AravisCamera::exposureControl(uint32_t command, void *buffer, uint32_t size)
{
    CommandLock lock(commandMutex_);
    if (VyraStatus status = admit(false))
        return status;
    if (buffer == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    double minimum = 0.0, maximum = 0.0, increment = 0.0;
    switch (command) {
    case VYRA_EXPOSURE_MINIMUM:
    case VYRA_EXPOSURE_MAXIMUM:
    case VYRA_EXPOSURE_INCREMENT: {
        if (VyraStatus status = features_->exposureRange(&minimum, &maximum, &increment))
            return status;
        const double value = command == VYRA_EXPOSURE_MINIMUM   ? minimum
                             : command == VYRA_EXPOSURE_MAXIMUM ? maximum
                                                                : increment;
        return writeOut(buffer, size, value);
    }
    case VYRA_EXPOSURE_GET: {
        Lock state(mutex_);
        return writeOut(buffer, size, settings_.values.exposureMs);
    }
    case VYRA_EXPOSURE_SET: {
        double exposureMs = 0.0;
        if (VyraStatus status = readIn(buffer, size, &exposureMs))
            return status;
        return setExposureLocked(exposureMs);
    }
    case VYRA_EXPOSURE_LONG_GET:
    case VYRA_EXPOSURE_LONG_SET:
        // GenICam has no long exposure switch: the exposure range is the camera's whole range.
        return size == sizeof(int32_t) ? VYRA_NOT_SUPPORTED : VYRA_INVALID_PARAMETER;
    default:
        return VYRA_INVALID_PARAMETER;
    }
}

VyraStatus AravisCamera::setFlashLocked(int32_t mode, int32_t delayUs, int32_t durationUs)
{
    const VyraFlashParams maximum = features_->flashMaximum();
    if (mode < VYRA_FLASH_MODE_OFF || mode > VYRA_FLASH_MODE_CONSTANT_LOW || delayUs < 0 ||
        delayUs > maximum.delayUs || durationUs < 0 || uint32_t(durationUs) > maximum.durationUs)
        return VYRA_INVALID_PARAMETER;
    if (VyraStatus status = features_->setFlash(mode, delayUs, uint32_t(durationUs)))
        return status;
    Lock lock(mutex_);
    settings_.values.flashMode = applied_.flashMode = mode;
    settings_.values.flashDelayUs = applied_.flashDelayUs = delayUs;
    settings_.values.flashDurationUs = applied_.flashDurationUs = durationUs;
    return VYRA_SUCCESS;
}

VyraStatus AravisCamera::flashControl(uint32_t command, void *buffer, uint32_t size)
{
    CommandLock lock(commandMutex_);
    if (VyraStatus status = admit(false))
        return status;
    if (buffer == nullptr)
        return VYRA_INVALID_MEMORY_POINTER;
    if (!features_->hasFlash())
        return VYRA_NOT_SUPPORTED;
    SequencerValues values;
    {
        Lock state(mutex_);
        values = settings_.values;
    }
    switch (command) {
    case VYRA_FLASH_PARAMS_MINIMUM:
        return writeOut(buffer, size, VyraFlashParams{0, 0});
    case VYRA_FLASH_PARAMS_MAXIMUM:
        return writeOut(buffer, size, features_->flashMaximum());
    case VYRA_FLASH_PARAMS_INCREMENT:
        return writeOut(buffer, size, VyraFlashParams{1, 1});
    case VYRA_FLASH_PARAMS_GET:
        return writeOut(buffer, size,
                        VyraFlashParams{values.flashDelayUs, uint32_t(values.flashDurationUs)});
    case VYRA_FLASH_PARAMS_SET: {
        VyraFlashParams params{};
        if (VyraStatus status = readIn(buffer, size, &params))
            return status;
        if (params.durationUs > uint32_t(INT32_MAX))
            return VYRA_INVALID_PARAMETER;
        return setFlashLocked(values.flashMode, params.delayUs, int32_t(params.durationUs));
    }
    case VYRA_FLASH_MODE_GET:
        return writeOut(buffer, size, values.flashMode);
    case VYRA_FLASH_MODE_SET: {
        int32_t mode = 0;
        if (VyraStatus status = readIn(buffer, size, &mode))
            return status;
        return setFlashLocked(mode, values.flashDelayUs, values.flashDurationUs);
    }
    default:
        return VYRA_INVALID_PARAMETER;
    }
}

VyraStatus AravisCamera::deviceOptionControl(uint32_t command, void *buffer, uint32_t size)
{
    if (VyraStatus status = admit(false))
        return status;
    if (command != VYRA_DEVICE_MEMORY_MODE)
        return VYRA_INVALID_PARAMETER;
    // Images wait in the host's memory until the application takes them.
    return writeOut(buffer, size, int32_t(1));
}

// ---- Camera parameter files ----

VyraStatus AravisCamera::parameterSetControl(uint32_t command, void *parameter, uint32_t size)
{
    CommandLock lock(commandMutex_);
    if (VyraStatus status = admit(false))
        return status;
    if (size != 0)
        return VYRA_INVALID_PARAMETER;
    if (command == VYRA_PARAMETERSET_SAVE) {
        SensorSettings settings;
        {
            Lock state(mutex_);
            settings = settings_;
        }
        return VyraSim::ParameterSet::writeFile(
            parameter, VyraSim::ParameterSet::encode(identity_.model, identity_.serial, settings));
    }
    if (command == VYRA_PARAMETERSET_LOAD)
        return loadParametersLocked(parameter);
    return VYRA_INVALID_PARAMETER;
}

VyraStatus AravisCamera::loadParametersLocked(const void *path)
{
    {
        Lock state(mutex_);
        if (live_)
            return VYRA_CAPTURE_RUNNING;
    }
    std::string bytes;
    if (VyraStatus status = VyraSim::ParameterSet::readFile(path, &bytes))
        return status;
    const VyraSim::ParameterSet::Parsed parsed =
        VyraSim::ParameterSet::parse(bytes.data(), bytes.size());
    if (!parsed.model.empty() && parsed.model != identity_.model)
        return VYRA_INVALID_CAMERA_TYPE;
    if (parsed.status != VYRA_SUCCESS)
        return parsed.status;
    SensorSettings before;
    {
        Lock state(mutex_);
        before = settings_;
    }
    // All of the file or nothing: a value the camera refuses puts back what was.
    const VyraStatus status = applySettingsLocked(parsed.settings);
    if (status != VYRA_SUCCESS)
        applySettingsLocked(before);
    return status;
}

VyraStatus AravisCamera::applySettingsLocked(const SensorSettings &settings)
{
    if (VyraStatus status = setFactorsLocked(true, settings.binning))
        return status;
    if (VyraStatus status = setFactorsLocked(false, settings.subsampling))
        return status;
    const SequencerValues &v = settings.values;
    if (VyraStatus status =
            setRegionLocked({v.offsetX, v.offsetY, settings.width, settings.height}))
        return status;
    if (VyraStatus status = setFrameRateLocked(settings.frameRate))
        return status;
    if (VyraStatus status = setExposureLocked(v.exposureMs))
        return status;
    if (VyraStatus status = setGainsLocked(v.masterGain, v.redGain, v.greenGain, v.blueGain))
        return status;
    if (features_->hasFlash())
        return setFlashLocked(v.flashMode, v.flashDelayUs, v.flashDurationUs);
    return v.flashMode == VYRA_FLASH_MODE_OFF ? VYRA_SUCCESS : VYRA_NOT_SUPPORTED;
}

// ---- Sequencer ----

VyraStatus AravisCamera::sequencerControl(uint32_t command, void *buffer, uint32_t size)
{
    CommandLock lock(commandMutex_);
    if (VyraStatus status = admit(false))
        return status;
    CameraLimits limits;
    double increment = 0.0;
    features_->exposureRange(&limits.exposureMinimum, &limits.exposureMaximum, &increment);
    limits.masterGain = features_->hasMasterGain();
    limits.colourGains = features_->hasColourGains();
    limits.flash = features_->hasFlash();
    limits.flashMaximum = features_->flashMaximum();
    VyraSim::SequencerContext context;
    context.model = identity_.model;
    context.limits = &limits;
    VyraStatus status = VYRA_SUCCESS;
    bool wasRunning = false;
    const bool pacedBefore = hostPacedLocked();
    {
        Lock state(mutex_);
        const VyraSize area = features_->imageArea();
        limits.maximumOffsetX = area.width - settings_.width;
        limits.maximumOffsetY = area.height - settings_.height;
        context.live = settings_.values;
        wasRunning = sequencer_->sequencerModeOn();
        status = sequencer_->control(command, buffer, size, context);
        if (status == VYRA_SUCCESS && command == VYRA_SEQUENCER_MODE_SET)
            pending_.clear();
    }
    if (status != VYRA_SUCCESS)
        return status;
    if (hardwareSequencer_)
        return mirrorSequencerLocked(command, buffer);
    // Running free (0, 0x1008) the camera is paced by the host while a
    // host-driven sequence runs.
    if (hostPacedLocked() != pacedBefore) {
        if (VyraStatus reconfigured =
                withAcquisitionStoppedLocked([this] { return configureTriggerLocked(); }))
            return reconfigured;
    }
    bool running = false;
    SequencerValues live;
    {
        Lock state(mutex_);
        running = sequencer_->sequencerModeOn();
        live = settings_.values;
    }
    // A host-driven sequence only overrode the live values image by image.
    if (wasRunning && !running)
        return applyValuesLocked(live);
    return VYRA_SUCCESS;
}

VyraStatus AravisCamera::mirrorSequencerLocked(uint32_t command, const void *buffer)
{
    HardwareSequencer &camera = *hardwareSequencer_;
    VyraSim::SequencerConfiguration stored;
    int32_t selected = 0;
    bool sequencerMode = false;
    bool configurationMode = false;
    SequencerValues live;
    {
        Lock state(mutex_);
        stored = sequencer_->configuration();
        selected = sequencer_->selectedSet();
        sequencerMode = sequencer_->sequencerModeOn();
        configurationMode = sequencer_->configurationModeOn();
        live = settings_.values;
    }
    const int64_t features[] = {VYRA_FEATURE_EXPOSURE, VYRA_FEATURE_GAIN, VYRA_FEATURE_AOI_OFFSET_X,
                                VYRA_FEATURE_AOI_OFFSET_Y, VYRA_FEATURE_FLASH};
    switch (command) {
    case VYRA_SEQUENCER_MODE_SET:
        return camera.setSequencerMode(sequencerMode);
    case VYRA_SEQUENCER_CONFIGURATION_SET:
        return camera.setConfigurationMode(configurationMode);
    case VYRA_SEQUENCER_RESET:
        camera.setSequencerMode(false);
        return camera.setConfigurationMode(false);
    case VYRA_SEQUENCER_FEATURE_SELECT:
        std::memcpy(&selectedFeature_, buffer, sizeof selectedFeature_);
        return VYRA_SUCCESS;
    case VYRA_SEQUENCER_FEATURE_ENABLE:
        return camera.enableFeature(selectedFeature_,
                                    (stored.enabledFeatures & uint32_t(selectedFeature_)) != 0);
    case VYRA_SEQUENCER_SAVE_SET: {
        const VyraSim::SequencerConfiguration::Set &set = stored.sets[size_t(selected)];
        return camera.storeSet(selected, set.nextSet, set.triggerSource);
    }
    case VYRA_SEQUENCER_LOAD_FILE: {
        // Every set goes into the camera with its values made live for the
        // moment of storing it; then the live values come back.
        camera.setConfigurationMode(true);
        for (int64_t feature : features)
            camera.enableFeature(feature, (stored.enabledFeatures & uint32_t(feature)) != 0);
        VyraStatus status = VYRA_SUCCESS;
        for (size_t index = 0; index < stored.sets.size() && status == VYRA_SUCCESS; ++index) {
            const VyraSim::SequencerConfiguration::Set &set = stored.sets[index];
            status = applyValuesLocked(set.values);
            if (status == VYRA_SUCCESS)
                status = camera.storeSet(int32_t(index), set.nextSet, set.triggerSource);
        }
        const VyraStatus restored = applyValuesLocked(live);
        camera.setConfigurationMode(configurationMode);
        return status != VYRA_SUCCESS ? status : restored;
    }
    default:
        return VYRA_SUCCESS;
    }
}

} // namespace VyraAravis
