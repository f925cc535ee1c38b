// "Find Red Eyes" and the natural correction in the red-eye tool: one undo step for every pupil
// found, re-applied whole by setting changes, and the natural flag kept by the steps.
#include "RedEyeFixture.h"

#include "QvDemoScriptParams.h"
#include "QvDemonstration.h"
#include "QvRedEyeFrame.h"
#include "QvSDF.h"
#include "QvTestSupport.h"

#include <QBuffer>
#include <QCheckBox>
#include <QImage>
#include <QPushButton>
#include <QSlider>

#include <cmath>
#include <cstring>

namespace {

int Red(const TQvPixels& P, const TPoint& Point) { return P.PixelAt(Point.X, Point.Y)[ChannelRed]; }

int Spread(const TQvPixels& P, const TPoint& Point) {
  const uint8_t* Q = P.PixelAt(Point.X, Point.Y);
  return std::max({Q[0], Q[1], Q[2]}) - std::min({Q[0], Q[1], Q[2]});
}

bool Near(const TPoint& A, const TPoint& B) { return std::hypot(A.X - B.X, A.Y - B.Y) <= 3.0; }

// Pixels outside every rectangle are as in Before.
bool UnchangedOutside(const TQvPixels& Before, const TQvPixels& After, const std::vector<TRect>& Rects) {
  for (int32_t Y = 0; Y < After.Height; ++Y)
    for (int32_t X = 0; X < After.Width; ++X) {
      bool Inside = false;
      for (const TRect& R : Rects) Inside = Inside || R.Contains(X, Y);
      if (!Inside && std::memcmp(Before.PixelAt(X, Y), After.PixelAt(X, Y), 3) != 0) return false;
    }
  return true;
}

// The regions' boxes with their soft edge.
std::vector<TRect> SoftBoxes(const TQvRedEyeCommandState& S) {
  std::vector<TRect> Boxes;
  for (const TQvPixelRegion& R : S.FRegions)
    if (!R.IsEmpty()) Boxes.push_back(InflateRect(R.Bounds(), 1, 1));
  return Boxes;
}

}  // namespace

TEST_F(RedEyeWorld, FindRedEyesCorrectsBothPupilsInOneStep) {
  Open(SamplePath());
  TQvPixelBuffer Original;
  ASSERT_TRUE(Original.Allocate(PixelFormat24, Doc->Pixels()->BoundsRect()));
  Original.CopyFrom(*Doc->Pixels());

  Tool->Frame()->FindButton->click();
  ASSERT_EQ(Doc->History.Count(), 1);
  const TQvRedEyeCommandState* S = RedEyeState(0);
  ASSERT_TRUE(S);
  ASSERT_EQ(S->FSeeds.size(), 2u);
  ASSERT_EQ(S->FRegions.size(), 2u);
  EXPECT_TRUE(Near(S->FSeeds[0], RightPupil));  // top to bottom
  EXPECT_TRUE(Near(S->FSeeds[1], LeftPupil));
  EXPECT_EQ(S->FSeed, S->FSeeds.back());
  EXPECT_FALSE(S->FNatural);
  for (const TPoint& P : {LeftPupil, RightPupil}) EXPECT_LT(Red(*Doc->Pixels(), P), Red(Original, P) / 2);
  EXPECT_TRUE(UnchangedOutside(Original, *Doc->Pixels(), SoftBoxes(*S)));
  // The panes show the last pupil, not the rectangle spanning both.
  EXPECT_EQ(S->PaneArea(), InflateRect(S->FRegions[1].Bounds(), 1, 1));

  const std::vector<uint8_t> Corrected = Snapshot(*Doc->Pixels());
  GraphicsEditor->DoUndo();
  EXPECT_EQ(Snapshot(*Doc->Pixels()), Snapshot(Original));
  GraphicsEditor->DoRedo();
  EXPECT_EQ(Snapshot(*Doc->Pixels()), Corrected);
}

TEST_F(RedEyeWorld, NaturalModeReappliesTheFoundPupilsInPlace) {
  Open(SamplePath());
  const std::vector<uint8_t> Original = Snapshot(*Doc->Pixels());
  Tool->FindRedEyes();
  const std::vector<uint8_t> Plain = Snapshot(*Doc->Pixels());
  const std::vector<TPoint> Seeds = RedEyeState(0)->FSeeds;

  Tool->Frame()->NaturalCheckBox->click();
  ASSERT_EQ(Doc->History.Count(), 1);
  const TQvRedEyeCommandState* S = RedEyeState(0);
  ASSERT_TRUE(S);
  EXPECT_TRUE(S->FNatural);
  EXPECT_EQ(S->FSeeds, Seeds);
  EXPECT_NE(Snapshot(*Doc->Pixels()), Plain);
  // Neutral pupils: no cast left at their centres.
  for (const TPoint& P : {LeftPupil, RightPupil}) EXPECT_LE(Spread(*Doc->Pixels(), P), 2);

  // A slider move is still the one step, both pupils, natural.
  Tool->Frame()->BrightnessTrackBar->setValue(90);
  ASSERT_EQ(Doc->History.Count(), 1);
  EXPECT_TRUE(RedEyeState(0)->FNatural);
  EXPECT_EQ(RedEyeState(0)->FSeeds, Seeds);
  EXPECT_EQ(RedEyeState(0)->FBrightness, 90);

  GraphicsEditor->DoUndo();
  EXPECT_EQ(Snapshot(*Doc->Pixels()), Original);
  Tool->SetNatural(false);
  GraphicsEditor->DoRedo();
  // Redo takes the step's settings over, the natural flag with them.
  EXPECT_TRUE(Tool->FNatural);
  EXPECT_TRUE(Tool->Frame()->NaturalCheckBox->isChecked());
  EXPECT_EQ(Tool->Seeds(), Seeds);
  EXPECT_EQ(Tool->FBrightness, 90);
}

