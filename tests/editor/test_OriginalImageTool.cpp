// The comparison tool: holding O or the toolbar button shows the original image in place of the
// current one and releasing returns to the previous tool; auto-repeat changes nothing; the original
// follows a crop or a replaced image.
#include "test_GraphicsToolFixture.h"

#include "QvOriginalImageTool.h"
#include "QvTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "QvProperties.h"

namespace {

// The red, green and blue bytes the view shows at image point (X, Y).
QRgb Shown(TQvGraphicsView* View, int32_t X, int32_t Y) {
  QImage Target(View->viewport()->size(), QImage::Format_RGB32);
  Target.fill(Qt::black);
  View->PaintView(&Target, QRegion(Target.rect()));
  const TPoint P = View->LogicalToDevice(TPoint{X, Y});
  return Target.pixel(P.X, P.Y) & 0xFFFFFF;
}

QRgb PatternColor(int32_t X, int32_t Y) {
  return qRgb(PatternByte(X, Y, 2), PatternByte(X, Y, 1), PatternByte(X, Y, 0)) & 0xFFFFFF;
}

void SendKey(QWidget* Target, QEvent::Type Type, int QtKey, bool AutoRepeat) {
  QKeyEvent Event(Type, QtKey, Qt::NoModifier, QString(), AutoRepeat);
  QApplication::sendEvent(Target, &Event);
}

}  // namespace

TEST_F(ToolWorld, HoldingOShowsTheOriginalAndReleasingReturns) {
  Open(64, 48);
  ASSERT_TRUE(OriginalImageTool);
  Pen->Stroke(View, {8, 8, 16, 16}, 0xEE);
  Pen->EndChange();
  GraphicsEditor->SetActiveTool(Pen);
  ASSERT_EQ(Shown(View, 10, 10), 0xEEEEEEu);

  EXPECT_TRUE(View->DoKeyDown('O', 0));
  EXPECT_TRUE(OriginalImageTool->IsActive());
  EXPECT_TRUE(OriginalImageTool->FShowing);
  EXPECT_FALSE(View->DocumentView()->IsVisible());
  EXPECT_EQ(Shown(View, 10, 10), PatternColor(10, 10));
  EXPECT_EQ(Shown(View, 40, 30), PatternColor(40, 30));
  EXPECT_FALSE(static_cast<TPenControl*>(Pen->Controls(0))->FActive) << "the pen's overlay is off meanwhile";

  EXPECT_TRUE(View->DoKeyUp('O', 0));
  EXPECT_EQ(GraphicsEditor->ActiveTool(), Pen);
  EXPECT_FALSE(OriginalImageTool->FShowing);
  EXPECT_TRUE(View->DocumentView()->IsVisible());
  EXPECT_FALSE(OriginalImageTool->Controls(0)->IsVisible());
  EXPECT_EQ(Shown(View, 10, 10), 0xEEEEEEu);
}

TEST_F(ToolWorld, AutoRepeatOfOShowsTheOriginalUntilTheRealRelease) {
  Open(64, 48);
  GraphicsEditor->SetActiveTool(Pen);
  SendKey(View, QEvent::KeyPress, Qt::Key_O, false);
  ASSERT_TRUE(OriginalImageTool->IsActive());
  for (int I = 0; I < 3; ++I) {
    SendKey(View, QEvent::KeyRelease, Qt::Key_O, true);
    SendKey(View, QEvent::KeyPress, Qt::Key_O, true);
    EXPECT_TRUE(OriginalImageTool->IsActive());
  }
  SendKey(View, QEvent::KeyRelease, Qt::Key_O, false);
  EXPECT_EQ(GraphicsEditor->ActiveTool(), Pen);
}

