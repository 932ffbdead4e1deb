#include "setthumbnail.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "imagefigures.h"
#include "sequencerset.h"

namespace {

constexpr int margin = 6;
constexpr int spacing = 2;
// As wide as the rows of the set below it.
constexpr int pictureWidthPixels = SequencerSet::fixedWidth;
const QColor emptyPicture(60, 60, 60);
const QString plainText = QStringLiteral("color: rgb(0,0,0);");
const QString warningText = QStringLiteral("color: rgb(210, 40, 40); font-weight: bold;");

} // namespace

SetThumbnail::SetThumbnail(QWidget *parent)
    : QWidget(parent)
    , m_column(new QVBoxLayout(this))
    , m_mean(new QLabel(this))
    , m_clipped(new QLabel(this))
{
    m_mean->setObjectName(QStringLiteral("thumbnailMean"));
    m_clipped->setObjectName(QStringLiteral("thumbnailClipped"));
    // Plain black even while the set's editors are disabled.
    m_mean->setStyleSheet(plainText);
    m_mean->setToolTip(tr("Mean level of the set's latest image, 0 to 255"));
    m_clipped->setToolTip(tr("Share of the pixels with a channel at its maximum"));
    auto *figures = new QHBoxLayout;
    figures->setContentsMargins(0, 0, 0, 0);
    figures->addWidget(m_mean);
    figures->addStretch();
    figures->addWidget(m_clipped);
    m_column->addLayout(figures);
    setImageSize(QSize(4, 3));
    clear();
}

void SetThumbnail::setImageSize(const QSize &size)
{
    if (size.isEmpty())
        return;
    m_pictureHeight = pictureWidthPixels * size.height() / size.width();
    // The figures sit below the picture, which paintEvent draws.
    m_column->setContentsMargins(margin, margin + m_pictureHeight + spacing, margin, 0);
    update();
}

void SetThumbnail::showImage(const QImage &thumbnail, const ImageFigures &figures)
{
    m_picture = thumbnail;
    showFigures(tr("Mean %1").arg(figures.meanLevel, 0, 'f', 0),
                tr("Clipped %1 %").arg(100.0 * figures.clippedShare, 0, 'f', 1),
                figures.clippedShare > clippedWarning);
    update(pictureArea());
}

void SetThumbnail::clear()
{
    m_picture = QImage();
    showFigures(tr("Mean -"), tr("Clipped -"), false);
    update(pictureArea());
}

void SetThumbnail::showFigures(const QString &mean, const QString &clipped, bool warning)
{
    // A thumbnail comes several times a second; a label's text or style set
    // again lays out and polishes it again even when nothing changed.
    if (m_mean->text() != mean)
        m_mean->setText(mean);
    if (m_clipped->text() != clipped)
        m_clipped->setText(clipped);
    const QString &style = warning ? warningText : plainText;
    if (m_clipped->styleSheet() != style)
        m_clipped->setStyleSheet(style);
}

int SetThumbnail::pictureWidth() const
{
    return pictureWidthPixels;
}

const QImage &SetThumbnail::picture() const
{
    return m_picture;
}

void SetThumbnail::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = pictureArea();
    painter.fillRect(area, emptyPicture);
    if (m_picture.isNull())
        return;
    // Centred, never stretched: an image of another aspect ratio than the
    // area leaves bars.
    QRect target(QPoint(), m_picture.size().scaled(area.size(), Qt::KeepAspectRatio));
    target.moveCenter(area.center());
    painter.drawImage(target, m_picture);
}

QRect SetThumbnail::pictureArea() const
{
    return QRect((width() - pictureWidthPixels) / 2, margin, pictureWidthPixels, m_pictureHeight);
}
