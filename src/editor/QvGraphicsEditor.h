#pragma once
// The image editor module: makes image documents and their views, owns the format registry, adds
// the zoom and image-navigation commands and the status fields to the main window, keeps the
// active tool, and wraps undo and redo so that the tools hear about them.

#include "QvEditor.h"
#include "QvGraphicsDocument.h"
#include "QvGraphicsFormats.h"
#include "QvGraphicsView.h"
#include "QvImageAcquisition.h"

#include <QLabel>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QWheelEvent;
class TQvGraphicsTool;

class TQvGraphicsEditor : public TQvEditor {
  Q_OBJECT

 public:
  // Creates the main window (when there is none yet), the scroll tool and the editor's items.
  TQvGraphicsEditor();
  ~TQvGraphicsEditor() override;

  // ---- overrides of the document editor ----
  void Localize() override;
  void LoadSettings(TQvSDFReader& Reader) override;
  void SaveSettings(TQvSDFWriter& Writer) override;
  void UpdateControls() override;
  void ActivateDocument(TQvDocument* Doc) override;
  void UpdateCaption(QObject* Sender = nullptr) override;
  TQvDocumentFormats* FileFormats() override;
  TQvDocument* CreateDocument() override;
  bool AttachDocumentView(TQvDocument* Doc, QWidget*& View) override;
  void ExecuteDemoCommand(TQvDemoPlayback* Playback, const QString& Command, bool& Handled,
                          TQvDemoScriptUserAction* Action, TQvCustomProperties* Params) override;
  void GetDemoControlPoint(TQvDemoPlayback* Playback, TQvCustomProperties* Params, bool& Handled,
                           QPoint& Point) override;
  bool OpenFile(const QString& FileName, TQvDocument*& Doc, bool AddToRecent) override;
  // In plug-in mode the close question names the plug-in's image, and Yes writes the exchange file
  // back without a dialog; the exchange file never enters the recent files.
  int AskSaveChanges(const QString& Name) override;
  bool SaveAsWithDialog(TQvDocument* Doc) override;
  void AddToRecentFiles(TQvDocument* Doc) override;
  // Once: " Plug-in" in the title, no folder navigation and no File menu, OK and Cancel on the
  // standard toolbar; then the editor's own part (exit code -1).
  void SetPluginMode(bool Value) override;
  bool CanUndo() override;
  bool CanRedo() override;
  void DoUndo() override;
  void DoRedo() override;

  // ---- commands (the handlers take the sender) ----
  // A wheel turn over the main window; Handled tells whether the view used it.
  virtual void MainFormMouseWheel(QObject* Sender, TQvShiftState Shift, int WheelDelta, const QPoint& MousePos,
                                  bool& Handled);
  virtual void ActivateDocumentCommand(TQvDocument* Doc);
  virtual void NextImageCommand(QObject* Sender = nullptr);
  virtual void PrevImageCommand(QObject* Sender = nullptr);
  virtual void ZoomInCommand(QObject* Sender = nullptr);
  virtual void ZoomOutCommand(QObject* Sender = nullptr);
  virtual void ActualSizeCommand(QObject* Sender = nullptr);
  virtual void BestFitCommand(QObject* Sender = nullptr);
  // Fills the Import submenu each time it opens; the scanner component supplies the items.
  virtual void FillImportSubmenu();
  // Plug-in mode. OK writes the exchange file and, only when that worked, ends the session with
  // exit code 0; a failed write has been reported and the editor stays open. Cancel ends it with
  // the exit code as it stands (-1), without the save question.
  virtual void OkButtonClick(QObject* Sender = nullptr);
  virtual void CancelButtonClick(QObject* Sender = nullptr);
  // The open document of the exchange file (plug-in mode), or nullptr: OK and Cancel act on it
  // alone, never on an image a demonstration opened.
  TQvDocument* PluginDocument() const;

  // ---- tools ----
  // The active tool deactivates and becomes the previous tool; Tool (may be nullptr) activates.
  void SetActiveTool(TQvGraphicsTool* Tool);
  TQvGraphicsTool* ActiveTool() const { return FActiveTool; }
  TQvGraphicsTool* PreviousTool() const { return FPreviousTool; }
  // The tool that is active when nothing else was chosen (set once by the composition root).
  void SetDefaultTool(TQvGraphicsTool* Tool);
  TQvGraphicsTool* DefaultTool() const { return FDefaultTool; }
  bool CanSelectTool(TQvGraphicsTool* Tool);
  void LockTool() { FLockTool = true; }
  void UnlockTool() { FLockTool = false; }
  bool ToolLocked() const { return FLockTool; }
  // Every tool of the application, in registry (creation) order.
  static std::vector<TQvGraphicsTool*> Tools();

