#include "workspacecombobox.h"

#include <QAbstractItemView>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsView>

WorkspaceComboBox::WorkspaceComboBox(QWidget *parent) : QComboBox(parent)
{
    // Only a style sheet can make a style that opens lists over the current
    // entry drop them down instead, where the number of entries is bounded.
    setStyleSheet(QStringLiteral("combobox-popup: 0;"));
    setMaxVisibleItems(10);
}

void WorkspaceComboBox::showPopup()
{
    QComboBox::showPopup();
    // Inside the workspace the open list is an item of the scene of its own,
    // placed as if the whole screen were free below the box.
    QGraphicsProxyWidget *list = view()->window()->graphicsProxyWidget();
    const QGraphicsProxyWidget *box = window()->graphicsProxyWidget();
    if (!list || !box || !list->scene() || list->scene()->views().isEmpty())
        return;
    const QRectF workspace = list->scene()->sceneRect();
    if (list->sceneBoundingRect().bottom() > workspace.bottom()) {
        // Below the last row there is nothing to scroll to: the list opens
        // upwards, ending at the box's top edge.
        const QPointF boxTop = box->mapToScene(QPointF(mapTo(window(), QPoint(0, 0))));
        const QPointF target(list->scenePos().x(), boxTop.y() - list->size().height());
        list->setPos(list->parentItem() ? list->parentItem()->mapFromScene(target) : target);
    }
    list->scene()->views().first()->ensureVisible(list, 0, 0);
}
