// The editor as started by its program body: settings kept between runs in a real ocuvane.cfg,
// language switching, and bad settings or language files.
#include "AppFixture.h"

#include "MainForm.h"
#include "Module.h"
#include "QvLocalizer.h"
#include "QvSDF.h"
#include "QvSignals.h"
#include "QvToolPanel.h"

#include <QBuffer>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QGuiApplication>
#include <QScreen>
#include <QDockWidget>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <csignal>

namespace {

class MainFormTest : public AppFixture {
 protected:
  QAction* LanguageItem(const QString& Name) const {
    for (QAction* Item : MainForm->LanguageMenuItem->actions())
      if (Item->text() == Name) return Item;
    return nullptr;
  }
  int CheckedLanguageItems() const {
    int Count = 0;
    for (QAction* Item : MainForm->LanguageMenuItem->actions()) Count += Item->isChecked() ? 1 : 0;
    return Count;
  }
  QByteArray ReadSettingsFile() const {
    QFile File(SettingsFile());
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
  }
  void WriteSettingsFile(const QByteArray& Bytes) const {
    QDir().mkpath(QFileInfo(SettingsFile()).absolutePath());
    QFile File(SettingsFile());
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    File.write(Bytes);
  }
};

TEST_F(MainFormTest, PlacementAndLanguageSurviveARestart) {
  QRect Saved;
  {
    auto App = StartEditor();
    ASSERT_NE(MainForm, nullptr);
    EXPECT_EQ(RunAndClose(*App, [&] {
                MainForm->move(100, 120);
                MainForm->resize(700, 500);
                Saved = MainForm->geometry();
                ASSERT_NE(LanguageItem(QStringLiteral("Deutsch")), nullptr);
                LanguageItem(QStringLiteral("Deutsch"))->trigger();
              }),
              0);
  }
  // The file holds the window's node with the 44-byte placement and the language.
  TQvSDFReader Reader(ReadSettingsFile());
  ASSERT_TRUE(Reader.EnterNode(1, QvSettingsGuid::MainForm));
  QByteArray Placement(44, '\0');
  ASSERT_TRUE(Reader.ReadBuffer(2, Placement.data(), 44));
  std::int32_t LangId = 0;
  ASSERT_TRUE(Reader.ReadInteger(1, LangId));
  EXPECT_EQ(LangId, 1031);
  TQvWindowPlacement Record;
  ASSERT_TRUE(TQvWindowPlacement::FromBytes(Placement, Record));
  EXPECT_EQ(Record.ShowCmd, TQvWindowPlacement::SW_SHOWNORMAL);

  auto App = StartEditor();
  QRect Restored;
  RunAndClose(*App, [&] { Restored = MainForm->geometry(); });
  EXPECT_EQ(Restored, Saved);
  EXPECT_EQ(Restored.size(), QSize(700, 500));
  EXPECT_EQ(GetLanguage(), 1031);
  EXPECT_EQ(MainForm->FileMenuItem->title(), QStringLiteral("&Datei"));
  EXPECT_TRUE(LanguageItem(QStringLiteral("Deutsch"))->isChecked());
  EXPECT_EQ(CheckedLanguageItems(), 1);
}

TEST_F(MainFormTest, MaximisedWindowComesBackMaximisedWithItsNormalSize) {
  {
    auto App = StartEditor();
    RunAndClose(*App, [] {
      MainForm->setGeometry(60, 70, 640, 480);
      MainForm->showMaximized();
    });
  }
  auto App = StartEditor();
  bool Maximised = false;
  QSize Normal;
  RunAndClose(*App, [&] {
    Maximised = MainForm->isMaximized();
    MainForm->showNormal();
    Normal = MainForm->size();
  });
  EXPECT_TRUE(Maximised);
  EXPECT_EQ(Normal, QSize(640, 480));
}

TEST_F(MainFormTest, PlacementRecordIsCheckedAndRepaired) {
  TQvWindowPlacement P;
  P.NormalPosition = QRect(10, 20, 300, 200);
  QByteArray Bytes = P.ToBytes();
  ASSERT_EQ(Bytes.size(), 44);
  TQvWindowPlacement Back;
  ASSERT_TRUE(TQvWindowPlacement::FromBytes(Bytes, Back));
  EXPECT_EQ(Back.NormalPosition, P.NormalPosition);

  struct TCase {
    const char* Name;
    int Offset;
    std::int32_t Value;
  };
  for (const TCase& C : {TCase{"length field", 0, 40}, TCase{"right before left", 36, 5},
                         TCase{"bottom before top", 40, 20}, TCase{"far outside", 28, -2000000000}}) {
    QByteArray Bad = Bytes;
    for (int I = 0; I < 4; ++I) Bad[C.Offset + I] = static_cast<char>((std::uint32_t(C.Value) >> (8 * I)) & 0xFF);
    EXPECT_FALSE(TQvWindowPlacement::FromBytes(Bad, Back)) << C.Name;
  }
  EXPECT_FALSE(TQvWindowPlacement::FromBytes(Bytes.left(43), Back));

  // Minimised comes back normal; a rectangle on no screen moves onto the primary screen.
  auto App = StartEditor();
  TQvWindowPlacement Lost;
  Lost.ShowCmd = TQvWindowPlacement::SW_SHOWMINIMIZED;
  Lost.NormalPosition = QRect(50000, 50000, 400, 300);
  MainForm->SetPlacement(Lost);
  EXPECT_FALSE(MainForm->windowState() & Qt::WindowMinimized);
  EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().intersects(MainForm->geometry()));
  EXPECT_EQ(MainForm->size(), QSize(400, 300));
}

