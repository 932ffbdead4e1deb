#pragma once

#include <arv.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "featuremap.h"
#include "framering.h"
#include "genicamdevice.h"
#include "hardwaresequencer.h"
#include "sensorsettings.h"
#include "simsequencer.h"
#include "vyradriver.h"

namespace VyraAravis {

/// A camera as Aravis' discovery lists it.
struct DeviceIdentity
{
    std::string aravisId; ///< the name Aravis opens it by
    std::string vendor;
    std::string model;
    std::string serial;
    std::string protocol; ///< "GigEVision", "USB3Vision", "Fake"
    int32_t deviceId = 0; ///< the boundary's device ID
};

/// One GenICam camera this process has opened: its settings as the boundary
/// sees them, trigger and capture state, the application's frame buffers
/// filled from an Aravis stream, and the sequencer, run by the camera's own
/// Sequencer category where it has one and by the host otherwise.
///
/// Thread-safe. Two locks: commands (every call that reaches the camera, and
/// the triggers of the host's trigger thread) are serialised by one; the
/// state the capture thread shares (buffers, counters, the sequence's next
/// sets) is guarded by another that is never held across camera I/O.
class AravisCamera
{
public:
    /// Signals an event of this camera (removed, reconnected) or of the
    /// device list (removed, connected).
    using EventSink = std::function<void(VyraHandle handle, int32_t eventId)>;

    /// What calls on a camera whose control was lost answer: "no camera connected".
    static constexpr VyraStatus lostStatus = VYRA_CANT_OPEN_DEVICE;
    /// Aravis buffers the stream keeps in flight.
    static constexpr int streamBuffers = 8;
    /// The shortest time between two images of a free-running stream, in frame periods.
    static constexpr double evenness = 0.98;
    /// Sets of the host-driven sequencer, as many as the application builds.
    static constexpr int hostSetCount = 32;

    AravisCamera(VyraHandle handle, DeviceIdentity identity, EventSink events);
    ~AravisCamera();

    AravisCamera(const AravisCamera &) = delete;
    AravisCamera &operator=(const AravisCamera &) = delete;

    /// Takes over an opened camera and prepares it (RGB8-convertible pixel
    /// format, free run, the settings read back); on failure it lets go.
    VyraStatus open(ArvCamera *camera);
    /// Stops capture and lets go of the camera.
    void close();
    /// Control of the camera was lost (it was pulled out or stopped answering).
    void controlLost();
    /// Takes over the camera opened anew after its control was lost and
    /// restores the settings, buffers stay; capture goes on if it was live.
    VyraStatus reconnect(ArvCamera *camera);
    bool isLost() const;

    VyraHandle handle() const { return handle_; }
    const DeviceIdentity &identity() const { return identity_; }

    VyraStatus startLiveCapture(int32_t mode);
    VyraStatus stopLiveCapture(int32_t mode);
    VyraStatus captureSingleFrame();
    VyraStatus selectTriggerSource(int32_t code);
    VyraStatus selectPixelFormat(int32_t format);

    VyraStatus allocateFrameBuffer(int32_t width, int32_t height, int32_t bitsPerPixel,
                                   char **memory, int32_t *id);
    VyraStatus releaseFrameBuffer(char *memory, int32_t id);
    VyraStatus appendToBufferRing(char *memory, int32_t id);
    VyraStatus clearBufferRing();
    VyraStatus unlockRingBuffer(int32_t id, char *memory);
    VyraStatus enableImageQueue(int32_t mode);
    VyraStatus waitForQueuedImage(int32_t timeoutMs, char **memory, int32_t *id);
    VyraStatus describeFrame(int32_t id, void *record, uint32_t size);

    VyraStatus querySensorProperties(VyraSensorProperties *properties);
    VyraStatus setSensorGains(int32_t master, int32_t red, int32_t green, int32_t blue);
    VyraStatus requestFrameRate(double fps, double *fpsSet);
    VyraStatus currentFrameRate(double *fps);
    VyraStatus frameIntervalRange(double *minimum, double *maximum, double *increment);
    VyraStatus factorMode(int32_t mode, bool binning);

    VyraStatus aoiControl(uint32_t command, void *buffer, uint32_t size);
    VyraStatus exposureControl(uint32_t command, void *buffer, uint32_t size);
    VyraStatus flashControl(uint32_t command, void *buffer, uint32_t size);
    VyraStatus deviceOptionControl(uint32_t command, void *buffer, uint32_t size);
    VyraStatus parameterSetControl(uint32_t command, void *parameter, uint32_t size);
    VyraStatus sequencerControl(uint32_t command, void *buffer, uint32_t size);

    /// Images received from the camera, and images the application asked
    /// the descriptor of (the ones it shows), since opening.
    void statistics(uint64_t *received, uint64_t *described) const;

    /// Whether calls may go ahead: VYRA_INVALID_HANDLE once closed,
    /// lostStatus while control is lost unless the call only lets go.
    VyraStatus admit(bool letsGo) const;

private:
    using Clock = std::chrono::steady_clock;
    using Lock = std::unique_lock<std::mutex>;
    using CommandLock = std::unique_lock<std::timed_mutex>;

