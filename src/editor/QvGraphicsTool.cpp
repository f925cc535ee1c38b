#include "QvGraphicsTool.h"

#include "QvGraphicsEditor.h"

#include <QAction>
#include <QCursor>
#include <QWidget>

#include <algorithm>

// ---- TQvGraphicsTool ----

// ---- TQvToolChange ----

bool TQvToolChange::Begin(TQvGraphicsView* View) {
  FTool.BeginChange(View);
  return Active() && FPixels;
}

bool TQvToolChange::Active() const {
  return FDocument && FDocument->Modifying() && FDocument->ModifyingTool() == &FTool;
}

void TQvToolChange::AddChangedRect(const TRect& Rect, bool Replace) {
  if (FDocument) FDocument->AddChangedRect(Rect, Replace);
}

void TQvToolChange::Commit() { FTool.EndChange(); }

void TQvToolChange::Cancel() { FTool.CancelChange(); }

void TQvToolChange::Set(TQvGraphicsView* View, TQvGraphicsDocument* Document) {
  FView = View;
  FDocument = Document;
  FBackupPixels = &Document->Backup();
  FPixels = Document->Pixels();
  FOriginalPixels = Document->OriginalPixels();
}

void TQvToolChange::Clear() {
  FView = nullptr;
  FDocument = nullptr;
  FOriginalPixels = nullptr;
  FBackupPixels = nullptr;
  FPixels = nullptr;
}

// ---- TQvGraphicsTool ----

TQvGraphicsTool::TQvGraphicsTool(TQvGraphicsEditor* Editor) : FEditor(Editor) {}

TQvGraphicsTool::~TQvGraphicsTool() {
  // A view that outlives the tool must not keep a control that calls back into it.
  while (!FControls.empty()) {
    TQvGraphicsToolControl* Control = FControls.back();
    FControls.pop_back();
    Control->FTool = nullptr;
    if (Control->FView) Control->FView->Objects().Remove(Control);
  }
}

void TQvGraphicsTool::Initialize() {
  if (!FDemoItemsRegistered) {
    FDemoItemsRegistered = true;
    RegisterDemoItems();
  }
  TQvModuleWithControls::Initialize();
}

void TQvGraphicsTool::ExecuteDemoCommand(TQvDemoPlayback* /*Playback*/, const QString& Command, bool& Handled,
                                         TQvDemoScriptUserAction* /*Action*/, TQvCustomProperties* /*Params*/) {
  if (!FDemoName.isEmpty() && QString::fromLatin1(FDemoName).toUpper() == Command) {
    ButtonClick(this);
    Handled = true;
  }
}

void TQvGraphicsTool::GetDemoControlPoint(TQvDemoPlayback* /*Playback*/, TQvCustomProperties* /*Params*/,
                                          bool& /*Handled*/, QPoint& /*Point*/) {}

void TQvGraphicsTool::StartDemoRecording(TQvDemoRecorder* Recorder) { FRecorder = Recorder; }

void TQvGraphicsTool::StopDemoRecording() { FRecorder = nullptr; }

void TQvGraphicsTool::AddControl(TQvGraphicsToolControl* Control) { FControls.push_back(Control); }

void TQvGraphicsTool::RemoveControl(TQvGraphicsToolControl* Control) {
  const auto It = std::find(FControls.begin(), FControls.end(), Control);
  if (It != FControls.end()) FControls.erase(It);
}

TQvGraphicsToolControl* TQvGraphicsTool::CreateControl(TQvGraphicsView* View) {
  if (!FControlClass || !View) return nullptr;
  std::unique_ptr<TQvGraphicsToolControl> Control = FControlClass(this, View);
  // The view-object constructor could only reach the base's InitFlags.
  Control->InitFlags();
  TQvGraphicsToolControl* Result = Control.get();
  View->Objects().Add(std::move(Control));
  Result->Setup();
  return Result;
}

void TQvGraphicsTool::CommitChange() {
  TQvGraphicsDocument* Doc = FChange.Document();
  const TQvPixels* Current = Doc ? Doc->Pixels() : nullptr;
  if (!Current) return;
  // Pixels outside the image do not exist; a rectangle reported beyond the edge would only make the
  // state larger.
  TRect R = IntersectRect(Doc->ChangedRect(), Current->BoundsRect());
  if (R.IsEmpty()) R = EmptyChangeRect();
  if (R.IsEmpty()) return;
  if (!TQvGraphicsDocument::KeepsHistory) {
    // What a state would tell on being made, without its copies; the document stays modified.
    Doc->NotifyImageChanged(this, R);
    Doc->MarkModified();
    Doc->DeferBackupCommit(R);
    return;
  }
  std::unique_ptr<TQvCommandState> State = CreateCommandState(*Doc, R);
  if (!State) return;
  Doc->AddCommandState(std::move(State));
  Doc->CommitBackup(R);
}

