#include "vyraframeinfo.h"

namespace {
// The set of an image taken outside a sequence, as its text shows it.
const QString liveSetText = QStringLiteral("live");
} // namespace

const QString VyraFrameInfo::setKey = QStringLiteral("Sequencer set");
const QString VyraFrameInfo::frameKey = QStringLiteral("Frame number");
const QString VyraFrameInfo::timestampKey = QStringLiteral("Camera time us");
const QString VyraFrameInfo::exposureKey = QStringLiteral("Exposure ms");

VyraFrameInfo VyraFrameInfo::of(const QImage &image)
{
    VyraFrameInfo info;
    bool isSet = false;
    const int set = image.text(setKey).toInt(&isSet);
    info.set = isSet ? set : noSet;
    info.frameNumber = image.text(frameKey).toULongLong();
    info.timestampUs = image.text(timestampKey).toULongLong();
    info.exposureMs = image.text(exposureKey).toDouble();
    return info;
}

void VyraFrameInfo::attachTo(QImage &image) const
{
    for (const auto &text : texts())
        image.setText(text.first, text.second);
}

QList<QPair<QString, QString>> VyraFrameInfo::texts() const
{
    return {{setKey, set == noSet ? liveSetText : QString::number(set)},
            {frameKey, QString::number(frameNumber)},
            {timestampKey, QString::number(timestampUs)},
            {exposureKey, QString::number(exposureMs, 'f', 3)}};
}
