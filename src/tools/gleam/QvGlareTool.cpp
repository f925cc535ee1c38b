#include "QvGlareTool.h"

#include "QvCursors.h"
#include "QvGraphicsEditor.h"
#include "QvGuid.h"
#include "QvLocalizer.h"
#include "QvMapMode.h"
#include "QvSDF.h"

#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>

TQvGlareTool* GlareTool = nullptr;

namespace {

// The cross the tool shows over the image (the same number the red-eye tool registers).
constexpr int crCross = -3;

QString L(int Id, const char* Default) { return GetLocalString(Id, QString::fromLatin1(Default)); }

}  // namespace

// ---- view control ----

void TQvGlareControl::GetContentBounds(const TQvMapMode& MapMode, TRect& Rect) const {
  const TQvPixels* Image = FView && FView->Document() ? FView->Document()->Pixels() : nullptr;
  Rect = Image ? FromQRect(MapMode.LogicalToDevice(ToQRect(Image->BoundsRect()))) : TRect{};
}

void TQvGlareControl::PaintContent(TQvViewCanvas& Canvas) {
  auto* Tool = static_cast<TQvGlareTool*>(FTool.data());
  QPainter* P = Canvas.Painter();
  if (!FActive || !FDragging || !Tool || !P) return;
  const TQvMapMode& M = Canvas.MapMode();
  const QPoint S = M.LogicalToDevice(ToQPoint(Tool->FStart));
  const QPoint E = M.LogicalToDevice(ToQPoint(Tool->FEnd));
  const QRect Box = QRect(QPoint(2 * S.x() - E.x(), 2 * S.y() - E.y()), E).normalized();
  P->save();
  P->setBrush(Qt::NoBrush);
  // White under black dots: the outline shows on dark and light pupils alike.
  P->setPen(QPen(Qt::white, 0, Qt::SolidLine));
  P->drawEllipse(Box);
  P->setPen(QPen(Qt::black, 0, Qt::DotLine));
  P->drawEllipse(Box);
  P->restore();
}

void TQvGlareControl::Activate() {
  TQvGraphicsToolControl::Activate();
  SetVisible(true);
}

void TQvGlareControl::Deactivate() {
  SetVisible(false);
  FDragging = false;
  TQvGraphicsToolControl::Deactivate();
}

bool TQvGlareControl::GetCursor(TQvShiftState, const TPoint&, int& CursorId) {
  if (!FActive) return false;
  CursorId = crCross;
  return true;
}

bool TQvGlareControl::MouseDown(TQvMouseButton, TQvShiftState, const TPoint& Point) {
  auto* Tool = static_cast<TQvGlareTool*>(FTool.data());
  if (!FActive || !FView || !Tool) return false;
  Tool->FStart = FView->DeviceToLogical(Point);
  Tool->FEnd = Tool->FStart;
  FDragging = true;
  return true;
}

bool TQvGlareControl::MouseMove(TQvShiftState, const TPoint& Point) {
  auto* Tool = static_cast<TQvGlareTool*>(FTool.data());
  if (!FActive || !FDragging || !FView || !Tool) return false;
  Tool->FEnd = FView->DeviceToLogical(Point);
  FView->InvalidateView();
  return true;
}

bool TQvGlareControl::MouseUp(TQvMouseButton, TQvShiftState, const TPoint& Point) {
  auto* Tool = static_cast<TQvGlareTool*>(FTool.data());
  const bool WasDragging = FDragging;
  FDragging = false;
  if (!FActive || !FView || !Tool) return FActive;
  if (WasDragging) {
    // The dotted ellipse of the last move goes; the gleam repaints its own rectangle.
    const QPoint S = ToQPoint(FView->LogicalToDevice(Tool->FStart));
    const QPoint E = ToQPoint(FView->LogicalToDevice(Tool->FEnd));
    const QRect Box = QRect(QPoint(2 * S.x() - E.x(), 2 * S.y() - E.y()), E).normalized().adjusted(-2, -2, 3, 3);
    FView->InvalidateRect(FromQRect(Box));
    Tool->FEnd = FView->DeviceToLogical(Point);
    Tool->ResetSize();
    Tool->Apply();
  }
  return true;
}

// ---- the tool ----

TQvGlareTool::TQvGlareTool(TQvGraphicsEditor* Editor) : TQvPanelTool(Editor) {
  Q_INIT_RESOURCE(gleam);
  FDemoName = "Gleam";
  SetControlClass<TQvGlareControl>();
  SetHint(2602, QStringLiteral("Gleam"));
  RegisterCursor(crCross, QCursor(Qt::CrossCursor));
  CreateButton(QStringLiteral("Gleam"), QStringLiteral("GleamImage"));
  if (Button()) FFrame = CreateFrame<TQvGlareFrame>();
  if (TQvGlareFrame* F = FFrame) {
    connect(F->BrightnessTrackBar, &QSlider::valueChanged, this, [this](int Position) { SetBrightness(Position); });
    connect(F->SizeTrackBar, &QSlider::valueChanged, this, [this](int Position) {
      SetSize(Position);
      RecordLine(QStringLiteral("GleamAreaSize ") + QString::number(FSize));
    });
    F->OnEnter = [this, F](QObject* W) {
      RecordEnter(W == F->BrightnessTrackBar ? QStringLiteral("GleamBrightness") : QStringLiteral("GleamAreaSize"));
    };
  }
  const TGleamSettings Start;
  SetSize(Start.Size);
  SetBrightness(Start.Brightness);
  FAvailableInPluginMode = true;
}

