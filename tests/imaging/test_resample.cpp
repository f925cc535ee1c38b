#include "prResample.h"

#include <gtest/gtest.h>

#include <string>

namespace {

int ClusterSum(const TCluster& cluster) {
  int sum = 0;
  for (const TContributor& entry : cluster) sum += entry.Weight;
  return sum;
}

// Deterministic, textured content with sharp steps so that every tap matters.
void FillTexture(TQvPixels& pixels) {
  for (int y = 0; y < pixels.Height; ++y)
    for (int x = 0; x < pixels.Width; ++x) {
      uint8_t* p = pixels.PixelAt(pixels.Left + x, pixels.Top + y);
      p[ChannelBlue] = uint8_t((x * 37 + y * 11) & 0xFF);
      p[ChannelGreen] = uint8_t(((x / 3 + y / 2) % 2) ? 255 : 0);
      p[ChannelRed] = uint8_t((x * x + 3 * y * y) % 251);
    }
}

// The first differing byte, or "" when the two stores hold the same pixels.
std::string FirstDifference(const TQvPixels& a, const TQvPixels& b) {
  if (a.BoundsRect() != b.BoundsRect()) return "different bounds";
  for (int y = a.Top; y < a.Top + a.Height; ++y)
    for (int x = a.Left; x < a.Left + a.Width; ++x)
      for (int c = 0; c < 3; ++c)
        if (a.PixelAt(x, y)[c] != b.PixelAt(x, y)[c])
          return "pixel " + std::to_string(x) + "," + std::to_string(y) + " channel " + std::to_string(c) + ": " +
                 std::to_string(a.PixelAt(x, y)[c]) + " vs " + std::to_string(b.PixelAt(x, y)[c]);
  return "";
}

const TLanczosResampler kLanczos;

}  // namespace

TEST(LanczosKernel, ZerosAtWholeDistancesAndOneAtZero) {
  EXPECT_EQ(kLanczos.Filter(0), 1.0);
  for (double x : {1.0, 2.0, -1.0, -2.0}) EXPECT_NEAR(kLanczos.Filter(x), 0.0, 1e-15) << x;
  for (double x : {3.0, -3.0, 3.5, 100.0}) EXPECT_EQ(kLanczos.Filter(x), 0.0) << x;
  EXPECT_TRUE(kLanczos.RangeCheck());
  EXPECT_EQ(kLanczos.GetWidth(), 3.0);
}

TEST(MappingTable, WorkedExamples) {
  // Same size: every cluster is the pixel itself.
  const TMappingTable same = BuildMappingTable(0, 7, 0, 7, 0, 7, kLanczos);
  ASSERT_EQ(same.size(), 7u);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(same[size_t(i)], (TCluster{TContributor{i, 256}})) << i;

  // 3 → 1: centred on source position 1.0, support widened to 9 pixels each side, clamped to 0..2.
  const TMappingTable shrink = BuildMappingTable(0, 1, 0, 1, 0, 3, kLanczos);
  ASSERT_EQ(shrink.size(), 1u);
  ASSERT_FALSE(shrink[0].empty());
  EXPECT_EQ(shrink[0].front().Position, 0);
  EXPECT_EQ(shrink[0].back().Position, 2);
  for (const TContributor& entry : shrink[0]) {
    EXPECT_GE(entry.Position, 0);
    EXPECT_LE(entry.Position, 2);
  }
  EXPECT_EQ(ClusterSum(shrink[0]), 256);
  // The unclamped centre tap: Round(1/3 × 256) = 85 before normalisation.
  EXPECT_GT(shrink[0].size(), 3u);

  // A one-pixel source: every destination column takes it whole.
  const TMappingTable single = BuildMappingTable(0, 10, 2, 5, 4, 5, kLanczos);
  EXPECT_EQ(single, TMappingTable(3, TCluster{TContributor{4, 256}}));

  EXPECT_TRUE(BuildMappingTable(0, 10, 0, 10, 3, 3, kLanczos).empty());
  EXPECT_TRUE(BuildMappingTable(0, 10, 4, 4, 0, 3, kLanczos).empty());
}

