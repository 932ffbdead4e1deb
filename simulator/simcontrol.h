#pragma once
/*
 * Control interface of the simulated camera driver.
 *
 * Tests, the control socket and tools use it to set up the simulated world
 * behind the driver boundary: which cameras exist and whether they are
 * plugged in or held by another program, which driver calls fail with which
 * status, and which calls the application made. It also lets them look at
 * the state of an opened camera without going through the driver calls
 * (which would themselves show up in the call log).
 *
 * Every function is thread-safe and may be called while other threads are
 * inside driver operations.
 */

#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "simsequencer.h"
#include "vyradriver.h"

namespace VyraSim {

/// One predefined image format of a camera (an entry of VYRA_IMAGE_FORMAT_LIST).
struct ImageFormat
{
    int32_t formatId = 0; ///< passed to VYRA_IMAGE_FORMAT_SET; positive
    std::string caption;  ///< e.g. "1280x1024 SXGA"; at most 63 bytes
    int32_t x = 0;        ///< AOI position the format sets, in image pixels
    int32_t y = 0;
    int32_t width = 0; ///< AOI size the format sets, in image pixels
    int32_t height = 0;
    int32_t binning = 0;     ///< VYRA_FACTOR_* bits the format sets
    int32_t subsampling = 0; ///< VYRA_FACTOR_* bits the format sets

    bool operator==(const ImageFormat &other) const;
    bool operator!=(const ImageFormat &other) const { return !(*this == other); }
};

/// Everything that distinguishes one simulated camera from another. The
/// sensor model derives every range (frame rate, exposure, AOI, flash) from
/// these figures.
struct CameraSpec
{
    int32_t deviceId = 0;          ///< openCamera's device ID; 0 lets Control::plugIn choose one
    int32_t cameraId = 1;          ///< the user-assignable camera ID of the camera list
    int32_t sensorId = 0;          ///< sensor type code of the camera list
    std::string model = "VK1240C"; ///< "VK" followed by digits and letters; < 28 bytes
    std::string cameraName = "VK1240C-USB";  ///< < 32 bytes
    std::string serialNumber = "4102000001"; ///< < 16 bytes
    std::string sensorName = "VS1240C";      ///< querySensorProperties; < 32 bytes
    int32_t sensorWidth = 1280;              ///< full sensor size in pixels
    int32_t sensorHeight = 1024;
    int32_t pixelSize = 530; ///< pixel pitch in 0.01 um
    bool globalShutter = true;
    bool masterGain = true;         ///< the master gain exists
    bool colourGains = true;        ///< red, green and blue gains exist
    bool memoryMode = true;         ///< deviceOptionControl 90 answers 1
    bool sequencerSupported = true; ///< sequencerControl 5 answers 1
    bool longExposure = true;       ///< the long-exposure switch exists
    bool flash = true;              ///< the flash output exists
    int32_t triggerSourceMask = 7;  ///< VYRA_SEQUENCER_TRIGGER_* bits of the sequencer
    int32_t sequencerSets = 32;     ///< sets the sequencer holds (1 to 255)
    /// Pixel clocks the camera accepts, MHz, ascending. The range command
    /// answers the first, the last and their common step (0 when uneven).
    std::vector<uint32_t> pixelClocksMHz = {10, 20, 30, 40, 50, 60, 70, 80, 86};
    uint32_t defaultPixelClockMHz = 86;
    int32_t binningModes = VYRA_FACTOR_2X_HORIZONTAL | VYRA_FACTOR_2X_VERTICAL; ///< supported bits
    int32_t subsamplingModes = VYRA_FACTOR_2X_HORIZONTAL | VYRA_FACTOR_2X_VERTICAL |
                               VYRA_FACTOR_4X_HORIZONTAL | VYRA_FACTOR_4X_VERTICAL;
    /// Steps of the AOI size in image pixels: a power of two, the width 8 to
    /// 32, the height 2 to 16.
    int32_t aoiWidthIncrement = 8;
    int32_t aoiHeightIncrement = 2;
    std::vector<ImageFormat> imageFormats;
    bool inUseElsewhere = false; ///< another program holds the camera

