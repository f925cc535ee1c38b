#include "QvRedEyeTool.h"

#include "MainForm.h"
#include "QvCursors.h"
#include "QvDemoTarget.h"
#include "QvGraphicsEditor.h"
#include "QvGuid.h"
#include "QvLocalizer.h"
#include "QvProperties.h"
#include "QvRedEyeFrame.h"
#include "QvSDF.h"
#include "QvToolPanel.h"

#include <QAction>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <QVariant>

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

TQvRedEyeTool::TQvRedEyeTool() {
  FDemoName = "RedEye";
  SetControlClass<TQvRedEyeControl>();
  RegisterCursor(crCross, QCursor(Qt::CrossCursor));
  if (MainForm && ToolPanelModule && ToolPanelModule->Toolbar) {
    int Image = MainForm->AddImage(QStringLiteral("RedEye"));
    if (Image < 0) Image = MainForm->Images().Add(RedEyeGlyph());
    MainForm->AddToolButton(ToolPanelModule->Toolbar, nullptr, nullptr, QStringLiteral("Red Eye Correction"), Image,
                            [this] { ButtonClick(FButton); }, &FButton);
    FButton->setCheckable(true);
    TQvRedEyeFrame* Created = nullptr;
    ToolPanelModule->CreateOptionFrame(Created);
    FFrame = Created;
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
  if (FButton) FButton->setToolTip(L(900, "Eye Correction"));
  if (!FFrame) return;
  TQvRedEyeFrame& F = *FFrame;
  F.TitleLabel->setText(L(900, "Eye Correction"));
  F.AreaSizeLabel->setText(L(901, "Area Size") + QStringLiteral(": ") + QString::number(FAreaSize));
  // Only a positive border keeps its number here; SetBorder shows negative ones until this runs.
  if (FBorder > 0)
    F.RemoveBorderLabel->setText(L(905, "Remove Border") + QStringLiteral(": ") + QString::number(FBorder) +
                                 QLatin1Char(' ') + L(2600, "px"));
  else
    F.RemoveBorderLabel->setText(L(905, "Remove Border") + QLatin1Char(':'));
  F.BrightnessLabel->setText(L(550, "Brightness") + QStringLiteral(": ") + QString::number(FBrightness));
  F.FormulaLabel->setText(L(2601, "Formula"));
  F.ShowOptions->setText(FShowOptions ? L(2020, "Hide Options") : L(2019, "Show More Options"));
  InvalidatePreviews();
}

void TQvRedEyeTool::LoadSettings(TQvSDFReader& Reader) {
  TQvGraphicsTool::LoadSettings(Reader);
  if (!Reader.EnterNode(1, QvSettingsGuid::RedEyeTool)) return;
  int32_t Value = 0;
  if (Reader.ReadInteger(1, Value)) SetShowOptions(Value != 0);
  Reader.LeaveNode();
}

void TQvRedEyeTool::SaveSettings(TQvSDFWriter& Writer) {
  TQvGraphicsTool::SaveSettings(Writer);
  Writer.BeginNode(1, QvSettingsGuid::RedEyeTool);
  Writer.WriteInteger(1, FShowOptions ? 1 : 0);
  Writer.EndNode();
}

void TQvRedEyeTool::UpdateControls() {
  UpdateToolControls(FButton, FFrame);
  if (FFrame) FFrame->SetControlsEnabled(FButton && FButton->isEnabled() && FButton->isChecked());
}

void TQvRedEyeTool::CommitChange() {
  if (!FDocument) return;
  TQvGraphicsDocument& Doc = *FDocument;
  TRect R = Doc.FChangedRect;
  // Every click is an undo step, even one that found no pupil, so that a setting change always has
  // a step of this tool to replace.
  if (R.IsEmpty()) R = TRect{FSeed.X, FSeed.Y, FSeed.X + 1, FSeed.Y + 1};
  auto State = std::make_unique<TQvRedEyeCommandState>(this, &Doc, R);
  State->FBrightness = FBrightness;
  State->FSeed = FSeed;
  State->FAreaSize = FAreaSize;
  State->FFormula = FFormula;
  State->FBorder = FBorder;
  State->FRegion = std::make_unique<TQvPixelRegion>(FSelection->Region());
  Doc.AddCommandState(std::move(State));
  const TQvPixels* Current = Doc.Pixels();
  if (!Current) return;
  if (Doc.FBackup.BoundsRect() == Current->BoundsRect() && Doc.FBackup.Format == Current->Format)
    Doc.FBackup.CopyRect(R.Left, R.Top, *Current, R);
  else
    Doc.SyncBackup();
}

void TQvRedEyeTool::DocumentOpened(TQvGraphicsDocument*) {
  // The plug-in-mode check of the base is left out on purpose: red eyes can be corrected there too.
  InvalidatePreviews();
}

void TQvRedEyeTool::DocumentClosing(TQvGraphicsDocument* Document) {
  // Only a change of this tool is ended here; another tool's pending change belongs to that tool.
  if (Document && Document->FModifying && Document->FModifyingTool == this) EndChange();
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

bool TQvRedEyeTool::SetAvailable(bool Value) {
  if (FFrame) FFrame->setVisible(Value && IsActiveTool());
  if (FButton) FButton->setVisible(Value);
  return TQvGraphicsTool::SetAvailable(Value);
}

void TQvRedEyeTool::Activate() {
  TQvGraphicsTool::Activate();
  if (FFrame) {
    FFrame->setVisible(FAvailable);
    FFrame->raise();
  }
}

void TQvRedEyeTool::RegisterDemoItems() {
  IQvDemoRegistry* Registry = FindDemoRegistry();
  if (!Registry) return;
  // The button's toolbar item; the tool panel shows it only when the panel exists.
  Registry->RegisterComponent(QStringLiteral("RedEye"), FButton);
  if (FFrame) {
    TQvRedEyeFrame& F = *FFrame;
    const std::pair<const char*, QWidget*> Controls[] = {
        {"RedEyeSelection", F.SelectionPreview}, {"RedEyeAreaSize", F.AreaSizeTrackBar},
        {"RedEyeFormula1", F.Formula1RadioButton}, {"RedEyeFormula2", F.Formula2RadioButton},
        {"RedEyeFormula3", F.Formula3RadioButton}, {"RedEyeIncArea", F.IncSizeButton},
        {"RedEyeDecArea", F.DecSizeButton},       {"RedEyeBrightness", F.BrightnessTrackBar},
        {"RedEyePreview", F.CorrectionPreview},   {"RedEyeOptions", F.ShowOptions}};
    for (const auto& [Name, Widget] : Controls) Registry->RegisterComponent(QString::fromLatin1(Name), Widget);
  }
  Registry->RegisterIntegerCommand(QStringLiteral("RedEyeAreaSize"), DefaultAreaSize,
                                   [this](int Value) { SetAreaSize(Value); });
  for (int Formula = 0; Formula < 3; ++Formula)
    Registry->RegisterIntegerCommand(QStringLiteral("RedEyeFormula%1").arg(Formula + 1), Formula,
                                     [this](int Value) { SetFormula(Value); });
  Registry->RegisterIntegerCommand(QStringLiteral("RedEyeBorderSize"), 0, [this](int Value) { SetBorder(Value); });
  Registry->RegisterIntegerCommand(QStringLiteral("RedEyeBrightness"), DefaultBrightness,
                                   [this](int Value) { SetBrightness(Value); });
  Registry->RegisterBooleanCommand(QStringLiteral("RedEyeShowOptions"), true,
                                   [this](bool Value) { SetShowOptions(Value); });
  Registry->RegisterBooleanCommand(QStringLiteral("RedEyeHideOptions"), false,
                                   [this](bool Value) { SetShowOptions(Value); });
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
  if (!Doc || !View || Doc->FModifying) return;
  BeginChange(View);
  if (!FPixels || !FBackupPixels) {
    CancelChange();
    return;
  }
  FSelection->Select(*FBackupPixels, FSeed, 255 - FAreaSize, FBorder, FFormula);
  CorrectRedEye(*FPixels, *FSelection, FBrightness);
  const TRect Box = FSelection->GetBounds();
  if (FFrame) FFrame->ComputePreviewScale(Box, FFrame->SelectionPreview->InnerRect());
  InvalidatePreviews();
  AddChangedRect(Box, false);
  EndChange();
}

void TQvRedEyeTool::Reapply() {
  if (FUpdating) return;
  TQvGraphicsEditor* E = Editor();
  TQvGraphicsDocument* Doc = E ? E->ActiveDocument() : nullptr;
  if (!Doc) return;
  // With another change pending the new correction could not be made, so the old one must stay.
  if (!Doc->FModifying && dynamic_cast<TQvRedEyeCommandState*>(Doc->History.LastUndoState())) {
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

void TQvRedEyeTool::SetBorder(int32_t Value) {
  if (Value == FBorder || Value < -MaxBorder || Value > MaxBorder) return;
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

void TQvRedEyeTool::SetShowOptions(bool Value) {
  FShowOptions = Value;
  UpdateLayout();
  RecordMove(QStringLiteral("RedEyeOptions"));
  RecordLine(Value ? QStringLiteral("RedEyeShowOptions") : QStringLiteral("RedEyeHideOptions"));
}

void TQvRedEyeTool::UpdateLayout() {
  if (!FFrame) return;
  TQvRedEyeFrame& F = *FFrame;
  F.Formula1RadioButton->setVisible(FShowOptions);
  F.Formula2RadioButton->setVisible(FShowOptions);
  F.Formula3RadioButton->setVisible(FShowOptions);
  F.ShowOptions->setText(FShowOptions ? L(2020, "Hide Options") : L(2019, "Show More Options"));
}

void TQvRedEyeTool::InvalidatePreviews() {
  if (!FFrame) return;
  FFrame->SelectionPreview->update();
  FFrame->CorrectionPreview->update();
}

void TQvRedEyeTool::RecordMove(const QString& Name) {
  if (FRecorder) FRecorder->RecordLine(QStringLiteral("MouseCurvedMove ") + Name);
}

void TQvRedEyeTool::RecordMessage(const QString& Text) {
  if (FRecorder && FRecorder->RecordMessages()) FRecorder->RecordLine(QStringLiteral("Message \"") + Text + QLatin1Char('"'));
}

void TQvRedEyeTool::RecordLine(const QString& Line) {
  if (FRecorder) FRecorder->RecordLine(Line);
}
