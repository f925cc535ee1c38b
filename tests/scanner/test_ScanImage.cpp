// The picture put together from the scanner's frames: every sample kind the stack may deliver
// becomes the same 24-bit rows, and every impossible answer is refused before memory is taken.

#include "QvScanImage.h"
#include "QvTwnFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Feeds one frame in runs of Chunk bytes; false at the first refusal.
bool Feed(TQvScanImage& Image, const TQvScanParameters& P, const Bytes& Data, std::size_t Chunk = 7) {
  TQvScanMessage Error;
  if (!Image.BeginFrame(P, Error)) return false;
  for (std::size_t At = 0; At < Data.size(); At += Chunk)
    if (!Image.AddData(Data.data() + At, std::min(Chunk, Data.size() - At), Error)) return false;
  return Image.EndFrame(Error);
}

// Pixel (X, Y) as "r,g,b".
std::string Pixel(const TQvScanImage& Image, int X, int Y) {
  const std::uint8_t* P = Image.Row(Y) + 3 * X;
  return std::to_string(P[2]) + "," + std::to_string(P[1]) + "," + std::to_string(P[0]);
}

Bytes Native16(std::initializer_list<std::uint16_t> Values) {
  Bytes Out(Values.size() * 2);
  std::memcpy(Out.data(), std::data(Values), Out.size());
  return Out;
}

TQvScanParameters Params(int Format, int Depth, std::int64_t Pixels, std::int64_t Lines, std::int64_t BytesPerLine,
                         bool Last = true) {
  TQvScanParameters P;
  P.Format = Format;
  P.Depth = Depth;
  P.PixelsPerLine = Pixels;
  P.Lines = Lines;
  P.BytesPerLine = BytesPerLine;
  P.LastFrame = Last;
  return P;
}

}  // namespace

