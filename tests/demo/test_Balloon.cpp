// The message balloon: which way it opens, where its tail and text lie, how wide its text may get,
// and that showing it takes neither the focus nor the pointer.
#include "DemoTestApplication.h"
#include "QvBalloon.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>

TEST(Balloon, OpensTowardTheMiddleOfTheScreen) {
  const QRect Screen(0, 0, 1600, 1200);
  const QSize Text(100, 40);
  struct TCase {
    QPoint At;
    int Kind;
  } Cases[] = {
      {{0, 0}, 1},        // top left: below and to the right, tail at its top left
      {{1599, 0}, 2},     // top right: below and to the left
      {{0, 1199}, 3},     // bottom left: above and to the right
      {{1599, 1199}, 4},  // bottom right
      {{800, 600}, 1},    // the middle itself counts as the top left quarter
      {{801, 601}, 4},
  };
  for (const TCase& C : Cases) {
    const TQvBalloonShape S = BalloonShape(C.At, 0, Text, Screen);
    EXPECT_EQ(S.Kind, C.Kind) << C.At.x() << "," << C.At.y();
    const QRect Window(C.At - S.Tip, S.WindowSize);
    const QRect Body = S.Body.translated(Window.topLeft());
    // The body lies on the side of the pointer that faces the middle of the screen.
    EXPECT_EQ(Body.center().x() > C.At.x(), C.Kind == 1 || C.Kind == 3) << C.Kind;
    EXPECT_EQ(Body.center().y() > C.At.y(), C.Kind == 1 || C.Kind == 2) << C.Kind;
  }
  // A screen that does not start at the origin.
  EXPECT_EQ(BalloonShape(QPoint(1700, 100), 0, Text, QRect(1600, 0, 800, 600)).Kind, 1);
  // A kind given by the script wins over the position.
  EXPECT_EQ(BalloonShape(QPoint(0, 0), 4, Text, Screen).Kind, 4);
}

TEST(Balloon, TailTipAndTextOfEachKind) {
  const QSize Text(100, 40);  // W = 116, H = 56
  struct TCase {
    int Kind;
    QPoint Tip;
    QRect Body;
    QPoint TextAt;
  } Cases[] = {
      {1, {16, 0}, {0, 16, 116, 56}, {12, 24}},
      {2, {100, 0}, {0, 16, 116, 56}, {12, 24}},
      {3, {15, 71}, {0, 0, 116, 56}, {12, 8}},
      {4, {99, 71}, {0, 0, 116, 56}, {12, 8}},
  };
  for (const TCase& C : Cases) {
    const TQvBalloonShape S = BalloonShape(QPoint(500, 500), C.Kind, Text, QRect(0, 0, 1600, 1200));
    EXPECT_EQ(S.WindowSize, QSize(116, 72)) << C.Kind;
    EXPECT_EQ(S.Tip, C.Tip) << C.Kind;
    EXPECT_EQ(S.Body, C.Body) << C.Kind;
    EXPECT_EQ(S.TextRect, QRect(C.TextAt, Text)) << C.Kind;
    EXPECT_TRUE(S.Tail.contains(S.Tip)) << C.Kind;
    EXPECT_TRUE(QRect(QPoint(0, 0), S.WindowSize).contains(S.TextRect)) << C.Kind;
  }
}

TEST(Balloon, ShowsAtThePointerWithoutTakingTheFocus) {
  EnsureWidgetApplication();
  QLineEdit Edit;
  Edit.show();
  Edit.activateWindow();
  Edit.setFocus();
  QApplication::processEvents();
  QWidget* FocusBefore = QApplication::focusWidget();

  TQvBalloon Balloon;
  const QString Long = QString("word ").repeated(200);
  Balloon.ShowAt(0, 0, 0, Long);
  EXPECT_TRUE(Balloon.isVisible());
  EXPECT_EQ(Balloon.Shape().Kind, 1);
  EXPECT_EQ(Balloon.geometry().topLeft(), QPoint(-16, 0)) << "the tail's tip on the pointer";
  EXPECT_LE(Balloon.Shape().TextRect.width(), TQvBalloon::MaxTextWidth + 2 * TQvBalloon::TextMargin);
  EXPECT_GT(Balloon.Shape().TextRect.height(), 3 * Balloon.fontMetrics().height()) << "long texts wrap";
  EXPECT_TRUE(Balloon.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
  EXPECT_TRUE(Balloon.windowFlags().testFlag(Qt::WindowTransparentForInput));
  EXPECT_TRUE(Balloon.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  QApplication::processEvents();
  EXPECT_EQ(QApplication::focusWidget(), FocusBefore);
  EXPECT_FALSE(Balloon.isActiveWindow());
  // The window is shaped: the corner beside the tail is not part of it.
  const QRegion Region = Balloon.Region();
  EXPECT_TRUE(Region.contains(Balloon.Shape().TextRect.center()));
  EXPECT_FALSE(Region.contains(QPoint(Balloon.width() - 2, 1)));

  Balloon.ShowAt(400, 300, 4, QStringLiteral("Short"));
  EXPECT_EQ(Balloon.geometry().topLeft() + Balloon.Shape().Tip, QPoint(400, 300));
  Balloon.Hide();
  EXPECT_FALSE(Balloon.isVisible());
}
