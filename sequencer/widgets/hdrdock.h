#pragma once

#include <QDockWidget>
#include <QImage>
#include <QList>
#include <QSharedPointer>

class LatestJobRunner;
class QLabel;

/// The "High dynamic range" dock: the exposure fusion of the latest image
/// of every set of one cycle of a running sequence, so that a person sees
/// at once whether the sets' exposures cover the scene. Each cycle is fused
/// off the GUI thread at a preview width; a cycle that comes while the one
/// before is still being fused waits, replacing any cycle already waiting.
/// Nothing is fused while the dock is hidden.
class HdrDock : public QDockWidget
{
    Q_OBJECT

public:
    /// The fused preview is at most this many pixels wide.
    static constexpr int previewWidth = 320;

    explicit HdrDock(QWidget *parent = nullptr);

    /// The fused preview on screen; null before the first.
    QImage fusedImage() const;
    /// Cycles fused and cycles skipped because a newer one came.
    quint64 fusedCount() const;
    quint64 skippedCount() const;

public slots:
    /// Fuses the images of one cycle, one per set in the cycle's order.
    void fuseCycle(QList<QSharedPointer<QImage>> bracket);
    /// Forgets the fused image (the camera is given up).
    void clear();

signals:
    /// A fused image is on screen.
    void fused();
    /// The person closed the dock.
    void closed();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void present(const QImage &image, const QString &caption);
    void showPicture();
    static QString caption(const QList<QSharedPointer<QImage>> &bracket, qint64 ms);

    QLabel *m_picture;
    QLabel *m_caption;
    LatestJobRunner *m_runner;
    QImage m_fused;
};
