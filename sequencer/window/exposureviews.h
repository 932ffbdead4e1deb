#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QSharedPointer>

class HdrViewer;
class HistogramDock;
class ImageOutlets;
class PixelReadout;
class QAction;
class QDisplayWidget;
class QDockWidget;
class QMainWindow;
class QMenu;
struct Sequence;
class VyraCamera;

/// What the window offers to judge exposure, attached to it in one place:
/// the View menu (zoom to fit, 100 %, clipping marks and the docks, also
/// the image's context menu), the pixel read-out in the status bar (of the
/// camera image, or of the radiance under the mouse), the "Histogram" dock
/// of the image on screen and the "High dynamic range" dock of a running
/// bracket. The window tells it about the camera. GUI thread.
class ExposureViews : public QObject
{
    Q_OBJECT

public:
    /// Adds the menu before the menu insertBefore, the histogram below the
    /// feature dock and the high dynamic range view below the image dock
    /// (unless the window's saved layout places them), and "Save Radiance
    /// Image…" after saveImage in fileMenu. The high dynamic range view
    /// follows the runs and the latest images of outlets.
    ExposureViews(QMainWindow *window, QDisplayWidget *display, QDockWidget *imageDock,
                  QDockWidget *featureDock, QMenu *insertBefore, QMenu *fileMenu,
                  QAction *saveImage, ImageOutlets *outlets);

    /// A camera was opened; its images are read out from now on.
    void setCamera(const QSharedPointer<VyraCamera> &camera);
    /// The camera is given up.
    void releaseCamera();
    /// This sequence began to run; an empty one: the run stopped.
    void followRun(const Sequence &sequence);

    HistogramDock *histogramDock() const;
    HdrViewer *hdrViewer() const;

signals:
    /// The camera whose images are looked at; null when it went.
    void cameraChanged(const QSharedPointer<VyraCamera> &camera);

private:
    /// The View menu, before insertBefore in the menu bar.
    QMenu *buildMenu(QMenu *insertBefore);
    QAction *addAction(QMenu *menu, const QString &text);
    /// The AOI offset the image was taken with.
    QPoint offsetOf(const QImage &image);

    QMainWindow *m_window;
    QDisplayWidget *m_display;
    PixelReadout *m_readout;
    HistogramDock *m_histogram;
    HdrViewer *m_hdr;
    QSharedPointer<VyraCamera> m_camera;
    /// The AOI offset of each set of the running sequence, as its editors
    /// wrote it (the camera's for sets that leave it alone).
    QHash<int, QPoint> m_runOffsets;
    /// The camera's AOI offset, read once for the image last read out
    /// (by its cache key).
    qint64 m_offsetImage = 0;
    QPoint m_cameraOffset;
};
