#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QList>
#include <QSharedPointer>
#include <QString>
#include <QVector>

#include "radiancemerge.h"

class ImageLabels;
struct Sequence;

/// A running sequence's cycle as a bracket of exposures: whether a run has
/// one worth merging into radiance or fusing into one picture, and each
/// cycle's images as the merge and the fusion take them. A bracket is a
/// cycle whose sets take two or more different exposure times; its images
/// are merged only where they show one part of the sensor (one AOI offset,
/// one size).
class CycleBracket
{
    Q_DECLARE_TR_FUNCTIONS(CycleBracket)

public:
    /// Empty when the cycle of the sequence, as it runs, is a bracket;
    /// otherwise why not, in a sentence. An empty sequence is live video.
    static QString whyNoBracket(const Sequence &sequence);
    /// Empty when the cycles of the sequence can be merged and fused: a
    /// bracket whose sets share one AOI offset; otherwise why not.
    static QString whyNotMergeable(const Sequence &sequence);

    /// A cycle's images, each with the exposure its own frame information
    /// names and the gains and AOI offset of the set that took it.
    static QVector<RadianceMerge::Exposure> exposuresOf(const QList<QSharedPointer<QImage>> &images,
                                                        const ImageLabels &labels);
    /// Empty when the images are of one size and AOI offset; otherwise
    /// which two differ, and how.
    static QString whyNotAlike(const QVector<RadianceMerge::Exposure> &bracket);
};
