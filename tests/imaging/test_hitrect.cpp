#include "HitRect.h"

#include <gtest/gtest.h>

#include <ostream>

static void PrintTo(const TRect& r, std::ostream* os) {
  *os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}
static void PrintTo(const TPoint& p, std::ostream* os) { *os << "(" << p.X << ", " << p.Y << ")"; }

namespace {

TEST(HitRect, HandlesSitOnTheLastPixelsInsideAndHalveTowardZero) {
  struct Case {
    TRect Rect;
    int32_t Code;
    TPoint Point;
  };
  const Case cases[] = {
      {{10, 20, 31, 41}, HandleTop, {20, 20}},         {{10, 20, 31, 41}, HandleTopRight, {30, 20}},
      {{10, 20, 31, 41}, HandleRight, {30, 30}},       {{10, 20, 31, 41}, HandleBottomRight, {30, 40}},
      {{10, 20, 31, 41}, HandleBottom, {20, 40}},      {{10, 20, 31, 41}, HandleBottomLeft, {10, 40}},
      {{10, 20, 31, 41}, HandleLeft, {10, 30}},        {{10, 20, 31, 41}, HandleTopLeft, {10, 20}},
      // (-11 + 0) / 2 is -5, not -6.
      {{-11, -5, 0, 0}, HandleTop, {-5, -5}},          {{-11, -5, 0, 0}, HandleLeft, {-11, -2}},
  };
  for (const Case& c : cases) EXPECT_EQ(HandlePoint(c.Rect, c.Code), c.Point) << "code " << c.Code;
}

TEST(HitRect, HandleRectIsCentredOnThePoint) {
  EXPECT_EQ(HandleRect({100, 50}), (TRect{96, 46, 105, 55}));
  EXPECT_EQ(HandleRect({100, 50}, 0), (TRect{96, 46, 105, 55}));
  EXPECT_EQ(HandleRect({100, 50}, 5), (TRect{98, 48, 103, 53}));
  EXPECT_EQ(HandleRect({0, 0}, 4), (TRect{-2, -2, 2, 2}));
}

TEST(HitRect, HitTestFindsHandlesFirstThenTheInside) {
  const TRect r{100, 100, 200, 160};
  struct Case {
    TPoint Point;
    int32_t Code;
  };
  const Case cases[] = {
      {{150, 130}, HandleInside},      {{99, 130}, HandleLeft},        {{96, 130}, HandleLeft},
      {{95, 130}, HandleOutside},      {{199, 100}, HandleTopRight},   {{203, 96}, HandleTopRight},
      {{204, 96}, HandleOutside},      {{150, 100}, HandleTop},        {{150, 159}, HandleBottom},
      {{199, 159}, HandleBottomRight}, {{100, 159}, HandleBottomLeft}, {{100, 100}, HandleTopLeft},
      {{199, 130}, HandleRight},       {{300, 300}, HandleOutside},    {{120, 105}, HandleInside},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Point));
    EXPECT_EQ(HitTestHandles(r, c.Point), c.Code);
  }
  // On a rectangle smaller than a handle every square overlaps; the top middle is asked first.
  EXPECT_EQ(HitTestHandles(TRect{10, 10, 13, 13}, {11, 11}), HandleTop);
}

TEST(HitRect, MoveHandleMovesTheEdgesOfItsCode) {
  const TRect r{10, 20, 30, 40};
  struct Case {
    int32_t Code;
    TRect Moved;
  };
  const Case cases[] = {
      {HandleOutside, {10, 20, 30, 40}},     {HandleInside, {13, 25, 33, 45}},
      {HandleTop, {10, 25, 30, 40}},         {HandleTopRight, {10, 25, 33, 40}},
      {HandleRight, {10, 20, 33, 40}},       {HandleBottomRight, {10, 20, 33, 45}},
      {HandleBottom, {10, 20, 30, 45}},      {HandleBottomLeft, {13, 20, 30, 45}},
      {HandleLeft, {13, 20, 30, 40}},        {HandleTopLeft, {13, 25, 30, 40}},
  };
  for (const Case& c : cases) EXPECT_EQ(MoveHandle(r, c.Code, 3, 5), c.Moved) << "code " << c.Code;
  EXPECT_EQ(MoveHandle(r, HandleRight, -30, 0), (TRect{10, 20, 0, 40}));
  EXPECT_EQ(NormalizeRect(TRect{10, 20, 0, 40}), (TRect{0, 20, 10, 40}));
  EXPECT_EQ(NormalizeRect(TRect{5, 9, 1, 2}), (TRect{1, 2, 5, 9}));
}