TEST(MappingTable, EveryClusterSumsTo256AndClippingSlicesTheTable) {
  struct Case {
    int dstW, srcW;
  };
  const Case cases[] = {{100, 20}, {20, 100}, {3000, 6000}, {7, 5}, {5, 7}, {64, 3}, {2, 2000}, {10, 2}};
  for (const Case& c : cases) {
    const TMappingTable full = BuildMappingTable(0, c.dstW, 0, c.dstW, 0, c.srcW, kLanczos);
    ASSERT_EQ(full.size(), size_t(c.dstW));
    for (size_t i = 0; i < full.size(); ++i) {
      ASSERT_EQ(ClusterSum(full[i]), 256) << c.srcW << "->" << c.dstW << " cluster " << i;
      for (const TContributor& entry : full[i]) {
        ASSERT_GE(entry.Position, 0);
        ASSERT_LT(entry.Position, c.srcW);
      }
    }
    const int clipLo = c.dstW / 3, clipHi = c.dstW - c.dstW / 4;
    const TMappingTable clipped = BuildMappingTable(0, c.dstW, clipLo, clipHi, 0, c.srcW, kLanczos);
    ASSERT_EQ(clipped.size(), size_t(clipHi - clipLo));
    for (int i = clipLo; i < clipHi; ++i) ASSERT_EQ(clipped[size_t(i - clipLo)], full[size_t(i)]) << i;
    // Shifting every coordinate shifts only the positions.
    const TMappingTable shifted = BuildMappingTable(-5, c.dstW - 5, -5, c.dstW - 5, 9, c.srcW + 9, kLanczos);
    for (size_t i = 0; i < full.size(); ++i)
      for (size_t k = 0; k < full[i].size(); ++k)
        ASSERT_EQ(shifted[i][k], (TContributor{full[i][k].Position + 9, full[i][k].Weight}));
  }
}

TEST(Resample, SameSizeReproducesTheImage) {
  TQvPixelBuffer src, dst;
  src.Allocate(PixelFormat24, TRect{0, 0, 37, 23});
  dst.Allocate(PixelFormat24, TRect{0, 0, 37, 23});
  FillTexture(src);
  Resample(dst, dst.BoundsRect(), dst.BoundsRect(), src, src.BoundsRect(), kLanczos);
  EXPECT_EQ(FirstDifference(src, dst), "");
}

TEST(Resample, OneColumnSourceFillsEveryColumn) {
  TQvPixelBuffer src, dst;
  src.Allocate(PixelFormat24, TRect{0, 0, 1, 6});
  dst.Allocate(PixelFormat24, TRect{0, 0, 10, 6});
  FillTexture(src);
  Resample(dst, dst.BoundsRect(), dst.BoundsRect(), src, src.BoundsRect(), kLanczos);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(PixelColor(dst.PixelAt(x, y)), PixelColor(src.PixelAt(0, y))) << x << "," << y;
}

TEST(Resample, RingingAtASharpEdgeIsClamped) {
  TQvPixelBuffer src, dst;
  src.Allocate(PixelFormat24, TRect{0, 0, 8, 1});
  dst.Allocate(PixelFormat24, TRect{0, 0, 64, 1});
  for (int x = 4; x < 8; ++x) MakeColor(255, 255, 255, src.PixelAt(x, 0));
  Resample(dst, dst.BoundsRect(), dst.BoundsRect(), src, src.BoundsRect(), kLanczos);
  // The overshoot on both sides would wrap around without the clamp: the dark side stays
  // black and the bright side stays white, then the edge rises monotonically in between.
  EXPECT_EQ(dst.PixelAt(0, 0)[ChannelRed], 0);
  EXPECT_EQ(dst.PixelAt(63, 0)[ChannelRed], 255);
  for (int x = 0; x < 28; ++x) EXPECT_LT(dst.PixelAt(x, 0)[ChannelRed], 40) << x;
  for (int x = 36; x < 64; ++x) EXPECT_GT(dst.PixelAt(x, 0)[ChannelRed], 215) << x;
}