TEST(ScanImage, EverySampleKindBecomesTheSameRgbRows) {
  struct TCase {
    const char* Name;
    TQvScanParameters P;
    Bytes Data;
    std::vector<std::string> Row0;  // the first row's pixels, "r,g,b"
  };
  const TCase Cases[] = {
      {"grey 8", Params(TQvScanParameters::Gray, 8, 3, 1, 3), {0, 128, 255}, {"0,0,0", "128,128,128", "255,255,255"}},
      {"grey 16 in native order, high byte kept", Params(TQvScanParameters::Gray, 16, 2, 1, 4),
       Native16({0x12FF, 0xFE01}), {"18,18,18", "254,254,254"}},
      // A set bit is black; bits run from the most significant one.
      {"line art", Params(TQvScanParameters::Gray, 1, 10, 1, 2), {0b10100000, 0b01000000},
       {"0,0,0", "255,255,255", "0,0,0", "255,255,255", "255,255,255", "255,255,255", "255,255,255", "255,255,255",
        "255,255,255", "0,0,0"}},
      {"colour 8", Params(TQvScanParameters::RGB, 8, 2, 1, 6), {10, 20, 30, 40, 50, 60}, {"10,20,30", "40,50,60"}},
      {"colour 16", Params(TQvScanParameters::RGB, 16, 1, 1, 6), Native16({0x0A00, 0x14FF, 0x1E80}), {"10,20,30"}},
      // Padding after each line's pixels is skipped.
      {"padded lines", Params(TQvScanParameters::RGB, 8, 1, 2, 5), {1, 2, 3, 99, 99, 4, 5, 6, 99, 99}, {"1,2,3"}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    for (std::size_t Chunk : {std::size_t(1), std::size_t(3), std::size_t(4096)}) {
      TQvScanImage Image;
      ASSERT_TRUE(Feed(Image, C.P, C.Data, Chunk));
      ASSERT_TRUE(Image.Complete());
      ASSERT_EQ(Image.Width(), C.P.PixelsPerLine);
      ASSERT_EQ(Image.Height(), C.P.Lines);
      for (std::size_t X = 0; X < C.Row0.size(); ++X) EXPECT_EQ(Pixel(Image, int(X), 0), C.Row0[X]) << "x " << X;
    }
  }
}

TEST(ScanImage, ThreePassFramesFillTheirChannelsInAnyOrder) {
  TQvScanImage Image;
  ASSERT_TRUE(Feed(Image, Params(TQvScanParameters::Green, 8, 2, 2, 2, false), {1, 2, 3, 4}));
  EXPECT_FALSE(Image.Complete());
  ASSERT_TRUE(Feed(Image, Params(TQvScanParameters::Blue, 8, 2, 2, 2, false), {5, 6, 7, 8}));
  ASSERT_TRUE(Feed(Image, Params(TQvScanParameters::Red, 8, 2, 2, 2, true), {9, 10, 11, 12}));
  ASSERT_TRUE(Image.Complete());
  EXPECT_EQ(Pixel(Image, 0, 0), "9,1,5");
  EXPECT_EQ(Pixel(Image, 1, 1), "12,4,8");
}

TEST(ScanImage, ThreePassFramesThatDoNotFitAreRefused) {
  TQvScanImage Wider;
  ASSERT_TRUE(Feed(Wider, Params(TQvScanParameters::Red, 8, 2, 1, 2, false), {1, 2}));
  EXPECT_FALSE(Feed(Wider, Params(TQvScanParameters::Green, 8, 3, 1, 3, false), {1, 2, 3}));
  // The last frame came, but the blue one never did.
  TQvScanImage Missing;
  ASSERT_TRUE(Feed(Missing, Params(TQvScanParameters::Red, 8, 1, 1, 1, false), {1}));
  EXPECT_FALSE(Feed(Missing, Params(TQvScanParameters::Green, 8, 1, 1, 1, true), {1}));
  EXPECT_FALSE(Missing.Complete());
  // The same channel twice.
  TQvScanImage Twice;
  ASSERT_TRUE(Feed(Twice, Params(TQvScanParameters::Red, 8, 1, 1, 1, false), {1}));
  EXPECT_FALSE(Feed(Twice, Params(TQvScanParameters::Red, 8, 1, 1, 1, false), {1}));
}

TEST(ScanImage, UnknownHeightGrowsWithTheDataAndEndsWithTheLastWholeLine) {
  // A hand-held scanner: -1 lines; 150 whole lines and half of another arrive.
  Bytes Data(150 * 2 + 1);
  for (std::size_t I = 0; I < Data.size(); ++I) Data[I] = std::uint8_t(I / 2);
  TQvScanImage Image;
  ASSERT_TRUE(Feed(Image, Params(TQvScanParameters::Gray, 8, 2, -1, 2), Data, 33));
  EXPECT_EQ(Image.Height(), 150);
  EXPECT_EQ(Pixel(Image, 1, 149), "149,149,149");
}

TEST(ScanImage, ShortAndOverlongFrames) {
  TQvScanImage Short;
  ASSERT_TRUE(Feed(Short, Params(TQvScanParameters::Gray, 8, 1, 5, 1), {1, 2, 3}));
  EXPECT_EQ(Short.Height(), 3);
  TQvScanImage Empty;
  EXPECT_FALSE(Feed(Empty, Params(TQvScanParameters::Gray, 8, 1, 5, 1), {}));
  TQvScanImage Long;
  EXPECT_FALSE(Feed(Long, Params(TQvScanParameters::Gray, 8, 1, 2, 1), {1, 2, 3}));
}

TEST(ScanImage, ImpossibleParametersAreRefusedBeforeAnyAllocation) {
  struct TCase {
    const char* Name;
    TQvScanParameters P;
  };
  const std::int64_t Big = TQvScanImage::MaxSide;
  const TCase Cases[] = {
      {"no pixels", Params(TQvScanParameters::Gray, 8, 0, 1, 1)},
      {"no lines", Params(TQvScanParameters::Gray, 8, 1, 0, 1)},
      {"lines below -1", Params(TQvScanParameters::Gray, 8, 1, -2, 1)},
      {"4 bits", Params(TQvScanParameters::Gray, 4, 2, 1, 1)},
      {"colour line art", Params(TQvScanParameters::RGB, 1, 8, 1, 3)},
      {"unknown frame kind", Params(11, 8, 1, 1, 1)},
      {"line shorter than its pixels", Params(TQvScanParameters::RGB, 8, 4, 1, 11)},
      {"line absurdly long", Params(TQvScanParameters::Gray, 8, 1, 1, 1 << 30)},
      {"wider than any scanner", Params(TQvScanParameters::Gray, 8, Big + 1, 1, Big + 1)},
      // Each side is allowed, the product is not: 3 × 2^34 bytes.
      {"too many bytes", Params(TQvScanParameters::RGB, 8, Big, Big, Big * 3)},
      {"sizes that overflow 32 bits", Params(TQvScanParameters::RGB, 16, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF)},
  };
  for (const TCase& C : Cases) {
    TQvScanImage Image;
    TQvScanMessage Error;
    EXPECT_FALSE(Image.BeginFrame(C.P, Error)) << C.Name;
    EXPECT_TRUE(Error.IsSet()) << C.Name;
    EXPECT_FALSE(Error.Text().isEmpty()) << C.Name;
  }
}

TEST(ScanImage, BmpFileHoldsThePixelsAndTheResolution) {
  TQvScanImage Image;
  ASSERT_TRUE(Feed(Image, Params(TQvScanParameters::RGB, 8, 3, 2, 9),
                   {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}));
  QTemporaryDir Dir;
  QString Path;
  TQvScanMessage Error;
  const int Fd = CreateTransferFile(Dir.path(), QStringLiteral("bmp"), Path, Error);
  ASSERT_GE(Fd, 0);
  ASSERT_TRUE(Image.WriteBmp(Fd, 300, Error));
  ::close(Fd);
  EXPECT_EQ(QFileInfo(Path).size(), 54 + 2 * 12);  // rows of 9 bytes padded to 12
  const QImage Read(Path);
  ASSERT_FALSE(Read.isNull());
  ASSERT_EQ(Read.size(), QSize(3, 2));
  EXPECT_EQ(Read.pixel(0, 0), qRgb(1, 2, 3));
  EXPECT_EQ(Read.pixel(2, 1), qRgb(16, 17, 18));
  EXPECT_EQ(Read.dotsPerMeterX(), 11811);  // 300 dpi
}

TEST(TransferFile, IsNewLowerCaseAndPrivate) {
  QTemporaryDir Dir;
  QStringList Names;
  for (int I = 0; I < 3; ++I) {
    QString Path;
    TQvScanMessage Error;
    const int Fd = CreateTransferFile(Dir.path(), QStringLiteral("BMP"), Path, Error);
    ASSERT_GE(Fd, 0);
    ::close(Fd);
    struct stat Info {};
    ASSERT_EQ(::stat(QFile::encodeName(Path).constData(), &Info), 0);
    EXPECT_EQ(Info.st_mode & 0777, 0600u);
    EXPECT_EQ(QFileInfo(Path).absolutePath(), QDir(Dir.path()).absolutePath());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^twn[0-9a-f]{8}\\.bmp$")).match(QFileInfo(Path).fileName()).hasMatch())
        << Path.toStdString();
    Names.append(Path);
  }
  Names.removeDuplicates();
  EXPECT_EQ(Names.size(), 3);
}

TEST(TransferFile, MissingFolderIsReported) {
  QString Path;
  TQvScanMessage Error;
  EXPECT_LT(CreateTransferFile(QStringLiteral("/nonexistent/folder"), QStringLiteral("bmp"), Path, Error), 0);
  EXPECT_TRUE(Error.IsSet());
  EXPECT_TRUE(Path.isEmpty());
}

TEST(TransferFile, FormatsAndExtensionsMapBothWays) {
  const std::pair<int, const char*> Cases[] = {{0, "tif"}, {1, "pct"}, {2, "bmp"}, {3, "xbm"}, {4, "jpg"},
                                               {5, "fpx"}, {6, "tif"}, {7, "png"}, {8, "jpg"}, {9, "jpg"}};
  for (const auto& [Format, Extension] : Cases) EXPECT_EQ(TransferFileExtension(Format), Extension) << Format;
  EXPECT_EQ(TransferFileFormatOf(QStringLiteral("/tmp/twn1.BMP")), 2);
  EXPECT_EQ(TransferFileFormatOf(QStringLiteral("a.jpg")), 4);
  EXPECT_EQ(TransferFileFormatOf(QStringLiteral("a.tif")), 0);
  EXPECT_EQ(TransferFileFormatOf(QStringLiteral("a.txt")), -1);
  EXPECT_TRUE(TransferFileExtension(42).isEmpty());
}
