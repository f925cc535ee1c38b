// The image format registry: the table, open and save through the codecs into a document, and
// what a corrupt file or a failing save leaves behind.

#include "QvGraphicsDocument.h"
#include "QvGraphicsFormats.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cstring>
#include <memory>

namespace {

class GraphicsFormatsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Application) FOwnApplication = std::make_unique<TQvApplication>();
    ASSERT_TRUE(FDir.isValid());
    // No modal dialog in tests: the quality question answers with what it is offered.
    Formats.QualityAsker = [](int32_t&) { return true; };
  }
  void TearDown() override { FOwnApplication.reset(); }

  QString Path(const QString& Name) const { return FDir.filePath(Name); }

  // A smooth, photo-like 64 × 48 JPEG with a few sharp edges.
  QString MakeJpeg(const QString& Name) {
    TQvLTBitmap Image;
    EXPECT_TRUE(Image.Allocate(64, 48));
    for (int32_t Y = 0; Y < 48; ++Y)
      for (int32_t X = 0; X < 64; ++X) {
        uint8_t* P = Image.Pixels()->PixelAt(X, Y);
        P[ChannelBlue] = uint8_t(X * 4);
        P[ChannelGreen] = uint8_t(Y * 5);
        P[ChannelRed] = uint8_t((X > 20 && X < 40 && Y > 10 && Y < 30) ? 220 : 60);
      }
    TQvImageProperties Properties;
    TQvSaveSource Source;
    Source.Pixels = Image.Pixels();
    Source.Properties = &Properties;
    QString Error;
    EXPECT_TRUE(SaveImageFile(Source, Path(Name), QvFormatId::Jpeg, Error)) << Error.toStdString();
    return Path(Name);
  }

  static bool SamePixels(const TQvPixels& A, const TQvPixels& B) {
    if (A.BoundsRect() != B.BoundsRect() || A.Format != B.Format) return false;
    for (int32_t Y = A.Top; Y < A.Top + A.Height; ++Y)
      if (std::memcmp(A.PixelAt(A.Left, Y), B.PixelAt(A.Left, Y), size_t(A.Width) * 3)) return false;
    return true;
  }

  static QByteArray ReadAll(const QString& Name) {
    QFile F(Name);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray();
  }

  TQvGraphicsFormats Formats;
  QTemporaryDir FDir;

 private:
  std::unique_ptr<TQvApplication> FOwnApplication;
};

TEST_F(GraphicsFormatsTest, TableAndFormatLists) {
  EXPECT_EQ(Formats.Count(), 5);
  EXPECT_EQ(Formats.Items(3).Mask, QStringLiteral("*.bmp;*.rle;*.dib"));
  EXPECT_EQ(Formats.Items(4).Extension, QStringLiteral(".qvi"));
  EXPECT_TRUE(Formats.Items(5).Description.isEmpty());
  EXPECT_TRUE(Formats.Items(-1).Description.isEmpty());
  TQvFileFormatInfos Save;
  Formats.GetSaveFormats(Save);
  ASSERT_EQ(Save.size(), 4);
  for (int I = 0; I < 4; ++I) EXPECT_EQ(Save[I].FormatId, I);  // never QVI
  TQvFileFormatInfos Open;
  Formats.GetOpenFormats(Open);
  ASSERT_EQ(Open.size(), 7);  // QVI opens although it is never offered for saving
  EXPECT_EQ(Open[4].FormatId, QvFormatId::Qvi);
  EXPECT_EQ(Open[5].Mask, QStringLiteral("*.jpg;*.jpeg;*.tif;*.tiff;*.png;*.bmp;*.rle;*.dib;*.qvi"));
}

TEST_F(GraphicsFormatsTest, FileInfoAndThumbnailOfAJpeg) {
  const QString Jpeg = MakeJpeg(QStringLiteral("photo.jpg"));
  std::unique_ptr<TQvFileInfo> Info;
  EXPECT_FALSE(Formats.GetFileInfo(FDir.path(), Info));  // a folder is no file
  EXPECT_FALSE(Formats.GetFileInfo(Path(QStringLiteral("missing.jpg")), Info));
  ASSERT_TRUE(Formats.GetFileInfo(Jpeg, Info));
  QString Text;
  Info->GetDescription(Text);
  EXPECT_FALSE(Text.isEmpty());

  std::unique_ptr<TQvThumbnail> Thumb;
  ASSERT_TRUE(Formats.CreateThumbnail(Jpeg, 32, 32, Thumb));
  QImage Canvas(100, 100, QImage::Format_RGB32);
  QPainter Painter(&Canvas);
  QRect Drawn;
  Thumb->Draw(Painter, QRect(0, 0, 100, 100), Drawn);
  EXPECT_EQ(Drawn.width(), 32);
  EXPECT_EQ(Drawn.height(), 24);
  EXPECT_FALSE(Formats.CreateThumbnail(Path(QStringLiteral("missing.jpg")), 32, 32, Thumb));
}