    bool operator==(const CameraSpec &other) const;
    bool operator!=(const CameraSpec &other) const { return !(*this == other); }
};

/// A camera of the simulated world and where it stands.
struct CameraState
{
    CameraSpec description;
    bool plugged = true;     ///< connected (listed by listCameras)
    bool openedHere = false; ///< this process holds it open
    VyraHandle handle = 0;   ///< its handle while opened here, else 0
};

/// The state of an opened camera, as a test wants to see it.
struct OpenCameraState
{
    int32_t deviceId = 0;
    bool plugged = true;
    bool live = false;
    int32_t triggerMode = VYRA_TRIGGER_OFF;
    int32_t pixelFormat = VYRA_PIXEL_FORMAT_RGB8;
    bool queueEnabled = false;
    SequencerValues values; ///< live exposure, gains, AOI offset, flash
    VyraRect aoi{};         ///< in image pixels (after binning and subsampling)
    int32_t binning = 0;    ///< VYRA_FACTOR_* bits
    int32_t subsampling = 0;
    uint32_t pixelClockMHz = 0;
    double frameRate = 0.0; ///< the rate the sensor runs at
    bool longExposure = false;
    bool sequencerMode = false;
    bool configurationMode = false;
    int32_t selectedSet = 0; ///< the set sequencer commands work on
    int32_t currentSet = 0;  ///< the set the next image of a running sequence is taken with
    /// What the sequencer stores: enabled features, every set's values and path 0.
    SequencerConfiguration sequence;
    uint64_t framesTaken = 0;     ///< images the sensor took since the camera was opened
    uint64_t framesDelivered = 0; ///< images written into a buffer of the ring
    uint64_t framesDropped = 0;   ///< images lost for want of a free buffer (since live started)
    int buffersAllocated = 0;
    int buffersInRing = 0;
    int buffersQueued = 0; ///< filled, waiting for waitForQueuedImage
    int buffersLocked = 0; ///< taken by waitForQueuedImage, not yet unlocked
};

/// The light of the scene as an open camera sees it, for tests that judge
/// what the application makes of the images (a radiance merge, say).
struct SceneRadiance
{
    int32_t width = 0; ///< the AOI size in image pixels
    int32_t height = 0;
    /// Red, green and blue of each pixel, row by row: the value an image holds
    /// per millisecond of exposure at unit gain and without flash, before it
    /// is cut to whole numbers and clipped at 255.
    std::vector<float> rgb;
    /// Rows at the top that hold the frame stamp, whose pixels follow no
    /// light; the scene is given there as if the stamp were not drawn.
    int32_t stampRows = 0;
};

/// One recorded driver call.
struct CallRecord
{
    std::string operation; ///< the operation's name, e.g. "aoiControl"
    VyraHandle handle = 0; ///< camera handle argument (0 for calls without one)
    /// The command code of the *Control operations; otherwise the argument
    /// that selects what the call does: the handle word of openCamera, the mode
    /// or code of startLiveCapture, stopLiveCapture, selectTriggerSource,
    /// selectPixelFormat, enableImageQueue, subsamplingMode and binningMode,
    /// the master argument of setSensorGains, the buffer ID of the buffer
    /// operations, the time-out of waitForQueuedImage and the event ID of the
    /// event operations; -1 for the operations without one.
    int64_t command = -1;
    uint32_t size = 0;      ///< buffer size argument, 0 where there is none
    VyraStatus status = 0;  ///< what the call answered
    std::thread::id thread; ///< the calling thread
};

/// A problem found in a camera configuration text.
struct ConfigProblem
{
    int line = 0;       ///< 1-based line of the text
    std::string reason; ///< what is wrong, in English
};

/// Parses the camera configuration format described in simulator/README.md.
/// Answers the cameras, or nothing and at least one problem.
std::vector<CameraSpec> parseCameraConfiguration(const std::string &text,
                                                 std::vector<ConfigProblem> *problems);
/// Writes cameras in the format parseCameraConfiguration reads.
std::string formatCameraConfiguration(const std::vector<CameraSpec> &cameras);
/// The three cameras of the embedded default.
std::vector<CameraSpec> defaultCameras();

/// Sets up and inspects the simulated world. All members are static; the
/// world is one per process, as a real driver's is.
class Control
{
public:
    Control() = delete;