TEST(Resample, FastPathAndThreadsGiveTheReferenceBytes) {
  struct Case {
    int srcW, srcH, dstW, dstH;
  };
  // 600 × 440 → 300 × 220 is large enough to be split between threads.
  const Case cases[] = {{600, 440, 300, 220}, {257, 131, 100, 77}, {37, 23, 101, 359}, {64, 64, 64, 64},
                        {1001, 3, 17, 300},   {5, 701, 333, 2}};
  for (const Case& c : cases) {
    TQvPixelBuffer src, reference, fast, oneThread;
    src.Allocate(PixelFormat24, TRect{0, 0, c.srcW, c.srcH});
    FillTexture(src);
    const TRect bounds{0, 0, c.dstW, c.dstH};
    reference.Allocate(PixelFormat24, bounds);
    fast.Allocate(PixelFormat24, bounds);
    oneThread.Allocate(PixelFormat24, bounds);
    ResampleScalar(reference, bounds, bounds, src, src.BoundsRect(), kLanczos);
    Resample(fast, bounds, bounds, src, src.BoundsRect(), kLanczos, 2);
    Resample(oneThread, bounds, bounds, src, src.BoundsRect(), kLanczos, 1);
    EXPECT_EQ(FirstDifference(reference, fast), "") << c.srcW << "x" << c.srcH << "->" << c.dstW << "x" << c.dstH;
    EXPECT_EQ(FirstDifference(reference, oneThread), "") << c.srcW << "x" << c.srcH;
  }
}

// Regression: the row buffer was sized from the first entry of the first cluster and the last
// entry of the last; a clip that starts on a cluster with a single tap let the next cluster
// read before the buffer.
TEST(Resample, ClippedEnlargementMatchesTheWholeResult) {
  const TMappingTable table = BuildMappingTable(0, 100, 12, 100, 0, 20, kLanczos);
  ASSERT_EQ(table[0], (TCluster{TContributor{2, 256}}));  // centre exactly on source pixel 2
  EXPECT_EQ(table[1].front().Position, 0);

  TQvPixelBuffer src, whole, part;
  src.Allocate(PixelFormat24, TRect{0, 0, 20, 9});
  FillTexture(src);
  whole.Allocate(PixelFormat24, TRect{0, 0, 100, 45});
  part.Allocate(PixelFormat24, TRect{0, 0, 100, 45});
  Resample(whole, whole.BoundsRect(), whole.BoundsRect(), src, src.BoundsRect(), kLanczos);
  const TRect clip{12, 12, 100, 45};
  for (bool scalar : {false, true}) {
    if (scalar)
      ResampleScalar(part, part.BoundsRect(), clip, src, src.BoundsRect(), kLanczos);
    else
      Resample(part, part.BoundsRect(), clip, src, src.BoundsRect(), kLanczos);
    for (int y = 0; y < 45; ++y)
      for (int x = 0; x < 100; ++x) {
        const uint32_t expected = PtInRect(clip, x, y) ? PixelColor(whole.PixelAt(x, y)) : 0;
        ASSERT_EQ(PixelColor(part.PixelAt(x, y)), expected) << x << "," << y << (scalar ? " scalar" : " fast");
      }
  }
}

TEST(Resample, WritesOnlyInsideDestinationRectAndClip) {
  struct Case {
    const char* name;
    TRect dstRect, clip;
  };
  const Case cases[] = {
      {"rect inside", TRect{3, 2, 13, 9}, TRect{0, 0, 20, 12}},
      {"clip cuts the rect", TRect{3, 2, 13, 9}, TRect{5, 0, 9, 5}},
      {"rect sticks out of the store", TRect{-4, -3, 30, 20}, TRect{0, 0, 100, 100}},
      // An empty destination rectangle with a non-empty clip once built a table whose clusters
      // were empty after the first.
      {"empty rect", TRect{5, 5, 5, 9}, TRect{0, 0, 20, 12}},
  };
  TQvPixelBuffer src;
  src.Allocate(PixelFormat24, TRect{0, 0, 6, 4});
  FillTexture(src);
  for (const Case& c : cases) {
    TQvPixelBuffer dst;
    dst.Allocate(PixelFormat24, TRect{0, 0, 20, 12});
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 20; ++x) MakeColor(1, 2, 3, dst.PixelAt(x, y));
    Resample(dst, c.dstRect, c.clip, src, src.BoundsRect(), kLanczos);
    const TRect written = IntersectRect(IntersectRect(c.dstRect, c.clip), dst.BoundsRect());
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 20; ++x)
        if (!PtInRect(written, x, y)) {
          ASSERT_EQ(PixelColor(dst.PixelAt(x, y)), MakeColorValue(1, 2, 3)) << c.name << " " << x << "," << y;
        }
  }
}

