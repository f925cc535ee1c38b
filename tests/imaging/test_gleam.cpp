#include "GlareSelection.h"

#include "retouch_fixtures.h"

#include <gtest/gtest.h>

using retouch_test::TImage;
using retouch_test::TRgb;

static void PrintTo(const TRect& r, std::ostream* os) {
  *os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}
static void PrintTo(const TPoint& p, std::ostream* os) { *os << "(" << p.X << ", " << p.Y << ")"; }

namespace {

TEST(GleamCorners, MirrorTheScaledEndThroughTheStart) {
  struct Case { TPoint Start, End; int32_t Size; TPoint A, Q; } cases[] = {
      {{100, 100}, {110, 106}, 128, {90, 94}, {110, 106}},
      {{100, 100}, {110, 106}, 64, {95, 97}, {105, 103}},
      {{100, 100}, {90, 95}, 64, {105, 103}, {95, 97}},
      {{0, 0}, {-5, -3}, 64, {2, 1}, {-2, -1}},  // truncation toward zero, not down
      {{100, 100}, {110, 106}, 0, {100, 100}, {100, 100}},
  };
  for (const Case& c : cases) {
    TPoint a, q;
    GleamCorners(c.Start, c.End, c.Size, a, q);
    EXPECT_EQ(a, c.A);
    EXPECT_EQ(q, c.Q);
  }
}

TEST(GlareSelection, DragSelectsTheInscribedEllipse) {
  TImage image(200, 200);
  TPoint a, q;
  GleamCorners({100, 100}, {110, 106}, 128, a, q);
  TGlareSelection selection;
  selection.Select(image, a, q);
  EXPECT_EQ(selection.Window(), (TRect{90, 94, 110, 106}));
  EXPECT_EQ(selection.Region().Bounds(), (TRect{90, 94, 110, 106}));
  EXPECT_EQ(selection.GetBounds(), (TRect{89, 93, 111, 107}));
  // Symmetric about the press point, which lies between pixels 99 and 100.
  for (int y = 94; y < 106; ++y)
    for (int x = 90; x < 110; ++x) {
      EXPECT_EQ(selection.Coverage(x, y), selection.Coverage(199 - x, y)) << x << "," << y;
      EXPECT_EQ(selection.Coverage(x, y), selection.Coverage(x, 199 - y)) << x << "," << y;
    }
  EXPECT_EQ(selection.Coverage(100, 100), 255);
  EXPECT_EQ(selection.Coverage(90, 100), 255);   // the ends of the long axis
  EXPECT_EQ(selection.Coverage(100, 94), 255);   // and of the short one
  EXPECT_EQ(selection.Coverage(90, 94), 0);      // a corner
  EXPECT_EQ(selection.Coverage(110, 100), 0);    // right edge excluded
}

TEST(GlareSelection, WindowIsCutToTheImageAndAZeroDragIsEmpty) {
  TImage image(50, 40);
  TGlareSelection selection;
  selection.Select(image, {-10, -10}, {10, 10});
  EXPECT_EQ(selection.Window(), (TRect{0, 0, 10, 10}));
  EXPECT_EQ(selection.GetBounds(), (TRect{0, 0, 11, 11}));
  selection.Select(image, {20, 20}, {20, 20});
  EXPECT_TRUE(selection.Region().IsEmpty());
  EXPECT_EQ(selection.GetBounds(), TRect{});
  TImage before(image);
  BrightenGleam(image, selection, 204);
  EXPECT_TRUE(image.SameAs(before));
}

TEST(BrightenGleam, CentrePixel) {
  struct Case { int32_t Brightness; TRgb Expected; } cases[] = {
      {204, {212, 212, 212}},  // 40 + Trunc(215 x 0.8)
      {255, {255, 255, 255}},
      {320, {255, 255, 255}},
      {0, {40, 40, 40}},
  };
  for (const Case& c : cases) {
    TImage image(200, 200, {40, 40, 40});
    TGlareSelection selection;
    // An odd window puts a pixel exactly at the centre of the box.
    selection.Select(image, {95, 95}, {106, 106});
    BrightenGleam(image, selection, c.Brightness);
    EXPECT_EQ(image.Get(100, 100), c.Expected) << c.Brightness;
  }
}

TEST(BrightenGleam, FadesOutwardsAndLeavesEverythingOutsideTheEllipse) {
  TImage image(200, 200);
  image.Texture(3);
  const TImage before(image);
  TGlareSelection selection;
  selection.Select(image, {80, 80}, {121, 121});
  BrightenGleam(image, selection, 204);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 200; ++x) {
      const TRgb was = before.Get(x, y), now = image.Get(x, y);
      if (selection.Coverage(x, y) == 0) {
        ASSERT_EQ(now, was) << x << "," << y;
      } else {
        ASSERT_GE(now.Red, was.Red);
        ASSERT_GE(now.Green, was.Green);
        ASSERT_GE(now.Blue, was.Blue);
      }
    }
  // On a flat grey the brightening falls from the centre to a visible rim at the border.
  TImage grey(200, 200, {40, 40, 40});
  BrightenGleam(grey, selection, 204);
  int previous = 256;
  for (int x = 100; x < 121; ++x) {
    EXPECT_LE(grey.Get(x, 100).Red, previous) << x;
    previous = grey.Get(x, 100).Red;
  }
  EXPECT_EQ(grey.Get(100, 100), (TRgb{212, 212, 212}));
  EXPECT_GT(grey.Get(120, 100).Red, 40);  // the last pixel inside
  EXPECT_EQ(grey.Get(121, 100).Red, 40);
}

// Regression: a box one pixel wide or high made w or h 0, and the division by it gave NaN that
// reached the truncation and brightened the whole column.
TEST(BrightenGleam, BoxOnePixelAcrossIsBrightenedAsIfItWereOneWide) {
  TImage column(1, 10, {40, 40, 40});
  TGlareSelection selection;
  selection.Select(column, {0, 0}, {1, 10});
  ASSERT_EQ(selection.GetBounds(), (TRect{0, 0, 1, 10}));
  BrightenGleam(column, selection, 204);
  // w = 1, h = 9, centre (0.5, 4.5): the middle rows lie half a width from the centre.
  EXPECT_EQ(column.Get(0, 4), (TRgb{67, 67, 67}));
  EXPECT_EQ(column.Get(0, 5), column.Get(0, 4));
  EXPECT_EQ(column.Get(0, 0), (TRgb{40, 40, 40}));

  TImage dot(1, 1, {40, 40, 40});
  selection.Select(dot, {0, 0}, {1, 1});
  BrightenGleam(dot, selection, 204);
  EXPECT_EQ(dot.Get(0, 0), (TRgb{40, 40, 40}));  // d = 0.5: l < 0.4
}

}  // namespace
