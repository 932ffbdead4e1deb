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
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete)
            emit keyDeletePressed();
        break;
    default:
        break;
    }
    return false;
}
