#include "QvScrollTool.h"

#include "QvCursors.h"
#include "QvGraphicsEditor.h"

#include <QKeyEvent>

TQvScrollTool* ScrollTool = nullptr;

TQvScrollTool::TQvScrollTool() { SetControlClass<TQvScrollToolControl>(); }

TQvScrollTool::~TQvScrollTool() {
  if (ScrollTool == this) ScrollTool = nullptr;
}

bool TQvScrollTool::eventFilter(QObject* Watched, QEvent* Event) {
  if (Event->type() == QEvent::KeyPress || Event->type() == QEvent::KeyRelease) {
    const auto* Key = static_cast<const QKeyEvent*>(Event);
    if (Key->isAutoRepeat() && QvVirtualKey(*Key) == QvKey::Space) return true;
  }
  return TQvGraphicsTool::eventFilter(Watched, Event);
}

TQvScrollToolControl::TQvScrollToolControl(TQvGraphicsTool* Tool, TQvGraphicsView* View)
    : TQvGraphicsToolControl(Tool, View) {}

void TQvScrollToolControl::Setup() {
  if (FView && FTool) FView->installEventFilter(FTool);
}

void TQvScrollToolControl::Deactivate() {
  FDragging = false;
  TQvGraphicsToolControl::Deactivate();
}

bool TQvScrollToolControl::GetCursor(TQvShiftState, const TPoint&, int& CursorId) {
  if (!FActive) return false;
  CursorId = QvCursorNumber::Hand;
  return true;
}

bool TQvScrollToolControl::MouseDown(TQvMouseButton Button, TQvShiftState, const TPoint& Point) {
  if (!FActive || Button != TQvMouseButton::mbLeft) return false;
  FDragging = true;
  FLastPoint = Point;
  return true;
}

bool TQvScrollToolControl::MouseMove(TQvShiftState, const TPoint& Point) {
  if (!FActive || !FDragging) return false;
  int DX = Point.X - FLastPoint.X;
  int DY = Point.Y - FLastPoint.Y;
  if (FView) {
    // The image follows the pointer, but never past its edges.
    FView->ClampScrollDelta(DX, DY);
    if (DX || DY) FView->ScrollView(DX, DY);
  }
  FLastPoint.X += DX;
  FLastPoint.Y += DY;
  return true;
}

bool TQvScrollToolControl::MouseUp(TQvMouseButton Button, TQvShiftState, const TPoint&) {
  if (!FActive || Button != TQvMouseButton::mbLeft || !FDragging) return false;
  FDragging = false;
  return true;
}

bool TQvScrollToolControl::KeyDown(int Key, TQvShiftState) {
  TQvGraphicsEditor* Editor = GraphicsEditor;
  // The zoom keys work whatever tool is active and leave the key to others as well.
  if (Editor && Key == QvKey::OemPlus) Editor->ZoomInCommand(nullptr);
  if (Editor && Key == QvKey::OemMinus) Editor->ZoomOutCommand(nullptr);
  if (FActive || Key != QvKey::Space || !Editor || !FTool || !FTool->FAvailable) return false;
  FPreviousTool = Editor->ActiveTool();
  Editor->SetActiveTool(FTool);
  return true;
}

bool TQvScrollToolControl::KeyUp(int Key, TQvShiftState) {
  if (!FActive || Key != QvKey::Space) return false;
  if (TQvGraphicsEditor* Editor = GraphicsEditor) Editor->SetActiveTool(FPreviousTool);
  return true;
}
