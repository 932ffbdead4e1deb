#pragma once

#include <QImage>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSharedPointer>
#include <QSize>
#include <QString>

#include <atomic>
#include <mutex>

#include "imagefanout.h"
#include "vyradriver.h"
#include "vyraframeinfo.h"

class VyraCaptureThread;
class VyraEventThread;

/// One open camera: its driver handle, the ring of image buffers the driver
/// fills, the capture thread that turns them into shared images (each
/// carrying its VyraFrameInfo) and the
/// threads that report the camera's removal and reconnection, plus every
/// camera feature the application reads or edits.
///
/// Feature calls run on the GUI thread (trigger() also on the auto-trigger
/// thread, the parameter-set calls also on background tasks); every failing
/// driver call throws VyraCameraException. All signals are emitted on the
/// thread that owns the camera: the images the capture thread passes on for
/// the screen cross to it under a standard mutex, which the thread sanitizer
/// can see (it cannot see into Qt's event queue), and go out there with
/// activeSetChanged() and imageCaptured(), in the order they came and only
/// while the capture that took them runs.
class VyraCamera : public QObject
{
    Q_OBJECT

public:
    /// Frame rate range in frames per second, as framerateRange() derives it
    /// from the driver's frame interval range.
    struct FramerateRange
    {
        double minimum = 0.0;
        double maximum = 0.0;
        double increment = 0.0;
    };

    /// How the camera list names the camera.
    struct Identity
    {
        QString name;
        QString model;
        QString serialNumber;
    };

    /// Pixel clock range in MHz.
    struct PixelClockRange
    {
        int minimum = 0;
        int maximum = 0;
        int increment = 0;
    };

    /// Opens the camera with this device ID and prepares it (30 fps, 32
    /// queued buffers of the current AOI, RGB pixel format, event threads
    /// running). Throws VyraCameraException; the camera is then closed again.
    explicit VyraCamera(int deviceId);
    /// Stops capture and the event threads, releases the buffers and closes
    /// the camera. Never throws.
    ~VyraCamera() override;

    /// Frame rate 30, fresh buffers, RGB pixel format.
    void configurate();
    VyraHandle handle() const;
    /// The device ID the camera was opened with.
    int deviceId() const;
    /// The camera's name from the driver's camera list; empty when not listed.
    QString getName() const;
    /// Name, model and serial number from the driver's camera list; empty
    /// texts when the camera is not listed.
    Identity identity() const;

    // Live video, triggering and images
    void enableLiveVideo(bool enable);
    bool isLiveVideoEnabled() const;
    /// Selects the trigger source; with restart, live capture is stopped
    /// around the change and resumed if it ran.
    void setTriggerMode(int mode, bool restart);
    /// The free-running trigger mode for a sequence the camera's sequencer
    /// runs: its images name the set that took them, as those of the
    /// single-trigger mode do. Live capture is stopped around the change and
    /// resumed if it ran; any other trigger mode ends it.
    void runSequenceFree();
    void trigger();
    /// Waits up to two frame periods (or maximumWaitMs, when that is shorter
    /// and not negative) for the next buffer and converts it into an image
    /// that carries its VyraFrameInfo. Empty on time-out or failure; never
    /// throws. Capture thread only.
    QSharedPointer<QImage> waitForNextImage(int maximumWaitMs = -1);
    /// Every image the camera delivers, before the display's gate: where
    /// recorders, statistics and per-set views attach.
    ImageFanOut &images();
    /// Counts the starts of capture: images of one number came in one
    /// uninterrupted stream. Read by fan-out receivers on the capture thread.
    quint64 captureStream() const;

    // Buffers
    /// Allocates, queues and returns 32 buffers of the current AOI size.
    QMap<int, char *> allocImageBuffers();
    /// Releases every buffer of the map and sets its memory to null.
    void freeImageBuffers(QMap<int, char *> &bufferMap);
    /// Replaces the buffers by ones of the current image size, pausing live
    /// capture around it.
    void reallocImageBuffers();

    // Camera configuration file (written and read by the driver)
    void parameterSetSave(const QString &path);
    void parameterSetLoad(const QString &path);

    // Exposure, milliseconds
    double exposure() const;
    double exposureMinimum() const;
    double exposureMaximum() const;
    double exposureIncrement() const;
    void setExposure(double ms);
    bool exposureLongEnabled() const;
    void setExposureLongEnabled(bool enabled);

    // Gain, 0 to 100
    bool isMasterGainSupported() const;
    bool isColorGainSupported() const;
    int masterGain() const;
    int redGain() const;
    int greenGain() const;
    int blueGain() const;
    int gainMinimum() const;
    int gainMaximum() const;
    void setGain(int master, int red, int green, int blue);

    // Area of interest, pixels
    QRect aoi() const;
    void setAoi(const QRect &aoi);
    QPoint aoiOffset() const;
    void setAoiOffset(const QPoint &offset);
    QPoint aoiOffsetMinimum() const;
    QPoint aoiOffsetMaximum() const;
    QSize aoiSizeMinimum() const;
    QSize aoiSizeMaximum() const;
    QSize aoiPosIncrement() const;
    QSize aoiSizeIncrement() const;

