#include "sequencerworkspaceview.h"

#include <QGraphicsItem>
#include <QGraphicsScene>

SequencerWorkspaceView::SequencerWorkspaceView(QWidget *parent)
    : QGraphicsView(parent), workspace(new QGraphicsScene(this))
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setScene(workspace);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void SequencerWorkspaceView::setWorkspaceEnabled(bool enabled)
{
    const QList<QGraphicsItem *> items = workspace->items();
    for (QGraphicsItem *item : items) {
        if (!item->parentItem())
            item->setEnabled(enabled);
    }
}
