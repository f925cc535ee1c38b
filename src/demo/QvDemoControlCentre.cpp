#include "QvDemoControlCentre.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QRect>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

namespace {
QPoint CellCenter(const QWidget& Owner, const QRect& Cell) {
  return Owner.mapToGlobal(QPoint(Cell.left() + Cell.width() / 2, Cell.top() + Cell.height() / 2));
}

bool MenuShows(const QMenu* Menu, QAction* Item) {
  return Menu && Menu->isVisible() && Menu->actions().contains(Item) && Item->isVisible();
}
}  // namespace

QPoint GetControlCenter(const QWidget& Control) {
  return Control.mapToGlobal(QPoint(Control.width() / 2, Control.height() / 2));
}

bool GetMenuItemCenter(QAction* Item, QPoint& Point) {
  if (!Item) return false;
  // The popup on top first: while a submenu is open, its parent may list the same item too.
  auto* Menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  if (!MenuShows(Menu, Item)) {
    Menu = nullptr;
    for (QObject* Owner : Item->associatedObjects()) {
      auto* Candidate = qobject_cast<QMenu*>(Owner);
      if (MenuShows(Candidate, Item)) {
        Menu = Candidate;
        break;
      }
    }
  }
  if (Menu) {
    const QRect Cell = Menu->actionGeometry(Item);
    if (Cell.isEmpty()) return false;
    Point = CellCenter(*Menu, Cell);
    return true;
  }
  for (QObject* Owner : Item->associatedObjects()) {
    auto* Bar = qobject_cast<QMenuBar*>(Owner);
    if (!Bar || !Bar->isVisible()) continue;
    const QRect Cell = Bar->actionGeometry(Item);
    if (Cell.isEmpty()) continue;
    Point = CellCenter(*Bar, Cell);
    return true;
  }
  return false;
}

bool GetToolbarItemCenter(QAction* Item, QPoint& Point) {
  if (!Item) return false;
  for (QObject* Owner : Item->associatedObjects()) {
    // A button bar of our own (the tool panel) shows the item as a button of its own.
    if (auto* Button = qobject_cast<QToolButton*>(Owner); Button && Button->defaultAction() == Item) {
      if (!Button->isVisible()) continue;
      Point = GetControlCenter(*Button);
      return true;
    }
    auto* Bar = qobject_cast<QToolBar*>(Owner);
    if (!Bar) continue;
    // Every item on a toolbar has a cell: its button, or the widget it holds (a combo box...).
    const QRect Cell = Bar->actionGeometry(Item);
    if (!Cell.isValid()) continue;
    Point = CellCenter(*Bar, Cell);
    return true;
  }
  return false;
}
