#include "sequencerframerate.h"

#include <algorithm>
#include <cmath>

SequencerFramerate::SequencerFramerate(QObject *parent) : QObject(parent)
{
}

double SequencerFramerate::value() const
{
    return m_value;
}

double SequencerFramerate::minimum() const
{
    return m_minimum;
}

double SequencerFramerate::maximum() const
{
    return m_maximum;
}

double SequencerFramerate::requested() const
{
    return m_requested;
}

void SequencerFramerate::setValue(double fps)
{
    if (!std::isfinite(fps))
        return;
    m_requested = std::max(fps, 0.0);
    follow();
}

void SequencerFramerate::setMinimum(double fps)
{
    if (!std::isfinite(fps) || fps == m_minimum)
        return;
    m_minimum = std::max(fps, 0.0);
    emit minimumChanged(m_minimum);
    follow();
}

void SequencerFramerate::setMaximum(double fps)
{
    if (!std::isfinite(fps) || fps <= 0.0 || fps == m_maximum)
        return;
    m_maximum = fps;
    emit maximumChanged(m_maximum);
    follow();
}

void SequencerFramerate::follow()
{
    // A camera that cannot run so slowly or so fast takes its nearest rate;
    // the rate asked for stays for the cameras and sequences that allow it.
    // Where the two limits cross, the lowest rate the camera has wins.
    const double rate = std::max(std::min(m_requested, m_maximum), m_minimum);
    if (rate == m_value)
        return;
    m_value = rate;
    emit changed(m_value);
}
