#include "cyclebracket.h"

#include <QSet>

#include "imagelabels.h"
#include "sequence.h"
#include "vyradriver.h"
#include "vyraframeinfo.h"

namespace {

QString pointText(const QPoint &point)
{
    return QStringLiteral("(%1, %2)").arg(point.x()).arg(point.y());
}

QString sizeText(const QSize &size)
{
    return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

QString setName(int set)
{
    return set >= 0 ? QStringLiteral("set %1").arg(set) : QStringLiteral("a live image");
}

} // namespace

QString CycleBracket::whyNoBracket(const Sequence &sequence)
{
    if (sequence.isEmpty())
        return tr("Plain live video has no bracket to merge: start a sequence whose sets "
                  "take two or more different exposures.");
    const QList<int> cycle = sequence.cycle();
    if (cycle.size() < 2)
        return tr("The sequence repeats a single set: a bracket needs two or more different "
                  "exposures.");
    // Exposures are compared to the microsecond the camera sets them in.
    QSet<qint64> exposures;
    for (int set : cycle)
        exposures.insert(qRound64(sequence.sets.at(set).exposureMs * 1000.0));
    if (!sequence.varies(VYRA_FEATURE_EXPOSURE) || exposures.size() < 2)
        return tr("Every set of the cycle takes the same exposure: a bracket needs two or "
                  "more different ones.");
    return QString();
}

QString CycleBracket::whyNotMergeable(const Sequence &sequence)
{
    const QString noBracket = whyNoBracket(sequence);
    if (!noBracket.isEmpty())
        return noBracket;
    // Over a camera at the origin, the labels hold the offsets the sets
    // vary; those they leave alone are the camera's, the same for all.
    const ImageLabels labels = ImageLabels::ofSequence(sequence, ImageParameters());
    const QList<int> cycle = sequence.cycle();
    const QPoint first = labels.parametersOf(cycle.first()).aoiOffset;
    for (int set : cycle) {
        const QPoint offset = labels.parametersOf(set).aoiOffset;
        if (offset != first)
            return tr("Not merged: set %1 is at AOI offset %2, set %3 at %4, another part of the "
                      "sensor.")
                .arg(cycle.first())
                .arg(pointText(first))
                .arg(set)
                .arg(pointText(offset));
    }
    return QString();
}

QVector<RadianceMerge::Exposure>
CycleBracket::exposuresOf(const QList<QSharedPointer<QImage>> &images, const ImageLabels &labels)
{
    QVector<RadianceMerge::Exposure> bracket;
    for (const QSharedPointer<QImage> &image : images) {
        const VyraFrameInfo frame = VyraFrameInfo::of(*image);
        const ImageParameters parameters = labels.parametersOf(frame.set);
        RadianceMerge::Exposure exposure;
        exposure.image = *image;
        exposure.exposureMs = frame.exposureMs;
        exposure.gain = {parameters.masterGain, parameters.redGain, parameters.greenGain,
                         parameters.blueGain};
        exposure.aoiOffset = parameters.aoiOffset;
        exposure.set = frame.set;
        exposure.frameNumber = frame.frameNumber;
        bracket << exposure;
    }
    return bracket;
}

QString CycleBracket::whyNotAlike(const QVector<RadianceMerge::Exposure> &bracket)
{
    for (const RadianceMerge::Exposure &each : bracket) {
        const RadianceMerge::Exposure &first = bracket.first();
        if (each.aoiOffset != first.aoiOffset)
            return tr("Not merged: %1 is at AOI offset %2, %3 at %4, another part of the sensor.")
                .arg(setName(first.set), pointText(first.aoiOffset), setName(each.set),
                     pointText(each.aoiOffset));
        if (each.image.size() != first.image.size())
            return tr("Not merged: %1 is %2 pixels, %3 is %4.")
                .arg(setName(first.set), sizeText(first.image.size()), setName(each.set),
                     sizeText(each.image.size()));
    }
    return QString();
}
