// TQvEditor: the File and Edit commands, recent files, captions, settings and demonstration hooks.
#include "QvEditor.h"

#include "MainForm.h"
#include "QvApplication.h"
#include "QvCommandLine.h"
#include "QvDialogs.h"
#include "QvLocalizer.h"
#include "QvProperties.h"
#include "QvSDF.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QLayout>
#include <QMenu>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>

namespace {

// A toolbar button shows its text as caption and hint; the hint has no accelerator mark.
void SetButtonText(QAction* Button, const QString& Text) {
  if (!Button) return;
  Button->setText(Text);
  QString Hint = Text;
  Hint.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(QLatin1Char('&')).replace(QChar(1), QLatin1Char('&'));
  Button->setToolTip(Hint);
}

}  // namespace

TQvEditor::TQvEditor() {
  if (!MainForm && Application) Application->CreateForm(MainForm);
  TMainForm* F = MainForm;
  if (!F) throw std::runtime_error("The editor needs the main window.");
  QMenu* File = F->FileMenuItem;
  OpenMenuItem = F->AddMenuItem(QString(), QKeySequence(Qt::CTRL | Qt::Key_O), F->FileMenuSeparator, File, 1,
                                [this] { OpenCommand(this); });
  SaveMenuItem = F->AddMenuItem(QString(), QKeySequence(), F->FileMenuSeparator, File, 2, [this] { SaveAsCommand(this); });
  SaveMenuItem->setVisible(false);
  SaveAsMenuItem = F->AddMenuItem(QString(), QKeySequence(Qt::CTRL | Qt::Key_S), F->FileMenuSeparator, File, 2,
                                  [this] { SaveAsCommand(this); });
  CloseMenuItem = F->AddMenuItem(QString(), QKeySequence(), F->FileMenuSeparator, File, -1, [this] { CloseCommand(this); });
  RecentFilesSeparator = F->AddSeparator(File, F->ExitMenuItem);

  StandardToolbar = F->AddToolbar(GetLocalString(162, QStringLiteral("Standard")));
  StandardToolbar->setObjectName(QStringLiteral("StandardToolbar"));
  OpenToolButton = F->AddToolButton(StandardToolbar, nullptr, nullptr, QString(), 1, [this] { OpenCommand(this); });
  SaveToolButton = F->AddToolButton(StandardToolbar, nullptr, nullptr, QString(), 2, [this] { SaveAsCommand(this); });

  EditMenuItem = F->AddSubmenu(QString(), nullptr, F->ViewMenuItem ? F->ViewMenuItem->menuAction() : nullptr);
  UndoMenuItem = F->AddMenuItem(QString(), QKeySequence(Qt::CTRL | Qt::Key_Z), nullptr, EditMenuItem, 8,
                                [this] { UndoCommand(this); });
  UndoAllMenuItem = F->AddMenuItem(QString(), QKeySequence(), nullptr, EditMenuItem, -1, [this] { UndoAllCommand(this); });
  RedoMenuItem = F->AddMenuItem(QString(), QKeySequence(Qt::CTRL | Qt::Key_Y), nullptr, EditMenuItem, 9,
                                [this] { RedoCommand(this); });
  RedoAllMenuItem = F->AddMenuItem(QString(), QKeySequence(), nullptr, EditMenuItem, -1, [this] { RedoAllCommand(this); });

  EditToolbarSeparator = StandardToolbar->addSeparator();
  UndoToolButton = F->AddToolButton(StandardToolbar, nullptr, nullptr, QString(), 8, [this] { UndoCommand(this); });
  RedoToolButton = F->AddToolButton(StandardToolbar, nullptr, nullptr, QString(), 9, [this] { RedoCommand(this); });

  F->OnCloseQuery = [this] {
    bool CanClose = true;
    MainFormCloseQuery(MainForm, CanClose);
    return CanClose;
  };
  F->OnDropFile = [this](const QString& FileName) { DropFile(FileName); };
  if (Application) Application->OnTitleChange = [this](QObject* Sender) { UpdateCaption(Sender); };
  UpdateCaption(this);
}

TQvEditor::~TQvEditor() {
  if (Application) Application->OnTitleChange = nullptr;
  if (MainForm) {
    MainForm->OnCloseQuery = nullptr;
    MainForm->OnDropFile = nullptr;
  }
  // Last first, as they would close.
  while (!FDocuments.empty()) FDocuments.pop_back();
}

// ---- documents ----

TQvDocument* TQvEditor::ActiveDocument() const { return FDocuments.empty() ? nullptr : FDocuments.back().get(); }

