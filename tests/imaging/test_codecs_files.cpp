// Opening and saving whole files: round trips, metadata, orientation, QVI, damaged input, atomic saves.

#include "codecs_fixtures.h"

#include <QColorSpace>
#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

using namespace codecs_test;

namespace {

class CodecFiles : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return FDir.filePath(name); }
  QTemporaryDir FDir;
};

struct TRoundTrip {
  const char* Name;
  int32_t FormatId;
  bool Lossless;
};

TEST_F(CodecFiles, RoundTripKeepsPixelsAndFormat) {
  const TRoundTrip cases[] = {
      {"a.png", QvFormatId::Png, true},   {"a.tif", QvFormatId::Tiff, true}, {"a.bmp", QvFormatId::Bmp, true},
      {"a.jpg", QvFormatId::Jpeg, false}, {"a.qvi", QvFormatId::Qvi, false},
  };
  // An odd width makes every row padded in memory and in BMP.
  auto bitmap = MakeBitmap(37, 23);
  for (const TRoundTrip& c : cases) {
    SCOPED_TRACE(c.Name);
    TQvImageProperties properties;
    QString error;
    ASSERT_TRUE(Save(*bitmap, properties, Path(c.Name), c.FormatId, &error)) << error.toStdString();
    auto loaded = Load(Path(c.Name));
    ASSERT_TRUE(loaded->Ok) << loaded->Error.toStdString();
    EXPECT_EQ(loaded->FormatId, c.FormatId);
    EXPECT_EQ(loaded->SourceFormat, PixelFormat24);
    if (c.Lossless) EXPECT_EQ(FirstDifference(*bitmap->Pixels(), *loaded->Image.Pixels()), "");
    else EXPECT_LT(MeanDifference(*bitmap->Pixels(), *loaded->Image.Pixels()), 4.0);
  }
}

TEST_F(CodecFiles, SavesOnlyTheArea) {
  auto bitmap = MakeBitmap(20, 10);
  TQvImageProperties properties;
  TQvSaveSource source;
  source.Pixels = bitmap->Pixels();
  source.Properties = &properties;
  source.Area = TRect{5, 2, 12, 9};
  QString error;
  ASSERT_TRUE(SaveImageFile(source, Path("area.png"), QvFormatId::Png, error)) << error.toStdString();
  auto loaded = Load(Path("area.png"));
  ASSERT_TRUE(loaded->Ok);
  ASSERT_EQ(loaded->Image.Width(), 7);
  ASSERT_EQ(loaded->Image.Height(), 7);
  EXPECT_EQ(PixelAt(loaded->Image, 0, 0), PixelAt(*bitmap, 5, 2));
  EXPECT_EQ(PixelAt(loaded->Image, 6, 6), PixelAt(*bitmap, 11, 8));
}

