// The demonstration module around a playing demonstration: the Help menu item and the browser,
// the questions before a demonstration starts, the title while it plays, and what every end of it
// restores (the browser, or in plug-in mode the exchange document).
#include "QvDemonstration.h"

#include "MainForm.h"
#include "QvApplication.h"
#include "QvCommandLine.h"
#include "QvDemoPlayback.h"
#include "QvDemoScript.h"
#include "QvDemonstrationForm.h"
#include "QvEditor.h"
#include "QvLocalizer.h"
#include "QvToolPanel.h"

#include <QAction>
#include <QFileInfo>
#include <QWidget>

#include <algorithm>

namespace {
// Keys of the deferred calls that have no method of their own.
enum : quintptr { ReopenKey = 1, PlayStartDemoKey = 2 };

QString Caption() { return GetLocalString(37, QStringLiteral("Demonstrations")); }

int Ask(const QString& Text, int Flags) {
  return Application ? Application->MessageBox(Text, Caption(), Flags) : QvMB::IDNO;
}
}  // namespace

TQvEditor* TQvDemonstrationModule::FindEditor() {
  if (!Application) return nullptr;
  for (int I = 0; I < Application->ComponentCount(); ++I)
    if (auto* Editor = qobject_cast<TQvEditor*>(Application->Components(I))) return Editor;
  return nullptr;
}

void TQvDemonstrationModule::Initialize() {
  if (FStartDemo.isEmpty()) FStartDemo = TQvCommandLine::Program().Demo;
  if (Application) {
    // Both run from the event loop once start-up is over.
    if (!FStartDemo.isEmpty())
      Application->PostCall(TQvMethod(this, PlayStartDemoKey, [this] { PlayDemo(FStartDemo); }));
    // A photo (or a plug-in's exchange file) named on the command line is what the user came for;
    // the browser would stand in front of it.
    else if (FShowAtStartup && TQvCommandLine::Program().FileName.isEmpty())
      Application->PostCall(TQvMethod(this, &TQvDemonstrationModule::ShowBrowser));
  }
  TQvModuleWithControls::Initialize();
}

void TQvDemonstrationModule::Localize() {
  if (DemoMenuItem) DemoMenuItem->setText(Caption());
}

void TQvDemonstrationModule::UpdateControls() {
  if (DemoMenuItem) DemoMenuItem->setEnabled(!FPlayback->IsPlaying() && !FPlayback->IsRecording());
}

bool TQvDemonstrationModule::PlayDemo(const QString& Name) {
  if (Name.isEmpty() || FPlayback->IsPlaying() || FPlayback->IsRecording()) return false;
  // A name, with or without its extension, in the demonstration folder; or a script's own path.
  QString FileName = FDemoFolder + Name;
  if (!Name.endsWith(QLatin1String(".dsc"), Qt::CaseInsensitive)) FileName += QStringLiteral(".dsc");
  if (!QFileInfo(FileName).isFile() && QFileInfo(Name).isFile()) FileName = Name;
  if (!QFileInfo(FileName).isFile()) {
    Ask(GetLocalStringFormatted(5850, QStringLiteral("There is no demonstration \"%s\"."), {Name}),
        QvMB::MB_OK | QvMB::MB_ICONERROR);
    return false;
  }
  TQvDemoScript Script;
  try {
    Script.LoadFromFile(FileName);
  } catch (const EQvDemoScriptError& E) {
    Ask(QString::fromUtf8(E.what()), QvMB::MB_OK | QvMB::MB_ICONERROR);
    return false;
  }
  FPlayback->SetScript(Script);
  return FPlayback->Play(0) && FPlayback->IsPlaying();
}

std::unique_ptr<TQvDemoScript> TQvDemonstrationModule::RunBrowserDialog() {
  TQvEditor* Editor = FindEditor();
  TQvDemonstrationForm* Form = CreateInitialized<TQvDemonstrationForm>(
      FDemoFolder, FLastIndex, FShowAtStartup, FViewStyle, Editor ? Editor->FileFormats() : nullptr,
      Application ? Application->MainForm() : nullptr);
  std::unique_ptr<TQvDemonstrationForm> Owner(Form);
  const bool Started = (ExecuteBrowser ? ExecuteBrowser(*Form) : Form->exec()) == QDialog::Accepted;
  FShowAtStartup = Form->ShowAtStartup();
  FLastIndex = std::max(0, Form->SelectedIndex());
  return Started ? Form->TakeSelectedScript() : nullptr;
}

