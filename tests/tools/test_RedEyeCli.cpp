// The command-line program, run as a separate process from the folder the tests were built in.
#include "RedEyeFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>

#include <cstring>

TEST_F(RedEyeWorld, CliRedeyeGivesThePixelsOfTheEditor) {
  struct Case {
    int32_t Area;
    int32_t Brightness;
    int32_t Formula;
    int32_t Border;
  };
  const Case Cases[] = {{176, 50, 0, 0}, {150, 90, 1, 2}, {200, 20, 2, -1}};
  int N = 0;
  for (const Case& C : Cases) {
    SCOPED_TRACE(N);
    Open(SamplePath());
    Tool->SetAreaSize(C.Area);
    Tool->SetBrightness(C.Brightness);
    Tool->SetFormula(C.Formula);
    Tool->SetBorder(C.Border);
    Click(LeftPupil);
    Click(RightPupil);
    const QString Out = Dir.filePath(QStringLiteral("cli%1.png").arg(N++));
    const TRun R = RunCli({QStringLiteral("redeye"), SamplePath(), Out, QStringLiteral("--at"), QStringLiteral("82,81"),
                           QStringLiteral("--at=232,33"), QStringLiteral("--area"), QString::number(C.Area),
                           QStringLiteral("--brightness"), QString::number(C.Brightness), QStringLiteral("--formula"),
                           QString::number(C.Formula + 1), QStringLiteral("--border"), QString::number(C.Border)});
    ASSERT_EQ(R.Code, 0) << R.Err.constData();
    EXPECT_TRUE(R.Err.isEmpty());
    EXPECT_EQ(FirstDifference(QImage(Out), *Doc->Pixels()), "");
  }
}

TEST_F(RedEyeWorld, CliConvertKeepsAJpegOrEncodesItAtTheQualityGivenAndInfoDescribes) {
  const QString Kept = Dir.filePath(QStringLiteral("kept.jpg"));
  const QString At80 = Dir.filePath(QStringLiteral("q80.JPEG"));
  const QString At30 = Dir.filePath(QStringLiteral("q30.jpg"));
  const QString FromPng = Dir.filePath(QStringLiteral("from-png.jpg"));
  const QString Png = Dir.filePath(QStringLiteral("copy.png"));
  ASSERT_EQ(RunCli({QStringLiteral("convert"), SamplePath(), Kept}).Code, 0);
  ASSERT_EQ(RunCli({QStringLiteral("convert"), SamplePath(), At80, QStringLiteral("--quality"), QStringLiteral("80")}).Code, 0);
  ASSERT_EQ(RunCli({QStringLiteral("convert"), SamplePath(), At30, QStringLiteral("--quality=30")}).Code, 0);
  ASSERT_EQ(RunCli({QStringLiteral("convert"), SamplePath(), Png}).Code, 0);
  // A JPEG without a quality is written by the lossless engine: the same picture exactly.
  EXPECT_EQ(QImage(Kept), QImage(SamplePath()));
  EXPECT_NE(FileBytes(At80), FileBytes(At30));
  EXPECT_EQ(QImage(At80).size(), QSize(311, 136));
  // Anything else becomes a JPEG at the default quality.
  ASSERT_EQ(RunCli({QStringLiteral("convert"), Png, FromPng}).Code, 0);
  EXPECT_EQ(FileBytes(FromPng), FileBytes(At80));

  Open(SamplePath());
  EXPECT_EQ(FirstDifference(QImage(Png), *Doc->Pixels()), "");

  const TRun Info = RunCli({QStringLiteral("info"), SamplePath()});
  ASSERT_EQ(Info.Code, 0) << Info.Err.constData();
  EXPECT_TRUE(Info.Out.contains("311")) << Info.Out.constData();
}