TEST_F(ToolWorld, ButtonShowsTheOriginalWhileHeldUnderThePointer) {
  Open(64, 48);
  GraphicsEditor->SetActiveTool(Pen);
  TQvOriginalImageTool* T = OriginalImageTool;
  using Tool = TQvOriginalImageTool;
  struct Step {
    int State;
    bool Showing;
  } Steps[] = {
      {Tool::ButtonHot, false},
      {Tool::ButtonHot | Tool::ButtonPushed, true},
      {Tool::ButtonHot | Tool::ButtonPushed | Tool::ButtonChecked, true},
      {Tool::ButtonPushed | Tool::ButtonChecked, false},  // dragged off while held
      {Tool::ButtonHot | Tool::ButtonChecked, false},     // the check mark alone is not held
  };
  for (const Step& S : Steps) {
    T->ButtonStateChanged(S.State);
    EXPECT_EQ(T->IsActive(), S.Showing) << "state " << S.State;
  }
  EXPECT_EQ(GraphicsEditor->ActiveTool(), Pen);
  T->OriginalImageToolButtonClick(nullptr);
  EXPECT_EQ(GraphicsEditor->ActiveTool(), Pen) << "a click alone does nothing outside toggle mode";

  // The real button: press and hold, then release.
  ASSERT_TRUE(T->OriginalImageToolButton);
  auto* Button = qobject_cast<QToolButton*>(GraphicsEditor->StandardToolbar->widgetForAction(T->OriginalImageToolButton));
  ASSERT_TRUE(Button);
  T->UpdateControls();
  ASSERT_TRUE(Button->isEnabled());
  QTest::mousePress(Button, Qt::LeftButton);
  EXPECT_TRUE(T->IsActive());
  T->UpdateControls();
  EXPECT_TRUE(T->OriginalImageToolButton->isChecked());
  QTest::mouseRelease(Button, Qt::LeftButton);
  EXPECT_EQ(GraphicsEditor->ActiveTool(), Pen);
}

TEST_F(ToolWorld, OriginalFollowsCropAndReplacedImages) {
  Open(64, 48);
  GraphicsEditor->SetActiveTool(Pen);
  ASSERT_TRUE(Doc->Crop({10, 10, 40, 30}));
  View->DoKeyDown('O', 0);
  EXPECT_EQ(OriginalImageTool->Controls(0)->Bounds, (TRect{0, 0, 30, 20}));
  EXPECT_EQ(Shown(View, 0, 0), PatternColor(10, 10));
  View->DoKeyUp('O', 0);

  // Undoing a crop or resize hands the document new image objects.
  TQvPixelBuffer Bigger;
  ASSERT_TRUE(Bigger.Allocate(PixelFormat24, {0, 0, 50, 40}));
  ASSERT_TRUE(Doc->SetImages(Bigger, &Bigger));
  View->DoKeyDown('O', 0);
  EXPECT_EQ(OriginalImageTool->Controls(0)->Bounds, (TRect{0, 0, 50, 40}));
  EXPECT_EQ(Shown(View, 45, 35), 0u);
  View->DoKeyUp('O', 0);
}

TEST_F(ToolWorld, OriginalImageToolForDemonstrations) {
  Open(64, 48);
  TQvOriginalImageTool* T = OriginalImageTool;
  bool Handled = false;
  T->ExecuteDemoCommand(nullptr, QString(), Handled, nullptr, nullptr);
  EXPECT_FALSE(Handled) << "not selected by name";

  TQvCustomProperties Params;
  QPoint Point;
  Params.SetString(0, "originalImage");
  T->GetDemoControlPoint(nullptr, &Params, Handled, Point);
  EXPECT_TRUE(Handled);
  QWidget* Button = GraphicsEditor->StandardToolbar->widgetForAction(T->OriginalImageToolButton);
  EXPECT_EQ(Point, Button->mapToGlobal(Button->rect().center()));

  for (const bool Messages : {true, false}) {
    QvTest::TLineRecorder Recorder(Messages);
    T->StartDemoRecording(&Recorder);
    T->ShowOriginal();
    T->RestoreTool();
    T->StopDemoRecording();
    const QStringList Expected =
        Messages ? QStringList{QStringLiteral("MouseCurvedMove OriginalImage"), QStringLiteral("MouseDown"),
                               QStringLiteral("Message \"Original Image\""), QStringLiteral("MouseUp"),
                               QStringLiteral("Message \"Corrected Image\"")}
                 : QStringList{QStringLiteral("MouseCurvedMove OriginalImage"), QStringLiteral("MouseDown"),
                               QStringLiteral("MouseUp")};
    EXPECT_EQ(Recorder.Lines, Expected) << "messages " << Messages;
  }
}
