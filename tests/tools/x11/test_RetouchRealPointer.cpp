// The retouching tools worked with the real pointer of an X display (label x11, run under Xvfb):
// an auto-correction and a slider drag ended with Ok, a gleam dragged into a corrected pupil and
// its slider moved, and a fast undo-brush stroke that leaves no gaps.
#include "RealPointer.h"
#include "RetouchFixture.h"

#include "MainForm.h"
#include "QvTestSupport.h"

#include <QAbstractSlider>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class RealPointerWorld : public RetouchWorld {
 protected:
  void SetUp() override {
    if (!Pointer.Ok()) GTEST_SKIP() << "no X display with XTest";
    RetouchWorld::SetUp();
    if (HasFatalFailure()) return;
  }
  void Show() {
    ASSERT_TRUE(MainForm);
    // Tall enough for the tool panel's frames below its buttons.
    MainForm->resize(1400, 1100);
    MainForm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));
  }
  // The screen point of image point P in the view.
  QPoint Screen(const TPoint& P) const { return View->viewport()->mapToGlobal(ToQPoint(View->LogicalToDevice(P))); }
  static QPoint Centre(QWidget* W) { return W->mapToGlobal(W->rect().center()); }
  // Drags the slider's handle 30 pixels to the right, as a user does.
  void DragHandle(QSlider* S) {
    const QPoint From = SliderHandleCentre(S);
    Pointer.Drag({From, From + QPoint(10, 0), From + QPoint(20, 0), From + QPoint(30, 0)});
  }
  bool Wait(const std::function<bool()>& Done) { return QTest::qWaitFor(Done, 20000); }

  TRealPointer Pointer;
};

TEST_F(RealPointerWorld, AutoCorrectThenAdjustWithTheSlidersAndOk) {
  Open(DarkImage());
  Show();
  Tone->SetShowOptions(true);
  GraphicsEditor->SetActiveTool(Tone);
  QCoreApplication::processEvents();
  const auto Start = QvTest::CopyPixels(*Doc->Pixels());
  Pointer.Click(Centre(Tone->Frame()->AutoCorrectionButton));
  ASSERT_TRUE(Wait([&] { return Tone->AdjustmentOpen(); }));
  const TBrightnessContrastSettings Found = Tone->Settings();
  DragHandle(Tone->Frame()->BrightnessTrackBar);
  ASSERT_TRUE(Wait([&] { return Tone->FBrightness != Found.Brightness; }));
  const TBrightnessContrastSettings Adjusted = Tone->Settings();
  Pointer.Click(Centre(Tone->Frame()->OkButton));
  ASSERT_TRUE(Wait([&] { return Doc->History.Count() == 1; }));
  EXPECT_FALSE(Tone->AdjustmentOpen());
  auto Expected = QvTest::CopyPixels(*Start);
  ApplyToneTable(*Expected, *Start, ToneTable(Adjusted));
  EXPECT_EQ(QvTest::PixelBytes(*Doc->Pixels()), QvTest::PixelBytes(*Expected));
}

TEST_F(RealPointerWorld, DragAGleamIntoACorrectedPupilAndMoveItsSlider) {
  Open(SamplePath());
  Show();
  Click(LeftPupil);
  GraphicsEditor->SetActiveTool(Gleam);
  QCoreApplication::processEvents();
  Pointer.Drag({Screen(LeftPupil), Screen(TPoint{LeftPupil.X + 4, LeftPupil.Y + 3}),
                Screen(TPoint{LeftPupil.X + 8, LeftPupil.Y + 6})});
  ASSERT_TRUE(Wait([&] { return Gleam->LastGlareState() != nullptr; }));
  EXPECT_EQ(Gleam->FStart, LeftPupil);
  const int Before = Gleam->FBrightness;
  DragHandle(Gleam->Frame()->BrightnessTrackBar);
  ASSERT_TRUE(Wait([&] { return Gleam->LastGlareState() && Gleam->LastGlareState()->FBrightness != Before; }));
  EXPECT_EQ(Doc->History.Count(), 2);
}

TEST_F(RealPointerWorld, AFastUndoBrushStrokeLeavesNoGaps) {
  Open(MakeImage(QStringLiteral("flat.png"), 400, 100, [](int, int) { return qRgb(200, 200, 200); }));
  Show();
  Tone->SetShowOptions(true);
  Tone->SetBrightness(-100);
  Tone->OkButtonClick();
  GraphicsEditor->SetActiveTool(Brush);
  Brush->SetSize(8);
  QCoreApplication::processEvents();
  Pointer.Drag({Screen(TPoint{20, 50}), Screen(TPoint{120, 50}), Screen(TPoint{250, 50}), Screen(TPoint{380, 50})});
  ASSERT_TRUE(Wait([&] { return Doc->History.Count() == 2 && !Doc->Modifying(); }));
  for (int X = 20; X <= 380; ++X) ASSERT_EQ(Doc->Pixels()->PixelAt(X, 50)[ChannelRed], 200) << X;
}

}  // namespace
