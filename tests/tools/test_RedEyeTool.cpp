#include "RedEyeFixture.h"

#include "QvGraphicsView.h"
#include "QvRedEyeFrame.h"
#include "QvSDF.h"

#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include <cstring>

namespace {

// Another tool that leaves a change pending: it fills a rectangle and does not end the change.
class TPendingTool : public TQvGraphicsTool {
 public:
  void Paint(TQvGraphicsView* View, const TRect& Rect) {
    BeginChange(View);
    for (int32_t Y = Rect.Top; Y < Rect.Bottom; ++Y) std::memset(Change().Pixels()->PixelAt(Rect.Left, Y), 0x11, size_t(Rect.Width()) * 3);
    AddChangedRect(Rect, false);
  }
};

// Whether every pixel outside the rectangles is as in Before.
void ExpectUnchangedOutside(const TQvPixels& Before, const TQvPixels& After, const std::vector<TRect>& Rects) {
  ASSERT_EQ(Before.BoundsRect(), After.BoundsRect());
  for (int32_t Y = 0; Y < After.Height; ++Y)
    for (int32_t X = 0; X < After.Width; ++X) {
      bool Inside = false;
      for (const TRect& R : Rects) Inside = Inside || R.Contains(X, Y);
      if (!Inside) {
        ASSERT_EQ(0, std::memcmp(Before.PixelAt(X, Y), After.PixelAt(X, Y), 3)) << "first change outside at " << X << "," << Y;
      }
    }
}

int Red(const TQvPixels& P, const TPoint& Point) { return P.PixelAt(Point.X, Point.Y)[ChannelRed]; }

}  // namespace

TEST_F(RedEyeWorld, ClicksCorrectBothPupilsAndTouchNothingElse) {
  Open(SamplePath());
  TQvPixelBuffer Original;
  ASSERT_TRUE(Original.Allocate(Doc->Pixels()->Format, Doc->Pixels()->BoundsRect()));
  Original.CopyFrom(*Doc->Pixels());

  Click(LeftPupil);
  const TRect LeftBox = Tool->Selection().GetBounds();
  // The control does not look at the button: the right one corrects as well.
  Click(RightPupil, TQvMouseButton::mbRight);
  const TRect RightBox = Tool->Selection().GetBounds();

  ASSERT_FALSE(LeftBox.IsEmpty());
  ASSERT_FALSE(RightBox.IsEmpty());
  EXPECT_LT(Red(*Doc->Pixels(), LeftPupil), Red(Original, LeftPupil) / 2);
  EXPECT_LT(Red(*Doc->Pixels(), RightPupil), Red(Original, RightPupil) / 2);
  ExpectUnchangedOutside(Original, *Doc->Pixels(), {LeftBox, RightBox});

  ASSERT_EQ(Doc->History.Count(), 2);
  const TQvRedEyeCommandState* S = RedEyeState(0);
  ASSERT_TRUE(S);
  EXPECT_EQ(S->FRect, LeftBox);
  EXPECT_EQ(S->FSeed, LeftPupil);
  EXPECT_EQ(S->FAreaSize, 176);
  EXPECT_EQ(S->FBrightness, 50);
  EXPECT_EQ(S->FFormula, 0);
  EXPECT_EQ(S->FBorder, 0);
  ASSERT_TRUE(S->FRegion);
  EXPECT_TRUE(S->FRegion->Contains(LeftPupil.X, LeftPupil.Y));
  // Between changes the committed copy equals the image.
  EXPECT_EQ(Snapshot(Doc->Backup()), Snapshot(*Doc->Pixels()));
  EXPECT_TRUE(Doc->Modified());
}

TEST_F(RedEyeWorld, SliderReplacesTheLastStepAndUndoRestoresTheOriginalExactly) {
  Open(SamplePath());
  const std::vector<uint8_t> Original = Snapshot(*Doc->Pixels());
  Click(LeftPupil);
  Click(RightPupil);
  const std::vector<uint8_t> AtFifty = Snapshot(*Doc->Pixels());
  const int RedAtFifty = Red(*Doc->Pixels(), RightPupil);

  Tool->Frame()->BrightnessTrackBar->setValue(80);
  ASSERT_EQ(Doc->History.Count(), 2);
  ASSERT_EQ(Doc->History.Position(), 2);
  EXPECT_EQ(RedEyeState(0)->FBrightness, 50);
  EXPECT_EQ(RedEyeState(1)->FBrightness, 80);
  EXPECT_EQ(RedEyeState(1)->FSeed, RightPupil);
  EXPECT_NE(Snapshot(*Doc->Pixels()), AtFifty);
  // More brightness leaves more red.
  EXPECT_GT(Red(*Doc->Pixels(), RightPupil), RedAtFifty);

  // A second slider move is still the same single step.
  Tool->Frame()->AreaSizeTrackBar->setValue(150);
  EXPECT_EQ(Doc->History.Count(), 2);
  EXPECT_EQ(RedEyeState(1)->FAreaSize, 150);

  GraphicsEditor->DoUndo();
  // The frame shows the settings of the step now on top.
  EXPECT_EQ(Tool->FBrightness, 50);
  EXPECT_EQ(Tool->FAreaSize, 176);
  EXPECT_EQ(Tool->Frame()->BrightnessTrackBar->value(), 50);
  GraphicsEditor->DoUndo();
  EXPECT_EQ(Snapshot(*Doc->Pixels()), Original);
  EXPECT_EQ(Snapshot(Doc->Backup()), Original);
  EXPECT_FALSE(Doc->Modified());

  GraphicsEditor->DoRedo();
  GraphicsEditor->DoRedo();
  EXPECT_EQ(Tool->FBrightness, 80);
  EXPECT_EQ(Doc->History.Position(), 2);
}