void TQvDemonstrationModule::ShowBrowser() {
  if (FPlayback->IsPlaying() || FPlayback->IsRecording()) return;
  std::unique_ptr<TQvDemoScript> Script = RunBrowserDialog();
  if (Script) {
    if (ToolPanelModule) ToolPanelModule->SetPanelVisible(true);
    ++FLastIndex;
    FPlayback->SetScript(*Script);
    FPlayback->Play(0);
    // Only a demonstration that really started brings the browser back.
    FReturnToBrowser = FPlayback->IsPlaying();
    if (!FReturnToBrowser) ReopenPluginFile();
  } else {
    ReopenPluginFile();
  }
}

// ---- the playback's handlers ----

void TQvDemonstrationModule::OnBeforeStart(TQvDemoPlayback* Sender, bool& Cancel) {
  TQvEditor* Editor = FindEditor();
  // What the last demonstration opened goes without a question.
  if (Editor)
    if (TQvDocument* Doc = Editor->ActiveDocument(); Doc && Doc->Temporary) Doc->Close();
  QWidget* Main = Application ? Application->MainForm() : nullptr;
  const bool CloseAll = FCloseDocuments && Editor && Editor->DocumentCount() > 0;
  const bool Maximise = FMaximize && Main && !Main->isMaximized();
  if (CloseAll || Maximise) {
    const int Id = CloseAll && Maximise ? 175 : CloseAll ? 173 : 174;
    static const char* const Defaults[] = {
        "All open images will be closed before the demonstration starts. Do you want to continue?",
        "The main window will be maximized before the demonstration starts. Do you want to continue?",
        "All open images will be closed and the main window will be maximized before the demonstration "
        "starts. Do you want to continue?"};
    if (Ask(GetLocalString(Id, QString::fromLatin1(Defaults[Id - 173])), QvMB::MB_YESNO | QvMB::MB_ICONQUESTION) !=
        QvMB::IDYES) {
      Cancel = true;
      return;
    }
    if (CloseAll) {
      while (Editor->DocumentCount() > 0) {
        TQvDocument* Doc = Editor->ActiveDocument();
        if (!Doc) break;
        if (Editor->PluginMode && !Doc->Temporary) {
          // The host's image goes into the exchange file, to be opened again afterwards. If it
          // cannot be written the demonstration does not start: closing it would lose it.
          if (!Doc->Save()) {
            Cancel = true;
            return;
          }
          FPluginFile = Doc->FileName;
        }
        if (!Doc->Close()) {
          Cancel = true;
          return;
        }
      }
    }
    if (Maximise) Main->showMaximized();
  }
  if (Application) {
    FSavedTitle = Application->GetTitle();
    Application->SetTitle(FSavedTitle + QStringLiteral(" - ") + Sender->Script().GetTitle());
  }
}

void TQvDemonstrationModule::OnStopQuery(TQvDemoPlayback*, bool& Stop) {
  Stop = Ask(GetLocalString(172, QStringLiteral("Do you want to stop the demonstration?")),
             QvMB::MB_YESNO | QvMB::MB_ICONQUESTION) == QvMB::IDYES;
  if (Stop) Finish();
}

void TQvDemonstrationModule::OnEnd(TQvDemoPlayback*) {
  if (Application) Application->SetTitle(FSavedTitle);
  Ask(GetLocalString(725, QStringLiteral("The demonstration is over.")), QvMB::MB_OK | QvMB::MB_ICONINFORMATION);
  Finish();
}

void TQvDemonstrationModule::OnError(TQvDemoPlayback* Sender, const QString& Message, bool& Stop,
                                     const QString& LineText) {
  Ask(Message + QLatin1Char('\n') + LineText, QvMB::MB_OK | QvMB::MB_ICONERROR);
  Stop = true;
  // An error ends the demonstration like its last line would, without the end message.
  if (Sender && Sender->IsPlaying()) Finish();
}

void TQvDemonstrationModule::Finish() {
  if (Application && !FSavedTitle.isEmpty()) Application->SetTitle(FSavedTitle);
  FSavedTitle.clear();
  if (!Application) return;
  if (FReturnToBrowser) {
    FReturnToBrowser = false;
    Application->PostCall(TQvMethod(this, &TQvDemonstrationModule::ShowBrowser));
  } else if (!FPluginFile.isEmpty()) {
    Application->PostCall(TQvMethod(this, ReopenKey, [this] { ReopenPluginFile(); }));
  }
}

void TQvDemonstrationModule::ReopenPluginFile() {
  TQvEditor* Editor = FindEditor();
  if (FPluginFile.isEmpty() || !Editor || !Editor->PluginMode) return;
  const QString FileName = FPluginFile;
  FPluginFile.clear();
  for (int I = 0; I < Editor->DocumentCount(); ++I)
    if (Editor->Documents(I) && Editor->Documents(I)->FileName == FileName) return;  // still open
  TQvDocument* Doc = nullptr;
  Editor->OpenFile(FileName, Doc, true);
}
