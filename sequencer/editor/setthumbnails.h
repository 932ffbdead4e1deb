#pragma once

#include <QHash>
#include <QObject>
#include <QSize>
#include <QTimer>

class LatestImages;
class SequencerWorkspace;

/// Keeps the sets' thumbnails while a sequence runs: a few times a second
/// (never per image) it looks for images each set took since the last look
/// and shows the latest, with its mean level and clipped share, in the set's
/// widget. Each set is updated at most once a look, so a set's thumbnail
/// changes at most refreshIntervalMs apart whatever the camera's rate.
/// Making one is cheap (a thumbnail from a subsample, figures on a grid), so
/// it runs on the GUI thread.
class SetThumbnails : public QObject
{
    Q_OBJECT

public:
    static constexpr int refreshIntervalMs = 250;

    SetThumbnails(SequencerWorkspace *workspace, const LatestImages &images,
                  QObject *parent = nullptr);

    /// The run starts: every set shows an empty thumbnail for images of this size.
    void show(const QSize &imageSize);
    /// The run ends: thumbnails are cleared and hidden.
    void hide();
    bool isShown() const;

private:
    void refresh();
    void showEach(bool shown);

    SequencerWorkspace *m_workspace;
    const LatestImages &m_images;
    QTimer m_timer;
    // The serial of the image each set shows (LatestImages::Entry).
    QHash<int, quint64> m_shownSerials;
};
