#include "QvTextRender.h"
#include "QvTextSettings.h"

#include <QFontDatabase>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <vector>

static void PrintTo(const TRect& r, std::ostream* os) {
  *os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}

namespace {

// A 24-bit store over heap memory of exactly Stride × Height bytes, so that the sanitizer sees
// any access outside the rows. Pixels are filled with a pattern so that no two neighbours match.
class TImage : public TQvPixels {
public:
  TImage(int width, int height, uint32_t color = 0, bool pattern = false) {
    const int stride = RowStride(width, 24);
    FMemory.assign(size_t(stride) * size_t(height), 0);
    InitPixels(TRect{0, 0, width, height}, FMemory.data(), PixelFormat24, stride);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        MakeColor(pattern ? uint8_t(x * 7 + y) : ColorRed(color), pattern ? uint8_t(x ^ (y * 3)) : ColorGreen(color),
                  pattern ? uint8_t(y * 11 - x) : ColorBlue(color), PixelAt(x, y));
  }
  TImage(const TImage&) = delete;
  TImage& operator=(const TImage&) = delete;
  uint32_t At(int x, int y) const { return PixelColor(PixelAt(x, y)); }
  bool SameBytes(const TImage& other) const { return FMemory == other.FMemory; }

private:
  std::vector<uint8_t> FMemory;
};

QImage Mask(int width, int height, uint8_t value) {
  QImage mask(width, height, QImage::Format_Grayscale8);
  mask.fill(value);
  return mask;
}

TEST(TextSettings, SpinStepIsAHundredthRoundedHalvesToEven) {
  const struct {
    int32_t Size, Step;
  } cases[] = {{8, 1}, {50, 1}, {99, 1}, {149, 1}, {150, 2}, {249, 2}, {250, 2}, {251, 3}, {350, 4}, {400, 4}};
  for (const auto& c : cases) EXPECT_EQ(TextSizeStep(c.Size), c.Step) << "at " << c.Size;
}

TEST(TextSettings, ValuesFromOutsideAreBroughtIntoRange) {
  EXPECT_EQ(ClampTextFontSize(0), TextFontSizeMin);
  EXPECT_EQ(ClampTextFontSize(-5), TextFontSizeMin);
  EXPECT_EQ(ClampTextFontSize(100000), TextFontSizeMax);
  EXPECT_EQ(ClampTextFontSize(72), 72);
  EXPECT_EQ(ClampTextColorMode(1), TextColorInverted);
  EXPECT_EQ(ClampTextColorMode(7), TextColorSelected);
  EXPECT_EQ(ClampTextFontStyle(0x1F3), 3);
}

TEST(TextSettings, TheChosenColourIsStoredRedLowAndBlendedAsItsPixelValue) {
  TTextSettings settings;
  settings.Color = 0x0000FF;  // red, in the order the settings file keeps
  EXPECT_EQ(settings.ColorValue(), MakeColorValue(255, 0, 0));
  settings.Color = 0x123456;
  EXPECT_EQ(settings.ColorValue(), MakeColorValue(0x56, 0x34, 0x12));
  EXPECT_EQ(SwapRedBlue(settings.ColorValue()), 0x123456u);
}

TEST(TextSettings, DefaultFontChainEndsWithTheDesktopSerif) {
  const struct {
    const char* What;
    QStringList Families;
    QString Fallback;
    QString Chosen;
  } cases[] = {
      {"first of the chain", {"Arial", "Times New Roman", "Verdana"}, "Serif", "Times New Roman"},
      {"Verdana before Arial", {"Courier New", "Arial", "Verdana"}, "Serif", "Verdana"},
      {"case is ignored, the list's spelling kept", {"courier new"}, "Serif", "courier new"},
      {"the misspelt name is not a font", {"Veranda", "Bitstream"}, "DejaVu Serif", "DejaVu Serif"},
      {"no serif either: the first family", {"Bitstream"}, "", "Bitstream"},
      {"nothing at all", {}, "", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ChooseDefaultFont(c.Families, c.Fallback), c.Chosen) << c.What;
}

TEST(TextBlend, InvertedColoursAndMaximumContrast) {
  const struct {
    uint32_t Under;
    bool MaxInverse;
    uint32_t Result;
  } cases[] = {
      {MakeColorValue(128, 128, 128), true, MakeColorValue(0, 0, 0)},
      {MakeColorValue(127, 127, 127), true, MakeColorValue(255, 255, 255)},
      {MakeColorValue(128, 128, 128), false, MakeColorValue(127, 127, 127)},
      {MakeColorValue(200, 10, 128), true, MakeColorValue(0, 255, 0)},
      {MakeColorValue(200, 10, 128), false, MakeColorValue(55, 245, 127)},
  };
  for (const auto& c : cases) {
    TImage image(3, 2, c.Under);
    BlendTextMask(image, TRect{0, 0, 3, 2}, Mask(3, 2, 255),
                  TTextBlend{TextColorInverted, 0, c.MaxInverse, false, false});
    EXPECT_EQ(image.At(2, 1), c.Result) << std::hex << c.Under << " max " << c.MaxInverse;
  }
}

TEST(TextBlend, PartialOpacityBlendsLikeBlendPixel) {
  TImage image(4, 4, 0, true);
  TImage expected(4, 4, 0, true);
  const uint32_t color = MakeColorValue(250, 3, 90);
  BlendTextMask(image, TRect{0, 0, 4, 4}, Mask(4, 4, 77), TTextBlend{TextColorSelected, color, false, false, false});
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) BlendPixel(expected.PixelAt(x, y), 77, color);
  EXPECT_TRUE(image.SameBytes(expected));
}

TEST(TextBlend, MirroringPicksTheMaskPixelFromTheOtherSide) {
  // One lit mask pixel at the top-left corner of a 4 × 3 rectangle at (2, 1).
  QImage mask = Mask(4, 3, 0);
  mask.scanLine(0)[0] = 255;
  const struct {
    bool FlipH, FlipV;
    int X, Y;
  } cases[] = {{false, false, 2, 1}, {true, false, 5, 1}, {false, true, 2, 3}, {true, true, 5, 3}};
  for (const auto& c : cases) {
    TImage image(8, 6);
    BlendTextMask(image, TRect{2, 1, 6, 4}, mask, TTextBlend{TextColorSelected, 0xFFFFFF, false, c.FlipH, c.FlipV});
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 8; ++x)
        EXPECT_EQ(image.At(x, y), (x == c.X && y == c.Y) ? 0xFFFFFFu : 0u)
            << "flip " << c.FlipH << c.FlipV << " at " << x << "," << y;
  }
}

