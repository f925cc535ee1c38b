// What ocuvane-cli leaves when its save goes wrong: killed at any moment of a 24-megapixel save,
// lossless or encoded afresh, the target is the old file or the new complete one and nothing else
// is in the folder; special files are refused and left as they were; a replaced file of another
// user keeps its owner, group and mode.

#include "QvApplication.h"
#include "QvGraphicsDocument.h"
#include "QvGraphicsEditor.h"
#include "QvImageCodecs.h"
#include "QvLTBitmap.h"
#include "QvRedEyeTool.h"
#include "QvVJPEG.h"
#include "RedEyeFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int32_t PhotoWidth = 6000, PhotoHeight = 4000;
const TPoint Eyes[2] = {{1500, 1000}, {4500, 3100}};

QString Cli() { return QCoreApplication::applicationDirPath() + QStringLiteral("/ocuvane-cli"); }

// A photo-like picture (gradients, texture, a little noise) with two red pupils at Eyes.
bool WritePhoto(const QString& Name, int32_t Width, int32_t Height) {
  TQvLTBitmap Bitmap;
  if (!Bitmap.Allocate(Width, Height, PixelFormat24) || !Bitmap.Pixels()) return false;
  TQvPixels& P = *Bitmap.Pixels();
  uint32_t Noise = 7;
  for (int32_t Y = 0; Y < Height; ++Y) {
    uint8_t* Row = P.Bits + int64_t(Y) * P.Stride;
    for (int32_t X = 0; X < Width; ++X, Row += 3) {
      Noise = Noise * 1664525u + 1013904223u;
      const int N = int(Noise >> 29) - 4;
      Row[0] = uint8_t(std::clamp(60 + X * 120 / Width + ((X + 3 * Y) % 29) + N, 0, 255));
      Row[1] = uint8_t(std::clamp(50 + Y * 150 / Height + ((2 * X + Y) % 19) - N, 0, 255));
      Row[2] = uint8_t(std::clamp(120 + ((X / 7 + Y / 5) % 40) + N, 0, 255));
    }
  }
  for (const TPoint& E : Eyes)
    for (int32_t Y = E.Y - 9; Y <= E.Y + 9; ++Y)
      for (int32_t X = E.X - 9; X <= E.X + 9; ++X)
        if ((X - E.X) * (X - E.X) + (Y - E.Y) * (Y - E.Y) <= 81) {
          uint8_t* Pixel = P.Bits + int64_t(Y) * P.Stride + int64_t(X) * 3;
          Pixel[0] = 30;
          Pixel[1] = 25;
          Pixel[2] = 210;
        }
  TQvImageProperties Properties;
  TQvSaveSource Source;
  Source.Pixels = &P;
  Source.Properties = &Properties;
  Source.AskJpegQuality = [](int32_t& Quality) {
    Quality = 90;
    return true;
  };
  QString Error;
  return SaveImageFile(Source, Name, QvFormatId::Jpeg, Error);
}

