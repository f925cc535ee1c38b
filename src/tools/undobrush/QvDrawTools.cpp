#include "QvDrawTools.h"

#include "QvGraphicsEditor.h"
#include "QvMapMode.h"

#include <QGuiApplication>
#include <QWindow>
#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>

namespace {

// The cursor number of no pointer at all: the brush outline replaces it.
constexpr int crNone = -1;

}  // namespace

// ---- draw tool ----

TQvDrawTool::TQvDrawTool(TQvGraphicsEditor* Editor) : TQvPanelTool(Editor) {
  FAvailableInPluginMode = true;
  // A modal box, another window or another application takes the pointer away: the release the
  // stroke waits for will not come here.
  if (auto* App = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(App, &QGuiApplication::focusWindowChanged, this, [this] { AbandonStroke(); });
    connect(App, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState State) {
      if (State != Qt::ApplicationActive) AbandonStroke();
    });
  }
}

void TQvDrawTool::AbandonStroke() {
  if (FStrokeControl) FStrokeControl->EndStroke();
}

TQvGraphicsTool* TQvDrawTool::Reset() {
  AbandonStroke();
  return TQvPanelTool::Reset();
}

void TQvDrawTool::DocumentClosing(TQvGraphicsDocument* Document) {
  TQvPanelTool::DocumentClosing(Document);
  AbandonStroke();
}

void TQvDrawTool::RemoveControl(TQvGraphicsToolControl* Control) {
  if (Control == FStrokeControl) {
    // Its view is going: what was painted is committed, as the document does on closing.
    if (Change().Active()) Change().Commit();
    FStrokeControl = nullptr;
  }
  TQvPanelTool::RemoveControl(Control);
}

void TQvDrawTool::Deactivate() {
  AbandonStroke();
  TQvPanelTool::Deactivate();
}

void TQvDrawTool::MoveTrackBar(QSlider* TrackBar, int32_t Value) {
  if (!TrackBar) return;
  const QSignalBlocker Block(TrackBar);
  TrackBar->setValue(Value);
}

void TQvDrawTool::SetSize(int32_t Value) {
  if (Value == FSize || Value < FMinSize || Value > FMaxSize) return;
  for (TQvGraphicsToolControl* C : FControls) C->Invalidate();
  FSize = Value;
  SizeChanged();
  MoveTrackBar(FSizeTrackBar, Value);
  RecordLine(QString::fromLatin1(FDemoName) + QStringLiteral("Size ") + QString::number(Value));
}

void TQvDrawTool::SetOpacity(int32_t Value) {
  if (Value == FOpacity || Value < 0 || Value > 255) return;
  FOpacity = Value;
  OpacityChanged();
  MoveTrackBar(FOpacityTrackBar, Value);
  RecordLine(QString::fromLatin1(FDemoName) + QStringLiteral("Opacity ") + QString::number(Value));
}

bool TQvDrawTool::BeginStroke(TQvDrawToolControl* Control, TQvMouseButton, TQvShiftState) {
  if (!Control || !Change().Begin(Control->View())) return false;
  FStrokeControl = Control;
  return true;
}

void TQvDrawTool::PaintAt(const TRect& Rect) {
  TQvToolChange& C = Change();
  if (!C.Active() || !C.Backup()) return;
  const TRect R = IntersectRect(Rect, C.Backup()->BoundsRect());
  if (R.IsEmpty()) return;
  ApplyDab(R);
  C.AddChangedRect(R);
}

void TQvDrawTool::ApplyDab(const TRect&) {}

void TQvDrawTool::EndStroke() {
  if (Change().Active()) Change().Commit();
  FStrokeControl = nullptr;
}

void TQvDrawTool::BindSizeTrackBar(QSlider* TrackBar) {
  FSizeTrackBar = TrackBar;
  if (!TrackBar) return;
  TrackBar->setRange(FMinSize, FMaxSize);
  TrackBar->setTickInterval(std::max(1, FMaxSize / 10));
  TrackBar->setTickPosition(QSlider::TicksBelow);
  MoveTrackBar(TrackBar, FSize);
  connect(TrackBar, &QSlider::valueChanged, this, [this](int Position) { SetSize(Position); });
}

