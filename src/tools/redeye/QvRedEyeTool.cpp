#include "QvRedEyeTool.h"

#include "QvCursors.h"
#include "QvGraphicsEditor.h"
#include "QvGuid.h"
#include "QvLocalizer.h"
#include "QvRedEyeFrame.h"

#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>

#include <utility>

TQvRedEyeTool* RedEyeTool = nullptr;

namespace {

// The cursor number of the cross the tool shows over the image.
constexpr int crCross = -3;

QString L(int Id, const char* Default) { return GetLocalString(Id, QString::fromLatin1(Default)); }

// The button's glyph when the program ships no "RedEye" image: an eye with a red pupil, drawn here.
QIcon RedEyeGlyph() {
  QPixmap Pixmap(24, 24);
  Pixmap.fill(Qt::transparent);
  QPainter P(&Pixmap);
  P.setRenderHint(QPainter::Antialiasing);
  P.setPen(QPen(QColor(40, 40, 40), 1.5));
  P.setBrush(Qt::white);
  P.drawEllipse(QRectF(2, 6, 20, 12));
  P.setPen(Qt::NoPen);
  P.setBrush(QColor(200, 20, 20));
  P.drawEllipse(QRectF(7, 7, 10, 10));
  P.setBrush(Qt::black);
  P.drawEllipse(QRectF(10, 10, 4, 4));
  return QIcon(Pixmap);
}

}  // namespace

// ---- command state ----

TQvRedEyeCommandState::TQvRedEyeCommandState(TQvGraphicsTool* Tool, TQvGraphicsDocument* Document, const TRect& Rect)
    : TQvGraphicsCommandState(Tool, Document, Rect) {}

void TQvRedEyeCommandState::SetSettings(const TRedEyeSettings& Settings) {
  FAreaSize = Settings.AreaSize;
  FBrightness = Settings.Brightness;
  FFormula = Settings.Formula;
  FBorder = Settings.Border;
}

// ---- view control ----

bool TQvRedEyeControl::GetCursor(TQvShiftState, const TPoint&, int& CursorId) {
  if (!FActive) return false;
  CursorId = crCross;
  return true;
}

bool TQvRedEyeControl::MouseDown(TQvMouseButton, TQvShiftState, const TPoint& Point) {
  if (!FActive || !FView) return false;
  auto* Tool = static_cast<TQvRedEyeTool*>(FTool.data());
  if (!Tool) return false;
  Tool->SetSeed(FView->DeviceToLogical(Point));
  Tool->Apply();
  return true;
}

// ---- the tool ----

TQvRedEyeTool::TQvRedEyeTool(TQvGraphicsEditor* Editor) : TQvPanelTool(Editor) {
  FDemoName = "RedEye";
  SetControlClass<TQvRedEyeControl>();
  SetHint(900, QStringLiteral("Eye Correction"));
  SetSettingsGuid(QvSettingsGuid::RedEyeTool);
  RegisterCursor(crCross, QCursor(Qt::CrossCursor));
  CreateButton(QStringLiteral("Red Eye Correction"), QStringLiteral("RedEye"), RedEyeGlyph());
  if (Button()) {
    FFrame = CreateFrame<TQvRedEyeFrame>();
    if (FFrame) FFrame->FTool = this;
  }
  SetShowOptions(true);
  FSelection = std::make_unique<TRedEyeSelection>();
  SetAreaSize(DefaultAreaSize);
  SetBrightness(DefaultBrightness);
}

TQvRedEyeTool::~TQvRedEyeTool() {
  if (FFrame) FFrame->FTool = nullptr;
  if (RedEyeTool == this) RedEyeTool = nullptr;
}

void TQvRedEyeTool::Localize() {
  TQvPanelTool::Localize();
  if (!FFrame) return;
  TQvRedEyeFrame& F = *FFrame;
  // Only a positive border keeps its number here; SetBorder shows negative ones until this runs.
  if (FBorder > 0)
    F.RemoveBorderLabel->setText(L(905, "Remove Border") + QStringLiteral(": ") + QString::number(FBorder) +
                                 QLatin1Char(' ') + L(2600, "px"));
  else
    F.RemoveBorderLabel->setText(L(905, "Remove Border") + QLatin1Char(':'));
  F.FormulaLabel->setText(L(2601, "Formula"));
  InvalidatePreviews();
}