TEST_F(CodecFiles, CameraExifSurvivesJpegAndTiffSaves) {
  if (QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty()) GTEST_SKIP() << "exiftool missing";
  auto bitmap = MakeBitmap(64, 48);
  TQvImageProperties none;
  ASSERT_TRUE(Save(*bitmap, none, Path("camera.jpg"), QvFormatId::Jpeg));
  AddExif(Path("camera.jpg"), {{"Exif.Image.Make", "Quillcam"},
                               {"Exif.Image.Model", "QX 100"},
                               {"Exif.Image.DateTime", "2024:05:01 10:20:30"},
                               {"Exif.Photo.DateTimeOriginal", "2024:05:01 10:20:30"},
                               {"Exif.Photo.ExposureTime", "1/250"},
                               {"Exif.Photo.FNumber", "28/10"},
                               {"Exif.GPSInfo.GPSLatitudeRef", "N"},
                               {"Exif.GPSInfo.GPSLatitude", "48/1 8/1 30/1"},
                               {"Exif.GPSInfo.GPSLongitudeRef", "E"},
                               {"Exif.GPSInfo.GPSLongitude", "11/1 34/1 0/1"}});
  auto loaded = Load(Path("camera.jpg"));
  ASSERT_TRUE(loaded->Ok) << loaded->Error.toStdString();
  EXPECT_EQ(ReadAsciiProperty(loaded->Properties, QvPropertyTag::Make), "Quillcam");

  const QStringList tags{"Make", "Model", "DateTimeOriginal", "ExposureTime", "FNumber", "GPSLatitude", "GPSLongitude"};
  for (const auto& [name, formatId] : {std::pair{"saved.jpg", QvFormatId::Jpeg}, std::pair{"saved.tif", QvFormatId::Tiff}}) {
    SCOPED_TRACE(name);
    QString error;
    ASSERT_TRUE(Save(loaded->Image, loaded->Properties, Path(name), formatId, &error)) << error.toStdString();
    auto values = Exiftool(Path(name), tags);
    EXPECT_EQ(values["Make"], "Quillcam");
    EXPECT_EQ(values["Model"], "QX 100");
    EXPECT_EQ(values["DateTimeOriginal"], "2024:05:01 10:20:30");
    EXPECT_EQ(values["ExposureTime"], "0.004");
    EXPECT_EQ(values["FNumber"], "2.8");
    EXPECT_NEAR(std::stod(values["GPSLatitude"].empty() ? "0" : values["GPSLatitude"]), 48.1416, 1e-3);
    EXPECT_NEAR(std::stod(values["GPSLongitude"].empty() ? "0" : values["GPSLongitude"]), 11.5667, 1e-3);
    // And the program reads its own file back.
    auto again = Load(Path(name));
    ASSERT_TRUE(again->Ok);
    EXPECT_EQ(ReadAsciiProperty(again->Properties, QvPropertyTag::Model), "QX 100");
  }
}

TEST_F(CodecFiles, IccProfileAndXmpAreKept) {
  auto bitmap = MakeBitmap(16, 16);
  TQvImageProperties properties;
  const QByteArray icc = QColorSpace(QColorSpace::SRgb).iccProfile();
  ASSERT_FALSE(icc.isEmpty());
  const QByteArray xmp =
      "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
      "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description rdf:about='' "
      "xmlns:dc='http://purl.org/dc/elements/1.1/'><dc:format>image/jpeg</dc:format></rdf:Description></rdf:RDF>"
      "</x:xmpmeta><?xpacket end='w'?>";
  properties.SetValue(QvPropertyTag::IccProfile, QvPropertyTypeCode::Undefined, uint32_t(icc.size()), icc.constData());
  properties.SetValue(QvPropertyTag::XmpPacket, QvPropertyTypeCode::Byte, uint32_t(xmp.size()), xmp.constData());
  for (const auto& [name, formatId] : {std::pair{"p.jpg", QvFormatId::Jpeg}, std::pair{"p.png", QvFormatId::Png},
                                       std::pair{"p.tif", QvFormatId::Tiff}, std::pair{"p.qvi", QvFormatId::Qvi}}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(Save(*bitmap, properties, Path(name), formatId));
    auto loaded = Load(Path(name));
    ASSERT_TRUE(loaded->Ok) << loaded->Error.toStdString();
    const int iccIndex = FindPropertyItem(loaded->Properties, QvPropertyTag::IccProfile);
    ASSERT_GE(iccIndex, 0);
    const TQvPropertyItem* item = loaded->Properties.Items(iccIndex);
    EXPECT_EQ(QByteArray(static_cast<const char*>(item->Data), item->Size), icc);
    const int xmpIndex = FindPropertyItem(loaded->Properties, QvPropertyTag::XmpPacket);
    ASSERT_GE(xmpIndex, 0);
    item = loaded->Properties.Items(xmpIndex);
    const QByteArray packet(static_cast<const char*>(item->Data), item->Size);
    EXPECT_TRUE(packet.contains("image/jpeg")) << packet.toStdString();
  }
}

