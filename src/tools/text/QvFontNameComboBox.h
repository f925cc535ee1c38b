#pragma once
// The font list of the text tool: the desktop's font families, each name drawn in its own font.

#include <QComboBox>
#include <QStyledItemDelegate>

class TQvFontNameDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  // The height of "Wy" in the item's font at its default size, plus 4.
  QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override;
  // The name in its own font, 2 pixels below the item's top.
  void paint(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override;

  // The font an item is drawn in: its family at the list's own size.
  static QFont ItemFont(const QString& Family, const QFont& Base);
};

class TQvFontNameComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit TQvFontNameComboBox(QWidget* Parent = nullptr);
  // Fills the list with the desktop's families (sorted as the font database gives them).
  void FillFonts();
  // Selects Family (ignoring case); false when the list does not hold it.
  bool SelectFont(const QString& Family);
};
