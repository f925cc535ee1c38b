// The text tool's view control: drawing a new rectangle, moving and resizing it by its handles,
// committing and cancelling it, and its outline.
#include "QvTextTool.h"

#include "QvCursors.h"
#include "QvGraphicsEditor.h"

namespace {

// Cursor numbers of the classic cursor table.
constexpr int crCross = -3;
constexpr int crSizeNESW = -6;
constexpr int crSizeNS = -7;
constexpr int crSizeNWSE = -8;
constexpr int crSizeWE = -9;
constexpr int crSizeAll = -22;

void RegisterTextCursors() {
  static bool Done = false;
  if (Done) return;
  Done = true;
  RegisterCursor(crCross, QCursor(Qt::CrossCursor));
  RegisterCursor(crSizeNESW, QCursor(Qt::SizeBDiagCursor));
  RegisterCursor(crSizeNS, QCursor(Qt::SizeVerCursor));
  RegisterCursor(crSizeNWSE, QCursor(Qt::SizeFDiagCursor));
  RegisterCursor(crSizeWE, QCursor(Qt::SizeHorCursor));
  RegisterCursor(crSizeAll, QCursor(Qt::SizeAllCursor));
}

// Where a new rectangle may lie: the document's area, or its whole image.
TRect DrawingBounds(const TQvGraphicsView* View) {
  TRect R;
  if (View && View->Document()) View->Document()->GetAreaOrBounds(R);
  return R;
}

}  // namespace

TQvTextTool* TQvTextToolControl::TextTool() const { return static_cast<TQvTextTool*>(FTool.data()); }

TRect TQvTextToolControl::DeviceRect() const { return FView ? FView->LogicalToDevice(FRect) : TRect{}; }

void TQvTextToolControl::Activate() {
  RegisterTextCursors();
  SetVisible(true);
  TQvGraphicsToolControl::Activate();
}

void TQvTextToolControl::Deactivate() {
  SetVisible(false);
  TQvGraphicsToolControl::Deactivate();
}

void TQvTextToolControl::GetContentBounds(const TQvMapMode& MapMode, TRect& Rect) const {
  if (FState == NoText) {
    Rect = TRect{};
    return;
  }
  const int32_t Room = HandleSize / 2 + 1;
  Rect = InflateRect(FromQRect(MapMode.LogicalToDevice(ToQRect(FRect))), Room, Room);
}

void TQvTextToolControl::PaintContent(TQvViewCanvas& Canvas) {
  if (FState == NoText || !FActive) return;
  const TRect R = FromQRect(Canvas.MapMode().LogicalToDevice(ToQRect(FRect)));
  if (R.Right > R.Left && R.Bottom > R.Top) {
    Canvas.InvertRect(TRect{R.Left, R.Top, R.Right, R.Top + 1});
    if (R.Bottom - 1 > R.Top) Canvas.InvertRect(TRect{R.Left, R.Bottom - 1, R.Right, R.Bottom});
    Canvas.InvertRect(TRect{R.Left, R.Top + 1, R.Left + 1, R.Bottom - 1});
    if (R.Right - 1 > R.Left) Canvas.InvertRect(TRect{R.Right - 1, R.Top + 1, R.Right, R.Bottom - 1});
  }
  if (FState != Present) return;
  for (int32_t Code = HandleTop; Code <= HandleTopLeft; ++Code) {
    const TRect Handle = HandleRect(HandlePoint(R, Code));
    Canvas.InvertRect(Handle);
    Canvas.InvertRect(InflateRect(Handle, -1, -1));
  }
}

bool TQvTextToolControl::GetCursor(TQvShiftState, const TPoint& Point, int& CursorId) {
  if (!FActive) return false;
  if (FState == NoText) {
    CursorId = crCross;
    return true;
  }
  if (FState != Present) return false;
  switch (HitTestHandles(DeviceRect(), Point)) {
    case HandleInside: CursorId = crSizeAll; return true;
    case HandleTopRight:
    case HandleBottomLeft: CursorId = crSizeNESW; return true;
    case HandleRight:
    case HandleLeft: CursorId = crSizeWE; return true;
    case HandleBottomRight:
    case HandleTopLeft: CursorId = crSizeNWSE; return true;
    case HandleTop:
    case HandleBottom: CursorId = crSizeNS; return true;
    default: return false;
  }
}

