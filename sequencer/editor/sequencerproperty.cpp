#include "sequencerproperty.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFont>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>

#include <vector>

#include "aoioffsetproperty.h"
#include "exposureproperty.h"
#include "flashproperty.h"
#include "gainproperty.h"
#include "pathproperty.h"
#include "vyracamera.h"
#include "vyracameraexception.h"

namespace {

// A value the camera cannot take reads in this colour.
const QString outsideStyle = QStringLiteral("color: rgb(200, 0, 0);");

} // namespace

SequencerProperty::SequencerProperty(const QSharedPointer<VyraCamera> &camera,
                                     QObject *eventFilter, QWidget *parent)
    : QWidget(parent)
    , m_camera(camera)
    , m_eventFilter(eventFilter)
{
}

SequencerProperty::~SequencerProperty()
{
    // The row widgets live in the set widget's form, not among this editor's
    // children; deleting them takes them out of the form. What they signal
    // on the way (a spin box losing its focus finishes its editing) must not
    // reach this editor, of which only the base is left.
    for (const Row &row : qAsConst(m_rows)) {
        row.first->disconnect(this);
        row.second->disconnect(this);
        row.first->hide();
        row.second->hide();
        delete row.first;
        delete row.second;
    }
    m_rows.clear();
}

void SequencerProperty::showValues(const SetParameters &values)
{
    m_shown = values;
    // Every widget, shown in a row or not, is filled without an edit.
    std::vector<std::unique_ptr<QSignalBlocker>> blockers;
    for (QWidget *widget : qAsConst(m_watched))
        blockers.push_back(std::make_unique<QSignalBlocker>(widget));
    fillWidgets(values);
}

const QList<SequencerProperty::Row> &SequencerProperty::rows() const
{
    return m_rows;
}

QSharedPointer<VyraCamera> SequencerProperty::camera() const
{
    return m_camera;
}

bool SequencerProperty::editorHasFocus() const
{
    for (const Row &row : m_rows) {
        if (row.second->hasFocus())
            return true;
    }
    return false;
}

SequencerProperty *SequencerProperty::create(qint64 featureId,
                                             const QSharedPointer<VyraCamera> &camera,
                                             QObject *eventFilter, QWidget *parent)
{
    switch (featureId) {
    case Properties::AoiOffsetX::Id:
        return new Properties::AoiOffsetX(camera, eventFilter, parent);
    case Properties::AoiOffsetY::Id:
        return new Properties::AoiOffsetY(camera, eventFilter, parent);
    case Properties::Exposure::Id:
        return new Properties::Exposure(camera, eventFilter, parent);
    case Properties::Gain::Id:
        return new Properties::Gain(camera, eventFilter, parent);
    case Properties::Flash::Id:
        return new Properties::Flash(camera, eventFilter, parent);
    case Properties::Path::Id:
        return new Properties::Path(camera, eventFilter, parent);
    default:
        return nullptr;
    }
}

void SequencerProperty::updateSettings()
{
    try {
        const std::vector<std::unique_ptr<QSignalBlocker>> blockers = [this] {
            std::vector<std::unique_ptr<QSignalBlocker>> all;
            for (QWidget *widget : qAsConst(m_watched))
                all.push_back(std::make_unique<QSignalBlocker>(widget));
            return all;
        }();
        readRanges();
    } catch (const VyraCameraException &) {
        // A camera that is gone keeps the ranges it had; its removal is
        // reported by the window.
    }
    showValues(m_shown);
}

void SequencerProperty::watch(QWidget *editor)
{
    m_watched << editor;
    if (auto *box = qobject_cast<QSpinBox *>(editor))
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this, &SequencerProperty::edited);
    else if (auto *box = qobject_cast<QDoubleSpinBox *>(editor))
        connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
                &SequencerProperty::edited);
    else if (auto *combo = qobject_cast<QComboBox *>(editor))
        connect(combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                &SequencerProperty::edited);
}

void SequencerProperty::addRow(QWidget *label, QWidget *editor)
{
    if (!label || !editor)
        return;
    m_rows.append(Row(label, editor));
    if (m_eventFilter) {
        label->installEventFilter(m_eventFilter);
        editor->installEventFilter(m_eventFilter);
    }
}

QLabel *SequencerProperty::createHeaderLabel(const QString &text)
{
    auto *label = new QLabel(text, this);
    QFont font = label->font();
    font.setWeight(75);
    label->setFont(font);
    return label;
}

QLabel *SequencerProperty::createSubLabel(const QString &text)
{
    return new QLabel(text, this);
}

void SequencerProperty::markOutside(QAbstractSpinBox *box, bool outside, const QString &allowed)
{
    const QString style = outside ? outsideStyle : QString();
    if (box->styleSheet() != style)
        box->setStyleSheet(style);
    box->setToolTip(tr("The camera allows %1.").arg(allowed));
}
