#pragma once

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QString>
#include <QVector>

#include <functional>
#include <optional>

#include "cameraresponse.h"
#include "radiancemerge.h"
#include "responsestore.h"

class QAction;
class QWidget;

/// The commands that calibrate a camera's response from a bracket of a
/// still scene and keep it for the camera model (ResponseStore): from the
/// latest cycle of the running bracket, or from the last complete cycle of
/// a recording's folder (RecordedBracket); and the command that forgets it.
/// Calibrating runs off the GUI thread; the outcome shows in a message box.
/// Built where OpenCV is. GUI thread.
class ResponseCalibrator : public QObject
{
    Q_OBJECT

public:
    /// The latest cycle of the running bracket, labelled; empty before the first.
    using CycleSource = std::function<QVector<RadianceMerge::Exposure>()>;

    ResponseCalibrator(QWidget *window, const ResponseStore &store, CycleSource latestCycle,
                       QObject *parent = nullptr);
    /// Waits for a calibration still running.
    ~ResponseCalibrator() override;

    /// "Calibrate from the Latest Cycle", "Calibrate from a Recording…",
    /// "Forget the Calibrated Response".
    QList<QAction *> commands() const;
    /// The model of the open camera, whose cycles are calibrated; empty
    /// when none is open.
    void setCameraModel(const QString &model);

    void calibrateFromLatestCycle();
    /// Calibrates from the recording in folder.
    void calibrateFromRecording(const QString &folder);
    bool isCalibrating() const;

signals:
    /// A response was kept or forgotten for the model.
    void responseChanged(const QString &cameraModel);

private:
    struct Outcome
    {
        QString cameraModel;
        std::optional<CameraResponse> response;
        int images = 0;
        QString failure;
    };

    void askForRecording();
    void forget();
    void start(const std::function<Outcome()> &calibrate);
    void finished();
    void showCommandState();

    QWidget *m_window;
    const ResponseStore m_store;
    const CycleSource m_latestCycle;
    QAction *m_fromCycle;
    QAction *m_fromRecording;
    QAction *m_forget;
    QString m_cameraModel;
    QString m_folder;
    QFutureWatcher<Outcome> m_watcher;
};
