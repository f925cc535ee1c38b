// ocuvane-cli redeye --auto and --natural, single and in batches, run as a separate process.
#include "RedEyeFixture.h"

#include <QDir>
#include <QFile>
#include <QImage>

// --auto is the frame's "Find Red Eyes", --natural its check box, alone and together.
TEST_F(RedEyeWorld, CliAutoAndNaturalGiveThePixelsOfTheEditor) {
  struct Case {
    bool Auto, Natural;
  };
  int N = 0;
  for (const Case C : {Case{true, false}, Case{true, true}, Case{false, true}}) {
    SCOPED_TRACE(N);
    Open(SamplePath());
    Tool->SetNatural(C.Natural);
    if (C.Auto) {
      ASSERT_EQ(Tool->FindRedEyes(), 2);
    } else {
      Click(LeftPupil);
      Click(RightPupil);
    }
    const QString Out = Dir.filePath(QStringLiteral("auto%1.png").arg(N++));
    QStringList Args{QStringLiteral("redeye"), SamplePath(), Out};
    if (C.Auto) Args << QStringLiteral("--auto");
    else Args << QStringLiteral("--at") << QStringLiteral("82,81") << QStringLiteral("--at") << QStringLiteral("232,33");
    if (C.Natural) Args << QStringLiteral("--natural");
    const TRun R = RunCli(Args);
    ASSERT_EQ(R.Code, 0) << R.Err.constData();
    EXPECT_TRUE(R.Err.isEmpty());
    EXPECT_EQ(FirstDifference(QImage(Out), *Doc->Pixels()), "");
    if (C.Auto)
      EXPECT_TRUE(R.Out.contains(": 2 pupils corrected at ")) << R.Out.constData();
    else
      EXPECT_TRUE(R.Out.isEmpty());
    if (C.Auto) GraphicsEditor->DoUndo();
  }
}

// One line per file, the others done when one fails, a name taken twice never overwritten.
TEST_F(RedEyeWorld, CliBatchGoesOnPastFailuresAndNeverOverwritesItsOwnOutput) {
  const QString A = Dir.filePath(QStringLiteral("a.jpg"));
  const QString Grey = Dir.filePath(QStringLiteral("grey.png"));
  const QString Broken = Dir.filePath(QStringLiteral("broken.jpg"));
  ASSERT_TRUE(QDir(Dir.path()).mkdir(QStringLiteral("other")));
  const QString SameName = Dir.filePath(QStringLiteral("other/a.jpg"));
  ASSERT_TRUE(QFile::copy(SamplePath(), A));
  QImage G(64, 48, QImage::Format_RGB888);
  G.fill(QColor(128, 128, 128));
  ASSERT_TRUE(G.save(Grey));
  QImage Flipped = QImage(SamplePath()).mirrored(true, false);
  ASSERT_TRUE(Flipped.save(SameName, "JPEG", 95));
  {
    QFile F(Broken);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.write("not a picture");
  }
  const QString OutDir = Dir.filePath(QStringLiteral("out"));
  const TRun R = RunCli({QStringLiteral("redeye"), QStringLiteral("--auto"), QStringLiteral("--natural"),
                         QStringLiteral("--out-dir"), OutDir, A, Broken, Grey, SameName});
  EXPECT_EQ(R.Code, 1) << R.Err.constData();
  const QStringList Lines = QString::fromLocal8Bit(R.Out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  ASSERT_EQ(Lines.size(), 2) << R.Out.constData();
  EXPECT_TRUE(Lines[0].startsWith(A + QStringLiteral(": 2 pupils corrected at "))) << Lines[0].toStdString();
  EXPECT_TRUE(Lines[1].startsWith(Grey + QStringLiteral(": no pupils found"))) << Lines[1].toStdString();
  const QStringList Errors = QString::fromLocal8Bit(R.Err).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  ASSERT_EQ(Errors.size(), 2) << R.Err.constData();
  EXPECT_TRUE(Errors[0].contains(Broken));
  EXPECT_TRUE(Errors[1].contains(QStringLiteral("already written from ") + A)) << Errors[1].toStdString();

  // The output of a.jpg is the corrected sample, not the flipped one of the same name.
  Open(SamplePath());
  Tool->SetNatural(true);
  ASSERT_EQ(Tool->FindRedEyes(), 2);
  const QImage Written(QDir(OutDir).filePath(QStringLiteral("a.jpg")));
  ASSERT_FALSE(Written.isNull());
  // Only the eyes' blocks were compressed again, so the file is close to the editor's pixels and
  // far from the flipped picture of the same name.
  auto MeanDifference = [&](const QImage& Other) {
    double Sum = 0;
    for (int32_t Y = 0; Y < Doc->Pixels()->Height; ++Y)
      for (int32_t X = 0; X < Doc->Pixels()->Width; ++X)
        Sum += std::abs(qRed(Other.pixel(X, Y)) - Doc->Pixels()->PixelAt(X, Y)[ChannelRed]);
    return Sum / (double(Doc->Pixels()->Width) * Doc->Pixels()->Height);
  };
  EXPECT_LT(MeanDifference(Written), 0.5);
  EXPECT_GT(MeanDifference(Flipped), 5.0);
  EXPECT_TRUE(QFile::exists(QDir(OutDir).filePath(QStringLiteral("grey.png"))));
  EXPECT_FALSE(QFile::exists(QDir(OutDir).filePath(QStringLiteral("broken.jpg"))));
}

TEST_F(RedEyeWorld, CliAutoRefusesCallsThatCannotWork) {
  const QString Out = Dir.filePath(QStringLiteral("x.jpg"));
  const QStringList Bad[] = {
      {QStringLiteral("redeye"), SamplePath(), Out, QStringLiteral("--auto"), QStringLiteral("--at"), QStringLiteral("1,1")},
      {QStringLiteral("redeye"), QStringLiteral("--out-dir"), Dir.path(), SamplePath()},
      {QStringLiteral("redeye"), QStringLiteral("--auto"), QStringLiteral("--out-dir"), Dir.path()},
      {QStringLiteral("redeye"), SamplePath(), Out, QStringLiteral("--natural=1"), QStringLiteral("--at"), QStringLiteral("1,1")},
  };
  for (const QStringList& Args : Bad) {
    const TRun R = RunCli(Args);
    EXPECT_EQ(R.Code, 2) << Args.join(' ').toStdString();
    EXPECT_EQ(R.Err.count('\n'), 1) << R.Err.constData();
  }
  EXPECT_FALSE(QFile::exists(Out));
}
