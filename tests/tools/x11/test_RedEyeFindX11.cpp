// The editor on a real X display, worked through the X server's own pointer (XTest): open the
// sample, press "Find Red Eyes", both pupils are corrected in one undo step; tick the natural
// check box and the same step is made again in its place. Runs under Xvfb (label x11).
#include "../RedEyeFixture.h"

#include "MainForm.h"
#include "QvRedEyeFrame.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

// After GoogleTest and Qt: Xlib's macros (None, Bool, Status) would otherwise rename their names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#undef Bool
#undef Status
#undef None

namespace {

// A press and release of the first button at the centre of W, through the X server.
void RealClick(Display* X, QWidget* W) {
  const QPoint Centre = W->mapToGlobal(QPoint(W->width() / 2, W->height() / 2));
  XTestFakeMotionEvent(X, -1, Centre.x(), Centre.y(), CurrentTime);
  XTestFakeButtonEvent(X, 1, True, CurrentTime);
  XTestFakeButtonEvent(X, 1, False, CurrentTime);
  XFlush(X);
}

int Spread(const TQvPixels& P, const TPoint& Point) {
  const uint8_t* Q = P.PixelAt(Point.X, Point.Y);
  return std::max({Q[0], Q[1], Q[2]}) - std::min({Q[0], Q[1], Q[2]});
}

}  // namespace

TEST_F(RedEyeWorld, FindRedEyesWithTheRealPointer) {
  Display* X = XOpenDisplay(nullptr);
  ASSERT_NE(X, nullptr) << "no X display";
  Open(SamplePath());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));
  QPushButton* Find = Tool->Frame()->FindButton;
  QCheckBox* Natural = Tool->Frame()->NaturalCheckBox;
  QTRY_VERIFY(Find->isVisible() && Natural->isVisible());
  const int RedBefore = Doc->Pixels()->PixelAt(LeftPupil.X, LeftPupil.Y)[ChannelRed];

  RealClick(X, Find);
  QTRY_COMPARE(Doc->History.Count(), 1);
  const TQvRedEyeCommandState* S = RedEyeState(0);
  ASSERT_TRUE(S);
  const std::vector<TPoint> Seeds = S->FSeeds;  // the state is replaced by the re-application
  EXPECT_EQ(Seeds.size(), 2u);
  for (const TPoint& P : {LeftPupil, RightPupil})
    EXPECT_LT(Doc->Pixels()->PixelAt(P.X, P.Y)[ChannelRed], RedBefore / 2 + 20);

  RealClick(X, Natural);
  QTRY_VERIFY(RedEyeState(0) && RedEyeState(0)->FNatural);
  EXPECT_EQ(Doc->History.Count(), 1);
  EXPECT_EQ(RedEyeState(0)->FSeeds, Seeds);
  for (const TPoint& P : {LeftPupil, RightPupil}) EXPECT_LE(Spread(*Doc->Pixels(), P), 2);
  XCloseDisplay(X);
}
