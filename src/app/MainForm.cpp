#include "MainForm.h"

#include "QvLocalizer.h"
#include "QvSDF.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPalette>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include <cstring>
#include <set>

TMainForm* MainForm = nullptr;

namespace {

void PutU32(QByteArray& Bytes, int Offset, std::uint32_t Value) {
  for (int I = 0; I < 4; ++I) Bytes[Offset + I] = static_cast<char>((Value >> (8 * I)) & 0xFF);
}

std::uint32_t GetU32(const QByteArray& Bytes, int Offset) {
  std::uint32_t Value = 0;
  for (int I = 0; I < 4; ++I) Value |= std::uint32_t(static_cast<unsigned char>(Bytes[Offset + I])) << (8 * I);
  return Value;
}

std::int32_t GetI32(const QByteArray& Bytes, int Offset) { return static_cast<std::int32_t>(GetU32(Bytes, Offset)); }

// Window coordinates beyond this are not a placement any screen can show.
constexpr std::int64_t MaxCoordinate = 1 << 20;

}  // namespace

void QvRunHandler(const std::function<void()>& Handler) {
  if (!Handler) return;
  try {
    Handler();
  } catch (const std::exception& E) {
    if (Application) Application->ShowException(E);
  } catch (...) {
    if (Application) Application->ShowException(QStringLiteral("Unknown error"));
  }
}

// ---- placement record ----

QByteArray TQvWindowPlacement::ToBytes() const {
  QByteArray Bytes(RecordSize, '\0');
  PutU32(Bytes, 0, RecordSize);
  PutU32(Bytes, 4, Flags);
  PutU32(Bytes, 8, ShowCmd);
  PutU32(Bytes, 12, static_cast<std::uint32_t>(MinPosition.x()));
  PutU32(Bytes, 16, static_cast<std::uint32_t>(MinPosition.y()));
  PutU32(Bytes, 20, static_cast<std::uint32_t>(MaxPosition.x()));
  PutU32(Bytes, 24, static_cast<std::uint32_t>(MaxPosition.y()));
  // Right and bottom are exclusive edges.
  PutU32(Bytes, 28, static_cast<std::uint32_t>(NormalPosition.left()));
  PutU32(Bytes, 32, static_cast<std::uint32_t>(NormalPosition.top()));
  PutU32(Bytes, 36, static_cast<std::uint32_t>(NormalPosition.left() + NormalPosition.width()));
  PutU32(Bytes, 40, static_cast<std::uint32_t>(NormalPosition.top() + NormalPosition.height()));
  return Bytes;
}

bool TQvWindowPlacement::FromBytes(const QByteArray& Bytes, TQvWindowPlacement& Placement) {
  if (Bytes.size() != static_cast<qsizetype>(RecordSize) || GetU32(Bytes, 0) != RecordSize) return false;
  const std::int64_t Left = GetI32(Bytes, 28), Top = GetI32(Bytes, 32);
  const std::int64_t Right = GetI32(Bytes, 36), Bottom = GetI32(Bytes, 40);
  for (std::int64_t V : {Left, Top, Right, Bottom})
    if (V < -MaxCoordinate || V > MaxCoordinate) return false;
  if (Right <= Left || Bottom <= Top) return false;
  TQvWindowPlacement P;
  P.Flags = GetU32(Bytes, 4);
  P.ShowCmd = GetU32(Bytes, 8);
  P.MinPosition = QPoint(GetI32(Bytes, 12), GetI32(Bytes, 16));
  P.MaxPosition = QPoint(GetI32(Bytes, 20), GetI32(Bytes, 24));
  P.NormalPosition = QRect(int(Left), int(Top), int(Right - Left), int(Bottom - Top));
  Placement = P;
  return true;
}

// ---- construction ----

QSize TMainForm::DefaultSize() {
  // The design size is too small for a photo beside the tool panel; a first start takes three
  // quarters of the screen, never less than the design size. A saved placement replaces it.
  QSize Size(534, 458);
  if (const QScreen* Screen = QGuiApplication::primaryScreen()) Size = Size.expandedTo(Screen->availableGeometry().size() * 3 / 4);
  return Size;
}