TEST(TextBlend, ARectangleHangingOverTheImageEdgeIsClipped) {
  TImage image(10, 10);
  BlendTextMask(image, TRect{-5, 7, 5, 17}, Mask(10, 10, 255), TTextBlend{TextColorSelected, 0xFFFFFF});
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) EXPECT_EQ(image.At(x, y), (x < 5 && y >= 7) ? 0xFFFFFFu : 0u) << x << "," << y;
  // A mask of another size than the rectangle draws nothing.
  TImage untouched(10, 10);
  BlendTextMask(untouched, TRect{0, 0, 4, 4}, Mask(3, 4, 255), TTextBlend{TextColorSelected, 0xFFFFFF});
  EXPECT_TRUE(untouched.SameBytes(TImage(10, 10)));
}

TEST(TextStretch, ConstantMasksStayConstantAtAnySize) {
  const struct {
    int W, H, ToW, ToH;
  } sizes[] = {{7, 5, 20, 13}, {20, 13, 7, 5}, {1, 1, 9, 3}, {300, 40, 3, 1}, {5, 5, 5, 5}};
  for (const auto& s : sizes)
    for (uint8_t value : {uint8_t(0), uint8_t(1), uint8_t(200), uint8_t(255)}) {
      QImage out;
      StretchMask(Mask(s.W, s.H, value), s.ToW, s.ToH, out);
      ASSERT_EQ(out.size(), QSize(s.ToW, s.ToH));
      for (int y = 0; y < s.ToH; ++y)
        for (int x = 0; x < s.ToW; ++x)
          ASSERT_EQ(out.constScanLine(y)[x], value) << s.W << "x" << s.H << "->" << s.ToW << "x" << s.ToH;
    }
}