TEST_F(RedEyeWorld, SettingAfterUndoRedoesTheOlderStepAndDropsTheUndoneOne) {
  Open(SamplePath());
  Click(LeftPupil);
  Click(RightPupil);
  GraphicsEditor->DoUndo();
  ASSERT_EQ(Tool->FSeed, LeftPupil);
  Tool->SetBrightness(120);
  ASSERT_EQ(Doc->History.Count(), 1);
  EXPECT_EQ(RedEyeState(0)->FSeed, LeftPupil);
  EXPECT_EQ(RedEyeState(0)->FBrightness, 120);
}

TEST_F(RedEyeWorld, SaveAndReopenKeepsTheCorrection) {
  Open(SamplePath());
  Click(LeftPupil);
  Click(RightPupil);
  const std::vector<uint8_t> Corrected = Snapshot(*Doc->Pixels());
  const QString Name = Dir.filePath(QStringLiteral("corrected.png"));
  ASSERT_TRUE(Doc->SaveToFile(Name, QvFormatId::Png));
  EXPECT_FALSE(Doc->Modified());
  Open(Name);
  EXPECT_EQ(Snapshot(*Doc->Pixels()), Corrected);
}

TEST_F(RedEyeWorld, AClickThatFindsNothingStillRecordsOnePixel) {
  QImage Black(40, 30, QImage::Format_RGB888);
  Black.fill(Qt::black);
  const QString Name = Dir.filePath(QStringLiteral("black.png"));
  ASSERT_TRUE(Black.save(Name));
  Open(Name);
  Click({10, 12});
  ASSERT_EQ(Doc->History.Count(), 1);
  const TQvRedEyeCommandState* S = RedEyeState(0);
  ASSERT_TRUE(S);
  EXPECT_EQ(S->FRect, (TRect{10, 12, 11, 12 + 1}));
  ASSERT_TRUE(S->FRegion);
  EXPECT_TRUE(S->FRegion->IsEmpty());
  // The panes paint such a step without an outline (and without failing).
  Tool->Frame()->grab();
}

// Fault guarded: a setting change undid the last red-eye step even when the new correction could
// not be made because another change was pending, so the correction silently disappeared.
TEST_F(RedEyeWorld, SettingChangeWithAnotherChangePendingKeepsTheCorrection) {
  auto* Other = App->CreateModule<TPendingTool>();
  Open(SamplePath());
  Click(LeftPupil);
  const std::vector<uint8_t> Corrected = Snapshot(*Doc->Pixels(), RedEyeState(0)->FRect);
  Other->Paint(View, TRect{0, 0, 4, 4});
  Tool->SetBrightness(90);
  EXPECT_EQ(Doc->History.Position(), 1);
  EXPECT_EQ(Snapshot(*Doc->Pixels(), RedEyeState(0)->FRect), Corrected);
  EXPECT_EQ(RedEyeState(0)->FBrightness, 50);
  // A click while the change is pending does nothing either.
  Click(RightPupil);
  EXPECT_EQ(Doc->History.Count(), 1);
  EXPECT_TRUE(Doc->Modifying());
}

// Fault guarded: closing the document ended whatever change was pending, even another tool's.
TEST_F(RedEyeWorld, DocumentClosingLeavesAnotherToolsChangeToItsOwner) {
  auto* Other = App->CreateModule<TPendingTool>();
  Open(SamplePath());
  Other->Paint(View, TRect{0, 0, 4, 4});
  Tool->DocumentClosing(Doc);
  EXPECT_TRUE(Doc->Modifying());
  EXPECT_EQ(Doc->ModifyingTool(), static_cast<IQvGraphicsToolEvents*>(Other));
  EXPECT_EQ(Doc->History.Count(), 0);
  Other->EndChange();
  EXPECT_EQ(Doc->History.Count(), 1);
}

