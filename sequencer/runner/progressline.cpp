#include "progressline.h"

#include <unistd.h>

ProgressLine::ProgressLine(std::FILE *stream) : m_stream(stream), m_terminal(isatty(fileno(stream)))
{
}

void ProgressLine::show(const QString &text)
{
    if (!m_terminal)
        return;
    // Spaces cover what a longer line before left.
    const QByteArray bytes = text.leftJustified(m_shown).toLocal8Bit();
    std::fprintf(m_stream, "\r%s", bytes.constData());
    std::fflush(m_stream);
    m_shown = int(text.size());
}

void ProgressLine::clear()
{
    if (!m_terminal || m_shown == 0)
        return;
    std::fprintf(m_stream, "\r%s\r", QByteArray(m_shown, ' ').constData());
    std::fflush(m_stream);
    m_shown = 0;
}
