#include "RedEyeSelection.h"

#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

// Readable rectangles and points in failure messages.
static void PrintTo(const TRect& r, std::ostream* os) {
  *os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}
static void PrintTo(const TPoint& p, std::ostream* os) { *os << "(" << p.X << ", " << p.Y << ")"; }

namespace {

struct TRgb {
  int Red, Green, Blue;
  friend bool operator==(const TRgb&, const TRgb&) = default;
};

std::ostream& operator<<(std::ostream& os, const TRgb& c) {
  return os << "(" << c.Red << ", " << c.Green << ", " << c.Blue << ")";
}

const TRgb kGrey{128, 128, 128};
const TRgb kRed{255, 0, 0};

// A 24-bit store over heap memory of exactly Stride x Height bytes, so that the sanitizer sees
// any access outside the rows.
class TTestImage : public TQvPixels {
public:
  TTestImage(int width, int height, TRgb color, int left = 0, int top = 0) {
    const int stride = RowStride(width, 24);
    FMemory.assign(std::size_t(stride) * height, 0);
    InitPixels(TRect{left, top, left + width, top + height}, FMemory.data(), PixelFormat24, stride);
    Fill(BoundsRect(), color);
  }
  TTestImage(const TTestImage&) = delete;
  TTestImage& operator=(const TTestImage&) = delete;

  void Fill(const TRect& rect, TRgb color) {
    for (int y = rect.Top; y < rect.Bottom; ++y)
      for (int x = rect.Left; x < rect.Right; ++x)
        Set(x, y, color);
  }
  void Set(int x, int y, TRgb c) {
    uint8_t* p = PixelAt(x, y);
    p[ChannelRed] = uint8_t(c.Red);
    p[ChannelGreen] = uint8_t(c.Green);
    p[ChannelBlue] = uint8_t(c.Blue);
  }
  TRgb Get(int x, int y) const {
    const uint8_t* p = PixelAt(x, y);
    return TRgb{p[ChannelRed], p[ChannelGreen], p[ChannelBlue]};
  }
  const std::vector<uint8_t>& Memory() const { return FMemory; }

private:
  std::vector<uint8_t> FMemory;
};

// Tool defaults: area size 176, formula "1", border 0.
constexpr int kThreshold = 255 - 176;

std::vector<TPoint> Members(const TQvPixelRegion& region) {
  std::vector<TPoint> points;
  region.ForEachRun([&](int y, int left, int right) {
    for (int x = left; x < right; ++x)
      points.push_back(TPoint{x, y});
  });
  return points;
}

} // namespace

// The darkening loop of the correction, lowering R' one step at a time while
// brightness <= (R' / h)^2 x R, as an exact scalar reference for the closed form.
TEST(RedEyeCorrection, DarkenedRedMatchesTheStepwiseLoop) {
  for (int brightness : {1, 2, 50, 128, 255, 1000})
    for (int red = 0; red < 256; ++red)
      for (int h = 0; h <= 510; ++h) {
        const int green = std::min(h, 255), blue = h - green;
        const int64_t hh = std::max(1, h);
        int64_t r = red;
        while (r > 0 && int64_t(brightness) * hh * hh <= r * r * red)
          --r;
        ASSERT_EQ(DarkenedRed(uint8_t(red), uint8_t(green), uint8_t(blue), brightness), r)
            << "red " << red << " green+blue " << h << " brightness " << brightness;
      }
}

// A red square with a one-pixel-wide spike on top: it offers every coverage level of the soft
// edge at known places.
class RedEyeLollipop : public ::testing::Test {
protected:
  static constexpr TRect kSquare{10, 10, 20, 20};
  static constexpr TRect kSpike{15, 5, 16, 10};

  RedEyeLollipop() : FDetect(40, 40, kGrey) {
    FDetect.Fill(kSquare, kRed);
    FDetect.Fill(kSpike, kRed);
    FSelection.Select(FDetect, TPoint{15, 15}, kThreshold, 0, TRedEyeSelection::FormulaCubic);
  }

  TTestImage FDetect;
  TRedEyeSelection FSelection;
};

