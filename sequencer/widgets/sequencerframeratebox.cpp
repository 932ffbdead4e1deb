#include "sequencerframeratebox.h"

#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "clampingdoublespinbox.h"
#include "sequencerframerate.h"

SequencerFramerateBox::SequencerFramerateBox(SequencerFramerate *framerate, QWidget *parent)
    : QWidget(parent), m_framerate(framerate), m_box(new ClampingDoubleSpinBox(this))
{
    m_box->setObjectName(QStringLiteral("sb_sequencerframerate"));
    m_box->setSuffix(QStringLiteral(" fps"));
    m_box->setDecimals(2);
    m_box->setSingleStep(1.0);
    m_box->setKeyboardTracking(false);
    m_box->setRange(framerate->minimum(), SequencerFramerate::maximum);
    m_box->setValue(framerate->value());
    const QString tip = tr("Images a second while the sequencer runs");
    m_box->setToolTip(tip);

    auto *caption = new QLabel(tr("Sequencer Rate"), this);
    caption->setAlignment(Qt::AlignHCenter);
    caption->setToolTip(tip);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    layout->addWidget(m_box, 0, Qt::AlignHCenter);
    layout->addWidget(caption);

    connect(m_box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), framerate,
            &SequencerFramerate::setValue);
    connect(framerate, &SequencerFramerate::changed, this, &SequencerFramerateBox::showFramerate);
    connect(framerate, &SequencerFramerate::minimumChanged, this,
            &SequencerFramerateBox::showMinimum);
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

void SequencerFramerateBox::showMinimum(double fps)
{
    const QSignalBlocker blocker(m_box);
    m_box->setMinimum(fps);
    m_box->setValue(m_framerate->value());
}