TEST(TextStretch, EnlargingIsSmoothAndSymmetric) {
  // A hard edge, enlarged eightfold: a ramp (not blocks), and the mirror image of its mirror.
  QImage edge = Mask(2, 1, 0);
  edge.scanLine(0)[1] = 255;
  QImage out;
  StretchMask(edge, 16, 1, out);
  const uchar* row = out.constScanLine(0);
  int between = 0;
  for (int x = 0; x < 16; ++x) {
    if (x > 0) {
      EXPECT_GE(row[x], row[x - 1]);
    }
    EXPECT_NEAR(row[x] + row[15 - x], 255, 1) << x;
    between += row[x] > 0 && row[x] < 255;
  }
  EXPECT_GE(between, 6);
  // Shrinking averages: a one-pixel line in a 10-pixel cell is not lost, nor kept at full strength.
  QImage line = Mask(10, 1, 0);
  line.scanLine(0)[4] = 255;
  StretchMask(line, 1, 1, out);
  EXPECT_GT(out.constScanLine(0)[0], 0);
  EXPECT_LT(out.constScanLine(0)[0], 100);
}

TEST(TextStretch, NothingToStretchGivesNoMask) {
  QImage out = Mask(2, 2, 9);
  StretchMask(QImage(), 10, 10, out);
  EXPECT_TRUE(out.isNull());
  StretchMask(Mask(4, 4, 255), 0, 10, out);
  EXPECT_TRUE(out.isNull());
  StretchMask(Mask(4, 4, 255), 10, 0, out);
  EXPECT_TRUE(out.isNull());
}

// Text rendering needs the font system, which needs an application object.
class TextMask : public testing::Test {
protected:
  static void SetUpTestSuite() {
    if (QGuiApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_imaging";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);  // lives until the process ends
  }
  static QFont Font(int points) {
    TTextSettings settings;
    settings.FontName = DefaultTextFont();
    settings.FontSize = points;
    return settings.Font();
  }
};

TEST_F(TextMask, TheDefaultFontIsARealFont) {
  const QString name = DefaultTextFont();
  EXPECT_FALSE(name.isEmpty());
  EXPECT_TRUE(QFontDatabase::families().contains(name)) << name.toStdString();
}

TEST_F(TextMask, HeightEndsWithTheLastNonEmptyLine) {
  QImage one, trailing, gap;
  ASSERT_EQ(BuildTextMask({"Ab"}, Font(20), one), TTextMaskStatus::Built);
  ASSERT_EQ(BuildTextMask({"Ab", "", ""}, Font(20), trailing), TTextMaskStatus::Built);
  ASSERT_EQ(BuildTextMask({"Ab", "", "Cd", ""}, Font(20), gap), TTextMaskStatus::Built);
  EXPECT_EQ(trailing.size(), one.size());
  EXPECT_EQ(gap.height(), 3 * one.height());
  EXPECT_EQ(one.format(), QImage::Format_Grayscale8);
  // White text on black.
  int lit = 0;
  for (int y = 0; y < one.height(); ++y)
    for (int x = 0; x < one.width(); ++x) lit += one.constScanLine(y)[x] == 255;
  EXPECT_GT(lit, 10);
  EXPECT_EQ(one.constScanLine(0)[one.width() - 1], 0);
}

TEST_F(TextMask, NoVisibleTextGivesNoMask) {
  const QStringList empties[] = {{}, {""}, {"", "", ""}, {"   ", ""}};
  for (const QStringList& lines : empties) {
    QImage mask = Mask(3, 3, 255);
    EXPECT_EQ(BuildTextMask(lines, Font(32), mask), TTextMaskStatus::Empty) << lines.join('|').toStdString();
    EXPECT_TRUE(mask.isNull());
  }
}

TEST_F(TextMask, AMaskOverTheSizeLimitIsNotBuilt) {
  const struct {
    const char* What;
    QStringList Lines;
  } cases[] = {
      {"a long line at 400 points", {QString(100, 'W')}},
      {"many lines at 400 points", QStringList(40, QStringLiteral("W"))},
      {"a pasted book on one line", {QString(3'000'000, 'x')}},
  };
  for (const auto& c : cases) {
    QImage mask;
    EXPECT_EQ(BuildTextMask(c.Lines, Font(400), mask), TTextMaskStatus::TooLarge) << c.What;
    EXPECT_TRUE(mask.isNull()) << c.What;
  }
}

TEST_F(TextMask, LinesSplitAtEveryKindOfLineEnd) {
  EXPECT_EQ(SplitTextLines("a\r\nb\rc\nd\n"), (QStringList{"a", "b", "c", "d", ""}));
  EXPECT_EQ(SplitTextLines(""), QStringList{""});
}

TEST_F(TextMask, RendererRemovesEachDrawingBeforeTheNextAndLeavesNoTraces) {
  TImage backup(200, 100, 0, true);
  TImage image(200, 100, 0, true);
  TQvTextRenderer renderer;
  ASSERT_EQ(renderer.SetText({"Yalta"}, Font(24)), TTextMaskStatus::Built);
  const TTextBlend white{TextColorSelected, 0xFFFFFF};

  EXPECT_EQ(renderer.Render(image, backup, TRect{10, 10, 110, 50}, white), (TRect{10, 10, 110, 50}));
  EXPECT_FALSE(image.SameBytes(backup));
  EXPECT_TRUE(renderer.Rendered());
  // Moved and hanging over the right edge: the changed rectangle covers the old and the clipped new.
  EXPECT_EQ(renderer.Render(image, backup, TRect{150, 40, 250, 80}, white), (TRect{10, 10, 200, 80}));
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 150; ++x) ASSERT_EQ(image.At(x, y), backup.At(x, y)) << x << "," << y;
  EXPECT_EQ(renderer.Remove(image, backup), (TRect{150, 40, 200, 80}));
  EXPECT_TRUE(image.SameBytes(backup));
  EXPECT_FALSE(renderer.Rendered());
}

