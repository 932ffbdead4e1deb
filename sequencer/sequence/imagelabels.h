#pragma once

#include <QList>
#include <QMap>

#include "imageparameters.h"

struct Sequence;

/// Which parameters took the images of a run, and how its images group into
/// cycles: for a running sequence each set's values as they were written
/// into the camera at the start (over the camera's values for the features the
/// sequence leaves alone), for live video the camera's values. Built on the
/// GUI thread, then read by any thread; never changed once built.
class ImageLabels
{
public:
    /// Live video: every image is taken with the camera's values and is a
    /// cycle of its own.
    static ImageLabels live(const ImageParameters &camera);
    /// A sequence as written into the camera.
    static ImageLabels ofSequence(const Sequence &sequence, const ImageParameters &camera);

    bool isSequence() const;
    /// The parameters of images of this set; the camera's for images taken
    /// outside the sequence (set -1) or by a set it does not know.
    ImageParameters parametersOf(int set) const;
    /// The sets of one cycle in the order the camera takes them: the loop the
    /// paths end in, starting where the walk from the first set enters it.
    /// Empty for live video.
    const QList<int> &cycle() const;
    /// How many sets the sequence has; 0 for live video.
    int setCount() const;

private:
    ImageParameters m_camera;
    QMap<int, ImageParameters> m_sets;
    QList<int> m_cycle;
    int m_setCount = 0;
};
