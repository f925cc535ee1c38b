#include "QvFlowLayout.h"

#include <QWidget>
#include <QWidgetItem>

#include <algorithm>

TQvFlowLayout::TQvFlowLayout(QWidget* Parent, int Spacing) : QLayout(Parent), FSpacing(Spacing) {
  setContentsMargins(0, 0, 0, 0);
}

TQvFlowLayout::~TQvFlowLayout() {
  while (QLayoutItem* Item = takeAt(0)) delete Item;
}

void TQvFlowLayout::addItem(QLayoutItem* Item) { FItems.append(Item); }

void TQvFlowLayout::InsertWidget(int Index, QWidget* Widget) {
  addChildWidget(Widget);
  auto* Item = new QWidgetItem(Widget);
  if (Index < 0 || Index > count()) Index = count();
  FItems.insert(Index, Item);
  invalidate();
}

QLayoutItem* TQvFlowLayout::itemAt(int Index) const {
  return Index >= 0 && Index < count() ? FItems[Index] : nullptr;
}

QLayoutItem* TQvFlowLayout::takeAt(int Index) {
  if (Index < 0 || Index >= count()) return nullptr;
  return FItems.takeAt(Index);
}

QSize TQvFlowLayout::minimumSize() const {
  QSize Size;
  for (const QLayoutItem* Item : FItems) Size = Size.expandedTo(Item->minimumSize());
  const QMargins M = contentsMargins();
  return Size + QSize(M.left() + M.right(), M.top() + M.bottom());
}

QSize TQvFlowLayout::sizeHint() const {
  // One row as wide as all items together.
  int Width = 0, Height = 0;
  for (const QLayoutItem* Item : FItems) {
    if (Item->isEmpty()) continue;
    if (Width > 0) Width += FSpacing;
    Width += Item->sizeHint().width();
    Height = std::max(Height, Item->sizeHint().height());
  }
  const QMargins M = contentsMargins();
  return QSize(Width + M.left() + M.right(), Height + M.top() + M.bottom());
}

void TQvFlowLayout::setGeometry(const QRect& Rect) {
  QLayout::setGeometry(Rect);
  Arrange(Rect, true);
}

int TQvFlowLayout::Arrange(const QRect& Rect, bool Apply) const {
  const QMargins M = contentsMargins();
  const QRect Area = Rect.marginsRemoved(M);
  int X = Area.x(), Y = Area.y(), RowHeight = 0;
  for (QLayoutItem* Item : FItems) {
    if (Item->isEmpty()) continue;
    const QSize Hint = Item->sizeHint();
    if (X > Area.x() && X + Hint.width() > Area.x() + Area.width()) {
      X = Area.x();
      Y += RowHeight + FSpacing;
      RowHeight = 0;
    }
    if (Apply) Item->setGeometry(QRect(QPoint(X, Y), Hint));
    X += Hint.width() + FSpacing;
    RowHeight = std::max(RowHeight, Hint.height());
  }
  return Y + RowHeight - Rect.y() + M.bottom();
}
