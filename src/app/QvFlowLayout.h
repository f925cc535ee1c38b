// A layout that places its items left to right and starts a new row when the next one does not fit.
#pragma once

#include <QLayout>
#include <QList>

class TQvFlowLayout : public QLayout {
 public:
  explicit TQvFlowLayout(QWidget* Parent = nullptr, int Spacing = 0);
  ~TQvFlowLayout() override;

  void addItem(QLayoutItem* Item) override;
  // Inserts Widget at Index (appended when Index is out of range).
  void InsertWidget(int Index, QWidget* Widget);
  int count() const override { return static_cast<int>(FItems.size()); }
  QLayoutItem* itemAt(int Index) const override;
  QLayoutItem* takeAt(int Index) override;

  Qt::Orientations expandingDirections() const override { return {}; }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int Width) const override { return Arrange(QRect(0, 0, Width, 0), false); }
  QSize minimumSize() const override;
  QSize sizeHint() const override;
  void setGeometry(const QRect& Rect) override;

 private:
  // Lays the items out in Rect (moving them when Apply) and returns the height used.
  int Arrange(const QRect& Rect, bool Apply) const;

  QList<QLayoutItem*> FItems;
  int FSpacing;
};
