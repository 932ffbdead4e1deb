#include "hdrdock.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QStringList>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "cyclebracket.h"
#include "fittedpicture.h"
#include "imagelabels.h"
#include "latestjobrunner.h"
#include "vyrabuildoptions.h"
#if VYRA_EXPOSURE_FUSION
#include "exposurefusion.h"
#endif

namespace {

// The slider moves in quarter stops, over twelve stops either way.
constexpr int stepsPerStop = 4;
constexpr int largestStops = 12;
// A cycle of more sets is named by its count and range of exposures, so
// that the caption stays one or two lines.
constexpr int setsNamed = 4;

QString milliseconds(double ms)
{
    return QString::number(ms, 'g', 4);
}

} // namespace

HdrDock::HdrDock(QWidget *parent)
    : QDockWidget(tr("High dynamic range"), parent)
    , m_view(new QComboBox)
    , m_toneMap(new QComboBox)
    , m_stops(new QSlider(Qt::Horizontal))
    , m_stopsText(new QLabel)
    , m_response(new QToolButton)
    , m_picture(new FittedPicture)
    , m_caption(new QLabel)
    , m_runner(new LatestJobRunner(this))
{
    setObjectName(QStringLiteral("dw_hdr"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetFloatable |
                QDockWidget::DockWidgetMovable);
    m_view->setObjectName(QStringLiteral("hdrView"));
    m_view->addItem(tr("Fused picture"), int(View::Fused));
    m_view->addItem(tr("Radiance"), int(View::Radiance));
    m_view->setToolTip(
        tr("The fusion of the cycle's images, or their radiance through a tone map"));
    // Without OpenCV there is no fusion: the radiance is all the dock shows.
    m_view->setVisible(VYRA_EXPOSURE_FUSION);
    m_view->setCurrentIndex(VYRA_EXPOSURE_FUSION ? 0 : 1);
    m_toneMap->setObjectName(QStringLiteral("hdrToneMap"));
    m_toneMap->addItem(tr("Reinhard"), int(ToneMapper::Operator::Reinhard));
    m_toneMap->addItem(tr("Logarithmic"), int(ToneMapper::Operator::Logarithmic));
    m_toneMap->setToolTip(tr("Reinhard: mid-grey at the scene's average, highlights rolled "
                             "off; logarithmic: every stop up to the brightest pixel its share"));
    m_stops->setObjectName(QStringLiteral("hdrExposure"));
    m_stops->setRange(-largestStops * stepsPerStop, largestStops * stepsPerStop);
    m_stops->setPageStep(stepsPerStop);
    m_stops->setToolTip(tr("Exposure of the radiance on screen, in stops: right to look into "
                           "the shadows, left into the highlights"));
    m_stopsText->setObjectName(QStringLiteral("hdrExposureText"));
    m_stopsText->setMinimumWidth(
        m_stopsText->fontMetrics().horizontalAdvance(QStringLiteral("+12.25 stops")));
    m_response->setObjectName(QStringLiteral("hdrResponse"));
    m_response->setText(tr("Response"));
    m_response->setToolTip(tr("How the camera's values follow light"));
    m_response->setPopupMode(QToolButton::InstantPopup);
    m_response->hide();
    m_picture->setObjectName(QStringLiteral("hdrPicture"));
    m_caption->setObjectName(QStringLiteral("hdrCaption"));
    m_caption->setWordWrap(true);
    // Wide enough for the longest caption (a cycle's sets, or why they are
    // not merged) in two lines, whichever choices the build offers above it.
    m_caption->setMinimumWidth(
        std::max(previewWidth, m_caption->fontMetrics().averageCharWidth() * captionLineLength));
    m_caption->setText(tr("Each cycle shows here once the sequence runs."));

    auto *contents = new QWidget;
    auto *layout = new QVBoxLayout(contents);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    auto *choices = new QHBoxLayout;
    choices->addWidget(m_view);
    choices->addWidget(m_toneMap);
    choices->addStretch(1);
    choices->addWidget(m_response);
    auto *exposure = new QHBoxLayout;
    exposure->addWidget(new QLabel(tr("Exposure")));
    exposure->addWidget(m_stops, 1);
    exposure->addWidget(m_stopsText);
    layout->addLayout(choices);
    layout->addLayout(exposure);
    layout->addWidget(m_picture, 1);
    layout->addWidget(m_caption);
    setWidget(contents);
    showStops();
    followView();

    connect(m_runner, &LatestJobRunner::failed, this, &HdrDock::refuse);
    connect(m_view, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &HdrDock::redoCycle);
    connect(m_toneMap, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &HdrDock::remap);
    connect(m_stops, &QSlider::valueChanged, this, [this] {
        showStops();
        remap();
    });
    connect(m_picture, &FittedPicture::pointed, this, [this](QPoint pixel) {
        if (!m_radiance.isNull())
            emit radiancePointed(m_radiance, pixel);
    });
    connect(m_picture, &FittedPicture::left, this, &HdrDock::pointerLeft);
}

void HdrDock::setRun(std::shared_ptr<const ImageLabels> labels,
                     std::shared_ptr<const RadianceMerge> merge, const QString &whyNot)
{
    m_labels = std::move(labels);
    m_merge = std::move(merge);
    m_whyNot = whyNot;
}

void HdrDock::addResponseCommands(const QList<QAction *> &commands)
{
    auto *menu = new QMenu(m_response);
    menu->addActions(commands);
    m_response->setMenu(menu);
    m_response->show();
}

HdrDock::View HdrDock::view() const
{
    return View(m_view->currentData().toInt());
}

void HdrDock::setView(View view)
{
    if (view == View::Fused && !VYRA_EXPOSURE_FUSION)
        return;
    m_view->setCurrentIndex(m_view->findData(int(view)));
}

void HdrDock::setToneMap(ToneMapper::Operator op)
{
    m_toneMap->setCurrentIndex(m_toneMap->findData(int(op)));
}

void HdrDock::setExposureStops(double stops)
{
    m_stops->setValue(int(std::lround(stops * stepsPerStop)));
}

double HdrDock::exposureStops() const
{
    return double(m_stops->value()) / stepsPerStop;
}

ToneMapper::Operator HdrDock::toneMap() const
{
    return ToneMapper::Operator(m_toneMap->currentData().toInt());
}

QImage HdrDock::picture() const
{
    return m_picture->picture();
}

RadianceImage HdrDock::radiance() const
{
    return m_radiance;
}

QString HdrDock::caption() const
{
    return m_caption->text();
}

bool HdrDock::isBusy() const
{
    return m_runner->isBusy();
}

quint64 HdrDock::shownCount() const
{
    return m_shown;
}

quint64 HdrDock::skippedCount() const
{
    return m_runner->skippedCount();
}

int HdrDock::mapWidth() const
{
    return std::max(previewWidth, int(m_picture->width() * m_picture->devicePixelRatioF()));
}

void HdrDock::showCycle(QList<QSharedPointer<QImage>> images)
{
    if (!isVisible() || images.size() < 2)
        return;
    m_lastCycle = images;
    if (!m_whyNot.isEmpty() || !m_labels || !m_merge) {
        refuse(m_whyNot.isEmpty() ? tr("The run's images cannot be merged.") : m_whyNot);
        return;
    }
    const QVector<RadianceMerge::Exposure> bracket = CycleBracket::exposuresOf(images, *m_labels);
    const QString unlike = CycleBracket::whyNotAlike(bracket);
    if (!unlike.isEmpty()) {
        refuse(unlike);
        return;
    }
    const QString sets = setsText(bracket);
    if (view() == View::Fused) {
#if VYRA_EXPOSURE_FUSION
        m_runner->submit([this, bracket, sets]() -> LatestJobRunner::Then {
            QElapsedTimer clock;
            clock.start();
            QList<QImage> pictures;
            for (const RadianceMerge::Exposure &exposure : bracket)
                pictures << exposure.image;
            const QImage fused = ExposureFusion::fuse(pictures, previewWidth);
            const QString text = tr("%1: fused in %2 ms").arg(sets).arg(clock.elapsed());
            return [this, fused, text] { present(fused, RadianceImage(), text, true); };
        });
#endif
        return;
    }
    m_runner->submit([this, bracket, sets, merge = m_merge, op = toneMap(), stops = exposureStops(),
                      width = mapWidth()]() -> LatestJobRunner::Then {
        const RadianceImage radiance = merge->merge(bracket);
        const QImage picture = ToneMapper::map(radiance, op, stops, width);
        const QString text = sets + QStringLiteral("; ") + radianceText(radiance);
        return [this, picture, radiance, text] { present(picture, radiance, text, true); };
    });
}

void HdrDock::redoCycle()
{
    followView();
    if (!m_lastCycle.isEmpty())
        showCycle(m_lastCycle);
}

void HdrDock::followView()
{
    // The tone map and its exposure draw the radiance alone.
    const bool radiance = view() == View::Radiance;
    m_toneMap->setEnabled(radiance);
    m_stops->setEnabled(radiance);
    m_stopsText->setEnabled(radiance);
}

void HdrDock::remap()
{
    if (m_radiance.isNull() || view() != View::Radiance)
        return;
    m_runner->submit([this, radiance = m_radiance, op = toneMap(), stops = exposureStops(),
                      width = mapWidth(), text = caption()]() -> LatestJobRunner::Then {
        const QImage picture = ToneMapper::map(radiance, op, stops, width);
        return [this, picture, radiance, text] { present(picture, radiance, text, false); };
    });
}

void HdrDock::present(const QImage &picture, const RadianceImage &radiance, const QString &caption,
                      bool newCycle)
{
    m_radiance = radiance;
    m_picture->setPicture(picture, radiance.isNull() ? picture.size() : radiance.size());
    m_caption->setText(caption);
    if (!newCycle)
        return;
    ++m_shown;
    emit shown();
}

void HdrDock::refuse(const QString &reason)
{
    m_radiance = RadianceImage();
    m_picture->clear();
    m_caption->setText(reason);
}

void HdrDock::clear()
{
    m_lastCycle.clear();
    m_radiance = RadianceImage();
    m_picture->clear();
    m_caption->setText(tr("Each cycle shows here once the sequence runs."));
}

void HdrDock::closeEvent(QCloseEvent *event)
{
    QDockWidget::closeEvent(event);
    emit closed();
}

void HdrDock::showStops()
{
    const double stops = exposureStops();
    m_stopsText->setText(
        stops == 0.0
            ? tr("0 stops")
            : tr("%1%2 stops").arg(stops > 0 ? QStringLiteral("+") : QString()).arg(stops));
}

QString HdrDock::setsText(const QVector<RadianceMerge::Exposure> &bracket)
{
    if (bracket.size() <= setsNamed) {
        QStringList sets;
        QStringList exposures;
        for (const RadianceMerge::Exposure &exposure : bracket) {
            sets << QString::number(exposure.set);
            exposures << milliseconds(exposure.exposureMs);
        }
        return tr("Sets %1 at %2 ms")
            .arg(sets.join(QStringLiteral(", ")), exposures.join(QStringLiteral(" / ")));
    }
    const auto [shortest, longest] =
        std::minmax_element(bracket.begin(), bracket.end(),
                            [](const RadianceMerge::Exposure &a, const RadianceMerge::Exposure &b) {
                                return a.exposureMs < b.exposureMs;
                            });
    return tr("%1 sets at %2 to %3 ms")
        .arg(bracket.size())
        .arg(milliseconds(shortest->exposureMs), milliseconds(longest->exposureMs));
}

QString HdrDock::radianceText(const RadianceImage &radiance)
{
    const RadianceImage::Provenance &provenance = radiance.provenance();
    QString text;
    switch (provenance.response) {
    case CameraResponse::Origin::AssumedLinear:
        text = provenance.gainKnown ? tr("response assumed linear")
                                    : tr("response and gain law assumed");
        break;
    case CameraResponse::Origin::SensorModel:
        text = tr("sensor model's response");
        break;
    case CameraResponse::Origin::Calibrated:
        text = tr("calibrated response");
        break;
    }
    if (provenance.response != CameraResponse::Origin::AssumedLinear && !provenance.gainKnown)
        text += tr(", gain law assumed");
    qint64 clipped = 0;
    for (int y = 0; y < radiance.height(); ++y) {
        const quint8 *marks = radiance.constMarks(y);
        clipped += std::count_if(marks, marks + radiance.width(),
                                 [](quint8 mark) { return mark & RadianceImage::Clipped; });
    }
    if (clipped > 0)
        text += tr("; %1 % clipped in all")
                    .arg(100.0 * double(clipped) / (double(radiance.width()) * radiance.height()),
                         0, 'f', 1);
    return text;
}