    /// Back to the start state: every open camera closed (its threads ended,
    /// its buffers released), the cameras of the file named by VYRASIM_CAMERAS
    /// (or the embedded default when it is unset, empty or bad), no injected
    /// failures, an empty call log, logging enabled, no registered events.
    /// Answers the problems of a bad file, which are also written to stderr.
    static std::vector<ConfigProblem> resetToDefaults();

    /// Replaces the cameras (every open camera is closed first). Device IDs of
    /// 0 are given the next free ID. Answers false, changing nothing, when two
    /// cameras share a device ID or a description is invalid.
    static bool setCameras(const std::vector<CameraSpec> &cameras);
    static std::vector<CameraState> cameras();
    static std::optional<CameraState> camera(int32_t deviceId);

    /// Pulls the camera out: its open handle gets event 128, device listeners
    /// 129. Answers false for an unknown or already unplugged camera.
    static bool unplug(int32_t deviceId);
    /// Plugs a pulled-out camera back in: its open handle gets event 9, device
    /// listeners 130. An open camera keeps its parameters, buffers and live
    /// state, and capture goes on. False for an unknown or plugged camera.
    static bool replug(int32_t deviceId);
    /// Connects a new camera (device listeners get 130). Answers its device
    /// ID, or -1 when the ID is taken or the description is invalid.
    static int32_t plugIn(const CameraSpec &description);
    /// Pulls the camera out (as unplug) and forgets it for good.
    static bool remove(int32_t deviceId);
    /// Marks the camera as held, or no longer held, by another program.
    static bool setInUseElsewhere(int32_t deviceId, bool inUse);

    /// The next count calls of operation (a driver function name such as
    /// "waitForQueuedImage") answer status without doing anything; with a
    /// command, only calls with that command, mode or event ID count. Several
    /// injections for one operation are used in the order they were made.
    /// Answers false for an unknown operation name or a count below 1.
    static bool injectFailure(const std::string &operation, VyraStatus status, int count = 1,
                              std::optional<int64_t> command = std::nullopt);
    /// The callNumber-th driver call (1 is the next) that the thread (the
    /// calling one unless given) makes from now answers status without doing
    /// anything, whatever the operation; calls of other threads do not count. It counts as one
    /// pending failure until it is used. Replaces an earlier such request;
    /// false for a callNumber below 1.
    static bool injectFailureAtCall(int callNumber, VyraStatus status,
                                    std::thread::id thread = std::this_thread::get_id());
    static void clearFailures();
    /// Injected failures not used up yet, summed over all operations.
    static int pendingFailures();

    static void setCallLogEnabled(bool enabled);
    static std::vector<CallRecord> calls();
    static void clearCalls();

    /// Names of the 36 driver operations, in the order of vyradriver.h.
    static const std::vector<std::string> &operationNames();

    /// The state of the camera opened as handle, or nothing for a handle that
    /// is not open.
    static std::optional<OpenCameraState> openCameraState(VyraHandle handle);
    /// Handles of the cameras this process has open.
    static std::vector<VyraHandle> openHandles();

    /// The scene's light in an image of frame frameNumber (where the moving
    /// disc is) that the camera opened as handle takes at the AOI offset,
    /// with its current AOI size, binning and subsampling. Nothing for a
    /// handle that is not open or an offset outside the image area.
    static std::optional<SceneRadiance> sceneRadiance(VyraHandle handle, VyraPoint offset,
                                                      uint64_t frameNumber);
};

} // namespace VyraSim