TQvDocument* TQvEditor::Documents(int Index) const {
  if (Index < 0 || Index >= DocumentCount()) return nullptr;
  return FDocuments[static_cast<std::size_t>(Index)].get();
}

void TQvEditor::ActivateDocument(TQvDocument* Doc) {
  auto I = std::find_if(FDocuments.begin(), FDocuments.end(), [Doc](const auto& D) { return D.get() == Doc; });
  if (I == FDocuments.end()) return;
  std::rotate(I, I + 1, FDocuments.end());
  UpdateCaption(Doc);
}

void TQvEditor::UpdateCaption(QObject*) {
  const QString Title = Application ? Application->GetTitle() : QString();
  const TQvDocument* Doc = ActiveDocument();
  const QString Caption = Doc ? Doc->DisplayName() + QStringLiteral(" - ") + Title : Title;
  if (MainForm) MainForm->setWindowTitle(Caption);
}

void TQvEditor::RemoveDocument(TQvDocument* Doc) {
  auto I = std::find_if(FDocuments.begin(), FDocuments.end(), [Doc](const auto& D) { return D.get() == Doc; });
  if (I == FDocuments.end()) return;
  std::unique_ptr<TQvDocument> Removed = std::move(*I);
  FDocuments.erase(I);
}

TQvDocumentHistory* TQvEditor::GetHistory() {
  TQvDocument* Doc = ActiveDocument();
  return Doc ? &Doc->History : nullptr;
}

bool TQvEditor::AttachDocumentView(TQvDocument* Doc, QWidget*& View) {
  if (!Doc) return false;
  View = Doc->GetView();
  if (View && MainForm) {
    QWidget* Workspace = MainForm->centralWidget();
    if (!Workspace) {
      Workspace = new QWidget(MainForm);
      MainForm->setCentralWidget(Workspace);
    }
    QLayout* Layout = Workspace->layout();
    if (!Layout) {
      Layout = new QVBoxLayout(Workspace);
      Layout->setContentsMargins(0, 0, 0, 0);
      Layout->setSpacing(0);
    }
    Layout->addWidget(View);
    View->show();
  }
  return true;
}

bool TQvEditor::CloseActiveDocument() {
  TQvDocument* Doc = ActiveDocument();
  return Doc ? Doc->Close() : true;
}

bool TQvEditor::OpenFile(const QString& FileName, TQvDocument*& Doc, bool AddToRecent) {
  Doc = nullptr;
  // One document at a time: a cancelled save question cancels the open.
  if (!CloseActiveDocument()) return false;
  std::unique_ptr<TQvDocument> New(CreateDocument());
  QString Error;
  QWidget* View = nullptr;
  if (New && New->LoadFromFile(FileName, &Error) && AttachDocumentView(New.get(), View)) {
    Doc = New.get();
    FDocuments.push_back(std::move(New));
    ActivateDocument(Doc);
    Doc->AfterOpen();
    if (AddToRecent) AddToRecentFiles(Doc);
    return true;
  }
  New.reset();
  QString Message = GetLocalStringFormatted(1030, QStringLiteral("The file %s cannot be opened."), {FileName});
  if (!Error.isEmpty()) Message += QLatin1Char('\n') + Error;
  if (Application) Application->MessageBox(Message, QvMB::MB_OK | QvMB::MB_ICONERROR);
  return false;
}

void TQvEditor::OpenWithDialog() {
  QString FileName;
  if (!ExecuteOpenDialog(FileFormats(), FileName)) return;
  QCoreApplication::processEvents();
  TQvDocument* Doc = nullptr;
  OpenFile(FileName, Doc, true);
}

QString QvDialogStartFolder(const QString& DocumentFile, const QString& LastFolder, const QStringList& RecentFiles) {
  QStringList Candidates;
  if (!DocumentFile.isEmpty()) Candidates << QFileInfo(DocumentFile).absolutePath();
  if (!LastFolder.isEmpty()) Candidates << LastFolder;
  if (!RecentFiles.isEmpty() && !RecentFiles.first().isEmpty()) Candidates << QFileInfo(RecentFiles.first()).absolutePath();
  Candidates << QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  for (const QString& Folder : Candidates)
    if (!Folder.isEmpty() && QFileInfo(Folder).isDir()) return QDir::cleanPath(Folder);
  return QDir::homePath();
}

