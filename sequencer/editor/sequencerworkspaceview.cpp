#include "sequencerworkspaceview.h"

#include "sequencerworkspace.h"

SequencerWorkspaceView::SequencerWorkspaceView(QWidget *parent)
    : QGraphicsView(parent)
    // The workspace belongs to the view's parent, as the view does; a view
    // without a parent keeps it itself.
    , m_workspace(new SequencerWorkspace(parent ? static_cast<QObject *>(parent) : this))
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setScene(m_workspace);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

SequencerWorkspace *SequencerWorkspaceView::workspace() const
{
    return m_workspace;
}

void SequencerWorkspaceView::setWorkspaceEnabled(bool enabled)
{
    m_workspace->setSetsEnabled(enabled);
}

void SequencerWorkspaceView::resizeEvent(QResizeEvent *event)
{
    QGraphicsView::resizeEvent(event);
    m_workspace->relayout(0);
}
