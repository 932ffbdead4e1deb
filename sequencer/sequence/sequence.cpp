#include "sequence.h"

#include <QCoreApplication>

#include <algorithm>
#include <functional>

#include "cameralimits.h"
#include "vyradriver.h"

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Sequence", text);
}

QString milliseconds(double value)
{
    return QStringLiteral("%1 ms").arg(value, 0, 'f', 2);
}

QString withUnit(qint64 value, const QString &unit)
{
    return unit.isEmpty() ? QString::number(value) : QStringLiteral("%1 %2").arg(value).arg(unit);
}

/// One integer value of a set and its range: the checks of gains, offsets and
/// flash times are all of this kind.
struct IntegerField
{
    qint64 feature;
    QString what;
    QString unit;
    std::function<qint32 &(SetParameters &)> value;
    qint32 minimum;
    qint32 maximum;
};

QList<IntegerField> integerFields(const CameraLimits &limits)
{
    return {
        {VYRA_FEATURE_GAIN, tr("Master gain"), QString(),
         [](SetParameters &s) -> qint32 & { return s.masterGain; }, limits.gainMinimum,
         limits.gainMaximum},
        {VYRA_FEATURE_GAIN, tr("Red gain"), QString(),
         [](SetParameters &s) -> qint32 & { return s.redGain; }, limits.gainMinimum,
         limits.gainMaximum},
        {VYRA_FEATURE_GAIN, tr("Green gain"), QString(),
         [](SetParameters &s) -> qint32 & { return s.greenGain; }, limits.gainMinimum,
         limits.gainMaximum},
        {VYRA_FEATURE_GAIN, tr("Blue gain"), QString(),
         [](SetParameters &s) -> qint32 & { return s.blueGain; }, limits.gainMinimum,
         limits.gainMaximum},
        {VYRA_FEATURE_AOI_OFFSET_X, tr("AOI Offset X"), QStringLiteral("px"),
         [](SetParameters &s) -> qint32 & { return s.aoiOffset.rx(); },
         limits.aoiOffsetMinimum.x(), limits.aoiOffsetMaximum.x()},
        {VYRA_FEATURE_AOI_OFFSET_Y, tr("AOI Offset Y"), QStringLiteral("px"),
         [](SetParameters &s) -> qint32 & { return s.aoiOffset.ry(); },
         limits.aoiOffsetMinimum.y(), limits.aoiOffsetMaximum.y()},
        {VYRA_FEATURE_FLASH, tr("Flash delay"), QStringLiteral("µs"),
         [](SetParameters &s) -> qint32 & { return s.flashDelayUs; }, limits.flashDelayMinimum,
         limits.flashDelayMaximum},
        {VYRA_FEATURE_FLASH, tr("Flash duration"), QStringLiteral("µs"),
         [](SetParameters &s) -> qint32 & { return s.flashDurationUs; },
         limits.flashDurationMinimum, limits.flashDurationMaximum},
    };
}

/// Checks one set against the limits; with fit, pulls its values into them.
QList<SequenceProblem> checkSet(SetParameters &set, int index, const QList<qint64> &features,
                                const CameraLimits &limits)
{
    QList<SequenceProblem> problems;
    if (features.contains(VYRA_FEATURE_EXPOSURE)) {
        const double fitted =
            std::clamp(set.exposureMs, limits.exposureMinimum, limits.exposureMaximum);
        // The driver rounds to its increment; a value within a hair of the
        // limit is what the camera took.
        if (std::abs(fitted - set.exposureMs) > 1e-6) {
            const QString allowed =
                set.exposureMs > fitted
                    ? tr("at most %1 at %2 fps")
                          .arg(milliseconds(limits.exposureMaximum))
                          .arg(limits.framerate, 0, 'f', 2)
                    : tr("at least %1").arg(milliseconds(limits.exposureMinimum));
            problems << SequenceProblem{index,           VYRA_FEATURE_EXPOSURE,
                                        milliseconds(set.exposureMs), allowed,
                                        milliseconds(fitted), tr("Exposure")};
            set.exposureMs = fitted;
        }
    }
    const bool flashLacking = features.contains(VYRA_FEATURE_FLASH) && !limits.hasFlash;
    if (flashLacking) {
        problems << SequenceProblem{index, VYRA_FEATURE_FLASH, QString(),
                                    tr("the camera has no flash output"), QString(), tr("Flash")};
    }
    for (const IntegerField &field : integerFields(limits)) {
        if (!features.contains(field.feature) || (field.feature == VYRA_FEATURE_FLASH && flashLacking))
            continue;
        qint32 &value = field.value(set);
        const qint32 fitted = std::clamp(value, field.minimum, field.maximum);
        if (fitted == value)
            continue;
        problems << SequenceProblem{index,
                                    field.feature,
                                    withUnit(value, field.unit),
                                    tr("%1 to %2").arg(withUnit(field.minimum, field.unit),
                                                       withUnit(field.maximum, field.unit)),
                                    withUnit(fitted, field.unit),
                                    field.what};
        value = fitted;
    }
    return problems;
}

} // namespace