namespace {

// Where a file dialog last chose a file, this session.
QString LastDialogFolder;

QString DialogStartFolder(const TQvEditor& Editor) {
  const TQvDocument* Doc = Editor.ActiveDocument();
  return QvDialogStartFolder(Doc ? Doc->FileName : QString(), LastDialogFolder, Editor.RecentFiles());
}

void DialogChose(const QString& FileName) {
  if (!FileName.isEmpty()) LastDialogFolder = QFileInfo(FileName).absolutePath();
}

}  // namespace

bool TQvEditor::ExecuteOpenDialog(TQvFileFormats* Formats, QString& FileName) {
  TQvOpenDialog Dialog(MainForm, Formats);
  Dialog.setDirectory(DialogStartFolder(*this));
  if (!Dialog.Execute()) return false;
  FileName = Dialog.FileName();
  DialogChose(FileName);
  return !FileName.isEmpty();
}

bool TQvEditor::ExecuteSaveDialog(TQvFileFormats* Formats, QString& FileName, int& FilterIndex) {
  TQvSaveDialog Dialog(MainForm, Formats);
  Dialog.setDirectory(DialogStartFolder(*this));
  Dialog.SetFileName(FileName);
  Dialog.SetFilterIndex(FilterIndex);
  if (!Dialog.Execute()) return false;
  FileName = Dialog.FileName();
  FilterIndex = Dialog.FilterIndex();
  DialogChose(FileName);
  return !FileName.isEmpty();
}

bool TQvEditor::SaveAsWithDialog(TQvDocument* Doc) {
  if (!Doc) return false;
  TQvDocumentFormats* Formats = FileFormats();
  if (!Formats) return false;
  TQvFileFormatInfos SaveFormats;
  Formats->GetSaveFormats(SaveFormats);
  if (SaveFormats.isEmpty()) return false;
  QString FileName;
  if (!Doc->FileName.isEmpty()) {
    const QFileInfo Info(Doc->FileName);
    FileName = Info.dir().filePath(Info.completeBaseName());
  }
  int FilterIndex = IndexOfFormat(SaveFormats, Doc->FormatId) + 1;
  if (!ExecuteSaveDialog(Formats, FileName, FilterIndex)) return false;
  QCoreApplication::processEvents();
  const TQvFileFormatInfo& Format = SaveFormats[std::clamp(FilterIndex - 1, 0, int(SaveFormats.size()) - 1)];
  if (!HasFormatExtension(FileName, Format)) FileName += Format.Extension;
  if (QFileInfo::exists(FileName) && AskOverwrite(FileName) != QvMB::IDYES) return false;
  return Doc->SaveToFile(FileName, Format.FormatId);
}

int TQvEditor::AskSaveChanges(const QString& Name) {
  if (!Application) return QvMB::IDCANCEL;
  return Application->MessageBox(
      GetLocalStringFormatted(94, QStringLiteral("Do you want to save the changes to %s?"), {Name}),
      QvMB::MB_YESNOCANCEL | QvMB::MB_ICONWARNING);
}

int TQvEditor::AskOverwrite(const QString& Name) {
  if (!Application) return QvMB::IDNO;
  return Application->MessageBox(
      GetLocalStringFormatted(164, QStringLiteral("%s already exists. Do you want to replace it?"), {Name}),
      QvMB::MB_YESNO | QvMB::MB_ICONWARNING);
}

void TQvEditor::MainFormCloseQuery(QObject*, bool& CanClose) {
  CanClose = true;
  for (int I = DocumentCount() - 1; I >= 0; --I) {
    TQvDocument* Doc = Documents(I);
    if (!Doc) continue;
    CanClose = Doc->Close();
    if (!CanClose) return;
  }
}

void TQvEditor::DropFile(const QString& FileName) {
  TQvDocument* Doc = nullptr;
  OpenFile(FileName, Doc, true);
}

QStringList TQvEditor::CommandLineArguments() const { return QCoreApplication::arguments().mid(1); }

void TQvEditor::Start() {
  // The demonstration options are the demonstration module's; the file is the first other argument.
  const QString FileName = TQvCommandLine::Parse(CommandLineArguments()).FileName;
  if (FileName.isEmpty() || !QFileInfo(FileName).isFile()) return;
  TQvDocument* Doc = nullptr;
  // A relative name would go into the recent files and later resolve against another folder.
  OpenFile(QFileInfo(FileName).absoluteFilePath(), Doc, true);
}

// ---- plug-in mode ----

void TQvEditor::SetPluginMode(bool Value) {
  if (PluginMode) return;
  OpenToolButton->setVisible(false);
  SaveToolButton->setVisible(false);
  EditToolbarSeparator->setVisible(false);
  PluginMode = Value;
  // Tells the plug-in that no result came back, until the exchange file has been written.
  ExitCode = -1;
}

