// The undo brush in the editor: strokes paint the original back as one step each, painting over a
// spot twice in one stroke equals once, fast strokes leave no gaps, a stroke ends when its release
// cannot come, and the wheel, the keys and the settings.
#include "RetouchFixture.h"

#include "QvGuid.h"
#include "QvSDF.h"
#include "QvTestSupport.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QSlider>

namespace {

class BrushWorld : public RetouchWorld {
 protected:
  void SetUp() override {
    RetouchWorld::SetUp();
    if (HasFatalFailure()) return;
    Open(SamplePath());
    Click(LeftPupil);  // a red-eye step the brush can paint back
    ASSERT_EQ(Doc->History.Count(), 1);
    GraphicsEditor->SetActiveTool(Brush);
  }
  void Press(const TPoint& P) { View->DoMouseDown(TQvMouseButton::mbLeft, ssLeft, View->LogicalToDevice(P)); }
  void Move(const TPoint& P, TQvShiftState Shift = ssLeft) { View->DoMouseMove(Shift, View->LogicalToDevice(P)); }
  void Release(const TPoint& P) { View->DoMouseUp(TQvMouseButton::mbLeft, 0, View->LogicalToDevice(P)); }
  void Stroke(const std::vector<TPoint>& Path) {
    Press(Path.front());
    for (size_t I = 1; I < Path.size(); ++I) Move(Path[I]);
    Release(Path.back());
  }
  std::vector<uint8_t> Pixel(const TQvPixels& P, int X, int Y) { return QvTest::PixelBytes(P, TRect{X, Y, X + 1, Y + 1}); }
};

TEST_F(BrushWorld, AStrokePaintsTheOriginalBackAsOneBitExactStep) {
  Brush->SetSize(30);
  const auto Before = QvTest::CopyPixels(*Doc->Pixels());
  ASSERT_NE(Pixel(*Doc->Pixels(), LeftPupil.X, LeftPupil.Y), Pixel(*Doc->OriginalPixels(), LeftPupil.X, LeftPupil.Y));
  EXPECT_TRUE(QvTest::ApplyUndoRedoIsBitExact(*Doc, [this] {
    Stroke({{LeftPupil.X - 10, LeftPupil.Y}, {LeftPupil.X + 10, LeftPupil.Y}});
  }));
  EXPECT_EQ(Pixel(*Doc->Pixels(), LeftPupil.X, LeftPupil.Y), Pixel(*Doc->OriginalPixels(), LeftPupil.X, LeftPupil.Y));
  EXPECT_TRUE(QvTest::UnchangedOutside(*Before, *Doc->Pixels(),
                                       {TRect{LeftPupil.X - 25, LeftPupil.Y - 15, LeftPupil.X + 26, LeftPupil.Y + 16}}));
  EXPECT_FALSE(Doc->Modifying());
  EXPECT_TRUE(Brush->FStrokeMask.BoundsRect().IsEmpty());
}

TEST_F(BrushWorld, TwiceInOneStrokeEqualsOnceAndASecondStrokeBuildsUp) {
  Brush->SetOpacity(100);
  Brush->SetSize(12);
  const TPoint A{LeftPupil.X - 8, LeftPupil.Y}, B{LeftPupil.X + 8, LeftPupil.Y};
  Stroke({A, B});
  const auto Once = QvTest::PixelBytes(*Doc->Pixels());
  GraphicsEditor->DoUndo();
  Stroke({A, B, A, B, A});
  EXPECT_EQ(QvTest::PixelBytes(*Doc->Pixels()), Once);
  EXPECT_EQ(Doc->History.Count(), 2);
  Stroke({A, B});
  EXPECT_EQ(Doc->History.Count(), 3);
  const std::vector<uint8_t> Original = Pixel(*Doc->OriginalPixels(), LeftPupil.X, LeftPupil.Y);
  const std::vector<uint8_t> Now = Pixel(*Doc->Pixels(), LeftPupil.X, LeftPupil.Y);
  auto Distance = [&](const std::vector<uint8_t>& V) {
    int D = 0;
    for (size_t I = 0; I < 3; ++I) D += std::abs(int(V[I]) - int(Original[I]));
    return D;
  };
  const std::vector<uint8_t> OnceCentre = [&] {
    GraphicsEditor->DoUndo();
    auto V = Pixel(*Doc->Pixels(), LeftPupil.X, LeftPupil.Y);
    GraphicsEditor->DoRedo();
    return V;
  }();
  EXPECT_LT(Distance(Now), Distance(OnceCentre));
}

TEST_F(BrushWorld, AFastStrokeLeavesNoGaps) {
  Brush->SetSize(6);
  Open(MakeImage(QStringLiteral("flat.png"), 300, 80, [](int, int) { return qRgb(200, 200, 200); }));
  // Darken everything with the tone tool, then paint a line back far faster than the dabs are wide.
  Tone->SetShowOptions(true);
  Tone->SetBrightness(-100);
  Tone->OkButtonClick();
  GraphicsEditor->SetActiveTool(Brush);
  Stroke({{10, 40}, {90, 40}, {170, 40}, {290, 40}});
  for (int X = 10; X <= 290; ++X) ASSERT_EQ(Doc->Pixels()->PixelAt(X, 40)[ChannelRed], 200) << X;
  EXPECT_NE(Doc->Pixels()->PixelAt(150, 10)[ChannelRed], 200);
}

// Regression: without its release (a modal box, another window, a lost grab) a stroke stayed
// open, undo stayed off and other tools' clicks were ignored.
TEST_F(BrushWorld, AStrokeEndsWhenItsReleaseCannotCome) {
  Press({LeftPupil.X, LeftPupil.Y});
  EXPECT_TRUE(Doc->Modifying());
  EXPECT_FALSE(GraphicsEditor->CanUndo());
  Q_EMIT qGuiApp->focusWindowChanged(nullptr);
  EXPECT_FALSE(Doc->Modifying());
  EXPECT_EQ(Doc->History.Count(), 2);
  EXPECT_TRUE(GraphicsEditor->CanUndo());

  // A move without the button: the release went elsewhere.
  Press({LeftPupil.X + 5, LeftPupil.Y});
  Move({LeftPupil.X + 8, LeftPupil.Y}, 0);
  EXPECT_FALSE(Doc->Modifying());
  EXPECT_EQ(Doc->History.Count(), 3);
  // The next press starts a stroke as usual.
  Stroke({{LeftPupil.X, LeftPupil.Y + 5}, {LeftPupil.X + 4, LeftPupil.Y + 5}});
  EXPECT_EQ(Doc->History.Count(), 4);
}

TEST_F(BrushWorld, ClosingTheDocumentInTheMiddleOfAStrokeEndsIt) {
  Press(LeftPupil);
  Move({LeftPupil.X + 6, LeftPupil.Y});
  EXPECT_TRUE(Doc->Close());
  Doc = nullptr;
  View = nullptr;
  EXPECT_FALSE(Brush->Painting());
  EXPECT_TRUE(Brush->FStrokeMask.BoundsRect().IsEmpty());
  // The next image is painted on as usual.
  Open(SamplePath());
  GraphicsEditor->SetActiveTool(Brush);
  Stroke({LeftPupil, {LeftPupil.X + 3, LeftPupil.Y}});
  EXPECT_EQ(Doc->History.Count(), 1);
}

TEST_F(BrushWorld, WheelAndKeysChangeTheSizeWithinItsRange) {
  const TPoint At = View->LogicalToDevice(LeftPupil);
  EXPECT_TRUE(View->DoMouseWheel(0, +1, At));
  EXPECT_EQ(Brush->FSize, 11);
  EXPECT_EQ(Brush->Frame()->SizeTrackBar->value(), 11);
  EXPECT_TRUE(View->DoKeyDown(QvKey::Down, 0));
  EXPECT_TRUE(View->DoKeyDown(QvKey::Next, 0));
  EXPECT_EQ(Brush->FSize, 9);
  EXPECT_FALSE(View->DoKeyDown(QvKey::Return, 0));
  // While painting the wheel leaves the size alone; the keys do not.
  Press(LeftPupil);
  View->DoMouseWheel(ssLeft, +1, At);
  EXPECT_EQ(Brush->FSize, 9);
  View->DoKeyDown(QvKey::Up, ssLeft);
  EXPECT_EQ(Brush->FSize, 10);
  Release(LeftPupil);
  Brush->SetSize(1);
  View->DoKeyDown(QvKey::Left, 0);
  EXPECT_EQ(Brush->FSize, 1);
  Brush->SetSize(100);
  View->DoMouseWheel(0, +1, At);
  EXPECT_EQ(Brush->FSize, 100);
  // The dab follows: size 100 is a 101-pixel square with a full core.
  EXPECT_EQ(Brush->FMask.BoundsRect(), (TRect{0, 0, 101, 101}));
  EXPECT_EQ(*Brush->FMask.ValueAt(50, 50), 255);
}

TEST_F(BrushWorld, SettingsAndRecordedLines) {
  QvTest::TLineRecorder Lines(true);
  Demo->StartDemoRecording(&Lines);
  Brush->Frame()->SizeTrackBar->setValue(33);
  Brush->SetOpacity(200);
  Brush->SetHardness(40);
  Brush->SetShowOptions(true);
  Demo->StopDemoRecording();
  EXPECT_EQ(Lines.Lines, (QStringList{QStringLiteral("UndoBrushSize 33"), QStringLiteral("UndoBrushOpacity 200"),
                                      QStringLiteral("UndoBrushHardness 40"),
                                      QStringLiteral("MouseCurvedMove UndoBrushOptions"),
                                      QStringLiteral("UndoBrushShowOptions")}));
  QBuffer Stream;
  Stream.open(QIODevice::WriteOnly);
  {
    TQvSDFWriter Writer(&Stream, false);
    Brush->SaveSettings(Writer);
  }
  QBuffer Expected;
  Expected.open(QIODevice::WriteOnly);
  {
    TQvSDFWriter Writer(&Expected, false);
    Writer.BeginNode(1, QvSettingsGuid::UndoBrushTool);
    Writer.WriteInteger(1, 33);
    Writer.WriteInteger(2, 200);
    Writer.WriteInteger(3, 40);
    Writer.WriteInteger(4, 1);
    Writer.EndNode();
  }
  EXPECT_EQ(Stream.data(), Expected.data());
  Brush->SetSize(10);
  Brush->SetOpacity(255);
  Brush->SetShowOptions(false);
  TQvSDFReader Reader(Stream.data());
  Brush->LoadSettings(Reader);
  EXPECT_EQ(Brush->Settings(), (TUndoBrushSettings{33, 200, 40}));
  EXPECT_TRUE(Brush->FShowOptions);
}

}  // namespace
