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
    if (!list || !list->scene())
        return;
    for (QGraphicsView *shownIn : list->scene()->views())
        shownIn->ensureVisible(list, 0, 0);
}
