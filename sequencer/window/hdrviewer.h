#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QSharedPointer>

#include <mutex>

#include "cyclecounter.h"
#include "imagefanout.h"

class HdrDock;
class LatestImages;
class QDockWidget;
class QMainWindow;
class QMenu;
struct Sequence;
class VyraCamera;

/// The fused view of a running exposure bracket, with all it needs: the
/// "High dynamic range" dock below the camera image, its entry in the View
/// menu, and its feed from the camera's images.
///
/// The dock is offered while a sequence runs in which at least two sets of
/// its cycle vary Exposure. Then one receiver on the camera's ImageFanOut
/// counts the cycles and, with the last image of each cycle, hands the
/// latest image of every set of the cycle (from LatestImages) to the dock,
/// which fuses it once. Offered, the dock shows unless the person closed it.
/// GUI thread, apart from the receiver.
class HdrViewer : public QObject
{
    Q_OBJECT

public:
    /// latest is the store of each set's latest image, attached to the
    /// camera's images before this view is (it outlives the view).
    HdrViewer(QMainWindow *window, QDockWidget *imageDock, QMenu *viewMenu,
              const LatestImages &latest);
    ~HdrViewer() override;

    HdrDock *dock() const;
    bool isOffered() const;

    /// Whether the sequence varies Exposure enough for a fused view: it
    /// varies Exposure and its cycle has at least two sets.
    static bool bracketsExposure(const Sequence &sequence);

public slots:
    /// The camera whose images are fused; null: the camera went.
    void setCamera(const QSharedPointer<VyraCamera> &camera);
    /// The sequence that began to run; empty when none runs.
    void followRun(const Sequence &sequence);

private slots:
    /// Hands the brackets the capture thread completed to the dock; queued
    /// from the capture thread.
    void deliverBrackets();

private:
    using Bracket = QList<QSharedPointer<QImage>>;

    /// Receives every image on the capture thread.
    void take(const QSharedPointer<QImage> &image);
    void offer(bool offered);

    QMainWindow *m_window;
    QDockWidget *m_imageDock;
    HdrDock *m_dock;
    const LatestImages &m_latest;
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
    bool m_offered = false;
    /// Whether the person wants the view whenever it is offered.
    bool m_wanted = true;
    /// Whether the dock has its height: from the saved layout, or once it
    /// first shows.
    bool m_sized = false;
};
