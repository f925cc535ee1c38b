#include "QvBrush.h"

#include "retouch_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>

using retouch_test::TImage;
using retouch_test::TRgb;

static void PrintTo(const TRect& r, std::ostream* os) {
  *os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}

namespace {

int MaskAt(const TQvPixelMask& mask, int x, int y) {
  const uint8_t* v = mask.ValueAt(x, y);
  return v ? *v : 0;
}

TEST(DabRect, IsAnOddSquareAroundThePoint) {
  EXPECT_EQ(DabRect({20, 30}, 10), (TRect{15, 25, 26, 36}));
  EXPECT_EQ(DabRect({20, 30}, 11), (TRect{15, 25, 26, 36}));
  EXPECT_EQ(DabRect({20, 30}, 1), (TRect{20, 30, 21, 31}));
  EXPECT_EQ(DabRect({0, 0}, 100), (TRect{-50, -50, 51, 51}));
}

TEST(BuildBrushMask, WorkedExamples) {
  struct Case {
    int32_t Size, Opacity, Hardness;
    std::vector<std::tuple<int, int, int>> Values;  // offset from the centre, value
  } cases[] = {
      {1, 100, 128, {{0, 0, 255}}},
      {10, 255, 255, {{0, 0, 255}, {4, 0, 255}, {3, 3, 255}, {5, 0, 128}, {4, 3, 128}, {5, 1, 102}, {5, 3, 0}, {5, 5, 0}}},
      {10, 255, 0, {{0, 0, 234}}},
      {10, 100, 255, {{0, 0, 100}, {5, 0, 50}}},  // Round(0.5 x 100)
  };
  for (const Case& c : cases) {
    TQvPixelMask mask;
    BuildBrushMask(mask, c.Size, c.Opacity, c.Hardness);
    const int side = 2 * (c.Size / 2) + 1, d = side / 2;
    ASSERT_EQ(mask.BoundsRect(), (TRect{0, 0, side, side})) << c.Size;
    for (auto [dx, dy, value] : c.Values)
      for (auto [sx, sy] : {std::pair{1, 1}, {-1, 1}, {1, -1}, {-1, -1}}) {
        EXPECT_EQ(MaskAt(mask, d + sx * dx, d + sy * dy), value) << c.Size << "/" << c.Hardness << " at " << dx << "," << dy;
        EXPECT_EQ(MaskAt(mask, d + sy * dy, d + sx * dx), value) << "transposed";
      }
  }
}

TEST(DabPositions, FillTheGapsAtAQuarterOfTheSize) {
  EXPECT_TRUE(DabPositions({5, 5}, {5, 5}, 10).empty());
  const std::vector<TPoint> line = DabPositions({0, 0}, {100, 0}, 40);
  ASSERT_EQ(line.size(), 10u);
  for (size_t i = 0; i < line.size(); ++i) EXPECT_EQ(line[i], (TPoint{int(10 * (i + 1)), 0}));
  struct Case { TPoint From, To; int32_t Size; } cases[] = {
      {{0, 0}, {37, -91}, 1}, {{3, 4}, {-80, 17}, 2}, {{0, 0}, {500, 300}, 50}, {{10, 10}, {11, 12}, 100}};
  for (const Case& c : cases) {
    const std::vector<TPoint> points = DabPositions(c.From, c.To, c.Size);
    ASSERT_FALSE(points.empty());
    EXPECT_EQ(points.back(), c.To);
    TPoint previous = c.From;
    for (const TPoint& p : points) {
      // The ideal spacing plus what rounding both ends to whole pixels may add.
      EXPECT_LE(std::hypot(p.X - previous.X, p.Y - previous.Y), std::max(1.0, c.Size / 4.0) + std::sqrt(2.0));
      if (c.Size < 4) {
        EXPECT_LE(std::abs(p.X - previous.X), 1);
        EXPECT_LE(std::abs(p.Y - previous.Y), 1);
      }
      previous = p;
    }
  }
}

// One stroke as the undo brush paints it: dabs at the reported positions and between them.
void Stroke(TQvPixelMask& stroke, const TQvPixelMask& dab, const std::vector<TPoint>& reported, int32_t size,
            TImage& current, const TImage& backup, const TImage& original) {
  auto paint = [&](const TPoint& p) {
    const TRect rect = DabRect(p, size);
    TQvPixelMask placed(dab);
    placed.Left = rect.Left;
    placed.Top = rect.Top;
    AccumulateDab(stroke, placed);
    UndoBrushBlend(current, backup, original, stroke, rect);
  };
  paint(reported.front());
  for (size_t i = 1; i < reported.size(); ++i)
    for (const TPoint& p : DabPositions(reported[i - 1], reported[i], size)) paint(p);
}

TEST(UndoBrush, BlendsFromTheBackupTowardsTheOriginal) {
  TImage original(3, 1, {200, 100, 0});
  TImage backup(3, 1, {0, 100, 200});
  TImage current(3, 1, {1, 1, 1});
  TQvPixelMask coverage;
  coverage.SetBounds(0, 0, 3, 1);
  coverage.Values[0] = 0;
  coverage.Values[1] = 128;
  coverage.Values[2] = 255;
  UndoBrushBlend(current, backup, original, coverage, TRect{0, 0, 3, 1});
  EXPECT_EQ(current.Get(0, 0), (TRgb{0, 100, 200}));
  EXPECT_EQ(current.Get(1, 0), (TRgb{100, 100, 100}));  // b + floor(128 (o - b) / 256)
  EXPECT_EQ(current.Get(2, 0), (TRgb{200, 100, 0}));
  // Outside the coverage's bounds the backup is written.
  TQvPixelMask none;
  UndoBrushBlend(current, backup, original, none, TRect{0, 0, 3, 1});
  EXPECT_TRUE(current.SameAs(backup));
}

// A rectangle that reaches past the coverage on every side: rows above and below it and the
// columns left and right of it get the backup, every pixel inside the blend of BlendColor.
TEST(UndoBrush, PartlyCoveredRectangleMatchesBlendColorPixelByPixel) {
  TImage original(30, 20);
  original.Texture(1);
  TImage backup(30, 20);
  backup.Texture(2);
  TImage current(30, 20, {7, 7, 7});
  TQvPixelMask coverage;
  coverage.SetBounds(9, 6, 12, 7);  // x 9..20, y 6..12
  for (int y = coverage.Top; y < coverage.Top + coverage.Height; ++y)
    for (int x = coverage.Left; x < coverage.Left + coverage.Width; ++x) {
      const int values[] = {0, 1, 127, 128, 254, 255, (x * 29 + y * 13) & 255};
      *coverage.ValueAt(x, y) = uint8_t(values[(x + 2 * y) % 7]);
    }
  const TRect rect{4, 2, 26, 17};
  UndoBrushBlend(current, backup, original, coverage, rect);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) {
      uint8_t expected[3] = {7, 7, 7};
      if (rect.Contains(x, y)) {
        const uint8_t* a = coverage.ValueAt(x, y);
        BlendColor(a ? *a : 0, expected, PixelColor(original.PixelAt(x, y)), PixelColor(backup.PixelAt(x, y)));
      }
      ASSERT_EQ(current.Get(x, y), (TRgb{expected[ChannelRed], expected[ChannelGreen], expected[ChannelBlue]}))
          << "at " << x << ", " << y;
    }
}