QStringList Entries(const QString& Folder) {
  return QDir(Folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

bool WriteBytes(const QString& Name, const QByteArray& Bytes) {
  QFile F(Name);
  return F.open(QIODevice::WriteOnly | QIODevice::Truncate) && F.write(Bytes) == Bytes.size();
}

// Whether the running process has a file open in Folder other than its input In (its output,
// named or not).
bool WritesInto(qint64 Pid, const QString& Folder, const QString& In) {
  const QDir Fds(QStringLiteral("/proc/%1/fd").arg(Pid));
  for (const QString& Fd : Fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
    const QString Target = QFile::symLinkTarget(Fds.filePath(Fd));
    if (Target.startsWith(Folder + QLatin1Char('/')) && Target != In) return true;
  }
  return false;
}

class SaveSafetyCli : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Photo = new QTemporaryDir;
    PhotoName = Photo->filePath(QStringLiteral("photo.jpg"));
    if (!WritePhoto(PhotoName, PhotoWidth, PhotoHeight)) PhotoName.clear();
  }
  static void TearDownTestSuite() {
    delete Photo;
    Photo = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(Dir.isValid());
    ASSERT_FALSE(PhotoName.isEmpty());
  }
  QString Path(const QString& Name) const { return Dir.filePath(Name); }

  // Kills the save at twenty moments spread over its run, and at the moments its output is open;
  // after each the target must be the old bytes or all of the new ones, and nothing else there.
  void KillAtEveryMoment(const QStringList& Options) {
    const QString Folder = Path(QStringLiteral("work"));
    ASSERT_TRUE(QDir().mkpath(Folder));
    const QString In = Folder + QStringLiteral("/in.jpg"), Out = Folder + QStringLiteral("/out.jpg");
    ASSERT_TRUE(QFile::copy(PhotoName, In));
    const QByteArray Old = FileBytes(SamplePath());
    const QStringList Args = QStringList{QStringLiteral("redeye"), In, Out} + Options;

    // Two undisturbed runs: the second, with warm caches, times the moments, and both must write
    // the same bytes, or no run could be compared with them.
    QByteArray New;
    qint64 Duration = 0;
    for (int Run = 0; Run < 2; ++Run) {
      ASSERT_TRUE(WriteBytes(Out, Old));
      QElapsedTimer Clock;
      Clock.start();
      const TRun Whole = RunProgram(Cli(), Args);
      Duration = Clock.elapsed();
      ASSERT_EQ(Whole.Code, 0) << Whole.Err.constData();
      const QByteArray Written = FileBytes(Out);
      if (Run == 0) New = Written;
      ASSERT_TRUE(Written == New) << "two runs wrote different files";
    }
    ASSERT_NE(New, Old);

    int OldSeen = 0, NewSeen = 0;
    for (int Point = 0; Point < 23; ++Point) {
      SCOPED_TRACE(Point);
      ASSERT_TRUE(WriteBytes(Out, Old));
      QProcess P;
      P.start(Cli(), Args);
      ASSERT_TRUE(P.waitForStarted());
      if (Point < 20) {
        // Twenty moments from the start to a little past the end of an undisturbed run.
        P.waitForFinished(int(Duration * (Point + 1) / 19));
      } else {
        // Once the output is open, right away or a few milliseconds on.
        QElapsedTimer Waited;
        Waited.start();
        while (P.state() == QProcess::Running && !WritesInto(P.processId(), Folder, In) && Waited.elapsed() < 4 * Duration)
          P.waitForFinished(1);
        if (Point > 20) P.waitForFinished(Point == 21 ? 2 : 10);
      }
      if (P.state() == QProcess::Running) {
        P.kill();
        ASSERT_TRUE(P.waitForFinished(30000));
      }
      const QByteArray Now = FileBytes(Out);
      EXPECT_TRUE(Now == Old || Now == New) << "target of " << Now.size() << " bytes";
      OldSeen += Now == Old;
      NewSeen += Now == New;
      EXPECT_EQ(Entries(Folder), (QStringList{QStringLiteral("in.jpg"), QStringLiteral("out.jpg")}));
    }
    // The moments reached both sides of the save.
    EXPECT_GT(OldSeen, 0);
    EXPECT_GT(NewSeen, 0);
  }

  QTemporaryDir Dir;
  static inline QTemporaryDir* Photo = nullptr;
  static inline QString PhotoName;
};

TEST_F(SaveSafetyCli, AKilledLosslessSaveLeavesTheOldFileOrTheNewOneAndNothingElse) {
  KillAtEveryMoment({QStringLiteral("--at=1500,1000"), QStringLiteral("--at=4500,3100")});
}

TEST_F(SaveSafetyCli, AKilledFreshlyEncodedSaveLeavesTheOldFileOrTheNewOneAndNothingElse) {
  KillAtEveryMoment({QStringLiteral("--at=1500,1000"), QStringLiteral("--at=4500,3100"), QStringLiteral("--quality=85")});
}

// Only the rows around the points are decoded for a lossless correction; the file written is
// byte for byte the one the editor writes after decoding the whole picture.
TEST_F(SaveSafetyCli, ALosslessCorrectionNearThePointsWritesWhatAWholeDecodeWrites) {
  const QString Near = Path(QStringLiteral("near.jpg")), Whole = Path(QStringLiteral("whole.jpg"));
  const TRun R = RunProgram(Cli(), {QStringLiteral("redeye"), PhotoName, Near, QStringLiteral("--at=1500,1000"),
                                    QStringLiteral("--at=4500,3100")});
  ASSERT_EQ(R.Code, 0) << R.Err.constData();

  const auto Factory = TQvGraphicsDocument::EngineFactory;
  TQvGraphicsDocument::EngineFactory = CreateVJPEGObject;
  {
    TQvApplication App;
    App.SetMessageBoxHandler([](const QString&, const QString&, int) { return QvMB::IDNO; });
    App.CreateModule(GraphicsEditor);
    App.CreateModule(RedEyeTool);
    TQvDocument* Opened = nullptr;
    ASSERT_TRUE(GraphicsEditor->OpenFile(PhotoName, Opened, false));
    auto* Doc = qobject_cast<TQvGraphicsDocument*>(Opened);
    ASSERT_TRUE(Doc && Doc->Engine() && Doc->Engine()->IsLoaded());
    for (const TPoint& E : Eyes) {
      RedEyeTool->SetSeed(E);
      RedEyeTool->Apply();
    }
    QString Error;
    ASSERT_TRUE(GraphicsEditor->Formats().SaveDocument(Doc, Whole, QvFormatId::Jpeg, Error)) << Error.toStdString();
    App.DestroyComponents();
  }
  TQvGraphicsDocument::EngineFactory = Factory;
  GraphicsEditor = nullptr;
  RedEyeTool = nullptr;
  const QByteArray A = FileBytes(Near), B = FileBytes(Whole);
  EXPECT_EQ(A.size(), B.size());
  EXPECT_TRUE(A == B);
  EXPECT_NE(A, FileBytes(PhotoName));  // the pupils were corrected
}

