#pragma once

#include <QGraphicsView>

class QGraphicsScene;

/// The central view of the main window, in which the sets of the sequence are
/// laid out side by side and edited. It scrolls vertically only: the sets
/// wrap to the view's width.
class SequencerWorkspaceView : public QGraphicsView
{
    Q_OBJECT

public:
    explicit SequencerWorkspaceView(QWidget *parent = nullptr);

    /// Enables or disables everything shown in the workspace, so that nothing
    /// can be edited while the sequence runs or without a camera.
    void setWorkspaceEnabled(bool enabled);

private:
    QGraphicsScene *workspace;
};
