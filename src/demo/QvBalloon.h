// The speech balloon that demonstration messages appear in: a frameless, top-most tool-tip window
// shaped as a rounded body with a tail whose tip lies on the pointer. It never takes the focus or
// the pointer's clicks, so the program under it goes on as if it were not there.
#pragma once

#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

// Where everything of a balloon lies, in window coordinates.
struct TQvBalloonShape {
  int Kind = 0;      // 1 tail top left, 2 top right, 3 bottom left, 4 bottom right
  QSize WindowSize;  // the body and the tail's 16 pixels
  QRect Body;        // the rounded rectangle
  QPolygon Tail;     // the triangle
  QPoint Tip;        // the tail's point, which lies on the pointer
  QRect TextRect;
};

// Kind 0 lets the position decide: the balloon opens toward the middle of Screen.
int ChooseBalloonKind(const QPoint& At, const QRect& Screen);
// The shape of a balloon for text that measures TextSize (margins included) whose tip is at At.
TQvBalloonShape BalloonShape(const QPoint& At, int Kind, const QSize& TextSize, const QRect& Screen);

class TQvBalloon : public QWidget {
  Q_OBJECT

 public:
  // Text is measured up to this width and wrapped at it.
  static constexpr int MaxTextWidth = 350;
  // Space between the text and the edges of its measured rectangle.
  static constexpr int TextMargin = 4;

  TQvBalloon();

  // Shows Text with the tail's tip on the screen point (X, Y); Kind as for BalloonShape.
  void ShowAt(int X, int Y, int Kind, const QString& Text);
  void Hide();

  const QString& Text() const { return FText; }
  const TQvBalloonShape& Shape() const { return FShape; }
  // The balloon's outline in window coordinates (body and tail).
  QRegion Region() const;
  // The size that Text needs, margins included.
  QSize MeasureText(const QString& Text) const;

 protected:
  void paintEvent(QPaintEvent* Event) override;

 private:
  QString FText;
  TQvBalloonShape FShape;
};
