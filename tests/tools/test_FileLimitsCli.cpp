// ocuvane-cli on files that lie about their length, and the PNG files it writes as other programs
// read them (exiftool).

#include "QvPeakBudget.h"
#include "RedEyeFixture.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// The largest peak of the children waited for so far, in kilobytes.
int64_t ChildrenPeakKilobytes() {
  rusage Usage{};
  getrusage(RUSAGE_CHILDREN, &Usage);
  return Usage.ru_maxrss;
}

TEST(FileLimitsCli, InfoAndConvertOfA4GiBFileReadOnlyWhatThePictureNeeds) {
  QTemporaryDir Dir;
  const QString Sample = SamplePath();
  const QByteArray Photo = FileBytes(Sample);
  ASSERT_FALSE(Photo.isEmpty());
  struct TCase {
    const char* Name;
    QByteArray Head;
    bool Image;
  };
  const TCase Cases[] = {
      {"begins like a JPEG", QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20),
       false},
      {"a photo, then a hole", Photo, true},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    const QString In = Dir.filePath(QStringLiteral("long.jpg"));
    {
      QFile F(In);
      ASSERT_TRUE(F.open(QIODevice::WriteOnly));
      F.write(C.Head);
    }
    ASSERT_EQ(::truncate(QFile::encodeName(In).constData(), off_t(4) << 30), 0);  // sparse: costs no disk
    const TRun Info = RunCli({QStringLiteral("info"), In});
    EXPECT_EQ(Info.Code == 0, C.Image) << Info.Err.constData();
    if (C.Image) {
      EXPECT_TRUE(Info.Out.contains("311")) << Info.Out.constData();
    }
    const TRun Convert = RunCli({QStringLiteral("convert"), In, Dir.filePath(QStringLiteral("out.png"))});
    EXPECT_EQ(Convert.Code == 0, C.Image) << Convert.Err.constData();
    EXPECT_LT(ChildrenPeakKilobytes(), PeakBudgetKilobytes);
  }
}

QByteArray Exiftool(const QStringList& Args) {
  QProcess P;
  P.start(QStandardPaths::findExecutable(QStringLiteral("exiftool")), Args);
  P.waitForFinished(60000);
  return P.readAllStandardOutput() + P.readAllStandardError();
}

// The APP1 segment's length field of a JPEG that starts with APP0 then APP1.
int App1Length(const QByteArray& Jpeg) {
  const int App0 = (uint8_t(Jpeg[4]) << 8) | uint8_t(Jpeg[5]);
  const int At = 4 + App0;
  return uint8_t(Jpeg[At + 1]) == 0xE1 ? (uint8_t(Jpeg[At + 2]) << 8) | uint8_t(Jpeg[At + 3]) : -1;
}

TEST(FileLimitsCli, APngKeepsEveryExifTagAndPutsItsMetadataBeforeThePicture) {
  if (QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty()) GTEST_SKIP() << "exiftool missing";
  QTemporaryDir Dir;
  // Long comments that make the EXIF segment 65,000 bytes and the most a segment can hold.
  for (const int Wanted : {65000, 65535}) {
    SCOPED_TRACE(Wanted);
    const QString In = Dir.filePath(QStringLiteral("in.jpg")), Out = Dir.filePath(QStringLiteral("out.png"));
    const QString Comment = Dir.filePath(QStringLiteral("comment.txt"));
    int CommentSize = 64000;
    for (int Attempt = 0; Attempt < 3; ++Attempt) {
      QFile::remove(In);
      ASSERT_TRUE(QFile::copy(SamplePath(), In));
      QFile F(Comment);
      ASSERT_TRUE(F.open(QIODevice::WriteOnly));
      F.write(QByteArray(CommentSize, 'c'));
      F.close();
      Exiftool({QStringLiteral("-q"), QStringLiteral("-overwrite_original"), QStringLiteral("-UserComment<=") + Comment, In});
      const int Length = App1Length(FileBytes(In));
      if (Length == Wanted) break;
      CommentSize += Wanted - Length;
    }
    ASSERT_EQ(App1Length(FileBytes(In)), Wanted);
    ASSERT_EQ(RunCli({QStringLiteral("convert"), In, Out}).Code, 0);
    const QByteArray Tag = Exiftool({QStringLiteral("-s3"), QStringLiteral("-UserComment"), Out}).trimmed();
    EXPECT_EQ(Tag.size(), CommentSize) << "the comment came through whole";

    const QByteArray Warnings = Exiftool({QStringLiteral("-validate"), QStringLiteral("-warning"), QStringLiteral("-a"), Out});
    EXPECT_FALSE(Warnings.contains("IDAT")) << Warnings.constData();
    // Readers that stop at the picture still find the metadata.
    const QByteArray Png = FileBytes(Out);
    const qsizetype Exif = Png.indexOf("eXIf"), Picture = Png.indexOf("IDAT");
    EXPECT_GT(Exif, 0);
    EXPECT_LT(Exif, Picture);
  }
}

}  // namespace
