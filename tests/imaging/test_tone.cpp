#include "QvToneCorrection.h"

#include "retouch_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using retouch_test::TImage;
using retouch_test::TRgb;

namespace {

TQvPointList Points(std::initializer_list<QPoint> list) {
  TQvPointList points;
  for (const QPoint& p : list) points.Add(p);
  return points;
}

TEST(ClampRound, ClampsAndRoundsTiesToEven) {
  struct Case { double Y; int32_t Expected; } cases[] = {
      {-0.1, 0}, {0.4, 0}, {0.5, 0}, {1.5, 2}, {2.5, 2}, {127.5, 128}, {254.5, 254}, {255.0, 255},
      {255.2, 255}, {1e300, 255}, {-std::numeric_limits<double>::infinity(), 0},
      {std::numeric_limits<double>::quiet_NaN(), 0}};
  for (const Case& c : cases) EXPECT_EQ(ClampRound(255, c.Y), c.Expected) << c.Y;
}

TEST(LineSegment, VerticalLineHasNoSlopeAndFillsNothing) {
  TQvLineSegment line;
  line.SetStart({100, 0});
  line.SetEnd({100, 255});
  EXPECT_FALSE(line.Update());
  EXPECT_TRUE(std::isinf(line.Slope()) && line.Slope() > 0);
  EXPECT_TRUE(std::isinf(line.Intercept()) && line.Intercept() < 0);
  TQvLUT table(256, 7);
  line.Fill(255, table, 255, 0);
  EXPECT_EQ(table, TQvLUT(256, 7));
}

TEST(LineSegment, FillStartsAtCeilOfStartAndStaysInsideTheTable) {
  TQvLineSegment line;
  line.SetStart({0, 0});
  line.SetEnd({10, 10});
  TQvLUT table(8, -1);
  line.Fill(255, table, 1000, 2.5);
  EXPECT_EQ(table, (TQvLUT{-1, -1, -1, 3, 4, 5, 6, 7}));
}

TEST(BuildLUT, NeedsExactlyTwoPoints) {
  for (const TQvPointList& points : {Points({}), Points({{0, 0}}), Points({{0, 0}, {128, 128}, {255, 255}})}) {
    TQvLUT table(3, 1);
    EXPECT_EQ(BuildLUT(points, 255, table), QvResultFail);
    EXPECT_TRUE(table.empty());
  }
  TQvLUT table;
  EXPECT_EQ(BuildLUT(Points({{0, 0}, {255, 255}}), 255, table), QvResultOk);
  ASSERT_EQ(table.size(), 256u);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(table[size_t(i)], i);
}

// The tone tables of the slider values, against the closed forms
// K >= 0: ClampRound((i - K + B) * 255 / (255 - 2K)); K < 0: ClampRound(-K + (i + B) * (255 + 2K) / 255).
TEST(ToneTable, ManualCurves) {
  struct Case {
    TBrightnessContrastSettings Settings;
    std::vector<std::pair<int, int>> Entries;
  } cases[] = {
      {{0, 0}, {{0, 0}, {1, 1}, {128, 128}, {255, 255}}},
      {{20, 0}, {{0, 20}, {100, 120}, {235, 255}, {250, 255}}},
      {{0, 50}, {{0, 0}, {50, 0}, {128, 128}, {205, 255}, {255, 255}}},
      {{0, -50}, {{0, 50}, {128, 128}, {255, 205}}},
      {{-127, 127}, {{0, 0}, {254, 0}, {255, 255}}},
  };
  for (const Case& c : cases) {
    const TQvLUT table = ToneTable(c.Settings);
    ASSERT_EQ(table.size(), 256u);
    for (auto [in, out] : c.Entries)
      EXPECT_EQ(table[size_t(in)], out) << "B " << c.Settings.Brightness << " K " << c.Settings.Contrast << " at " << in;
  }
  for (int b : {-127, -40, 0, 33, 127})
    for (int k : {-127, -50, -1, 0, 1, 50, 126}) {
      const TQvLUT table = ToneTable(TBrightnessContrastSettings{b, k});
      for (int i = 0; i < 256; ++i) {
        const double y = k >= 0 ? (i - k + b) * 255.0 / (255 - 2 * k) : -k + (i + b) * (255.0 + 2 * k) / 255;
        EXPECT_NEAR(table[size_t(i)], ClampRound(255, y), 1) << b << " " << k << " " << i;
      }
    }
}

TEST(ToneTable, ManualPoints) {
  TQvPointList points;
  ManualTonePoints({0, 50}, points);
  EXPECT_EQ(points.Points(), (std::vector<QPoint>{{50, 0}, {205, 255}}));
  ManualTonePoints({0, -50}, points);
  EXPECT_EQ(points.Points(), (std::vector<QPoint>{{0, 50}, {255, 205}}));
  ManualTonePoints({20, 0}, points);
  EXPECT_EQ(points.Points(), (std::vector<QPoint>{{-20, 0}, {235, 255}}));
}

struct TAutoCase {
  const char* Name;
  std::vector<TRgb> Pixels;  // scanned in this order
  int MinV, MaxV, Brightness, Contrast;
};

TEST(AutoTone, Scan) {
  const TAutoCase cases[] = {
      {"worked example", {{10, 20, 30}, {200, 210, 240}}, 10, 240, 2, 13},
      {"black image", {{0, 0, 0}, {0, 0, 0}}, 0, 255, 0, 0},
      {"white image", {{255, 255, 255}, {255, 255, 255}}, 0, 255, 0, 0},
      // Only record pixels count: (5, 5, 5) after the darker (1, 2, 3) sets no new darkest sum, and
      // (100, 1, 1) is not darker than (30, 30, 30), so its 1 is never seen.
      {"only records", {{30, 30, 30}, {1, 2, 3}, {5, 5, 5}, {100, 1, 1}, {250, 200, 100}}, 1, 250, 2, 3},
      // Black and white pixels take part in neither test.
      {"black and white ignored", {{0, 0, 0}, {255, 255, 255}, {40, 60, 80}, {90, 100, 110}}, 40, 110, 52, 93},
  };
  for (const TAutoCase& c : cases) {
    TImage image(int(c.Pixels.size()), 1);
    for (size_t i = 0; i < c.Pixels.size(); ++i) image.Set(int(i), 0, c.Pixels[i]);
    const TAutoTone tone = ScanAutoTone(image);
    EXPECT_EQ(tone.MinV, c.MinV) << c.Name;
    EXPECT_EQ(tone.MaxV, c.MaxV) << c.Name;
    EXPECT_EQ(tone.Settings, (TBrightnessContrastSettings{c.Brightness, c.Contrast})) << c.Name;
  }
}

TEST(AutoTone, WorkedExampleTableMapsTheRangeToFull) {
  TImage image(2, 1);
  image.Set(0, 0, {10, 20, 30});
  image.Set(1, 0, {200, 210, 240});
  TQvPointList points;
  AutoTonePoints(ScanAutoTone(image), points);
  const TQvLUT table = ToneTable(points);
  EXPECT_EQ(table[10], 0);
  EXPECT_EQ(table[240], 255);
  EXPECT_EQ(table[0], 0);
  EXPECT_EQ(table[255], 255);
}

// Regression: a curve without slope (one grey) left the table at zero and blackened the image; a
// falling one (record ranges that cross) inverted it into a threshold.
TEST(AutoTone, MinNotBelowMaxLeavesTheImageAsItIs) {
  const std::vector<std::vector<TRgb>> images = {
      {{128, 128, 128}, {128, 128, 128}},
      {{255, 0, 0}, {255, 0, 50}, {0, 0, 100}},
  };
  for (const auto& pixels : images) {
    TImage image(int(pixels.size()), 1);
    for (size_t i = 0; i < pixels.size(); ++i) image.Set(int(i), 0, pixels[i]);
    const TAutoTone tone = ScanAutoTone(image);
    EXPECT_FALSE(tone.Stretches()) << tone.MinV << " " << tone.MaxV;
    EXPECT_TRUE(tone.Settings.IsIdentity());
    TQvPointList points;
    AutoTonePoints(tone, points);
    TImage result(image);
    ApplyToneTable(result, image, ToneTable(points));
    EXPECT_TRUE(result.SameAs(image));
  }
}

// The bands scanned on different threads are merged as if one thread had scanned the image.
TEST(AutoTone, ThreadCountDoesNotChangeTheResult) {
  TImage image(300, 301);
  image.Texture(9);
  // A darker pixel late in the image, a lighter one early; the later bands' own records must
  // not count once an earlier band has beaten them.
  image.Set(5, 290, {3, 2, 4});
  image.Set(7, 10, {254, 250, 253});
  const TAutoTone one = ScanAutoTone(image, 1);
  for (int threads : {2, 3, 7, 64}) {
    const TAutoTone many = ScanAutoTone(image, threads);
    EXPECT_EQ(many.MinV, one.MinV) << threads;
    EXPECT_EQ(many.MaxV, one.MaxV) << threads;
  }
}

// The scan as one loop over the pixels in order, the way the records are defined.
std::pair<int, int> PlainScan(const TImage& image) {
  int minSum = 765, maxSum = 0, minV = 255, maxV = 0;
  for (int y = 0; y < image.Height; ++y)
    for (int x = 0; x < image.Width; ++x) {
      const TRgb c = image.Get(x, y);
      const int sum = c.Red + c.Green + c.Blue;
      if (sum > 0 && sum < minSum) {
        minSum = sum;
        for (int v : {c.Red, c.Green, c.Blue})
          if (v > 0) minV = std::min(minV, v);
      }
      if (sum < 765 && sum > maxSum) {
        maxSum = sum;
        for (int v : {c.Red, c.Green, c.Blue})
          if (v < 255) maxV = std::max(maxV, v);
      }
    }
  return {minV == 255 ? 0 : minV, maxV == 0 ? 255 : maxV};
}

// Odd and even widths, records in neighbouring pixels and at the ends of rows, falling and rising
// runs of sums: the scan finds what the plain loop finds.
TEST(AutoTone, MatchesThePlainScan) {
  for (int width : {1, 2, 3, 8, 11, 12, 19, 101, 333}) {
    for (int seed : {0, 1, 2}) {
      TImage image(width, 37);
      for (int y = 0; y < 37; ++y)
        for (int x = 0; x < width; ++x) {
          const int k = (x * 131 + y * 71 + seed * 17) % 509;
          // Mostly mid tones, with falling and rising runs towards the ends and a few pure
          // blacks and whites.
          const int base = k % 11 == 0 ? 0 : k % 13 == 0 ? 255 : 40 + (k * 7) % 180;
          image.Set(x, y, {base, std::clamp(base + (k % 5) - 2, 0, 255), std::clamp(base - (k % 3), 0, 255)});
        }
      image.Set(width - 1, 20, {1, 0, 2});
      image.Set(0, 21, {254, 255, 253});
      if (width > 1) {
        image.Set(width - 2, 30, {2, 0, 1});
        image.Set(width - 1, 30, {1, 1, 0});
      }
      const auto expected = PlainScan(image);
      for (int threads : {1, 2, 5}) {
        const TAutoTone tone = ScanAutoTone(image, threads);
        EXPECT_EQ(tone.MinV, expected.first) << width << " " << seed << " " << threads;
        EXPECT_EQ(tone.MaxV, expected.second) << width << " " << seed << " " << threads;
      }
    }
  }
}

TEST(ApplyToneTable, WritesTheTableOfTheSourceIntoTheCommonPart) {
  TImage backup(300, 300);  // large enough for the work to be split
  backup.Texture(1);
  TImage current(300, 300, {1, 2, 3});
  const TQvLUT table = ToneTable(TBrightnessContrastSettings{20, 0});
  for (int threads : {1, 2}) {
    ApplyToneTable(current, backup, table, threads);
    for (int y = 0; y < 300; y += 7)
      for (int x = 0; x < 300; x += 3) {
        const TRgb in = backup.Get(x, y), out = current.Get(x, y);
        ASSERT_EQ(out, (TRgb{std::min(255, in.Red + 20), std::min(255, in.Green + 20), std::min(255, in.Blue + 20)}))
            << x << "," << y;
      }
  }
  // Repeated adjustments do not accumulate: the table always reads the backup.
  ApplyToneTable(current, backup, ToneTable(TBrightnessContrastSettings{}), 2);
  EXPECT_TRUE(current.SameAs(backup));
  // A short table changes nothing.
  ApplyToneTable(current, backup, TQvLUT(10, 0));
  EXPECT_TRUE(current.SameAs(backup));
}

TEST(ApplyToneTable, MatchesPixelsByCoordinates) {
  TImage backup(4, 4, {100, 100, 100});
  TImage window(2, 2, {9, 9, 9}, 3, 3);  // overlaps only at (3, 3)
  ApplyToneTable(window, backup, ToneTable(TBrightnessContrastSettings{20, 0}));
  EXPECT_EQ(window.Get(3, 3), (TRgb{120, 120, 120}));
  EXPECT_EQ(window.Get(4, 4), (TRgb{9, 9, 9}));
}

}  // namespace
