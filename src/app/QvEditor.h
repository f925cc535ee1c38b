// The document-independent half of the editor: file-format registries, the document with its file
// name, format, undo history and view, and the editor module that owns the open documents and
// contributes the File and Edit commands (open, save as, close, recent files, undo, redo).
// Nothing here knows about pixels; the image editor derives from all of it.
#pragma once

#include "QvCommandHistory.h"
#include "QvDemoTarget.h"
#include "QvGuid.h"
#include "QvModules.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QPainter;
class QToolBar;
class QWidget;
class TQvCustomProperties;
class TQvDemoPlayback;
class TQvDemoScriptUserAction;
class TQvDocument;
class TQvEditor;

// ---- file formats ----

struct TQvFileFormatInfo {
  int FormatId = 0;     // the format's number in its registry (0 for the pseudo-entries)
  QString Description;  // shown in the file-type list of the dialogs
  QString Mask;         // file mask(s), several separated by ";"
  QString Extension;    // default extension with its dot, appended on save
};
using TQvFileFormatInfos = QList<TQvFileFormatInfo>;

// The dialog filter text: for every entry "Description (Mask)|Mask", entries joined with "|".
QString BuildFilter(const TQvFileFormatInfos& Formats);
// Index of the first entry with that id, or -1.
int IndexOfFormat(const TQvFileFormatInfos& Formats, int FormatId);
// Whether FileName ends with one of the extensions that Format's masks name ("*.jpg;*.jpeg"), or
// with its default extension; compared without regard to case. A mask without an extension ("*.*",
// "*") accepts nothing, so the default extension is still appended.
bool HasFormatExtension(const QString& FileName, const TQvFileFormatInfo& Format);

// A short description of a file, shown by the open dialog beside its preview.
class TQvFileInfo {
 public:
  explicit TQvFileInfo(const QString& AFileName) : FileName(AFileName) {}
  virtual ~TQvFileInfo() = default;
  TQvFileInfo(const TQvFileInfo&) = delete;
  TQvFileInfo& operator=(const TQvFileInfo&) = delete;

  virtual void GetDescription(QString& Text) { Text.clear(); }

  const QString FileName;
};

// A preview picture of a file. Made on the open dialog's preview thread, drawn on the main thread.
class TQvThumbnail {
 public:
  TQvThumbnail() = default;
  virtual ~TQvThumbnail() = default;
  TQvThumbnail(const TQvThumbnail&) = delete;
  TQvThumbnail& operator=(const TQvThumbnail&) = delete;

  // Paints the preview inside Rect; DrawnRect receives the rectangle actually covered.
  virtual void Draw(QPainter& DC, const QRect& Rect, QRect& DrawnRect) = 0;
};

// A registry of file formats that can describe and preview files.
class TQvFileFormats {
 public:
  TQvFileFormats() = default;
  virtual ~TQvFileFormats() = default;
  TQvFileFormats(const TQvFileFormats&) = delete;
  TQvFileFormats& operator=(const TQvFileFormats&) = delete;

  virtual int Count() const = 0;
  virtual TQvFileFormatInfo Items(int Index) const = 0;
  // A new description of the file in Info; false (Info untouched) when the registry has none.
  virtual bool GetFileInfo(const QString& FileName, std::unique_ptr<TQvFileInfo>& Info);
  // A preview that fits MaxWidth x MaxHeight. Runs on the open dialog's preview thread: an
  // implementation must not touch user-interface objects. False when there is none.
  virtual bool CreateThumbnail(const QString& FileName, int MaxWidth, int MaxHeight,
                               std::unique_ptr<TQvThumbnail>& Thumbnail);
  // Every format, in registry order.
  virtual void GetSaveFormats(TQvFileFormatInfos& Formats);
  // Every format, then "all supported formats" (the masks joined with ";") and "all files" ("*.*"),
  // both with FormatId 0 and no extension. Main thread (the descriptions are local strings).
  virtual void GetOpenFormats(TQvFileFormatInfos& Formats);

  // Position of the first format with that id, or -1.
  int IndexOf(int FormatId) const;
};