// ---- commands ----

bool TQvEditor::CanUndo() {
  TQvDocumentHistory* History = GetHistory();
  return History && History->CanUndo();
}

bool TQvEditor::CanRedo() {
  TQvDocumentHistory* History = GetHistory();
  return History && History->CanRedo();
}

void TQvEditor::DoUndo() {
  if (TQvDocumentHistory* History = GetHistory()) History->Undo();
}

void TQvEditor::DoRedo() {
  if (TQvDocumentHistory* History = GetHistory()) History->Redo();
}

void TQvEditor::OpenCommand(QObject*) {
  if (!PluginMode) OpenWithDialog();
}

void TQvEditor::CloseCommand(QObject*) {
  if (TQvDocument* Doc = ActiveDocument()) Doc->Close();
}

void TQvEditor::SaveCommand(QObject* Sender) {
  if (!PluginMode) SaveAsCommand(Sender);
}

void TQvEditor::SaveAsCommand(QObject*) {
  if (PluginMode) return;
  if (TQvDocument* Doc = ActiveDocument()) SaveAsWithDialog(Doc);
}

// The document's modified state follows the history position by itself, so the undo commands
// leave it alone.
void TQvEditor::UndoCommand(QObject*) {
  if (!CanUndo()) return;
  DoUndo();
  RecordCommand(QStringLiteral("Undo"));
}

void TQvEditor::UndoAllCommand(QObject*) {
  // Bounded, in case an override of DoUndo fails to move the position.
  for (int Guard = GetHistory() ? GetHistory()->Count() : 0; Guard >= 0 && CanUndo(); --Guard) DoUndo();
}

void TQvEditor::RedoCommand(QObject*) {
  if (!CanRedo()) return;
  DoRedo();
  RecordCommand(QStringLiteral("Redo"));
}

void TQvEditor::RedoAllCommand(QObject*) {
  for (int Guard = GetHistory() ? GetHistory()->Count() : 0; Guard >= 0 && CanRedo(); --Guard) DoRedo();
}

void TQvEditor::RecordCommand(const QString& Word) {
  TQvDemoLines::Click(Recorder, Word, Word);
}

// ---- demonstrations ----

void TQvEditor::ExecuteDemoCommand(TQvDemoPlayback*, const QString& Command, bool& Handled,
                                   TQvDemoScriptUserAction*, TQvCustomProperties*) {
  Handled = true;
  if (Command == QLatin1String("UNDO"))
    UndoCommand(this);
  else if (Command == QLatin1String("REDO"))
    RedoCommand(this);
  else
    Handled = false;
}

void TQvEditor::GetDemoControlPoint(TQvDemoPlayback*, TQvCustomProperties* Params, bool& Handled, QPoint& Point) {
  Handled = false;
  if (!Params || Params->Count() == 0) return;
  const QString Name = Params->GetValue(0).toString().toUpper();
  QAction* Button = nullptr;
  if (Name == QLatin1String("UNDO"))
    Button = UndoToolButton;
  else if (Name == QLatin1String("REDO"))
    Button = RedoToolButton;
  if (!Button) return;
  Handled = true;
  if (QWidget* Widget = StandardToolbar ? StandardToolbar->widgetForAction(Button) : nullptr)
    Point = Widget->mapToGlobal(Widget->rect().center());
}

void TQvEditor::StartDemoRecording(TQvDemoRecorder* ARecorder) { Recorder = ARecorder; }

// ---- recent files ----

void TQvEditor::AddToRecentFiles(TQvDocument* Doc) {
  if (Doc && !Doc->FileName.isEmpty()) AddRecentFile(Doc->FileName);
}

void TQvEditor::AddRecentFile(const QString& Name) {
  if (Name.isEmpty()) return;
  const int Index = FRecentFiles.indexOf(Name);
  if (Index < 0) {
    FRecentFiles.prepend(Name);
    while (FRecentFiles.size() > MaxRecentFiles) FRecentFiles.removeLast();
  } else {
    FRecentFiles.move(Index, 0);
  }
  UpdateRecentFileItems();
}

