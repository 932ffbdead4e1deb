#include "hdrviewer.h"

#include <QAction>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>

#include <utility>

#include "hdrdock.h"
#include "latestimages.h"
#include "sequence.h"
#include "vyracamera.h"
#include "vyradriver.h"
#include "vyraframeinfo.h"

HdrViewer::HdrViewer(QMainWindow *window, QDockWidget *imageDock, QMenu *viewMenu,
                     const LatestImages &latest)
    : QObject(window)
    , m_window(window)
    , m_imageDock(imageDock)
    , m_dock(new HdrDock(window))
    , m_latest(latest)
{
    m_sized = window->restoreDockWidget(m_dock);
    if (!m_sized) {
        window->addDockWidget(window->dockWidgetArea(imageDock), m_dock);
        window->splitDockWidget(imageDock, m_dock, Qt::Vertical);
    }
    QAction *toggle = m_dock->toggleViewAction();
    toggle->setObjectName(QStringLiteral("action_hdr"));
    viewMenu->addAction(toggle);
    connect(toggle, &QAction::triggered, this, [this](bool shown) { m_wanted = shown; });
    connect(m_dock, &HdrDock::closed, this, [this] { m_wanted = false; });
    offer(false);
}

HdrViewer::~HdrViewer()
{
    // The receiver reads this view's members.
    m_attachment.detach();
}

HdrDock *HdrViewer::dock() const
{
    return m_dock;
}

bool HdrViewer::isOffered() const
{
    return m_offered;
}

bool HdrViewer::bracketsExposure(const Sequence &sequence)
{
    return sequence.varies(VYRA_FEATURE_EXPOSURE) && sequence.cycle().size() >= 2;
}

void HdrViewer::setCamera(const QSharedPointer<VyraCamera> &camera)
{
    // A run starts once the camera is there, and ends before it goes.
    m_camera = camera;
    if (camera)
        return;
    m_dock->clear();
    followRun(Sequence());
}

void HdrViewer::followRun(const Sequence &sequence)
{
    m_attachment.detach();
    {
        // Cycles of the run that ended are not fused after it.
        std::lock_guard<std::mutex> lock(m_bracketsMutex);
        m_brackets.clear();
    }
    offer(m_camera && bracketsExposure(sequence));
    if (!m_offered)
        return;
    m_cycle = sequence.cycle();
    m_cycles = CycleCounter(m_cycle);
    m_attachment =
        m_camera->images().attach([this](const QSharedPointer<QImage> &image) { take(image); });
}

void HdrViewer::take(const QSharedPointer<QImage> &image)
{
    const int set = VyraFrameInfo::of(*image).set;
    if (set == VyraFrameInfo::noSet || m_cycles.count(set) == 0 || !m_cycles.completesCycle())
        return;
    // The store took this image before this receiver did; a set whose image
    // of this cycle was lost is there with its one before.
    Bracket bracket;
    for (int each : qAsConst(m_cycle)) {
        const LatestImages::Entry entry = m_latest.latestOfSet(each);
        if (entry.image)
            bracket << entry.image;
    }
    bool first = false;
    {
        std::lock_guard<std::mutex> lock(m_bracketsMutex);
        first = m_brackets.isEmpty();
        m_brackets << bracket;
    }
    // One call takes all brackets that came before it runs. Named, so that
    // nothing but the receiver crosses in Qt's event.
    if (first)
        QMetaObject::invokeMethod(this, "deliverBrackets", Qt::QueuedConnection);
}

void HdrViewer::deliverBrackets()
{
    QList<Bracket> brackets;
    {
        std::lock_guard<std::mutex> lock(m_bracketsMutex);
        brackets.swap(m_brackets);
    }
    // Each goes to the dock, which fuses the newest and counts the others
    // as skipped.
    for (const Bracket &bracket : qAsConst(brackets))
        m_dock->fuseCycle(bracket);
}

void HdrViewer::offer(bool offered)
{
    m_offered = offered;
    m_dock->toggleViewAction()->setEnabled(offered);
    m_dock->setVisible(offered && m_wanted);
    if (m_dock->isVisible() && !std::exchange(m_sized, true)) {
        // Split evenly with the camera image: a fused picture a few lines
        // high would tell nothing.
        const int height = m_imageDock->height() + m_dock->height();
        m_window->resizeDocks({m_imageDock, m_dock}, {height / 2, height / 2}, Qt::Vertical);
    }
}