TEST(HitRect, DrawingLeftOrUpOfTheAnchorMirrors) {
  const TRect image{0, 0, 100, 80};
  struct Case {
    TPoint Pointer;
    TRect Rect;
    bool FlipH, FlipV;
  };
  const Case cases[] = {
      {{60, 50}, {40, 30, 60, 50}, false, false},
      {{10, 50}, {10, 30, 40, 50}, true, false},
      {{60, 5}, {40, 5, 60, 30}, false, true},
      {{-20, -9}, {0, 0, 40, 30}, true, true},  // clipped to the image
      {{40, 30}, {40, 30, 40, 30}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Pointer));
    const TRectDrag d = DrawRectDrag({40, 30}, c.Pointer, image);
    EXPECT_EQ(d.Rect, c.Rect);
    EXPECT_EQ(d.FlipH, c.FlipH);
    EXPECT_EQ(d.FlipV, c.FlipV);
  }
}

TEST(HitRect, DraggingAHandleAcrossTheOppositeEdgeMirrorsAndBackUnmirrors) {
  const TRect image{0, 0, 1000, 1000};
  const TRect start{100, 100, 300, 200};
  struct Case {
    const char* What;
    int32_t Code;
    int32_t Dx, Dy;
    bool StartFlipH, StartFlipV;
    TRect Rect;
    bool FlipH, FlipV;
  };
  const Case cases[] = {
      {"right handle stays right", HandleRight, -50, 0, false, false, {100, 100, 250, 200}, false, false},
      {"right handle across the left edge", HandleRight, -250, 0, false, false, {50, 100, 100, 200}, true, false},
      {"and back within the same drag", HandleRight, -150, 0, false, false, {100, 100, 150, 200}, false, false},
      {"onto the left edge is no crossing", HandleRight, -200, 0, false, false, {100, 100, 100, 200}, false, false},
      {"left handle of a mirrored text across the right edge", HandleLeft, 260, 0, true, false,
       {300, 100, 360, 200}, false, false},
      {"left handle of a mirrored text short of it", HandleLeft, 150, 0, true, false, {250, 100, 300, 200}, true, false},
      {"top handle across the bottom", HandleTop, 0, 130, false, false, {100, 200, 300, 230}, false, true},
      {"corner across both edges", HandleBottomRight, -300, -150, false, false, {0, 50, 100, 100}, true, true},
      {"corner across both of a mirrored text", HandleTopLeft, 300, 200, true, true, {300, 200, 400, 300}, false, false},
      {"moving left never mirrors", HandleInside, -80, -30, false, false, {20, 70, 220, 170}, false, false},
      {"moving keeps the mirror", HandleInside, 10, 10, true, false, {110, 110, 310, 210}, true, false},
      {"moving is not clipped", HandleInside, -150, 0, false, false, {-50, 100, 150, 200}, false, false},
      {"a handle is clipped, and still counts as crossed", HandleRight, -400, 0, false, false,
       {0, 100, 100, 200}, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    const TRectDrag d = HandleDrag(start, c.Code, c.Dx, c.Dy, image, c.StartFlipH, c.StartFlipV);
    EXPECT_EQ(d.Rect, c.Rect);
    EXPECT_EQ(d.FlipH, c.FlipH);
    EXPECT_EQ(d.FlipV, c.FlipV);
  }
}

}  // namespace
