#pragma once

#include <QComboBox>

/// A choice box of a set's editor. Its list drops down below it, at most ten
/// entries high with a scroll bar (a list of 32 sets would otherwise cover
/// the screen), and the workspace scrolls so that the open list shows whole
/// instead of running off the bottom of the view; below the last row it opens
/// upwards.
class WorkspaceComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit WorkspaceComboBox(QWidget *parent = nullptr);

    void showPopup() override;
};
