#include "QvBitmap.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A recognisable byte for every channel of every pixel (x, y) of an image.
uint8_t Pattern(int x, int y, int channel) { return uint8_t(x * 7 + y * 31 + channel * 101 + 1); }

void FillPattern(TQvPixels& pixels) {
  for (int y = pixels.Top; y < pixels.Top + pixels.Height; ++y)
    for (int x = pixels.Left; x < pixels.Left + pixels.Width; ++x)
      for (int c = 0; c < pixels.BytesPerPixel; ++c) pixels.PixelAt(x, y)[c] = Pattern(x, y, c);
}

bool HoldsPattern(const TQvPixels& pixels, int x, int y) {
  const uint8_t* p = pixels.PixelAt(x, y);
  return p[0] == Pattern(x, y, 0) && p[1] == Pattern(x, y, 1) && p[2] == Pattern(x, y, 2);
}

bool IsZero(const TQvPixels& pixels, int x, int y) {
  const uint8_t* p = pixels.PixelAt(x, y);
  return p[0] == 0 && p[1] == 0 && p[2] == 0;
}

}  // namespace

TEST(PixelFormat, BitsPerPixelAndRowStride) {
  struct Case {
    TQvPixelFormat format;
    int bits;
  };
  const Case cases[] = {
      {PixelFormat24, 24}, {PixelFormat32Alpha, 32}, {0x0001, 8},  {0x0006, 32}, {0x0106, 40},
      {0x0022, 48},        {0x0032, 48},             {0x0042, 96}, {0x0000, 0},  {0x0009, 0},
      {0x100F, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(BitsPerPixel(c.format), c.bits) << std::hex << c.format;

  struct StrideCase {
    int width, bits, stride;
  };
  const StrideCase strides[] = {{1, 24, 4}, {2, 24, 8}, {3, 24, 12}, {5, 24, 16}, {4, 24, 12},
                                {3, 32, 12}, {0, 24, 0}, {-3, 24, 0}, {7, 0, 0}};
  for (const StrideCase& c : strides) EXPECT_EQ(RowStride(c.width, c.bits), c.stride) << c.width << "x" << c.bits;
}

TEST(ColorHelpers, MulDivRoundsHalvesAwayFromZero) {
  struct Case {
    int a, b, c, result;
  };
  const Case cases[] = {{10, 1, 4, 3}, {-10, 1, 4, -3}, {9, 1, 4, 2}, {400, 100, 300, 133}, {5, 2, 0, -1},
                        {300, 100, 400, 75}, {7, -1, 2, -4}};
  for (const Case& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.result) << c.a << "*" << c.b << "/" << c.c;
}

TEST(ColorHelpers, BlendsDivideBy256RoundingDown) {
  uint8_t pixel[3];
  BlendColor(128, pixel, MakeColorValue(255, 255, 255), MakeColorValue(0, 0, 0));
  EXPECT_EQ(pixel[ChannelRed], 127);
  BlendColor(128, pixel, MakeColorValue(0, 0, 0), MakeColorValue(255, 255, 255));
  EXPECT_EQ(pixel[ChannelRed], 127);  // 255 − 128
  BlendColor(0, pixel, MakeColorValue(1, 2, 3), MakeColorValue(4, 5, 6));
  EXPECT_EQ(PixelColor(pixel), MakeColorValue(4, 5, 6));
  BlendColor(255, pixel, MakeColorValue(1, 2, 3), MakeColorValue(4, 5, 6));
  EXPECT_EQ(PixelColor(pixel), MakeColorValue(1, 2, 3));

  // Every alpha lands between the two inputs, for rising and falling channels.
  for (int alpha = 0; alpha <= 255; ++alpha) {
    MakeColor(10, 200, 77, pixel);
    BlendPixel(pixel, alpha, MakeColorValue(250, 3, 77));
    EXPECT_GE(pixel[ChannelRed], 10);
    EXPECT_LE(pixel[ChannelRed], 250);
    EXPECT_GE(pixel[ChannelGreen], 3);
    EXPECT_LE(pixel[ChannelGreen], 200);
    EXPECT_EQ(pixel[ChannelBlue], 77);
    if (alpha > 0 && alpha < 255) {
      EXPECT_EQ(pixel[ChannelRed], 10 + (alpha * 240 >> 8));
    }
  }
  MakeColor(9, 9, 9, pixel);
  BlendPixel(pixel, 0, MakeColorValue(200, 200, 200));
  EXPECT_EQ(PixelColor(pixel), MakeColorValue(9, 9, 9));
}

TEST(ColorHelpers, ScaleColorClampsInsteadOfWrapping) {
  uint8_t pixel[3];
  ScaleColor(1, 2, pixel, MakeColorValue(200, 101, 3));
  EXPECT_EQ(PixelColor(pixel), MakeColorValue(100, 51, 2));
  ScaleColor(2, 1, pixel, MakeColorValue(200, 100, 0));
  EXPECT_EQ(PixelColor(pixel), MakeColorValue(255, 200, 0));
}

TEST(ColorHelpers, FitSize) {
  struct Case {
    int w, h, maxW, maxH;
    bool ok;
    int newW, newH;
  };
  const Case cases[] = {
      {400, 300, 100, 100, true, 100, 75}, {300, 400, 100, 100, true, 75, 100},
      {100, 100, 100, 100, true, 100, 100}, {1, 1000, 50, 50, true, 0, 50},
      {400, 300, 0, 100, false, -7, -7},    {400, 300, 100, 0, false, -7, -7},
      // A source with a zero side has no aspect ratio: refused rather than negative sizes.
      {0, 300, 100, 100, false, -7, -7},    {400, 0, 100, 100, false, -7, -7},
  };
  for (const Case& c : cases) {
    int newW = -7, newH = -7;
    EXPECT_EQ(FitSize(c.w, c.h, c.maxW, c.maxH, newW, newH), c.ok) << c.w << "x" << c.h;
    EXPECT_EQ(newW, c.newW) << c.w << "x" << c.h;
    EXPECT_EQ(newH, c.newH) << c.w << "x" << c.h;
  }
}

TEST(PageBlocks, ZeroFilledAndWholeUpToTheLastByte) {
  // Small and large blocks take different paths (large ones are aligned for 2 MiB pages).
  for (size_t size : {size_t(1), size_t(4096), size_t(5000), size_t(4) << 20, (size_t(9) << 20) + 12}) {
    auto* block = static_cast<uint8_t*>(QvAllocPages(size));
    ASSERT_NE(block, nullptr) << size;
    for (size_t i = 0; i < size; i += 997) ASSERT_EQ(block[i], 0) << size;
    EXPECT_EQ(block[size - 1], 0);
    std::memset(block, 0xAB, size);
    EXPECT_EQ(block[size - 1], 0xAB);
    QvFreePages(block, size);
  }
  EXPECT_EQ(QvAllocPages(0), nullptr);
}

TEST(PixelBuffer, WindowOntoImageCoordinates) {
  TQvPixelBuffer image;
  ASSERT_TRUE(image.Allocate(PixelFormat24, TRect{0, 0, 50, 60}));
  FillPattern(image);

  TQvPixelBuffer part;
  ASSERT_TRUE(part.Allocate(PixelFormat24, TRect{10, 20, 30, 40}));
  EXPECT_EQ(part.PixelAt(10, 20), part.Bits);
  EXPECT_EQ(part.Stride, 60);
  part.CopyFrom(image);
  for (int y = 20; y < 40; ++y)
    for (int x = 10; x < 30; ++x) ASSERT_TRUE(HoldsPattern(part, x, y)) << x << "," << y;

  // And back: only the part's window changes in the image.
  TQvPixelBuffer blank;
  ASSERT_TRUE(blank.Allocate(PixelFormat24, TRect{0, 0, 50, 60}));
  blank.CopyFrom(part);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 50; ++x)
      ASSERT_TRUE(PtInRect(TRect{10, 20, 30, 40}, x, y) ? HoldsPattern(blank, x, y) : IsZero(blank, x, y));
}

TEST(PixelBuffer, CopyRectClipsBothSides) {
  struct Case {
    const char* name;
    int dstX, dstY;
    TRect srcRect;
  };
  // The source covers (0,0)-(8,6), the destination (4,2)-(12,9).
  const Case cases[] = {
      {"inside both", 5, 3, TRect{1, 1, 4, 3}},
      {"source rect sticks out of the source", 4, 2, TRect{-3, -2, 5, 4}},
      {"lands partly outside the destination", 10, 7, TRect{0, 0, 8, 6}},
      {"lands entirely outside", 20, 20, TRect{0, 0, 8, 6}},
  };
  for (const Case& c : cases) {
    TQvPixelBuffer src, dst;
    src.Allocate(PixelFormat24, TRect{0, 0, 8, 6});
    dst.Allocate(PixelFormat24, TRect{4, 2, 12, 9});
    FillPattern(src);
    dst.CopyRect(c.dstX, c.dstY, src, c.srcRect);
    const int dx = c.dstX - c.srcRect.Left, dy = c.dstY - c.srcRect.Top;
    for (int y = 2; y < 9; ++y)
      for (int x = 4; x < 12; ++x) {
        const int sx = x - dx, sy = y - dy;
        const bool copied = PtInRect(c.srcRect, sx, sy) && PtInRect(src.BoundsRect(), sx, sy);
        const uint8_t* p = dst.PixelAt(x, y);
        if (copied)
          ASSERT_TRUE(p[0] == Pattern(sx, sy, 0) && p[2] == Pattern(sx, sy, 2)) << c.name << " " << x << "," << y;
        else
          ASSERT_TRUE(IsZero(dst, x, y)) << c.name << " " << x << "," << y;
      }
  }
}

TEST(PixelBuffer, CopyBetweenFormatsChangesNothing) {
  TQvPixelBuffer src, dst;
  src.Allocate(PixelFormat32Alpha, TRect{0, 0, 4, 4});
  dst.Allocate(PixelFormat24, TRect{0, 0, 4, 4});
  EXPECT_EQ(src.BytesPerPixel, 4);
  FillPattern(src);
  dst.CopyFrom(src);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_TRUE(IsZero(dst, x, y));
}

TEST(PixelBuffer, SetBounds) {
  TQvPixelBuffer buffer;
  buffer.SetBounds(TRect{0, 0, 4, 4}, false);
  FillPattern(buffer);
  uint8_t* const before = buffer.Bits;

  // Equal bounds: nothing happens, even without keep.
  buffer.SetBounds(TRect{0, 0, 4, 4}, false);
  EXPECT_EQ(buffer.Bits, before);
  EXPECT_TRUE(HoldsPattern(buffer, 3, 3));

  buffer.SetBounds(TRect{2, 2, 6, 6}, true);
  EXPECT_EQ(buffer.BoundsRect(), (TRect{2, 2, 6, 6}));
  for (int y = 2; y < 6; ++y)
    for (int x = 2; x < 6; ++x)
      EXPECT_TRUE(x < 4 && y < 4 ? HoldsPattern(buffer, x, y) : IsZero(buffer, x, y)) << x << "," << y;

  buffer.SetBounds(TRect{0, 0, 5, 5}, false);
  EXPECT_TRUE(IsZero(buffer, 3, 3));

  buffer.SetBounds(TRect{3, 3, 3, 10}, true);
  EXPECT_EQ(buffer.Bits, nullptr);
  EXPECT_EQ(buffer.Width, 0);

  buffer.Release();
  EXPECT_EQ(buffer.BoundsRect(), TRect{});
  EXPECT_EQ(buffer.Stride, 0);
}

TEST(DIBSection, PaintSurfaceSharesThePixels) {
  TDIBSection section;
  ASSERT_TRUE(section.CreateSection(5, 3));
  EXPECT_EQ(section.Stride, 16);
  ASSERT_FALSE(section.Image().isNull());
  {
    QPainter painter(&section.Image());
    painter.fillRect(QRect(1, 1, 2, 1), QColor(10, 20, 30));
  }
  EXPECT_EQ(PixelColor(section.PixelAt(1, 1)), MakeColorValue(10, 20, 30));
  EXPECT_EQ(PixelColor(section.PixelAt(2, 1)), MakeColorValue(10, 20, 30));
  EXPECT_TRUE(IsZero(section, 3, 1));
  EXPECT_EQ(section.Image().constBits(), section.Bits);

  QImage target(5, 3, QImage::Format_RGB32);
  target.fill(Qt::white);
  {
    QPainter painter(&target);
    section.Draw(&painter, 0, 0);
  }
  EXPECT_EQ(target.pixelColor(2, 1), QColor(10, 20, 30));

  section.ReleaseSection();
  EXPECT_EQ(section.Bits, nullptr);
  EXPECT_TRUE(section.Image().isNull());
  EXPECT_TRUE(section.CreateSection(0, 7));
  EXPECT_EQ(section.Bits, nullptr);
}

TEST(PixelMask, GrowsWithoutLosingValues) {
  TQvPixelMask mask;
  mask.SetBounds(2, 3, 2, 2);
  *mask.ValueAt(2, 3) = 9;
  *mask.ValueAt(3, 4) = 200;
  EXPECT_EQ(mask.ValueAt(1, 3), nullptr);
  EXPECT_EQ(mask.ValueAt(4, 4), nullptr);
  EXPECT_EQ(mask.ValueAt(3, 5), nullptr);

  mask.Include(TRect{10, 10, 12, 11});
  EXPECT_EQ(mask.BoundsRect(), (TRect{2, 3, 12, 11}));
  EXPECT_EQ(*mask.ValueAt(2, 3), 9);
  EXPECT_EQ(*mask.ValueAt(3, 4), 200);
  EXPECT_EQ(*mask.ValueAt(7, 7), 0);
  EXPECT_EQ(*mask.ValueAt(11, 10), 0);

  TQvPixelMask other;
  other.SetBounds(0, 4, 4, 1);
  for (int x = 0; x < 4; ++x) *other.ValueAt(x, 4) = 100;
  mask.MergeMax(other);
  EXPECT_EQ(mask.BoundsRect(), (TRect{0, 3, 12, 11}));
  EXPECT_EQ(*mask.ValueAt(3, 4), 200);
  EXPECT_EQ(*mask.ValueAt(2, 4), 100);
  EXPECT_EQ(*mask.ValueAt(0, 4), 100);
  EXPECT_EQ(*mask.ValueAt(2, 3), 9);

  TQvPixelMask copy(mask);
  EXPECT_EQ(*copy.ValueAt(3, 4), 200);
  EXPECT_NE(copy.Values, mask.Values);

  mask.SetBounds(5, 5, -3, 4);
  EXPECT_EQ(mask.Width, 0);
  EXPECT_EQ(mask.Values, nullptr);
  EXPECT_EQ(mask.ValueAt(5, 5), nullptr);
  mask.Include(TRect{1, 1, 3, 2});
  EXPECT_EQ(mask.BoundsRect(), (TRect{1, 1, 3, 2}));
  EXPECT_EQ(*mask.ValueAt(2, 1), 0);
}
