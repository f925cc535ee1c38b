// The gleam tool in the editor: a drag is one step, the slider re-does the last gleam in place,
// the end of a drag leaves the size at 128 without re-doing anything, and its settings node.
#include "RetouchFixture.h"

#include "QvDemoScriptParams.h"
#include "QvGuid.h"
#include "QvSDF.h"
#include "QvTestSupport.h"

#include <QBuffer>
#include <QSlider>

namespace {

class GleamWorld : public RetouchWorld {
 protected:
  void SetUp() override {
    RetouchWorld::SetUp();
    if (HasFatalFailure()) return;
    Open(MakeImage(QStringLiteral("grey.png"), 200, 160, [](int X, int Y) { return qRgb(40 + X % 7, 40 + Y % 5, 40); }));
    GraphicsEditor->SetActiveTool(Gleam);
  }
  void Drag(const TPoint& From, const TPoint& To) {
    View->DoMouseDown(TQvMouseButton::mbLeft, ssLeft, View->LogicalToDevice(From));
    View->DoMouseMove(ssLeft, View->LogicalToDevice(TPoint{(From.X + To.X) / 2, (From.Y + To.Y) / 2}));
    View->DoMouseMove(ssLeft, View->LogicalToDevice(To));
    View->DoMouseUp(TQvMouseButton::mbLeft, 0, View->LogicalToDevice(To));
  }
  // What one gleam of these values makes of Source.
  static std::vector<uint8_t> Gleamed(const TQvPixels& Source, const TPoint& Start, const TPoint& End, int32_t Size,
                                      int32_t Brightness) {
    auto Copy = QvTest::CopyPixels(Source);
    TPoint A, Q;
    GleamCorners(Start, End, Size, A, Q);
    TGlareSelection Selection;
    Selection.Select(Source, A, Q);
    BrightenGleam(*Copy, Selection, Brightness);
    return QvTest::PixelBytes(*Copy);
  }
  bool Run(const QString& Command, const QByteArray& Arguments = {}) {
    return Demo->ExecuteCommand(nullptr, Command, nullptr, TQvDemoScriptParams(Arguments));
  }
};

TEST_F(GleamWorld, ADragIsOneBitExactStepInsideTheEllipse) {
  const auto Before = QvTest::CopyPixels(*Doc->Pixels());
  EXPECT_TRUE(QvTest::ApplyUndoRedoIsBitExact(*Doc, [this] { Drag({100, 80}, {110, 86}); }));
  EXPECT_EQ(QvTest::PixelBytes(*Doc->Pixels()), Gleamed(*Before, {100, 80}, {110, 86}, 128, 204));
  EXPECT_TRUE(QvTest::UnchangedOutside(*Before, *Doc->Pixels(), {TRect{90, 74, 110, 86}}));
  auto* State = Gleam->LastGlareState();
  ASSERT_TRUE(State);
  EXPECT_EQ(State->FBrightness, 204);
  EXPECT_EQ(State->FSize, 128);
  EXPECT_EQ(State->FStart, (TPoint{100, 80}));
  EXPECT_EQ(State->FEnd, (TPoint{110, 86}));
  ASSERT_TRUE(State->FRegion);
  EXPECT_EQ(State->FRegion->Bounds(), (TRect{90, 74, 110, 86}));
  EXPECT_EQ(State->FRect, (TRect{89, 73, 111, 87}));
}

TEST_F(GleamWorld, TheSliderReDoesTheLastGleamInPlace) {
  const auto Before = QvTest::CopyPixels(*Doc->Pixels());
  Drag({60, 60}, {75, 70});
  Gleam->Frame()->BrightnessTrackBar->setValue(100);
  Gleam->Frame()->BrightnessTrackBar->setValue(300);
  EXPECT_EQ(Doc->History.Count(), 1);
  EXPECT_EQ(Gleam->LastGlareState()->FBrightness, 300);
  EXPECT_EQ(QvTest::PixelBytes(*Doc->Pixels()), Gleamed(*Before, {60, 60}, {75, 70}, 128, 300));
  // A demonstration's size re-does it at half the dragged extent.
  EXPECT_TRUE(Run(QStringLiteral("GleamSize"), "64"));
  EXPECT_EQ(Doc->History.Count(), 1);
  EXPECT_EQ(QvTest::PixelBytes(*Doc->Pixels()), Gleamed(*Before, {60, 60}, {75, 70}, 64, 300));
  // Undo gives the image back, and the values of the step below come back with it.
  GraphicsEditor->DoUndo();
  EXPECT_EQ(QvTest::PixelBytes(*Doc->Pixels()), QvTest::PixelBytes(*Before));
}

// Regression: the release set the size back to 128 through the setter, which re-did the previous
// gleam with this drag's points, and then applied the drag a second time.
TEST_F(GleamWorld, AReleaseAfterASizeChangeAppliesTheNewGleamOnce) {
  Drag({50, 50}, {60, 58});
  Gleam->SetSize(64);
  const auto AfterFirst = QvTest::CopyPixels(*Doc->Pixels());
  Drag({140, 100}, {152, 110});
  EXPECT_EQ(Gleam->FSize, 128);
  EXPECT_EQ(Gleam->Frame()->SizeTrackBar->value(), 128);
  EXPECT_EQ(Doc->History.Count(), 2);
  EXPECT_EQ(QvTest::PixelBytes(*Doc->Pixels()), Gleamed(*AfterFirst, {140, 100}, {152, 110}, 128, 204));
}

TEST_F(GleamWorld, AZeroDragIsAStepThatChangesNothing) {
  const QvTest::TDocumentSnapshot Before = QvTest::TDocumentSnapshot::Take(*Doc);
  Drag({30, 30}, {30, 30});
  EXPECT_EQ(Doc->History.Count(), 1);
  EXPECT_EQ(Gleam->LastGlareState()->FRect, (TRect{30, 30, 31, 31}));
  EXPECT_EQ(QvTest::PixelBytes(*Doc->Pixels()), Before.Image);
}

TEST_F(GleamWorld, UndoAndRedoTakeOverTheStepsValues) {
  Drag({50, 50}, {60, 58});
  Gleam->SetBrightness(100);
  Drag({140, 100}, {152, 110});
  Gleam->SetBrightness(250);
  GraphicsEditor->DoUndo();
  EXPECT_EQ(Gleam->FBrightness, 100);
  EXPECT_EQ(Gleam->FStart, (TPoint{50, 50}));
  EXPECT_EQ(Gleam->Frame()->BrightnessTrackBar->value(), 100);
  GraphicsEditor->DoRedo();
  EXPECT_EQ(Gleam->FBrightness, 250);
  EXPECT_EQ(Gleam->FEnd, (TPoint{152, 110}));
  EXPECT_EQ(Doc->History.Count(), 2);
}

TEST_F(GleamWorld, SettingsAreAnEmptyNodeUnderTheRedEyeIdentifier) {
  QBuffer Stream;
  Stream.open(QIODevice::WriteOnly);
  {
    TQvSDFWriter Writer(&Stream, false);
    Tool->SaveSettings(Writer);
    Gleam->SaveSettings(Writer);
  }
  QBuffer Expected;
  Expected.open(QIODevice::WriteOnly);
  {
    TQvSDFWriter Writer(&Expected, false);
    Tool->SaveSettings(Writer);
    Writer.BeginNode(1, QvSettingsGuid::RedEyeTool);
    Writer.EndNode();
  }
  EXPECT_EQ(Stream.data(), Expected.data());
  // Loading reads nothing for the gleam and leaves the red-eye tool's values alone.
  const bool Shown = Tool->FShowOptions;
  Gleam->SetBrightness(50);
  TQvSDFReader Reader(Stream.data());
  Tool->LoadSettings(Reader);
  Gleam->LoadSettings(Reader);
  EXPECT_EQ(Tool->FShowOptions, Shown);
  EXPECT_EQ(Gleam->FBrightness, 50);
}

TEST_F(GleamWorld, RecordedLines) {
  QvTest::TLineRecorder Lines(true);
  Demo->StartDemoRecording(&Lines);
  Gleam->RecordEnter(QStringLiteral("GleamBrightness"));
  Gleam->Frame()->BrightnessTrackBar->setValue(99);
  Demo->StopDemoRecording();
  EXPECT_EQ(Lines.Lines, (QStringList{QStringLiteral("MouseCurvedMove GleamBrightness"),
                                      QStringLiteral("Message \"Change Gleam Brighness\""),
                                      QStringLiteral("GleamBrightness 99")}));
}

}  // namespace
