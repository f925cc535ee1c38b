#include "QvDemoEditor.h"

#include "MainForm.h"
#include "QvDemoSectionText.h"
#include "QvDemonstration.h"
#include "QvLocalizer.h"

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {
const QString DialogFilter = QStringLiteral("Demo Script (*.dsc)");

QIcon ThemeIcon(const char* Name, QStyle::StandardPixmap Fallback, const QWidget* Owner) {
  return QIcon::fromTheme(QString::fromLatin1(Name), Owner->style()->standardIcon(Fallback));
}

// A red dot: no standard glyph stands for recording.
QIcon RecordIcon() {
  const QIcon Themed = QIcon::fromTheme(QStringLiteral("media-record"));
  if (!Themed.isNull()) return Themed;
  QPixmap Dot(16, 16);
  Dot.fill(Qt::transparent);
  QPainter P(&Dot);
  P.setRenderHint(QPainter::Antialiasing);
  P.setPen(Qt::NoPen);
  P.setBrush(QColor(200, 30, 30));
  P.drawEllipse(QRectF(3, 3, 10, 10));
  return QIcon(Dot);
}
}  // namespace

TQvDemoEditorForm::TQvDemoEditorForm(IQvDemoEditorEngine& Engine, TQvDemonstrationModule* Demo, QWidget* Parent)
    : TQvForm(Parent), FEngine(Engine), FDemo(Demo), FScript(std::make_unique<TQvDemoScript>()) {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
  setWindowTitle(QStringLiteral("Demo Editor"));
  setObjectName(QStringLiteral("DemoEditorForm"));

  auto* Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 0, 0, 0);
  Layout->setSpacing(0);
  CreateMenu();
  Layout->setMenuBar(Menu);
  CreateToolbar();
  Layout->addWidget(Toolbar);

  SectionsTabControl = new QTabBar(this);
  SectionsTabControl->setObjectName(QStringLiteral("SectionsTabControl"));
  SectionsTabControl->setExpanding(false);
  SectionsTabControl->setDrawBase(true);
  Layout->addWidget(SectionsTabControl);
  ScriptMemo = new QPlainTextEdit(this);
  ScriptMemo->setObjectName(QStringLiteral("ScriptMemo"));
  ScriptMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
  ScriptMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Layout->addWidget(ScriptMemo, 1);
  StatusBar = new QStatusBar(this);
  StatusBar->setSizeGripEnabled(false);
  Layout->addWidget(StatusBar);
  // Qt tells only after the change; the page shown is stored first.
  QObject::connect(SectionsTabControl, &QTabBar::currentChanged, this, [this](int) {
    if (FRefreshing) return;
    SectionsTabControlChanging();
    SectionsTabControlChange();
  });

  resize(480, 360);
  PlaceInMainWindow();
  CmNew();
  if (FDemo) MessageComboBox->setEditText(FDemo->MessageText());
}

TQvDemoEditorForm::~TQvDemoEditorForm() {
  // The engine keeps no handler of a window that is gone, even in the middle of a play or recording.
  if (FRecording) {
    FRecording = false;
    if (FDemo) FDemo->StopDemoRecording();
    FEngine.GiveBackRecordEvents();
    FRecordEventsTaken = false;
    if (FEngine.IsRecording()) FEngine.StopRecording();
  }
  FPlaying = false;
  GiveBackEvents();
}

