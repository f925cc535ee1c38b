// The image view's arithmetic (zoom steps, best fit, key codes) as tables, and its painting: the
// picture at and above 1:1 pixel for pixel, below 1:1 from the reduced copies, which follow image
// changes.

#include "QvGraphicsView.h"

#include "test_GraphicsToolFixture.h"

#include <gtest/gtest.h>

#include <QImage>

#include <string>

namespace {

std::string Ratio(const TQvZoomRatio& R) { return std::to_string(R.Numerator) + "/" + std::to_string(R.Denominator); }

TEST(ZoomSteps, InAndOutFromEachZoom) {
  struct TCase {
    TQvZoomRatio From;
    const char* In;
    const char* Out;
  };
  const TCase Cases[] = {
      {{1, 1}, "3/2", "3/4"},        {{3, 2}, "2/1", "1/1"},    {{2, 1}, "3/1", "3/2"},
      {{16, 1}, "16/1", "12/1"},     {{1, 16}, "1/12", "1/16"}, {{11, 10}, "3/2", "1/1"},  // 110 % after a best fit
      {{500, 3000}, "1/5", "1/7"},   {{3, 4}, "1/1", "1/2"},    {{1, 7}, "1/6", "1/8"},
      {{1000, 4000}, "1/3", "1/5"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(Ratio(C.From));
    EXPECT_EQ(Ratio(ZoomSteps[ZoomInStep(C.From.Numerator, C.From.Denominator)]), C.In);
    EXPECT_EQ(Ratio(ZoomSteps[ZoomOutStep(C.From.Numerator, C.From.Denominator)]), C.Out);
  }
}

TEST(ZoomSteps, RatiosComparedInThousandths) {
  // 1/7 and 1/6 differ by 24 thousandths; 1000/7001 rounds to the same 143 as 1/7, so Zoom In from
  // it still moves on to 1/6 and Zoom Out goes to 1/8.
  EXPECT_EQ(ZoomThousandths(1, 7), 143);
  EXPECT_EQ(ZoomThousandths(1, 16), 63);  // 62.5 rounds away from zero
  EXPECT_EQ(Ratio(ZoomSteps[ZoomInStep(1000, 7001)]), "1/6");
  EXPECT_EQ(Ratio(ZoomSteps[ZoomOutStep(1000, 7001)]), "1/8");
}

TEST(BestFit, TighterSideDecides) {
  struct TCase {
    int ViewW, ViewH, ImageW, ImageH;
    const char* Ratio;
    bool ActualSize;
  };
  const TCase Cases[] = {
      {800, 500, 4000, 3000, "500/3000", false},
      {1600, 1000, 6000, 4000, "1000/4000", false},
      {800, 600, 4000, 1000, "800/4000", false},  // a wide image: the width decides
      {800, 600, 640, 480, "600/480", true},       // fits: AutoFit shows it at 1:1
      {800, 600, 800, 600, "600/600", true},       // equal ratios: the height decides
      {640, 480, 641, 10, "640/641", false},
      {0, 600, 640, 480, "1/1", false},  // a view without room keeps a usable mapping
      {800, 600, 0, 0, "1/1", true},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::to_string(C.ImageW) + "x" + std::to_string(C.ImageH) + " in " + std::to_string(C.ViewW) + "x" +
                 std::to_string(C.ViewH));
    EXPECT_EQ(Ratio(BestFitRatio(C.ViewW, C.ViewH, C.ImageW, C.ImageH)), C.Ratio);
    EXPECT_EQ(AutoFitIsActualSize(C.ViewW, C.ViewH, C.ImageW, C.ImageH), C.ActualSize);
  }
}

TEST(KeyCodes, QtKeysToToolKeys) {
  struct TCase {
    int QtKey;
    bool Keypad;
    int Code;
  };
  const TCase Cases[] = {
      {Qt::Key_Space, false, QvKey::Space},     {Qt::Key_O, false, 79},
      {Qt::Key_Plus, false, QvKey::OemPlus},    {Qt::Key_Equal, false, QvKey::OemPlus},
      {Qt::Key_Plus, true, QvKey::Add},         {Qt::Key_Minus, false, QvKey::OemMinus},
      {Qt::Key_Minus, true, QvKey::Subtract},   {Qt::Key_Escape, false, QvKey::Escape},
      {Qt::Key_Enter, true, QvKey::Return},     {Qt::Key_Left, false, QvKey::Left},
      {Qt::Key_Down, false, QvKey::Down},       {Qt::Key_5, false, '5'},
      {Qt::Key_5, true, 101},                   {Qt::Key_F2, false, 113},
      {Qt::Key_Delete, false, QvKey::Delete},   {Qt::Key_unknown, false, 0},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.QtKey);
    EXPECT_EQ(QvVirtualKey(C.QtKey, C.Keypad), C.Code);
  }
}

