#include "hdrviewer.h"

#include <QAction>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>

#include <utility>

#include "cyclebracket.h"
#include "hdrdock.h"
#include "imagelabels.h"
#include "latestimages.h"
#include "messagebox.h"
#include "radiancesaver.h"
#include "responsestore.h"
#include "sequence.h"
#include "vyrabuildoptions.h"
#include "vyracamera.h"
#include "vyracameraexception.h"
#include "vyraframeinfo.h"
#if VYRA_EXPOSURE_FUSION
#include "responsecalibrator.h"
#endif

namespace {

// The window's settings store, which keeps the calibrated responses.
const char settingsOrganisation[] = "Quellmark";
const char settingsApplication[] = "Vyra Sequencer";

ResponseStore responseStore()
{
    return ResponseStore(QString::fromLatin1(settingsOrganisation),
                         QString::fromLatin1(settingsApplication));
}

} // namespace

HdrViewer::HdrViewer(QMainWindow *window, QDockWidget *imageDock, QMenu *viewMenu, QMenu *fileMenu,
                     QAction *saveImage, const LatestImages &latest)
    : QObject(window)
    , m_window(window)
    , m_imageDock(imageDock)
    , m_dock(new HdrDock(window))
    , m_latest(latest)
    , m_saveRadiance(new QAction(tr("Save Radiance Image…"), window))
    , m_saver(new RadianceSaver(window, this))
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

    m_saveRadiance->setObjectName(QStringLiteral("action_saveRadiance"));
    m_saveRadiance->setStatusTip(tr("Saves the radiance of the latest cycle as a 32-bit float "
                                    "image: the camera's value per millisecond at unit gain"));
    const QList<QAction *> entries = fileMenu->actions();
    fileMenu->insertAction(entries.value(entries.indexOf(saveImage) + 1), m_saveRadiance);
    connect(m_saveRadiance, &QAction::triggered, this, &HdrViewer::saveRadiance);

#if VYRA_EXPOSURE_FUSION
    m_calibrator = new ResponseCalibrator(
        window, responseStore(), [this] { return latestCycle(); }, this);
    m_dock->addResponseCommands(m_calibrator->commands());
    // The next cycle is merged with what was kept.
    connect(m_calibrator, &ResponseCalibrator::responseChanged, this, [this] {
        if (!m_offered)
            return;
        const QString noMerge = prepareMerge();
        m_dock->setRun(m_labels, m_merge, m_whyNot.isEmpty() ? noMerge : m_whyNot);
    });
#endif
    offer(false);
    showSaveState();
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

void HdrViewer::setCamera(const QSharedPointer<VyraCamera> &camera)
{
    // A run starts once the camera is there, and ends before it goes.
    m_camera = camera;
    if (camera)
        return;
    m_dock->clear();
    followRun(Sequence(), nullptr);
}

void HdrViewer::followRun(const Sequence &sequence, std::shared_ptr<const ImageLabels> labels,
                          const QString &problem)
{
    m_attachment.detach();
    {
        // Cycles of the run that ended are not shown after it.
        std::lock_guard<std::mutex> lock(m_bracketsMutex);
        m_brackets.clear();
    }
    m_lastCycle.clear();
    m_merge = nullptr;
    m_labels = std::move(labels);
    offer(m_camera && CycleBracket::whyNoBracket(sequence).isEmpty());
    m_whyNot = m_offered ? CycleBracket::whyNotMergeable(sequence) : QString();
    if (m_whyNot.isEmpty())
        m_whyNot = problem;
    showSaveState();
    if (!m_offered)
        return;
    const QString noMerge = prepareMerge();
    if (m_whyNot.isEmpty())
        m_whyNot = noMerge;
    m_dock->setRun(m_labels, m_merge, m_whyNot);
    m_cycle = sequence.cycle();
    m_cycles = CycleCounter(m_cycle);
    m_attachment =
        m_camera->images().attach([this](const QSharedPointer<QImage> &image) { take(image); });
}

QString HdrViewer::prepareMerge()
{
    try {
        const VyraCamera::Identity identity = m_camera->identity();
        m_cameraModel = identity.model;
        m_serialNumber = identity.serialNumber;
    } catch (const VyraCameraException &error) {
        m_cameraModel.clear();
        return tr("The camera's model could not be read: %1").arg(QString::fromUtf8(error.what()));
    }
    // A stored curve that cannot be used is passed over for the response
    // the model falls back to, which the dock's caption names.
    m_merge = std::make_shared<const RadianceMerge>(m_cameraModel,
                                                    responseStore().responseFor(m_cameraModel));
#if VYRA_EXPOSURE_FUSION
    if (m_calibrator)
        m_calibrator->setCameraModel(m_cameraModel);
#endif
    return QString();
}

void HdrViewer::take(const QSharedPointer<QImage> &image)
{
    const int set = VyraFrameInfo::of(*image).set;
    if (set == VyraFrameInfo::noSet || m_cycles.count(set) == 0 || !m_cycles.completesCycle())
        return;
    // The store took this image before this receiver did; a set whose image
    // of this cycle was lost is there with its one before.
    Bracket images;
    for (int each : qAsConst(m_cycle)) {
        const LatestImages::Entry entry = m_latest.latestOfSet(each);
        if (entry.image)
            images << entry.image;
    }
    bool first = false;
    {
        std::lock_guard<std::mutex> lock(m_bracketsMutex);
        first = m_brackets.isEmpty();
        m_brackets << images;
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
    // The latest cycle wins; the dock's worker takes only the newest anyway.
    if (!brackets.isEmpty())
        cycleCompleted(brackets.constLast());
}

void HdrViewer::cycleCompleted(const QList<QSharedPointer<QImage>> &images)
{
    // A cycle of a run that has ended since comes too late.
    if (!m_offered)
        return;
    m_lastCycle = images;
    showSaveState();
    m_dock->showCycle(images);
}

QVector<RadianceMerge::Exposure> HdrViewer::latestCycle() const
{
    if (m_lastCycle.isEmpty() || !m_labels)
        return {};
    return CycleBracket::exposuresOf(m_lastCycle, *m_labels);
}

void HdrViewer::saveRadiance()
{
    const QVector<RadianceMerge::Exposure> cycle = latestCycle();
    const QString unlike = CycleBracket::whyNotAlike(cycle);
    if (!unlike.isEmpty()) {
        showCritical(m_window, tr("The radiance could not be saved.\n\n%1").arg(unlike));
        return;
    }
    m_saver->save(cycle, m_merge, m_cameraModel, m_serialNumber);
}

void HdrViewer::showSaveState()
{
    const bool possible = m_offered && m_whyNot.isEmpty() && m_merge;
    m_saveRadiance->setEnabled(possible && !m_lastCycle.isEmpty());
    m_saveRadiance->setToolTip(possible ? m_saveRadiance->statusTip()
                               : m_whyNot.isEmpty()
                                   ? tr("Offered while a bracket runs: a sequence whose sets take "
                                        "two or more different exposures")
                                   : m_whyNot);
}

void HdrViewer::offer(bool offered)
{
    m_offered = offered;
    m_dock->toggleViewAction()->setEnabled(offered);
    m_dock->setVisible(offered && m_wanted);
    if (m_dock->isVisible() && !std::exchange(m_sized, true)) {
        // Split evenly with the camera image: a picture a few lines high
        // would tell nothing.
        const int height = m_imageDock->height() + m_dock->height();
        m_window->resizeDocks({m_imageDock, m_dock}, {height / 2, height / 2}, Qt::Vertical);
    }
}
