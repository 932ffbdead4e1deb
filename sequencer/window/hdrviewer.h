#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QSharedPointer>

#include <memory>
#include <mutex>

#include "cyclecounter.h"
#include "imagefanout.h"
#include "radiancemerge.h"

class HdrDock;
class ImageLabels;
class LatestImages;
class QAction;
class QDockWidget;
class QMainWindow;
class QMenu;
class RadianceSaver;
class ResponseCalibrator;
struct Sequence;
class VyraCamera;

/// The view into a running exposure bracket, with all it needs: the "High
/// dynamic range" dock below the camera image, its entry in the View menu,
/// "Save Radiance Image…" in the File menu, the commands that calibrate the
/// camera's response (where the build has OpenCV), and its feed from the
/// camera's images.
///
/// The dock is offered while a sequence runs whose cycle takes two or more
/// different exposures (CycleBracket). Then one receiver on the camera's
/// ImageFanOut counts the cycles and, with the last image of each cycle,
/// hands the latest image of every set of the cycle (from LatestImages) to
/// the GUI thread, where the dock shows it and Save Radiance Image takes
/// it. The cycle's images are labelled with the run's ImageLabels and
/// merged with the camera model's response (ResponseStore). Offered, the
/// dock shows unless the person closed it. GUI thread, apart from the
/// receiver.
class HdrViewer : public QObject
{
    Q_OBJECT

public:
    /// latest is the store of each set's latest image, attached to the
    /// camera's images before this view is (it outlives the view). "Save
    /// Radiance Image…" goes into fileMenu after saveImage.
    HdrViewer(QMainWindow *window, QDockWidget *imageDock, QMenu *viewMenu, QMenu *fileMenu,
              QAction *saveImage, const LatestImages &latest);
    ~HdrViewer() override;

    HdrDock *dock() const;
    bool isOffered() const;

public slots:
    /// The camera whose images are shown; null: the camera went.
    void setCamera(const QSharedPointer<VyraCamera> &camera);
    /// The sequence that began to run, empty when none runs, with the
    /// labels of its images; null labels, and problem saying why, when the
    /// camera's values could not be read.
    void followRun(const Sequence &sequence, std::shared_ptr<const ImageLabels> labels,
                   const QString &problem = QString());

private slots:
    /// Hands the brackets the capture thread completed to the dock; queued
    /// from the capture thread.
    void deliverBrackets();

private:
    using Bracket = QList<QSharedPointer<QImage>>;

    /// Receives every image on the capture thread.
    void take(const QSharedPointer<QImage> &image);
    /// A cycle of the run is complete; GUI thread.
    void cycleCompleted(const QList<QSharedPointer<QImage>> &images);
    void offer(bool offered);
    /// Reads the camera's model and the response to merge with; says why
    /// not when the camera cannot tell.
    QString prepareMerge();
    /// The latest cycle, labelled; empty before the first.
    QVector<RadianceMerge::Exposure> latestCycle() const;
    void saveRadiance();
    void showSaveState();

    QMainWindow *m_window;
    QDockWidget *m_imageDock;
    HdrDock *m_dock;
    const LatestImages &m_latest;
    QAction *m_saveRadiance;
    RadianceSaver *m_saver;
    ResponseCalibrator *m_calibrator = nullptr;
    QSharedPointer<VyraCamera> m_camera;
    ImageFanOut::Attachment m_attachment;
    /// The sets of the run's cycle, and the count of its cycles: the
    /// capture thread's alone while the receiver is attached.
    QList<int> m_cycle;
    CycleCounter m_cycles;
    /// Brackets on their way from the capture thread to the GUI thread, under
    /// a standard mutex so that the thread sanitizer sees them cross (it
    /// cannot see into Qt's event queue).
    std::mutex m_bracketsMutex;
    QList<Bracket> m_brackets;
    std::shared_ptr<const ImageLabels> m_labels;
    std::shared_ptr<const RadianceMerge> m_merge;
    QString m_cameraModel;
    QString m_serialNumber;
    /// Why the run's cycles cannot be merged; empty when they can.
    QString m_whyNot;
    QList<QSharedPointer<QImage>> m_lastCycle;
    bool m_offered = false;
    /// Whether the person wants the view whenever it is offered.
    bool m_wanted = true;
    /// Whether the dock has its height: from the saved layout, or once it
    /// first shows.
    bool m_sized = false;
};
