#include "exposureviews.h"

#include <QAction>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include "histogramdock.h"
#include "pixelreadout.h"
#include "qdisplaywidget.h"
#include "vyrabuildoptions.h"
#include "vyracamera.h"
#include "vyracameraexception.h"
#if VYRA_EXPOSURE_FUSION
#include "hdrdock.h"
#endif

ExposureViews::ExposureViews(QMainWindow *window, QDisplayWidget *display, QDockWidget *imageDock,
                             QDockWidget *featureDock, QMenu *insertBefore)
    : QObject(window)
    , m_window(window)
    , m_display(display)
    , m_readout(new PixelReadout(window))
    , m_histogram(new HistogramDock(window))
{
    window->statusBar()->addPermanentWidget(m_readout);
    m_readout->setOffsetOf([this](const QImage &image) { return offsetOf(image); });
    connect(display, &QDisplayWidget::pixelPointed, m_readout, &PixelReadout::showPixel);
    connect(display, &QDisplayWidget::pointerLeft, m_readout, &PixelReadout::clear);
    connect(display, &QDisplayWidget::imageShown, m_histogram, &HistogramDock::showHistogramOf);

    // The histogram fits below the short feature list; the fused view
    // needs room like the camera image, beside which it shows.
    place(m_histogram, featureDock);
#if VYRA_EXPOSURE_FUSION
    m_hdr = new HdrDock(window);
    place(m_hdr, imageDock);
    offerHdr(false);
#endif
    buildMenu(insertBefore);
}

void ExposureViews::place(QDockWidget *dock, QDockWidget *below)
{
    if (m_window->restoreDockWidget(dock))
        return;
    m_window->addDockWidget(m_window->dockWidgetArea(below), dock);
    m_window->splitDockWidget(below, dock, Qt::Vertical);
}

void ExposureViews::buildMenu(QMenu *insertBefore)
{
    auto *menu = new QMenu(tr("View"), m_window);
    menu->setObjectName(QStringLiteral("menuView"));
    m_window->menuBar()->insertMenu(insertBefore->menuAction(), menu);

    QAction *fit = addAction(menu, tr("Zoom to Fit"));
    fit->setObjectName(QStringLiteral("action_zoomFit"));
    connect(fit, &QAction::triggered, m_display, &QDisplayWidget::fitToWidth);
    QAction *actual = addAction(menu, tr("Zoom 100 %"));
    actual->setObjectName(QStringLiteral("action_zoomActual"));
    connect(actual, &QAction::triggered, m_display, &QDisplayWidget::showActualSize);
    QAction *marks = addAction(menu, tr("Clipping Marks"));
    marks->setObjectName(QStringLiteral("action_clippingMarks"));
    marks->setCheckable(true);
    marks->setToolTip(tr("Clipped pixels in red, crushed pixels in blue"));
    connect(marks, &QAction::toggled, m_display, &QDisplayWidget::setClippingMarksShown);
    // The image's own menu offers what concerns the image.
    m_display->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_display->addActions({fit, actual, marks});

    menu->addSeparator();
    m_histogram->toggleViewAction()->setObjectName(QStringLiteral("action_histogram"));
    menu->addAction(m_histogram->toggleViewAction());
    if (m_hdr) {
        QAction *hdr = m_hdr->toggleViewAction();
        hdr->setObjectName(QStringLiteral("action_hdr"));
        menu->addAction(hdr);
        // What the person last chose counts whenever the view is offered.
        connect(hdr, &QAction::triggered, this, [this](bool shown) { m_hdrWanted = shown; });
        connect(m_hdr, &HdrDock::closed, this, [this] { m_hdrWanted = false; });
    }
}

void ExposureViews::offerHdr(bool offered)
{
    if (!m_hdr)
        return;
    m_hdr->toggleViewAction()->setEnabled(offered);
    m_hdr->setVisible(offered && m_hdrWanted);
}

QAction *ExposureViews::addAction(QMenu *menu, const QString &text)
{
    auto *action = new QAction(text, m_window);
    menu->addAction(action);
    return action;
}

void ExposureViews::setCamera(const QSharedPointer<VyraCamera> &camera)
{
    m_camera = camera;
    m_offsetImage = 0;
}

void ExposureViews::releaseCamera()
{
    m_camera.clear();
    m_offsetImage = 0;
    m_readout->clear();
    if (m_hdr)
        m_hdr->clear();
}

HistogramDock *ExposureViews::histogramDock() const
{
    return m_histogram;
}

HdrDock *ExposureViews::hdrDock() const
{
    return m_hdr;
}

QPoint ExposureViews::offsetOf(const QImage &image)
{
    if (image.cacheKey() == m_offsetImage)
        return m_cameraOffset;
    m_offsetImage = image.cacheKey();
    try {
        m_cameraOffset = m_camera ? m_camera->aoiOffset() : QPoint();
    } catch (const VyraCameraException &) {
        // A camera that cannot tell (pulled out, say) keeps the offset it
        // told last.
    }
    return m_cameraOffset;
}
