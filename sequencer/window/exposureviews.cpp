#include "exposureviews.h"

#include <QAction>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include "hdrdock.h"
#include "hdrviewer.h"
#include "histogramdock.h"
#include "imagelabels.h"
#include "imageoutlets.h"
#include "pixelreadout.h"
#include "qdisplaywidget.h"
#include "sequence.h"
#include "vyracamera.h"
#include "vyracameraexception.h"
#include "vyraframeinfo.h"

ExposureViews::ExposureViews(QMainWindow *window, QDisplayWidget *display, QDockWidget *imageDock,
                             QDockWidget *featureDock, QMenu *insertBefore, QMenu *fileMenu,
                             QAction *saveImage, ImageOutlets *outlets)
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

    // The histogram fits below the short feature list.
    if (!window->restoreDockWidget(m_histogram)) {
        window->addDockWidget(window->dockWidgetArea(featureDock), m_histogram);
        window->splitDockWidget(featureDock, m_histogram, Qt::Vertical);
    }
    QMenu *menu = buildMenu(insertBefore);
    connect(outlets, &ImageOutlets::runChanged, this, &ExposureViews::followRun);
    // The high dynamic range view needs room like the camera image, below
    // which it shows.
    m_hdr = new HdrViewer(window, imageDock, menu, fileMenu, saveImage, outlets->latestImages());
    connect(this, &ExposureViews::cameraChanged, m_hdr, &HdrViewer::setCamera);
    connect(m_hdr->dock(), &HdrDock::radiancePointed, m_readout, &PixelReadout::showRadiance);
    connect(m_hdr->dock(), &HdrDock::pointerLeft, m_readout, &PixelReadout::clear);
}

QMenu *ExposureViews::buildMenu(QMenu *insertBefore)
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
    return menu;
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
    emit cameraChanged(camera);
}

void ExposureViews::releaseCamera()
{
    m_camera.clear();
    m_offsetImage = 0;
    m_readout->clear();
    emit cameraChanged({});
}

void ExposureViews::followRun(const Sequence &sequence)
{
    m_runOffsets.clear();
    if (sequence.isEmpty() || !m_camera) {
        m_hdr->followRun(Sequence(), nullptr);
        return;
    }
    ImageParameters camera;
    QString problem;
    try {
        camera = ImageParameters::ofCamera(*m_camera);
    } catch (const VyraCameraException &error) {
        // Sets that leave the offset alone read as at the origin; the gains
        // of images are not known, so their radiance is not either.
        problem =
            tr("The camera's gains could not be read: %1").arg(QString::fromUtf8(error.what()));
    }
    auto labels = std::make_shared<const ImageLabels>(ImageLabels::ofSequence(sequence, camera));
    for (int set = 0; set < sequence.setCount(); ++set)
        m_runOffsets.insert(set, labels->parametersOf(set).aoiOffset);
    m_hdr->followRun(sequence, problem.isEmpty() ? std::move(labels) : nullptr, problem);
}

HistogramDock *ExposureViews::histogramDock() const
{
    return m_histogram;
}

HdrViewer *ExposureViews::hdrViewer() const
{
    return m_hdr;
}

QPoint ExposureViews::offsetOf(const QImage &image)
{
    // While a sequence runs, each image has the offset of the set that took it.
    const auto run = m_runOffsets.constFind(VyraFrameInfo::of(image).set);
    if (run != m_runOffsets.constEnd())
        return *run;
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
