#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QSharedPointer>

class CycleBrackets;
class HdrDock;
class QDockWidget;
class QMainWindow;
class QMenu;
class VyraCamera;

/// The fused view of a running exposure bracket, with all it needs: the
/// "High dynamic range" dock below the camera image, its entry in the View
/// menu, and the cycles of the camera's images that feed it.
///
/// The dock is offered while the last complete cycle of the sequence took
/// its images with at least two different exposures (as the driver reports
/// them with each image), and withdrawn when a cycle does not, or the
/// camera goes. Offered, it shows unless the person closed it. GUI thread.
class HdrViewer : public QObject
{
    Q_OBJECT

public:
    HdrViewer(QMainWindow *window, QDockWidget *imageDock, QMenu *viewMenu);

    HdrDock *dock() const;
    bool isOffered() const;

public slots:
    /// Feeds the view from this camera's images; null: the camera went.
    void setCamera(const QSharedPointer<VyraCamera> &camera);

private:
    void takeCycle(const QList<QSharedPointer<QImage>> &bracket);
    void offer(bool offered);
    static bool variesExposure(const QList<QSharedPointer<QImage>> &bracket);

    HdrDock *m_dock;
    CycleBrackets *m_cycles;
    QSharedPointer<VyraCamera> m_camera;
    bool m_offered = false;
    /// Whether the person wants the view whenever it is offered.
    bool m_wanted = true;
};
