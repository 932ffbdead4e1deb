#include "pathproperty.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

#include <algorithm>

#include "vyracamera.h"
#include "workspacecombobox.h"

namespace Properties {

namespace {

struct TriggerSource
{
    qint32 code;
    const char *text;
};

// The sources a camera may offer, in the order they are listed; the code is
// also the source's bit in the camera's mask.
const TriggerSource triggerSources[] = {
    {VYRA_SEQUENCER_TRIGGER_FRAME_END, "Frame End"},
    {VYRA_SEQUENCER_TRIGGER_FRAME_START, "Frame Start"},
    {VYRA_SEQUENCER_TRIGGER_EXPOSURE_END, "Exposure End"},
};

// A query whose failure leaves the answer 0: a camera that cannot tell
// offers nothing to choose.
qint32 queryIgnoringStatus(VyraHandle handle, quint32 command)
{
    qint32 answer = 0;
    sequencerControl(handle, command, &answer, sizeof answer);
    return answer;
}

} // namespace

Path::Path(const QSharedPointer<VyraCamera> &camera, QObject *eventFilter, QWidget *parent)
    : SequencerProperty(camera, eventFilter, parent)
{
    // The sequence works with path 0 of every set.
    m_selector = new QLabel(QStringLiteral("0"), this);
    m_nextSet = new WorkspaceComboBox(this);
    m_triggerSource = new WorkspaceComboBox(this);

    addRow(createHeaderLabel(QStringLiteral("Sequencer path")), new QWidget(this));
    addRow(createSubLabel(QStringLiteral("     Selector")), m_selector);
    addRow(createSubLabel(QStringLiteral("     Trigger source")), m_triggerSource);
    addRow(createSubLabel(QStringLiteral("     Set Next")), m_nextSet);

    queryIgnoringStatus(camera->handle(), VYRA_SEQUENCER_PATH_COUNT);
    m_capacity = queryIgnoringStatus(camera->handle(), VYRA_SEQUENCER_SET_COUNT);
    offerSets(m_capacity);
    fillTriggerSources();
    watch(m_triggerSource);
    watch(m_nextSet);
}

const QString &Path::name()
{
    static const QString text = QStringLiteral("Path");
    return text;
}

void Path::offerSets(int count)
{
    count = std::min(count, m_capacity);
    if (m_nextSet->count() == count)
        return;
    const QSignalBlocker blocker(m_nextSet);
    while (m_nextSet->count() > count)
        m_nextSet->removeItem(m_nextSet->count() - 1);
    while (m_nextSet->count() < count)
        m_nextSet->addItem(QString::number(m_nextSet->count()));
    m_nextSet->setCurrentIndex(shownValues().nextSet);
}

void Path::fillTriggerSources()
{
    const qint32 mask = queryIgnoringStatus(camera()->handle(), VYRA_SEQUENCER_TRIGGER_SOURCES);
    m_triggerSource->addItem(QStringLiteral("Off"), VYRA_SEQUENCER_TRIGGER_OFF);
    for (const TriggerSource &source : triggerSources) {
        if (mask & source.code)
            m_triggerSource->addItem(QString::fromLatin1(source.text), source.code);
    }
}

void Path::fillWidgets(const SetParameters &values)
{
    m_nextSet->setCurrentIndex(values.nextSet);
    m_triggerSource->setCurrentIndex(m_triggerSource->findData(values.triggerSource));
}

SetParameters Path::editedValues(const SetParameters &values) const
{
    SetParameters edited = values;
    edited.nextSet = m_nextSet->currentIndex();
    // A source the camera does not list is kept until another is chosen.
    if (m_triggerSource->currentIndex() >= 0)
        edited.triggerSource = m_triggerSource->currentData().toInt();
    return edited;
}

} // namespace Properties
