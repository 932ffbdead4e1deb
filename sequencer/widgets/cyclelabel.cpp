#include "cyclelabel.h"

#include <QStringList>

#include "sequencemodel.h"

namespace {

// Longer cycles name their first sets and their last, so that the status bar
// keeps room for its other figures.
constexpr int setsNamedInFull = 8;
constexpr int firstSetsNamed = 3;

} // namespace

CycleLabel::CycleLabel(const SequenceModel *model, QWidget *parent) : QLabel(parent), m_model(model)
{
    setObjectName(QStringLiteral("l_cycle"));
    setToolTip(tr("The sets the camera takes over and over, starting from the first set, and how "
                  "long one cycle takes at the run rate"));
    connect(model, &SequenceModel::sequenceChanged, this, &CycleLabel::showCycle);
    connect(model, &SequenceModel::setChanged, this, &CycleLabel::showCycle);
    connect(&model->runRate(), &SequencerFramerate::changed, this, &CycleLabel::showCycle);
    showCycle();
}

QString CycleLabel::describe(const Sequence &sequence, double fps)
{
    const QList<int> cycle = sequence.cycle();
    if (cycle.isEmpty() || fps <= 0.0)
        return QString();
    QStringList named;
    for (int position = 0; position < cycle.size(); ++position) {
        if (cycle.size() > setsNamedInFull && position == firstSetsNamed) {
            named << QStringLiteral("…");
            position = int(cycle.size()) - 1;
        }
        named << QString::number(cycle.at(position));
    }
    QString sets = named.join(QStringLiteral(" → "));
    if (cycle.size() > setsNamedInFull)
        sets += tr(" (%1 sets)").arg(cycle.size());
    const double seconds = cycle.size() / fps;
    return tr("Cycle %1: %2 s, %3 a second at %4 fps")
        .arg(sets)
        .arg(seconds, 0, 'f', 2)
        .arg(1.0 / seconds, 0, 'f', 2)
        .arg(fps, 0, 'f', 2);
}

void CycleLabel::showCycle()
{
    setText(describe(m_model->sequence(), m_model->runRate().value()));
}