TMainForm::TMainForm() {
  setObjectName(QStringLiteral("MainForm"));
  if (Application) setWindowTitle(Application->GetTitle());
  setAttribute(Qt::WA_DeleteOnClose, false);
  setAcceptDrops(true);
  setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks);
  // The desktop's sans-serif at the pixel size the window was designed for.
  QFont Font = font();
  Font.setPixelSize(14);
  setFont(Font);
  resize(DefaultSize());
  // The workspace shows the desktop's application-workspace shade until the editor puts its
  // document area there.
  auto* Workspace = new QWidget(this);
  Workspace->setObjectName(QStringLiteral("Workspace"));
  Workspace->setAutoFillBackground(true);
  Workspace->setBackgroundRole(QPalette::Dark);
  setCentralWidget(Workspace);

  Menu = menuBar();
  Menu->setObjectName(QStringLiteral("Menu"));
  FileMenuItem = Menu->addMenu(QString());
  FileMenuItem->setObjectName(QStringLiteral("FileMenuItem"));
  FileMenuSeparator = FileMenuItem->addSeparator();
  ExitMenuItem = FileMenuItem->addAction(QString());
  ExitMenuItem->setObjectName(QStringLiteral("ExitMenuItem"));
  ExitMenuItem->setMenuRole(QAction::QuitRole);
  connect(ExitMenuItem, &QAction::triggered, this, [this] { close(); });

  ViewMenuItem = Menu->addMenu(QString());
  ViewMenuItem->setObjectName(QStringLiteral("ViewMenuItem"));
  ToolbarsMenuItem = ViewMenuItem->addMenu(QString());
  ToolbarsMenuItem->setObjectName(QStringLiteral("ToolbarsMenuItem"));
  ViewMenuSeparator = ViewMenuItem->addSeparator();
  LanguageMenuItem = ViewMenuItem->addMenu(QString());
  LanguageMenuItem->setObjectName(QStringLiteral("LanguageMenuItem"));

  HelpMenuItem = Menu->addMenu(QString());
  HelpMenuItem->setObjectName(QStringLiteral("HelpMenuItem"));

  StatusBar = statusBar();
  StatusBar->setObjectName(QStringLiteral("StatusBar"));

  // The ten design-time images: 1 open, 2 save, 8 undo and 9 redo are used by the editor's commands.
  static const char* const Glyphs[][2] = {
      {"New", "document-new"},   {"Open", "document-open"}, {"Save", "document-save"},
      {"Print", "document-print"}, {"Cut", "edit-cut"},     {"Copy", "edit-copy"},
      {"Paste", "edit-paste"},   {"Delete", "edit-delete"}, {"Undo", "edit-undo"},
      {"Redo", "edit-redo"}};
  for (const auto& G : Glyphs) DefaultImages.Add(QvGlyph(QLatin1String(G[0]), QLatin1String(G[1])));
}

TMainForm::~TMainForm() {
  if (MainForm == this) MainForm = nullptr;
}

// ---- module services ----

QWidget* TMainForm::MenuParent(QMenu* Parent) const {
  if (Parent) return Parent;
  return Menu;
}

namespace {
void InsertItem(QWidget* Container, QAction* Before, QAction* Item) {
  if (Before && Container->actions().contains(Before))
    Container->insertAction(Before, Item);
  else
    Container->addAction(Item);
}
}  // namespace

QAction* TMainForm::AddMenuItem(const QString& Caption, const QKeySequence& ShortCut, QAction* Before, QMenu* Parent,
                                int ImageIndex, std::function<void()> OnClick) {
  QWidget* Container = MenuParent(Parent);
  auto* Item = new QAction(Caption, Container);
  if (!ShortCut.isEmpty()) Item->setShortcut(ShortCut);
  if (ImageIndex >= 0) Item->setIcon(DefaultImages.Icon(ImageIndex));
  if (OnClick) connect(Item, &QAction::triggered, Item, [OnClick = std::move(OnClick)] { QvRunHandler(OnClick); });
  InsertItem(Container, Before, Item);
  return Item;
}

QMenu* TMainForm::AddSubmenu(const QString& Caption, QMenu* Parent, QAction* Before) {
  QWidget* Container = MenuParent(Parent);
  auto* Submenu = new QMenu(Caption, Container);
  InsertItem(Container, Before, Submenu->menuAction());
  return Submenu;
}

QAction* TMainForm::AddSeparator(QMenu* Parent, QAction* Before) {
  QWidget* Container = MenuParent(Parent);
  auto* Item = new QAction(Container);
  Item->setSeparator(true);
  InsertItem(Container, Before, Item);
  return Item;
}