TEST_F(MainFormTest, LanguageSwitchRenamesMenusPanelAndToolbarToggles) {
  // A second file with English's id must not give a second, uncheckable entry.
  ASSERT_TRUE(QFile::copy(LanguageFolder() + "English.ini", LanguageFolder() + "english-copy.ini"));
  auto App = StartEditor();
  QToolBar* Standard = MainForm->AddToolbar(QString());
  AddLocalizeHandler(TQvMethod(Standard, 1, [Standard] { Standard->setWindowTitle(GetLocalString(162)); }));
  App->LoadSettings();
  ProcessEvents();

  QStringList Names;
  for (QAction* Item : MainForm->LanguageMenuItem->actions()) Names << Item->text();
  EXPECT_EQ(Names, (QStringList{"English", "Deutsch", QStringLiteral("Русский")}));
  EXPECT_EQ(CheckedLanguageItems(), 1);
  EXPECT_TRUE(LanguageItem("English")->isChecked());

  struct TCase {
    QString Language, File, View, Toolbars, Panel, StandardToolbar;
  };
  const TCase Cases[] = {
      {QStringLiteral("Русский"), QStringLiteral("&Файл"), QStringLiteral("&Вид"),
       QStringLiteral("&Панели инструментов"), QStringLiteral("Инструменты"), QStringLiteral("Стандартная")},
      {"Deutsch", "&Datei", "&Ansicht", "&Symbolleisten", "Werkzeuge", "Standard"},
      {"English", "&File", "&View", "&Toolbars", "Tools", "Standard"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Language.toStdString());
    LanguageItem(C.Language)->trigger();
    ProcessEvents();
    EXPECT_EQ(MainForm->FileMenuItem->title(), C.File);
    EXPECT_EQ(MainForm->ViewMenuItem->title(), C.View);
    EXPECT_EQ(MainForm->ToolbarsMenuItem->title(), C.Toolbars);
    EXPECT_EQ(ToolPanelModule->Panel->windowTitle(), C.Panel);
    EXPECT_EQ(ToolPanelModule->VisibleMenuItem->text(), C.Panel);
    // The View > Toolbars entry follows the toolbar's new caption once the switch has finished.
    EXPECT_EQ(Standard->toggleViewAction()->text(), C.StandardToolbar);
    EXPECT_EQ(CheckedLanguageItems(), 1);
    EXPECT_TRUE(LanguageItem(C.Language)->isChecked());
  }
  RemoveLocalizeHandler(TQvMethod(Standard, 1, {}));
}

