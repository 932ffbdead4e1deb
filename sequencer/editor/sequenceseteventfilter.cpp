#include "sequenceseteventfilter.h"

#include <QKeyEvent>
#include <QMouseEvent>

SequencerSetEventFilter::SequencerSetEventFilter(QObject *parent) : QObject(parent) {}

bool SequencerSetEventFilter::eventFilter(QObject *watched, QEvent *event)
{
    Q_UNUSED(watched);
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton)
            emit mouseButtonRightClicked(mouse);
        else if (mouse->button() == Qt::LeftButton)
            emit mouseButtonLeftClicked(mouse);
        break;
    }
    case QEvent::FocusIn:
        emit focusIn();
        break;
    case QEvent::FocusOut:
        emit focusOut();
        break;
    case QEvent::ShortcutOverride: {
        // Undo and Redo step through the sequence's edits, not through the
        // characters typed into one field.
        const auto *key = static_cast<QKeyEvent *>(event);
        const QKeySequence pressed(int(key->modifiers()) | key->key());
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
            pressed == QKeySequence(Qt::CTRL | Qt::Key_Y))
            return true;
        break;
    }
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete)
            emit keyDeletePressed();
        break;
    default:
        break;
    }
    return false;
}
