// Files that lie about their size: headers claiming huge pictures, tiny files that need gigabytes,
// files far longer than their picture, and things that are not files at all.

#include "codecs_fixtures.h"

#include "QvMemory.h"
#include "QvPeakBudget.h"
#include "QvVJPEG.h"

#include <QDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace codecs_test;

namespace {

class CodecLimits : public ::testing::Test {
 protected:
  void TearDown() override { QvSetAvailableMemoryProbe({}); }
  QString Path(const char* name) const { return FDir.filePath(QString::fromLatin1(name)); }
  QByteArray Saved(int32_t width, int32_t height, int32_t formatId, const char* name) {
    auto bitmap = MakeBitmap(width, height);
    TQvImageProperties properties;
    EXPECT_TRUE(Save(*bitmap, properties, Path(name), formatId));
    return ReadBytes(Path(name));
  }
  QTemporaryDir FDir;
};

void PutBig32(QByteArray& bytes, qsizetype at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = char(value >> (24 - 8 * i));
}
void PutLittle32(QByteArray& bytes, qsizetype at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = char(value >> (8 * i));
}
void PutLittle16(QByteArray& bytes, qsizetype at, uint32_t value) {
  bytes[at] = char(value);
  bytes[at + 1] = char(value >> 8);
}

uint32_t Crc32(const char* data, qsizetype size) {
  uint32_t crc = 0xFFFFFFFF;
  for (qsizetype i = 0; i < size; ++i) {
    crc ^= uint8_t(data[i]);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}

// A PNG whose header says width × height, its checksum made right.
QByteArray WithPngSize(QByteArray png, uint32_t width, uint32_t height) {
  PutBig32(png, 16, width);
  PutBig32(png, 20, height);
  PutBig32(png, 29, Crc32(png.constData() + 12, 17));
  return png;
}

QByteArray WithJpegSize(QByteArray jpeg, uint32_t width, uint32_t height) {
  const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
  jpeg[sof + 5] = char(height >> 8);
  jpeg[sof + 6] = char(height);
  jpeg[sof + 7] = char(width >> 8);
  jpeg[sof + 8] = char(width);
  return jpeg;
}

QByteArray WithBmpSize(QByteArray bmp, uint32_t width, uint32_t height) {
  PutLittle32(bmp, 18, width);
  PutLittle32(bmp, 22, height);
  return bmp;
}

// The first directory's width and length entries, made 32-bit values.
QByteArray WithTiffSize(QByteArray tiff, uint32_t width, uint32_t height) {
  auto get16 = [&](qsizetype at) { return uint32_t(uint8_t(tiff[at])) | uint32_t(uint8_t(tiff[at + 1])) << 8; };
  const qsizetype ifd = qsizetype(get16(4) | get16(6) << 16);
  for (uint32_t i = 0, count = get16(ifd); i < count; ++i) {
    const qsizetype entry = ifd + 2 + qsizetype(i) * 12;
    const uint32_t tag = get16(entry);
    if (tag != 256 && tag != 257) continue;
    PutLittle16(tiff, entry + 2, 4);
    PutLittle32(tiff, entry + 4, 1);
    PutLittle32(tiff, entry + 8, tag == 256 ? width : height);
  }
  return tiff;
}

// A run-length BMP of width × height whose pixel data is only the end-of-bitmap code.
QByteArray TinyRleBmp(int32_t width, int32_t height) {
  QByteArray bmp(14 + 40 + 4 * 2 + 2, '\0');
  bmp[0] = 'B';
  bmp[1] = 'M';
  PutLittle32(bmp, 2, uint32_t(bmp.size()));
  PutLittle32(bmp, 10, 14 + 40 + 8);
  PutLittle32(bmp, 14, 40);
  PutLittle32(bmp, 18, uint32_t(width));
  PutLittle32(bmp, 22, uint32_t(height));
  PutLittle16(bmp, 26, 1);
  PutLittle16(bmp, 28, 8);
  PutLittle32(bmp, 30, 1);  // RLE8
  PutLittle32(bmp, 46, 2);  // two palette entries
  bmp[bmp.size() - 2] = 0;
  bmp[bmp.size() - 1] = 1;  // end of bitmap
  return bmp;
}

TEST_F(CodecLimits, ASizeBeyondTheLimitSaysTooLargeInEveryFormat) {
  struct TCase {
    const char* Name;
    QByteArray Bytes;
  };
  const TCase cases[] = {
      {"jpeg 60000 x 60000", WithJpegSize(Saved(16, 16, QvFormatId::Jpeg, "s.jpg"), 60000, 60000)},
      {"png 100000 x 100000", WithPngSize(Saved(16, 16, QvFormatId::Png, "s.png"), 100000, 100000)},
      {"png 70000 x 1", WithPngSize(Saved(16, 16, QvFormatId::Png, "s.png"), 70000, 1)},
      {"bmp 100000 x 100000", WithBmpSize(Saved(16, 16, QvFormatId::Bmp, "s.bmp"), 100000, 100000)},
      {"tiff 100000 x 100000", WithTiffSize(Saved(16, 16, QvFormatId::Tiff, "s.tif"), 100000, 100000)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteBytes(Path("huge"), c.Bytes);
    auto loaded = Load(Path("huge"));
    EXPECT_FALSE(loaded->Ok);
    EXPECT_EQ(loaded->Error, "The image is too large to open.");
    EXPECT_EQ(CreateThumbnail(Path("huge"), 160, 120), nullptr);
  }
}

TEST_F(CodecLimits, AnImageTheSystemCannotHoldIsRefusedWithWhatItNeeds) {
  // 2000 × 2000 is 12 MB a picture; the document holds three.
  struct TCase {
    const char* Name;
    QByteArray Bytes;
    bool Engine;
  };
  const TCase cases[] = {
      {"jpeg", Saved(2000, 2000, QvFormatId::Jpeg, "m.jpg"), false},
      {"jpeg through the engine", ReadBytes(Path("m.jpg")), true},
      {"png", Saved(2000, 2000, QvFormatId::Png, "m.png"), false},
      {"tiff", Saved(2000, 2000, QvFormatId::Tiff, "m.tif"), false},
      {"bmp", Saved(2000, 2000, QvFormatId::Bmp, "m.bmp"), false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteBytes(Path("big"), c.Bytes);
    const std::unique_ptr<IVJPEG> engine = c.Engine ? CreateVJPEGObject() : nullptr;
    auto load = [&] {
      auto loaded = std::make_unique<TLoaded>();
      TQvLoadTarget target;
      target.Image = &loaded->Image;
      target.Properties = &loaded->Properties;
      target.Engine = engine.get();
      loaded->Ok = LoadImageFile(target, Path("big"), loaded->FormatId, loaded->Error);
      return loaded;
    };
    QvSetAvailableMemoryProbe([] { return uint64_t(35'000'000); });
    auto refused = load();
    EXPECT_FALSE(refused->Ok);
    EXPECT_EQ(refused->Error, "The image needs 36 MB of memory, more than this computer can give now.");
    EXPECT_EQ(refused->Image.Pixels(), nullptr);
    QvSetAvailableMemoryProbe([] { return uint64_t(36'000'000); });
    EXPECT_TRUE(load()->Ok);
  }

  // 72 bytes that ask for 16000 × 16000: refused before a byte of it is allocated.
  QvSetAvailableMemoryProbe([] { return uint64_t(1) << 30; });
  WriteBytes(Path("rle.bmp"), TinyRleBmp(16000, 16000));
  auto loaded = Load(Path("rle.bmp"));
  EXPECT_FALSE(loaded->Ok);
  EXPECT_EQ(loaded->Error, "The image needs 2.4 GB of memory, more than this computer can give now.");
}

int64_t PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// A file of `size` bytes beginning with `head`, the rest a hole that costs no disk.
void WriteSparse(const QString& name, const QByteArray& head, int64_t size) {
  WriteBytes(name, head);
  ASSERT_EQ(::truncate(QFile::encodeName(name).constData(), off_t(size)), 0);
}

TEST_F(CodecLimits, AFileFarLongerThanItsPictureIsReadOnlyAsFarAsThePictureReaches) {
  constexpr int64_t FourGiB = int64_t(4) << 30;
  const QByteArray jpeg = Saved(64, 48, QvFormatId::Jpeg, "p.jpg");
  const QByteArray png = Saved(64, 48, QvFormatId::Png, "p.png");
  struct TCase {
    const char* Name;
    QByteArray Head;
    bool Opens;
  };
  const TCase cases[] = {
      {"jpeg signature alone", QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20),
       false},
      {"jpeg markers then nothing", jpeg.left(jpeg.indexOf(QByteArray("\xFF\xDA", 2))), false},
      {"a whole jpeg, then 4 GiB of nothing", jpeg, true},
      {"png header then nothing", png.left(33), false},
      {"a whole png, then 4 GiB of nothing", png, true},
      // Rows of zeros are a black picture.
      {"bmp header then nothing", Saved(64, 48, QvFormatId::Bmp, "p.bmp").left(54), true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteSparse(Path("long"), c.Head, FourGiB);
    const int64_t before = PeakKilobytes();
    const std::unique_ptr<IVJPEG> engine = CreateVJPEGObject();
    TLoaded loaded;
    TQvLoadTarget target;
    target.Image = &loaded.Image;
    target.Properties = &loaded.Properties;
    target.Engine = engine.get();
    loaded.Ok = LoadImageFile(target, Path("long"), loaded.FormatId, loaded.Error);
    EXPECT_EQ(loaded.Ok, c.Opens) << loaded.Error.toStdString();
    if (c.Opens) {
      ASSERT_NE(loaded.Image.Pixels(), nullptr);
      EXPECT_EQ(loaded.Image.Pixels()->Width, 64);
    }
    EXPECT_EQ(DescribeImageFile(Path("long")).isEmpty(), !c.Opens);
    EXPECT_EQ(CreateThumbnail(Path("long"), 32, 24) != nullptr, c.Opens);
    EXPECT_LT(PeakKilobytes() - before, PeakBudgetKilobytes) << "kilobytes more at the peak";
  }
}

TEST_F(CodecLimits, OnlyRegularFilesAreRead) {
  // A FIFO would block the reader forever, a folder is no image.
  const QString fifo = Path("fifo.jpg");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  ASSERT_TRUE(QDir(FDir.path()).mkdir(QStringLiteral("folder.jpg")));
  for (const QString& name : {fifo, Path("folder.jpg")}) {
    SCOPED_TRACE(name.toStdString());
    auto loaded = Load(name);
    EXPECT_FALSE(loaded->Ok);
    EXPECT_TRUE(loaded->Error.startsWith(QStringLiteral("The file could not be read"))) << loaded->Error.toStdString();
    EXPECT_TRUE(DescribeImageFile(name).isEmpty());
    EXPECT_EQ(CreateThumbnail(name, 32, 24), nullptr);
  }
}

}  // namespace
