#include "qdisplaywidget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>

QDisplayWidget::QDisplayWidget(QWidget *parent)
    : QWidget(parent), displayLabel(new QLabel(this)), layout(new QHBoxLayout(this))
{
    // The label too must not report the pixmap as its minimum size, or the
    // layout would pass a tall image's height on to the dock.
    displayLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    layout->addWidget(displayLabel);
    layout->setContentsMargins(0, 0, 0, 0);
    setSizePolicy(
        QSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored, QSizePolicy::DefaultType));
}

void QDisplayWidget::setImage(QSharedPointer<QImage> image)
{
    if (image.isNull() || image->isNull())
        return;
    const QPixmap pixmap = QPixmap::fromImage(*image, Qt::AutoColor);
    displayLabel->setPixmap(pixmap.scaledToWidth(width(), Qt::FastTransformation));
    emit imageShown(image);
}

void QDisplayWidget::resizeEvent(QResizeEvent *)
{
}