bool TQvTextToolControl::MouseDown(TQvMouseButton Button, TQvShiftState, const TPoint& Point) {
  TQvTextTool* Tool = TextTool();
  if (!FActive || !FView || !Tool) return false;
  if (Button != TQvMouseButton::mbLeft) return FState != NoText;
  const TPoint P = FView->DeviceToLogical(Point);
  if (FState == NoText) {
    if (!DrawingBounds(FView).Contains(P.X, P.Y) || !Tool->BeginText(FView)) return true;
    if (Tool->Editor()) Tool->Editor()->LockTool();
    FAnchor = P;
    FRect = TRect{P.X, P.Y, P.X + 1, P.Y + 1};
    Tool->FFlipH = Tool->FFlipV = false;
    FState = Drawing;
    Tool->Redraw();
    return true;
  }
  if (FState == Present) {
    const int32_t Hit = HitTestHandles(DeviceRect(), Point);
    if (Hit < HandleInside) return true;  // outside: the release commits
    FHit = Hit;
    FStartFlipH = Tool->FFlipH;
    FStartFlipV = Tool->FFlipV;
    FStartRect = FRect;
    FAnchor = P;
    Invalidate();  // the handles go while dragging
    FState = Dragging;
  }
  return true;
}

bool TQvTextToolControl::MouseMove(TQvShiftState, const TPoint& Point) {
  TQvTextTool* Tool = TextTool();
  if (!FActive || !FView || !Tool || (FState != Drawing && FState != Dragging)) return false;
  const TPoint P = FView->DeviceToLogical(Point);
  const TRect Bounds = DrawingBounds(FView);
  const TRectDrag Drag = FState == Drawing
                             ? DrawRectDrag(FAnchor, P, Bounds)
                             : HandleDrag(FStartRect, FHit, P.X - FAnchor.X, P.Y - FAnchor.Y, Bounds, FStartFlipH,
                                          FStartFlipV);
  if (Drag.Rect == FRect && Drag.FlipH == Tool->FFlipH && Drag.FlipV == Tool->FFlipV) return true;
  Invalidate();  // where the outline was
  FRect = Drag.Rect;
  Tool->FFlipH = Drag.FlipH;
  Tool->FFlipV = Drag.FlipV;
  Tool->Redraw();
  ShowSize();
  return true;
}

bool TQvTextToolControl::MouseUp(TQvMouseButton Button, TQvShiftState, const TPoint& Point) {
  TQvTextTool* Tool = TextTool();
  if (!FActive || !Tool || FState == NoText) return false;
  if (Button == TQvMouseButton::mbLeft) {
    if (FState == Drawing || FState == Dragging) {
      FState = Present;
      if (FRect.Width() < 2 && FRect.Height() < 2)
        Tool->Cancel();
      else
        Invalidate();
    } else if (FState == Present && HitTestHandles(DeviceRect(), Point) == HandleOutside) {
      Tool->Commit();
    }
    return true;
  }
  if (Button == TQvMouseButton::mbRight && FState == Present) Tool->Cancel();
  return true;
}

bool TQvTextToolControl::KeyDown(int Key, TQvShiftState) {
  TQvTextTool* Tool = TextTool();
  if (!FActive || !Tool || FState != Present) return false;
  if (Key == QvKey::Return) {
    Tool->Commit();
    return true;
  }
  if (Key == QvKey::Escape) {
    Tool->Cancel();
    return true;
  }
  return false;
}

void TQvTextToolControl::ResetState() {
  Invalidate();
  FState = NoText;
  FHit = HandleOutside;
  if (FView) FView->update();
}

void TQvTextToolControl::ShowSize() const {
  TQvTextTool* Tool = TextTool();
  if (!Tool || !Tool->Editor() || FRect.IsEmpty()) return;
  Tool->Editor()->SetWidthText(QString::number(FRect.Width()));
  Tool->Editor()->SetHeightText(QString::number(FRect.Height()));
}
