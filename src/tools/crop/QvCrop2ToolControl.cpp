// The crop tool's view control: drawing, moving and resizing the rectangle, and its overlay.
#include "QvCrop2Tool.h"

#include "QvCropOverlay.h"
#include "QvCursors.h"
#include "QvGraphicsEditor.h"

namespace {

// Cursor numbers: the cross and one per pointer shape of the handles.
constexpr int crCross = -3;
int CursorNumber(Qt::CursorShape Shape) { return -1000 - int(Shape); }

TCropOverlayState OverlayState(uint8_t State) { return static_cast<TCropOverlayState>(State); }

}  // namespace

void RegisterCropCursors() {
  RegisterCursor(crCross, QCursor(Qt::CrossCursor));
  for (const Qt::CursorShape Shape :
       {Qt::SizeAllCursor, Qt::SizeVerCursor, Qt::SizeBDiagCursor, Qt::SizeHorCursor, Qt::SizeFDiagCursor})
    RegisterCursor(CursorNumber(Shape), QCursor(Shape));
}

TQvCrop2ToolControl::TQvCrop2ToolControl(TQvGraphicsTool* Tool, TQvGraphicsView* View)
    : TQvGraphicsToolControl(Tool, View) {}

TQvCrop2Tool* TQvCrop2ToolControl::CropTool() const { return static_cast<TQvCrop2Tool*>(FTool.data()); }

TQvGraphicsDocument* TQvCrop2ToolControl::Document() const { return FView ? FView->Document() : nullptr; }

TRect TQvCrop2ToolControl::AreaRect() const {
  TRect R;
  if (const TQvGraphicsDocument* D = Document()) D->GetAreaOrBounds(R);
  return R;
}

TRect TQvCrop2ToolControl::ToScreen(const TRect& Rect) const { return FView ? FView->LogicalToDevice(Rect) : TRect{}; }

void TQvCrop2ToolControl::GetContentBounds(const TQvMapMode& MapMode, TRect& Rect) const {
  const TQvGraphicsDocument* D = Document();
  Rect = D ? FromQRect(MapMode.LogicalToDevice(QRect(0, 0, D->Width(), D->Height()))) : TRect{};
  if (FState == StateShown) Rect = InflateRect(Rect, 5, 5);
}

void TQvCrop2ToolControl::PaintContent(TQvViewCanvas& Canvas) {
  const TQvCrop2Tool* Tool = CropTool();
  if (FState == StateNone || !Tool || !Document()) return;
  const TQvMapMode& M = Canvas.MapMode();
  const TRect A = FromQRect(M.LogicalToDevice(ToQRect(AreaRect())));
  const TRect K = FromQRect(M.LogicalToDevice(ToQRect(Tool->CropRect())));
  PaintCropOverlay(Canvas.Pixels(), Canvas.ClipRegion(), A, K, OverlayState(FState));
}

void TQvCrop2ToolControl::Activate() {
  TQvGraphicsToolControl::Activate();
  SetVisible(true);
}

void TQvCrop2ToolControl::Deactivate() {
  SetVisible(false);
  TQvGraphicsToolControl::Deactivate();
}

bool TQvCrop2ToolControl::GetCursor(TQvShiftState, const TPoint& Point, int& CursorId) {
  if (!FActive || !CropTool()) return false;
  if (FState == StateNone) {
    CursorId = crCross;
    return true;
  }
  if (FState != StateShown) return false;
  const int32_t Code = CropHitTest(ToScreen(CropTool()->CropRect()), Point);
  if (Code == CropHitOutside) return false;
  CursorId = CursorNumber(CropHitCursor(Code));
  return true;
}

