#include "QvCropGeometry.h"

#include <gtest/gtest.h>

#include <climits>

static void PrintTo(const TRect& r, std::ostream* os) {
  *os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}
static void PrintTo(const TCropRatio& r, std::ostream* os) { *os << r.Width << ":" << r.Height; }

namespace {

TEST(CropRatio, GcdAndReduction) {
  struct Case {
    int32_t W, H, Gcd;
    TCropRatio Reduced;
  };
  const Case Cases[] = {
      {12, 8, 4, {3, 2}},
      {1024, 768, 256, {4, 3}},
      {7, 12, 1, {7, 12}},
      {0, 5, 5, {0, 1}},  // a zero term: free
      {5, 0, 5, {1, 0}},
      {0, 0, 0, {0, 0}},  // both edits at 0 give a gcd of 0: free, no division
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(testing::Message() << C.W << "x" << C.H);
    EXPECT_EQ(RatioGcd(C.W, C.H), C.Gcd);
    EXPECT_EQ(ReducedRatio(C.W, C.H), C.Reduced);
  }
  EXPECT_TRUE(ReducedRatio(0, 0).IsFree());
  EXPECT_TRUE(ReducedRatio(0, 5).IsFree());
  EXPECT_TRUE(ReducedRatio(-4, 3).IsFree());  // a spin value below 0 is no ratio
  EXPECT_FALSE(ReducedRatio(4, 3).IsFree());
}

TEST(CropRatio, ParsesFormatNames) {
  struct Case {
    const char* Text;
    bool Valid;
    TCropRatio Ratio;
  };
  const Case Cases[] = {
      {"10x15", true, {2, 3}},  {"16x10", true, {8, 5}},   {"12x7", true, {12, 7}},
      {"16:9", true, {16, 9}},  {" 4 x 3 ", true, {4, 3}}, {"0x0", true, {0, 0}},
      {"10000:1", true, {10000, 1}},
      {"10001x1", false, {}},   // terms stay within 0..10000
      {"-1x2", false, {}},      {"10x", false, {}},         {"x15", false, {}},
      {"abc", false, {}},       {"1.5x2", false, {}},       {"", false, {}},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Text);
    const std::optional<TCropRatio> R = ParseRatio(QString::fromLatin1(C.Text));
    ASSERT_EQ(R.has_value(), C.Valid);
    if (C.Valid) {
      EXPECT_EQ(*R, C.Ratio);
    }
  }
  for (const QString& F : PrintFormats() + ScreenFormats()) {
    SCOPED_TRACE(F.toStdString());
    const std::optional<TCropRatio> R = ParseRatio(F);
    ASSERT_TRUE(R);
    EXPECT_FALSE(R->IsFree());
  }
  EXPECT_EQ(ScreenRatioText(1920, 1080), QStringLiteral("16:9"));
  EXPECT_EQ(ScreenRatioText(1280, 1024), QStringLiteral("5:4"));
}

