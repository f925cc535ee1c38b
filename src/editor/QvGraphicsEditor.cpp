#include "QvGraphicsEditor.h"

TQvGraphicsEditor* GraphicsEditor = nullptr;

TQvGraphicsEditor::TQvGraphicsEditor() : FFormats(std::make_unique<TQvGraphicsFormats>()) {}
TQvGraphicsEditor::~TQvGraphicsEditor() = default;

void TQvGraphicsEditor::Localize() { TQvEditor::Localize(); }
void TQvGraphicsEditor::LoadSettings(TQvSDFReader& Reader) { TQvEditor::LoadSettings(Reader); }
void TQvGraphicsEditor::SaveSettings(TQvSDFWriter& Writer) { TQvEditor::SaveSettings(Writer); }
void TQvGraphicsEditor::UpdateControls() { TQvEditor::UpdateControls(); }
void TQvGraphicsEditor::ActivateDocument(TQvDocument* Doc) { TQvEditor::ActivateDocument(Doc); }
void TQvGraphicsEditor::UpdateCaption(QObject* Sender) { TQvEditor::UpdateCaption(Sender); }
TQvDocumentFormats* TQvGraphicsEditor::FileFormats() { return FFormats.get(); }
TQvDocument* TQvGraphicsEditor::CreateDocument() { return new TQvGraphicsDocument(this); }
bool TQvGraphicsEditor::AttachDocumentView(TQvDocument* Doc, QWidget*& View) {
  return TQvEditor::AttachDocumentView(Doc, View);
}
void TQvGraphicsEditor::ExecuteDemoCommand(TQvDemoPlayback* Playback, const QString& Command, bool& Handled,
                                           TQvDemoScriptUserAction* Action, TQvCustomProperties* Params) {
  TQvEditor::ExecuteDemoCommand(Playback, Command, Handled, Action, Params);
}
void TQvGraphicsEditor::GetDemoControlPoint(TQvDemoPlayback* Playback, TQvCustomProperties* Params, bool& Handled,
                                            QPoint& Point) {
  TQvEditor::GetDemoControlPoint(Playback, Params, Handled, Point);
}
bool TQvGraphicsEditor::OpenFile(const QString& FileName, TQvDocument*& Doc, bool AddToRecent) {
  return TQvEditor::OpenFile(FileName, Doc, AddToRecent);
}
bool TQvGraphicsEditor::CanUndo() { return TQvEditor::CanUndo(); }
bool TQvGraphicsEditor::CanRedo() { return TQvEditor::CanRedo(); }
void TQvGraphicsEditor::DoUndo() { TQvEditor::DoUndo(); }
void TQvGraphicsEditor::DoRedo() { TQvEditor::DoRedo(); }
void TQvGraphicsEditor::MainFormMouseWheel(QObject*, TQvShiftState, int, const QPoint&, bool& Handled) { Handled = false; }
void TQvGraphicsEditor::ActivateDocumentCommand(TQvDocument* Doc) { ActivateDocument(Doc); }
void TQvGraphicsEditor::NextImageCommand(QObject*) {}
void TQvGraphicsEditor::PrevImageCommand(QObject*) {}
void TQvGraphicsEditor::ZoomInCommand(QObject*) {}
void TQvGraphicsEditor::ZoomOutCommand(QObject*) {}
void TQvGraphicsEditor::ActualSizeCommand(QObject*) {}
void TQvGraphicsEditor::BestFitCommand(QObject*) {}
void TQvGraphicsEditor::FillImportSubmenu() {}
void TQvGraphicsEditor::SetActiveTool(TQvGraphicsTool* Tool) {
  FPreviousTool = FActiveTool;
  FActiveTool = Tool;
}
bool TQvGraphicsEditor::CanSelectTool(TQvGraphicsTool*) { return ActiveDocument() != nullptr; }
std::vector<TQvGraphicsTool*> TQvGraphicsEditor::Tools() { return {}; }
TQvGraphicsDocument* TQvGraphicsEditor::ActiveDocument() const {
  return qobject_cast<TQvGraphicsDocument*>(TQvEditor::ActiveDocument());
}
TQvGraphicsView* TQvGraphicsEditor::ActiveView() const { return nullptr; }
void TQvGraphicsEditor::SetZoom(TQvGraphicsView*, int, int) {}
void TQvGraphicsEditor::BestFit(TQvGraphicsView*) {}
void TQvGraphicsEditor::AutoFit(TQvGraphicsDocument*, TQvGraphicsView*) {}
void TQvGraphicsEditor::FitActive() {}
void TQvGraphicsEditor::SetMinViewSize(int, int) {}
void TQvGraphicsEditor::RefreshFolderList(const QString&) {}
void TQvGraphicsEditor::SetWidthText(const QString&) {}
void TQvGraphicsEditor::SetHeightText(const QString&) {}
void TQvGraphicsEditor::SetPositionText(const QString&, const QString&) {}
void TQvGraphicsEditor::SetColorText(const QString&, const QString&, const QString&) {}
void TQvGraphicsEditor::OpenFileByName(const QString&) {}
bool TQvGraphicsEditor::OpenAcquiredFile(const QString&) { return false; }
bool TQvGraphicsEditor::eventFilter(QObject* Watched, QEvent* Event) { return TQvEditor::eventFilter(Watched, Event); }
void TQvGraphicsEditor::DropFile(const QString& FileName) { TQvEditor::DropFile(FileName); }
void TQvGraphicsEditor::RecordCommandLines(const QString&, const QString&) {}
void TQvGraphicsEditor::CreateStatusPanels() {}
