#include "setgenerator.h"

#include <algorithm>
#include <cmath>

#include "cameralimits.h"
#include "vyradriver.h"

namespace {

// Exposures to the hundredth of a millisecond, as the editors show and take
// them.
double roundedExposure(double ms)
{
    return std::round(ms * 100.0) / 100.0;
}

} // namespace

Sequence SetGenerator::exposureBracket(const ExposureBracket &bracket, const SetParameters &base,
                                       const CameraLimits &limits)
{
    QList<SetParameters> sets;
    bool gainRaised = false;
    // Centred, the base is set (count - 1) / 2 (rounded down).
    const int first = bracket.centred ? -((bracket.count - 1) / 2) : 0;
    for (int i = 0; i < bracket.count; ++i) {
        SetParameters set = base;
        const double exposure =
            roundedExposure(bracket.baseMs * std::exp2((first + i) * bracket.stepStops));
        set.exposureMs = exposure;
        if (bracket.gainCompensation && exposure > limits.exposureMaximum) {
            set.exposureMs = limits.exposureMaximum;
            set.masterGain =
                gainAmplifiedBy(base.masterGain, exposure / limits.exposureMaximum, limits);
            gainRaised = gainRaised || set.masterGain != base.masterGain;
        }
        sets << set;
    }
    QList<qint64> features{VYRA_FEATURE_EXPOSURE};
    if (gainRaised)
        features << VYRA_FEATURE_GAIN;
    return ring(sets, features);
}

Sequence SetGenerator::gainSweep(const GainSweep &sweep, const SetParameters &base)
{
    QList<SetParameters> sets;
    for (int i = 0; i < sweep.count; ++i) {
        SetParameters set = base;
        const double share = sweep.count > 1 ? double(i) / (sweep.count - 1) : 0.0;
        set.masterGain = int(std::lround(sweep.from + (sweep.to - sweep.from) * share));
        sets << set;
    }
    return ring(sets, {VYRA_FEATURE_GAIN});
}

Sequence SetGenerator::aoiTiles(const TileGeometry &geometry, const SetParameters &base)
{
    const QList<int> columns = tileOffsets(geometry.sensor.width(), geometry.image.width(),
                                           geometry.offsetIncrement.width());
    const QList<int> rows = tileOffsets(geometry.sensor.height(), geometry.image.height(),
                                        geometry.offsetIncrement.height());
    QList<SetParameters> sets;
    for (int y : rows) {
        for (int x : columns) {
            SetParameters set = base;
            set.aoiOffset = QPoint(x, y);
            sets << set;
        }
    }
    return ring(sets, {VYRA_FEATURE_AOI_OFFSET_X, VYRA_FEATURE_AOI_OFFSET_Y});
}

QSize SetGenerator::tileGrid(const TileGeometry &geometry)
{
    return QSize(int(tileOffsets(geometry.sensor.width(), geometry.image.width(),
                                 geometry.offsetIncrement.width())
                         .size()),
                 int(tileOffsets(geometry.sensor.height(), geometry.image.height(),
                                 geometry.offsetIncrement.height())
                         .size()));
}

int SetGenerator::gainAmplifiedBy(int gain, double factor, const CameraLimits &limits)
{
    const double range = limits.gainMaximum - limits.gainMinimum;
    if (range <= 0)
        return gain;
    // The amplification rises evenly from 1 at the lowest gain to
    // maximumGainFactor at the highest.
    const double perGain = (maximumGainFactor - 1.0) / range;
    const double amplification = 1.0 + (gain - limits.gainMinimum) * perGain;
    return limits.gainMinimum + int(std::lround((amplification * factor - 1.0) / perGain));
}

QList<int> SetGenerator::tileOffsets(int sensor, int image, int increment)
{
    const int step = std::max(1, increment);
    // The last tile lies as far right (or down) as the offset steps allow.
    const int last = image > 0 ? std::max(0, sensor - image) / step * step : 0;
    const int mostTiles = last / step + 1;
    QList<int> offsets{0};
    for (int count = 2; count <= mostTiles; ++count) {
        // Evenly spread, each rounded down to the steps: the gaps between
        // neighbours grow by less than a step, so some counts that would
        // just cover unrounded need one tile more.
        offsets.clear();
        for (int i = 0; i < count - 1; ++i)
            offsets << int(std::floor(double(last) * i / (count - 1) / step)) * step;
        offsets << last;
        bool covered = true;
        for (int i = 1; i < offsets.size(); ++i)
            covered = covered && offsets.at(i) - offsets.at(i - 1) <= image;
        if (covered)
            break;
    }
    return offsets;
}

Sequence SetGenerator::ring(QList<SetParameters> sets, QList<qint64> features)
{
    for (int i = 0; i < sets.size(); ++i)
        sets[i].nextSet = (i + 1) % int(sets.size());
    Sequence sequence;
    sequence.sets = std::move(sets);
    sequence.features = std::move(features);
    return sequence;
}