// A 3 × 2 picture whose pixels are numbered 1..6 row by row, stored with each orientation, must
// open as the photo looked: the numbers as they appear top-left to bottom-right.
TEST_F(CodecFiles, EveryOrientationIsAppliedAndRewrittenToOne) {
  struct TCase {
    int Orientation;
    int Width, Height;
    std::vector<int> Upright;
  };
  const TCase cases[] = {
      {1, 3, 2, {1, 2, 3, 4, 5, 6}}, {2, 3, 2, {3, 2, 1, 6, 5, 4}}, {3, 3, 2, {6, 5, 4, 3, 2, 1}},
      {4, 3, 2, {4, 5, 6, 1, 2, 3}}, {5, 2, 3, {1, 4, 2, 5, 3, 6}}, {6, 2, 3, {4, 1, 5, 2, 6, 3}},
      {7, 2, 3, {6, 3, 5, 2, 4, 1}}, {8, 2, 3, {3, 6, 2, 5, 1, 4}},
  };
  TQvLTBitmap stored;
  stored.Allocate(3, 2, PixelFormat24);
  for (int i = 0; i < 6; ++i) MakeColor(uint8_t(i + 1) * 40, 0, 0, stored.Pixels()->PixelAt(i % 3, i / 3));
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Orientation);
    TQvImageProperties properties;
    const uint8_t value[2] = {uint8_t(c.Orientation), 0};
    properties.SetValue(QvPropertyTag::Orientation, QvPropertyTypeCode::Short, 2, value);
    ASSERT_TRUE(Save(stored, properties, Path("o.png"), QvFormatId::Png));
    auto loaded = Load(Path("o.png"));
    ASSERT_TRUE(loaded->Ok) << loaded->Error.toStdString();
    ASSERT_EQ(loaded->Image.Width(), c.Width);
    ASSERT_EQ(loaded->Image.Height(), c.Height);
    std::vector<int> seen;
    for (int y = 0; y < c.Height; ++y)
      for (int x = 0; x < c.Width; ++x) seen.push_back(ColorRed(PixelAt(loaded->Image, x, y)) / 40);
    EXPECT_EQ(seen, c.Upright);
    EXPECT_EQ(ReadOrientationProperty(loaded->Properties), 1);
  }
}

TEST_F(CodecFiles, JpegWithOrientationSixOpensTurnedAndSavesAsNormal) {
  auto bitmap = MakeBitmap(40, 30);
  TQvImageProperties properties;
  const uint8_t six[2] = {6, 0};
  properties.SetValue(QvPropertyTag::Orientation, QvPropertyTypeCode::Short, 2, six);
  ASSERT_TRUE(Save(*bitmap, properties, Path("six.jpg"), QvFormatId::Jpeg));
  auto loaded = Load(Path("six.jpg"));
  ASSERT_TRUE(loaded->Ok);
  EXPECT_EQ(loaded->Image.Width(), 30);
  EXPECT_EQ(loaded->Image.Height(), 40);
  EXPECT_EQ(ReadOrientationProperty(loaded->Properties), 1);
  ASSERT_TRUE(Save(loaded->Image, loaded->Properties, Path("six-saved.jpg"), QvFormatId::Jpeg));
  if (!QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty()) {
    EXPECT_EQ(Exiftool(Path("six-saved.jpg"), {"Orientation"})["Orientation"], "1");
  }
}

TEST_F(CodecFiles, OpeningQviNeverWritesIt) {
  auto bitmap = MakeBitmap(33, 17);
  TQvImageProperties properties;
  ASSERT_TRUE(Save(*bitmap, properties, Path("x.qvi"), QvFormatId::Qvi));
  const QByteArray before = ReadBytes(Path("x.qvi"));
  ASSERT_GT(before.size(), 16);
  // Other programs see no JPEG signature.
  EXPECT_NE(uint8_t(before[0]), 0xFF);
  const QDateTime modified = QFileInfo(Path("x.qvi")).lastModified();
  auto loaded = Load(Path("x.qvi"));
  ASSERT_TRUE(loaded->Ok) << loaded->Error.toStdString();
  EXPECT_EQ(loaded->FormatId, QvFormatId::Qvi);
  EXPECT_EQ(ReadBytes(Path("x.qvi")), before);
  EXPECT_EQ(QFileInfo(Path("x.qvi")).lastModified(), modified);
  // A QVI is exactly a JPEG with its first 16 bytes complemented.
  QByteArray revealed = before;
  ASSERT_TRUE(RevealHeader(reinterpret_cast<uint8_t*>(revealed.data()), uint64_t(revealed.size())));
  WriteBytes(Path("x.jpg"), revealed);
  auto asJpeg = Load(Path("x.jpg"));
  ASSERT_TRUE(asJpeg->Ok);
  EXPECT_EQ(FirstDifference(*asJpeg->Image.Pixels(), *loaded->Image.Pixels()), "");
}