  // ---- documents, views, zoom ----
  TQvGraphicsDocument* ActiveDocument() const;
  TQvGraphicsView* ActiveView() const;
  void SetZoom(TQvGraphicsView* View, int Numerator, int Denominator);
  void BestFit(TQvGraphicsView* View);
  void AutoFit(TQvGraphicsDocument* Doc, TQvGraphicsView* View);
  void FitActive();
  void SetMinViewSize(int Width, int Height);

  // ---- folder navigation ----
  // Lists the image files in FileName's folder (sorted by name, ignoring case) and finds FileName.
  void RefreshFolderList(const QString& FileName);
  const QStringList& FolderFiles() const { return FFolderFiles; }
  int FolderIndex() const { return FFolderIndex; }

  // ---- status fields ----
  // With the last document gone, the fields would keep describing a picture no longer shown.
  void RemoveDocument(TQvDocument* Doc) override;
  void SetWidthText(const QString& Text);
  void SetHeightText(const QString& Text);
  // The pointer position and the colour under it; empty texts clear the fields.
  void SetPositionText(const QString& X, const QString& Y);
  void SetColorText(const QString& R, const QString& G, const QString& B);

  // The main window hands dropped and command-line file names here.
  void OpenFileByName(const QString& FileName);
  // A scanned image arrives as a temporary file: it is opened untitled and deleted. The document
  // counts as modified (its pixels exist nowhere else), so replacing or closing it asks first.
  bool OpenAcquiredFile(const QString& TempFileName);

  // ---- scanner hooks ----
  // The scanner component (not owned; the composition root makes it): the editor asks it for BMP
  // file transfers and takes over its three events.
  void SetScanner(IQvImageAcquisition* AScanner, QObject* Component);
  IQvImageAcquisition* Scanner() const { return FScannerObject ? FScanner : nullptr; }
  bool ScannerBusy() const { return FScannerBusy; }
  void ScannerImageReady(QObject* Sender, void* ImageHandle);
  void ScannerDisableMenus(QObject* Sender);
  void ScannerEnableMenus(QObject* Sender);
  // Closing the window or the document during an acquisition cancels it and waits for it first.
  void MainFormCloseQuery(QObject* Sender, bool& CanClose) override;
  void CloseCommand(QObject* Sender = nullptr) override;

  // Hands a demonstration error to the player (set by the demonstration module).
  std::function<void(TQvDemoPlayback* Playback, const QString& Message)> DemoErrorReporter;

  const QString& ImagesFolder() const { return FImagesFolder; }
  void SetImagesFolder(const QString& Folder) { FImagesFolder = Folder; }
  TQvGraphicsFormats& Formats() { return *FFormats; }

  // ---- fields ----
  bool FLockTool = false;
  std::unique_ptr<TQvGraphicsFormats> FFormats;
  TQvGraphicsTool* FActiveTool = nullptr;
  QString FImagesFolder;
  bool FStoredFlag = false;
  QStringList FFolderFiles;
  int FFolderIndex = -1;
  TQvGraphicsTool* FPreviousTool = nullptr;
  TQvGraphicsTool* FDefaultTool = nullptr;
  IQvImageAcquisition* FScanner = nullptr;
  QPointer<QObject> FScannerObject;
  bool FScannerBusy = false;

  QAction* ZoomInMenuItem = nullptr;
  QAction* ZoomOutMenuItem = nullptr;
  QAction* ActualSizeMenuItem = nullptr;
  QAction* ScaleToBestFitMenuItem = nullptr;
  QAction* ZoomMenuSeparator = nullptr;
  QAction* ZoomToolbarSeparator = nullptr;
  QAction* ZoomInButton = nullptr;
  QAction* ZoomOutButton = nullptr;
  QAction* ActualSizeButton = nullptr;
  QAction* ScaleToBestFitButton = nullptr;
  QMenu* ImportSubmenu = nullptr;
  QAction* CloseMenuSeperator = nullptr;
  QLabel* XStatusPanel = nullptr;
  QLabel* YStatusPanel = nullptr;
  QLabel* WStatusPanel = nullptr;
  QLabel* HStatusPanel = nullptr;
  QLabel* RStatusPanel = nullptr;
  QLabel* GStatusPanel = nullptr;
  QLabel* BStatusPanel = nullptr;
  QAction* PrevImageButton = nullptr;
  QAction* NextImageButton = nullptr;
  QAction* PluginToolbarSeparator = nullptr;
  QAction* OkButton = nullptr;      // plug-in mode only
  QAction* CancelButton = nullptr;  // plug-in mode only

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;
  void DropFile(const QString& FileName) override;

 private:
  void RecordCommandLines(const QString& Name, const QString& Message);
  // Ends a change under way on the active document without committing the tool's part of it.
  void EndPendingModification();
  QAction* AddPluginButton(const QString& Caption, std::function<void()> OnClick);
  void CreateStatusPanels();

  std::vector<QLabel*> FStatusCaptions;  // "X:" ... "B:"
};

extern TQvGraphicsEditor* GraphicsEditor;
