#include "QvFontNameComboBox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>

QFont TQvFontNameDelegate::ItemFont(const QString& Family, const QFont& Base) {
  QFont Font(Base);
  Font.setFamilies({Family});
  return Font;
}

QSize TQvFontNameDelegate::sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const {
  QSize Size = QStyledItemDelegate::sizeHint(Option, Index);
  const QFontMetrics Metrics(ItemFont(Index.data(Qt::DisplayRole).toString(), Option.font));
  Size.setHeight(Metrics.boundingRect(QStringLiteral("Wy")).height() + 4);
  return Size;
}

void TQvFontNameDelegate::paint(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const {
  QStyleOptionViewItem Item(Option);
  initStyleOption(&Item, Index);
  const QString Name = Item.text;
  Item.text.clear();
  // The background, selection and focus as the style draws them; the name in its own font.
  const QWidget* Widget = Option.widget;
  QStyle* Style = Widget ? Widget->style() : QApplication::style();
  Style->drawControl(QStyle::CE_ItemViewItem, &Item, Painter, Widget);
  const QFont Font = ItemFont(Name, Option.font);
  const QFontMetrics Metrics(Font);
  Painter->save();
  Painter->setFont(Font);
  Painter->setPen(Option.palette.color(Option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
  Painter->drawText(QPoint(Option.rect.left() + 3, Option.rect.top() + 2 + Metrics.ascent()), Name);
  Painter->restore();
}

TQvFontNameComboBox::TQvFontNameComboBox(QWidget* Parent) : QComboBox(Parent) {
  setItemDelegate(new TQvFontNameDelegate(this));
  setMaxVisibleItems(16);
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  setMinimumContentsLength(12);
}

void TQvFontNameComboBox::FillFonts() {
  const QString Current = currentText();
  clear();
  addItems(QFontDatabase::families());
  if (!Current.isEmpty()) SelectFont(Current);
}

bool TQvFontNameComboBox::SelectFont(const QString& Family) {
  const int Index = findText(Family, Qt::MatchFixedString);
  if (Index < 0) return false;
  setCurrentIndex(Index);
  return true;
}