TEST_F(GraphicsFormatsTest, OpenChangeSaveAsPngAndTiffAndReopen) {
  TQvGraphicsDocument Doc;
  int Id = -5;
  QString Error;
  ASSERT_TRUE(Formats.LoadDocument(&Doc, MakeJpeg(QStringLiteral("photo.jpg")), Id, Error)) << Error.toStdString();
  EXPECT_EQ(Id, QvFormatId::Jpeg);
  ASSERT_EQ(Doc.Width(), 64);
  ASSERT_EQ(Doc.Height(), 48);
  EXPECT_TRUE(SamePixels(*Doc.OriginalPixels(), *Doc.Pixels()));
  EXPECT_TRUE(SamePixels(Doc.Backup(), *Doc.Pixels()));

  // A change through the protocol: begin, paint, report, commit.
  Doc.BeginModification(nullptr);
  const TRect Square{5, 5, 15, 12};
  for (int32_t Y = Square.Top; Y < Square.Bottom; ++Y)
    std::memset(Doc.Pixels()->PixelAt(Square.Left, Y), 0x11, size_t(Square.Width()) * 3);
  Doc.AddChangedRect(Square, false);
  Doc.CommitBackup(Doc.ChangedRect());
  Doc.EndModification(&Doc);
  EXPECT_FALSE(SamePixels(*Doc.OriginalPixels(), *Doc.Pixels()));

  const struct {
    const char* Name;
    int FormatId;
  } Cases[] = {{"out.png", QvFormatId::Png}, {"out.tif", QvFormatId::Tiff}, {"out.bmp", QvFormatId::Bmp}};
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    ASSERT_TRUE(Formats.SaveDocument(&Doc, Path(QString::fromLatin1(C.Name)), C.FormatId, Error))
        << Error.toStdString();
    TQvGraphicsDocument Again;
    ASSERT_TRUE(Formats.LoadDocument(&Again, Path(QString::fromLatin1(C.Name)), Id, Error));
    EXPECT_EQ(Id, C.FormatId);
    EXPECT_TRUE(SamePixels(*Again.Pixels(), *Doc.Pixels()));
  }

  // Saving an area writes only that part.
  Doc.SetArea(TRect{4, 4, 20, 14});
  ASSERT_TRUE(Formats.SaveDocument(&Doc, Path(QStringLiteral("area.png")), QvFormatId::Png, Error));
  TQvGraphicsDocument Part;
  ASSERT_TRUE(Formats.LoadDocument(&Part, Path(QStringLiteral("area.png")), Id, Error));
  EXPECT_EQ(Part.Width(), 16);
  EXPECT_EQ(Part.Height(), 10);
  EXPECT_EQ(Part.Pixels()->PixelAt(1, 1)[0], 0x11);
}

TEST_F(GraphicsFormatsTest, JpegSaveAsksForTheQualityAndKeepsTheAnswer) {
  TQvGraphicsDocument Doc;
  int Id = 0;
  QString Error;
  ASSERT_TRUE(Formats.LoadDocument(&Doc, MakeJpeg(QStringLiteral("photo.jpg")), Id, Error));
  int32_t Offered = -1;
  Formats.QualityAsker = [&Offered](int32_t& Q) {
    Offered = Q;
    Q = 95;
    return true;
  };
  ASSERT_TRUE(Formats.SaveDocument(&Doc, Path(QStringLiteral("q.jpg")), QvFormatId::Jpeg, Error));
  EXPECT_EQ(Offered, 80);
  EXPECT_EQ(Formats.FQuality, 95);

  // Cancelled: nothing written, no error text, quality kept.
  Formats.QualityAsker = [](int32_t& Q) {
    Q = 5;
    return false;
  };
  Error.clear();
  EXPECT_FALSE(Formats.SaveDocument(&Doc, Path(QStringLiteral("cancelled.jpg")), QvFormatId::Jpeg, Error));
  EXPECT_TRUE(Error.isEmpty());
  EXPECT_FALSE(QFile::exists(Path(QStringLiteral("cancelled.jpg"))));
  EXPECT_EQ(Formats.FQuality, 95);
}

