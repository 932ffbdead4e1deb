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

double SequencerFramerate::requested() const
{
    return m_requested;
}

void SequencerFramerate::setValue(double fps)
{
    if (!std::isfinite(fps))
        return;
    m_requested = std::clamp(fps, 0.0, maximum);
    follow();
}

void SequencerFramerate::setMinimum(double fps)
{
    if (!std::isfinite(fps) || fps == m_minimum)
        return;
    m_minimum = std::clamp(fps, 0.0, maximum);
    emit minimumChanged(m_minimum);
    follow();
}

void SequencerFramerate::follow()
{
    // A camera that cannot run so slowly takes its lowest rate; the rate
    // asked for stays for the cameras that can.
    const double rate = std::clamp(m_requested, m_minimum, maximum);
    if (rate == m_value)
        return;
    m_value = rate;
    emit changed(m_value);
}
