// ocuvane-cli tone and gleam: the same pixels as the tools make, and clear usage errors.
#include "RedEyeFixture.h"

#include "GlareSelection.h"
#include "QvToneCorrection.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

class ToneGleamCli : public ::testing::Test {
 protected:
  QString Path(const QString& Name) const { return Dir.filePath(Name); }
  // A PNG of gentle gradients between 30 and 200.
  QString Gradient() {
    QImage Image(90, 60, QImage::Format_RGB888);
    for (int Y = 0; Y < 60; ++Y)
      for (int X = 0; X < 90; ++X) Image.setPixel(X, Y, qRgb(30 + X * 170 / 89, 40 + Y * 2, 60 + (X + Y) % 50));
    EXPECT_TRUE(Image.save(Path(QStringLiteral("in.png"))));
    return Path(QStringLiteral("in.png"));
  }
  static QImage Load(const QString& File) { return QImage(File).convertToFormat(QImage::Format_RGB888); }

  QTemporaryDir Dir;
};

TEST_F(ToneGleamCli, ToneWritesTheToneTableOfTheValues) {
  const QString In = Gradient(), Out = Path(QStringLiteral("out.png"));
  const TRun R = RunCli({QStringLiteral("tone"), In, Out, QStringLiteral("--brightness"), QStringLiteral("20"),
                         QStringLiteral("--contrast"), QStringLiteral("-30")});
  ASSERT_EQ(R.Code, 0) << R.Err.constData();
  const TQvLUT Table = ToneTable(TBrightnessContrastSettings{20, -30});
  const QImage Source = Load(In), Result = Load(Out);
  ASSERT_EQ(Result.size(), Source.size());
  for (int Y = 0; Y < 60; ++Y)
    for (int X = 0; X < 90; ++X) {
      const QRgb S = Source.pixel(X, Y), D = Result.pixel(X, Y);
      ASSERT_EQ(qRed(D), Table[size_t(qRed(S))]) << X << "," << Y;
      ASSERT_EQ(qGreen(D), Table[size_t(qGreen(S))]);
      ASSERT_EQ(qBlue(D), Table[size_t(qBlue(S))]);
    }
}

TEST_F(ToneGleamCli, ToneAutoStretchesToTheFullRange) {
  const QString In = Gradient(), Out = Path(QStringLiteral("auto.png"));
  const TRun R = RunCli({QStringLiteral("tone"), In, Out, QStringLiteral("--auto")});
  ASSERT_EQ(R.Code, 0) << R.Err.constData();
  const QImage Result = Load(Out);
  int Low = 255, High = 0;
  for (int Y = 0; Y < 60; ++Y)
    for (int X = 0; X < 90; ++X) {
      Low = std::min(Low, qRed(Result.pixel(X, Y)));
      High = std::max(High, qRed(Result.pixel(X, Y)));
    }
  EXPECT_EQ(Low, 0);
  EXPECT_EQ(High, 255);
}

TEST_F(ToneGleamCli, UsageErrors) {
  const QString In = Gradient(), Out = Path(QStringLiteral("x.png"));
  const QStringList Calls[] = {
      {QStringLiteral("tone"), In, Out},
      {QStringLiteral("tone"), In, Out, QStringLiteral("--auto"), QStringLiteral("--contrast"), QStringLiteral("3")},
      {QStringLiteral("tone"), In, Out, QStringLiteral("--brightness"), QStringLiteral("128")},
      {QStringLiteral("tone"), In, QStringLiteral("--auto")},
  };
  for (const QStringList& Call : Calls) {
    const TRun R = RunCli(Call);
    EXPECT_EQ(R.Code, 2) << Call.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(R.Err.count('\n'), 1) << R.Err.constData();
  }
  EXPECT_FALSE(QFile::exists(Out));
}

TEST_F(ToneGleamCli, GleamBrightensTheEllipseOfTheDrag) {
  const QString In = Gradient(), Out = Path(QStringLiteral("gleam.png"));
  const TRun R = RunCli({QStringLiteral("gleam"), In, Out, QStringLiteral("--from"), QStringLiteral("40,30"),
                         QStringLiteral("--to"), QStringLiteral("50,36"), QStringLiteral("--brightness"),
                         QStringLiteral("255")});
  ASSERT_EQ(R.Code, 0) << R.Err.constData();
  const QImage Source = Load(In), Result = Load(Out);
  // The pixels beside the centre turn nearly white; outside the ellipse nothing changes.
  EXPECT_GT(qRed(Result.pixel(40, 30)), 240);
  EXPECT_EQ(Result.pixel(20, 30), Source.pixel(20, 30));
  EXPECT_EQ(Result.pixel(40, 40), Source.pixel(40, 40));
  for (const QStringList& Call : {QStringList{QStringLiteral("gleam"), In, Out, QStringLiteral("--from"), QStringLiteral("1,1")},
                                  QStringList{QStringLiteral("gleam"), In, Out, QStringLiteral("--from"), QStringLiteral("500,1"),
                                              QStringLiteral("--to"), QStringLiteral("510,5")}}) {
    const TRun Bad = RunCli(Call);
    EXPECT_EQ(Bad.Code, 2) << Bad.Err.constData();
  }
}

}  // namespace