TEST(UndoBrush, TwiceInOneStrokeEqualsOnceButStrokesBuildUp) {
  TImage original(80, 40);
  original.Texture(1);
  TImage backup(80, 40);
  backup.Texture(2);
  TQvPixelMask dab;
  BuildBrushMask(dab, 10, 128, 128);

  TImage once(backup), twice(backup);
  TQvPixelMask stroke;
  Stroke(stroke, dab, {{20, 20}, {50, 20}}, 10, once, backup, original);
  const TQvPixelMask onceMask = stroke;
  stroke.Clear();
  Stroke(stroke, dab, {{20, 20}, {50, 20}, {20, 20}, {50, 20}}, 10, twice, backup, original);
  EXPECT_TRUE(twice.SameAs(once));

  // The second stroke starts from the first's committed result and goes further.
  stroke.Clear();
  TImage second(once);
  Stroke(stroke, dab, {{20, 20}, {50, 20}}, 10, second, once, original);
  const TRgb was = backup.Get(35, 20), first = once.Get(35, 20), now = second.Get(35, 20), goal = original.Get(35, 20);
  EXPECT_LT(std::abs(now.Red - goal.Red), std::abs(first.Red - goal.Red) + (first.Red == goal.Red));
  EXPECT_NE(first, was);
  EXPECT_NE(now, first);
}