// A registry that also loads and saves documents. Failures are reported by the result, with a
// short reason in ErrorText for the user (it may stay empty when there is nothing to add).
class TQvDocumentFormats : public TQvFileFormats {
 public:
  // Reads the file into Doc and reports the format it was in. Must not write to the file.
  virtual bool LoadDocument(TQvDocument* Doc, const QString& FileName, int& FormatId, QString& ErrorText) = 0;
  // Writes Doc in that format. The file is replaced atomically: after a failure the old file, if
  // any, is as it was.
  virtual bool SaveDocument(TQvDocument* Doc, const QString& FileName, int FormatId, QString& ErrorText) = 0;
};

// ---- documents ----

inline constexpr TGUID IID_IQvDocumentObserver = QvInterfaceGuid::DocumentObserver;

// Told about changes to a document and about its closing (views implement it).
class IQvDocumentObserver {
 public:
  virtual ~IQvDocumentObserver() = default;
  virtual void DocumentChanged(TQvDocument* Doc) = 0;
  virtual void DocumentClosed(TQvDocument* Doc) = 0;
};

// A document's history that gives each state a serial number for as long as the state lives, so
// the document can tell whether the state below the position is still the one it was saved at.
// Serials are never reused, not even after the state was freed and its memory handed out again.
//
// Add, ClearRedo and Clear here keep the serials in step; anything reaching the base list directly
// is noticed on the next query by comparing the states.
class TQvDocumentHistory : public TQvCommandHistoryList {
 public:
  void Add(std::unique_ptr<TQvCommandState> State);
  void Add(TQvCommandState* State) { Add(std::unique_ptr<TQvCommandState>(State)); }
  void ClearRedo();
  void Clear();

  // Serial of the state at Index (0 when out of range).
  std::uint64_t StateSerial(int Index) const;
  // Serial of the state the next Undo reverts; 0 when the position is at the start.
  std::uint64_t SerialBelowPosition() const { return StateSerial(Position() - 1); }

 private:
  struct TEntry {
    const TQvCommandState* State;
    std::uint64_t Serial;
  };
  // Brings FEntries in line with the list: entries whose state changed get new serials.
  void Sync() const;

  mutable std::vector<TEntry> FEntries;
  mutable std::uint64_t FNextSerial = 1;
};

// A document: a file name, a format, an undo history and a view. Modified is derived from the
// history: the document differs from its file exactly when the state below the history position is
// not the one that was there at the last load or save.
class TQvDocument : public QObject {
  Q_OBJECT

 public:
  explicit TQvDocument(TQvEditor* AEditor);
  ~TQvDocument() override;

  // Creates the document's view (a widget without parent; the document deletes it).
  virtual void CreateView(QWidget*& View) = 0;
  // The view, created on first use.
  virtual QWidget* GetView();
  virtual void BeforeClose() {}
  // Called by the format registry before it writes.
  virtual void BeforeSave() {}
  // Called after a successful open.
  virtual void AfterOpen() {}
  virtual void AddObserver(IQvDocumentObserver* Observer);
  virtual void RemoveObserver(IQvDocumentObserver* Observer);
  // Asks the editor's registry to load the file; on success FileName and FormatId follow it and the
  // document counts as unmodified. On failure ErrorText (when given) receives the registry's reason.
  virtual bool LoadFromFile(const QString& AFileName, QString* ErrorText = nullptr);
  // Asks the registry to save; on success FileName and FormatId follow, the document counts as
  // unmodified and the caption is updated. On failure an error box names the file and the reason,
  // and the document keeps its name and its modified state.
  virtual bool SaveToFile(const QString& AFileName, int AFormatId);
  // SaveToFile under the current name and format; false for a document without a name.
  virtual bool Save();
  // BeforeClose; the save question unless Temporary or unmodified; then the document is removed
  // from the editor and deleted. False when the user cancelled (the document stays open).
  virtual bool Close();

  // Tells every observer, the last added first.
  void Changed();
  void NotifyClosing();
  // The file-name part of FileName, or "Untitled".
  QString DisplayName() const;
  // Records State in the history (which owns it).
  void AddCommandState(std::unique_ptr<TQvCommandState> State);
  void AddCommandState(TQvCommandState* State) { AddCommandState(std::unique_ptr<TQvCommandState>(State)); }

