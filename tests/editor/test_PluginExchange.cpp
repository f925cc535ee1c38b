// The plug-in session's exchange file as the editor reads and writes it: pixels from 3 and 4
// planes and padded rows, files that do not fit their header, files that are no exchange files at
// all, the metadata trailer wrapped into a JPEG, and the result written back.

#include "QvPluginExchange.h"

#include "PhotoshopDataInfo.h"
#include "QvApplication.h"
#include "QvGraphicsDocument.h"
#include "QvGraphicsFormats.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstring>
#include <memory>
#include <string>

namespace {

// Colours of the request's pixel (X, Y); a fourth plane holds 0xAB and row padding 0xCD, neither
// of which may reach the image.
std::uint8_t RequestRed(int X, int Y) { return std::uint8_t(X * 20 + Y); }
std::uint8_t RequestGreen(int X, int) { return std::uint8_t(100 + X); }
std::uint8_t RequestBlue(int, int Y) { return std::uint8_t(200 - Y); }

void PutInt32(std::string& Bytes, std::size_t Offset, std::int32_t Value) {
  const auto U = std::uint32_t(Value);
  for (int I = 0; I < 4; ++I) Bytes[Offset + std::size_t(I)] = char(std::uint8_t(U >> (8 * I)));
}

std::int32_t GetInt32(const QByteArray& Bytes, std::size_t Offset) {
  std::uint32_t U = 0;
  for (int I = 3; I >= 0; --I) U = U << 8 | std::uint8_t(Bytes[qsizetype(Offset) + I]);
  return std::int32_t(U);
}

// A request as the plug-in writes it.
std::string MakeRequest(int Width, int Height, int Planes, int Padding, int Mode = 3) {
  const int RowBytes = Width * Planes + Padding;
  std::string Bytes = "PSPF" + std::string(32 + std::size_t(RowBytes) * std::size_t(Height), '\0');
  PutInt32(Bytes, 4, 32);
  PutInt32(Bytes, 8, Mode);
  PutInt32(Bytes, 12, 5);  // Left and Top of the host's selection, ignored by the editor
  PutInt32(Bytes, 16, 7);
  PutInt32(Bytes, 20, Width);
  PutInt32(Bytes, 24, Height);
  PutInt32(Bytes, 28, RowBytes);
  PutInt32(Bytes, 32, Planes);
  for (int Y = 0; Y < Height; ++Y) {
    char* Row = Bytes.data() + 36 + std::size_t(Y) * std::size_t(RowBytes);
    std::memset(Row, 0xCD, std::size_t(RowBytes));
    for (int X = 0; X < Width; ++X) {
      char* P = Row + X * Planes;
      P[0] = char(RequestRed(X, Y));
      P[1] = char(RequestGreen(X, Y));
      P[2] = char(RequestBlue(X, Y));
      for (int C = 3; C < Planes; ++C) P[C] = char(0xAB);
    }
  }
  return Bytes;
}

class PluginExchangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Application) FOwnApplication = std::make_unique<TQvApplication>();
    ASSERT_TRUE(FDir.isValid());
    InstallExchangeFormat(Formats);
  }
  void TearDown() override { FOwnApplication.reset(); }

  QString Path(const QString& Name) const { return FDir.filePath(Name); }

  QString Write(const QString& Name, const std::string& Bytes) {
    QFile File(Path(Name));
    EXPECT_TRUE(File.open(QIODevice::WriteOnly));
    EXPECT_EQ(File.write(Bytes.data(), qint64(Bytes.size())), qint64(Bytes.size()));
    return Path(Name);
  }

  static QByteArray ReadAll(const QString& Name) {
    QFile F(Name);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray();
  }

  // Whether the document's image is the request's picture, Width × Height.
  static void ExpectRequestPixels(const TQvPixels& P, int Width, int Height) {
    ASSERT_EQ(P.Width, Width);
    ASSERT_EQ(P.Height, Height);
    ASSERT_EQ(P.Format, PixelFormat24);
    for (int Y = 0; Y < Height; ++Y)
      for (int X = 0; X < Width; ++X) {
        const std::uint8_t* Pixel = P.PixelAt(X, Y);
        ASSERT_EQ(Pixel[ChannelRed], RequestRed(X, Y)) << X << ", " << Y;
        ASSERT_EQ(Pixel[ChannelGreen], RequestGreen(X, Y)) << X << ", " << Y;
        ASSERT_EQ(Pixel[ChannelBlue], RequestBlue(X, Y)) << X << ", " << Y;
      }
  }

  TQvGraphicsFormats Formats;
  QTemporaryDir FDir;

 private:
  std::unique_ptr<TQvApplication> FOwnApplication;
};