TEST_F(RedEyeWorld, BorderButtonsStopAtFiveAndLabelShowsTheValue) {
  Open(SamplePath());
  Click(LeftPupil);
  TQvRedEyeFrame& F = *Tool->Frame();
  for (int I = 0; I < 6; ++I) F.IncSizeButton->click();
  EXPECT_EQ(Tool->FBorder, 5);
  EXPECT_EQ(F.RemoveBorderLabel->text(), QStringLiteral("Remove Border: 5 px"));
  EXPECT_EQ(RedEyeState(0)->FBorder, 5);
  EXPECT_EQ(Doc->History.Count(), 1);

  Tool->SetBorder(-1);
  F.DecSizeButton->click();
  EXPECT_EQ(Tool->FBorder, -2);
  EXPECT_EQ(F.RemoveBorderLabel->text(), QStringLiteral("Remove Border: -2 px"));
  Tool->Localize();
  EXPECT_EQ(F.RemoveBorderLabel->text(), QStringLiteral("Remove Border:"));
  Tool->SetBorder(-6);
  EXPECT_EQ(Tool->FBorder, -2);
}

TEST_F(RedEyeWorld, SourcePaneClickMovesTheCorrectionPoint) {
  Open(SamplePath());
  Click({LeftPupil.X + 3, LeftPupil.Y});
  TQvRedEyeFrame& F = *Tool->Frame();
  const QRect Inner = F.SelectionPreview->InnerRect();
  TQvRedEyeCommandState* S = RedEyeState(0);
  const TQvRedEyePaneGeometry G =
      TQvRedEyePaneGeometry::Make(S->FBefore.BoundsRect(), Inner.width(), Inner.height(), F.PreviewScale());
  const TPoint Pane = G.ImageToPane(LeftPupil);
  F.SelectionPreviewMouseDown(Qt::RightButton, QPoint(Inner.left() + Pane.X, Inner.top() + Pane.Y));
  EXPECT_EQ(RedEyeState(0)->FSeed, (TPoint{LeftPupil.X + 3, LeftPupil.Y}));
  F.SelectionPreviewMouseDown(Qt::LeftButton, QPoint(Inner.left() + Pane.X + 1, Inner.top() + Pane.Y + 1));
  ASSERT_EQ(Doc->History.Count(), 1);
  EXPECT_EQ(RedEyeState(0)->FSeed, LeftPupil);
  F.grab();
}

TEST(RedEyeFrameTest, PreviewScaleFromTheSelectionBox) {
  TQvRedEyeFrame Frame;
  struct Case {
    TRect Box;
    double Stored;
    double Used;
  };
  const QRect Pane(0, 0, 180, 179);
  const Case Cases[] = {
      {{100, 100, 140, 140}, 4.375, 4.375},  // min(4.5, 4.475) rounded down to eighths
      {{0, 0, 20, 20}, 8.875, 5.0},          // a tiny eye is shown at most five times enlarged
      {{10, 10, 184, 184}, 1.0, 1.0},
      {{0, 0, 400, 400}, 0.375, 0.5},        // a large one at least half size
  };
  for (const Case& C : Cases) {
    Frame.ComputePreviewScale(C.Box, Pane);
    EXPECT_DOUBLE_EQ(Frame.FPreviewScale, C.Stored);
    EXPECT_DOUBLE_EQ(Frame.PreviewScale(), C.Used);
  }
  Frame.ComputePreviewScale(TRect{}, Pane);
  EXPECT_DOUBLE_EQ(Frame.FPreviewScale, 0.375);
}

TEST(RedEyeFrameTest, OutlineIsTheInnerRingOfTheRegion) {
  const QRegion Square(QRect(10, 10, 5, 5));
  const QRegion Ring = OutlineRegion(Square, 1);
  EXPECT_EQ(Ring, Square - QRegion(QRect(11, 11, 3, 3)));
  EXPECT_TRUE(OutlineRegion(QRegion(QRect(0, 0, 1, 1)), 1) == QRegion(QRect(0, 0, 1, 1)));
}

TEST_F(RedEyeWorld, ShowOptionsIsSavedAndHidingTakesTheFormulaButtonsAway) {
  Tool->SetShowOptions(false);
  EXPECT_FALSE(Tool->FShowOptions);
  EXPECT_TRUE(Tool->Frame()->Formula2RadioButton->isHidden());

  QBuffer Stream;
  ASSERT_TRUE(Stream.open(QIODevice::WriteOnly));
  {
    TQvSDFWriter Writer(&Stream, false);
    Tool->SaveSettings(Writer);
  }
  Tool->SetShowOptions(true);
  EXPECT_FALSE(Tool->Frame()->Formula2RadioButton->isHidden());
  TQvSDFReader Reader(Stream.data());
  Tool->LoadSettings(Reader);
  EXPECT_FALSE(Tool->FShowOptions);
}