  // Whether the document differs from its file: the state below the history position is not the
  // one remembered at the last load or save (or that one was freed), or MarkModified was called
  // since then.
  bool Modified() const;
  // Remembers the current history state as the one the file holds (done by load and save).
  void MarkSaved();
  // For a change that no history state records (it cannot be undone): modified until the next save.
  void MarkModified() { FModifiedOutsideHistory = true; }

  TQvEditor* Editor() const { return FEditor; }
  QWidget* View() const { return FView; }
  int ObserverCount() const { return static_cast<int>(FObservers.size()); }

  bool Temporary = false;  // closes without the save question (documents opened by a demonstration)
  QString FileName;        // full path, empty for a new document
  int FormatId = 0;        // format the document was loaded from or last saved in
  TQvDocumentHistory History;

 private:
  TQvEditor* FEditor;
  std::vector<IQvDocumentObserver*> FObservers;
  QPointer<QWidget> FView;
  std::uint64_t FSavedSerial = 0;  // serial of the state below the position at the last load or save
  bool FModifiedOutsideHistory = false;
};

// ---- editor ----

// Collects script lines while the demonstration recorder runs.
class TQvDemoRecorder {
 public:
  virtual ~TQvDemoRecorder() = default;
  virtual void RecordLine(const QString& Line) = 0;
  // Whether commands also record a "Message" line that explains them.
  virtual bool RecordMessages() const { return false; }
};

// The one way modules and tools write script lines: each call does nothing without a recorder,
// and "Message" lines appear only when the recorder asks for them.
class TQvDemoLines {
 public:
  static void Line(TQvDemoRecorder* Recorder, const QString& Line);
  // "MouseCurvedMove Name".
  static void Move(TQvDemoRecorder* Recorder, const QString& Name);
  // Message "Text", when the recorder records messages.
  static void Message(TQvDemoRecorder* Recorder, const QString& Text);
  // "MouseCurvedMove Name", then "Name Arguments" (Name alone without arguments).
  static void Command(TQvDemoRecorder* Recorder, const QString& Name, const QString& Arguments = QString());
  // A control pressed: "MouseCurvedMove Name", Message "Text", then Name.
  static void Click(TQvDemoRecorder* Recorder, const QString& Name, const QString& Text);
};

// The editor module: owns the open documents (one at a time through its commands), adds the File
// and Edit commands and the standard toolbar, asks the save and overwrite questions, keeps the
// recent files in the settings and answers the demonstration player for undo and redo.
class TQvEditor : public TQvModuleWithControls, public IQvDemoTarget {
  Q_OBJECT

 public:
  // Creates the main window first when it does not exist yet.
  TQvEditor();
  ~TQvEditor() override;

  static constexpr int MaxRecentFiles = 5;

  QAction* OpenMenuItem = nullptr;
  QAction* SaveMenuItem = nullptr;
  QAction* SaveAsMenuItem = nullptr;
  QAction* CloseMenuItem = nullptr;
  QAction* RecentFilesSeparator = nullptr;
  QToolBar* StandardToolbar = nullptr;
  QAction* OpenToolButton = nullptr;
  QAction* SaveToolButton = nullptr;
  QAction* UndoToolButton = nullptr;
  QAction* RedoToolButton = nullptr;
  QAction* EditToolbarSeparator = nullptr;
  QMenu* EditMenuItem = nullptr;  // the Edit menu on the menu bar
  QAction* UndoMenuItem = nullptr;
  QAction* UndoAllMenuItem = nullptr;
  QAction* RedoMenuItem = nullptr;
  QAction* RedoAllMenuItem = nullptr;
  bool PluginMode = false;
  TQvDemoRecorder* Recorder = nullptr;  // not owned