TEST_F(PluginExchangeTest, ReadsThreeAndFourPlanesAndPaddedRowsAndWritesThreePlanesBack) {
  struct Case {
    int Width, Height, Planes, Padding;
  };
  const Case Cases[] = {{5, 3, 3, 0}, {5, 3, 4, 0}, {5, 3, 3, 9}, {4, 2, 4, 3}, {1, 1, 3, 0}, {13, 4, 5, 0}};
  for (const Case& C : Cases) {
    SCOPED_TRACE(std::to_string(C.Width) + " x " + std::to_string(C.Height) + ", " + std::to_string(C.Planes) +
                 " planes, padding " + std::to_string(C.Padding));
    const QString Name = Write(QStringLiteral("request"), MakeRequest(C.Width, C.Height, C.Planes, C.Padding));
    TQvGraphicsDocument Doc;
    int FormatId = 0;
    QString Error;
    ASSERT_TRUE(Formats.LoadDocument(&Doc, Name, FormatId, Error)) << Error.toStdString();
    EXPECT_EQ(FormatId, QvFormatId::PluginImage);
    ExpectRequestPixels(*Doc.Pixels(), C.Width, C.Height);
    ExpectRequestPixels(*Doc.OriginalPixels(), C.Width, C.Height);
    ExpectRequestPixels(Doc.Backup(), C.Width, C.Height);

    ASSERT_TRUE(Formats.SaveDocument(&Doc, Name, QvFormatId::PluginImage, Error)) << Error.toStdString();
    const QByteArray Result = ReadAll(Name);
    const int Stride = (C.Width * 3 + 3) / 4 * 4;
    ASSERT_EQ(Result.size(), 36 + Stride * C.Height);
    EXPECT_EQ(Result.left(4), "PSPF");
    const std::int32_t Header[8] = {32, 3, 0, 0, C.Width, C.Height, Stride, 3};
    for (int I = 0; I < 8; ++I) EXPECT_EQ(GetInt32(Result, 4 + 4 * std::size_t(I)), Header[I]) << "field " << I;
    for (int Y = 0; Y < C.Height; ++Y) {
      const char* Row = Result.constData() + 36 + Y * Stride;
      for (int X = 0; X < C.Width; ++X) {
        EXPECT_EQ(std::uint8_t(Row[3 * X]), RequestRed(X, Y));
        EXPECT_EQ(std::uint8_t(Row[3 * X + 1]), RequestGreen(X, Y));
        EXPECT_EQ(std::uint8_t(Row[3 * X + 2]), RequestBlue(X, Y));
      }
      for (int I = 3 * C.Width; I < Stride; ++I) EXPECT_EQ(Row[I], 0) << "row padding is written as zero";
    }
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("request")})
        << "the temporary file of the atomic write is gone";
    QFile::remove(Name);
  }
}

TEST_F(PluginExchangeTest, RequestsThatDoNotFitTheirFileAreRefusedWithAReason) {
  struct Case {
    const char* Name;
    std::string Bytes;
    const char* Reason;  // part of the message
  };
  const std::string Good = MakeRequest(4, 3, 3, 0);
  auto With = [&Good](std::size_t Offset, std::int32_t Value) {
    std::string Bytes = Good;
    PutInt32(Bytes, Offset, Value);
    return Bytes;
  };
  const Case Cases[] = {
      {"magic alone", "PSPF", "header"},
      {"header cut short", Good.substr(0, 20), "header"},
      {"header size 31", With(4, 31), "header size"},
      {"two planes", With(32, 2), "planes"},
      {"negative planes", With(32, -3), "planes"},
      {"rows shorter than the pixels", With(28, 11), "row bytes"},
      {"negative row bytes", With(28, -12), "row bytes"},
      {"zero width", With(20, 0), "not positive"},
      {"negative height", With(24, -3), "not positive"},
      {"last row one byte short", Good.substr(0, Good.size() - 1), "bytes"},
      {"rows far past the end", With(24, 0x7FFFFFFF), "bytes"},
      {"row bytes times height beyond 32 bits", With(28, 0x7FFFFFFF), "bytes"},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    const QString Name = Write(QStringLiteral("bad"), C.Bytes);
    TQvGraphicsDocument Doc;
    QString Error;
    EXPECT_EQ(LoadExchange(Name, &Doc, Error), TQvExchangeLoad::Failed);
    EXPECT_TRUE(Error.contains(QStringLiteral("exchange file"))) << Error.toStdString();
    EXPECT_TRUE(Error.contains(QLatin1String(C.Reason))) << Error.toStdString();
    EXPECT_EQ(Doc.Pixels(), nullptr) << "the document is left as it was";
    EXPECT_EQ(ReadAll(Name).toStdString(), C.Bytes) << "a refused file is not touched";
    // The general load reports the same instead of trying the codecs on it.
    int FormatId = 0;
    QString LoadError;
    EXPECT_FALSE(Formats.LoadDocument(&Doc, Name, FormatId, LoadError));
    EXPECT_EQ(LoadError, Error);
  }
}

