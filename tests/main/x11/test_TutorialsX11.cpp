// Every shipped tutorial played in the composed editor on an X display (label x11, run under
// Xvfb), the playback driving the real pointer through XTest: it ends without an error box, and
// the photo it leaves is the one the command-line program makes from the same steps. Each plays
// in English, the others' languages at least once; a second run closes the first one's photo
// without asking.
#include "EditorProcess.h"
#include "RedEyeFixture.h"

#include "QvDemoPlayback.h"
#include "QvDemonstration.h"
#include "QvGlareTool.h"
#include "QvGraphicsDocument.h"
#include "QvGraphicsEditor.h"
#include "QvLocalizer.h"
#include "QvRedEyeTool.h"
#include "QvTextTool.h"

#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

constexpr std::uint16_t English = 1033, German = 1031, Russian = 1049;
// Pauses, messages and moves at this many times their speed: every click, drag and key still
// goes through the X server, only the waits shrink.
constexpr double TimeScale = 4;

class TutorialsX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (qEnvironmentVariable("QT_QPA_PLATFORM") != QLatin1String("xcb")) GTEST_SKIP() << "needs an X display";
    Process = &TEditorProcess::Get();
    ASSERT_TRUE(DemonstrationModule && GraphicsEditor);
    QWidget* Main = Process->App().MainForm();
    ASSERT_TRUE(Main);
    Main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Main));
  }
  void TearDown() override { SetLanguage(English); }

  // Plays Name in Language to its end (its pauses and moves TimeScale times as fast); false when
  // it did not start or did not end within two minutes.
  bool Play(const QString& Name, std::uint16_t Language) {
    SetLanguage(Language);
    First = Process->Boxes.size();
    TQvDemoPlayback* Playback = DemonstrationModule->Playback();
    Playback->SetTimeScale(TimeScale);
    QElapsedTimer Clock;
    Clock.start();
    if (!DemonstrationModule->PlayDemo(Name) || !Playback->IsPlaying()) return false;
    const bool Ended = TEditorProcess::RunUntil([Playback] { return !Playback->IsPlaying(); }, 120000);
    std::printf("%s (%d) played in %lld ms\n", qPrintable(Name), Language, static_cast<long long>(Clock.elapsed()));
    EXPECT_EQ(Playback->State(), TQvDemoPlayback::StateIdle);
    return Ended;
  }
  // The boxes shown since the last Play: none may be an error or a question, and the last is the
  // message that the tutorial has ended.
  void ExpectCleanEnd() {
    bool Ended = false;
    for (std::size_t I = First; I < Process->Boxes.size(); ++I) {
      const TShownBox& Box = Process->Boxes[I];
      EXPECT_FALSE(Box.IsError() || Box.IsQuestion()) << Box.Text.toStdString();
      Ended = Box.Text == GetLocalString(725);
    }
    EXPECT_TRUE(Ended);
  }
  TQvGraphicsDocument* Doc() const { return GraphicsEditor->ActiveDocument(); }
  template <class State>
  State* StateAt(int I) const {
    return Doc() ? dynamic_cast<State*>(Doc()->History.States(I)) : nullptr;
  }
  static QString At(const TPoint& P) { return QStringLiteral("%1,%2").arg(P.X).arg(P.Y); }
  static QString Sample() { return DemonstrationModule->DemoFolder() + QStringLiteral("red-eyes.jpg"); }
  // Runs the command-line steps one after another, each on the result of the one before, the
  // first on the sample; the last result.
  QString Cli(const std::vector<QStringList>& Steps) {
    QString In = Sample();
    for (std::size_t I = 0; I < Steps.size(); ++I) {
      const QString Out = Dir.filePath(QStringLiteral("step%1.png").arg(I));
      QStringList Args = Steps[I];
      Args.insert(1, In);
      Args.insert(2, Out);
      const TRun R = RunCli(Args);
      EXPECT_EQ(R.Code, 0) << Args.join(' ').toStdString() << ": " << R.Err.toStdString();
      In = Out;
    }
    return In;
  }
  // The editor's photo is the command line's result, pixel for pixel.
  void ExpectPhoto(const QString& Png) {
    ASSERT_TRUE(Doc() && Doc()->Pixels());
    const QImage Expected(Png);
    ASSERT_FALSE(Expected.isNull());
    EXPECT_EQ(FirstDifference(Expected, *Doc()->Pixels()), "");
  }

  void CheckRedEyes() {
    ASSERT_TRUE(Doc());
    // Both eyes, the second one re-done with the changed settings; undo and redo kept it.
    ASSERT_EQ(Doc()->History.Count(), 2);
    EXPECT_EQ(Doc()->History.Position(), 2);
    auto* Left = StateAt<TQvRedEyeCommandState>(0);
    auto* Right = StateAt<TQvRedEyeCommandState>(1);
    ASSERT_TRUE(Left && Right);
    EXPECT_EQ(Right->Settings().Brightness, 20);
    EXPECT_EQ(Right->Settings().AreaSize, 200);
    EXPECT_EQ(Right->Settings().Border, 1);
    // Each click hit its pupil (within a pixel of rounding).
    EXPECT_LE(std::abs(Left->FSeed.X - LeftPupil.X) + std::abs(Left->FSeed.Y - LeftPupil.Y), 2);
    EXPECT_LE(std::abs(Right->FSeed.X - RightPupil.X) + std::abs(Right->FSeed.Y - RightPupil.Y), 2);
    ExpectPhoto(Cli({{QStringLiteral("redeye"), QStringLiteral("--at"), At(Left->FSeed)},
                     {QStringLiteral("redeye"), QStringLiteral("--at"), At(Right->FSeed), QStringLiteral("--brightness"),
                      QStringLiteral("20"), QStringLiteral("--area"), QStringLiteral("200"), QStringLiteral("--border"),
                      QStringLiteral("1")}}));
    // The darkened pupils: their centres are no longer red.
    for (const TPoint& P : {LeftPupil, RightPupil}) {
      const uint8_t* Pixel = Doc()->Pixels()->PixelAt(P.X, P.Y);
      EXPECT_LT(Pixel[2], 90) << At(P).toStdString();
    }
  }

  TEditorProcess* Process = nullptr;
  std::size_t First = 0;
  QTemporaryDir Dir;
};