void TQvDrawTool::BindOpacityTrackBar(QSlider* TrackBar) {
  FOpacityTrackBar = TrackBar;
  if (!TrackBar) return;
  TrackBar->setRange(0, 255);
  TrackBar->setTickInterval(16);
  TrackBar->setTickPosition(QSlider::TicksBelow);
  MoveTrackBar(TrackBar, FOpacity);
  connect(TrackBar, &QSlider::valueChanged, this, [this](int Position) { SetOpacity(Position); });
}

// ---- mask draw tool ----

void TQvMaskDrawTool::SizeChanged() {
  RebuildMask();
  for (TQvGraphicsToolControl* C : FControls)
    if (auto* M = dynamic_cast<TQvMaskDrawToolControl*>(C)) M->FollowPosition();
}

void TQvMaskDrawTool::OpacityChanged() { RebuildMask(); }

void TQvMaskDrawTool::PaintAt(const TRect& Rect) {
  FMask.Left = Rect.Left;
  FMask.Top = Rect.Top;
  if (FAccumulate && Change().Active()) AccumulateDab(FStrokeMask, FMask);
  TQvDrawTool::PaintAt(Rect);
  FMask.Left = 0;
  FMask.Top = 0;
}

void TQvMaskDrawTool::EndStroke() {
  FStrokeMask.Clear();
  TQvDrawTool::EndStroke();
}

void TQvMaskDrawTool::RebuildMask() {
  if (FPreviewBox) FPreviewBox->update();
}

void TQvMaskDrawTool::BindPreview(TQvPaintBox* PreviewBox) {
  FPreviewBox = PreviewBox;
  if (PreviewBox) PreviewBox->OnPaint = [this](QWidget* Box) { PaintPreview(Box); };
}

void TQvMaskDrawTool::PaintPreview(QWidget* PreviewBox) {
  if (!PreviewBox || !PreviewBox->isVisible()) return;
  TDIBSection Picture;
  if (!Picture.CreateSection(PreviewBox->width(), PreviewBox->height())) return;
  PaintMaskPreview(Picture, FMask, PreviewBox->isEnabled() ? 0 : 192);
  QPainter P(PreviewBox);
  Picture.Draw(&P, 0, 0);
}

// ---- brush tool ----

TQvBrushTool::TQvBrushTool(TQvGraphicsEditor* Editor) : TQvMaskDrawTool(Editor) { RebuildMask(); }

void TQvBrushTool::RebuildMask() {
  BuildBrushMask(FMask, FSize, FOpacity, FHardness);
  TQvMaskDrawTool::RebuildMask();
}

void TQvBrushTool::SetHardness(int32_t Value) {
  if (Value == FHardness || Value < 0 || Value > 255) return;
  FHardness = Value;
  RebuildMask();
  MoveTrackBar(FHardnessTrackBar, Value);
  RecordLine(QString::fromLatin1(FDemoName) + QStringLiteral("Hardness ") + QString::number(Value));
}

void TQvBrushTool::BindHardnessTrackBar(QSlider* TrackBar) {
  FHardnessTrackBar = TrackBar;
  if (!TrackBar) return;
  TrackBar->setRange(0, 255);
  TrackBar->setTickInterval(16);
  TrackBar->setTickPosition(QSlider::TicksBelow);
  MoveTrackBar(TrackBar, FHardness);
  connect(TrackBar, &QSlider::valueChanged, this, [this](int Position) { SetHardness(Position); });
}

// ---- controls ----

void TQvDrawToolControl::SetBounds(const TRect& Rect) {
  Invalidate();
  TQvGraphicsToolControl::SetBounds(Rect);
  Invalidate();
}

void TQvDrawToolControl::Activate() {
  SetVisible(true);
  TQvGraphicsToolControl::Activate();
}

void TQvDrawToolControl::Deactivate() {
  SetVisible(false);
  TQvGraphicsToolControl::Deactivate();
}

void TQvDrawToolControl::EndStroke() {
  FUserFlag = false;
  if (TQvDrawTool* Tool = DrawTool()) Tool->EndStroke();
}

void TQvDrawToolControl::Dab() {
  if (TQvDrawTool* Tool = DrawTool()) Tool->PaintAt(Bounds);
}

bool TQvDrawToolControl::BeginPaint(TQvMouseButton Button, TQvShiftState Shift) {
  TQvDrawTool* Tool = DrawTool();
  if (FUserFlag || !Tool) return false;
  FUserFlag = Tool->BeginStroke(this, Button, Shift);
  return FUserFlag;
}

