// The demo editor: a small stay-on-top window for writing demonstrations, with one text page per
// script section, commands to open, save, play and record a script, and to add or delete language
// sections. Reached through a hidden File item (Ctrl+Shift+K); its captions are not localised.
#pragma once

#include "QvDemoEditorEngine.h"
#include "QvForms.h"
#include "QvModules.h"

#include <QDialog>
#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

class QAction;
class QComboBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTabBar;
class QToolBar;
class TQvDemonstrationModule;

// Asks for the decimal id of a language section to add.
class TAddLangForm : public QDialog {
 public:
  explicit TAddLangForm(QWidget* Owner);

  QLabel* LangIdLabel = nullptr;
  QLineEdit* LangIdEdit = nullptr;
  QPushButton* AddButton = nullptr;
  QPushButton* CancelButton = nullptr;
};

class TQvDemoEditorForm : public TQvForm {
 public:
  // Engine and Demo (which may be nullptr) must outlive the form.
  TQvDemoEditorForm(IQvDemoEditorEngine& Engine, TQvDemonstrationModule* Demo, QWidget* Parent = nullptr);
  ~TQvDemoEditorForm() override;

  QMenuBar* Menu = nullptr;
  QMenu* FileMenuItem = nullptr;
  QAction* NewMenuItem = nullptr;
  QAction* OpenMenuItem = nullptr;
  QAction* SaveAsMenuItem = nullptr;
  QAction* FileMenuSeparator = nullptr;
  QAction* ExitMenuItem = nullptr;
  QMenu* EditMenuItem = nullptr;
  QAction* AddLanguageMenuItem = nullptr;
  QAction* DeleteLanguageMenuItem = nullptr;
  QMenu* PlaybackMenuItem = nullptr;
  QAction* PlayMenuItem = nullptr;
  QAction* RecordMenuItem = nullptr;
  QAction* StopMenuItem = nullptr;
  QToolBar* Toolbar = nullptr;
  QAction* OpenToolButton = nullptr;
  QAction* SaveToolButton = nullptr;
  QAction* PlayToolButton = nullptr;
  QAction* RecordToolButton = nullptr;
  QAction* StopToolButton = nullptr;
  QComboBox* MessageComboBox = nullptr;
  QAction* MessageToolButton = nullptr;
  QTabBar* SectionsTabControl = nullptr;
  QPlainTextEdit* ScriptMemo = nullptr;
  QStatusBar* StatusBar = nullptr;

  // ---- commands ----
  void CmNew();
  // The open dialog, then OpenFile.
  void CmOpen();
  // The save dialog, then SaveFile.
  void CmSave();
  void CmExit();
  void CmPlay();
  void CmRecord();
  void CmStop();
  // The add-language dialog, then AddLanguage with its text.
  void CmAddLanguage();
  void CmDeleteLanguage();

  // Loads FileName and shows its sections; an error box names a file that cannot be read, and
  // the script stays as it was. False on failure.
  bool OpenFile(const QString& FileName);
  // Saves the script with the edits of the page shown; an error box on failure. False on failure.
  bool SaveFile(const QString& FileName);
  // Appends a section named by the trimmed LangId and shows its empty page, or shows the page of
  // the section that already has that name. Nothing for an empty text.
  void AddLanguage(const QString& LangId);
  // Whether the section of that tab may be deleted: never the first two tabs, never "Info" or
  // "Script" wherever they stand.
  bool CanDeleteSection(int Index) const;

  // The edited script, with the memo's edits once StoreMemo ran.
  const TQvDemoScript& Script() const { return *FScript; }
  // Puts the memo's text into the section of the current tab and remembers its selection.
  void StoreMemo();
  int CurrentSection() const;

  // ---- event handlers ----
  void SectionsTabControlChanging();
  void SectionsTabControlChange();
  void MessageToolButtonClick();
  void MessageComboBoxChange();
  void MessageComboBoxAcceptText();

  void UpdateControls() override;

 protected:
  // Runs the dialog; false when cancelled. Tests answer them without a modal loop.
  virtual bool ExecuteOpenDialog(QString& FileName);
  virtual bool ExecuteSaveDialog(QString& FileName);
  virtual bool ExecuteAddLangDialog(QString& LangId);

 private:
  struct TSelection {
    int Anchor = 0;
    int Position = 0;
  };

  void CreateMenu();
  void CreateToolbar();
  void PlaceInMainWindow();
  // The tabs become the section names; every remembered selection is reset; the "Script" tab shows.
  void Refresh();
  void SelectTab(int Index);
  void LoadMemo();
  void ShowFileName();
  void ShowError(const QString& Message);

  // The engine's events while the editor plays or records.
  void PlaybackEnd();
  void PlaybackStopQuery(bool& Stop);
  void PlaybackError(const QString& Message, bool& Stop, const QString& LineText);
  void EndPlay();
  // Puts back the events taken for a play or recording that is over.
  void GiveBackEvents();
  void RecordStart();
  void RecordStop();

  IQvDemoEditorEngine& FEngine;
  QPointer<TQvDemonstrationModule> FDemo;
  std::unique_ptr<TQvDemoScript> FScript;
  std::vector<TSelection> FSelections;
  int FShownSection = -1;  // the section whose text the memo holds
  bool FRefreshing = false;
  IQvDemoEditorEngine::TPlayEvents FSavedPlayEvents;  // the engine's own, called first
  bool FPlaying = false;  // the editor's own play runs
  bool FRecording = false;
  bool FPlayEventsTaken = false;  // until the engine has its own events back
  bool FRecordEventsTaken = false;
};

class TQvDemoEditorModule : public TQvModuleWithControls {
  Q_OBJECT

 public:
  // Without an engine the editor uses the demonstration module's playback, or, when there is none,
  // records but cannot play. Demo supplies the playback, the recording walk and the click message.
  explicit TQvDemoEditorModule(IQvDemoEditorEngine* Engine = nullptr, TQvDemonstrationModule* Demo = nullptr);
  ~TQvDemoEditorModule() override;

  QAction* DemoEditorMenuItem = nullptr;

  // Creates the editor window when needed and shows it (not modally).
  void CmDemoEditor();
  TQvDemoEditorForm* Form() const { return FForm; }
  IQvDemoEditorEngine& Engine() { return *FEngine; }
  // Takes another engine (not owned); the editor window must not exist yet.
  void SetEngine(IQvDemoEditorEngine* Engine);

 private:
  std::unique_ptr<IQvDemoEditorEngine> FOwnEngine;
  IQvDemoEditorEngine* FEngine = nullptr;
  QPointer<TQvDemonstrationModule> FDemo;
  QPointer<TQvDemoEditorForm> FForm;
};

extern TQvDemoEditorModule* DemoEditorModule;