QToolBar* TMainForm::AddToolbar(const QString& Caption) {
  auto* Toolbar = new QToolBar(Caption, this);
  Toolbar->setObjectName(QStringLiteral("Toolbar%1").arg(findChildren<QToolBar*>().size()));
  Toolbar->setIconSize(DefaultImages.Size());
  // Icons alone, with text beside them where the desktop's style asks for it.
  Toolbar->setToolButtonStyle(Qt::ToolButtonFollowStyle);
  addToolBar(Qt::TopToolBarArea, Toolbar);
  ToolbarsMenuItem->addAction(Toolbar->toggleViewAction());
  return Toolbar;
}

void TMainForm::SetUpToolButton(QAction* Item, QWidget* Toolbar, const TQvImageList* Images, QAction* Before,
                                const QString& Caption, int ImageIndex, std::function<void()> OnClick) {
  const TQvImageList& List = Images ? *Images : DefaultImages;
  Item->setText(Caption);
  Item->setToolTip(Caption);
  if (ImageIndex >= 0) Item->setIcon(List.Icon(ImageIndex));
  if (OnClick) connect(Item, &QAction::triggered, Item, [OnClick = std::move(OnClick)] { QvRunHandler(OnClick); });
  InsertItem(Toolbar, Before, Item);
}

int TMainForm::AddImage(const QString& ResourceName) {
  const QIcon Icon = QvLoadBitmapResource(ResourceName);
  if (Icon.isNull()) return -1;
  return DefaultImages.Add(Icon);
}

QDockWidget* TMainForm::CreateDockablePanel() {
  auto* Panel = new QDockWidget(this);
  Panel->setObjectName(QStringLiteral("Panel%1").arg(findChildren<QDockWidget*>().size()));
  return Panel;
}

// ---- language ----

void TMainForm::SelectLanguage(int LangId) {
  if (LangId < 0 || LangId > 0xFFFF) return;
  SetLanguage(static_cast<std::uint16_t>(LangId));
}

void TMainForm::Initialize() {
  QList<TQvLanguage> Languages;
  GetLanguageNames(Languages);
  // One entry per language id, so exactly one entry can be the checked one.
  std::set<std::uint16_t> Seen;
  auto* Group = new QActionGroup(LanguageMenuItem);
  Group->setExclusive(true);
  for (const TQvLanguage& Language : Languages) {
    if (Language.LangId == 0 || !Seen.insert(Language.LangId).second) continue;
    auto* Item = new QAction(Language.Name, Group);
    Item->setCheckable(true);
    Item->setData(int(Language.LangId));
    Item->setChecked(Language.LangId == GetLanguage());
    const int LangId = Language.LangId;
    connect(Item, &QAction::triggered, this, [this, LangId] { QvRunHandler([this, LangId] { SelectLanguage(LangId); }); });
    LanguageMenuItem->addAction(Item);
  }
  TQvFormOf<QMainWindow>::Initialize();
}

void TMainForm::Localize() {
  Menu->setWindowTitle(GetLocalString(161, QStringLiteral("Menu")));
  FileMenuItem->setTitle(GetLocalString(10, QStringLiteral("&File")));
  ExitMenuItem->setText(GetLocalString(23, QStringLiteral("E&xit")));
  ViewMenuItem->setTitle(GetLocalString(34, QStringLiteral("&View")));
  ToolbarsMenuItem->setTitle(GetLocalString(163, QStringLiteral("&Toolbars")));
  LanguageMenuItem->setTitle(GetLocalString(41, QStringLiteral("&Language")));
  HelpMenuItem->setTitle(GetLocalString(46, QStringLiteral("&Help")));
  for (QAction* Item : LanguageMenuItem->actions()) {
    const int LangId = Item->data().toInt();
    Item->setChecked(LangId == GetLanguage());
    QString Name = Item->text();
    GetLanguageName(static_cast<std::uint16_t>(LangId), Name);
    Item->setText(Name);
  }
  // Deferred so that it runs after every module has renamed its own toolbars.
  if (Application) Application->PostCall(TQvMethod(this, &TMainForm::UpdateToolbarCaptions));
}

void TMainForm::UpdateToolbarCaptions() {
  QList<QMenu*> Pending{ViewMenuItem};
  while (!Pending.isEmpty()) {
    QMenu* Current = Pending.takeFirst();
    for (QAction* Item : Current->actions()) {
      if (QMenu* Submenu = Item->menu()) {
        Pending.append(Submenu);
      } else if (auto* Toolbar = qobject_cast<QToolBar*>(Item->parent()); Toolbar && Item == Toolbar->toggleViewAction()) {
        Item->setText(Toolbar->windowTitle());
      }
    }
  }
}

// ---- placement ----