    /// What the host knows of an image it triggered before it arrives.
    struct PendingImage
    {
        int set = 0;
        double exposureMs = 0.0;
        Clock::time_point triggeredAt;
        /// The host's wall clock at the trigger, in ns, as Aravis stamps
        /// the buffers it receives.
        int64_t triggeredNs = 0;
    };

    /// Whether buffer is no answer to the oldest trigger while the camera
    /// is meant to take images only on triggers: an image nobody asked for
    /// (a camera that runs free whatever its trigger mode says) or one
    /// begun before that trigger. Expects the state lock.
    bool unaskedForLocked(ArvBuffer *buffer) const;

    /// How long a triggered image may take before the host gives it up
    /// (the camera missed the trigger). Expects the state lock.
    Clock::duration triggerPatienceLocked() const;

    // Everything below with "Locked" in its name expects the command lock.
    VyraStatus prepareLocked();
    VyraStatus readSettingsLocked();
    VyraStatus applySettingsLocked(const VyraSim::SensorSettings &settings);
    /// live: start the host's trigger thread too, where it paces the camera.
    VyraStatus startAcquisitionLocked(bool live);
    void stopAcquisitionLocked();
    /// Whether the host's trigger thread paces the camera: free run (0 or
    /// 0x1008) while a host-driven sequence runs.
    bool hostPacedLocked() const;
    /// Whether the camera takes images on software triggers (0x1002, or
    /// host-paced); otherwise it runs free at the frame rate.
    bool cameraTriggeredLocked() const;
    /// The camera's trigger mode and frame rate for the boundary's trigger mode.
    VyraStatus configureTriggerLocked();
    void startPacerLocked();
    void stopPacerLocked();
    /// Fires one software trigger; in a host-driven sequence the next set's
    /// values reach the camera first.
    VyraStatus triggerLocked();
    /// Writes those of values to the camera that differ from what it has.
    VyraStatus applyValuesLocked(const VyraSim::SequencerValues &values);
    /// Runs change with acquisition stopped, if it runs, and restarts it.
    VyraStatus withAcquisitionStoppedLocked(const std::function<VyraStatus()> &change);
    VyraStatus setRegionLocked(const VyraRect &aoi);
    VyraStatus setFactorsLocked(bool binning, int32_t bits);
    VyraStatus setExposureLocked(double exposureMs);
    VyraStatus setGainsLocked(int32_t master, int32_t red, int32_t green, int32_t blue);
    VyraStatus setFrameRateLocked(double fps);
    /// The camera's own frame rate: the set one running free, its fastest when triggered.
    VyraStatus applyCameraTimingLocked();
    VyraStatus setFlashLocked(int32_t mode, int32_t delayUs, int32_t durationUs);
    VyraStatus loadParametersLocked(const void *path);
    /// Carries a sequencer command the state model accepted over to the
    /// camera's Sequencer category.
    VyraStatus mirrorSequencerLocked(uint32_t command, const void *buffer);
    bool aoiValidLocked(const VyraRect &aoi) const;

    void captureLoop(ArvStream *stream);
    void deliver(ArvBuffer *buffer);
    void pacerLoop();

    const VyraHandle handle_;
    const DeviceIdentity identity_;
    const EventSink events_;
    const Clock::time_point openedAt_ = Clock::now();

    std::timed_mutex commandMutex_;
    std::unique_ptr<GenicamDevice> device_;
    std::unique_ptr<FeatureMap> features_;
    std::unique_ptr<HardwareSequencer> hardwareSequencer_;
    ArvStream *stream_ = nullptr;
    ArvChunkParser *chunkParser_ = nullptr;
    gulong controlLostHandler_ = 0;
    bool acquiring_ = false;
    VyraSim::SequencerValues applied_;                ///< what the camera has now
    int64_t selectedFeature_ = VYRA_FEATURE_EXPOSURE; ///< of the Sequencer category
    std::thread capture_;
    std::atomic<bool> stopCapture_{false};
    std::thread pacer_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool closed_ = false;
    bool lost_ = false;
    bool live_ = false;
    /// Counts the stops of live capture: a stop ends the image waits begun before it.
    uint64_t liveStops_ = 0;
    bool queueMode_ = false;
    bool stopPacer_ = false;
    int32_t triggerMode_ = VYRA_TRIGGER_OFF;
    /// Whether the camera is set to take images on software triggers only.
    bool cameraTriggered_ = false;
    VyraSim::SensorSettings settings_; ///< the live settings, as the boundary set them
    VyraSim::FrameRing ring_;
    std::deque<PendingImage> pending_;
    std::unique_ptr<VyraSim::SimSequencer> sequencer_;
    uint64_t framesTaken_ = 0;
    uint64_t framesDescribed_ = 0;
    uint32_t droppedSinceLive_ = 0;
    Clock::time_point lastDelivered_;
};

} // namespace VyraAravis
