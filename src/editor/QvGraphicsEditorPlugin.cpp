// The graphics editor in plug-in mode: OK and Cancel end the session with the host.
#include "QvGraphicsEditor.h"

#include "MainForm.h"
#include "QvApplication.h"
#include "QvGraphicsEditorParts.h"
#include "QvLocalizer.h"
#include "QvPluginExchange.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

using namespace QvGraphicsEditorParts;

QAction* TQvGraphicsEditor::AddPluginButton(const QString& Caption, std::function<void()> OnClick) {
  QAction* Button = MainForm->AddToolButton(StandardToolbar, nullptr, nullptr, Caption, -1, std::move(OnClick));
  SetButtonHint(Button, Caption);
  // Text only, and as wide as the toolbar allows: the two buttons that end the session.
  if (auto* Widget = qobject_cast<QToolButton*>(StandardToolbar->widgetForAction(Button))) {
    Widget->setToolButtonStyle(Qt::ToolButtonTextOnly);
    Widget->setSizePolicy(QSizePolicy::Expanding, Widget->sizePolicy().verticalPolicy());
  }
  return Button;
}

void TQvGraphicsEditor::SetPluginMode(bool Value) {
  if (PluginMode) return;
  if (Application) Application->SetTitle(Application->GetTitle() + QStringLiteral(" Plug-in"));
  PrevImageButton->setVisible(false);
  NextImageButton->setVisible(false);
  if (MainForm && MainForm->FileMenuItem) MainForm->FileMenuItem->menuAction()->setVisible(false);
  if (MainForm && StandardToolbar) {
    PluginToolbarSeparator = StandardToolbar->addSeparator();
    OkButton = AddPluginButton(GetLocalString(1, QStringLiteral("OK")), [this] { OkButtonClick(OkButton); });
    OkButton->setObjectName(QStringLiteral("OkButton"));
    CancelButton =
        AddPluginButton(GetLocalString(2, QStringLiteral("Cancel")), [this] { CancelButtonClick(CancelButton); });
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
  }
  TQvEditor::SetPluginMode(Value);
  UpdateCaption(this);
}

void TQvGraphicsEditor::EndPendingModification() {
  TQvGraphicsDocument* Doc = ActiveDocument();
  if (Doc && Doc->Modifying()) Doc->EndModification(this);
}

TQvDocument* TQvGraphicsEditor::PluginDocument() const {
  for (int I = 0; I < DocumentCount(); ++I)
    if (TQvDocument* Doc = Documents(I); Doc && Doc->FormatId == QvFormatId::PluginImage) return Doc;
  return nullptr;
}

void TQvGraphicsEditor::OkButtonClick(QObject*) {
  EndPendingModification();
  TQvDocument* Doc = PluginDocument();
  // Without its image written back the session must not report a result: the exit code only
  // becomes 0 once the exchange file holds it. Save has shown why it failed. An image that a
  // demonstration opened is never written over its file.
  if (Doc && !Doc->Save()) return;
  // Without the exchange document open, a demonstration has closed it after writing it into the
  // exchange file, which therefore holds the result.
  if (Doc || !ActiveDocument() || ActiveDocument()->Temporary) ExitCode = 0;
  if (MainForm) MainForm->close();
}

void TQvGraphicsEditor::CancelButtonClick(QObject*) {
  EndPendingModification();
  if (TQvDocument* Doc = PluginDocument()) Doc->MarkSaved();
  if (MainForm) MainForm->close();
}

int TQvGraphicsEditor::AskSaveChanges(const QString& Name) {
  if (!PluginMode) return TQvEditor::AskSaveChanges(Name);
  if (!Application) return QvMB::IDCANCEL;
  const QString Image = GetLocalString(500, QStringLiteral("the image"));
  return Application->MessageBox(
      GetLocalStringFormatted(94, QStringLiteral("Do you want to save the changes to %s?"), {Image}),
      QvMB::MB_YESNOCANCEL | QvMB::MB_ICONWARNING);
}

bool TQvGraphicsEditor::SaveAsWithDialog(TQvDocument* Doc) {
  if (!PluginMode) return TQvEditor::SaveAsWithDialog(Doc);
  // The file to write is the session's own; a failed write keeps the editor open.
  if (!Doc || !Doc->Save()) return false;
  if (Doc->FormatId == QvFormatId::PluginImage) ExitCode = 0;
  return true;
}

void TQvGraphicsEditor::AddToRecentFiles(TQvDocument* Doc) {
  if (!PluginMode) TQvEditor::AddToRecentFiles(Doc);
}

