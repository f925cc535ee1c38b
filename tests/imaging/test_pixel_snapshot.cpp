// Shared pixel memory: a frozen block keeps its pixels and stays writable, every view starts with
// the frozen pixels, and no writer, the block or a view, ever changes what another one sees.

#include "QvBitmap.h"
#include "QvLTBitmap.h"
#include "QvPixelSnapshot.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <cstring>

namespace {

int OpenFiles() {
  int Count = 0;
  if (DIR* D = opendir("/proc/self/fd")) {
    while (readdir(D)) ++Count;
    closedir(D);
  }
  return Count;
}

// Fills every byte of P with a pattern that differs from row to row.
void Pattern(TQvPixels& P, uint8_t Seed) {
  for (int32_t Y = 0; Y < P.Height; ++Y)
    for (int32_t I = 0; I < P.Width * 3; ++I) P.Bits[ptrdiff_t(Y) * P.Stride + I] = uint8_t(Seed + Y * 7 + I);
}

bool HasPattern(const TQvPixels& P, uint8_t Seed) {
  for (int32_t Y = 0; Y < P.Height; ++Y)
    for (int32_t I = 0; I < P.Width * 3; ++I)
      if (P.Bits[ptrdiff_t(Y) * P.Stride + I] != uint8_t(Seed + Y * 7 + I)) return false;
  return true;
}

class PixelSnapshot : public ::testing::Test {
 protected:
  void SetUp() override { TQvLTBitmap::SharedBlockThreshold = 0; }
  void TearDown() override {
    TQvLTBitmap::SharedBlockThreshold = size_t(4) << 20;
    QvSetAllocationFailure({});
  }
};

TEST_F(PixelSnapshot, ViewsStartWithTheFrozenPixelsAndNoWriterChangesAnother) {
  // 300 rows of 900 bytes: several pages, so that a write to one page leaves the others shared.
  TQvLTBitmap Image;
  ASSERT_TRUE(Image.Allocate(300, 300));
  Pattern(*Image.Pixels(), 1);
  const auto Snapshot = Image.Freeze();
  ASSERT_TRUE(Snapshot);
  EXPECT_TRUE(HasPattern(*Image.Pixels(), 1)) << "freezing moved or lost the pixels";

  TQvPixelBuffer Backup;
  ASSERT_TRUE(Backup.AdoptView(*Snapshot, PixelFormat24, TRect{0, 0, 300, 300}));
  TQvLTBitmap Original;
  ASSERT_TRUE(Original.AdoptView(*Snapshot, 300, 300, PixelFormat24));
  EXPECT_TRUE(HasPattern(Backup, 1));
  EXPECT_TRUE(HasPattern(*Original.Pixels(), 1));
  EXPECT_EQ(Original.Image().pixel(5, 7), Image.Image().pixel(5, 7));

  // The frozen block itself is written: the views keep the old pixels.
  std::memset(Image.Pixels()->PixelAt(10, 150), 0xEE, 30);
  EXPECT_TRUE(HasPattern(Backup, 1));
  EXPECT_TRUE(HasPattern(*Original.Pixels(), 1));
  // A view is written: neither the block nor the other view sees it.
  Pattern(Backup, 9);
  EXPECT_TRUE(HasPattern(*Original.Pixels(), 1));
  EXPECT_EQ(Image.Pixels()->PixelAt(10, 150)[0], 0xEE);
  EXPECT_EQ(Image.Pixels()->PixelAt(0, 0)[0], 1);
  // A view made after all that still holds what was frozen.
  TQvPixelBuffer Late;
  ASSERT_TRUE(Late.AdoptView(*Snapshot, PixelFormat24, TRect{0, 0, 300, 300}));
  EXPECT_TRUE(HasPattern(Late, 1));
}

TEST_F(PixelSnapshot, OnlyAnUnfrozenSharedBlockFreezesAndNothingIsLeftOpen) {
  const int FilesBefore = OpenFiles();
  {
    TQvLTBitmap Image;
    ASSERT_TRUE(Image.Allocate(64, 64));
    EXPECT_TRUE(QvIsSharedBlock(Image.Pixels()->Bits));
    const auto Snapshot = Image.Freeze();
    ASSERT_TRUE(Snapshot);
    EXPECT_FALSE(QvIsSharedBlock(Image.Pixels()->Bits));
    EXPECT_FALSE(Image.Freeze()) << "a block froze twice";
    TQvPixelBuffer View;
    ASSERT_TRUE(View.AdoptView(*Snapshot, PixelFormat24, TRect{0, 0, 64, 64}));
    // A layout larger than what was frozen is refused, and the buffer stays as it was.
    EXPECT_FALSE(View.AdoptView(*Snapshot, PixelFormat24, TRect{0, 0, 640, 640}));
    EXPECT_EQ(View.Width, 64);

    TQvLTBitmap::SharedBlockThreshold = size_t(1) << 30;
    TQvLTBitmap Plain;
    ASSERT_TRUE(Plain.Allocate(64, 64));
    EXPECT_FALSE(QvIsSharedBlock(Plain.Pixels()->Bits));
    EXPECT_FALSE(Plain.Freeze());
    TQvPixelBuffer Buffer;
    ASSERT_TRUE(Buffer.Allocate(PixelFormat24, TRect{0, 0, 8, 8}));
    EXPECT_FALSE(TQvPixelSnapshot::Freeze(Buffer.Bits, Buffer.BlockSize()));
  }
  EXPECT_EQ(OpenFiles(), FilesBefore) << "an in-memory file outlived its images";
}

TEST_F(PixelSnapshot, AFailedViewLeavesTheStoreAsItWas) {
  TQvLTBitmap Image;
  ASSERT_TRUE(Image.Allocate(40, 30));
  Pattern(*Image.Pixels(), 3);
  const auto Snapshot = Image.Freeze();
  ASSERT_TRUE(Snapshot);
  TQvLTBitmap Other;
  ASSERT_TRUE(Other.Allocate(10, 10));
  Pattern(*Other.Pixels(), 5);
  QvSetAllocationFailure([](size_t) { return true; });
  EXPECT_FALSE(Other.AdoptView(*Snapshot, 40, 30, PixelFormat24));
  TQvLTBitmap Fresh;
  EXPECT_FALSE(Fresh.Allocate(10, 10));
  QvSetAllocationFailure({});
  ASSERT_EQ(Other.Width(), 10);
  EXPECT_TRUE(HasPattern(*Other.Pixels(), 5));
}

TEST_F(PixelSnapshot, AViewDiscardedForOverwritingLeavesTheFrozenPixelsAlone) {
  TQvLTBitmap Image;
  ASSERT_TRUE(Image.Allocate(400, 300));
  Pattern(*Image.Pixels(), 2);
  EXPECT_FALSE(QvDiscardForOverwrite(*Image.Pixels())) << "an unfrozen block lost its file";
  const auto Snapshot = Image.Freeze();
  ASSERT_TRUE(Snapshot);
  TQvLTBitmap Other;
  ASSERT_TRUE(Other.AdoptView(*Snapshot, 400, 300, PixelFormat24));
  ASSERT_TRUE(QvDiscardForOverwrite(*Image.Pixels()));
  Pattern(*Image.Pixels(), 8);
  EXPECT_TRUE(HasPattern(*Image.Pixels(), 8));
  EXPECT_TRUE(HasPattern(*Other.Pixels(), 2));
  TQvPixelBuffer Late;
  ASSERT_TRUE(Late.AdoptView(*Snapshot, PixelFormat24, TRect{0, 0, 400, 300}));
  EXPECT_TRUE(HasPattern(Late, 2));
  TQvPixelBuffer Plain;
  ASSERT_TRUE(Plain.Allocate(PixelFormat24, TRect{0, 0, 8, 8}));
  EXPECT_FALSE(QvDiscardForOverwrite(Plain));
}

}  // namespace