TEST_F(PluginExchangeTest, OtherFilesAreLeftToTheCodecsAndNeverCreatedOrChanged) {
  TQvGraphicsDocument Doc;
  QString Error;
  const QString Missing = Path(QStringLiteral("missing.jpg"));
  EXPECT_EQ(LoadExchange(Missing, &Doc, Error), TQvExchangeLoad::NotExchangeFile);
  EXPECT_FALSE(QFileInfo::exists(Missing)) << "probing must not create the file";
  int FormatId = 0;
  EXPECT_FALSE(Formats.LoadDocument(&Doc, Missing, FormatId, Error));
  EXPECT_FALSE(QFileInfo::exists(Missing));
  EXPECT_FALSE(Error.contains(QStringLiteral("exchange"))) << "a missing photo fails as a missing file";

  // Another image mode is not a session's request; neither are near misses of the magic.
  const std::string NotOurs[] = {MakeRequest(4, 3, 3, 0, 1), "pspf" + MakeRequest(4, 3, 3, 0).substr(4), "PSP",
                                 std::string()};
  for (const std::string& Bytes : NotOurs) {
    const QString Name = Write(QStringLiteral("other.bin"), Bytes);
    EXPECT_EQ(LoadExchange(Name, &Doc, Error), TQvExchangeLoad::NotExchangeFile);
    EXPECT_EQ(ReadAll(Name).toStdString(), Bytes);
  }

  // A read-only photo opens as a photo, and stays as it was.
  QImage Picture(6, 4, QImage::Format_RGB888);
  Picture.fill(qRgb(1, 2, 3));
  const QString Photo = Path(QStringLiteral("photo.png"));
  ASSERT_TRUE(Picture.save(Photo));
  const QByteArray Before = ReadAll(Photo);
  ASSERT_TRUE(QFile::setPermissions(Photo, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
  EXPECT_EQ(LoadExchange(Photo, &Doc, Error), TQvExchangeLoad::NotExchangeFile);
  ASSERT_TRUE(Formats.LoadDocument(&Doc, Photo, FormatId, Error)) << Error.toStdString();
  EXPECT_EQ(FormatId, QvFormatId::Png);
  EXPECT_EQ(ReadAll(Photo), Before);
  EXPECT_EQ(QFileInfo(Photo).permissions() & QFile::WriteOwner, 0);
}

TEST_F(PluginExchangeTest, WrappedMetadataIsACompleteJpeg) {
  TQvImageProperties Source;
  Source.SetValue(QvPropertyTag::Make, QvPropertyTypeCode::Ascii, 7, "Camera");
  const TQvMetadataBlobs Blobs = BuildMetadataBlobs(Source);
  ASSERT_FALSE(Blobs.Exif.empty());

  struct Case {
    const char* Name;
    std::vector<std::uint8_t> Payload;
    bool HasMake;
  };
  const Case Cases[] = {{"EXIF block", Blobs.Exif, true}, {"no payload", {}, false}, {"not EXIF", {1, 2, 3, 4, 5}, false}};
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    const std::vector<std::uint8_t> Stream = WrapExifInJpeg(C.Payload.data(), C.Payload.size());
    ASSERT_EQ(Stream.size(), 4 + 2 + 6 + C.Payload.size() + ExchangeJpegTailSize);
    const std::uint8_t Head[] = {0xFF, 0xD8, 0xFF, 0xE1, std::uint8_t((C.Payload.size() + 8) >> 8),
                                 std::uint8_t(C.Payload.size() + 8), 'E', 'x', 'i', 'f', 0, 0};
    EXPECT_EQ(std::memcmp(Stream.data(), Head, sizeof Head), 0);
    EXPECT_EQ(std::memcmp(Stream.data() + sizeof Head + C.Payload.size(), ExchangeJpegTail, ExchangeJpegTailSize), 0);

    const QString Name = Write(QStringLiteral("wrapped.jpg"), std::string(Stream.begin(), Stream.end()));
    TQvLTBitmap Image;
    TQvImageProperties Properties;
    TQvLoadTarget Target;
    Target.Image = &Image;
    Target.Properties = &Properties;
    int32_t FormatId = -1;
    QString Error;
    ASSERT_TRUE(LoadImageFile(Target, Name, FormatId, Error)) << Error.toStdString();
    EXPECT_EQ(FormatId, QvFormatId::Jpeg);
    EXPECT_EQ(Image.Width(), 8);
    EXPECT_EQ(Image.Height(), 8);
    EXPECT_EQ(ReadAsciiProperty(Properties, QvPropertyTag::Make), C.HasMake ? QStringLiteral("Camera") : QString());
  }
  const std::vector<std::uint8_t> Largest(MaxWrappedExifSize, 0);
  EXPECT_EQ(WrapExifInJpeg(Largest.data(), Largest.size()).size(), 12 + MaxWrappedExifSize + ExchangeJpegTailSize);
  EXPECT_TRUE(WrapExifInJpeg(Largest.data(), Largest.size() + 1).empty())
      << "a segment length that would wrap around is refused, not truncated";
}

TEST_F(PluginExchangeTest, TheTrailersMetadataBecomesTheDocumentsProperties) {
  TQvImageProperties Source;
  Source.SetValue(QvPropertyTag::Make, QvPropertyTypeCode::Ascii, 7, "Camera");
  const std::string Model(600, 'M');  // makes the trailer long enough to be looked for
  Source.SetValue(QvPropertyTag::Model, QvPropertyTypeCode::Ascii, std::uint32_t(Model.size() + 1), Model.c_str());
  const std::uint16_t Orientation = 6;
  Source.SetValue(QvPropertyTag::Orientation, QvPropertyTypeCode::Short, 2, &Orientation);
  const TQvMetadataBlobs Blobs = BuildMetadataBlobs(Source);
  ASSERT_GT(Blobs.Exif.size(), ExchangeTrailerMinimum);

  std::string Bytes = MakeRequest(6, 2, 4, 2) + "EXIF" + std::string(4, '\0');
  PutInt32(Bytes, Bytes.size() - 4, std::int32_t(Blobs.Exif.size()));
  Bytes.append(reinterpret_cast<const char*>(Blobs.Exif.data()), Blobs.Exif.size());
  const QString Name = Write(QStringLiteral("request"), Bytes);
  TQvGraphicsDocument Doc;
  int FormatId = 0;
  QString Error;
  ASSERT_TRUE(Formats.LoadDocument(&Doc, Name, FormatId, Error)) << Error.toStdString();
  EXPECT_EQ(FormatId, QvFormatId::PluginImage);
  ExpectRequestPixels(*Doc.Pixels(), 6, 2);
  EXPECT_EQ(ReadAsciiProperty(Doc.Properties(), QvPropertyTag::Make), QStringLiteral("Camera"));
  EXPECT_EQ(ReadAsciiProperty(Doc.Properties(), QvPropertyTag::Model), QString::fromStdString(Model));
  EXPECT_EQ(ReadOrientationProperty(Doc.Properties()), 1) << "as when the photo itself is opened";

  // A trailer shorter than the threshold is not looked at; nor is one whose metadata is not EXIF.
  std::string Short = MakeRequest(6, 2, 3, 0) + "EXIF" + std::string(4, '\0') + "abc";
  PutInt32(Short, Short.size() - 7, 3);
  std::string Junk = MakeRequest(6, 2, 3, 0) + "EXIF" + std::string(4, '\0') + std::string(700, '\x5A');
  PutInt32(Junk, Junk.size() - 704, 700);
  // Nor one whose length cannot be true: the pixels are what the session is for.
  std::string PastTheEnd = Junk, Negative = Junk, Huge = Junk;
  PutInt32(PastTheEnd, Junk.size() - 704, 701);  // one byte more than follows
  PutInt32(Negative, Junk.size() - 704, -1);
  PutInt32(Huge, Junk.size() - 704, 0x7FFFFFF0);
  for (const std::string& Other : {Short, Junk, PastTheEnd, Negative, Huge}) {
    TQvGraphicsDocument Plain;
    ASSERT_TRUE(Formats.LoadDocument(&Plain, Write(QStringLiteral("plain"), Other), FormatId, Error))
        << Error.toStdString();
    ExpectRequestPixels(*Plain.Pixels(), 6, 2);
    EXPECT_EQ(Plain.Properties().Count(), 0);
  }
}

TEST_F(PluginExchangeTest, AWriteThatCannotBeMadeLeavesTheFileAsItWas) {
  const QString Name = Write(QStringLiteral("request"), MakeRequest(3, 2, 3, 0));
  TQvGraphicsDocument Doc;
  int FormatId = 0;
  QString Error;
  ASSERT_TRUE(Formats.LoadDocument(&Doc, Name, FormatId, Error));
  const QString Gone = Path(QStringLiteral("gone/request"));
  EXPECT_FALSE(SaveExchange(Gone, &Doc, Error));
  EXPECT_FALSE(Error.isEmpty());
  EXPECT_FALSE(QFileInfo::exists(Gone));

  TQvGraphicsDocument Empty;
  EXPECT_FALSE(SaveExchange(Name, &Empty, Error));
  EXPECT_FALSE(Error.isEmpty());
  EXPECT_EQ(ReadAll(Name).toStdString(), MakeRequest(3, 2, 3, 0));
}

}  // namespace
