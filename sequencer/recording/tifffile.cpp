#include "tifffile.h"

#include <QFile>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// libtiff reports through a handler; the last message of a file says why
// it failed when the system did not.
int keepMessage(TIFF *, void *userData, const char *, const char *format, va_list arguments)
{
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    *static_cast<QString *>(userData) = QString::fromLocal8Bit(text);
    return 1;
}

int ignoreMessage(TIFF *, void *, const char *, const char *, va_list)
{
    return 1;
}

} // namespace

TiffFile::TiffFile(const QString &path)
{
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, keepMessage, &m_message);
    TIFFOpenOptionsSetWarningHandlerExtR(options, ignoreMessage, nullptr);
    m_tiff = TIFFOpenExt(QFile::encodeName(path).constData(), "w", options);
    TIFFOpenOptionsFree(options);
}

TiffFile::~TiffFile()
{
    close();
}

void TiffFile::setText(uint32_t tag, const QString &text)
{
    if (m_tiff && !text.isEmpty())
        TIFFSetField(m_tiff, tag, text.toUtf8().constData());
}

void TiffFile::close()
{
    if (m_tiff)
        TIFFClose(m_tiff);
    m_tiff = nullptr;
}

QString TiffFile::failure(int systemError) const
{
    return systemError ? systemErrorText(systemError) : m_message;
}

QString TiffFile::systemErrorText(int systemError)
{
    return QString::fromLocal8Bit(std::strerror(systemError));
}
