#include "framegapcounter.h"

quint64 FrameGapCounter::count(quint64 frameNumber, quint64 stream)
{
    const bool follows = m_lastFrame != 0 && stream == m_stream && frameNumber > m_lastFrame + 1;
    const quint64 lost = follows ? frameNumber - m_lastFrame - 1 : 0;
    m_lastFrame = frameNumber;
    m_stream = stream;
    return lost;
}
