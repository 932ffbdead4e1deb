#pragma once

#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

#include "imagefanout.h"
#include "imagerecorder.h"

class ImageLabels;
class QLabel;
class QStatusBar;
class QWidget;
class Sequencer;
class VyraCamera;

/// Runs the window's recordings, one at a time: makes each recording's
/// folder (named by its start time, inside the folder chosen) with copies of
/// the sequencer configuration (sequencer.xml) and the camera parameters
/// (camera.ini) taken at the start, attaches an ImageRecorder to the
/// camera's images, shows its progress in the status bar a few times a
/// second and says how it ended: in the status bar, or in a message box when
/// images were dropped or writing failed. GUI thread.
class RecordingControl : public QObject
{
    Q_OBJECT

public:
    /// The labels for the images to come; throws VyraCameraException.
    using LabelSource = std::function<std::shared_ptr<const ImageLabels>()>;

    static const QString sequencerFileName;
    static const QString cameraFileName;

    /// Message boxes are children of window; the progress shows in statusBar.
    RecordingControl(QWidget *window, QStatusBar *statusBar, QObject *parent = nullptr);
    /// A recording still going is stopped, and what it took is written.
    ~RecordingControl() override;

    /// Starts recording the camera's images as settings asks, in a new
    /// folder inside settings.folder. Says why and returns false when it
    /// cannot: nothing is left behind then.
    bool start(const ImageRecorder::Settings &settings, const QSharedPointer<VyraCamera> &camera,
               const QSharedPointer<Sequencer> &sequencer, const LabelSource &labels);
    /// Takes no more images; those taken are written. A reason ("the camera
    /// was removed") goes into the final message; without one the user stopped.
    void stop(const QString &reason = QString());
    /// A recording takes images.
    bool isRecording() const;
    /// A recording exists: it takes images, or writes out those it took.
    bool isActive() const;
    /// The folder of the recording going on or ended last.
    QString folder() const;

signals:
    /// A recording started, stopped taking images or ended.
    void stateChanged();
    /// The recording ended; everything it took is written or given up.
    void recordingEnded(const QString &folder);

private:
    /// Makes the recording's folder with the two copies; returns it, or an
    /// empty text after saying why.
    QString prepareFolder(const QString &parent, const QSharedPointer<VyraCamera> &camera,
                          const QSharedPointer<Sequencer> &sequencer);
    void showProgress();
    void finish();
    QString endMessage(const ImageRecorder::Progress &progress) const;

    QWidget *m_window;
    QStatusBar *m_statusBar;
    QLabel *m_progress;
    QTimer m_timer;
    std::unique_ptr<ImageRecorder> m_recorder;
    ImageFanOut::Attachment m_attachment;
    LabelSource m_labels;
    QString m_folder;
    QString m_endReason;
    bool m_stoppedByUser = false;
};