std::unique_ptr<TQvCommandState> TQvGraphicsTool::CreateCommandState(TQvGraphicsDocument& Document, const TRect& Rect) {
  return std::make_unique<TQvGraphicsCommandState>(this, &Document, Rect);
}

void TQvGraphicsTool::BeginChange(TQvGraphicsView* View) {
  if (!View || !View->Document()) return;
  TQvGraphicsDocument* Doc = View->Document();
  Doc->BeginModification(this);
  FChange.Set(View, Doc);
}

void TQvGraphicsTool::EndChange() {
  CommitChange();
  TQvGraphicsDocument* Doc = FChange.Document();
  if (Doc && Doc->Modifying()) Doc->EndModification(this);
  FChange.Clear();
}

void TQvGraphicsTool::CancelChange() {
  TQvGraphicsDocument* Doc = FChange.Document();
  if (!Doc || !Doc->Modifying()) return;
  // A tool may have written outside what it reported (a replaced rectangle forgets the earlier
  // ones), so the whole committed copy goes back.
  if (TQvPixels* Current = Doc->Pixels()) {
    Current->CopyFrom(Doc->Backup());
    Doc->InvalidateImageRect(Current->BoundsRect());
  }
  Doc->ClearModification();
  FChange.Clear();
}

void TQvGraphicsTool::DocumentOpened(TQvGraphicsDocument* Document) {
  if (Document && Document->Editor() && Document->Editor()->PluginMode) SetAvailable(FAvailableInPluginMode);
}

void TQvGraphicsTool::DocumentClosing(TQvGraphicsDocument* /*Document*/) {}
void TQvGraphicsTool::DocumentSaving(TQvGraphicsDocument* /*Document*/) {}
void TQvGraphicsTool::BeforeUndo(TQvCommandState* /*State*/) {}
void TQvGraphicsTool::BeforeRedo(TQvCommandState* /*State*/) {}
void TQvGraphicsTool::RegisterDemoItems() {}
void TQvGraphicsTool::AfterUndo(TQvCommandState* /*State*/) {}
void TQvGraphicsTool::AfterRedo(TQvCommandState* /*State*/) {}

bool TQvGraphicsTool::SetAvailable(bool Value) {
  FAvailable = Value;
  return Value;
}

void TQvGraphicsTool::ImageChanged(TQvGraphicsDocument* /*Document*/, IQvGraphicsToolEvents* /*Tool*/,
                                   const TRect& /*Rect*/) {}

void TQvGraphicsTool::ButtonClick(QObject* /*Sender*/) {
  if (TQvGraphicsEditor* E = Editor()) E->SetActiveTool(this);
  const QString Name = QString::fromLatin1(FDemoName);
  TQvDemoLines::Click(FRecorder, Name, Name);
}

void TQvGraphicsTool::Activate() {
  for (TQvGraphicsToolControl* Control : std::vector<TQvGraphicsToolControl*>(FControls)) Control->Activate();
  FActive = true;
}

void TQvGraphicsTool::Deactivate() {
  for (TQvGraphicsToolControl* Control : std::vector<TQvGraphicsToolControl*>(FControls)) Control->Deactivate();
  FActive = false;
}

TQvGraphicsTool* TQvGraphicsTool::Reset() { return this; }

void TQvGraphicsTool::DemoStarting() {}

TQvGraphicsToolControl* TQvGraphicsTool::Controls(int Index) const {
  if (Index < 0 || Index >= ControlCount()) return nullptr;
  return FControls[static_cast<size_t>(Index)];
}

void TQvGraphicsTool::AddChangedRect(const TRect& Rect, bool Replace) { FChange.AddChangedRect(Rect, Replace); }

bool TQvGraphicsTool::IsActiveTool() const {
  const TQvGraphicsEditor* E = Editor();
  return E && E->ActiveTool() == this;
}

void TQvGraphicsTool::UpdateToolControls(QAction* Button, QWidget* OptionFrame) {
  if (Button) {
    Button->setVisible(FAvailable);
    Button->setCheckable(true);
    Button->setChecked(IsActiveTool());
    TQvGraphicsEditor* E = Editor();
    Button->setEnabled(E && E->CanSelectTool(this));
  }
  if (OptionFrame) OptionFrame->setVisible(FAvailable && IsActiveTool());
}

