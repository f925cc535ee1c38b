#include "QvBalloon.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QToolTip>

namespace {
// The body's rounded corners and the tail's length.
constexpr int Corner = 16;
constexpr int TailLength = 16;

QPainterPath Outline(const TQvBalloonShape& Shape) {
  QPainterPath Path;
  Path.addRoundedRect(QRectF(Shape.Body), Corner / 2.0, Corner / 2.0);
  QPainterPath Tail;
  Tail.addPolygon(QPolygonF(Shape.Tail));
  Tail.closeSubpath();
  return Path.united(Tail);
}

QRect ScreenOf(const QPoint& At) {
  QScreen* Screen = QGuiApplication::screenAt(At);
  if (!Screen) Screen = QGuiApplication::primaryScreen();
  return Screen ? Screen->geometry() : QRect(0, 0, 1024, 768);
}
}  // namespace

int ChooseBalloonKind(const QPoint& At, const QRect& Screen) {
  int Kind = 3;
  if (At.x() - Screen.left() > Screen.width() / 2) Kind = 4;
  if (At.y() - Screen.top() <= Screen.height() / 2) Kind -= 2;
  return Kind;
}

TQvBalloonShape BalloonShape(const QPoint& At, int Kind, const QSize& TextSize, const QRect& Screen) {
  TQvBalloonShape Shape;
  Shape.Kind = Kind >= 1 && Kind <= 4 ? Kind : ChooseBalloonKind(At, Screen);
  const int W = TextSize.width() + 16;
  const int H = TextSize.height() + 16;
  Shape.WindowSize = QSize(W, H + TailLength);
  Shape.Body = QRect(0, 0, W, H);
  QPoint TextOffset(12, 8);
  switch (Shape.Kind) {
    case 1:
      Shape.Tail = QPolygon({QPoint(16, 0), QPoint(16, -16), QPoint(32, 0)});
      Shape.Tip = QPoint(16, -16);
      TextOffset = QPoint(12, 24);
      break;
    case 2:
      Shape.Tail = QPolygon({QPoint(W - 16, 0), QPoint(W - 16, -16), QPoint(W - 32, 0)});
      Shape.Tip = QPoint(W - 16, -16);
      TextOffset = QPoint(12, 24);
      break;
    case 3:
      Shape.Tail = QPolygon({QPoint(15, H - 1), QPoint(31, H - 1), QPoint(15, H + 15)});
      Shape.Tip = QPoint(15, H + 15);
      break;
    default:
      Shape.Tail = QPolygon({QPoint(W - 17, H - 1), QPoint(W - 33, H - 1), QPoint(W - 17, H + 15)});
      Shape.Tip = QPoint(W - 17, H + 15);
      break;
  }
  // A tail above the body: everything moves down so the window starts at the tip.
  if (Shape.Tip.y() < 0) {
    Shape.Body.translate(0, TailLength);
    Shape.Tail.translate(0, TailLength);
    Shape.Tip.setY(0);
  }
  Shape.TextRect = QRect(TextOffset, TextSize);
  return Shape;
}

TQvBalloon::TQvBalloon()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  setObjectName(QStringLiteral("DemoBalloon"));
}

QSize TQvBalloon::MeasureText(const QString& Text) const {
  const QFontMetrics Metrics(QToolTip::font());
  const QRect R = Metrics.boundingRect(QRect(0, 0, MaxTextWidth, 1 << 20), Qt::TextWordWrap, Text);
  return QSize(R.width() + 2 * TextMargin, R.height() + 2 * TextMargin);
}

QRegion TQvBalloon::Region() const {
  return QRegion(Outline(FShape).toFillPolygon().toPolygon());
}

void TQvBalloon::ShowAt(int X, int Y, int Kind, const QString& Text) {
  const QPoint At(X, Y);
  FText = Text;
  FShape = BalloonShape(At, Kind, MeasureText(Text), ScreenOf(At));
  setFont(QToolTip::font());
  setPalette(QToolTip::palette());
  setGeometry(QRect(At - FShape.Tip, FShape.WindowSize));
  setMask(Region());
  show();
  raise();
  update();
}

void TQvBalloon::Hide() { hide(); }

void TQvBalloon::paintEvent(QPaintEvent*) {
  QPainter Painter(this);
  const QPalette Colors = QToolTip::palette();
  Painter.setRenderHint(QPainter::Antialiasing, false);
  Painter.fillRect(rect(), Colors.color(QPalette::ToolTipBase));
  // A one-pixel outline just inside the region.
  Painter.setPen(QPen(Colors.color(QPalette::ToolTipText), 1));
  Painter.setBrush(Qt::NoBrush);
  const QRectF Bounds = Outline(FShape).boundingRect();
  // Shrunk by a pixel toward the right and bottom, so that the line lies on the region's own pixels.
  QTransform Inside;
  Inside.translate(Bounds.left(), Bounds.top());
  Inside.scale((Bounds.width() - 1) / Bounds.width(), (Bounds.height() - 1) / Bounds.height());
  Inside.translate(-Bounds.left(), -Bounds.top());
  Painter.drawPath(Inside.map(Outline(FShape)));
  Painter.drawText(FShape.TextRect.adjusted(TextMargin, TextMargin, -TextMargin, -TextMargin),
                   Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, FText);
}