TEST_F(RedEyeWorld, UndoTakesTheNaturalFlagOverWithTheOtherSettings) {
  Open(SamplePath());
  Tool->SetNatural(true);
  Click(LeftPupil);
  Click(RightPupil);
  // Re-applies the last step only.
  Tool->SetNatural(false);
  ASSERT_EQ(Doc->History.Count(), 2);
  EXPECT_TRUE(RedEyeState(0)->FNatural);
  EXPECT_FALSE(RedEyeState(1)->FNatural);
  EXPECT_EQ(RedEyeState(1)->FSeeds, std::vector<TPoint>{RightPupil});
  GraphicsEditor->DoUndo();
  EXPECT_TRUE(Tool->FNatural);
  EXPECT_EQ(Tool->Seeds(), std::vector<TPoint>{LeftPupil});
}

TEST_F(RedEyeWorld, SourcePaneClickMovesOnlyTheLastFoundPupil) {
  Open(SamplePath());
  Tool->FindRedEyes();
  const std::vector<TPoint> Seeds = RedEyeState(0)->FSeeds;
  ASSERT_EQ(Seeds.size(), 2u);
  Tool->MoveLastSeed(TPoint{LeftPupil.X + 1, LeftPupil.Y});
  Tool->Reapply();
  ASSERT_EQ(Doc->History.Count(), 1);
  EXPECT_EQ(RedEyeState(0)->FSeeds[0], Seeds[0]);
  EXPECT_EQ(RedEyeState(0)->FSeeds[1], (TPoint{LeftPupil.X + 1, LeftPupil.Y}));
}

TEST_F(RedEyeWorld, FindingNothingTellsTheUserAndAddsNoStep) {
  const QString Grey = Dir.filePath(QStringLiteral("grey.png"));
  QImage Image(120, 80, QImage::Format_RGB888);
  Image.fill(QColor(128, 128, 128));
  ASSERT_TRUE(Image.save(Grey));
  Open(Grey);
  QString Told;
  App->SetMessageBoxHandler([&Told](const QString& Text, const QString&, int) {
    Told = Text;
    return QvMB::IDOK;
  });
  EXPECT_EQ(Tool->FindRedEyes(), 0);
  EXPECT_EQ(Doc->History.Count(), 0);
  EXPECT_FALSE(Doc->Modifying());
  EXPECT_EQ(Told, QStringLiteral("No red eyes were found."));
}

TEST_F(RedEyeWorld, NaturalIsSavedOnlyWhenOn) {
  auto Save = [this] {
    QBuffer Stream;
    Stream.open(QIODevice::WriteOnly);
    {
      TQvSDFWriter Writer(&Stream, false);
      Tool->SaveSettings(Writer);
    }
    return Stream.data();
  };
  const QByteArray Off = Save();
  Tool->SetNatural(true);
  const QByteArray On = Save();
  EXPECT_NE(On, Off);
  Tool->SetNatural(false);
  // Without the choice the file is what it always was: the show-options value alone.
  EXPECT_EQ(Save(), Off);
  TQvSDFReader Reader(On);
  Tool->LoadSettings(Reader);
  EXPECT_TRUE(Tool->FNatural);
  EXPECT_TRUE(Tool->Frame()->NaturalCheckBox->isChecked());
  TQvSDFReader Plain(Off);
  Tool->LoadSettings(Plain);
  EXPECT_TRUE(Tool->FNatural) << "a missing value keeps the current setting";
}

TEST_F(RedEyeWorld, DemonstrationCommandsAndRecordedLines) {
  auto* Demo = App->CreateModule<TQvDemonstrationModule>();
  ASSERT_TRUE(Demo);
  Tool->RegisterDemoItems();
  Open(SamplePath());
  QvTest::TLineRecorder Lines(true);
  Demo->StartDemoRecording(&Lines);
  Tool->Frame()->NaturalCheckBox->click();
  Tool->Frame()->FindButton->click();
  Demo->StopDemoRecording();
  EXPECT_EQ(Lines.Lines, (QStringList{QStringLiteral("MouseCurvedMove RedEyeNatural"),
                                      QStringLiteral("Message \"Natural Pupils\""), QStringLiteral("RedEyeNatural 1"),
                                      QStringLiteral("MouseCurvedMove RedEyeFind"),
                                      QStringLiteral("Message \"Find Red Eyes\""), QStringLiteral("RedEyeFind")}));
  ASSERT_EQ(Doc->History.Count(), 1);

  // Played back: "RedEyeNatural 0" switches off and re-applies, "RedEyeFind" finds again.
  EXPECT_TRUE(Demo->ExecuteCommand(nullptr, QStringLiteral("REDEYENATURAL"), nullptr, TQvDemoScriptParams("0")));
  EXPECT_FALSE(Tool->FNatural);
  EXPECT_FALSE(RedEyeState(0)->FNatural);
  EXPECT_TRUE(Demo->ExecuteCommand(nullptr, QStringLiteral("RedEyeNatural"), nullptr, TQvDemoScriptParams("")));
  EXPECT_TRUE(Tool->FNatural);
  GraphicsEditor->DoUndo();
  EXPECT_TRUE(Demo->ExecuteCommand(nullptr, QStringLiteral("RedEyeFind"), nullptr, TQvDemoScriptParams("")));
  EXPECT_EQ(Doc->History.Count(), 1);
  EXPECT_EQ(RedEyeState(0)->FSeeds.size(), 2u);
  QPoint Point;
  EXPECT_TRUE(Demo->GetControlPoint(nullptr, TQvDemoScriptParams("RedEyeFind"), Point));
}
