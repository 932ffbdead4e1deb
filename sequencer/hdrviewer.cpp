#include "hdrviewer.h"

#include <QAction>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>

#include <cmath>

#include "cyclebrackets.h"
#include "hdrdock.h"
#include "vyracamera.h"
#include "vyraframeinfo.h"

namespace {

// Exposures closer than this (ms) count as one.
constexpr double sameExposureMs = 0.001;

} // namespace

HdrViewer::HdrViewer(QMainWindow *window, QDockWidget *imageDock, QMenu *viewMenu)
    : QObject(window), m_dock(new HdrDock(window)), m_cycles(new CycleBrackets(this))
{
    if (!window->restoreDockWidget(m_dock)) {
        window->addDockWidget(window->dockWidgetArea(imageDock), m_dock);
        window->splitDockWidget(imageDock, m_dock, Qt::Vertical);
    }
    QAction *toggle = m_dock->toggleViewAction();
    toggle->setObjectName(QStringLiteral("action_hdr"));
    viewMenu->addAction(toggle);
    connect(toggle, &QAction::triggered, this, [this](bool shown) { m_wanted = shown; });
    connect(m_dock, &HdrDock::closed, this, [this] { m_wanted = false; });
    connect(m_cycles, &CycleBrackets::cycleCompleted, this, &HdrViewer::takeCycle);
    offer(false);
}

HdrDock *HdrViewer::dock() const
{
    return m_dock;
}

bool HdrViewer::isOffered() const
{
    return m_offered;
}

void HdrViewer::setCamera(const QSharedPointer<VyraCamera> &camera)
{
    if (m_camera)
        m_camera->disconnect(m_cycles);
    m_camera = camera;
    m_cycles->reset();
    if (camera) {
        // Queued: the cycles are gathered on the GUI thread, where nothing
        // reaches them once the camera is disconnected.
        connect(camera.data(), &VyraCamera::imageCaptured, m_cycles, &CycleBrackets::take,
                Qt::QueuedConnection);
        return;
    }
    m_dock->clear();
    offer(false);
}

void HdrViewer::takeCycle(const QList<QSharedPointer<QImage>> &bracket)
{
    offer(variesExposure(bracket));
    if (m_offered)
        m_dock->fuseCycle(bracket);
}

void HdrViewer::offer(bool offered)
{
    m_offered = offered;
    m_dock->toggleViewAction()->setEnabled(offered);
    m_dock->setVisible(offered && m_wanted);
}

bool HdrViewer::variesExposure(const QList<QSharedPointer<QImage>> &bracket)
{
    if (bracket.isEmpty())
        return false;
    const double first = VyraFrameInfo::of(*bracket.first()).exposureMs;
    for (const QSharedPointer<QImage> &image : bracket) {
        if (std::abs(VyraFrameInfo::of(*image).exposureMs - first) > sameExposureMs)
            return true;
    }
    return false;
}
