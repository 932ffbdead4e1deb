#include "qtogglebutton.h"

#include <QMouseEvent>

namespace {

const char checkedStyleSheet[] =
    "QCheckBox:enabled {background-color: #55B3FF; color: white;border-color: #4196EB;} "
    "QCheckBox:disabled { background-color: #4196EB; color: white;border-color: #2074C9; } ";

} // namespace

QToggleButton::QToggleButton(quint32 id, QString text, QWidget *parent) : QCheckBox(parent), id(id)
{
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QAbstractButton::toggled, this, &QToggleButton::toggled);
    setText(text);
}

void QToggleButton::toggled(bool checked)
{
    if (checked) {
        savedStyleSheet = styleSheet();
        setStyleSheet(QString::fromLatin1(checkedStyleSheet));
    } else {
        setStyleSheet(savedStyleSheet);
    }
    emit toggle(id, checked);
}

void QToggleButton::mousePressEvent(QMouseEvent *event)
{
    // The whole row is the button, and any mouse button flips it at once; the
    // base handler is left out so that no release or click logic interferes.
    setChecked(!isChecked());
    event->accept();
}