namespace {

// A copy into a shared block goes through its file: the same pixels as a plain copy, whether
// the rows are laid out alike or not, and they freeze and share as any others. Memory of any
// other kind is left to the plain copy.
TEST_F(PixelSnapshot, ACopyThroughTheBlocksFileIsThePlainCopy) {
  TQvPixelBuffer Source;
  ASSERT_TRUE(Source.Allocate(PixelFormat24, TRect{0, 0, 301, 97}));
  Pattern(Source, 5);
  TQvPixels Loose;  // rows apart further than the image's own
  Loose.Format = PixelFormat24;
  std::vector<uint8_t> Wide(size_t(301 * 3 + 40) * 97);
  Loose.Bits = Wide.data();
  Loose.Width = 301;
  Loose.Height = 97;
  Loose.Stride = 301 * 3 + 40;
  Loose.BytesPerPixel = 3;
  Pattern(Loose, 5);
  for (const TQvPixels* From : {static_cast<const TQvPixels*>(&Source), static_cast<const TQvPixels*>(&Loose)}) {
    TQvLTBitmap Image;
    ASSERT_TRUE(Image.AssignBuffer(*From));
    EXPECT_TRUE(HasPattern(*Image.Pixels(), 5));
    const auto Snapshot = Image.Freeze();
    ASSERT_TRUE(Snapshot);
    TQvPixelBuffer View;
    ASSERT_TRUE(View.AdoptView(*Snapshot, PixelFormat24, TRect{0, 0, 301, 97}));
    EXPECT_TRUE(HasPattern(View, 5));
    // Frozen, the block takes no more writes through its file.
    EXPECT_FALSE(QvFillSharedBlock(Image.Pixels()->Bits, Image.Pixels()->Stride, Source));
    EXPECT_TRUE(HasPattern(View, 5));
  }
  TQvLTBitmap Own;
  ASSERT_TRUE(Own.AssignBuffer(Source, TQvBlockUse::Own));
  EXPECT_FALSE(QvFillSharedBlock(Own.Pixels()->Bits, Own.Pixels()->Stride, Source));
  EXPECT_TRUE(HasPattern(*Own.Pixels(), 5));
}

}  // namespace