bool TQvCrop2ToolControl::MouseDown(TQvMouseButton, TQvShiftState, const TPoint& Point) {
  TQvCrop2Tool* Tool = CropTool();
  if (!FActive || !Tool || !Document() || !FView) return false;
  const TPoint P = FView->DeviceToLogical(Point);
  if (FState == StateNone) {
    if (!ToScreen(AreaRect()).Contains(Point.X, Point.Y)) return false;
    if (TQvGraphicsEditor* E = Tool->Editor()) E->LockTool();
    FAnchor = P;
    Tool->SetCropRect(::Bounds(P.X, P.Y, 1, 1));
    FState = StateDrawing;
    Invalidate();
    return true;
  }
  if (FState == StateShown) {
    FHit = CropHitTest(ToScreen(Tool->CropRect()), Point);
    if (FHit > 2) {
      FAnchor = P;
      FStartRect = Tool->CropRect();
      Invalidate();
      FState = StateDragging;
      return true;
    }
  }
  return false;
}

bool TQvCrop2ToolControl::MouseMove(TQvShiftState, const TPoint& Point) {
  TQvCrop2Tool* Tool = CropTool();
  if (!FActive || !Tool || !Document() || !FView) return false;
  const TPoint P = FView->DeviceToLogical(Point);
  bool Handled = false;
  if (FState == StateDrawing) {
    Tool->SetCropRect(DrawCropRect(FAnchor, P, Tool->Ratio(), AreaRect(), Tool->CropRect()));
    Invalidate();
    Handled = true;
  } else if (FState == StateDragging && FHit > 2) {
    const TRect Current = Tool->CropRect();
    const TRect New = DragCropRect(FHit, FStartRect, P.X - FAnchor.X, P.Y - FAnchor.Y, Tool->Ratio(), AreaRect(), Current);
    const TRect OldScreen = ToScreen(Current);
    const TRect NewScreen = ToScreen(New);
    if (NewScreen != OldScreen) {
      Tool->SetCropRect(New);
      // Only what lies in either rectangle looks different: the surround stays dark.
      FView->InvalidateRect(InflateRect(UnionRect(OldScreen, NewScreen), 1, 1));
    }
    Handled = true;
  }
  const TRect& K = Tool->CropRect();
  if (FState != StateNone && !K.IsEmpty())
    if (TQvGraphicsEditor* E = Tool->Editor()) {
      E->SetWidthText(QString::number(K.Width()));
      E->SetHeightText(QString::number(K.Height()));
    }
  return Handled;
}

bool TQvCrop2ToolControl::MouseUp(TQvMouseButton Button, TQvShiftState, const TPoint& Point) {
  TQvCrop2Tool* Tool = CropTool();
  if (!FActive || !Tool || !FView) return false;
  if (FState == StateDrawing || FState == StateDragging) {
    FState = StateShown;
    Invalidate();
    return true;
  }
  if (FState == StateShown) {
    const TPoint P = FView->DeviceToLogical(Point);
    if (Tool->CropRect().Contains(P.X, P.Y)) return false;
    // The view has recorded the click that ends it; a recorded command as well would crop twice
    // when the script is played.
    if (Button == TQvMouseButton::mbLeft)
      PerformCrop(false);
    else if (Button == TQvMouseButton::mbRight)
      CancelCrop(false);
    return true;
  }
  return false;
}

bool TQvCrop2ToolControl::KeyDown(int Key, TQvShiftState) {
  if (!FActive || FState == StateNone) return false;
  if (Key == QvKey::Escape)
    CancelCrop(true);
  else if (Key == QvKey::Return)
    PerformCrop(true);
  return true;
}

void TQvCrop2ToolControl::Reset() {
  Invalidate();
  FState = StateNone;
  if (TQvCrop2Tool* Tool = CropTool())
    if (TQvGraphicsEditor* E = Tool->Editor()) E->UnlockTool();
}

void TQvCrop2ToolControl::PerformCrop(bool Record) {
  if (TQvCrop2Tool* Tool = CropTool()) {
    Tool->Perform();
    if (Record) Tool->RecordCommand(QStringLiteral("CropPerform"));
  }
  FState = StateNone;
  Invalidate();
}

void TQvCrop2ToolControl::CancelCrop(bool Record) {
  if (TQvCrop2Tool* Tool = CropTool()) {
    Tool->CancelChange();
    if (Record) Tool->RecordCommand(QStringLiteral("CropCancel"));
  }
  FState = StateNone;
  Invalidate();
}