void TQvDemoEditorForm::CreateMenu() {
  Menu = new QMenuBar(this);
  Menu->setObjectName(QStringLiteral("Menu"));
  FileMenuItem = Menu->addMenu(QStringLiteral("&File"));
  NewMenuItem = FileMenuItem->addAction(QStringLiteral("&New"), this, [this] { CmNew(); });
  OpenMenuItem = FileMenuItem->addAction(QStringLiteral("&Open..."), this, [this] { CmOpen(); });
  SaveAsMenuItem = FileMenuItem->addAction(QStringLiteral("Save &As..."), this, [this] { CmSave(); });
  FileMenuSeparator = FileMenuItem->addSeparator();
  ExitMenuItem = FileMenuItem->addAction(QStringLiteral("E&xit"), this, [this] { CmExit(); });
  EditMenuItem = Menu->addMenu(QStringLiteral("&Edit"));
  AddLanguageMenuItem = EditMenuItem->addAction(QStringLiteral("&Add Language"), this, [this] { CmAddLanguage(); });
  DeleteLanguageMenuItem =
      EditMenuItem->addAction(QStringLiteral("&Delete Language"), this, [this] { CmDeleteLanguage(); });
  PlaybackMenuItem = Menu->addMenu(QStringLiteral("&Playback"));
  PlayMenuItem = PlaybackMenuItem->addAction(QStringLiteral("&Play"), this, [this] { CmPlay(); });
  RecordMenuItem = PlaybackMenuItem->addAction(QStringLiteral("&Record"), this, [this] { CmRecord(); });
  StopMenuItem = PlaybackMenuItem->addAction(QStringLiteral("&Stop"), this, [this] { CmStop(); });
}

void TQvDemoEditorForm::CreateToolbar() {
  Toolbar = new QToolBar(this);
  Toolbar->setObjectName(QStringLiteral("Toolbar"));
  Toolbar->setIconSize(QSize(16, 16));
  auto Button = [this](const QString& Hint, const QIcon& Icon, void (TQvDemoEditorForm::*Command)()) {
    QAction* Item = Toolbar->addAction(Icon, Hint, this, [this, Command] { (this->*Command)(); });
    Item->setToolTip(Hint);
    return Item;
  };
  OpenToolButton = Button(QStringLiteral("Open"), ThemeIcon("document-open", QStyle::SP_DialogOpenButton, this),
                          &TQvDemoEditorForm::CmOpen);
  SaveToolButton = Button(QStringLiteral("Save"), ThemeIcon("document-save", QStyle::SP_DialogSaveButton, this),
                          &TQvDemoEditorForm::CmSave);
  Toolbar->addSeparator();
  PlayToolButton = Button(QStringLiteral("Play"), ThemeIcon("media-playback-start", QStyle::SP_MediaPlay, this),
                          &TQvDemoEditorForm::CmPlay);
  RecordToolButton = Button(QStringLiteral("Record"), RecordIcon(), &TQvDemoEditorForm::CmRecord);
  StopToolButton = Button(QStringLiteral("Stop"), ThemeIcon("media-playback-stop", QStyle::SP_MediaStop, this),
                          &TQvDemoEditorForm::CmStop);
  Toolbar->addSeparator();
  MessageComboBox = new QComboBox(Toolbar);
  MessageComboBox->setObjectName(QStringLiteral("MessageComboBox"));
  MessageComboBox->setEditable(true);
  MessageComboBox->setToolTip(QStringLiteral("Message"));
  MessageComboBox->setMinimumContentsLength(10);
  MessageComboBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  // Accepting a text is ours: new texts go to the top of the list, known ones stay where they are.
  MessageComboBox->setInsertPolicy(QComboBox::NoInsert);
  MessageComboBox->setEditText(QStringLiteral("Click"));
  QObject::connect(MessageComboBox, &QComboBox::editTextChanged, this, [this] { MessageComboBoxChange(); });
  QObject::connect(MessageComboBox->lineEdit(), &QLineEdit::returnPressed, this,
                   [this] { MessageComboBoxAcceptText(); });
  Toolbar->addWidget(MessageComboBox);
  MessageToolButton = Toolbar->addAction(QStringLiteral("Show Messages"));
  MessageToolButton->setToolTip(QStringLiteral("Show Messages"));
  MessageToolButton->setCheckable(true);
  QObject::connect(MessageToolButton, &QAction::triggered, this, [this] { MessageToolButtonClick(); });
}

