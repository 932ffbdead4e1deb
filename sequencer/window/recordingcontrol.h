#pragma once

#include <QObject>
#include <QSharedPointer>
#include <QString>

#include "recordingsession.h"

class QLabel;
class QStatusBar;
class QWidget;
class Sequencer;
class VyraCamera;

/// The window's view of its recordings, one at a time: starts a
/// RecordingSession, shows its progress in the status bar a few times a
/// second and says how it ended: in the status bar, or in a message box when
/// images were dropped or writing failed. GUI thread.
class RecordingControl : public QObject
{
    Q_OBJECT

public:
    using LabelSource = RecordingSession::LabelSource;

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

signals:
    /// A recording started, stopped taking images or ended.
    void stateChanged();

private:
    void showProgress();
    void showEnd();
    /// The status bar's words for a recording that did not fail.
    static QString endMessage(const RecordingSession &session);

    QWidget *m_window;
    QStatusBar *m_statusBar;
    QLabel *m_progress;
    RecordingSession *m_session = nullptr;
};
