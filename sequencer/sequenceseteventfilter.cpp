#include "sequenceseteventfilter.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

SequencerSetEventFilter::SequencerSetEventFilter(QObject *parent) : QObject(parent) {}

bool SequencerSetEventFilter::eventFilter(QObject *watched, QEvent *event)
{
    Q_UNUSED(watched);
    if (auto *mouse = dynamic_cast<QMouseEvent *>(event)) {
        const bool released = mouse->type() == QEvent::MouseButtonRelease;
        if (released && mouse->button() == Qt::RightButton)
            emit mouseButtonRightClicked(mouse);
        if (released && mouse->button() == Qt::LeftButton)
            emit mouseButtonLeftClicked(mouse);
    } else if (dynamic_cast<QFocusEvent *>(event)) {
        if (event->type() == QEvent::FocusIn)
            emit focusIn();
        else if (event->type() == QEvent::FocusOut)
            emit focusOut();
    } else if (auto *key = dynamic_cast<QKeyEvent *>(event)) {
        if (key->type() == QEvent::KeyPress && key->key() == Qt::Key_Delete)
            emit keyDeletePressed();
    }
    return false;
}
