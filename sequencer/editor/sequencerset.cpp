#include "sequencerset.h"

#include <QContextMenuEvent>
#include <QFormLayout>
#include <QGraphicsProxyWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QVBoxLayout>

#include <algorithm>

#include <utility>

#include "sequencerproperty.h"
#include "sequenceseteventfilter.h"
#include "setthumbnail.h"

namespace {

const QString widgetName = QStringLiteral("SequencerSet");
const QString blueBorder = QStringLiteral("rgb(65, 150, 235)");
const QString blueTitleBackground = QStringLiteral("rgb(85, 170, 255)");
const QString greyBorder = QStringLiteral("rgb(200, 200, 200)");
const QString lightBackground = QStringLiteral("rgb(240, 240, 240)");
const QString whiteText = QStringLiteral("rgb(255,255,255)");
const QString blackText = QStringLiteral("rgb(0,0,0)");

// The title spans the set but for this much on either side.
constexpr int titleInset = 7;
// A set the camera never takes shows faintly.
constexpr qreal unreachedOpacity = 0.45;

// The look of a set is put together from these texts: the base, one of the
// two titles and one of the two frames. The base is completed with the
// title's width whenever the look is set, since a set is as wide as its
// widest value needs.
const QString baseStyleTemplate = QStringLiteral(R"(
    QGroupBox {
        border-radius: 0px;
        margin-top: 24px;
        background-color: %4;
        border: 1px solid %3;
    }
    QGroupBox::title {
        subcontrol-origin: margin;
        subcontrol-position: top center;
        padding: 5px 0px;
        border: 1px solid %3;
    }
    #%1::title {
        min-width: %2px;
    }
)");

const QString focusedTitleStyle = QStringLiteral(R"(
    #%1::title {
        border: 1px solid %2;
        background-color: %3;
        color: %4;
    }
)")
                                      .arg(widgetName, blueBorder, blueTitleBackground, whiteText);

const QString plainTitleStyle = QStringLiteral(R"(
    %1::title {
        border: 1px solid %2;
        background-color: %3;
        color: %4;
    }
)")
                                    .arg(widgetName, greyBorder, lightBackground, blackText);

const QString hoverFrameStyle = QStringLiteral(R"(
    #%1 {
        border-right: 1px solid %2;
        border-left: 1px solid %2;
        border-bottom: 1px solid %2;
    }
    #%1::title {
        border-right: 1px solid %2;
        border-left: 1px solid %2;
        border-top: 1px solid %2;
    }
)")
                                    .arg(widgetName, blueBorder);

const QString plainFrameStyle = QStringLiteral(R"(
    #%1 {
        background-color: %3;
        border: 1px solid %2;
    }
)")
                                    .arg(widgetName, greyBorder, lightBackground);

QString titleOf(qint32 index)
{
    return QStringLiteral("Set ") + QString::number(index);
}

} // namespace

SequencerSet::SequencerSet(qint32 index, QWidget *parent)
    : QGroupBox(titleOf(index), parent)
    , m_form(new QFormLayout)
    , m_index(index)
    , m_focusFilter(new SequencerSetEventFilter(this))
    , m_thumbnail(new SetThumbnail(this))
{
    // Tight margins keep the rows within the set's width.
    m_form->setContentsMargins(6, 6, 6, 6);
    m_form->setHorizontalSpacing(6);
    // The thumbnail sits above the rows; hidden, it takes no room.
    auto *column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_thumbnail);
    column->addLayout(m_form);
    m_thumbnail->hide();
    setLayout(column);
    fitHeight();
    setObjectName(widgetName);
    setFocusPolicy(Qt::ClickFocus);
    updateStyleSheet(false, hasFocus());
    installEventFilter(m_focusFilter);
    connect(m_focusFilter, &SequencerSetEventFilter::focusIn, this, &SequencerSet::focusIn);
    connect(m_focusFilter, &SequencerSetEventFilter::focusOut, this, &SequencerSet::focusOut);
    connect(m_focusFilter, &SequencerSetEventFilter::mouseButtonRightClicked, this,
            &SequencerSet::mouseButtonRightClicked);
}

SequencerSet::~SequencerSet()
{
    // An editor takes its rows out of the form when it goes. Among the
    // set's other children it would go after the set had begun to come
    // apart (its style sheet's style among the first), and hiding its rows
    // would then reach into what is gone already.
    qDeleteAll(std::exchange(m_properties, {}));
    delete std::exchange(m_pathProperty, nullptr);
}

void SequencerSet::addProperty(SequencerProperty *property)
{
    if (property->featureId() == 255) {
        m_pathProperty = property;
    } else {
        // The list position follows the identifier, not the form's order.
        const int position = int(property->featureId());
        if (position < m_properties.size())
            m_properties.insert(position, property);
        else
            m_properties.append(property);
    }
    for (const SequencerProperty::Row &row : property->rows()) {
        m_form->addRow(row.first, row.second);
        row.first->show();
        row.second->show();
    }
    property->showValues(m_values);
    connect(property, &SequencerProperty::edited, this,
            [this, property] { announceEdit(property); });
    // The workspace lays the sets out by their height right away.
    fitHeight();
}

