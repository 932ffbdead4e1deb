#pragma once

#include <QString>

#include <cstdio>

/// The progress of a run on one line of a terminal, written over in place.
/// Writes nothing when the stream is no terminal (a file or a pipe), where
/// lines written over would only pile up.
class ProgressLine
{
public:
    explicit ProgressLine(std::FILE *stream);

    /// Replaces the line with text.
    void show(const QString &text);
    /// Empties the line, so that what comes next starts at its beginning.
    void clear();

private:
    std::FILE *m_stream;
    bool m_terminal;
    /// The length of the text on the line now.
    int m_shown = 0;
};