TEST_F(RedEyeLollipop, DetectsTheShapeAndItsSoftEdgeBox) {
  TQvPixelRegion expected = TQvPixelRegion::FromRect(kSquare);
  expected.Unite(TQvPixelRegion::FromRect(kSpike));
  EXPECT_EQ(FSelection.Region(), expected);
  EXPECT_EQ(FSelection.Channel(), (TRedEyeChannel{0, 0, 1}));
  EXPECT_EQ(FSelection.GetBounds(), (TRect{9, 4, 21, 21}));
  EXPECT_EQ(FSelection.Window(), (TRect{0, 0, 40, 40}));
}

TEST_F(RedEyeLollipop, CoverageAndCorrectionAtEachEdgeLevel) {
  const struct {
    const char* where;
    TPoint at;
    int coverage;
    TRgb corrected;  // of (200, 50, 40) at brightness 50
  } cases[] = {
      {"deep inside", {15, 15}, 255, {44, 44, 40}},
      {"inside, upper three outside", {12, 10}, 191, {83, 45, 40}},
      {"outside, one edge", {15, 4}, 31, {181, 49, 40}},
      {"outside, one corner", {9, 9}, 15, {190, 49, 40}},
      {"outside, untouched", {8, 8}, 0, {200, 50, 40}},
  };
  TTestImage current(40, 40, TRgb{200, 50, 40});
  CorrectRedEye(current, FSelection, 50);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.where);
    EXPECT_EQ(FSelection.Coverage(c.at.X, c.at.Y), c.coverage);
    EXPECT_EQ(current.Get(c.at.X, c.at.Y), c.corrected);
  }
  // Nothing outside the soft edge moves.
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      if (FSelection.Coverage(x, y) == 0) {
        ASSERT_EQ(current.Get(x, y), (TRgb{200, 50, 40})) << x << ", " << y;
      }
    }
}

