#include "QvPanelTool.h"

#include "MainForm.h"
#include "QvDemoTarget.h"
#include "QvLocalizer.h"
#include "QvProperties.h"
#include "QvSDF.h"

#include <QAction>

TQvPanelTool::TQvPanelTool(TQvGraphicsEditor* Editor) : TQvGraphicsTool(Editor) {}

TQvPanelTool::~TQvPanelTool() {
  if (FFrame) FFrame->OnShowOptionsClick = nullptr;
}

void TQvPanelTool::CreateButton(const QString& Caption, const QString& ImageName, const QIcon& Fallback) {
  if (!MainForm || !ToolPanelModule || !ToolPanelModule->Toolbar) return;
  int Image = MainForm->AddImage(ImageName);
  if (Image < 0 && !Fallback.isNull()) Image = MainForm->Images().Add(Fallback);
  MainForm->AddToolButton(ToolPanelModule->Toolbar, nullptr, nullptr, Caption, Image, [this] { ButtonClick(FButton); },
                          &FButton);
  if (FButton) FButton->setCheckable(true);
}

void TQvPanelTool::AdoptFrame(TQvOptionFrame* Frame) {
  FFrame = Frame;
  if (Frame) Frame->OnShowOptionsClick = [this] { SetShowOptions(!FShowOptions); };
}

void TQvPanelTool::SetHint(int Id, const QString& Default) {
  FHintId = Id;
  FHintDefault = Default;
}

void TQvPanelTool::SetTitle(int Id, const QString& Default) {
  FTitleId = Id;
  FTitleDefault = Default;
}

void TQvPanelTool::Localize() {
  TQvGraphicsTool::Localize();
  if (FButton && FHintId) FButton->setToolTip(GetLocalString(FHintId, FHintDefault));
  if (FFrame) {
    if (FTitleId)
      FFrame->LocalizeFrame(FTitleId, FTitleDefault);
    else if (FHintId)
      FFrame->LocalizeFrame(FHintId, FHintDefault);
  }
}

void TQvPanelTool::LoadSettings(TQvSDFReader& Reader) {
  TQvGraphicsTool::LoadSettings(Reader);
  if (!FSettingsGuid || !Reader.EnterNode(1, *FSettingsGuid)) return;
  int32_t Value = 0;
  if (Reader.ReadInteger(1, Value)) SetShowOptions(Value != 0);
  Reader.LeaveNode();
}

void TQvPanelTool::SaveSettings(TQvSDFWriter& Writer) {
  TQvGraphicsTool::SaveSettings(Writer);
  if (!FSettingsGuid) return;
  Writer.BeginNode(1, *FSettingsGuid);
  Writer.WriteInteger(1, FShowOptions ? 1 : 0);
  Writer.EndNode();
}

void TQvPanelTool::UpdateControls() {
  TQvGraphicsTool::UpdateControls();
  UpdateToolControls(FButton, FFrame);
  if (FFrame) FFrame->SetControlsEnabled(FButton && FButton->isEnabled() && FButton->isChecked());
}

bool TQvPanelTool::SetAvailable(bool Value) {
  if (FFrame) FFrame->setVisible(Value && IsActiveTool());
  if (FButton) FButton->setVisible(Value);
  return TQvGraphicsTool::SetAvailable(Value);
}

void TQvPanelTool::Activate() {
  TQvGraphicsTool::Activate();
  if (FFrame) {
    FFrame->setVisible(FAvailable);
    FFrame->raise();
  }
}

void TQvPanelTool::RegisterDemoItems() {
  TQvGraphicsTool::RegisterDemoItems();
  if (FDemoItems.IsEmpty()) FillDemoItems();
  if (IQvDemoRegistry* Registry = FindDemoRegistry()) FDemoItems.Register(*Registry);
}

void TQvPanelTool::GetDemoControlPoint(TQvDemoPlayback* Playback, TQvCustomProperties* Params, bool& Handled,
                                       QPoint& Point) {
  TQvGraphicsTool::GetDemoControlPoint(Playback, Params, Handled, Point);
  if (!Handled && Params && Params->Count() > 0 && FDemoItems.ControlPoint(Params->GetValue(0).toString(), Point))
    Handled = true;
}

void TQvPanelTool::SetShowOptions(bool Value) {
  FShowOptions = Value;
  UpdateLayout();
  if (!FRecordShowOptions) return;
  RecordMove(DemoItemName(QStringLiteral("Options")));
  RecordLine(DemoItemName(Value ? QStringLiteral("ShowOptions") : QStringLiteral("HideOptions")));
}

void TQvPanelTool::UpdateLayout() {
  if (FFrame) FFrame->SetOptionsShown(FShowOptions);
}

void TQvPanelTool::RecordEnter(const QString& Name) const {
  RecordMove(Name);
  const QString Message = FDemoItems.Message(Name);
  if (!Message.isEmpty()) RecordMessage(Message);
}

void TQvPanelTool::RecordClick(const QString& Name) const {
  if (!FRecorder) return;
  RecordEnter(Name);
  RecordLine(Name);
}

QString TQvPanelTool::DemoItemName(const QString& Suffix) const { return QString::fromLatin1(FDemoName) + Suffix; }