// At the top right inside the main window, below its toolbars and left of its docked panels.
void TQvDemoEditorForm::PlaceInMainWindow() {
  auto* Main = qobject_cast<QMainWindow*>(Application ? Application->MainForm() : nullptr);
  if (!Main) return;
  int TopBars = Main->menuBar() ? Main->menuBar()->height() : 0;
  int RightPanels = 0;
  for (QToolBar* Bar : Main->findChildren<QToolBar*>(Qt::FindDirectChildrenOnly))
    if (Bar->isVisible() && Main->toolBarArea(Bar) == Qt::TopToolBarArea)
      TopBars = std::max(TopBars, Bar->geometry().bottom() + 1);
  for (QDockWidget* Dock : Main->findChildren<QDockWidget*>(Qt::FindDirectChildrenOnly))
    if (Dock->isVisible() && !Dock->isFloating() && Main->dockWidgetArea(Dock) == Qt::RightDockWidgetArea)
      RightPanels = std::max(RightPanels, Dock->width());
  const QRect Client = Main->geometry();
  move(Client.right() + 1 - frameGeometry().width() - RightPanels - 4, Client.top() + TopBars + 4);
}

// ---- pages ----

int TQvDemoEditorForm::CurrentSection() const {
  const int Index = SectionsTabControl->currentIndex();
  return Index >= 0 && Index < FScript->SectionCount() ? Index : -1;
}

void TQvDemoEditorForm::StoreMemo() {
  const int Section = FShownSection;
  if (Section < 0 || Section >= FScript->SectionCount()) return;
  FScript->SectionLines(Section) = QvDemoSectionLines(*FScript, Section, ScriptMemo->toPlainText(), Localizer());
  const QTextCursor Cursor = ScriptMemo->textCursor();
  FSelections.resize(static_cast<std::size_t>(FScript->SectionCount()));
  FSelections[static_cast<std::size_t>(Section)] = {Cursor.anchor(), Cursor.position()};
}

void TQvDemoEditorForm::LoadMemo() {
  const int Section = CurrentSection();
  FShownSection = Section;
  ScriptMemo->setPlainText(Section < 0 ? QString() : QvDemoSectionText(*FScript, Section, Localizer()));
  if (Section < 0) return;
  FSelections.resize(static_cast<std::size_t>(FScript->SectionCount()));
  const TSelection S = FSelections[static_cast<std::size_t>(Section)];
  const int End = static_cast<int>(ScriptMemo->document()->characterCount()) - 1;
  QTextCursor Cursor = ScriptMemo->textCursor();
  Cursor.setPosition(std::clamp(S.Anchor, 0, End));
  Cursor.setPosition(std::clamp(S.Position, 0, End), QTextCursor::KeepAnchor);
  ScriptMemo->setTextCursor(Cursor);
}

void TQvDemoEditorForm::SectionsTabControlChanging() { StoreMemo(); }

void TQvDemoEditorForm::SectionsTabControlChange() { LoadMemo(); }

void TQvDemoEditorForm::SelectTab(int Index) {
  if (SectionsTabControl->currentIndex() == Index) return;
  // The tab bar's change signal stores the page shown and loads the new one.
  SectionsTabControl->setCurrentIndex(Index);
}

void TQvDemoEditorForm::Refresh() {
  FRefreshing = true;
  while (SectionsTabControl->count() > 0) SectionsTabControl->removeTab(0);
  for (int I = 0; I < FScript->SectionCount(); ++I)
    SectionsTabControl->addTab(QString::fromUtf8(FScript->SectionName(I)));
  FSelections.assign(static_cast<std::size_t>(FScript->SectionCount()), TSelection{});
  int Script = 0;
  FScript->FindSection("Script", Script);
  SectionsTabControl->setCurrentIndex(Script);
  FRefreshing = false;
  LoadMemo();
  ShowFileName();
}

void TQvDemoEditorForm::ShowFileName() { StatusBar->showMessage(FScript->FileName()); }

void TQvDemoEditorForm::ShowError(const QString& Message) {
  if (Application) Application->MessageBox(Message, windowTitle(), QvMB::MB_OK | QvMB::MB_ICONERROR);
}

// ---- file commands ----

void TQvDemoEditorForm::CmNew() {
  FScript->Clear();
  Refresh();
}

bool TQvDemoEditorForm::ExecuteOpenDialog(QString& FileName) {
  const QString Name = QFileDialog::getOpenFileName(this, QStringLiteral("Open"), QFileInfo(FScript->FileName()).path(),
                                                    DialogFilter, nullptr, QFileDialog::DontUseNativeDialog);
  if (Name.isEmpty()) return false;
  FileName = Name;
  return true;
}

