#pragma once

#include <QWidget>

class ClampingDoubleSpinBox;
class QLabel;
class SequencerFramerate;

/// The tool bar's editor of the rate a sequence runs at: a spin box in
/// images a second with its caption under it, like the tool buttons beside
/// it. It shows the setting and changes it when an edit is finished, so that
/// the digits typed on the way do not each change the camera. It offers
/// the rates from the camera's lowest to its highest for the sequence.
class SequencerFramerateBox : public QWidget
{
    Q_OBJECT

public:
    SequencerFramerateBox(SequencerFramerate *framerate, QWidget *parent = nullptr);

    ClampingDoubleSpinBox *spinBox() const;

private:
    void showFramerate(double fps);
    /// The range of rates, and in the tooltip why it ends where it does.
    void showLimits();

    SequencerFramerate *m_framerate;
    ClampingDoubleSpinBox *m_box;
    QLabel *m_caption;
};
