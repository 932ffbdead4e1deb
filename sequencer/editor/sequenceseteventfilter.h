#pragma once

#include <QObject>

class QEvent;
class QMouseEvent;

/// Watches a set widget and every row widget of its editors and turns their
/// focus, mouse-release and Delete-key events into signals. The events still
/// reach their targets, except that the Undo and Redo keys are left to the
/// window's commands instead of a field's own undo.
class SequencerSetEventFilter : public QObject
{
    Q_OBJECT

public:
    explicit SequencerSetEventFilter(QObject *parent = nullptr);

    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void keyDeletePressed();
    void mouseButtonLeftClicked(QMouseEvent *mouse);
    void mouseButtonRightClicked(QMouseEvent *mouse);
    void focusIn();
    void focusOut();
};