TEST(CodecHeaders, HideAndRevealOnlyTouchJpegHeadersLongerThanSixteenBytes) {
  QByteArray jfif("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00", 17);
  QByteArray exif("\xFF\xD8\xFF\xE1\x00\x10""Exif\x00\x00II*\x00\x08\x00", 17);
  QByteArray png("\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR\x00", 17);
  QByteArray shortJpeg = jfif.left(16);
  auto hide = [](QByteArray& b) { return HideHeader(reinterpret_cast<uint8_t*>(b.data()), uint64_t(b.size())); };
  auto reveal = [](QByteArray& b) { return RevealHeader(reinterpret_cast<uint8_t*>(b.data()), uint64_t(b.size())); };
  for (QByteArray* bytes : {&jfif, &exif}) {
    const QByteArray original = *bytes;
    EXPECT_TRUE(hide(*bytes));
    EXPECT_NE(*bytes, original);
    EXPECT_FALSE(hide(*bytes));  // already hidden
    EXPECT_TRUE(reveal(*bytes));
    EXPECT_EQ(*bytes, original);
    EXPECT_FALSE(reveal(*bytes));  // a plain JPEG is not a QVI
  }
  const QByteArray pngBefore = png, shortBefore = shortJpeg;
  EXPECT_FALSE(hide(png));
  EXPECT_FALSE(hide(shortJpeg));
  EXPECT_EQ(png, pngBefore);
  EXPECT_EQ(shortJpeg, shortBefore);
}

// Damaged input of every kind fails with a message, leaves no image, and the file is untouched.
TEST_F(CodecFiles, DamagedFilesFailClearly) {
  auto bitmap = MakeBitmap(64, 64);
  TQvImageProperties properties;
  struct TSource {
    const char* Name;
    int32_t FormatId;
  };
  const TSource sources[] = {{"s.jpg", QvFormatId::Jpeg}, {"s.png", QvFormatId::Png}, {"s.tif", QvFormatId::Tiff},
                             {"s.bmp", QvFormatId::Bmp}, {"s.qvi", QvFormatId::Qvi}};
  for (const TSource& source : sources) {
    ASSERT_TRUE(Save(*bitmap, properties, Path(source.Name), source.FormatId));
    const QByteArray good = ReadBytes(Path(source.Name));
    struct TDamage {
      const char* What;
      QByteArray Bytes;
    };
    QByteArray garbage = good;
    for (qsizetype i = 16; i < garbage.size(); ++i) garbage[i] = char((i * 131) ^ 0x5A);
    const TDamage damages[] = {
        {"empty", QByteArray()},
        {"header only", good.left(20)},
        {"half", good.left(good.size() / 2)},
        {"all but the last 40 bytes", good.left(good.size() - 40)},
        {"garbage after the signature", garbage},
    };
    for (const TDamage& damage : damages) {
      SCOPED_TRACE(std::string(source.Name) + ": " + damage.What);
      const QString name = Path(QStringLiteral("bad-") + QString::fromLatin1(source.Name));
      WriteBytes(name, damage.Bytes);
      auto loaded = Load(name);
      EXPECT_FALSE(loaded->Ok);
      EXPECT_FALSE(loaded->Error.isEmpty());
      EXPECT_EQ(loaded->Image.Pixels(), nullptr);
      EXPECT_EQ(ReadBytes(name), damage.Bytes);
    }
  }
}

TEST_F(CodecFiles, ContentDecidesNotTheExtension) {
  auto bitmap = MakeBitmap(8, 8);
  TQvImageProperties properties;
  ASSERT_TRUE(Save(*bitmap, properties, Path("real.png"), QvFormatId::Png));
  QFile::copy(Path("real.png"), Path("lying.jpg"));
  auto loaded = Load(Path("lying.jpg"));
  ASSERT_TRUE(loaded->Ok);
  EXPECT_EQ(loaded->FormatId, QvFormatId::Png);

  WriteBytes(Path("text.png"), "This is a text file, not a picture.\n");
  auto text = Load(Path("text.png"));
  EXPECT_FALSE(text->Ok);
  EXPECT_FALSE(text->Error.isEmpty());

  auto missing = Load(Path("missing.png"));
  EXPECT_FALSE(missing->Ok);
  EXPECT_FALSE(missing->Error.isEmpty());
}

