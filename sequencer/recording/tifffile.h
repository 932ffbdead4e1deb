#pragma once

#include <QString>

#include <tiffio.h>

/// A TIFF file opened for writing through libtiff and closed with the
/// object. It keeps libtiff's last error message (warnings are dropped),
/// so that a failure can say why when the system does not. Text tags that
/// are empty are left out.
class TiffFile
{
public:
    /// Opens path for writing, replacing a file there.
    explicit TiffFile(const QString &path);
    ~TiffFile();
    TiffFile(const TiffFile &) = delete;
    TiffFile &operator=(const TiffFile &) = delete;

    /// The open file, or null when it could not be opened.
    TIFF *handle() const { return m_tiff; }
    void setText(uint32_t tag, const QString &text);
    /// Closes the file (TIFFWriteDirectory has written it by then).
    void close();
    /// Why writing failed: the system's error when there was one (errno at
    /// the failure), else libtiff's message.
    QString failure(int systemError) const;

    static QString systemErrorText(int systemError);

private:
    TIFF *m_tiff = nullptr;
    QString m_message;
};