TEST(CropRatio, ApplyRatioPerHandle) {
  struct Case {
    int32_t Code;
    TRect In;
    TCropRatio Ratio;
    TRect Out;
  };
  const Case Cases[] = {
      // "10x15" dragged from (100, 100) to (160, 250): height Round(60 × 3 / 2) = 90.
      {7, {100, 100, 160, 250}, {2, 3}, {100, 100, 160, 190}},
      // Left edge, ratio 4:3, width 10: whole steps, bottom − (10 div 4) × 3.
      {10, {0, 20, 10, 40}, {4, 3}, {0, 34, 10, 40}},
      // The right edge rounds instead: bottom − Round(7.5) = bottom − 8.
      {6, {0, 20, 10, 40}, {4, 3}, {0, 32, 10, 40}},
      {11, {0, 20, 10, 40}, {4, 3}, {0, 32, 10, 40}},
      // Halves go to the even neighbour: 2.5 → 2, 1.5 → 2.
      {7, {0, 0, 5, 50}, {2, 1}, {0, 0, 5, 2}},
      {7, {0, 0, 3, 50}, {2, 1}, {0, 0, 3, 2}},
      // Height-driven handles set the width: Round(30 × 4 / 3) = 40.
      {4, {10, 10, 99, 40}, {4, 3}, {10, 10, 50, 40}},
      {5, {10, 10, 99, 40}, {4, 3}, {10, 10, 50, 40}},
      {8, {10, 10, 99, 40}, {4, 3}, {10, 10, 50, 40}},
      {9, {0, 10, 99, 40}, {4, 3}, {59, 10, 99, 40}},
      // An inverted rectangle rounds symmetrically: −2.5 → −2.
      {7, {10, 10, 5, 50}, {2, 1}, {10, 10, 5, 8}},
      // Free ratios, a zero term and codes without a side to fix leave it alone.
      {7, {0, 0, 5, 50}, {0, 0}, {0, 0, 5, 50}},
      {7, {0, 0, 5, 50}, {0, 3}, {0, 0, 5, 50}},
      {3, {0, 0, 5, 50}, {2, 1}, {0, 0, 5, 50}},
      {0, {0, 0, 5, 50}, {2, 1}, {0, 0, 5, 50}},
      // Beyond 32 bits the side is clamped, which leaves every area.
      {7, {0, 0, INT32_MAX, 10}, {1, 10000}, {0, 0, INT32_MAX, INT32_MAX}},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(testing::Message() << "code " << C.Code << " ratio " << C.Ratio.Width << ":" << C.Ratio.Height);
    EXPECT_EQ(ApplyRatio(C.Code, C.In, C.Ratio), C.Out);
  }
}

TEST(CropRatio, DrawingFromTheAnchor) {
  const TRect Area{0, 0, 400, 300};
  const TPoint Anchor{100, 100};
  const TRect Current{100, 100, 101, 101};
  struct Case {
    TPoint Point;
    TCropRatio Ratio;
    TRect Out;
  };
  const Case Cases[] = {
      {{160, 250}, {2, 3}, {100, 100, 160, 190}},
      {{160, 250}, {0, 0}, {100, 100, 160, 250}},
      {{40, 40}, {0, 0}, {40, 40, 100, 100}},     // top-left corner
      {{40, 250}, {0, 0}, {40, 100, 100, 250}},   // bottom-left
      {{160, 40}, {0, 0}, {100, 40, 160, 100}},   // top-right
      {{40, 40}, {1, 1}, {40, 40, 100, 100}},
      // On the anchor's row or column nothing is spanned: the last rectangle stays.
      {{100, 250}, {0, 0}, Current},
      {{160, 100}, {2, 3}, Current},
      // Held to the ratio, the rectangle would end below the area: the last one stays.
      {{300, 150}, {2, 3}, Current},
      // Outside the area without a ratio: also kept.
      {{450, 150}, {0, 0}, Current},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(testing::Message() << C.Point.X << "," << C.Point.Y);
    EXPECT_EQ(DrawCropRect(Anchor, C.Point, C.Ratio, Area, Current), C.Out);
  }
  // Whatever stays is cut to the area.
  EXPECT_EQ(DrawCropRect(Anchor, {100, 50}, {}, Area, TRect{-10, -10, 500, 500}), Area);
}

TEST(CropRatio, MovingAndResizing) {
  const TRect Area{0, 0, 400, 300};
  const TRect Start{100, 100, 160, 190};
  const TRect Current{90, 90, 170, 200};
  struct Case {
    const char* What;
    int32_t Hit, DX, DY;
    TCropRatio Ratio;
    TRect Out;
  };
  const Case Cases[] = {
      {"move", 3, 10, -5, {}, {110, 95, 170, 185}},
      {"move pushed back at the right", 3, 1000, 0, {}, {340, 100, 400, 190}},
      {"move pushed back at the top", 3, 0, -1000, {}, {100, 0, 160, 90}},
      {"corner free", 7, 20, 10, {}, {100, 100, 180, 200}},
      {"corner to 2:3", 7, 20, 10, {2, 3}, {100, 100, 180, 220}},
      {"top edge", 4, 0, -20, {}, {100, 80, 160, 190}},
      {"bottom-left", 9, -20, 10, {}, {80, 100, 160, 200}},
      {"top-left", 11, -20, -20, {}, {80, 80, 160, 190}},
      {"left edge whole steps", 10, -10, 0, {4, 3}, {90, 139, 160, 190}},
      {"past the area keeps the current", 6, 300, 0, {}, Current},
      {"turned inside out keeps the current", 6, -100, 0, {}, Current},
      {"outside is no handle", 0, 5, 5, {}, Current},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.What);
    EXPECT_EQ(DragCropRect(C.Hit, Start, C.DX, C.DY, C.Ratio, Area, Current), C.Out);
  }
}

