#pragma once

#include <QImage>
#include <QWidget>

class QLabel;
class QPaintEvent;
class QVBoxLayout;
struct ImageFigures;

/// The latest image of a set, small, with its mean level and its share of
/// clipped pixels, shown inside the set's widget while the sequence runs.
/// The clipped share turns red above clippedWarning. The picture is painted
/// as it is even while the set is disabled (a running sequence disables the
/// editors), where a label would grey it.
class SetThumbnail : public QWidget
{
    Q_OBJECT

public:
    /// Clipped shares above this (1 %) are shown in red.
    static constexpr double clippedWarning = 0.01;

    explicit SetThumbnail(QWidget *parent = nullptr);

    /// The picture area takes the aspect ratio of images of this size.
    void setImageSize(const QSize &size);
    /// Shows a thumbnail made by ImageFigures::thumbnail and its image's figures.
    void showImage(const QImage &thumbnail, const ImageFigures &figures);
    /// Shows no image and no figures.
    void clear();
    /// The width thumbnails are made for.
    int pictureWidth() const;
    const QImage &picture() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect pictureArea() const;
    void showFigures(const QString &mean, const QString &clipped, bool warning);

    QImage m_picture;
    int m_pictureHeight = 0;
    QVBoxLayout *m_column;
    QLabel *m_mean;
    QLabel *m_clipped;
};