// ---- painting ----

class PictureView : public ToolWorld {
 protected:
  // The client area as the view paints it now.
  QImage Paint() {
    QImage Target(View->ClientWidth(), View->ClientHeight(), QImage::Format_RGB32);
    Target.fill(Qt::magenta);
    View->PaintView(&Target, QRegion(Target.rect()));
    return Target;
  }
  // The image pixel (blue, green, red) as the window shows it.
  static QRgb ImageColour(const TQvPixels& P, int X, int Y) {
    const uint8_t* B = P.PixelAt(X, Y);
    return qRgb(B[2], B[1], B[0]);
  }
};

TEST_F(PictureView, OneToOneAndMagnifiedShowTheNearestPixel) {
  Open(60, 40);
  for (int Zoom : {1, 3}) {
    SCOPED_TRACE(Zoom);
    GraphicsEditor->SetZoom(View, Zoom, 1);
    View->CenterOn(TPoint{0, 0});
    const QImage Shown = Paint();
    // Each image pixel covers Zoom × Zoom window pixels; the first and the last of them show it.
    for (const TPoint& P : {TPoint{0, 0}, TPoint{5, 7}, TPoint{31, 20}, TPoint{59, 39}}) {
      const TPoint D = View->LogicalToDevice(P);
      for (const TPoint& W : {D, TPoint{D.X + Zoom - 1, D.Y + Zoom - 1}}) {
        ASSERT_TRUE(Shown.rect().contains(W.X, W.Y));
        EXPECT_EQ(Shown.pixel(W.X, W.Y) & 0xFFFFFF, ImageColour(*Doc->Pixels(), P.X, P.Y) & 0xFFFFFF)
            << "image " << P.X << ", " << P.Y;
      }
    }
  }
}

TEST_F(PictureView, HalfSizeShowsTheMeanOfEachBlockAndFollowsChanges) {
  Open(64, 48);
  GraphicsEditor->SetZoom(View, 1, 2);
  const TPoint Origin = View->LogicalToDevice(TPoint{0, 0});
  auto Mean = [&](int X, int Y, int C) {
    int Sum = 0;
    for (int DY = 0; DY < 2; ++DY)
      for (int DX = 0; DX < 2; ++DX) Sum += Doc->Pixels()->PixelAt(2 * X + DX, 2 * Y + DY)[C];
    return (Sum + 2) >> 2;
  };
  QImage Shown = Paint();
  const QRgb P = Shown.pixel(Origin.X + 5, Origin.Y + 3);
  EXPECT_EQ(qBlue(P), Mean(5, 3, 0));
  EXPECT_EQ(qGreen(P), Mean(5, 3, 1));
  EXPECT_EQ(qRed(P), Mean(5, 3, 2));

  // A stroke repaints its rectangle; the reduced copy must not keep showing the old pixels.
  Pen->Stroke(View, TRect{10, 6, 12, 8}, 0xEE);
  Pen->EndChange();
  Shown = Paint();
  EXPECT_EQ(Shown.pixel(Origin.X + 5, Origin.Y + 3) & 0xFFFFFF, qRgb(0xEE, 0xEE, 0xEE) & 0xFFFFFF);
  // ... and undo brings the old mean back.
  GraphicsEditor->UndoCommand();
  Shown = Paint();
  EXPECT_EQ(qBlue(Shown.pixel(Origin.X + 5, Origin.Y + 3)), Mean(5, 3, 0));
}

TEST_F(PictureView, AreaOutsideThePictureIsBackground) {
  Open(20, 10);
  GraphicsEditor->SetZoom(View, 1, 1);
  const QImage Shown = Paint();
  const TPoint Origin = View->LogicalToDevice(TPoint{0, 0});
  ASSERT_GT(Origin.X, 0);  // a small image is centred
  EXPECT_EQ(Shown.pixel(Origin.X - 1, Origin.Y) & 0xFFFFFF, qRgb(64, 64, 64) & 0xFFFFFF);
  EXPECT_EQ(Shown.pixel(Origin.X + 20, Origin.Y) & 0xFFFFFF, qRgb(64, 64, 64) & 0xFFFFFF);
}

}  // namespace