TEST(Resample, SourceRectOutsideTheSourceIsRefused) {
  TQvPixelBuffer src, dst;
  src.Allocate(PixelFormat24, TRect{0, 0, 6, 4});
  dst.Allocate(PixelFormat24, TRect{0, 0, 12, 8});
  FillTexture(src);
  Resample(dst, dst.BoundsRect(), dst.BoundsRect(), src, TRect{-2, 0, 6, 40}, kLanczos);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 12; ++x) ASSERT_EQ(PixelColor(dst.PixelAt(x, y)), 0u);
}

TEST(StretchNearest, RepeatsPixelsAndBlendsAlpha) {
  TQvPixelBuffer src;
  src.Allocate(PixelFormat24, TRect{0, 0, 2, 2});
  FillTexture(src);
  TDIBSection dst;
  ASSERT_TRUE(dst.CreateSection(4, 4));
  StretchNearest(dst, dst.BoundsRect(), dst.BoundsRect(), src, src.BoundsRect());
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) ASSERT_EQ(PixelColor(dst.PixelAt(x, y)), PixelColor(src.PixelAt(x / 2, y / 2)));

  // 32-bit source: alpha 0 leaves the destination, 255 moves it to within one step.
  TQvPixelBuffer alpha;
  alpha.Allocate(PixelFormat32Alpha, TRect{0, 0, 2, 1});
  uint8_t* a = alpha.PixelAt(0, 0);
  const uint8_t pixels[8] = {200, 100, 0, 0, /**/ 200, 100, 0, 255};
  std::copy(pixels, pixels + 8, a);
  TDIBSection target;
  ASSERT_TRUE(target.CreateSection(4, 1));
  for (int x = 0; x < 4; ++x) MakeColor(50, 50, 50, target.PixelAt(x, 0));
  StretchNearest(target, target.BoundsRect(), target.BoundsRect(), alpha, alpha.BoundsRect());
  EXPECT_EQ(PixelColor(target.PixelAt(1, 0)), MakeColorValue(50, 50, 50));
  // d + floor(255 (s − d) / 256): blue 50 + 149 = 199, green 50 + 49 = 99, red 50 − 50 = 0.
  EXPECT_EQ(PixelColor(target.PixelAt(2, 0)), MakeColorValue(0, 99, 199));
}

TEST(UnscaledCopies, BlendOrDropAlphaAndClip) {
  TQvPixelBuffer src;
  src.Allocate(PixelFormat32Alpha, TRect{0, 0, 3, 1});
  const uint8_t bytes[12] = {10, 20, 30, 0, /**/ 10, 20, 30, 128, /**/ 10, 20, 30, 255};
  std::copy(bytes, bytes + 12, src.PixelAt(0, 0));

  TQvPixelBuffer blended, dropped;
  for (TQvPixelBuffer* dst : {&blended, &dropped}) {
    dst->Allocate(PixelFormat24, TRect{0, 0, 4, 1});
    for (int x = 0; x < 4; ++x) MakeColor(100, 100, 100, dst->PixelAt(x, 0));
  }
  // Lands on columns 1..3, clipped to columns 0..2.
  CopyBlend(blended, 1, 0, TRect{0, 0, 3, 1}, src, src.BoundsRect());
  CopyDropAlpha(dropped, 1, 0, TRect{0, 0, 3, 1}, src, src.BoundsRect());
  EXPECT_EQ(PixelColor(blended.PixelAt(0, 0)), MakeColorValue(100, 100, 100));
  EXPECT_EQ(PixelColor(blended.PixelAt(1, 0)), MakeColorValue(100, 100, 100));  // alpha 0
  EXPECT_EQ(PixelColor(blended.PixelAt(2, 0)), MakeColorValue(65, 60, 55));     // alpha 128
  EXPECT_EQ(PixelColor(blended.PixelAt(3, 0)), MakeColorValue(100, 100, 100));  // clipped
  EXPECT_EQ(PixelColor(dropped.PixelAt(1, 0)), MakeColorValue(30, 20, 10));
  EXPECT_EQ(PixelColor(dropped.PixelAt(2, 0)), MakeColorValue(30, 20, 10));
  EXPECT_EQ(PixelColor(dropped.PixelAt(3, 0)), MakeColorValue(100, 100, 100));
}