bool TQvDemoEditorForm::ExecuteSaveDialog(QString& FileName) {
  QFileDialog Dialog(this, QStringLiteral("Save As"), FScript->FileName(), DialogFilter);
  Dialog.setOption(QFileDialog::DontUseNativeDialog);
  Dialog.setAcceptMode(QFileDialog::AcceptSave);
  Dialog.setDefaultSuffix(QStringLiteral("dsc"));
  if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty()) return false;
  FileName = Dialog.selectedFiles().first();
  return true;
}

void TQvDemoEditorForm::CmOpen() {
  QString FileName;
  if (ExecuteOpenDialog(FileName)) OpenFile(FileName);
}

bool TQvDemoEditorForm::OpenFile(const QString& FileName) {
  try {
    FScript->LoadFromFile(FileName);
  } catch (const EQvDemoScriptError& E) {
    ShowError(QString::fromStdString(E.what()));
    return false;
  }
  Refresh();
  return true;
}

void TQvDemoEditorForm::CmSave() {
  QString FileName;
  if (ExecuteSaveDialog(FileName)) SaveFile(FileName);
}

bool TQvDemoEditorForm::SaveFile(const QString& FileName) {
  StoreMemo();
  try {
    FScript->SaveToFile(FileName);
  } catch (const EQvDemoScriptError& E) {
    ShowError(QString::fromStdString(E.what()));
    return false;
  }
  StatusBar->showMessage(FileName);
  return true;
}

void TQvDemoEditorForm::CmExit() { close(); }

// ---- languages ----

bool TQvDemoEditorForm::ExecuteAddLangDialog(QString& LangId) {
  TAddLangForm Dialog(this);
  if (Dialog.exec() != QDialog::Accepted) return false;
  LangId = Dialog.LangIdEdit->text();
  return true;
}

void TQvDemoEditorForm::CmAddLanguage() {
  QString LangId;
  if (ExecuteAddLangDialog(LangId)) AddLanguage(LangId);
}

void TQvDemoEditorForm::AddLanguage(const QString& LangId) {
  const QByteArray Name = LangId.trimmed().toUtf8();
  if (Name.isEmpty()) return;
  int Index = 0;
  if (FScript->FindSection(Name, Index)) {
    SelectTab(Index);
    return;
  }
  StoreMemo();
  Index = FScript->AddSection(Name);
  Refresh();
  SelectTab(Index);
  ScriptMemo->clear();
}

bool TQvDemoEditorForm::CanDeleteSection(int Index) const {
  if (Index <= 1 || Index >= FScript->SectionCount()) return false;
  // Wherever they stand in the file, these two are the script's own; deleting them would lose the
  // script's lines or title.
  int Info = -1, Script = -1;
  FScript->FindSection("Info", Info);
  FScript->FindSection("Script", Script);
  return Index != Info && Index != Script;
}

void TQvDemoEditorForm::CmDeleteLanguage() {
  const int Index = CurrentSection();
  if (!CanDeleteSection(Index)) return;
  StoreMemo();
  FScript->DeleteSection(Index);
  Refresh();
}

// ---- recorder options ----

void TQvDemoEditorForm::MessageToolButtonClick() { FEngine.SetRecordMessages(MessageToolButton->isChecked()); }

void TQvDemoEditorForm::MessageComboBoxChange() {
  if (FDemo) FDemo->SetMessageText(MessageComboBox->currentText());
}