TEST_F(GraphicsFormatsTest, CorruptFileFailsAndLeavesTheDocumentAsItWas) {
  TQvGraphicsDocument Doc;
  int Id = 0;
  QString Error;
  const QString Good = MakeJpeg(QStringLiteral("photo.jpg"));
  ASSERT_TRUE(Formats.LoadDocument(&Doc, Good, Id, Error));
  Doc.SetArea(TRect{1, 1, 9, 9});
  TQvPixelBuffer Before;
  Doc.GetImages(Before, nullptr);

  const QByteArray Whole = ReadAll(Good);
  const struct {
    const char* Name;
    QByteArray Bytes;
  } Cases[] = {
      {"text.jpg", QByteArray("this is not an image")},
      {"truncated.jpg", Whole.left(Whole.size() / 3)},
      {"empty.png", QByteArray()},
      {"header-only.png", QByteArray("\x89PNG\r\n\x1a\n", 8)},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    QFile F(Path(QString::fromLatin1(C.Name)));
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.write(C.Bytes);
    F.close();
    Id = 77;
    Error.clear();
    EXPECT_FALSE(Formats.LoadDocument(&Doc, F.fileName(), Id, Error));
    EXPECT_FALSE(Error.isEmpty());
    EXPECT_EQ(Id, 77);
    EXPECT_TRUE(SamePixels(*Doc.Pixels(), Before));
    EXPECT_TRUE(SamePixels(*Doc.OriginalPixels(), Before));
    EXPECT_TRUE(SamePixels(Doc.Backup(), Before));
    EXPECT_EQ(Doc.Area(), (TRect{1, 1, 9, 9}));
    EXPECT_EQ(ReadAll(F.fileName()), C.Bytes) << "opening must not write";
  }
  EXPECT_FALSE(Formats.LoadDocument(&Doc, Path(QStringLiteral("missing.jpg")), Id, Error));
}

TEST_F(GraphicsFormatsTest, FailedSaveReportsAndLosesNothing) {
  TQvGraphicsDocument Doc;
  int Id = 0;
  QString Error;
  ASSERT_TRUE(Formats.LoadDocument(&Doc, MakeJpeg(QStringLiteral("photo.jpg")), Id, Error));
  // A "folder" that is a file: no write can succeed there, even as root.
  QFile Blocker(Path(QStringLiteral("blocker")));
  ASSERT_TRUE(Blocker.open(QIODevice::WriteOnly));
  Blocker.write("x");
  Blocker.close();
  // An existing file that a save must leave alone when it fails.
  QFile Old(Path(QStringLiteral("old.png")));
  ASSERT_TRUE(Old.open(QIODevice::WriteOnly));
  Old.write("old contents");
  Old.close();
  ASSERT_TRUE(QDir().mkdir(Path(QStringLiteral("folder.png"))));

  const struct {
    const char* Name;
    int FormatId;
  } Cases[] = {
      {"blocker/out.png", QvFormatId::Png},
      {"blocker/out.jpg", QvFormatId::Jpeg},
      {"old.png", 42},                       // no such format
      {"folder.png", QvFormatId::Png},       // a folder in the way
      {"missing-folder/x.tif", QvFormatId::Tiff},
  };
  const QStringList Listing = QDir(FDir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    Error.clear();
    EXPECT_FALSE(Formats.SaveDocument(&Doc, Path(QString::fromLatin1(C.Name)), C.FormatId, Error));
    EXPECT_FALSE(Error.isEmpty());
  }
  EXPECT_EQ(ReadAll(Old.fileName()), QByteArray("old contents"));
  EXPECT_EQ(QDir(FDir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), Listing)
      << "no temporary file may be left behind";
  EXPECT_TRUE(QDir(Path(QStringLiteral("folder.png"))).isEmpty());

  TQvGraphicsDocument Empty;
  EXPECT_FALSE(Formats.SaveDocument(&Empty, Path(QStringLiteral("empty.png")), QvFormatId::Png, Error));
  EXPECT_FALSE(QFile::exists(Path(QStringLiteral("empty.png"))));
}

}  // namespace
