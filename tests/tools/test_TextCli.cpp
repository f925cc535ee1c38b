// ocuvane-cli text, run as a separate process: the tool's drawing, only inside its rectangle, and
// wrong calls refused before anything is written.
#include "RedEyeFixture.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

namespace {

class TextCli : public ::testing::Test {
 protected:
  void SetUp() override {
    In = Dir.filePath(QStringLiteral("in.png"));
    Out = Dir.filePath(QStringLiteral("out.png"));
    ASSERT_EQ(RunCli({QStringLiteral("convert"), SamplePath(), In}).Code, 0);
  }
  QTemporaryDir Dir;
  QString In, Out;
};

TEST_F(TextCli, DrawsTheColouredTextOnlyInsideTheRectangle) {
  const TRun R = RunCli({QStringLiteral("text"), In, Out, QStringLiteral("--text"), QStringLiteral("Yalta"),
                         QStringLiteral("--text"), QStringLiteral("1945"), QStringLiteral("--rect"),
                         QStringLiteral("10,10,200,80"), QStringLiteral("--color"), QStringLiteral("FF0000"),
                         QStringLiteral("--bold")});
  ASSERT_EQ(R.Code, 0) << R.Err.toStdString();
  const QImage Before(In), After(Out);
  ASSERT_EQ(Before.size(), After.size());
  int Red = 0, Changed = 0;
  for (int Y = 0; Y < After.height(); ++Y)
    for (int X = 0; X < After.width(); ++X) {
      const bool Inside = X >= 10 && X < 200 && Y >= 10 && Y < 80;
      if (!Inside) {
        ASSERT_EQ(Before.pixel(X, Y), After.pixel(X, Y)) << X << "," << Y;
        continue;
      }
      Changed += Before.pixel(X, Y) != After.pixel(X, Y);
      Red += After.pixel(X, Y) == qRgb(255, 0, 0);
    }
  EXPECT_GT(Changed, 500);
  EXPECT_GT(Red, 200);
}

TEST_F(TextCli, WrongCallsAreRefusedAndWriteNothing) {
  const struct {
    const char* What;
    QStringList Args;
  } Cases[] = {
      {"no rectangle", {"--text", "A"}},
      {"no text", {"--rect", "1,1,50,50"}},
      {"nothing to draw", {"--text", "", "--rect", "1,1,50,50"}},
      {"a rectangle beside the image", {"--text", "A", "--rect", "5000,5000,5100,5100"}},
      {"an empty rectangle", {"--text", "A", "--rect", "10,10,10,50"}},
      {"a colour that is no colour", {"--text", "A", "--rect", "1,1,50,50", "--color", "red"}},
      {"a font the system lacks", {"--text", "A", "--rect", "1,1,50,50", "--font", "No Such Font Family"}},
      {"a size out of range", {"--text", "A", "--rect", "1,1,50,50", "--size", "401"}},
      {"a text too large to draw", {"--text", QString(200, 'W'), "--rect", "1,1,50,50", "--size", "400"}},
  };
  for (const auto& C : Cases) {
    const TRun R = RunCli(QStringList{QStringLiteral("text"), In, Out} + C.Args);
    EXPECT_EQ(R.Code, 2) << C.What << ": " << R.Err.toStdString();
    EXPECT_EQ(R.Err.count('\n'), 1) << C.What;
    EXPECT_FALSE(QFile::exists(Out)) << C.What;
  }
}

}  // namespace