    // Pixel clock, MHz
    int pixelClock() const;
    /// The selectable clocks, at most 150.
    QList<int> pixelClockGetList() const;
    PixelClockRange pixelClockRange() const;
    void setPixelClock(int mhz);

    // Frame rate, frames per second
    /// Reads the current rate from the driver and remembers it.
    double framerate();
    /// Requests a rate; returns the rate the driver set.
    double setFramerate(double fps);
    FramerateRange framerateRange() const;
    /// The highest rate the camera can take images of this exposure (ms)
    /// at, at the current image size and pixel clock: for a sequence, that
    /// of its longest exposure.
    double highestFramerate(double exposureMs) const;

    // Subsampling and binning: one bit per factor and direction, 0 is "1x"
    int horizontalSubsampling() const;
    int verticalSubsampling() const;
    /// Supported factors of the direction: bit to label, always with 0 "1x".
    QMap<int, QString> horizontalSubsamplingModes() const;
    QMap<int, QString> verticalSubsamplingModes() const;
    void setHorizontalSubsampling(int bit);
    void setVerticalSubsampling(int bit);
    int horizontalBinning() const;
    int verticalBinning() const;
    QMap<int, QString> horizontalBinningModes() const;
    QMap<int, QString> verticalBinningModes() const;
    void setHorizontalBinning(int bit);
    void setVerticalBinning(int bit);

    /// Applies one of the sensor's predefined image formats.
    void setImageFormat(int formatId);

    // Flash; delay and duration in microseconds
    int flashMode() const;
    void setFlashMode(int mode);
    int flashDelay() const;
    int flashDuration() const;
    int flashDelayMin() const;
    int flashDurationMin() const;
    int flashDelayMax() const;
    int flashDurationMax() const;
    int flashDelayInc() const;
    int flashDurationInc() const;
    void setFlashDelay(int us);
    void setFlashDuration(int us);

    // Sequencer
    bool isSequencerSupported() const;
    bool isSequencerEnabled() const;
    /// The path record of path 0 of the selected set, as the driver fills it.
    VyraPathRecord activePath() const;
    void setActivePath(int pathIndex, int nextSet, int triggerSource);
    bool isMemoryModeEnabled() const;

signals:
    void cameraRemoved();
    void cameraReconnected();
    void imageCaptured(QSharedPointer<QImage> image);
    void imageSizeChanged();
    void framerateChanged();
    void pixelclockChanged();
    void gainChanged();
    void exposureChanged();
    void newFramerate(double fps);
    void activeSetChanged(int nActiveSetId);

private slots:
    void cameraRemovedEvent();
    void cameraReconnectedEvent();
    /// Capture thread: queues the image for the camera's own thread.
    void imageCapturedEvent(QSharedPointer<QImage> image);
    /// Emits the queued images; queued from the capture thread.
    void emitCapturedImages();

private:
    void parameterSetLoadInternal(const QString &path);
    Identity listedIdentity(const char *method) const;
    /// Two frame periods at the current rate: how long an image may take.
    int imageWaitMs() const;
    static VyraFrameInfo frameInfo(const VyraFrameDescriptor &frame, bool sequenceRunsFree);
    void selectTriggerMode(int mode, bool restart, bool sequenceRunsFree);
    // Capture pause and resume: the capture thread and the image timer, not
    // the camera's live state.
    void startCapture();
    void stopCapture();
    void setFactorMode(VyraStatus (*modeCall)(VyraHandle, int32_t), int bit, int keptBits,
                       const char *method, int line);
    /// After a failure: starts live video again if it ran, swallowing a
    /// second failure.
    void resumeLiveVideo(bool wasLive) noexcept;
    void shutDown() noexcept;

    VyraHandle m_handle = 0;
    QSharedPointer<VyraEventThread> m_removalThread;
    QSharedPointer<VyraEventThread> m_reconnectionThread;
    QSharedPointer<VyraCaptureThread> m_captureThread;
    std::atomic<quint64> m_captureStream{0};
    // Whether the capture thread's images go on to imageCaptured(): read on
    // the camera's thread when an image queued from the capture thread
    // arrives there.
    std::atomic<bool> m_capturing{false};
    // Whether free-running images are a sequence's: set on the GUI thread
    // while capture is paused, read by the capture thread.
    std::atomic<bool> m_sequenceRunsFree{false};
    int m_deviceId;
    QMap<int, char *> m_bufferMap;
    ImageFanOut m_images;
    /// An image on its way to the camera's thread, with the capture it
    /// belongs to.
    struct CapturedImage {
        QSharedPointer<QImage> image;
        quint64 stream;
    };
    std::mutex m_capturedMutex;
    QList<CapturedImage> m_captured;
    // Read by the capture thread for its wait time-out while the GUI thread
    // may set a new rate.
    std::atomic<double> m_framerate{30.0};
};

Q_DECLARE_METATYPE(QSharedPointer<QImage>)