// A file that cannot be written is a failure to write (exit status 1), not a wrong call, even when
// its name has no image extension: what it is says more than what it is called.
TEST_F(SaveSafetyCli, SpecialFilesAreRefusedWithAMessageAndLeftAsTheyWere) {
  const QByteArray Pipe = QFile::encodeName(Path(QStringLiteral("pipe")));
  ASSERT_EQ(::mkfifo(Pipe.constData(), 0600), 0);
  ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("album.png"))));
  ASSERT_EQ(::symlink(Pipe.constData(), QFile::encodeName(Path(QStringLiteral("pipe.jpg"))).constData()), 0);
  ASSERT_EQ(::symlink(Pipe.constData(), QFile::encodeName(Path(QStringLiteral("pipe.png"))).constData()), 0);
  const QStringList Before = Entries(Dir.path());
  const QString Sample = SamplePath();
  const struct {
    const char* Name;
    QStringList Args;
  } Cases[] = {
      {"lossless onto a FIFO", {QStringLiteral("redeye"), Sample, Path(QStringLiteral("pipe")), QStringLiteral("--at=82,81")}},
      {"lossless through a link to a FIFO", {QStringLiteral("redeye"), Sample, Path(QStringLiteral("pipe.jpg")), QStringLiteral("--at=82,81")}},
      {"encoded through a link to a FIFO", {QStringLiteral("convert"), Sample, Path(QStringLiteral("pipe.png"))}},
      {"onto a folder", {QStringLiteral("convert"), Sample, Path(QStringLiteral("album.png"))}},
      {"onto a folder named with a slash", {QStringLiteral("convert"), Sample, Path(QStringLiteral("album.png/"))}},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    // A writer that opened the FIFO would wait for a reader forever; the deadline catches it.
    const TRun R = RunProgram(Cli(), C.Args);
    EXPECT_EQ(R.Code, 1) << R.Err.constData();
    EXPECT_TRUE(R.Err.contains("not a regular file")) << R.Err.constData();
  }
  EXPECT_EQ(Entries(Dir.path()), Before);
  EXPECT_TRUE(Entries(Path(QStringLiteral("album.png"))).isEmpty());
  struct stat St {};
  ASSERT_EQ(::lstat(Pipe.constData(), &St), 0);
  EXPECT_TRUE(S_ISFIFO(St.st_mode));
}

TEST_F(SaveSafetyCli, AReplacedFileOfAnotherUserKeepsItsOwnerGroupAndMode) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
  for (const char* Name : {"theirs.jpg", "theirs.png"}) {
    SCOPED_TRACE(Name);
    const QString Out = Path(QString::fromLatin1(Name));
    ASSERT_TRUE(WriteBytes(Out, "old"));
    const QByteArray Local = QFile::encodeName(Out);
    ASSERT_EQ(::chown(Local.constData(), 65534, 65533), 0);
    ASSERT_EQ(::chmod(Local.constData(), 0604), 0);
    const TRun R = RunProgram(Cli(), {QStringLiteral("redeye"), SamplePath(), Out, QStringLiteral("--at=82,81")});
    ASSERT_EQ(R.Code, 0) << R.Err.constData();
    struct stat St {};
    ASSERT_EQ(::stat(Local.constData(), &St), 0);
    EXPECT_EQ(St.st_uid, uid_t(65534));
    EXPECT_EQ(St.st_gid, gid_t(65533));
    EXPECT_EQ(St.st_mode & 07777, mode_t(0604));
    EXPECT_GT(St.st_size, 3);
  }
}

}  // namespace