std::unique_ptr<TQvCommandState> TQvRedEyeTool::CreateCommandState(TQvGraphicsDocument& Document, const TRect& Rect) {
  auto State = std::make_unique<TQvRedEyeCommandState>(this, &Document, Rect);
  State->SetSettings(Settings());
  State->FSeed = FSeed;
  State->FRegion = std::make_unique<TQvPixelRegion>(FSelection->Region());
  return State;
}

void TQvRedEyeTool::DocumentOpened(TQvGraphicsDocument*) {
  // The plug-in-mode check of the base is left out on purpose: red eyes can be corrected there too.
  InvalidatePreviews();
}

void TQvRedEyeTool::DocumentClosing(TQvGraphicsDocument* Document) {
  // Only a change of this tool is ended here; another tool's pending change belongs to that tool.
  if (Document && Document->Modifying() && Document->ModifyingTool() == this) EndChange();
}

void TQvRedEyeTool::DocumentSaving(TQvGraphicsDocument*) {}

void TQvRedEyeTool::TakeOverSettings(TQvCommandState* State) {
  if (auto* S = dynamic_cast<TQvRedEyeCommandState*>(State)) {
    FUpdating = true;
    SetSeed(S->FSeed);
    SetFormula(S->FFormula);
    SetBorder(S->FBorder);
    SetAreaSize(S->FAreaSize);
    SetBrightness(S->FBrightness);
    FUpdating = false;
    Localize();
  }
  InvalidatePreviews();
}

void TQvRedEyeTool::BeforeRedo(TQvCommandState* State) { TakeOverSettings(State); }

void TQvRedEyeTool::AfterUndo(TQvCommandState* State) { TakeOverSettings(State); }

void TQvRedEyeTool::FillDemoItems() {
  TQvRedEyeFrame* F = FFrame;
  // The button's toolbar item; the tool panel shows it only when the panel exists.
  DemoItems().Control(QStringLiteral("RedEye"), Button());
  if (F)
    DemoItems()
        .Control(QStringLiteral("RedEyeSelection"), F->SelectionPreview, QStringLiteral("Selection Preview"))
        .Control(QStringLiteral("RedEyeAreaSize"), F->AreaSizeTrackBar, QStringLiteral("Change Red Eye Area Size"))
        .Control(QStringLiteral("RedEyeFormula1"), F->Formula1RadioButton, QStringLiteral("Formula 1"))
        .Control(QStringLiteral("RedEyeFormula2"), F->Formula2RadioButton, QStringLiteral("Formula 2"))
        .Control(QStringLiteral("RedEyeFormula3"), F->Formula3RadioButton, QStringLiteral("Formula 3"))
        .Control(QStringLiteral("RedEyeIncArea"), F->IncSizeButton, QStringLiteral("Increase Correction Area"))
        .Control(QStringLiteral("RedEyeDecArea"), F->DecSizeButton, QStringLiteral("Decrease Correction Area"))
        .Control(QStringLiteral("RedEyeBrightness"), F->BrightnessTrackBar, QStringLiteral("Change Red Eye Brighness"))
        .Control(QStringLiteral("RedEyePreview"), F->CorrectionPreview, QStringLiteral("Correction Preview"))
        .Control(QStringLiteral("RedEyeOptions"), F->ShowOptions);
  // The defaults are the start values of every run.
  const TRedEyeSettings Start;
  DemoItems().Integer(QStringLiteral("RedEyeAreaSize"), Start.AreaSize, [this](int Value) { SetAreaSize(Value); });
  for (int Formula = 0; Formula < TRedEyeSettings::FormulaCount; ++Formula)
    DemoItems().Integer(QStringLiteral("RedEyeFormula%1").arg(Formula + 1), Formula,
                        [this](int Value) { SetFormula(Value); });
  DemoItems()
      .Integer(QStringLiteral("RedEyeBorderSize"), Start.Border, [this](int Value) { SetBorder(Value); })
      .Integer(QStringLiteral("RedEyeBrightness"), Start.Brightness, [this](int Value) { SetBrightness(Value); })
      .Boolean(QStringLiteral("RedEyeShowOptions"), true, [this](bool Value) { SetShowOptions(Value); })
      .Boolean(QStringLiteral("RedEyeHideOptions"), false, [this](bool Value) { SetShowOptions(Value); });
}