TEST(CropRatio, PerformUsesTheLastRectangleCutToThisImage) {
  const TRect Image{0, 0, 640, 480};
  EXPECT_EQ(CropPerformRect(TRect{0, 0, 6000, 4000}, Image), Image);
  EXPECT_EQ(CropPerformRect(TRect{600, 400, 900, 700}, Image), (TRect{600, 400, 640, 480}));
  EXPECT_TRUE(CropPerformRect(TRect{700, 500, 800, 600}, Image).IsEmpty());
  EXPECT_TRUE(CropPerformRect(TRect{}, Image).IsEmpty());
}

TEST(CropHandles, PositionsHitsAndCursors) {
  const TRect K{100, 100, 201, 200};
  struct Case {
    TPoint P;
    int32_t Code;
    Qt::CursorShape Cursor;
  };
  const Case Cases[] = {
      {{150, 100}, 4, Qt::SizeVerCursor},     {{201, 100}, 5, Qt::SizeBDiagCursor},
      {{205, 150}, 6, Qt::SizeHorCursor},     {{197, 196}, 7, Qt::SizeFDiagCursor},
      {{146, 204}, 8, Qt::SizeVerCursor},     {{100, 200}, 9, Qt::SizeBDiagCursor},
      {{96, 154}, 10, Qt::SizeHorCursor},     {{96, 96}, 11, Qt::SizeFDiagCursor},
      {{150, 150}, 3, Qt::SizeAllCursor},     {{300, 300}, 0, Qt::ArrowCursor},
      {{95, 150}, 0, Qt::ArrowCursor},        {{155, 150}, 3, Qt::SizeAllCursor},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(testing::Message() << C.P.X << "," << C.P.Y);
    EXPECT_EQ(CropHitTest(K, C.P), C.Code);
    EXPECT_EQ(CropHitCursor(C.Code), C.Cursor);
  }
  // The middle of a side rounds toward zero, also left of the origin.
  EXPECT_EQ(CropHandlePoint(4, TRect{-5, 0, 0, 10}), (TPoint{-2, 0}));
  EXPECT_EQ(CropHandleSquare(10, TRect{-5, 0, 0, 11}), (TRect{-9, 1, 0, 10}));
  EXPECT_EQ(CropHandleInnerSquare(10, TRect{-5, 0, 0, 11}), (TRect{-8, 2, -1, 9}));
  // On a tiny rectangle the squares overlap; the top-left corner is tested first.
  EXPECT_EQ(CropHitTest(TRect{0, 0, 4, 4}, {4, 4}), 11);
  EXPECT_EQ(CropHitTest(TRect{0, 0, 4, 4}, {8, 0}), 5);
}

TEST(CropSurround, BandsAndDarkening) {
  EXPECT_EQ(DarkenChannel(255), 164);
  EXPECT_EQ(DarkenChannel(100), 65);
  EXPECT_EQ(DarkenChannel(0), 0);

  TRect Bands[4];
  CropSurroundBands(TRect{0, 0, 100, 80}, TRect{10, 20, 60, 50}, Bands);
  EXPECT_EQ(Bands[0], (TRect{0, 0, 100, 20}));
  EXPECT_EQ(Bands[1], (TRect{0, 20, 10, 50}));
  EXPECT_EQ(Bands[2], (TRect{60, 20, 100, 50}));
  EXPECT_EQ(Bands[3], (TRect{0, 50, 100, 80}));
  CropSurroundBands(TRect{0, 0, 100, 80}, TRect{0, 0, 100, 50}, Bands);
  EXPECT_TRUE(Bands[0].IsEmpty() && Bands[1].IsEmpty() && Bands[2].IsEmpty());
  EXPECT_EQ(Bands[3], (TRect{0, 50, 100, 80}));

  // Darkening reaches exactly the rectangle, clipped to the store.
  TQvPixelBuffer Buffer;
  ASSERT_TRUE(Buffer.Allocate(PixelFormat24, TRect{0, 0, 6, 4}));
  for (int32_t Y = 0; Y < 4; ++Y)
    for (int32_t X = 0; X < 6; ++X) MakeColor(255, 100, 7, Buffer.PixelAt(X, Y));
  DarkenPixels(Buffer, TRect{4, 2, 10, 10});
  for (int32_t Y = 0; Y < 4; ++Y)
    for (int32_t X = 0; X < 6; ++X) {
      const bool Inside = X >= 4 && Y >= 2;
      SCOPED_TRACE(testing::Message() << X << "," << Y);
      EXPECT_EQ(PixelColor(Buffer.PixelAt(X, Y)),
                Inside ? MakeColorValue(164, 65, DarkenChannel(7)) : MakeColorValue(255, 100, 7));
    }
}

}  // namespace

