#include "setthumbnails.h"

#include "imagefigures.h"
#include "latestimages.h"
#include "sequencerset.h"
#include "sequencerworkspace.h"
#include "setthumbnail.h"

SetThumbnails::SetThumbnails(SequencerWorkspace *workspace, const LatestImages &images,
                             QObject *parent)
    : QObject(parent), m_workspace(workspace), m_images(images)
{
    m_timer.setInterval(refreshIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &SetThumbnails::refresh);
}

void SetThumbnails::show(const QSize &imageSize)
{
    for (SequencerSet *set : m_workspace->sets())
        set->thumbnail()->setImageSize(imageSize);
    showEach(true);
    m_timer.start();
}

void SetThumbnails::hide()
{
    m_timer.stop();
    showEach(false);
}

bool SetThumbnails::isShown() const
{
    return m_timer.isActive();
}

void SetThumbnails::showEach(bool shown)
{
    m_shownSerials.clear();
    for (SequencerSet *set : m_workspace->sets()) {
        set->thumbnail()->clear();
        set->showThumbnail(shown);
    }
    // The sets changed height: the grid follows.
    m_workspace->relayout(0);
}

void SetThumbnails::refresh()
{
    for (SequencerSet *set : m_workspace->sets()) {
        const LatestImages::Entry latest = m_images.latestOfSet(set->index());
        if (!latest.image || m_shownSerials.value(set->index()) == latest.serial)
            continue;
        m_shownSerials.insert(set->index(), latest.serial);
        SetThumbnail *thumbnail = set->thumbnail();
        thumbnail->showImage(ImageFigures::thumbnail(*latest.image, thumbnail->pictureWidth()),
                             ImageFigures::of(*latest.image));
    }
}