TEST_F(TutorialsX11, RedEyesInEnglishThenAgainInGermanClosingTheFirstPhotoWithoutAQuestion) {
  ASSERT_TRUE(Play(QStringLiteral("red-eyes"), English));
  ExpectCleanEnd();
  CheckRedEyes();
  ASSERT_TRUE(Play(QStringLiteral("red-eyes"), German));
  ExpectCleanEnd();
  EXPECT_EQ(GraphicsEditor->DocumentCount(), 1);
  CheckRedEyes();
}

TEST_F(TutorialsX11, GleamInEnglish) {
  ASSERT_TRUE(Play(QStringLiteral("gleam"), English));
  ExpectCleanEnd();
  ASSERT_TRUE(Doc());
  ASSERT_EQ(Doc()->History.Count(), 2);
  auto* Eye = StateAt<TQvRedEyeCommandState>(0);
  auto* Gleam = StateAt<TQvGlareCommandState>(1);
  ASSERT_TRUE(Eye && Gleam);
  EXPECT_EQ(Gleam->FBrightness, 255);
  ExpectPhoto(Cli({{QStringLiteral("redeye"), QStringLiteral("--at"), At(Eye->FSeed)},
                   {QStringLiteral("gleam"), QStringLiteral("--from"), At(Gleam->FStart), QStringLiteral("--to"),
                    At(Gleam->FEnd), QStringLiteral("--brightness"), QStringLiteral("255")}}));
}

TEST_F(TutorialsX11, UndoBrushInRussian) {
  ASSERT_TRUE(Play(QStringLiteral("undo-brush"), Russian));
  ExpectCleanEnd();
  ASSERT_TRUE(Doc());
  ASSERT_EQ(Doc()->History.Count(), 3);
  auto* Left = StateAt<TQvRedEyeCommandState>(0);
  ASSERT_TRUE(Left);
  // The stroke gave the right eye its original pixels back; the left one keeps its correction.
  ExpectPhoto(Cli({{QStringLiteral("redeye"), QStringLiteral("--at"), At(Left->FSeed)}}));
}

TEST_F(TutorialsX11, UndoBrushInEnglish) {
  ASSERT_TRUE(Play(QStringLiteral("undo-brush"), English));
  ExpectCleanEnd();
  ASSERT_TRUE(Doc() && StateAt<TQvRedEyeCommandState>(0));
  ExpectPhoto(Cli({{QStringLiteral("redeye"), QStringLiteral("--at"), At(StateAt<TQvRedEyeCommandState>(0)->FSeed)}}));
}

TEST_F(TutorialsX11, CropForATenByFifteenPrintInEnglish) {
  ASSERT_TRUE(Play(QStringLiteral("crop-print"), English));
  ExpectCleanEnd();
  ASSERT_TRUE(Doc());
  ASSERT_EQ(Doc()->History.Count(), 1);
  const auto* Crop = dynamic_cast<TQvCustomGraphicsCommandState*>(Doc()->History.States(0));
  ASSERT_TRUE(Crop);
  const TRect& R = Crop->FRect;
  // Landscape 15 x 10: three to two.
  EXPECT_EQ(Doc()->Width() * 2, Doc()->Height() * 3);
  EXPECT_GE(Doc()->Width(), 170);
  ExpectPhoto(Cli({{QStringLiteral("crop"), QStringLiteral("--rect"),
                    QStringLiteral("%1,%2,%3,%4").arg(R.Left).arg(R.Top).arg(R.Right).arg(R.Bottom)}}));
}

TEST_F(TutorialsX11, RotateResizeAndToneInEnglish) {
  ASSERT_TRUE(Play(QStringLiteral("rotate-resize-tone"), English));
  ExpectCleanEnd();
  ASSERT_TRUE(Doc());
  EXPECT_EQ(Doc()->History.Count(), 3);
  EXPECT_EQ(Doc()->Width(), 204);
  ExpectPhoto(Cli({{QStringLiteral("rotate"), QStringLiteral("--right")},
                   {QStringLiteral("resize"), QStringLiteral("--width"), QStringLiteral("204")},
                   {QStringLiteral("tone"), QStringLiteral("--auto")}}));
}

TEST_F(TutorialsX11, CaptionInEnglishAndInGerman) {
  for (const std::uint16_t Language : {English, German}) {
    ASSERT_TRUE(Play(QStringLiteral("caption"), Language));
    ExpectCleanEnd();
    ASSERT_TRUE(Doc());
    ASSERT_EQ(Doc()->History.Count(), 1);
    const auto* Text = dynamic_cast<TQvCustomGraphicsCommandState*>(Doc()->History.States(0));
    ASSERT_TRUE(Text);
    const TRect& R = Text->FRect;
    ExpectPhoto(Cli({{QStringLiteral("text"), QStringLiteral("--text"), QStringLiteral("Yalta"), QStringLiteral("--rect"),
                      QStringLiteral("%1,%2,%3,%4").arg(R.Left).arg(R.Top).arg(R.Right).arg(R.Bottom),
                      QStringLiteral("--color"), QStringLiteral("FFFFFF")}}));
  }
}

}  // namespace
