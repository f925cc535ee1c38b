// A JPEG written as a BMP strip by strip: the same file as a load and a save, or nothing at all.

#include "codecs_fixtures.h"

#include <gtest/gtest.h>

#include <turbojpeg.h>

using namespace codecs_test;

namespace {

class BmpConvert : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return FDir.filePath(name); }

  // The BMP a load of in and a save make.
  QByteArray ThroughLoad(const QString& in) {
    auto loaded = Load(in);
    EXPECT_TRUE(loaded->Ok) << loaded->Error.toStdString();
    const QString out = Path(QStringLiteral("loaded.bmp"));
    QString error;
    EXPECT_TRUE(Save(loaded->Image, loaded->Properties, out, QvFormatId::Bmp, &error)) << error.toStdString();
    return ReadBytes(out);
  }

  QTemporaryDir FDir;
};

QByteArray TurboJpeg(int32_t width, int32_t height, int subsampling) {
  std::vector<uint8_t> rgb(size_t(width) * height * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t((i * 7 + i / 97) % 251);
  tjhandle handle = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  const int result = tjCompress2(handle, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, subsampling, 85, 0);
  QByteArray bytes = result == 0 ? QByteArray(reinterpret_cast<const char*>(jpeg), qsizetype(size)) : QByteArray();
  tjFree(jpeg);
  tjDestroy(handle);
  return bytes;
}

TEST_F(BmpConvert, WritesTheFileALoadAndASaveWrite) {
  // Rows of 37 pixels need a byte of padding, 70 rows end inside a strip; a saved resolution
  // is carried over, a file without one counts as a screen image; grey comes out as colour.
  auto bitmap = MakeBitmap(37, 70);
  TQvImageProperties properties;
  properties.FResolutionX = 300;
  properties.FResolutionY = 150;
  ASSERT_TRUE(Save(*bitmap, properties, Path(QStringLiteral("dpi.jpg")), QvFormatId::Jpeg));
  WriteBytes(Path(QStringLiteral("444.jpg")), TurboJpeg(64, 48, TJSAMP_444));
  WriteBytes(Path(QStringLiteral("422.jpg")), TurboJpeg(50, 33, TJSAMP_422));
  WriteBytes(Path(QStringLiteral("grey.jpg")), TurboJpeg(41, 29, TJSAMP_GRAY));
  for (const char* name : {"dpi.jpg", "444.jpg", "422.jpg", "grey.jpg"}) {
    SCOPED_TRACE(name);
    const QString in = Path(QString::fromLatin1(name)), out = Path(QStringLiteral("strips.bmp"));
    ASSERT_TRUE(ConvertJpegToBmp(in, out));
    const QByteArray want = ThroughLoad(in);
    ASSERT_FALSE(want.isEmpty());
    EXPECT_EQ(ReadBytes(out), want);
  }
}

// What a load would do more than decode (turn it upright), damage and other formats are left to
// the load: false, and the target as it was.
TEST_F(BmpConvert, LeavesEverythingElseToALoad) {
  auto bitmap = MakeBitmap(40, 30);
  TQvImageProperties properties;
  ASSERT_TRUE(Save(*bitmap, properties, Path(QStringLiteral("turned.jpg")), QvFormatId::Jpeg));
  AddExif(Path(QStringLiteral("turned.jpg")), {{"Exif.Image.Orientation", "6"}});
  const QByteArray whole = TurboJpeg(64, 64, TJSAMP_420);
  WriteBytes(Path(QStringLiteral("cut.jpg")), whole.left(whole.size() * 2 / 3));
  ASSERT_TRUE(Save(*bitmap, properties, Path(QStringLiteral("picture.png")), QvFormatId::Png));
  WriteBytes(Path(QStringLiteral("empty.jpg")), QByteArray());
  for (const char* name : {"turned.jpg", "cut.jpg", "picture.png", "empty.jpg", "missing.jpg"}) {
    SCOPED_TRACE(name);
    const QString out = Path(QStringLiteral("kept.bmp"));
    WriteBytes(out, "old");
    EXPECT_FALSE(ConvertJpegToBmp(Path(QString::fromLatin1(name)), out));
    EXPECT_EQ(ReadBytes(out), QByteArray("old"));
  }
  // A target that cannot be written is a failure too.
  WriteBytes(Path(QStringLiteral("fine.jpg")), whole);
  ASSERT_TRUE(ConvertJpegToBmp(Path(QStringLiteral("fine.jpg")), Path(QStringLiteral("fine.bmp"))));
  EXPECT_FALSE(ConvertJpegToBmp(Path(QStringLiteral("fine.jpg")), Path(QStringLiteral("no/such/folder.bmp"))));
}

}  // namespace