TQvGlareTool::~TQvGlareTool() {
  if (GlareTool == this) GlareTool = nullptr;
}

void TQvGlareTool::Localize() {
  TQvPanelTool::Localize();
  if (FFrame) FFrame->SizeLabel->setText(L(154, "Size") + QLatin1Char(':'));
}

void TQvGlareTool::LoadSettings(TQvSDFReader& Reader) {
  TQvPanelTool::LoadSettings(Reader);
  // The first node of this identifier is the red-eye tool's: entered and left without a read,
  // so its values stay its own.
  if (Reader.EnterNode(1, QvSettingsGuid::GlareTool)) Reader.LeaveNode();
}

void TQvGlareTool::SaveSettings(TQvSDFWriter& Writer) {
  TQvPanelTool::SaveSettings(Writer);
  Writer.BeginNode(1, QvSettingsGuid::GlareTool);
  Writer.EndNode();
}

std::unique_ptr<TQvCommandState> TQvGlareTool::CreateCommandState(TQvGraphicsDocument& Document, const TRect& Rect) {
  auto State = std::make_unique<TQvGlareCommandState>(this, &Document, Rect);
  State->FBrightness = FBrightness;
  State->FSize = FSize;
  State->FStart = FStart;
  State->FEnd = FEnd;
  State->FRegion = std::make_unique<TQvPixelRegion>(FSelection.Region());
  return State;
}

void TQvGlareTool::DocumentOpened(TQvGraphicsDocument*) {
  // The plug-in-mode check of the base is left out: a gleam can be painted there too.
}

void TQvGlareTool::DocumentClosing(TQvGraphicsDocument* Document) {
  if (Document && Document->Modifying() && Document->ModifyingTool() == this) EndChange();
}

void TQvGlareTool::DocumentSaving(TQvGraphicsDocument*) {}

void TQvGlareTool::TakeOverSettings(TQvCommandState* State) {
  auto* S = dynamic_cast<TQvGlareCommandState*>(State);
  if (!S) return;
  FUpdating = true;
  FStart = S->FStart;
  FEnd = S->FEnd;
  SetSize(S->FSize);
  SetBrightness(S->FBrightness);
  FUpdating = false;
}

void TQvGlareTool::BeforeRedo(TQvCommandState* State) { TakeOverSettings(State); }

void TQvGlareTool::AfterUndo(TQvCommandState* State) { TakeOverSettings(State); }

TQvGlareCommandState* TQvGlareTool::LastGlareState() const { return LastStateOf<TQvGlareCommandState>(); }

void TQvGlareTool::Apply() {
  TQvGraphicsEditor* E = Editor();
  TQvGraphicsDocument* Doc = E ? E->ActiveDocument() : nullptr;
  TQvGraphicsView* View = E ? E->ActiveView() : nullptr;
  if (!Doc || !View || Doc->Modifying()) return;
  TQvToolChange& C = Change();
  if (!C.Begin(View) || !C.Backup()) {
    C.Cancel();
    return;
  }
  TPoint A, Q;
  GleamCorners(FStart, FEnd, FSize, A, Q);
  FSelection.Select(*C.Backup(), A, Q);
  BrightenGleam(*C.Pixels(), FSelection, FBrightness);
  C.AddChangedRect(FSelection.GetBounds());
  C.Commit();
}

void TQvGlareTool::Reapply() {
  if (FUpdating) return;
  TQvGraphicsEditor* E = Editor();
  TQvGraphicsDocument* Doc = E ? E->ActiveDocument() : nullptr;
  // With another change pending the new gleam could not be made, so the old one must stay.
  if (!Doc || Doc->Modifying() || !LastGlareState()) return;
  Doc->History.Undo();
  Apply();
}

void TQvGlareTool::MoveTrackBar(QSlider* TrackBar, int32_t Value) {
  if (!TrackBar) return;
  const QSignalBlocker Block(TrackBar);
  TrackBar->setValue(Value);
}

void TQvGlareTool::SetBrightness(int32_t Value) {
  if (Value == FBrightness) return;
  FBrightness = Value;
  if (FFrame) MoveTrackBar(FFrame->BrightnessTrackBar, Value);
  Reapply();
  RecordLine(QStringLiteral("GleamBrightness ") + QString::number(FBrightness));
}

void TQvGlareTool::SetSize(int32_t Value) {
  if (Value == FSize) return;
  FSize = Value;
  if (FFrame) MoveTrackBar(FFrame->SizeTrackBar, Value);
  Reapply();
}

void TQvGlareTool::ResetSize() {
  FSize = TGleamSettings::DraggedSize;
  if (FFrame) MoveTrackBar(FFrame->SizeTrackBar, FSize);
}

void TQvGlareTool::FillDemoItems() {
  DemoItems().Control(QStringLiteral("Gleam"), Button());
  if (TQvGlareFrame* F = FFrame)
    DemoItems()
        .Control(QStringLiteral("GleamAreaSize"), F->SizeTrackBar, QStringLiteral("Change Gleam Area Size"))
        .Control(QStringLiteral("GleamBrightness"), F->BrightnessTrackBar, QStringLiteral("Change Gleam Brighness"));
  const TGleamSettings Start;
  DemoItems()
      .Integer(QStringLiteral("GleamSize"), Start.Size, [this](int Value) { SetSize(Value); })
      .Integer(QStringLiteral("GleamBrightness"), Start.Brightness, [this](int Value) { SetBrightness(Value); });
}