TEST_F(RedEyeLollipop, FullCoverageByColourAndBrightness) {
  const struct {
    TRgb color;
    int brightness;
    TRgb corrected;
  } cases[] = {
      {{200, 50, 40}, 50, {44, 44, 40}},
      {{200, 50, 40}, 0, {6, 6, 6}},       // 0 counts as 1
      {{200, 50, 40}, -7, {6, 6, 6}},      // so does a negative value, instead of never ending
      {{200, 50, 40}, 255, {101, 50, 40}},
      {{255, 0, 0}, 0, {0, 0, 0}},         // h = 1: black at any brightness
      {{255, 0, 0}, 50, {0, 0, 0}},
      {{255, 0, 0}, 255, {0, 0, 0}},
      {{120, 100, 90}, 50, {120, 100, 90}},  // (120 / 190)^2 x 120 < 50: untouched
      {{0, 0, 0}, 50, {0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.color << " at brightness " << c.brightness);
    TTestImage current(40, 40, c.color);
    CorrectRedEye(current, FSelection, c.brightness);
    EXPECT_EQ(current.Get(15, 15), c.corrected);
  }
}

TEST(RedEyeDetection, DominantChannelOfTheBlock) {
  const struct {
    const char* name;
    TRgb color;
    TRedEyeChannel channel;
  } cases[] = {
      {"red", {200, 50, 40}, {0, 0, 1}},
      {"green", {50, 200, 40}, {0, 1, 0}},
      {"blue", {40, 50, 200}, {1, 0, 0}},
      {"grey picks blue", {100, 100, 100}, {1, 0, 0}},
      {"red tied with green is not red", {100, 100, 50}, {0, 1, 0}},
      {"red tied with blue is not red", {100, 50, 100}, {1, 0, 0}},
      {"green tied with blue picks blue", {10, 60, 60}, {1, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TTestImage image(20, 20, c.color);
    TRedEyeSelection selection;
    selection.Select(image, TPoint{10, 10}, kThreshold, 0, TRedEyeSelection::FormulaCubic);
    EXPECT_EQ(selection.Channel(), c.channel);
  }
}

TEST(RedEyeDetection, ChannelIsVotedByTheWholeBlock) {
  // A red seed pixel among eight green neighbours: the block is green.
  TTestImage image(20, 20, TRgb{20, 200, 20});
  image.Set(10, 10, TRgb{255, 0, 0});
  TRedEyeSelection selection;
  selection.Select(image, TPoint{10, 10}, kThreshold, 0, TRedEyeSelection::FormulaCubic);
  EXPECT_EQ(selection.Channel(), (TRedEyeChannel{0, 1, 0}));
  // Green eye-shine is found like red: the green field (F = 200, E = 40) is one patch.
  EXPECT_FALSE(selection.Region().Contains(10, 10));
  EXPECT_TRUE(selection.Region().Contains(11, 10));
  EXPECT_EQ(selection.Region().PixelCount(), 18 * 18 - 1);
}

TEST(RedEyeDetection, AreaSize255FillsTheUsableWindow) {
  const struct {
    const char* name;
    int formula;
    TPoint seed;
    TRect region;
  } cases[] = {
      {"formula 1, far from the edges", TRedEyeSelection::FormulaCubic, {200, 150}, {114, 64, 286, 236}},
      {"formula 2, far from the edges", TRedEyeSelection::FormulaRatio, {200, 150}, {114, 64, 286, 236}},
      {"near the top-left corner", TRedEyeSelection::FormulaCubic, {3, 5}, {1, 1, 89, 91}},
      {"near the bottom-right corner", TRedEyeSelection::FormulaCubic, {398, 298}, {312, 212, 399, 299}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TTestImage image(400, 300, kGrey);
    image.Fill(TRect{0, 0, 400, 100}, TRgb{0, 0, 0});  // even black passes at threshold 0
    TRedEyeSelection selection;
    selection.Select(image, c.seed, 0, 0, c.formula);
    EXPECT_EQ(selection.Region(), TQvPixelRegion::FromRect(c.region));
  }
}

TEST(RedEyeDetection, SearchIsCappedByTheWindow) {
  TTestImage image(400, 400, kRed);
  TRedEyeSelection selection;
  selection.Select(image, TPoint{200, 200}, kThreshold, 0, TRedEyeSelection::FormulaCubic);
  EXPECT_EQ(selection.Window(), (TRect{113, 113, 287, 287}));
  EXPECT_EQ(selection.Region(), TQvPixelRegion::FromRect(TRect{114, 114, 286, 286}));
  EXPECT_EQ(selection.GetBounds(), (TRect{113, 113, 287, 287}));
}

TEST(RedEyeDetection, SimilarityFormula) {
  TTestImage image(30, 30, TRgb{150, 60, 60});
  image.Set(11, 10, TRgb{150, 62, 60});  // differs by 2 in green
  image.Set(9, 9, TRgb{151, 59, 61});    // differs by 1 everywhere
  const struct {
    const char* name;
    int areaSize;
    std::vector<TPoint> expected;  // row by row
  } cases[] = {
      {"area 0: the seed alone", 0, {{10, 10}}},
      {"area 35: limit 0, the seed alone", 35, {{10, 10}}},
      {"area 36: limit still 0", 36, {{10, 10}}},
      {"area 37: limit 1, the 3 x 3 block without the pixel 2 away in green", 37,
       {{9, 9}, {10, 9}, {11, 9}, {9, 10}, {10, 10}, {9, 11}, {10, 11}, {11, 11}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRedEyeSelection selection;
    selection.Select(image, TPoint{10, 10}, 255 - c.areaSize, 0, TRedEyeSelection::FormulaSimilar);
    const std::vector<TPoint> members = Members(selection.Region());
    ASSERT_EQ(members.size(), c.expected.size());
    for (std::size_t i = 0; i < members.size(); ++i)
      EXPECT_EQ(members[i], c.expected[i]) << "member " << i;
  }
  // A wide limit follows the colour but not past sqrt(distance) <= limit: area 45 gives limit 5,
  // so at most 25 pixels from the seed.
  TRedEyeSelection selection;
  selection.Select(image, TPoint{10, 10}, 255 - 45, 0, TRedEyeSelection::FormulaSimilar);
  EXPECT_EQ(selection.Region(), TQvPixelRegion::FromRect(TRect{1, 1, 29, 29}));
}

TEST(RedEyeDetection, BorderGrowsOrShrinksTheRegion) {
  const struct {
    const char* name;
    int border;
    std::vector<TRect> red;  // painted on grey
    TPoint seed;
    std::vector<TRect> expected;
  } cases[] = {
      {"+2 grows in all eight directions", 2, {{20, 20, 25, 25}}, {22, 22}, {{18, 18, 27, 27}}},
      {"-1 peels one ring", -1, {{20, 20, 25, 25}}, {22, 22}, {{21, 21, 24, 24}}},
      {"-1 drops one-pixel-wide parts", -1, {{20, 20, 25, 25}, {25, 22, 35, 23}}, {22, 22},
       {{21, 21, 24, 24}}},
      {"-3 erases a 5 x 5 square", -3, {{20, 20, 25, 25}}, {22, 22}, {}},
      {"+2 stops at the shrunk window (image corner)", 2, {{0, 0, 6, 6}}, {2, 2}, {{1, 1, 8, 8}}},
      {"+5 of the full window stays in it", 5, {{0, 0, 60, 60}}, {30, 30}, {{1, 1, 59, 59}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TTestImage image(60, 60, kGrey);
    for (const TRect& r : c.red)
      image.Fill(r, kRed);
    TQvPixelRegion expected;
    for (const TRect& r : c.expected)
      expected.Unite(TQvPixelRegion::FromRect(r));
    TRedEyeSelection selection;
    selection.Select(image, c.seed, kThreshold, c.border, TRedEyeSelection::FormulaCubic);
    EXPECT_EQ(selection.Region(), expected);
    EXPECT_EQ(selection.Border(), c.border);
  }
}

// A border far outside the tool's range must neither hang nor overflow: past the window's size it
// changes nothing more.
TEST(RedEyeDetection, HugeBordersEndAndSaturate) {
  TTestImage image(60, 60, kGrey);
  image.Fill(TRect{20, 20, 25, 25}, kRed);
  TRedEyeSelection selection;
  selection.Select(image, TPoint{22, 22}, kThreshold, INT_MAX, TRedEyeSelection::FormulaCubic);
  EXPECT_EQ(selection.Region(), TQvPixelRegion::FromRect(TRect{1, 1, 59, 59}));
  selection.Select(image, TPoint{22, 22}, kThreshold, INT_MIN, TRedEyeSelection::FormulaCubic);
  EXPECT_TRUE(selection.Region().IsEmpty());
}

TEST(RedEyeDetection, FillIsFourConnectedExceptAroundTheSeed) {
  TTestImage image(40, 40, kGrey);
  image.Fill(TRect{10, 10, 15, 15}, kRed);
  image.Fill(TRect{15, 15, 20, 20}, kRed);  // touches the first square at one corner only
  TRedEyeSelection selection;
  selection.Select(image, TPoint{12, 12}, kThreshold, 0, TRedEyeSelection::FormulaCubic);
  EXPECT_EQ(selection.Region(), TQvPixelRegion::FromRect(TRect{10, 10, 15, 15}));

  // A grey seed whose only red neighbour is diagonal still starts the fill there.
  selection.Select(image, TPoint{9, 9}, kThreshold, 0, TRedEyeSelection::FormulaCubic);
  EXPECT_EQ(selection.Channel(), (TRedEyeChannel{0, 0, 1}));
  EXPECT_EQ(selection.Region(), TQvPixelRegion::FromRect(TRect{10, 10, 15, 15}));
}

TEST(RedEyeDetection, SeedsOnAndOutsideTheImageEdges) {
  const int width = 50, height = 40;
  const struct {
    TPoint seed;
    bool finds;
  } cases[] = {
      {{25, 20}, true},   {{0, 0}, true},           {{49, 39}, true},
      {{0, 20}, true},    {{25, 39}, true},         {{-1, 20}, false},
      {{50, 20}, false},  {{25, -1}, false},        {{25, 40}, false},
      {{-2, -2}, false},  {{INT_MIN, INT_MIN}, false}, {{INT_MAX, INT_MAX}, false},
      {{INT_MIN, 20}, false}, {{25, INT_MAX}, false},
  };
  const TRect interior{1, 1, width - 1, height - 1};
  for (int formula : {TRedEyeSelection::FormulaCubic, TRedEyeSelection::FormulaSimilar})
    for (const auto& c : cases) {
      SCOPED_TRACE(::testing::Message() << "seed " << c.seed.X << ", " << c.seed.Y << " formula "
                                        << formula);
      TTestImage image(width, height, kRed);
      TRedEyeSelection selection;
      selection.Select(image, c.seed, formula == TRedEyeSelection::FormulaSimilar ? 0 : kThreshold, 2,
                       formula);
      EXPECT_EQ(!selection.Region().IsEmpty(), c.finds);
      TQvPixelRegion outside = selection.Region();
      outside.Subtract(TQvPixelRegion::FromRect(interior));
      EXPECT_TRUE(outside.IsEmpty()) << "the outermost ring never joins";

      // The soft edge reaches the outermost ring but no further.
      TTestImage current(width, height, TRgb{200, 50, 40});
      CorrectRedEye(current, selection, 50);
      if (!c.finds) {
        EXPECT_EQ(current.Memory(), TTestImage(width, height, TRgb{200, 50, 40}).Memory());
      }
    }
}

// The selection is reused for every click: nothing of a large earlier result may leak into the
// next one.
TEST(RedEyeDetection, ReusedSelectionMatchesAFreshOne) {
  TTestImage image(300, 300, kGrey);
  image.Fill(TRect{100, 100, 110, 108}, kRed);
  TRedEyeSelection reused;
  reused.Select(image, TPoint{150, 150}, 0, 4, TRedEyeSelection::FormulaCubic);
  ASSERT_EQ(reused.Region().PixelCount(), 172 * 172);
  reused.Select(image, TPoint{104, 104}, kThreshold, 0, TRedEyeSelection::FormulaCubic);
  TRedEyeSelection fresh;
  fresh.Select(image, TPoint{104, 104}, kThreshold, 0, TRedEyeSelection::FormulaCubic);
  EXPECT_EQ(reused.Region(), fresh.Region());
  EXPECT_EQ(reused.Region(), TQvPixelRegion::FromRect(TRect{100, 100, 110, 108}));
  EXPECT_EQ(reused.GetBounds(), fresh.GetBounds());
  // Coverage far away, up to the int limits, is simply 0.
  for (const TPoint& p : {TPoint{INT_MAX, INT_MAX}, TPoint{INT_MIN, INT_MIN}, TPoint{INT_MAX, 104}})
    EXPECT_EQ(reused.Coverage(p.X, p.Y), 0);
}

TEST(RedEyeDetection, EmptyDetectionChangesNothing) {
  TTestImage detect(40, 40, kGrey);
  TRedEyeSelection selection;
  selection.Select(detect, TPoint{20, 20}, kThreshold, 3, TRedEyeSelection::FormulaCubic);
  EXPECT_TRUE(selection.Region().IsEmpty());
  EXPECT_EQ(selection.GetBounds(), TRect{});
  TTestImage current(40, 40, TRgb{200, 50, 40});
  const std::vector<uint8_t> before = current.Memory();
  CorrectRedEye(current, selection, 50);
  EXPECT_EQ(current.Memory(), before);
}

TEST(RedEyeDetection, RefusedInputsDetectNothing) {
  TTestImage image(40, 40, kRed);
  TRedEyeSelection selection;
  for (int formula : {-1, 3, INT_MAX}) {
    selection.Select(image, TPoint{20, 20}, 0, 0, formula);
    EXPECT_TRUE(selection.Region().IsEmpty()) << "formula " << formula;
  }
  TQvPixels other = image;
  other.Format = PixelFormat32Alpha;
  other.BytesPerPixel = 4;
  selection.Select(other, TPoint{20, 20}, 0, 0, TRedEyeSelection::FormulaCubic);
  EXPECT_TRUE(selection.Region().IsEmpty());
  // Extreme thresholds neither overflow nor misbehave.
  selection.Select(image, TPoint{20, 20}, INT_MIN, 0, TRedEyeSelection::FormulaSimilar);
  EXPECT_EQ(selection.Region(), TQvPixelRegion::FromRect(TRect{1, 1, 39, 39}));
  selection.Select(image, TPoint{20, 20}, INT_MAX, 0, TRedEyeSelection::FormulaCubic);
  EXPECT_TRUE(selection.Region().IsEmpty());
}

TEST(RedEyeDetection, StoresAwayFromTheOriginUseImageCoordinates) {
  TTestImage image(40, 30, kGrey, 100, 50);
  image.Fill(TRect{110, 60, 115, 66}, kRed);
  TRedEyeSelection selection;
  selection.Select(image, TPoint{112, 62}, kThreshold, 0, TRedEyeSelection::FormulaCubic);
  EXPECT_EQ(selection.Region(), TQvPixelRegion::FromRect(TRect{110, 60, 115, 66}));
  EXPECT_EQ(selection.GetBounds(), (TRect{109, 59, 116, 67}));
}

TEST(RedEyeDetection, ClearForgetsRegionAndStore) {
  TTestImage image(40, 40, kRed);
  TRedEyeSelection selection;
  selection.Select(image, TPoint{20, 20}, kThreshold, 0, TRedEyeSelection::FormulaCubic);
  ASSERT_FALSE(selection.Region().IsEmpty());
  selection.Clear();
  EXPECT_TRUE(selection.Region().IsEmpty());
  EXPECT_EQ(selection.Pixels(), nullptr);
  EXPECT_EQ(selection.GetBounds(), TRect{});
}

// Correcting a store smaller than the searched one must stay inside the smaller store's memory.
TEST(RedEyeCorrection, StoreOfAnotherSizeIsWrittenOnlyWhereItHasPixels) {
  TTestImage detect(60, 60, kGrey);
  detect.Fill(TRect{15, 15, 25, 25}, kRed);
  TRedEyeSelection selection;
  selection.Select(detect, TPoint{20, 20}, kThreshold, 0, TRedEyeSelection::FormulaCubic);
  TTestImage small(20, 20, TRgb{200, 50, 40});
  CorrectRedEye(small, selection, 50);
  EXPECT_EQ(small.Get(19, 19), (TRgb{44, 44, 40}));
  EXPECT_EQ(small.Get(14, 14), (TRgb{190, 49, 40}));
  EXPECT_EQ(small.Get(13, 13), (TRgb{200, 50, 40}));
}

// The one diagnostic line per detection, silent unless its logging category is switched on.
TEST(RedEyeDetection, TraceLineOnlyWhenEnabled) {
  static QStringList lines;
  lines.clear();
  const QtMessageHandler previous = qInstallMessageHandler(
      [](QtMsgType, const QMessageLogContext& context, const QString& message) {
        if (QByteArray(context.category) == "ocuvane.imaging.redeye")
          lines << message;
      });
  TTestImage image(40, 40, kGrey);
  image.Fill(TRect{10, 10, 15, 15}, kRed);
  TRedEyeSelection selection;
  selection.Select(image, TPoint{12, 12}, kThreshold, 0, TRedEyeSelection::FormulaCubic);
  EXPECT_TRUE(lines.isEmpty());

  QLoggingCategory::setFilterRules(QStringLiteral("ocuvane.imaging.redeye.debug=true"));
  selection.Select(image, TPoint{12, 12}, kThreshold, 0, TRedEyeSelection::FormulaCubic);
  QLoggingCategory::setFilterRules(QString());
  qInstallMessageHandler(previous);
  ASSERT_EQ(lines.size(), 1);
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^Stack iterations: \\d+ Time: \\d+$"))
                  .match(lines.front())
                  .hasMatch())
      << lines.front().toStdString();
}
