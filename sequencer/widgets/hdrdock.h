#pragma once

#include <QDockWidget>
#include <QImage>
#include <QList>
#include <QSharedPointer>
#include <QString>

#include <memory>

#include "radianceimage.h"
#include "radiancemerge.h"
#include "tonemapper.h"

class FittedPicture;
class ImageLabels;
class LatestJobRunner;
class QAction;
class QComboBox;
class QLabel;
class QSlider;
class QToolButton;

/// The "High dynamic range" dock: one cycle of a running bracket at a time,
/// as the exposure fusion of its images (a picture that shows at once
/// whether the sets' exposures cover the scene; where the build has
/// OpenCV) or as its radiance, merged from the images' own exposures and
/// gains and drawn through a tone map (Reinhard's or a logarithmic one) at
/// an exposure the person sets in stops, to look into highlights and
/// shadows. Pointing at the radiance tells its light (radiancePointed()).
///
/// Each cycle is merged or fused off the GUI thread; a cycle that comes
/// while the one before is still being worked on waits, replacing any cycle
/// already waiting. A cycle whose images differ in AOI offset or size is
/// refused, and the caption says why. Nothing is worked on while the dock
/// is hidden.
class HdrDock : public QDockWidget
{
    Q_OBJECT

public:
    enum class View { Fused, Radiance };

    /// The fused picture is at most this many pixels wide; a tone-mapped
    /// radiance is as wide as the picture's place, at least this.
    static constexpr int previewWidth = 320;
    /// Characters of a caption's line, of its two at most.
    static constexpr int captionLineLength = 46;

    explicit HdrDock(QWidget *parent = nullptr);

    /// What the run's cycles are labelled and merged with; whyNot, when not
    /// empty, says why they cannot be (the camera's gains could not be
    /// read, say), and the dock shows that instead of each cycle.
    void setRun(std::shared_ptr<const ImageLabels> labels,
                std::shared_ptr<const RadianceMerge> merge, const QString &whyNot = QString());
    /// Adds the commands that calibrate and forget the camera's response,
    /// under a button beside the view's controls.
    void addResponseCommands(const QList<QAction *> &commands);

    View view() const;
    /// The view shown; the fused one only where the build can fuse.
    void setView(View view);
    void setToneMap(ToneMapper::Operator op);
    /// Sets the exposure slider, in quarter stops.
    void setExposureStops(double stops);
    double exposureStops() const;

    /// The picture on screen; null before the first and after a refusal.
    QImage picture() const;
    /// The radiance on screen; null unless the radiance is shown.
    RadianceImage radiance() const;
    QString caption() const;
    /// A cycle or a tone map is being worked on, or waits.
    bool isBusy() const;
    /// Cycles put on screen, and cycles skipped because a newer one came.
    quint64 shownCount() const;
    quint64 skippedCount() const;

public slots:
    /// Shows one cycle's images, one per set in the cycle's order.
    void showCycle(QList<QSharedPointer<QImage>> images);
    /// Forgets what it shows (the camera is given up).
    void clear();

signals:
    /// A cycle is on screen.
    void shown();
    /// The mouse points at this pixel of the radiance on screen.
    void radiancePointed(const RadianceImage &radiance, QPoint pixel);
    /// The mouse points at no radiance any more.
    void pointerLeft();
    /// The person closed the dock.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    /// Submits the last cycle again: the view changed.
    void redoCycle();
    /// Enables the controls of the view shown.
    void followView();
    /// Tone-maps the radiance on screen again: the tone map or exposure changed.
    void remap();
    void present(const QImage &picture, const RadianceImage &radiance, const QString &caption,
                 bool newCycle);
    void refuse(const QString &reason);
    void showStops();
    ToneMapper::Operator toneMap() const;
    int mapWidth() const;
    /// The cycle's sets and exposures in a few words.
    static QString setsText(const QVector<RadianceMerge::Exposure> &bracket);
    static QString radianceText(const RadianceImage &radiance);

    QComboBox *m_view;
    QComboBox *m_toneMap;
    QSlider *m_stops;
    QLabel *m_stopsText;
    QToolButton *m_response;
    FittedPicture *m_picture;
    QLabel *m_caption;
    LatestJobRunner *m_runner;
    std::shared_ptr<const ImageLabels> m_labels;
    std::shared_ptr<const RadianceMerge> m_merge;
    QString m_whyNot;
    QList<QSharedPointer<QImage>> m_lastCycle;
    RadianceImage m_radiance;
    quint64 m_shown = 0;
};
