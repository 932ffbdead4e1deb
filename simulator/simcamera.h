#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "framering.h"
#include "scenerenderer.h"
#include "sensormodel.h"
#include "simcontrol.h"
#include "simsequencer.h"
#include "vyradriver.h"

namespace VyraSim {

/// One simulated camera: the device (plugged in or not, held by another
/// program or not) and, while this process has it open, everything an open
/// camera holds: its settings, trigger and capture state, frame buffers,
/// sequencer and the producer thread that takes images while it is live.
///
/// Every driver operation on a camera handle ends up in one method here,
/// which answers VYRA_INVALID_HANDLE when the handle is not (or no longer)
/// this camera's and, while the camera is pulled out, the status
/// unpluggedStatus, except for the calls that only let go of resources.
/// Thread-safe: one lock guards the state; it is never held while an image
/// is rendered, a file is read or written, or a thread is joined.
class SimCamera
{
public:
    /// What the calls on a pulled-out camera answer: "no camera connected".
    static constexpr VyraStatus unpluggedStatus = VYRA_CANT_OPEN_DEVICE;

    explicit SimCamera(const CameraSpec &description);
    ~SimCamera();

    SimCamera(const SimCamera &) = delete;
    SimCamera &operator=(const SimCamera &) = delete;

    int32_t deviceId() const { return spec_.deviceId; }
    int32_t cameraId() const { return spec_.cameraId; }
    bool plugged() const;
    bool inUse() const;
    /// The handle this process has it open with, or 0.
    VyraHandle handle() const;
    CameraState state() const;
    VyraCameraRecord record() const;
    void setPlugged(bool plugged);
    void setInUseElsewhere(bool inUse);

    /// Opens the camera as handle with its power-on settings; answers
    /// VYRA_ALL_DEVICES_BUSY when it is held here or elsewhere.
    VyraStatus open(VyraHandle handle);
    /// Stops capture, ends the producer thread and releases the buffers.
    void close(VyraHandle handle);
    std::optional<OpenCameraState> openState(VyraHandle handle) const;
    /// See Control::sceneRadiance.
    std::optional<SceneRadiance> sceneRadiance(VyraHandle handle, VyraPoint offset,
                                               uint64_t frameNumber);

    /// VYRA_SUCCESS when handle is this camera's and the call may go ahead.
    VyraStatus admit(VyraHandle handle, bool whileUnplugged) const;

    VyraStatus startLiveCapture(VyraHandle handle, int32_t mode);
    VyraStatus stopLiveCapture(VyraHandle handle, int32_t mode);
    VyraStatus captureSingleFrame(VyraHandle handle);
    VyraStatus selectTriggerSource(VyraHandle handle, int32_t code);
    VyraStatus selectPixelFormat(VyraHandle handle, int32_t format);

    VyraStatus allocateFrameBuffer(VyraHandle handle, int32_t width, int32_t height,
                                   int32_t bitsPerPixel, char **memory, int32_t *id);
    VyraStatus releaseFrameBuffer(VyraHandle handle, char *memory, int32_t id);
    VyraStatus appendToBufferRing(VyraHandle handle, char *memory, int32_t id);
    VyraStatus clearBufferRing(VyraHandle handle);
    VyraStatus unlockRingBuffer(VyraHandle handle, int32_t id, char *memory);
    VyraStatus enableImageQueue(VyraHandle handle, int32_t mode);
    VyraStatus waitForQueuedImage(VyraHandle handle, int32_t timeoutMs, char **memory, int32_t *id);
    VyraStatus describeFrame(VyraHandle handle, int32_t id, void *record, uint32_t size);

    VyraStatus querySensorProperties(VyraHandle handle, VyraSensorProperties *properties);
    VyraStatus setSensorGains(VyraHandle handle, int32_t master, int32_t red, int32_t green,
                              int32_t blue);
    VyraStatus requestFrameRate(VyraHandle handle, double fps, double *fpsSet);
    VyraStatus currentFrameRate(VyraHandle handle, double *fps);
    VyraStatus frameIntervalRange(VyraHandle handle, double *minimum, double *maximum,
                                  double *increment);
    VyraStatus subsamplingMode(VyraHandle handle, int32_t mode);
    VyraStatus binningMode(VyraHandle handle, int32_t mode);

    VyraStatus aoiControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size);
    VyraStatus exposureControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size);
    VyraStatus flashControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size);
    VyraStatus pixelClockControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size);
    VyraStatus imageFormatControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size);
    VyraStatus deviceOptionControl(VyraHandle handle, uint32_t command, void *buffer,
                                   uint32_t size);
    VyraStatus parameterSetControl(VyraHandle handle, uint32_t command, void *parameter,
                                   uint32_t size);
    VyraStatus sequencerControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size);

private:
    using Clock = std::chrono::steady_clock;
    using Lock = std::unique_lock<std::mutex>;

    VyraStatus admitLocked(VyraHandle handle, bool whileUnplugged) const;
    /// Binning or subsampling: queries answer bits, anything else sets them.
    VyraStatus modeBits(VyraHandle handle, int32_t mode, bool binning);
    VyraStatus saveParameters(VyraHandle handle, const void *path);
    VyraStatus loadParameters(VyraHandle handle, const void *path);

    void producerLoop();
    /// Takes one image, begun on the sensor at start, into the next free
    /// buffer (or drops it), and answers the exposure it was taken with in
    /// ms. Called with the lock held; releases it while the image is rendered.
    double takeImage(Lock &lock, bool live, Clock::time_point start);
    std::shared_ptr<const SceneRenderer> renderer();
    /// Wakes the producer and every waiter after a change they depend on.
    void changed() { wake_.notify_all(); }

    const CameraSpec spec_;
    const SensorModel model_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;

    bool plugged_ = true;
    bool inUseElsewhere_ = false;

    // The open camera; meaningful while open_.
    bool open_ = false;
    VyraHandle handle_ = 0;
    uint64_t openGeneration_ = 0; ///< changes with every open and close
    Clock::time_point openedAt_;
    SensorSettings settings_;
    int32_t triggerMode_ = VYRA_TRIGGER_OFF;
    int32_t pixelFormat_ = VYRA_PIXEL_FORMAT_RGB8;
    bool queueMode_ = false;
    bool live_ = false;
    /// Changes whenever live capture starts or stops and with every trigger
    /// mode selected: an image begun before is not delivered.
    uint64_t liveGeneration_ = 0;
    uint64_t liveStops_ = 0; ///< counts the stops of live capture
    int pendingTriggers_ = 0;
    int fillsInProgress_ = 0;
    uint64_t framesTaken_ = 0;
    uint64_t framesDelivered_ = 0;
    uint64_t framesDropped_ = 0;
    uint32_t droppedSinceLive_ = 0;
    FrameRing ring_;
    std::unique_ptr<SimSequencer> sequencer_;
    bool stopProducer_ = false;
    std::thread producer_;

    std::mutex rendererMutex_;
    std::shared_ptr<const SceneRenderer> renderer_;
};

} // namespace VyraSim
