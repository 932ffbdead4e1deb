#include "hdrdock.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPixmap>
#include <QStringList>
#include <QVBoxLayout>

#include "exposurefusion.h"
#include "latestjobrunner.h"
#include "vyraframeinfo.h"

HdrDock::HdrDock(QWidget *parent)
    : QDockWidget(tr("High dynamic range"), parent)
    , m_picture(new QLabel)
    , m_caption(new QLabel)
    , m_runner(new LatestJobRunner(this))
{
    setObjectName(QStringLiteral("dw_hdr"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetFloatable |
                QDockWidget::DockWidgetMovable);
    auto *contents = new QWidget;
    auto *layout = new QVBoxLayout(contents);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_picture->setMinimumSize(64, 48);
    m_caption->setWordWrap(true);
    m_caption->setText(tr("Fuses each cycle once the sequence runs."));
    layout->addWidget(m_picture, 1);
    layout->addWidget(m_caption);
    setWidget(contents);
    connect(m_runner, &LatestJobRunner::failed, this,
            [this](const QString &reason) { m_caption->setText(reason); });
}

QImage HdrDock::fusedImage() const
{
    return m_fused;
}

quint64 HdrDock::fusedCount() const
{
    return m_runner->doneCount();
}

quint64 HdrDock::skippedCount() const
{
    return m_runner->skippedCount();
}

void HdrDock::fuseCycle(QList<QSharedPointer<QImage>> bracket)
{
    if (!isVisible() || bracket.size() < 2)
        return;
    m_runner->submit([this, bracket]() -> LatestJobRunner::Then {
        QElapsedTimer clock;
        clock.start();
        QList<QImage> images;
        for (const QSharedPointer<QImage> &image : bracket)
            images << *image;
        const QImage fused = ExposureFusion::fuse(images, previewWidth);
        const QString text = caption(bracket, clock.elapsed());
        return [this, fused, text] { present(fused, text); };
    });
}

void HdrDock::clear()
{
    m_fused = QImage();
    m_picture->clear();
}

void HdrDock::resizeEvent(QResizeEvent *event)
{
    QDockWidget::resizeEvent(event);
    showPicture();
}

void HdrDock::closeEvent(QCloseEvent *event)
{
    QDockWidget::closeEvent(event);
    emit closed();
}

void HdrDock::present(const QImage &image, const QString &caption)
{
    m_fused = image;
    m_caption->setText(caption);
    showPicture();
    emit fused();
}

void HdrDock::showPicture()
{
    if (m_fused.isNull())
        return;
    m_picture->setPixmap(QPixmap::fromImage(
        m_fused.scaled(m_picture->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

QString HdrDock::caption(const QList<QSharedPointer<QImage>> &bracket, qint64 ms)
{
    QStringList sets;
    QStringList exposures;
    for (const QSharedPointer<QImage> &image : bracket) {
        const VyraFrameInfo info = VyraFrameInfo::of(*image);
        sets << QString::number(info.set);
        exposures << QString::number(info.exposureMs, 'g', 4);
    }
    return tr("Sets %1 at %2 ms, fused in %3 ms")
        .arg(sets.join(QStringLiteral(", ")), exposures.join(QStringLiteral(" / ")))
        .arg(ms);
}
