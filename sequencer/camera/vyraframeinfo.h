#pragma once

#include <QImage>
#include <QList>
#include <QPair>
#include <QString>

/// What the camera driver told about one captured image: the sequencer set
/// that took it, its frame number, the camera's time stamp and the exposure
/// used. It travels in the image's text, so that every receiver of the
/// shared image gets it with the pixels, in the same event, and image
/// writers that keep text store it in the file.
struct VyraFrameInfo
{
    /// Images taken outside a running sequence name no set.
    static constexpr int noSet = -1;

    int set = noSet;
    quint64 frameNumber = 0;
    quint64 timestampUs = 0;
    double exposureMs = 0.0;

    /// What the image carries; defaults for an image that carries nothing.
    static VyraFrameInfo of(const QImage &image);
    /// Writes the information into the image's text.
    void attachTo(QImage &image) const;
    /// The text keys and values attachTo() writes, in this order: set
    /// ("live" outside a sequence), frame number, time stamp, exposure.
    QList<QPair<QString, QString>> texts() const;

    /// The text keys, as they appear in files.
    static const QString setKey;
    static const QString frameKey;
    static const QString timestampKey;
    static const QString exposureKey;
};