int Sequence::successor(int index) const
{
    const int count = setCount();
    const int next = sets.at(index).nextSet;
    return next >= 0 && next < count ? next : (index + 1) % count;
}

QList<int> Sequence::walk() const
{
    QList<int> taken;
    for (int set = 0; !isEmpty() && !taken.contains(set); set = successor(set))
        taken << set;
    return taken;
}

QList<int> Sequence::cycle() const
{
    const QList<int> taken = walk();
    if (taken.isEmpty())
        return taken;
    return taken.mid(taken.indexOf(successor(taken.last())));
}

QList<int> Sequence::unreachable() const
{
    const QList<int> taken = walk();
    QList<int> never;
    for (int set = 0; set < setCount(); ++set) {
        if (!taken.contains(set))
            never << set;
    }
    return never;
}

Sequence Sequence::withSetAppended(SetParameters values) const
{
    Sequence result = *this;
    const int position = setCount();
    values.nextSet = 0;
    if (position > 0 && successor(position - 1) == 0)
        result.sets[position - 1].nextSet = position;
    result.sets.append(values);
    return result;
}

Sequence Sequence::withSetInsertedAfter(int position, SetParameters values) const
{
    if (isEmpty())
        return withSetAppended(values);
    Sequence result = *this;
    const int inserted = position + 1;
    for (int set = 0; set < setCount(); ++set) {
        const int next = successor(set);
        result.sets[set].nextSet = next >= inserted ? next + 1 : next;
    }
    values.nextSet = result.sets.at(position).nextSet;
    result.sets[position].nextSet = inserted;
    result.sets.insert(inserted, values);
    return result;
}

Sequence Sequence::withSetRemoved(int position) const
{
    Sequence result = *this;
    const int count = setCount();
    int redirect = successor(position);
    if (redirect == position)
        redirect = (position + 1) % count;
    for (int set = 0; set < count; ++set) {
        int next = successor(set);
        if (next == position)
            next = redirect;
        result.sets[set].nextSet = next > position ? next - 1 : next;
    }
    result.sets.removeAt(position);
    return result;
}

Sequence Sequence::withFeature(qint64 featureId, bool varied,
                               const SetParameters &cameraValues) const
{
    Sequence result = *this;
    result.features.removeAll(featureId);
    if (!varied)
        return result;
    result.features.append(featureId);
    for (SetParameters &set : result.sets)
        set = set.withFeatureOf(cameraValues, featureId);
    return result;
}

QList<SequenceProblem> Sequence::problems(const CameraLimits &limits) const
{
    QList<SequenceProblem> found;
    if (setCount() > limits.setCapacity) {
        found << SequenceProblem{-1, 0, tr("%1 sets").arg(setCount()),
                                 tr("at most %1").arg(limits.setCapacity), QString(),
                                 tr("The sequence has")};
    }
    for (int index = 0; index < setCount(); ++index) {
        SetParameters copy = sets.at(index);
        found << checkSet(copy, index, features, limits);
    }
    return found;
}

Sequence Sequence::fittedTo(const CameraLimits &limits) const
{
    Sequence result = *this;
    for (int index = 0; index < setCount(); ++index)
        checkSet(result.sets[index], index, features, limits);
    return result;
}

bool Sequence::operator==(const Sequence &other) const
{
    return sets == other.sets && features == other.features;
}