void TQvEditor::UpdateRecentFileItems() {
  if (!MainForm) return;
  QMenu* File = MainForm->FileMenuItem;
  // The list never shrinks, so items are only ever added, each directly after the File separator.
  while (FRecentItems.size() < FRecentFiles.size()) {
    const QList<QAction*> Items = File->actions();
    const int Separator = Items.indexOf(MainForm->FileMenuSeparator);
    QAction* Before = Separator >= 0 && Separator + 1 < Items.size() ? Items[Separator + 1] : RecentFilesSeparator;
    QAction* Item = MainForm->AddMenuItem(QString(), QKeySequence(), Before, File, -1, nullptr);
    connect(Item, &QAction::triggered, this, [this, Item] { QvRunHandler([this, Item] { OpenRecentFile(Item); }); });
    FRecentItems.prepend(Item);
  }
  for (int I = 0; I < FRecentFiles.size(); ++I) {
    // The path is kept apart from the caption, whose "&" must be doubled to show as itself.
    QString Shown = FRecentFiles[I];
    Shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    FRecentItems[I]->setText(QLatin1Char('&') + QString::number(I + 1) + QLatin1Char(' ') + Shown);
    FRecentItems[I]->setData(FRecentFiles[I]);
  }
}

void TQvEditor::OpenRecentFile(QAction* Item) {
  if (!Item) return;
  const QString FileName = Item->data().toString();
  if (FileName.isEmpty()) return;
  TQvDocument* Doc = nullptr;
  OpenFile(FileName, Doc, true);
}

// ---- module ----

void TQvEditor::Localize() {
  OpenMenuItem->setText(GetLocalString(12, QStringLiteral("Open")) + QStringLiteral("..."));
  SaveMenuItem->setText(GetLocalString(15, QStringLiteral("&Save")));
  SaveAsMenuItem->setText(GetLocalString(16, QStringLiteral("Save &As")) + QStringLiteral("..."));
  CloseMenuItem->setText(GetLocalString(13, QStringLiteral("&Close")));
  StandardToolbar->setWindowTitle(GetLocalString(162, QStringLiteral("Standard")));
  SetButtonText(OpenToolButton, GetLocalString(12, QStringLiteral("Open")));
  SetButtonText(SaveToolButton, GetLocalString(16, QStringLiteral("Save &As")));
  EditMenuItem->setTitle(GetLocalString(24, QStringLiteral("&Edit")));
  UndoMenuItem->setText(GetLocalString(25, QStringLiteral("&Undo")));
  UndoAllMenuItem->setText(GetLocalString(168, QStringLiteral("Undo A&ll")));
  RedoMenuItem->setText(GetLocalString(26, QStringLiteral("&Redo")));
  RedoAllMenuItem->setText(GetLocalString(169, QStringLiteral("Redo A&ll")));
  SetButtonText(UndoToolButton, GetLocalString(25, QStringLiteral("&Undo")));
  SetButtonText(RedoToolButton, GetLocalString(26, QStringLiteral("&Redo")));
  UpdateCaption(this);
}

void TQvEditor::UpdateControls() {
  const TQvDocument* Doc = ActiveDocument();
  SaveMenuItem->setEnabled(Doc && Doc->Modified());
  SaveAsMenuItem->setEnabled(Doc != nullptr);
  CloseMenuItem->setEnabled(Doc != nullptr);
  SaveToolButton->setEnabled(Doc != nullptr);
  const bool Undo = CanUndo(), Redo = CanRedo();
  UndoMenuItem->setEnabled(Undo);
  UndoAllMenuItem->setEnabled(Undo);
  RedoMenuItem->setEnabled(Redo);
  RedoAllMenuItem->setEnabled(Redo);
  UndoToolButton->setEnabled(UndoMenuItem->isEnabled());
  RedoToolButton->setEnabled(RedoMenuItem->isEnabled());
}

void TQvEditor::SaveSettings(TQvSDFWriter& Writer) {
  Writer.BeginNode(1, QvSettingsGuid::Editor);
  Writer.BeginNode(1, static_cast<std::int32_t>(FRecentFiles.size()));
  for (int I = 0; I < FRecentFiles.size(); ++I) Writer.WriteWideString(static_cast<std::uint32_t>(I + 1), FRecentFiles[I]);
  Writer.EndNode();
  Writer.EndNode();
}

void TQvEditor::LoadSettings(TQvSDFReader& Reader) {
  if (!Reader.EnterNode(1, QvSettingsGuid::Editor)) return;
  if (Reader.EnterNode(1)) {
    std::int32_t Count = 0;
    Reader.ReadInteger(0, Count);
    // A larger count than the list can hold keeps the most recent entries.
    Count = std::clamp<std::int32_t>(Count, 0, MaxRecentFiles);
    for (std::int32_t I = Count; I >= 1; --I) {
      QString Name;
      if (Reader.ReadWideString(static_cast<std::uint32_t>(I), Name) && !Name.isEmpty()) AddRecentFile(Name);
    }
    Reader.LeaveNode();
  }
  Reader.LeaveNode();
}
