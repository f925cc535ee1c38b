// Screen positions of the things a demonstration moves the pointer to: a control, an item of a menu
// and a button of a toolbar.
#pragma once

#include <QPoint>

class QAction;
class QWidget;

// The centre of Control in screen coordinates: half its width and half its height, rounded toward zero.
QPoint GetControlCenter(const QWidget& Control);
// The centre of Item in the open popup menu that shows it, or, when no popup shows it, in the menu
// bar that holds it. False when neither shows the item.
bool GetMenuItemCenter(QAction* Item, QPoint& Point);
// The centre of Item's button on a toolbar, in screen coordinates. False for an item that is on no
// toolbar.
bool GetToolbarItemCenter(QAction* Item, QPoint& Point);