void SequencerSet::removeProperty(qint64 featureId)
{
    for (int i = 0; i < m_properties.size(); ++i) {
        if (m_properties.at(i)->featureId() == featureId) {
            delete m_properties.takeAt(i);
            fitHeight();
            return;
        }
    }
}

const QList<SequencerProperty *> &SequencerSet::properties() const
{
    return m_properties;
}

SequencerProperty *SequencerSet::pathProperty() const
{
    return m_pathProperty;
}

qint32 SequencerSet::index() const
{
    return m_index;
}

void SequencerSet::setIndex(qint32 index)
{
    m_index = index;
    showTitle();
}

void SequencerSet::showPath(int successor, bool reached)
{
    m_successor = successor;
    showTitle();
    setToolTip(
        reached
            ? QString()
            : tr("The camera never takes Set %1: no path leads to it from Set 0.").arg(m_index));
    if (QGraphicsProxyWidget *proxy = graphicsProxyWidget())
        proxy->setOpacity(reached ? 1.0 : unreachedOpacity);
}

void SequencerSet::showTitle()
{
    setTitle(m_successor < 0
                 ? titleOf(m_index)
                 : titleOf(m_index) + QStringLiteral(" → ") + QString::number(m_successor));
}

void SequencerSet::showValues(const SetParameters &values)
{
    m_values = values;
    if (m_pathProperty)
        m_pathProperty->showValues(values);
    for (SequencerProperty *property : qAsConst(m_properties))
        property->showValues(values);
}

const SetParameters &SequencerSet::values() const
{
    return m_values;
}

void SequencerSet::announceEdit(const SequencerProperty *property)
{
    emit valuesEdited(m_index, property->editedValues(m_values), property->featureId());
}

SequencerSetEventFilter *SequencerSet::focusFilter() const
{
    return m_focusFilter;
}

void SequencerSet::updateStyleSheet(bool hovered, bool focused)
{
    m_styledHover = hovered;
    m_styledFocus = focused;
    const int titleWidth = std::max(fixedWidth, width()) - 2 * titleInset;
    const QString base =
        baseStyleTemplate.arg(widgetName, QString::number(titleWidth), greyBorder, lightBackground);
    const QString style = base + (focused ? focusedTitleStyle : plainTitleStyle) +
                          (hovered ? hoverFrameStyle : plainFrameStyle);
    // Setting a style sheet polishes the whole set again: the marking of the
    // active set comes with every image, and mostly changes nothing.
    if (style != styleSheet())
        setStyleSheet(style);
}

void SequencerSet::setHighlighted(bool on)
{
    updateStyleSheet(on, on);
}

void SequencerSet::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    update();
}

SetThumbnail *SequencerSet::thumbnail() const
{
    return m_thumbnail;
}

void SequencerSet::showThumbnail(bool shown)
{
    m_thumbnail->setVisible(shown);
    fitHeight();
}

void SequencerSet::enterEvent(QEvent *event)
{
    m_hovered = true;
    updateStyleSheet(true, hasFocus());
    QGroupBox::enterEvent(event);
}

void SequencerSet::leaveEvent(QEvent *event)
{
    m_hovered = false;
    updateStyleSheet(false, hasFocus());
    QGroupBox::leaveEvent(event);
}

void SequencerSet::resizeEvent(QResizeEvent *event)
{
    QGroupBox::resizeEvent(event);
    // The title follows the set's width; the look stays as it was.
    if (event->size().width() != event->oldSize().width())
        updateStyleSheet(m_styledHover, m_styledFocus);
}

void SequencerSet::paintEvent(QPaintEvent *event)
{
    // The focus may sit in any editor of the set; the look follows it at
    // the next repaint.
    const bool focused = m_selected || hasFocus() || anyEditorHasFocus();
    if (m_hovered != m_paintedHover || focused != m_paintedFocus)
        updateStyleSheet(m_hovered, focused);
    m_paintedFocus = focused;
    m_paintedHover = m_hovered;
    QGroupBox::paintEvent(event);
}

void SequencerSet::contextMenuEvent(QContextMenuEvent *event)
{
    if (actions().isEmpty()) {
        QGroupBox::contextMenuEvent(event);
        return;
    }
    // The actions act on the selected set: the one clicked.
    if (!hasFocus() && !anyEditorHasFocus())
        setFocus(Qt::MouseFocusReason);
    QMenu::exec(actions(), event->globalPos(), nullptr, this);
}

bool SequencerSet::anyEditorHasFocus() const
{
    // The path's boxes count like the features' editors: focusing them loads
    // the set's values into the camera, so the set is marked as the one shown.
    if (m_pathProperty && m_pathProperty->editorHasFocus())
        return true;
    for (const SequencerProperty *property : m_properties) {
        if (property->editorHasFocus())
            return true;
    }
    return false;
}

void SequencerSet::mouseButtonRightClicked(QMouseEvent *) {}

void SequencerSet::mouseButtonLeftClicked(QMouseEvent *) {}

void SequencerSet::focusIn()
{
    emit selectedEvent(this);
}

void SequencerSet::focusOut()
{
    emit selectedEvent(nullptr);
}

void SequencerSet::keyDeletePressed()
{
    emit deleteEvent(this);
}

void SequencerSet::fitHeight()
{
    adjustSize();
    resize(fixedWidth, height());
}