TEST_F(MainFormTest, BadSettingsFilesStartWithDefaults) {
  // A valid file to cut and damage: German, panel hidden, window moved.
  {
    auto App = StartEditor();
    RunAndClose(*App, [this] {
      MainForm->setGeometry(40, 50, 600, 400);
      ToolPanelModule->SetPanelVisible(false);
      LanguageItem("Deutsch")->trigger();
    });
  }
  const QByteArray Valid = ReadSettingsFile();
  ASSERT_GT(Valid.size(), 60);

  QByteArray WrongLength = Valid;  // the placement's length field says 45
  WrongLength[Valid.indexOf(QByteArray::fromHex("2c000000"))] = 45;
  QByteArray HugeSize = QByteArray::fromHex("d5010d10") + Valid.mid(4, 16) + QByteArray::fromHex("5702 0effffff7f");
  struct TCase {
    const char* Name;
    QByteArray Bytes;
    QSize ExpectedSize;
    bool KeepsLanguage;
  };
  const QSize Default = TMainForm::DefaultSize(), Saved(600, 400);
  const TCase Cases[] = {
      {"empty", QByteArray(), Default, false},
      {"garbage", QByteArray("\xff\xfe this is not a settings file \x01\x02\x03", 35), Default, false},
      {"cut inside the placement", Valid.left(67), Default, false},
      {"cut after the placement", Valid.left(68), Saved, false},
      {"record size beyond the file", HugeSize, Default, false},
      {"placement with a wrong length field", WrongLength, Default, true},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    WriteSettingsFile(C.Bytes);
    auto App = StartEditor();
    QSize Size;
    bool PanelVisible = false;
    RunAndClose(*App, [&] {
      Size = MainForm->size();
      PanelVisible = ToolPanelModule->IsPanelVisible();
    });
    EXPECT_EQ(Size, C.ExpectedSize);
    EXPECT_EQ(GetLanguage(), C.KeepsLanguage ? 1031 : 1033);
    if (!C.KeepsLanguage) {
      EXPECT_TRUE(PanelVisible);
    }
    EXPECT_TRUE(Messages.isEmpty());
  }
}

TEST_F(MainFormTest, ImpossibleLanguageIdKeepsTheBaseLanguage) {
  for (std::int32_t LangId : {-1, 0, 70000, 1032}) {
    SCOPED_TRACE(LangId);
    QBuffer Stream;
    Stream.open(QIODevice::WriteOnly);
    {
      TQvSDFWriter Writer(&Stream, false);
      Writer.BeginNode(1, QvSettingsGuid::MainForm);
      Writer.WriteInteger(1, LangId);
      Writer.EndNode();
    }
    WriteSettingsFile(Stream.data());
    auto App = StartEditor();
    RunAndClose(*App);
    EXPECT_EQ(GetLanguage(), 1033);
    EXPECT_EQ(CheckedLanguageItems(), 1);
  }
}

TEST_F(MainFormTest, GarbageLanguageFilesStillGiveCaptions) {
  // English unreadable as a language (no id), German with junk lines among its strings.
  QFile English(LanguageFolder() + "English.ini");
  ASSERT_TRUE(English.open(QIODevice::WriteOnly | QIODevice::Truncate));
  English.write(QByteArray("\x00\x01garbage\r\n[Strings]\r\n10=Broken\r\n", 33));
  English.close();
  QFile German(LanguageFolder() + "German.ini");
  ASSERT_TRUE(German.open(QIODevice::Append));
  German.write("\r\n\xff\xfe\xfd\r\n=\r\n99999999999999999999=too big\r\nno equals sign\r\n[Strings\r\n");
  German.close();

  auto App = StartEditor();
  App->LoadSettings();
  // Without an English file the first language found is the base.
  EXPECT_EQ(GetLanguage(), 1031);
  EXPECT_EQ(MainForm->LanguageMenuItem->actions().size(), 2);
  EXPECT_EQ(MainForm->FileMenuItem->title(), QStringLiteral("&Datei"));
  EXPECT_EQ(MainForm->HelpMenuItem->title(), QStringLiteral("&Hilfe"));
  LanguageItem(QStringLiteral("Русский"))->trigger();
  EXPECT_EQ(MainForm->HelpMenuItem->title(), QStringLiteral("&Справка"));
}