TEST_F(RedEyeWorld, CliRefusesBadCallsAndUnreadableFilesWithOneLineAndNoOutput) {
  const QString In = Dir.filePath(QStringLiteral("in.jpg"));
  ASSERT_TRUE(QFile::copy(SamplePath(), In));
  const QByteArray InBytes = FileBytes(In);
  const QString Text = Dir.filePath(QStringLiteral("text.jpg"));
  {
    QFile F(Text);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.write("not a picture at all\n");
  }
  const QString Truncated = Dir.filePath(QStringLiteral("truncated.jpg"));
  {
    QFile F(Truncated);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.write(InBytes.left(600));
  }
  const QString Out = Dir.filePath(QStringLiteral("out.png"));
  const QString At = QStringLiteral("--at");
  struct Case {
    QStringList Args;
    int Code;
  };
  const Case Cases[] = {
      {{}, 2},
      {{QStringLiteral("sharpen"), In, Out}, 2},
      {{QStringLiteral("redeye"), In, Out}, 2},
      {{QStringLiteral("redeye"), In, Out, At, QStringLiteral("12")}, 2},
      {{QStringLiteral("redeye"), In, Out, At, QStringLiteral("1,1"), QStringLiteral("--formula"), QStringLiteral("4")}, 2},
      {{QStringLiteral("redeye"), In, Out, At, QStringLiteral("1,1"), QStringLiteral("--border"), QStringLiteral("6")}, 2},
      {{QStringLiteral("redeye"), In, Out, At, QStringLiteral("311,5")}, 2},
      {{QStringLiteral("redeye"), In, Out, At, QStringLiteral("1,1"), QStringLiteral("--brightness")}, 2},
      {{QStringLiteral("convert"), In, Out, QStringLiteral("--quality"), QStringLiteral("101")}, 2},
      {{QStringLiteral("convert"), In, Out, At, QStringLiteral("1,1")}, 2},
      {{QStringLiteral("convert"), In, Dir.filePath(QStringLiteral("out.xyz"))}, 2},
      {{QStringLiteral("convert"), In, In}, 2},
      {{QStringLiteral("redeye"), In, Dir.filePath(QStringLiteral("./in.jpg")), At, QStringLiteral("82,81")}, 2},
      {{QStringLiteral("convert"), Dir.filePath(QStringLiteral("missing.jpg")), Out}, 1},
      {{QStringLiteral("convert"), Text, Out}, 1},
      {{QStringLiteral("redeye"), Truncated, Out, At, QStringLiteral("1,1")}, 1},
      {{QStringLiteral("convert"), In, Dir.filePath(QStringLiteral("no/such/folder/out.png"))}, 1},
      {{QStringLiteral("info"), Text}, 1},
      {{QStringLiteral("info"), In, Out}, 2},
      {{QStringLiteral("rotate"), In, Out}, 2},
      {{QStringLiteral("rotate"), In, Out, QStringLiteral("--left"), QStringLiteral("--flip-v")}, 2},
      {{QStringLiteral("rotate"), In, Out, QStringLiteral("--up")}, 2},
      {{QStringLiteral("rotate"), In, In, QStringLiteral("--right")}, 2},
      {{QStringLiteral("convert"), In, Out, QStringLiteral("--left")}, 2},
      {{QStringLiteral("crop"), In, Out}, 2},
      {{QStringLiteral("crop"), In, Out, QStringLiteral("--rect"), QStringLiteral("1,2,3")}, 2},
      {{QStringLiteral("crop"), In, Out, QStringLiteral("--rect=5,5,5,9")}, 2},
      {{QStringLiteral("crop"), In, Out, QStringLiteral("--rect=311,0,400,50")}, 2},
      {{QStringLiteral("crop"), In, Out, QStringLiteral("--left"), QStringLiteral("--rect=0,0,8,8")}, 2},
      {{QStringLiteral("redeye"), In, Out, At, QStringLiteral("1,1"), QStringLiteral("--rect=0,0,8,8")}, 2},
      {{QStringLiteral("crop"), Truncated, Out, QStringLiteral("--rect=0,0,8,8")}, 1},
      {{QStringLiteral("rotate"), Text, Out, QStringLiteral("--left")}, 1},
      {{QStringLiteral("rotate"), In, Dir.filePath(QStringLiteral("no/such/folder/out.jpg")), QStringLiteral("--left")}, 1},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Args.join(QLatin1Char(' ')).toStdString());
    const TRun R = RunCli(C.Args);
    EXPECT_EQ(R.Code, C.Code) << R.Err.constData();
    EXPECT_TRUE(R.Err.startsWith("ocuvane-cli: ")) << R.Err.constData();
    if (!C.Args.isEmpty()) {
      EXPECT_EQ(R.Err.count('\n'), 1) << R.Err.constData();
    }
    EXPECT_FALSE(QFile::exists(Out));
    EXPECT_EQ(FileBytes(In), InBytes);
  }
  // Nothing half written is left beside the files either.
  EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files).size(), 3);
}
