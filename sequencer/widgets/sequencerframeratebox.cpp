#include "sequencerframeratebox.h"

#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "clampingdoublespinbox.h"
#include "sequencerframerate.h"
#include "sequencerun.h"

SequencerFramerateBox::SequencerFramerateBox(SequencerFramerate *framerate, QWidget *parent)
    : QWidget(parent), m_framerate(framerate), m_box(new ClampingDoubleSpinBox(this))
{
    m_box->setObjectName(QStringLiteral("sb_sequencerframerate"));
    m_box->setSuffix(QStringLiteral(" fps"));
    m_box->setDecimals(2);
    m_box->setSingleStep(1.0);
    m_box->setKeyboardTracking(false);
    m_box->setRange(framerate->minimum(), framerate->maximum());
    m_box->setValue(framerate->value());

    m_caption = new QLabel(tr("Sequencer Rate"), this);
    m_caption->setAlignment(Qt::AlignHCenter);
    showLimits();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    layout->addWidget(m_box, 0, Qt::AlignHCenter);
    layout->addWidget(m_caption);

    connect(m_box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), framerate,
            &SequencerFramerate::setValue);
    connect(framerate, &SequencerFramerate::changed, this, &SequencerFramerateBox::showFramerate);
    connect(framerate, &SequencerFramerate::minimumChanged, this,
            &SequencerFramerateBox::showLimits);
    connect(framerate, &SequencerFramerate::maximumChanged, this,
            &SequencerFramerateBox::showLimits);
}

ClampingDoubleSpinBox *SequencerFramerateBox::spinBox() const
{
    return m_box;
}

void SequencerFramerateBox::showFramerate(double fps)
{
    const QSignalBlocker blocker(m_box);
    m_box->setValue(fps);
}

void SequencerFramerateBox::showLimits()
{
    {
        const QSignalBlocker blocker(m_box);
        m_box->setRange(m_framerate->minimum(), m_framerate->maximum());
        m_box->setValue(m_framerate->value());
    }
    const QString tip =
        tr("Images a second while the sequencer runs: %1 to %2, the camera's highest rate for "
           "the sequence's longest exposure at the current image size. Up to %3 a second the "
           "computer triggers each image; faster, the camera runs the sequence itself.")
            .arg(m_framerate->minimum(), 0, 'f', 2)
            .arg(m_framerate->maximum(), 0, 'f', 2)
            .arg(SequenceRun::maximumTriggerRate);
    m_box->setToolTip(tip);
    m_caption->setToolTip(tip);
}