TEST_F(MainFormTest, NoLanguageFolderFallsBackToCompiledInEnglish) {
  QDir(LanguageFolder()).removeRecursively();
  auto App = StartEditor();
  App->LoadSettings();
  EXPECT_EQ(MainForm->FileMenuItem->title(), QStringLiteral("&File"));
  EXPECT_EQ(MainForm->LanguageMenuItem->actions().size(), 1);
}

TEST_F(MainFormTest, TerminationSignalClosesTheWindowAndSavesSettings) {
  QvInstallTerminationHandler();
  auto App = StartEditor();
  QTimer::singleShot(0, App.get(), [] { std::raise(SIGTERM); });
  EXPECT_EQ(App->Run(), 0);
  EXPECT_TRUE(QFile::exists(SettingsFile()));
}

TEST_F(MainFormTest, CloseQueryCanKeepTheWindowOpen) {
  auto App = StartEditor();
  int Asked = 0;
  MainForm->OnCloseQuery = [&] { return ++Asked > 1; };
  QTimer::singleShot(0, App.get(), [] {
    MainForm->close();  // refused
    MainForm->close();
  });
  App->Run();
  EXPECT_EQ(Asked, 2);
}

TEST_F(MainFormTest, DropPassesOnlyTheFirstExistingFile) {
  auto App = StartEditor();
  QStringList Dropped;
  MainForm->OnDropFile = [&](const QString& FileName) { Dropped << FileName; };
  const QString First = BinFolder() + "first.jpg", Second = BinFolder() + "second.jpg";
  for (const QString& Name : {First, Second}) {
    QFile File(Name);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
  }
  const auto Drop = [](const QList<QUrl>& Urls) {
    QMimeData Data;
    Data.setUrls(Urls);
    QDropEvent Event(QPointF(10, 10), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject*>(MainForm)->event(&Event);  // as the window system delivers it, without a drag session
  };
  Drop({QUrl::fromLocalFile(First), QUrl::fromLocalFile(Second)});
  Drop({QUrl::fromLocalFile(BinFolder() + "missing.jpg"), QUrl::fromLocalFile(Second)});
  Drop({QUrl::fromLocalFile(BinFolder())});  // a folder is not a file
  EXPECT_EQ(Dropped, QStringList{First});
}

TEST_F(MainFormTest, ModuleServicesInsertBeforeTheGivenItem) {
  auto App = StartEditor();
  int Clicks = 0;
  QAction* Open = MainForm->AddMenuItem("Open", QKeySequence(), MainForm->FileMenuSeparator, MainForm->FileMenuItem, 1,
                                        [&] { ++Clicks; });
  QAction* Stray = new QAction("elsewhere", App.get());
  QAction* Last = MainForm->AddMenuItem("Last", QKeySequence(), Stray, MainForm->FileMenuItem, -1, {});
  const QList<QAction*> Items = MainForm->FileMenuItem->actions();
  ASSERT_EQ(Items.size(), 4);
  EXPECT_EQ(Items[0], Open);
  EXPECT_EQ(Items[1], MainForm->FileMenuSeparator);
  EXPECT_EQ(Items[2], MainForm->ExitMenuItem);
  EXPECT_EQ(Items[3], Last);  // a Before that is not among the items appends
  EXPECT_FALSE(Open->icon().isNull());
  Open->trigger();
  EXPECT_EQ(Clicks, 1);

  QMenu* Tools = MainForm->AddSubmenu("Tools", nullptr, MainForm->HelpMenuItem->menuAction());
  EXPECT_EQ(MainForm->Menu->actions().indexOf(Tools->menuAction()), 2);
  EXPECT_EQ(MainForm->AddImage("NoSuchBitmap"), -1);

  // A throwing click handler is shown, not passed to the event loop.
  QAction* Failing = MainForm->AddMenuItem("Fail", QKeySequence(), nullptr, Tools, -1,
                                           [] { throw std::runtime_error("command failed"); });
  Failing->trigger();
  EXPECT_EQ(Messages, QStringList{"command failed"});
}

}  // namespace
