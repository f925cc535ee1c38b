#include "QvLTBitmap.h"
#include "QvPixelTransforms.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Rows of single-letter pixels: the letter goes into all three channels.
std::unique_ptr<TQvLTBitmap> MakeLetters(const std::vector<std::string>& rows) {
  auto bitmap = std::make_unique<TQvLTBitmap>();
  const int height = int(rows.size()), width = int(rows[0].size());
  EXPECT_TRUE(bitmap->Allocate(width, height, PixelFormat24));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint8_t v = uint8_t(rows[size_t(y)][size_t(x)]);
      MakeColor(v, uint8_t(v + 1), uint8_t(v + 2), bitmap->Pixels()->PixelAt(x, y));
    }
  return bitmap;
}

std::vector<std::string> Letters(const TQvLTBitmap& bitmap) {
  std::vector<std::string> rows;
  for (int y = 0; y < bitmap.Height(); ++y) {
    std::string row;
    for (int x = 0; x < bitmap.Width(); ++x) {
      const uint8_t* p = bitmap.Pixels()->PixelAt(x, y);
      const bool consistent = p[ChannelGreen] == uint8_t(p[ChannelRed] + 1) && p[ChannelBlue] == uint8_t(p[ChannelRed] + 2);
      row += consistent ? char(p[ChannelRed]) : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

// Deterministic content for byte comparisons.
void FillTexture(TQvPixels& pixels) {
  for (int y = 0; y < pixels.Height; ++y)
    for (int x = 0; x < pixels.Width; ++x)
      MakeColor(uint8_t(x * 13 + y), uint8_t(x ^ y), uint8_t(y * 7 + x * x), pixels.PixelAt(x, y));
}

bool SameBytes(const TQvPixels& a, const TQvPixels& b) {
  if (a.Width != b.Width || a.Height != b.Height) return false;
  for (int y = 0; y < a.Height; ++y)
    if (std::memcmp(a.PixelAt(0, y), b.PixelAt(0, y), size_t(a.Width) * 3) != 0) return false;
  return true;
}

using Operation = bool (TQvLTBitmap::*)();

}  // namespace

TEST(LTBitmap, TurnsAndFlipsOfALetterImage) {
  struct Case {
    const char* name;
    Operation operation;
    std::vector<std::string> expected;
  };
  const std::vector<std::string> source = {"abc", "def"};
  const Case cases[] = {
      {"RotateLeft", &TQvLTBitmap::RotateLeft, {"cf", "be", "ad"}},
      {"RotateRight", &TQvLTBitmap::RotateRight, {"da", "eb", "fc"}},
      {"FlipHorizontal", &TQvLTBitmap::FlipHorizontal, {"cba", "fed"}},
      {"FlipVertical", &TQvLTBitmap::FlipVertical, {"def", "abc"}},
  };
  for (const Case& c : cases) {
    auto bitmap = MakeLetters(source);
    ASSERT_TRUE(((*bitmap).*c.operation)()) << c.name;
    EXPECT_EQ(Letters(*bitmap), c.expected) << c.name;
    EXPECT_EQ(bitmap->Image().width(), bitmap->Width()) << c.name;
    EXPECT_EQ(bitmap->Image().constBits(), bitmap->Pixels()->Bits) << c.name;
  }
}

TEST(LTBitmap, InverseOperationsRestoreTheBytes) {
  struct Case {
    const char* name;
    Operation first, second;
  };
  const Case cases[] = {
      {"left then right", &TQvLTBitmap::RotateLeft, &TQvLTBitmap::RotateRight},
      {"right then left", &TQvLTBitmap::RotateRight, &TQvLTBitmap::RotateLeft},
      {"flip horizontal twice", &TQvLTBitmap::FlipHorizontal, &TQvLTBitmap::FlipHorizontal},
      {"flip vertical twice", &TQvLTBitmap::FlipVertical, &TQvLTBitmap::FlipVertical},
  };
  // Odd sizes give padded rows whose strides differ before and after a turn; 150 × 70 spans
  // several copy blocks with partial ones at the edges.
  for (const auto& size : {std::pair{5, 3}, std::pair{150, 70}, std::pair{1, 9}}) {
    for (const Case& c : cases) {
      TQvLTBitmap bitmap;
      ASSERT_TRUE(bitmap.Allocate(size.first, size.second));
      FillTexture(*bitmap.Pixels());
      auto original = bitmap.Clone();
      ASSERT_TRUE((bitmap.*c.first)());
      ASSERT_TRUE((bitmap.*c.second)());
      EXPECT_TRUE(SameBytes(*bitmap.Pixels(), *original->Pixels())) << c.name << " " << size.first;
    }
  }
}

TEST(LTBitmap, TurnsAreTheSameOnAnyThreadCount) {
  TQvPixelBuffer src;
  // Large enough to be split between threads, with a partial tile at each edge.
  src.Allocate(PixelFormat24, TRect{0, 0, 301, 257});
  FillTexture(src);
  TQvPixelBuffer one, two;
  for (auto turn : {&RotateLeft24, &RotateRight24}) {
    one.Allocate(PixelFormat24, TRect{0, 0, 257, 301});
    two.Allocate(PixelFormat24, TRect{0, 0, 257, 301});
    turn(src, one, 1);
    turn(src, two, 2);
    EXPECT_TRUE(SameBytes(one, two));
  }
  // And against the definition of a right turn: (x, y) goes to (H − 1 − y, x).
  RotateRight24(src, one, 2);
  for (int y = 0; y < 257; ++y)
    for (int x = 0; x < 301; ++x)
      ASSERT_EQ(PixelColor(one.PixelAt(256 - y, x)), PixelColor(src.PixelAt(x, y))) << x << "," << y;
}

TEST(LTBitmap, OtherFormatsAreNotTurned) {
  TQvLTBitmap bitmap;
  ASSERT_TRUE(bitmap.Allocate(3, 2, PixelFormat32Alpha));
  bitmap.Pixels()->PixelAt(2, 1)[ChannelAlpha] = 77;
  uint8_t* const bits = bitmap.Pixels()->Bits;
  for (Operation operation : {&TQvLTBitmap::RotateLeft, &TQvLTBitmap::RotateRight,
                              &TQvLTBitmap::FlipHorizontal, &TQvLTBitmap::FlipVertical}) {
    EXPECT_FALSE((bitmap.*operation)());
    EXPECT_EQ(bitmap.Pixels()->Bits, bits);
    EXPECT_EQ(bitmap.Width(), 3);
    EXPECT_EQ(bitmap.Pixels()->PixelAt(2, 1)[ChannelAlpha], 77);
  }
}

TEST(LTBitmap, CropKeepsTheOverlapAtTheOrigin) {
  struct Case {
    TRect rect;
    bool ok;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {TRect{1, 0, 3, 2}, true, {"bc", "fg"}},
      {TRect{-5, 1, 2, 9}, true, {"ef", "ij"}},
      {TRect{3, 2, 10, 10}, true, {"l"}},
      {TRect{4, 0, 9, 3}, false, {"abcd", "efgh", "ijkl"}},
      {TRect{1, 1, 1, 3}, false, {"abcd", "efgh", "ijkl"}},
  };
  for (const Case& c : cases) {
    auto bitmap = MakeLetters({"abcd", "efgh", "ijkl"});
    EXPECT_EQ(bitmap->Crop(c.rect), c.ok);
    EXPECT_EQ(Letters(*bitmap), c.expected);
    TRect bounds;
    bitmap->GetBounds(bounds);
    EXPECT_EQ(bounds, (TRect{0, 0, int(c.expected[0].size()), int(c.expected.size())}));
  }
}

TEST(LTBitmap, ResizeAndBufferExchange) {
  TQvLTBitmap bitmap;
  ASSERT_TRUE(bitmap.Allocate(31, 17));
  FillTexture(*bitmap.Pixels());
  auto original = bitmap.Clone();

  ASSERT_TRUE(bitmap.Resize(31, 17));
  EXPECT_TRUE(SameBytes(*bitmap.Pixels(), *original->Pixels()));
  ASSERT_TRUE(bitmap.Resize(10, 40));
  EXPECT_EQ(bitmap.Width(), 10);
  EXPECT_EQ(bitmap.Height(), 40);
  EXPECT_EQ(bitmap.Pixels()->Stride, 32);

  TQvPixelBuffer buffer;
  TQvLTBitmap::CopyToBuffer(*original, buffer);
  EXPECT_EQ(buffer.BoundsRect(), (TRect{0, 0, 31, 17}));
  EXPECT_TRUE(SameBytes(buffer, *original->Pixels()));
  ASSERT_TRUE(bitmap.AssignBuffer(buffer));
  EXPECT_TRUE(SameBytes(*bitmap.Pixels(), *original->Pixels()));

  bitmap.Release();
  EXPECT_EQ(bitmap.Pixels(), nullptr);
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_FALSE(bitmap.RotateLeft());
  EXPECT_FALSE(bitmap.Allocate(0, 5));
  EXPECT_FALSE(bitmap.Allocate(5, 5, 0x0009));
  EXPECT_EQ(bitmap.Pixels(), nullptr);
}

TEST(LTBitmap, PaintsTheLiveRowsWithoutACopy) {
  TQvLTBitmap bitmap;
  ASSERT_TRUE(bitmap.Allocate(4, 2));
  // Written after creation: painting must show it, so Qt reads the program's memory.
  MakeColor(200, 10, 20, bitmap.Pixels()->PixelAt(1, 0));
  MakeColor(5, 6, 7, bitmap.Pixels()->PixelAt(3, 1));

  QImage target(8, 4, QImage::Format_RGB32);
  target.fill(Qt::white);
  {
    QPainter painter(&target);
    EXPECT_TRUE(bitmap.Paint(&painter, TRect{0, 0, 8, 4}, nullptr, nullptr));
  }
  EXPECT_EQ(target.pixelColor(2, 0), QColor(200, 10, 20));
  EXPECT_EQ(target.pixelColor(3, 1), QColor(200, 10, 20));
  EXPECT_EQ(target.pixelColor(7, 3), QColor(5, 6, 7));

  // Only the clip rectangle is painted; a source rectangle picks part of the image.
  target.fill(Qt::white);
  {
    QPainter painter(&target);
    const TRect source{1, 0, 2, 1}, clip{0, 0, 2, 2};
    EXPECT_TRUE(bitmap.Paint(&painter, TRect{0, 0, 4, 4}, &source, &clip));
  }
  EXPECT_EQ(target.pixelColor(1, 1), QColor(200, 10, 20));
  EXPECT_EQ(target.pixelColor(3, 3), QColor(Qt::white));

  target.fill(Qt::white);
  {
    QPainter painter(&target);
    EXPECT_TRUE(bitmap.Print(&painter, TRect{0, 0, 4, 2}));
  }
  EXPECT_EQ(target.pixelColor(3, 1), QColor(5, 6, 7));

  TQvLTBitmap empty;
  QPainter painter(&target);
  EXPECT_FALSE(empty.Paint(&painter, TRect{0, 0, 4, 4}, nullptr, nullptr));
  EXPECT_FALSE(empty.Print(&painter, TRect{0, 0, 4, 4}));
}