TEST_F(CodecFiles, FailedSaveLeavesTheOldFile) {
  auto bitmap = MakeBitmap(8, 8);
  TQvImageProperties properties;
  ASSERT_TRUE(Save(*bitmap, properties, Path("keep.png"), QvFormatId::Png));
  const QByteArray before = ReadBytes(Path("keep.png"));

  // Nothing to save: an area outside the image.
  TQvSaveSource source;
  source.Pixels = bitmap->Pixels();
  source.Properties = &properties;
  source.Area = TRect{100, 100, 120, 120};
  QString error;
  EXPECT_FALSE(SaveImageFile(source, Path("keep.png"), QvFormatId::Png, error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(ReadBytes(Path("keep.png")), before);

  // A folder that cannot hold the file: the path runs through a plain file.
  EXPECT_FALSE(Save(*bitmap, properties, Path("keep.png/inside.png"), QvFormatId::Png, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(ReadBytes(Path("keep.png")), before);

  // An unknown format id writes nothing.
  EXPECT_FALSE(Save(*bitmap, properties, Path("keep.png"), 7, &error));
  EXPECT_EQ(ReadBytes(Path("keep.png")), before);
  // And no scratch files are left in the folder.
  EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(CodecFiles, CancelledQualityQuestionWritesNothingAndTellsNobody) {
  auto bitmap = MakeBitmap(8, 8);
  TQvImageProperties properties;
  int saving = 0;
  TQvSaveSource source;
  source.Pixels = bitmap->Pixels();
  source.Properties = &properties;
  source.AskJpegQuality = [](int32_t&) { return false; };
  source.DocumentSaving = [&saving] { ++saving; };
  QString error;
  EXPECT_FALSE(SaveImageFile(source, Path("c.jpg"), QvFormatId::Jpeg, error));
  EXPECT_TRUE(error.isEmpty());
  EXPECT_EQ(saving, 0);
  EXPECT_FALSE(QFile::exists(Path("c.jpg")));
  // QVI is always quality 100 and never asks.
  EXPECT_TRUE(SaveImageFile(source, Path("c.qvi"), QvFormatId::Qvi, error));
  EXPECT_EQ(saving, 1);
}

TEST_F(CodecFiles, SaveDropsThumbnailItemsFromTheDocument) {
  auto bitmap = MakeBitmap(8, 8);
  TQvImageProperties properties;
  const uint8_t bytes[4] = {1, 0, 0, 0};
  for (uint32_t id : {0x5011u, 0x5012u, 0x5019u, 0x501Au, 0x501Bu, 0x503Bu, 0x503Cu})
    properties.SetValue(id, QvPropertyTypeCode::Long, 4, bytes);
  ASSERT_TRUE(Save(*bitmap, properties, Path("t.png"), QvFormatId::Png));
  std::vector<uint32_t> kept;
  for (int i = 0; i < properties.Count(); ++i) kept.push_back(properties.Items(i)->Key);
  EXPECT_EQ(kept, (std::vector<uint32_t>{0x5011u, 0x501Au, 0x503Cu}));
}

TEST_F(CodecFiles, ExchangeLoaderGoesFirst) {
  WriteBytes(Path("exchange.bin"), "PSPF");
  TLoaded loaded;
  TQvLoadTarget target;
  target.Image = &loaded.Image;
  target.Properties = &loaded.Properties;
  target.ExchangeLoader = [](const QString&, QString&) { return TQvExchangeLoad::Loaded; };
  int32_t formatId = 0;
  QString error;
  EXPECT_TRUE(LoadImageFile(target, Path("exchange.bin"), formatId, error));
  EXPECT_EQ(formatId, QvFormatId::PluginImage);
  target.ExchangeLoader = [](const QString&, QString&) { return TQvExchangeLoad::Failed; };
  EXPECT_FALSE(LoadImageFile(target, Path("exchange.bin"), formatId, error));
  EXPECT_FALSE(error.isEmpty());
}

TEST(CodecEncoders, FindEncoderIsExactAndCaseSensitive) {
  EXPECT_EQ(FindEncoder(QStringLiteral("image/jpeg")), 0);
  EXPECT_EQ(FindEncoder(QStringLiteral("image/bmp")), 3);
  EXPECT_EQ(FindEncoder(QStringLiteral("image/JPEG")), -1);
  EXPECT_EQ(FindEncoder(QStringLiteral("image/gif")), -1);
}

}  // namespace

namespace {

// A few bytes claiming a gigapixel picture must be refused before any pixel memory is taken.
TEST_F(CodecFiles, AbsurdSizesAreRefusedBeforeAllocating) {
  auto bitmap = MakeBitmap(16, 16);
  TQvImageProperties properties;
  ASSERT_TRUE(Save(*bitmap, properties, Path("small.jpg"), QvFormatId::Jpeg));
  QByteArray jpeg = ReadBytes(Path("small.jpg"));
  const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
  ASSERT_GT(sof, 0);
  jpeg[sof + 5] = char(0xEA);  // height 60000
  jpeg[sof + 6] = char(0x60);
  jpeg[sof + 7] = char(0xEA);  // width 60000
  jpeg[sof + 8] = char(0x60);
  WriteBytes(Path("huge.jpg"), jpeg);
  auto loaded = Load(Path("huge.jpg"));
  EXPECT_FALSE(loaded->Ok);
  EXPECT_EQ(loaded->Error, "The image is too large to open.");
  EXPECT_EQ(CreateThumbnail(Path("huge.jpg"), 160, 120), nullptr);
}

}  // namespace

// JPEG and QVI go to the file a megabyte at a time as they are encoded: a picture of several
// pieces must come out whole (a QVI hidden in its header only), and a write refused part-way
// must leave the old file and no scratch file.
TEST_F(CodecFiles, StreamedJpegSavesAreWholeOrNothing) {
  auto bitmap = std::make_unique<TQvLTBitmap>();
  ASSERT_TRUE(bitmap->Allocate(2000, 1600, PixelFormat24));
  uint32_t state = 12345;
  for (int32_t y = 0; y < 1600; ++y) {
    uint8_t* p = bitmap->Pixels()->PixelAt(0, y);
    for (int32_t i = 0; i < 2000 * 3; ++i) {
      state = state * 1664525u + 1013904223u;  // noise: nothing compresses it much
      p[i] = uint8_t(state >> 24);
    }
  }
  TQvImageProperties properties;
  ASSERT_TRUE(Save(*bitmap, properties, Path("big.jpg"), QvFormatId::Jpeg, nullptr, 95));
  ASSERT_TRUE(Save(*bitmap, properties, Path("big.qvi"), QvFormatId::Qvi, nullptr, 95));
  ASSERT_GT(ReadBytes(Path("big.jpg")).size(), 3 << 20) << "the test needs several pieces";
  const QByteArray hidden = ReadBytes(Path("big.qvi"));
  ASSERT_GT(hidden.size(), 3 << 20);
  EXPECT_NE(uint8_t(hidden[0]), 0xFF);
  // Every piece after the first as encoded: a damaged picture would not open.
  for (const char* name : {"big.jpg", "big.qvi"}) {
    auto loaded = Load(Path(name));
    ASSERT_TRUE(loaded->Ok) << name << ": " << loaded->Error.toStdString();
    EXPECT_EQ(loaded->Image.Width(), 2000);
    EXPECT_EQ(loaded->Image.Height(), 1600);
  }

  // Files may grow to 2 MB only: the save fails in its third piece.
  ASSERT_TRUE(Save(*MakeBitmap(8, 8), properties, Path("keep.jpg"), QvFormatId::Jpeg));
  const QByteArray before = ReadBytes(Path("keep.jpg"));
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 2 << 20;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  QString error;
  const bool saved = Save(*bitmap, properties, Path("keep.jpg"), QvFormatId::Jpeg, &error, 95);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldSignal);
  EXPECT_FALSE(saved);
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(ReadBytes(Path("keep.jpg")), before);
  EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3) << "big.jpg, big.qvi, keep.jpg";
}