TEST_F(TextMask, NothingIsDrawnWithoutTextOrArea) {
  TImage backup(50, 50, 0, true);
  TImage image(50, 50, 0, true);
  TQvTextRenderer renderer;
  const TTextBlend white{TextColorSelected, 0xFFFFFF};
  EXPECT_EQ(renderer.SetText({"", ""}, Font(24)), TTextMaskStatus::Empty);
  EXPECT_EQ(renderer.Render(image, backup, TRect{0, 0, 40, 40}, white), TRect{});
  ASSERT_EQ(renderer.SetText({"Ab"}, Font(24)), TTextMaskStatus::Built);
  for (const TRect& flat : {TRect{5, 5, 5, 30}, TRect{5, 5, 30, 5}, TRect{60, 60, 90, 90}}) {
    EXPECT_FALSE(renderer.Render(image, backup, flat, white).IsEmpty() && renderer.Rendered());
    EXPECT_FALSE(renderer.Rendered());
    EXPECT_TRUE(image.SameBytes(backup));
  }
  // A text that has been drawn is taken out again when the text becomes empty.
  renderer.Render(image, backup, TRect{0, 0, 40, 40}, white);
  ASSERT_FALSE(image.SameBytes(backup));
  renderer.SetText({""}, Font(24));
  renderer.Render(image, backup, TRect{0, 0, 40, 40}, white);
  EXPECT_TRUE(image.SameBytes(backup));
}

}  // namespace

namespace {

TEST_F(TextMask, DrawnTextIsTheChosenColourAndMirrorsExactly) {
  TTextSettings settings;
  settings.FontName = DefaultTextFont();
  settings.FontSize = 40;
  settings.Color = 0x0000FF;  // red, stored red low
  const TRect rect{3, 2, 83, 42};
  TImage plain(90, 50), mirrored(90, 50);
  ASSERT_EQ(DrawTextInto(plain, {"Ry", "b"}, settings, rect, false, false), TTextMaskStatus::Built);
  ASSERT_EQ(DrawTextInto(mirrored, {"Ry", "b"}, settings, rect, true, true), TTextMaskStatus::Built);
  int red = 0;
  for (int y = rect.Top; y < rect.Bottom; ++y)
    for (int x = rect.Left; x < rect.Right; ++x) {
      const uint32_t c = plain.At(x, y);
      red += c == MakeColorValue(255, 0, 0);
      EXPECT_EQ(ColorGreen(c), 0);
      EXPECT_EQ(ColorBlue(c), 0);
      ASSERT_EQ(c, mirrored.At(rect.Right - 1 - (x - rect.Left), rect.Bottom - 1 - (y - rect.Top))) << x << "," << y;
    }
  EXPECT_GT(red, 20);
  // Nothing outside the rectangle.
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 90; ++x) {
      if (!rect.Contains(x, y)) {
        ASSERT_EQ(plain.At(x, y), 0u) << x << "," << y;
      }
    }
}

}  // namespace
