#pragma once

#include <QImage>
#include <QSharedPointer>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QResizeEvent;

/// Shows the most recent camera image, scaled to the widget's width with its
/// aspect ratio kept. It never asks for space of its own, so an image never
/// forces the size of the dock it sits in.
class QDisplayWidget : public QWidget
{
    Q_OBJECT

public:
    explicit QDisplayWidget(QWidget *parent = nullptr);

public slots:
    /// Shows the image scaled to the current width; a null image is ignored.
    void setImage(QSharedPointer<QImage> image);

signals:
    /// An image was put on screen (the camera's image, before scaling).
    void imageShown(QSharedPointer<QImage> image);

protected slots:
    /// Keeps the shown pixmap as it is: rescaling every frame on every resize
    /// step would cost more than waiting for the next image, which arrives at
    /// the new width within a frame period.
    void resizeEvent(QResizeEvent *event) override;

private:
    QLabel *displayLabel;
    QHBoxLayout *layout;
};