  // If Doc is open, makes it the active (last) document and updates the caption.
  virtual void ActivateDocument(TQvDocument* Doc);
  // Main window caption: "<document> - <title>", or the title alone without a document.
  virtual void UpdateCaption(QObject* Sender = nullptr);
  // Takes Doc out of the open documents and deletes it.
  virtual void RemoveDocument(TQvDocument* Doc);
  // The active document's history, or nullptr.
  virtual TQvDocumentHistory* GetHistory();
  virtual TQvDocumentFormats* FileFormats() = 0;
  virtual TQvDocument* CreateDocument() = 0;
  // View := Doc's view, placed to fill the main window's workspace. False only for a null Doc.
  virtual bool AttachDocumentView(TQvDocument* Doc, QWidget*& View);
  virtual void OpenWithDialog();
  // The save dialog over the registry, the extension and overwrite checks, then SaveToFile.
  // False when cancelled or when the save failed.
  virtual bool SaveAsWithDialog(TQvDocument* Doc);
  // Yes, No or Cancel (QvMB::IDYES, IDNO, IDCANCEL).
  virtual int AskSaveChanges(const QString& Name);
  // Yes or No.
  virtual int AskOverwrite(const QString& Name);
  // Closes the documents from the last to the first; CanClose is false if one stayed open.
  virtual void MainFormCloseQuery(QObject* Sender, bool& CanClose);
  void ExecuteDemoCommand(TQvDemoPlayback* Playback, const QString& Command, bool& Handled,
                          TQvDemoScriptUserAction* Action, TQvCustomProperties* Params) override;
  // Params item 0 names the control ("UNDO", "REDO", any case); Point is its centre on the screen.
  void GetDemoControlPoint(TQvDemoPlayback* Playback, TQvCustomProperties* Params, bool& Handled,
                           QPoint& Point) override;
  void StartDemoRecording(TQvDemoRecorder* ARecorder) override;
  virtual void AddToRecentFiles(TQvDocument* Doc);
  // Switches plug-in mode on once: hides Open, Save and the edit separator on the toolbar and sets
  // the exit code to -1 (no result returned to the plug-in yet).
  virtual void SetPluginMode(bool Value);
  // Closes the active document (stops if the user cancels), loads FileName into a new document and
  // activates it. An error box names a file that cannot be loaded. Doc receives the new document
  // or nullptr.
  virtual bool OpenFile(const QString& FileName, TQvDocument*& Doc, bool AddToRecent);
  virtual bool CanUndo();
  virtual bool CanRedo();
  virtual void DoUndo();
  virtual void DoRedo();
  virtual void OpenCommand(QObject* Sender = nullptr);
  virtual void CloseCommand(QObject* Sender = nullptr);
  virtual void SaveCommand(QObject* Sender = nullptr);
  virtual void SaveAsCommand(QObject* Sender = nullptr);
  virtual void UndoCommand(QObject* Sender = nullptr);
  virtual void UndoAllCommand(QObject* Sender = nullptr);
  virtual void RedoCommand(QObject* Sender = nullptr);
  virtual void RedoAllCommand(QObject* Sender = nullptr);

  TQvDocument* ActiveDocument() const;
  int DocumentCount() const { return static_cast<int>(FDocuments.size()); }
  TQvDocument* Documents(int Index) const;
  // Close of the active document; true when there is none.
  bool CloseActiveDocument();
  void StopDemoRecording() override { Recorder = nullptr; }
  // Puts Name at the top of the recent files (at most MaxRecentFiles) and updates the File menu.
  void AddRecentFile(const QString& Name);
  // Opens the recent file that Item stands for.
  void OpenRecentFile(QAction* Item);
  const QStringList& RecentFiles() const { return FRecentFiles; }
  // The File menu items of the recent files, top first.
  const QList<QAction*>& RecentFileItems() const { return FRecentItems; }
  // The process exit code the program should end with (-1 once in plug-in mode until a result was
  // returned).
  int ExitCode = 0;

  void Localize() override;
  void LoadSettings(TQvSDFReader& Reader) override;
  void SaveSettings(TQvSDFWriter& Writer) override;
  void Start() override;
  void UpdateControls() override;

 protected:
  // The command-line arguments Start looks at (without the program name); tests replace them.
  virtual QStringList CommandLineArguments() const;
  // A file dropped on the main window.
  virtual void DropFile(const QString& FileName);
  // Runs the save dialog; false when cancelled. Tests answer it without a modal loop.
  virtual bool ExecuteSaveDialog(TQvFileFormats* Formats, QString& FileName, int& FilterIndex);
  // Runs the open dialog; false when cancelled.
  virtual bool ExecuteOpenDialog(TQvFileFormats* Formats, QString& FileName);

 private:
  void RecordCommand(const QString& Word);
  void UpdateRecentFileItems();

  std::vector<std::unique_ptr<TQvDocument>> FDocuments;
  QStringList FRecentFiles;  // most recent first
  QList<QAction*> FRecentItems;
};