TQvWindowPlacement TMainForm::GetPlacement() const {
  TQvWindowPlacement P;
  const Qt::WindowStates State = windowState();
  if (State & Qt::WindowMinimized) {
    P.ShowCmd = TQvWindowPlacement::SW_SHOWMINIMIZED;
    if (State & Qt::WindowMaximized) P.Flags = TQvWindowPlacement::WPF_RESTORETOMAXIMIZED;
  } else if (State & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
    P.ShowCmd = TQvWindowPlacement::SW_SHOWMAXIMIZED;
  }
  // The frame's margins around the client area, as the window system reports them now.
  const QRect Client = geometry();
  const QRect Frame = frameGeometry();
  const QRect Normal = normalGeometry().isValid() ? normalGeometry() : Client;
  P.NormalPosition = Normal.adjusted(Frame.left() - Client.left(), Frame.top() - Client.top(),
                                     Frame.right() - Client.right(), Frame.bottom() - Client.bottom());
  return P;
}

void TMainForm::SetPlacement(const TQvWindowPlacement& Placement) {
  QRect Frame = Placement.NormalPosition;
  bool OnScreen = false;
  for (QScreen* Screen : QGuiApplication::screens())
    if (Screen->availableGeometry().intersects(Frame)) OnScreen = true;
  if (!OnScreen) {
    if (QScreen* Primary = QGuiApplication::primaryScreen()) {
      const QRect Area = Primary->availableGeometry();
      Frame.setSize(Frame.size().boundedTo(Area.size()));
      Frame.moveTopLeft(Area.topLeft());
    }
  }
  setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
  move(Frame.topLeft());
  resize(Frame.size());
  FRestoredFrameSize = Frame.size();
  // A window saved while minimised comes back as a normal window.
  if (Placement.ShowCmd == TQvWindowPlacement::SW_SHOWMAXIMIZED) setWindowState(Qt::WindowMaximized);
}

void TMainForm::showEvent(QShowEvent* Event) {
  TQvFormOf<QMainWindow>::showEvent(Event);
  ApplyRestoredFrameSize();
}

void TMainForm::changeEvent(QEvent* Event) {
  TQvFormOf<QMainWindow>::changeEvent(Event);
  // A window restored maximised learns its normal size when it first leaves that state.
  if (Event->type() == QEvent::WindowStateChange && isVisible()) ApplyRestoredFrameSize();
}

void TMainForm::ApplyRestoredFrameSize() {
  if (!FRestoredFrameSize.isValid() || (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
    return;
  const QSize Margins = frameGeometry().size() - geometry().size();
  if (!Margins.isNull()) resize(FRestoredFrameSize - Margins);
  FRestoredFrameSize = QSize();
}

// ---- settings ----

void TMainForm::SaveSettings(TQvSDFWriter& Writer) {
  Writer.BeginNode(1, QvSettingsGuid::MainForm);
  Writer.WriteBuffer(2, GetPlacement().ToBytes());
  Writer.WriteInteger(1, GetLanguage());
  Writer.EndNode();
}

void TMainForm::LoadSettings(TQvSDFReader& Reader) {
  if (!Reader.EnterNode(1, QvSettingsGuid::MainForm)) return;
  QByteArray Bytes(TQvWindowPlacement::RecordSize, '\0');
  TQvWindowPlacement Placement;
  if (Reader.ReadBuffer(2, Bytes.data(), TQvWindowPlacement::RecordSize) &&
      TQvWindowPlacement::FromBytes(Bytes, Placement))
    SetPlacement(Placement);
  std::int32_t LangId = 0;
  if (Reader.ReadInteger(1, LangId)) SelectLanguage(LangId);
  Reader.LeaveNode();
}

// ---- window events ----

void TMainForm::closeEvent(QCloseEvent* Event) {
  bool CanClose = true;
  if (OnCloseQuery) {
    try {
      CanClose = OnCloseQuery();
    } catch (const std::exception& E) {
      CanClose = false;
      if (Application) Application->ShowException(E);
    }
  }
  if (!CanClose) {
    Event->ignore();
    return;
  }
  Event->accept();
  // The main window ends the run even when other top-level windows are still open.
  if (Application && Application->MainForm() == this) QCoreApplication::exit(0);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* Event) {
  if (Event->mimeData()->hasUrls()) Event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* Event) {
  const QList<QUrl> Urls = Event->mimeData()->urls();
  Event->acceptProposedAction();
  if (Urls.isEmpty() || !Urls.first().isLocalFile()) return;
  const QString FileName = Urls.first().toLocalFile();
  if (OnDropFile && QFileInfo(FileName).isFile()) QvRunHandler([this, FileName] { OnDropFile(FileName); });
}