TQvRedEyeCommandState* TQvRedEyeTool::LastRedEyeState() const {
  const TQvGraphicsEditor* E = Editor();
  TQvGraphicsDocument* Doc = E ? E->ActiveDocument() : nullptr;
  return Doc ? dynamic_cast<TQvRedEyeCommandState*>(Doc->History.LastUndoState()) : nullptr;
}

void TQvRedEyeTool::Apply() {
  TQvGraphicsEditor* E = Editor();
  TQvGraphicsDocument* Doc = E ? E->ActiveDocument() : nullptr;
  TQvGraphicsView* View = E ? E->ActiveView() : nullptr;
  if (!Doc || !View || Doc->Modifying()) return;
  TQvToolChange& C = Change();
  if (!C.Begin(View) || !C.Backup()) {
    C.Cancel();
    return;
  }
  const TRect Box = ApplyRedEye(*FSelection, *C.Backup(), *C.Pixels(), FSeed, Settings());
  if (FFrame) FFrame->ComputePreviewScale(Box, FFrame->SelectionPreview->InnerRect());
  InvalidatePreviews();
  C.AddChangedRect(Box);
  C.Commit();
}

void TQvRedEyeTool::Reapply() {
  if (FUpdating) return;
  TQvGraphicsEditor* E = Editor();
  TQvGraphicsDocument* Doc = E ? E->ActiveDocument() : nullptr;
  if (!Doc) return;
  // With another change pending the new correction could not be made, so the old one must stay.
  if (!Doc->Modifying() && dynamic_cast<TQvRedEyeCommandState*>(Doc->History.LastUndoState())) {
    Doc->History.Undo();
    Apply();
  }
  Localize();
}

void TQvRedEyeTool::SetBrightness(int32_t Value) {
  if (Value == FBrightness) return;
  FBrightness = Value;
  if (FFrame) {
    const QSignalBlocker Block(FFrame->BrightnessTrackBar);
    FFrame->BrightnessTrackBar->setValue(Value);
  }
  Reapply();
  RecordLine(QStringLiteral("RedEyeBrightness ") + QString::number(FBrightness));
}

void TQvRedEyeTool::SetAreaSize(int32_t Value) {
  if (Value == FAreaSize) return;
  FAreaSize = Value;
  if (FFrame) {
    const QSignalBlocker Block(FFrame->AreaSizeTrackBar);
    FFrame->AreaSizeTrackBar->setValue(Value);
  }
  Reapply();
}

void TQvRedEyeTool::SetFormula(int32_t Value) {
  if (Value == FFormula) return;
  FFormula = Value;
  if (FFrame) {
    QRadioButton* Buttons[] = {FFrame->Formula1RadioButton, FFrame->Formula2RadioButton, FFrame->Formula3RadioButton};
    if (Value >= 0 && Value <= 2) Buttons[Value]->setChecked(true);
  }
  Reapply();
}

void TQvRedEyeTool::SetSettings(const TRedEyeSettings& Settings) {
  SetAreaSize(Settings.AreaSize);
  SetBrightness(Settings.Brightness);
  SetFormula(Settings.Formula);
  SetBorder(Settings.Border);
}

void TQvRedEyeTool::SetBorder(int32_t Value) {
  if (Value == FBorder || !TRedEyeSettings::ValidBorder(Value)) return;
  FBorder = Value;
  Reapply();
  if (FFrame) {
    if (Value != 0)
      FFrame->RemoveBorderLabel->setText(L(905, "Remove Border") + QStringLiteral(": ") + QString::number(Value) +
                                         QLatin1Char(' ') + L(2600, "px"));
    else
      FFrame->RemoveBorderLabel->setText(L(905, "Remove Border") + QLatin1Char(':'));
  }
}

void TQvRedEyeTool::InvalidatePreviews() {
  if (!FFrame) return;
  FFrame->SelectionPreview->update();
  FFrame->CorrectionPreview->update();
}