void TQvDemoEditorForm::MessageComboBoxAcceptText() {
  const QString Text = MessageComboBox->currentText();
  if (MessageComboBox->findText(Text, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
    MessageComboBox->insertItem(0, Text);
  MessageComboBox->setEditText(Text);
}

// ---- play ----

void TQvDemoEditorForm::CmPlay() {
  if (FEngine.IsPlaying() || FEngine.IsRecording()) return;
  GiveBackEvents();
  StoreMemo();
  FSavedPlayEvents = FEngine.TakePlayEvents(
      {[this] { PlaybackEnd(); }, [this](bool& Stop) { PlaybackStopQuery(Stop); },
       [this](const QString& Message, bool& Stop, const QString& LineText) { PlaybackError(Message, Stop, LineText); }});
  FPlayEventsTaken = true;
  FPlaying = true;
  FEngine.SetScript(*FScript);
  // A start that was refused, or cancelled before anything ran, leaves the editor as it was.
  if (!FEngine.Play(0) || !FEngine.IsPlaying()) {
    FPlaying = false;
    GiveBackEvents();
    return;
  }
  hide();
  // The playback pauses while the program is in the background: the main window takes over.
  if (QWidget* Main = Application ? Application->MainForm() : nullptr) Main->activateWindow();
}

void TQvDemoEditorForm::PlaybackEnd() { EndPlay(); }

void TQvDemoEditorForm::PlaybackStopQuery(bool& Stop) {
  if (FSavedPlayEvents.OnStopQuery) FSavedPlayEvents.OnStopQuery(Stop);
  if (Stop) EndPlay();
}

void TQvDemoEditorForm::PlaybackError(const QString& Message, bool& Stop, const QString& LineText) {
  if (FSavedPlayEvents.OnError) FSavedPlayEvents.OnError(Message, Stop, LineText);
  if (Stop) EndPlay();
}

// The end message once, whichever way the play ended. The engine gets its events back and the
// window returns once the engine's event is over: replacing a handler while it runs would free it.
void TQvDemoEditorForm::EndPlay() {
  if (!FPlaying) return;
  FPlaying = false;
  if (FSavedPlayEvents.OnEnd) FSavedPlayEvents.OnEnd();
  QTimer::singleShot(0, this, [this] {
    GiveBackEvents();
    show();
    raise();
  });
}

void TQvDemoEditorForm::GiveBackEvents() {
  if (FPlayEventsTaken && !FPlaying) {
    FPlayEventsTaken = false;
    FEngine.GiveBackPlayEvents();
  }
  if (FRecordEventsTaken && !FRecording) {
    FRecordEventsTaken = false;
    FEngine.GiveBackRecordEvents();
  }
}

// ---- record ----

void TQvDemoEditorForm::CmRecord() {
  if (FEngine.IsPlaying() || FEngine.IsRecording()) return;
  GiveBackEvents();
  StoreMemo();
  FEngine.SetScript(*FScript);
  FEngine.TakeRecordEvents({[this] { RecordStart(); }, {}, [this] { RecordStop(); }});
  FRecordEventsTaken = true;
  FRecording = true;
  if (!FEngine.StartRecording(-1)) {
    FRecording = false;
    GiveBackEvents();
  }
}

void TQvDemoEditorForm::RecordStart() {
  if (FDemo) FDemo->StartDemoRecording(FEngine.Recorder());
  ScriptMemo->setEnabled(false);
}

void TQvDemoEditorForm::RecordStop() {
  if (!FRecording) return;
  FRecording = false;
  if (FDemo) FDemo->StopDemoRecording();
  QTimer::singleShot(0, this, [this] { GiveBackEvents(); });
  *FScript = FEngine.Script();
  ScriptMemo->setEnabled(true);
  LoadMemo();
}

void TQvDemoEditorForm::CmStop() {
  if (FEngine.IsPlaying()) FEngine.Stop();
  else if (FEngine.IsRecording()) FEngine.StopRecording();
}

// ---- idle refresh ----

void TQvDemoEditorForm::UpdateControls() {
  const bool Busy = FEngine.IsPlaying() || FEngine.IsRecording();
  for (QAction* Item : {PlayMenuItem, PlayToolButton}) Item->setEnabled(!Busy && FEngine.CanPlay());
  for (QAction* Item : {RecordMenuItem, RecordToolButton}) Item->setEnabled(!Busy);
  for (QAction* Item : {StopMenuItem, StopToolButton}) Item->setEnabled(Busy);
  DeleteLanguageMenuItem->setEnabled(CanDeleteSection(SectionsTabControl->currentIndex()));
  const bool Messages = FEngine.RecordMessages();
  MessageToolButton->setChecked(Messages);
  MessageComboBox->setEnabled(Messages);
}
