// The hand tool: the space bar holds it active over another tool, a drag moves the image and stops
// at its edges, the main keyboard's plus and minus zoom, and auto-repeat changes nothing.
#include "test_GraphicsToolFixture.h"

#include "QvCursors.h"
#include "QvScrollTool.h"

#include <QApplication>
#include <QKeyEvent>

namespace {

QPoint Origin(TQvGraphicsView* View) { return View->MapMode().DeviceOrigin; }

void SendKey(QWidget* Target, QEvent::Type Type, int QtKey, bool AutoRepeat) {
  QKeyEvent Event(Type, QtKey, Qt::NoModifier, QString(), AutoRepeat);
  QApplication::sendEvent(Target, &Event);
}

}  // namespace

TEST_F(ToolWorld, SpaceHoldsTheHandOverTheActiveToolAndItsDragScrolls) {
  Open(1000, 800);
  ASSERT_TRUE(ScrollTool);
  GraphicsEditor->SetActiveTool(Pen);
  EXPECT_TRUE(View->DoKeyDown(QvKey::Space, 0));
  EXPECT_EQ(GraphicsEditor->ActiveTool(), ScrollTool);
  EXPECT_EQ(View->QueryCursor(0, {50, 50}), QvCursorNumber::Hand);

  const QPoint Before = Origin(View);
  View->DoMouseDown(TQvMouseButton::mbLeft, ssLeft, {200, 200});
  View->DoMouseMove(ssLeft, {160, 170});
  View->DoMouseMove(ssLeft, {150, 150});
  View->DoMouseUp(TQvMouseButton::mbLeft, 0, {150, 150});
  EXPECT_EQ(Origin(View), Before + QPoint(-50, -50)) << "the image follows the pointer";
  EXPECT_EQ(Doc->History.Count(), 0) << "the pen saw nothing of the drag";
  // Released, the button no longer drags.
  View->DoMouseMove(0, {100, 100});
  EXPECT_EQ(Origin(View), Before + QPoint(-50, -50));

  EXPECT_TRUE(View->DoKeyUp(QvKey::Space, 0));
  EXPECT_EQ(GraphicsEditor->ActiveTool(), Pen);
  EXPECT_NE(View->QueryCursor(0, {50, 50}), QvCursorNumber::Hand);
}

TEST_F(ToolWorld, HandDragStopsAtTheImageEdges) {
  struct Case {
    const char* What;
    int Width, Height;
    TPoint From, To;
    bool Moves;
  } Cases[] = {
      {"at the left and top edges, dragging right and down", 1000, 800, {100, 100}, {160, 190}, false},
      {"smaller than the view: it never moves", 64, 48, {100, 100}, {40, 30}, false},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.What);
    Open(C.Width, C.Height);
    GraphicsEditor->SetActiveTool(ScrollTool);
    const QPoint Before = Origin(View);
    View->DoMouseDown(TQvMouseButton::mbLeft, ssLeft, C.From);
    View->DoMouseMove(ssLeft, C.To);
    View->DoMouseUp(TQvMouseButton::mbLeft, 0, C.To);
    EXPECT_EQ(Origin(View), Before);
  }
  // Far past the right edge: the origin stops where the image's right edge meets the window's.
  Open(1000, 800);
  GraphicsEditor->SetActiveTool(ScrollTool);
  View->DoMouseDown(TQvMouseButton::mbLeft, ssLeft, {400, 10});
  View->DoMouseMove(ssLeft, {-5000, 10});
  EXPECT_EQ(View->LogicalToDevice(TPoint{1000, 0}).X, View->ClientWidth());
  // The drag keeps hold of the image point it grabbed: coming back 10 pixels from far outside moves
  // nothing, but 10 pixels past the grabbed point's place move the image by 10.
  View->DoMouseMove(ssLeft, {-4990, 10});
  EXPECT_EQ(View->LogicalToDevice(TPoint{1000, 0}).X, View->ClientWidth());
  const int Grabbed = 400 + View->ClientWidth() - 1000;
  View->DoMouseMove(ssLeft, {Grabbed + 10, 10});
  EXPECT_EQ(View->LogicalToDevice(TPoint{1000, 0}).X, View->ClientWidth() + 10);
}

TEST_F(ToolWorld, MainKeyboardPlusAndMinusZoomWhateverToolIsActive) {
  Open(64, 48);
  GraphicsEditor->SetActiveTool(Pen);
  View->DoKeyDown(QvKey::Add, 0);
  EXPECT_EQ(View->ZoomNumerator() * 1000 / View->ZoomDenominator(), 1000) << "numeric-pad plus is not it";
  View->DoKeyDown(QvKey::OemPlus, 0);
  EXPECT_EQ(View->ZoomNumerator() * 1000 / View->ZoomDenominator(), 1500);
  View->DoKeyDown(QvKey::OemMinus, 0);
  EXPECT_EQ(View->ZoomNumerator() * 1000 / View->ZoomDenominator(), 1000);
  EXPECT_EQ(GraphicsEditor->ActiveTool(), Pen);
}

TEST_F(ToolWorld, AutoRepeatOfTheSpaceBarDoesNotToggleTheHand) {
  Open(64, 48);
  GraphicsEditor->SetActiveTool(Pen);
  SendKey(View, QEvent::KeyPress, Qt::Key_Space, false);
  ASSERT_EQ(GraphicsEditor->ActiveTool(), ScrollTool);
  for (int I = 0; I < 3; ++I) {
    SendKey(View, QEvent::KeyRelease, Qt::Key_Space, true);
    EXPECT_EQ(GraphicsEditor->ActiveTool(), ScrollTool);
    SendKey(View, QEvent::KeyPress, Qt::Key_Space, true);
    EXPECT_EQ(GraphicsEditor->ActiveTool(), ScrollTool);
  }
  SendKey(View, QEvent::KeyRelease, Qt::Key_Space, false);
  EXPECT_EQ(GraphicsEditor->ActiveTool(), Pen);
}