#include "QvCropOverlay.h"

namespace {

TEST(CropOverlay, DarkensTheSurroundDrawsHandlesAndOutlineInsideTheClip) {
  TQvPixelBuffer Surface;
  ASSERT_TRUE(Surface.Allocate(PixelFormat24, TRect{0, 0, 60, 40}));
  const auto Fill = [&] {
    for (int32_t Y = 0; Y < 40; ++Y)
      for (int32_t X = 0; X < 60; ++X) MakeColor(200, 200, 200, Surface.PixelAt(X, Y));
  };
  const auto Grey = [&](int32_t X, int32_t Y) { return int(Surface.PixelAt(X, Y)[ChannelGreen]); };
  const TRect Area{0, 0, 60, 40};
  const TRect K{20, 10, 40, 30};
  const QRegion Whole(0, 0, 60, 40);
  const int Dark = DarkenChannel(200);

  Fill();
  PaintCropOverlay(Surface, Whole, Area, K, TCropOverlayState::Shown);
  EXPECT_EQ(Grey(2, 2), Dark);                // the surround
  EXPECT_EQ(Grey(55, 35), Dark);
  EXPECT_EQ(Grey(30, 20), 200);               // inside, off the outline
  EXPECT_EQ(Grey(16, 6), 255 - Dark);         // the outer ring of the top-left handle
  EXPECT_EQ(Grey(17, 7), Dark);               // inside the ring: inverted twice
  EXPECT_EQ(Grey(20, 10), 255 - 200);         // the outline's corner dot
  EXPECT_EQ(Grey(25, 10), 200);               // between two dots (x + y odd)

  // Nothing is drawn outside the clip.
  Fill();
  PaintCropOverlay(Surface, QRegion(0, 0, 30, 40), Area, K, TCropOverlayState::Dragging);
  EXPECT_EQ(Grey(2, 2), Dark);
  EXPECT_EQ(Grey(55, 35), 200);
  EXPECT_EQ(Grey(39, 29), 200);
  EXPECT_EQ(Grey(21, 29), 255 - 200);         // left half of the bottom line: dots, no handles
  EXPECT_EQ(Grey(16, 6), Dark);

  // While drawing only the outline shows; it is an inversion, so painting twice removes it.
  Fill();
  PaintCropOverlay(Surface, Whole, Area, K, TCropOverlayState::Drawing);
  EXPECT_EQ(Grey(2, 2), 200);
  EXPECT_EQ(Grey(39, 28), 200);               // right side, x + y odd
  EXPECT_EQ(Grey(38, 10), 255 - 200);
  PaintCropOverlay(Surface, Whole, Area, K, TCropOverlayState::Drawing);
  for (int32_t Y = 0; Y < 40; ++Y)
    for (int32_t X = 0; X < 60; ++X) ASSERT_EQ(Grey(X, Y), 200) << X << "," << Y;

  // A one-pixel-high rectangle: its single row is dotted once, not twice.
  Fill();
  FocusRectPixels(Surface, Whole, TRect{10, 5, 14, 6});
  EXPECT_EQ(Grey(11, 5), 255 - 200);
  EXPECT_EQ(Grey(10, 5), 200);
}

}  // namespace
