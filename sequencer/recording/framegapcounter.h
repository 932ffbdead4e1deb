#pragma once

#include <QtGlobal>

/// Finds the images the camera lost on the way: the driver numbers every
/// image the sensor takes, so a jump in the numbers of the images that
/// arrive is that many images lost. A jump between two capture streams
/// (VyraCamera::captureStream()) is the camera stopping capture on purpose,
/// which discards the image it was taking, and counts as nothing; so does a
/// number that does not grow, which belongs to a camera opened afresh.
/// Not thread-safe: one thread feeds it.
class FrameGapCounter
{
public:
    /// The images lost between the image counted before and this one.
    quint64 count(quint64 frameNumber, quint64 stream);

private:
    quint64 m_lastFrame = 0;
    quint64 m_stream = 0;
};
