#pragma once

#include <QGraphicsView>

class QResizeEvent;
class SequencerWorkspace;

/// The central view of the main window, in which the sets of the sequence are
/// laid out side by side and edited. It scrolls vertically only: the sets
/// wrap to the view's width.
class SequencerWorkspaceView : public QGraphicsView
{
    Q_OBJECT

public:
    explicit SequencerWorkspaceView(QWidget *parent = nullptr);

    SequencerWorkspace *workspace() const;
    /// Enables or disables every set, so that nothing can be edited while the
    /// sequence runs or without a camera.
    void setWorkspaceEnabled(bool enabled);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    SequencerWorkspace *m_workspace;
};