// ---- TQvGraphicsToolControl ----

TQvGraphicsToolControl::TQvGraphicsToolControl(TQvGraphicsTool* Tool, TQvGraphicsView* View)
    : FView(View), FTool(Tool) {
  TQvGraphicsToolControl::InitFlags();
  if (Tool) Tool->AddControl(this);
}

TQvGraphicsToolControl::~TQvGraphicsToolControl() {
  if (FTool) FTool->RemoveControl(this);
}

void TQvGraphicsToolControl::SetVisible(bool Value) {
  if (Value == IsVisible()) return;
  TQvViewObject::SetVisible(Value);
  Invalidate();
}

void TQvGraphicsToolControl::InitFlags() { Flags = ViewObjectContent | ViewObjectNoExtent; }

void TQvGraphicsToolControl::Setup() {}

void TQvGraphicsToolControl::Activate() {
  FActive = true;
  if (FView && FView->Hovered()) MouseEnter();
  Invalidate();
  UpdateCursor();
}

void TQvGraphicsToolControl::Deactivate() {
  FActive = false;
  Invalidate();
}

bool TQvGraphicsToolControl::GetCursor(TQvShiftState, const TPoint&, int&) { return false; }
void TQvGraphicsToolControl::MouseEnter() {}
void TQvGraphicsToolControl::MouseLeave() {}
bool TQvGraphicsToolControl::MouseDown(TQvMouseButton, TQvShiftState, const TPoint&) { return false; }
bool TQvGraphicsToolControl::MouseMove(TQvShiftState, const TPoint&) { return false; }
bool TQvGraphicsToolControl::MouseUp(TQvMouseButton, TQvShiftState, const TPoint&) { return false; }
bool TQvGraphicsToolControl::MouseWheel(TQvShiftState, int, const TPoint&) { return false; }
bool TQvGraphicsToolControl::KeyDown(int, TQvShiftState) { return false; }
bool TQvGraphicsToolControl::KeyUp(int, TQvShiftState) { return false; }

void TQvGraphicsToolControl::Invalidate() {
  if (FView) FView->InvalidateObject(*this);
}

void TQvGraphicsToolControl::GetMousePos(TPoint& Point) const {
  Point = FView ? FView->GetMousePos() : TPoint{};
}

void TQvGraphicsToolControl::UpdateCursor() {
  if (FView) FView->UpdateCursor();
}

// ---- command states ----

TQvCustomGraphicsCommandState::TQvCustomGraphicsCommandState(TQvGraphicsTool* Tool, TQvGraphicsDocument* Document,
                                                             const TRect& Rect, bool WritesPixels)
    : FTool(Tool), FDocument(Document), FRect(Rect), FWritesPixels(WritesPixels) {
  if (FDocument) FDocument->NotifyImageChanged(FTool, FRect, FWritesPixels);
}

void TQvCustomGraphicsCommandState::Undo() {
  if (FDocument) FDocument->NotifyImageChanged(FTool, FRect, FWritesPixels);
}

void TQvCustomGraphicsCommandState::Redo() {
  if (FDocument) FDocument->NotifyImageChanged(FTool, FRect, FWritesPixels);
}

TQvGraphicsCommandState::TQvGraphicsCommandState(TQvGraphicsTool* Tool, TQvGraphicsDocument* Document,
                                                 const TRect& Rect)
    : TQvCustomGraphicsCommandState(Tool, Document, Rect) {
  if (!FDocument) return;
  const TQvPixelBuffer& Backup = FDocument->Backup();
  if (FBefore.Allocate(Backup.Format, Rect)) FBefore.CopyFrom(Backup);
  if (const TQvPixels* Current = FDocument->Pixels())
    if (FAfter.Allocate(Current->Format, Rect)) FAfter.CopyFrom(*Current);
}

void TQvGraphicsCommandState::Restore(const TQvPixelBuffer& Pixels) {
  TQvPixels* Current = FDocument ? FDocument->Pixels() : nullptr;
  if (!Current) return;
  Current->CopyFrom(Pixels);
  FDocument->InvalidateImageRect(IntersectRect(Pixels.BoundsRect(), Current->BoundsRect()));
  // The committed copy follows inside this rectangle only: outside it nothing changed.
  FDocument->CommitBackup(FRect);
}

void TQvGraphicsCommandState::Undo() {
  Restore(FBefore);
  TQvCustomGraphicsCommandState::Undo();
}

void TQvGraphicsCommandState::Redo() {
  Restore(FAfter);
  TQvCustomGraphicsCommandState::Redo();
}