TEST(UndoBrush, AFastStrokeLeavesNoGaps) {
  TImage original(400, 60, {250, 250, 250});
  TImage backup(400, 60, {10, 10, 10});
  TImage current(backup);
  TQvPixelMask dab, stroke;
  BuildBrushMask(dab, 10, 255, 255);
  // Pointer positions 60 pixels apart, far more than the dab is wide.
  Stroke(stroke, dab, {{10, 30}, {70, 30}, {130, 30}, {190, 30}, {250, 30}, {310, 30}, {370, 30}}, 10, current,
         backup, original);
  for (int x = 10; x <= 370; ++x)
    for (int y = 27; y <= 33; ++y) ASSERT_EQ(current.Get(x, y), (TRgb{250, 250, 250})) << x << "," << y;
  EXPECT_EQ(current.Get(200, 40), (TRgb{10, 10, 10}));
}

TEST(UndoBrush, DabsAreClippedToTheImagesTheyShare) {
  TImage original(20, 20, {200, 200, 200});
  TImage backup(30, 30, {10, 10, 10});  // the original no longer covers the whole image
  TImage current(backup);
  TQvPixelMask dab, stroke;
  BuildBrushMask(dab, 20, 255, 255);
  Stroke(stroke, dab, {{19, 19}, {-100, 500}}, 20, current, backup, original);
  EXPECT_EQ(current.Get(19, 19), (TRgb{200, 200, 200}));
  EXPECT_EQ(current.Get(22, 22), (TRgb{10, 10, 10}));
}

TEST(AccumulateDab, KeepsTheMaximumAndGrowsWithRoomToSpare) {
  TQvPixelMask stroke, dab;
  BuildBrushMask(dab, 4, 100, 255);
  for (int i = 0; i < 50; ++i) {
    TQvPixelMask placed(dab);
    placed.Left = 10 * i;
    placed.Top = i % 3;
    AccumulateDab(stroke, placed);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 5; ++x) ASSERT_EQ(MaskAt(stroke, 10 * i + x, i % 3 + y), MaskAt(dab, x, y)) << i;
  }
  EXPECT_GE(stroke.BoundsRect().Right, 495);
}

TEST(PaintMaskPreview, CentresTheMaskInsideAGreyBorder) {
  TImage bitmap(21, 21, {1, 2, 3});
  TQvPixelMask mask;
  BuildBrushMask(mask, 10, 255, 255);
  PaintMaskPreview(bitmap, mask, 0);
  EXPECT_EQ(bitmap.Get(0, 0), (TRgb{128, 128, 128}));
  EXPECT_EQ(bitmap.Get(20, 10), (TRgb{128, 128, 128}));
  EXPECT_EQ(bitmap.Get(10, 10), (TRgb{0, 0, 0}));
  EXPECT_EQ(bitmap.Get(15, 10), (TRgb{127, 127, 127}));  // value 128: 255 + ((128 x -255) >> 8)
  EXPECT_EQ(bitmap.Get(2, 2), (TRgb{255, 255, 255}));
  PaintMaskPreview(bitmap, mask, 192);
  EXPECT_EQ(bitmap.Get(10, 10), (TRgb{192, 192, 192}));
  EXPECT_EQ(mask.BoundsRect(), (TRect{0, 0, 11, 11}));
}

TEST(InvertEllipseOutline, InvertsTheRingOnceAndOnlyInsideTheClip) {
  TImage surface(30, 30);
  surface.Texture(4);
  const TImage before(surface);
  const QRegion clip(0, 0, 30, 30);
  InvertEllipseOutline(surface, TRect{5, 5, 16, 16}, clip);
  auto inverted = [&](int x, int y) {
    const TRgb a = before.Get(x, y), b = surface.Get(x, y);
    return b == TRgb{255 - a.Red, 255 - a.Green, 255 - a.Blue};
  };
  EXPECT_TRUE(inverted(5, 10));   // left end of the middle row
  EXPECT_TRUE(inverted(15, 10));  // right end
  EXPECT_TRUE(inverted(10, 5));
  EXPECT_TRUE(inverted(10, 15));
  EXPECT_EQ(surface.Get(10, 10), before.Get(10, 10));  // the inside stays
  EXPECT_EQ(surface.Get(5, 5), before.Get(5, 5));      // and the corners
  InvertEllipseOutline(surface, TRect{5, 5, 16, 16}, clip);
  EXPECT_TRUE(surface.SameAs(before));
  // Clipped to the left half, and partly off the surface.
  InvertEllipseOutline(surface, TRect{-5, 5, 16, 16}, QRegion(0, 0, 8, 30));
  for (int y = 0; y < 30; ++y)
    for (int x = 8; x < 30; ++x) ASSERT_EQ(surface.Get(x, y), before.Get(x, y)) << x << "," << y;
  EXPECT_FALSE(surface.SameAs(before));
}

}  // namespace
