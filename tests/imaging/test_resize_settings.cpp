#include "QvResizeSettings.h"

#include <gtest/gtest.h>

namespace {

// A settings value that shows the image's own size, as the tool does on activation.
TResizeSettings ShowingImage(int32_t W, int32_t H) {
  TResizeSettings S;
  S.ResetToImage(W, H);
  return S;
}

TEST(ResizeSettings, ProportionalSides) {
  struct Case {
    const char* What;
    int32_t ImageW, ImageH;
    bool ByWidth;
    int32_t Value;
    int32_t W, H;
  };
  const Case Cases[] = {
      {"width 320", 640, 480, true, 320, 320, 240},
      {"height 100: 133.33 rounds down", 640, 480, false, 100, 133, 100},
      {"height 1: 1.33", 640, 480, false, 1, 1, 1},
      {"height 3: 4.0", 640, 480, false, 3, 4, 3},
      {"height 9: 12.0", 640, 480, false, 9, 12, 9},
      {"halves away from zero: 1.5", 3, 2, false, 1, 2, 1},
      {"width 0 becomes 1", 640, 480, true, 0, 1, 1},
      {"width -5 becomes 1", 640, 480, true, -5, 1, 1},
      // A very wide image: MulDiv(1, 1, 1000) = 0, yet no side is below 1.
      {"1000 x 1 at width 1", 1000, 1, true, 1, 1, 1},
      {"1 x 1000 at height 1", 1, 1000, false, 1, 1, 1},
      {"above the up-downs", 640, 480, true, 40000, 32767, 24575},
      // The proportional side is held too: 32767 × 32767 would not fit.
      {"tall image, wide target", 32767, 1, false, 32767, 32767, 32767},
      {"no document: a 1 x 1 image", 1, 1, true, 50, 50, 50},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.What);
    TResizeSettings S = ShowingImage(C.ImageW, C.ImageH);
    if (C.ByWidth)
      S.SetWidth(C.Value, C.ImageW, C.ImageH);
    else
      S.SetHeight(C.Value, C.ImageW, C.ImageH);
    EXPECT_EQ(S.Width(), C.W);
    EXPECT_EQ(S.Height(), C.H);
  }
}

TEST(ResizeSettings, ProportionsOffThenOnFitsTheBox) {
  TResizeSettings S = ShowingImage(640, 480);
  EXPECT_TRUE(S.SetConstrainProportions(false, 640, 480));
  S.SetWidth(100, 640, 480);
  S.SetHeight(100, 640, 480);
  EXPECT_EQ(S.Width(), 100);
  EXPECT_EQ(S.Height(), 100);
  // 480 / 100 ≥ 640 / 100 is false: width 100, height MulDiv(480, 100, 640) = 75.
  EXPECT_TRUE(S.SetConstrainProportions(true, 640, 480));
  EXPECT_EQ(S.Width(), 100);
  EXPECT_EQ(S.Height(), 75);
  EXPECT_FALSE(S.SetConstrainProportions(true, 640, 480));

  // Fitting a very wide image into a small box keeps both sides at 1 or more.
  TResizeSettings Wide = ShowingImage(1000, 1);
  Wide.SetConstrainProportions(false, 1000, 1);
  Wide.SetWidth(1, 1000, 1);
  Wide.SetHeight(100, 1000, 1);
  Wide.SetConstrainProportions(true, 1000, 1);
  EXPECT_EQ(Wide.Width(), 1);
  EXPECT_EQ(Wide.Height(), 1);
}

TEST(ResizeSettings, EqualValueChangesNothingAndResetFollowsTheImage) {
  TResizeSettings S = ShowingImage(640, 480);
  EXPECT_EQ(S.Width(), 640);
  EXPECT_EQ(S.Height(), 480);
  EXPECT_FALSE(S.SetWidth(640, 640, 480));
  S.SetConstrainProportions(false, 640, 480);
  S.SetHeight(10, 640, 480);
  EXPECT_EQ(S.Width(), 640);
  S.ResetToImage(640, 480);
  EXPECT_EQ(S.Height(), 480);
  S.SetSize(0, 99999);
  EXPECT_EQ(S.Width(), 1);
  EXPECT_EQ(S.Height(), 32767);
}

}  // namespace