void TQvMaskDrawToolControl::FollowPosition() {
  if (TQvDrawTool* Tool = DrawTool()) SetBounds(DabRect(FPosition, Tool->FSize));
}

void TQvMaskDrawToolControl::Activate() {
  if (FView) {
    TPoint Mouse;
    GetMousePos(Mouse);
    FPosition = FView->DeviceToLogical(Mouse);
  }
  FollowPosition();
  TQvDrawToolControl::Activate();
}

bool TQvMaskDrawToolControl::GetCursor(TQvShiftState, const TPoint&, int& CursorId) {
  if (!FActive) return false;
  CursorId = crNone;
  return true;
}

void TQvMaskDrawToolControl::MouseEnter() {
  if (FActive) SetVisible(true);
}

void TQvMaskDrawToolControl::MouseLeave() {
  if (FActive) SetVisible(false);
}

bool TQvMaskDrawToolControl::MouseDown(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point) {
  if (!FActive || !FView) return false;
  FPosition = FView->DeviceToLogical(Point);
  FollowPosition();
  if (BeginPaint(Button, Shift)) Dab();
  return true;
}

bool TQvMaskDrawToolControl::MouseMove(TQvShiftState Shift, const TPoint& Point) {
  TQvDrawTool* Tool = DrawTool();
  if (!FActive || !FView || !Tool) return false;
  const TPoint From = FPosition;
  FPosition = FView->DeviceToLogical(Point);
  // A move without a button while painting: the release went elsewhere.
  if (Painting() && (Shift & (ssLeft | ssRight | ssMiddle)) == 0) EndStroke();
  if (Painting())
    for (const TPoint& P : DabPositions(From, FPosition, Tool->FSize)) Tool->PaintAt(DabRect(P, Tool->FSize));
  FollowPosition();
  return true;
}

bool TQvMaskDrawToolControl::MouseUp(TQvMouseButton, TQvShiftState, const TPoint&) {
  if (FActive && Painting()) EndStroke();
  return FActive;
}

bool TQvMaskDrawToolControl::MouseWheel(TQvShiftState, int Direction, const TPoint&) {
  TQvDrawTool* Tool = DrawTool();
  if (!FActive || !Tool) return false;
  if (!Painting()) Tool->SetSize(Tool->FSize + Direction);
  return true;
}

bool TQvMaskDrawToolControl::KeyDown(int Key, TQvShiftState) {
  TQvDrawTool* Tool = DrawTool();
  if (!FActive || !Tool) return false;
  switch (Key) {
    case QvKey::Prior:
    case QvKey::Up:
    case QvKey::Right: Tool->SetSize(Tool->FSize + 1); return true;
    case QvKey::Next:
    case QvKey::Left:
    case QvKey::Down: Tool->SetSize(Tool->FSize - 1); return true;
    default: return false;
  }
}

TRect TQvBrushToolControl::OutlineRect(const TQvMapMode& MapMode) const {
  const TQvDrawTool* Tool = static_cast<const TQvDrawTool*>(FTool.data());
  const int32_t Size = Tool ? Tool->FSize : 1;
  const QRect Pixel = MapMode.LogicalToDevice(QRect(FPosition.X, FPosition.Y, 1, 1));
  const int32_t CX = (Pixel.left() + Pixel.left() + Pixel.width()) / 2;
  const int32_t CY = (Pixel.top() + Pixel.top() + Pixel.height()) / 2;
  QRect Extent = MapMode.LogicalToDevice(QRect(0, 0, Size, Size));
  const int32_t W = Extent.isEmpty() ? 1 : Extent.width(), H = Extent.isEmpty() ? 1 : Extent.height();
  return InflateRect(TRect{CX - W / 2, CY - H / 2, CX - W / 2 + W, CY - H / 2 + H}, 1, 1);
}

void TQvBrushToolControl::PaintContent(TQvViewCanvas& Canvas) {
  if (!FActive) return;
  InvertEllipseOutline(Canvas.Pixels(), OutlineRect(Canvas.MapMode()), Canvas.ClipRegion());
}

void TQvBrushToolControl::GetContentBounds(const TQvMapMode& MapMode, TRect& Rect) const {
  TQvMaskDrawToolControl::GetContentBounds(MapMode, Rect);
  if (Rect.IsEmpty()) Rect = TRect{Rect.Left, Rect.Top, Rect.Left + 1, Rect.Top + 1};
  Rect = UnionRect(InflateRect(Rect, 2, 2), OutlineRect(MapMode));
}
