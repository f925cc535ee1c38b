// ocuvane-cli resize and crop --ratio: the same size rule and ratio adjustment as the tools.
#include "GeometryFixture.h"
#include "RedEyeFixture.h"

#include <QImage>
#include <QTemporaryDir>

namespace {

TEST(GeometryCli, ResizeAndCropFollowTheToolsRules) {
  QTemporaryDir Dir;
  const QString In = Dir.filePath(QStringLiteral("in.png"));
  ASSERT_TRUE(MakePattern(640, 480).save(In));
  const QString Out = Dir.filePath(QStringLiteral("out.png"));
  struct Case {
    QStringList Args;
    int Code;
    QSize Size;
  };
  const Case Cases[] = {
      {{QStringLiteral("resize"), In, Out, QStringLiteral("--height"), QStringLiteral("100")}, 0, {133, 100}},
      {{QStringLiteral("resize"), In, Out, QStringLiteral("--width"), QStringLiteral("320")}, 0, {320, 240}},
      {{QStringLiteral("resize"), In, Out, QStringLiteral("--size"), QStringLiteral("100x100")}, 0, {100, 100}},
      {{QStringLiteral("resize"), In, Out, QStringLiteral("--width"), QStringLiteral("1")}, 0, {1, 1}},
      {{QStringLiteral("resize"), In, Out}, 2, {}},
      {{QStringLiteral("resize"), In, Out, QStringLiteral("--width"), QStringLiteral("10"), QStringLiteral("--height"),
        QStringLiteral("10")}, 2, {}},
      {{QStringLiteral("resize"), In, Out, QStringLiteral("--width"), QStringLiteral("40000")}, 2, {}},
      {{QStringLiteral("resize"), In, Out, QStringLiteral("--size"), QStringLiteral("0x5")}, 2, {}},
      // "10x15" from (100, 100) to (160, 250): held to 2:3, (100, 100, 160, 190).
      {{QStringLiteral("crop"), In, Out, QStringLiteral("--rect"), QStringLiteral("100,100,160,250"), QStringLiteral("--ratio"),
        QStringLiteral("10x15")}, 0, {60, 90}},
      {{QStringLiteral("crop"), In, Out, QStringLiteral("--rect"), QStringLiteral("0,0,320,400"), QStringLiteral("--ratio"),
        QStringLiteral("16:9")}, 0, {320, 180}},
      {{QStringLiteral("crop"), In, Out, QStringLiteral("--rect"), QStringLiteral("0,0,320,10"), QStringLiteral("--ratio"),
        QStringLiteral("0:0")}, 0, {320, 10}},
      // Held to 1:10 the rectangle would end far below the image.
      {{QStringLiteral("crop"), In, Out, QStringLiteral("--rect"), QStringLiteral("0,0,100,10"), QStringLiteral("--ratio"),
        QStringLiteral("1:10")}, 2, {}},
      {{QStringLiteral("crop"), In, Out, QStringLiteral("--rect"), QStringLiteral("0,0,100,10"), QStringLiteral("--ratio"),
        QStringLiteral("wide")}, 2, {}},
      {{QStringLiteral("rotate"), In, Out, QStringLiteral("--ratio"), QStringLiteral("1:1"), QStringLiteral("--left")}, 2, {}},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Args.join(QLatin1Char(' ')).toStdString());
    QFile::remove(Out);
    const TRun R = RunCli(C.Args);
    EXPECT_EQ(R.Code, C.Code) << R.Err.constData();
    if (C.Code != 0) {
      EXPECT_FALSE(QFile::exists(Out));
      EXPECT_EQ(R.Err.count('\n'), 1) << R.Err.constData();
      continue;
    }
    EXPECT_EQ(QImage(Out).size(), C.Size);
  }
}

}  // namespace
