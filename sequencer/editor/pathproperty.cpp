#include "pathproperty.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

#include "sequencerset.h"
#include "vyracamera.h"
#include "vyracameraexception.h"
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
    m_selector = new QLabel(QStringLiteral("0"), this);
    m_nextSet = new WorkspaceComboBox(this);
    m_triggerSource = new WorkspaceComboBox(this);

    addRow(createHeaderLabel(QStringLiteral("Sequencer path")), new QWidget(this));
    addRow(createSubLabel(QStringLiteral("     Selector")), m_selector);
    addRow(createSubLabel(QStringLiteral("     Trigger source")), m_triggerSource);
    addRow(createSubLabel(QStringLiteral("     Set Next")), m_nextSet);

    queryIgnoringStatus(camera->handle(), VYRA_SEQUENCER_PATH_COUNT);
    fillNextSets();
    fillTriggerSources();

    const VyraPathRecord path = camera->activePath();
    m_selector->setText(QString::number(path.pathIndex));
    const auto *set = qobject_cast<const SequencerSet *>(parent);
    m_nextSet->setCurrentIndex(set ? set->index() + 1 : -1);
    if (m_triggerSource->count() > 1)
        m_triggerSource->setCurrentIndex(1);
    else
        m_triggerSource->setCurrentIndex(m_triggerSource->findData(path.triggerSource));

    connect(m_triggerSource, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &Path::setCameraParameters);
    connect(m_nextSet, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &Path::setCameraParameters);
}

const QString &Path::name()
{
    static const QString text = QStringLiteral("Path");
    return text;
}

void Path::fillNextSets()
{
    const qint32 count = queryIgnoringStatus(camera()->handle(), VYRA_SEQUENCER_SET_COUNT);
    for (qint32 set = 0; set < count; ++set)
        m_nextSet->addItem(QString::number(set));
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

int Path::nextSet() const
{
    return m_nextSet->currentIndex();
}

void Path::showNextSet(int set)
{
    const QSignalBlocker blocker(m_nextSet);
    m_nextSet->setCurrentIndex(set);
}

void Path::updateSettings()
{
    const VyraPathRecord path = camera()->activePath();
    const QSignalBlocker nextSetBlocker(m_nextSet);
    const QSignalBlocker triggerSourceBlocker(m_triggerSource);
    m_selector->setText(QString::number(path.pathIndex));
    m_nextSet->setCurrentIndex(path.nextSet);
    m_triggerSource->setCurrentIndex(m_triggerSource->findData(path.triggerSource));
}

void Path::applyValue(const QSharedPointer<FeatureValue> &)
{
    updateSettings();
}

QSharedPointer<FeatureValue> Path::currentValue() const
{
    return {};
}

void Path::setCameraParameters()
{
    writePath(nextSet());
}

void Path::writePath(int nextSet)
{
    try {
        camera()->setActivePath(m_selector->text().toInt(), nextSet,
                                m_triggerSource->currentData().toInt());
    } catch (const VyraCameraException &) {
        // The boxes keep the rejected choice; the camera keeps its path.
    }
}

} // namespace Properties
