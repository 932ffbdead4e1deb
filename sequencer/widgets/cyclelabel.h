#pragma once

#include <QLabel>

class SequenceModel;
struct Sequence;

/// The status bar's account of the sequence's cycle: the sets the camera
/// takes over and over, in the order it takes them, how long one cycle lasts
/// at the run rate and how many cycles that makes a second. Empty without
/// sets. It follows every change of the sequence and of the run rate.
class CycleLabel : public QLabel
{
    Q_OBJECT

public:
    explicit CycleLabel(const SequenceModel *model, QWidget *parent = nullptr);

    /// "Cycle 0 → 1 → 2: 0.60 s, 1.67 a second at 5.00 fps"; long cycles
    /// name their first and last sets and their count. Empty without sets.
    static QString describe(const Sequence &sequence, double fps);

private:
    void showCycle();

    const SequenceModel *m_model;
};
