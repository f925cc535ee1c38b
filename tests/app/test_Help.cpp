// Help: context ids to pages, the language fallback of pages and their pictures, F1 and the Help
// menu over the shipped pages, and the settings node.
#include "AppFixture.h"

#include "MainForm.h"
#include "Module.h"
#include "QvGuid.h"
#include "QvHelp.h"
#include "QvLocalizer.h"
#include "QvSDF.h"

#include <QBuffer>
#include <QDirIterator>
#include <QMenu>
#include <QTest>

namespace {
void WriteFile(const QString& Path, const QByteArray& Bytes) {
  ASSERT_TRUE(QDir().mkpath(QFileInfo(Path).path()));
  QFile File(Path);
  ASSERT_TRUE(File.open(QIODevice::WriteOnly));
  File.write(Bytes);
}

QString Tail(const QString& Path, int Parts = 2) { return Path.section(QLatin1Char('/'), -Parts); }
}  // namespace

TEST(HelpPages, ContextsMapToTheirPages) {
  const struct {
    int Context;
    const char* Page;
  } Cases[] = {{0, "index.html"}, {20, "getting-started.html"}, {30, "support.html"}, {999, "index.html"}, {-1, "index.html"}};
  for (const auto& C : Cases) EXPECT_EQ(QvHelpPageOfContext(C.Context), QLatin1String(C.Page)) << C.Context;
}

// A help folder with English complete, German with its contents page only and a Swiss German
// page of its own.
class HelpFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FDir.isValid());
    for (const char* Page : {"en/index.html", "en/support.html", "en/style.css", "en/tools/crop.html", "de/index.html",
                             "de_CH/support.html"})
      WriteFile(Root() + QLatin1String(Page), QByteArray("<p>") + Page + "</p>");
  }
  QString Root() const { return FDir.path() + QStringLiteral("/Help/"); }
  QTemporaryDir FDir;
};

TEST_F(HelpFolderTest, PagesComeFromTheBestLanguageThatHasThem) {
  const struct {
    std::uint16_t LangId;
    const char* Page;
    const char* Expected;  // relative to the help folder; empty = not found
  } Cases[] = {
      {1031, "index.html", "de/index.html"},        {1031, "support.html", "en/support.html"},
      {2055, "support.html", "de_CH/support.html"}, {2055, "index.html", "de/index.html"},
      {1049, "index.html", "en/index.html"},        {1033, "tools/crop.html", "en/tools/crop.html"},
      {0, "index.html", "en/index.html"},           {1033, "missing.html", ""},
  };
  for (const auto& C : Cases) {
    const QString Expected = *C.Expected ? Root() + QLatin1String(C.Expected) : QString();
    EXPECT_EQ(QvFindHelpPage(Root(), C.LangId, QLatin1String(C.Page)), Expected) << C.LangId << " " << C.Page;
  }
  EXPECT_EQ(QvFindHelpPage(QString(), 1033, QStringLiteral("index.html")), QString());
}

TEST_F(HelpFolderTest, MissingFilesOfALanguageFolderFallBackToEnglish) {
  const struct {
    const char* File;
    const char* Expected;
  } Cases[] = {
      {"de/style.css", "en/style.css"},              // a translated page's style sheet
      {"de/tools/crop.html", "en/tools/crop.html"},  // a link to a page nobody translated
      {"de/index.html", "de/index.html"},            // translated pages stay
      {"de/nowhere.html", "de/nowhere.html"},        // nothing to fall back to
      {"index.html", "index.html"},                  // not inside a language folder
  };
  for (const auto& C : Cases)
    EXPECT_EQ(QvHelpFallbackFile(Root(), Root() + QLatin1String(C.File)), Root() + QLatin1String(C.Expected)) << C.File;
  const QString Outside = FDir.path() + QStringLiteral("/elsewhere/en.html");
  EXPECT_EQ(QvHelpFallbackFile(Root(), Outside), Outside);
}

TEST_F(HelpFolderTest, TheWindowShowsTheEnglishPageForAnUntranslatedLink) {
  TQvHelpViewer Viewer(Root(), nullptr);
  Viewer.Initialize();
  Viewer.ShowPage(Root() + QStringLiteral("de/tools/crop.html"));
  EXPECT_EQ(Viewer.Browser->toPlainText(), QStringLiteral("en/tools/crop.html"));
}

// The editor with the shipped help pages beside it.
class HelpTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    const QString Shipped = QStringLiteral(OCUVANE_SOURCE_DIR "/data/Help");
    QDirIterator It(Shipped, QDir::Files, QDirIterator::Subdirectories);
    while (It.hasNext()) {
      const QString File = It.next();
      const QString Target = BinFolder() + QStringLiteral("Help/") + QDir(Shipped).relativeFilePath(File);
      ASSERT_TRUE(QDir().mkpath(QFileInfo(Target).path()));
      ASSERT_TRUE(QFile::copy(File, Target));
    }
    App = StartEditor();
    App->LoadSettings();
    ASSERT_NE(HelpModule, nullptr);
  }
  void TearDown() override {
    App->DestroyComponents();
    App.reset();
    AppFixture::TearDown();
  }
  QString Shown() const {
    return HelpModule->Viewer() && HelpModule->Viewer()->isVisible() ? Tail(HelpModule->Viewer()->CurrentPage()) : QString();
  }
  std::unique_ptr<TQvApplication> App;
};

TEST_F(HelpTest, F1InTheMainWindowOpensTheContents) {
  MainForm->show();
  MainForm->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(MainForm));
  QTest::keyClick(MainForm, Qt::Key_F1);
  EXPECT_EQ(Shown(), QStringLiteral("en/index.html"));
  EXPECT_TRUE(Messages.isEmpty());
  // The contents page's links lead to pages that exist.
  EXPECT_TRUE(HelpModule->Viewer()->Browser->toHtml().contains(QStringLiteral("getting-started.html")));
}

TEST_F(HelpTest, TheHelpMenuHoldsItsItemsInOrderAndOpensTheirPages) {
  const QList<QAction*> Items = MainForm->HelpMenuItem->actions();
  ASSERT_GE(Items.size(), 5);
  EXPECT_EQ(Items[0], HelpModule->ContentsMenuItem);
  EXPECT_EQ(Items[0]->shortcut(), QKeySequence(Qt::Key_F1));
  EXPECT_TRUE(Items[1]->isSeparator());
  EXPECT_EQ(Items[2], HelpModule->GettingStartedMenuItem);
  EXPECT_EQ(Items[3], HelpModule->TechnicalSupportMenuItem);
  EXPECT_TRUE(Items[4]->isSeparator());
  EXPECT_EQ(Items[0]->text(), QStringLiteral("&Contents"));

  HelpModule->GettingStartedMenuItem->trigger();
  EXPECT_EQ(Shown(), QStringLiteral("en/getting-started.html"));
  const TQvHelpViewer* Window = HelpModule->Viewer();
  HelpModule->TechnicalSupportMenuItem->trigger();
  EXPECT_EQ(Shown(), QStringLiteral("en/support.html"));
  // One window, reused.
  EXPECT_EQ(HelpModule->Viewer(), Window);
}

TEST_F(HelpTest, PagesFollowTheLanguageAndFallBackToEnglish) {
  MainForm->SelectLanguage(1031);
  EXPECT_EQ(HelpModule->GettingStartedMenuItem->text(), QStringLiteral("&Erste Schritte"));
  HelpModule->ShowHelp(0);
  EXPECT_EQ(Shown(), QStringLiteral("de/index.html"));
  HelpModule->ShowHelp(30);
  EXPECT_EQ(Shown(), QStringLiteral("en/support.html"));
  HelpModule->ShowHelp(20);
  EXPECT_EQ(Shown(), QStringLiteral("de/getting-started.html"));
  // The open page follows a change of language.
  MainForm->SelectLanguage(1049);
  EXPECT_EQ(Shown(), QStringLiteral("ru/getting-started.html"));
  MainForm->SelectLanguage(1033);
  EXPECT_EQ(Shown(), QStringLiteral("en/getting-started.html"));
  EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(HelpTest, EveryShippedPageLinksOnlyToFilesThatExist) {
  // A broken link in a translated page would show an empty window.
  QDirIterator It(BinFolder() + QStringLiteral("Help"), {QStringLiteral("*.html")}, QDir::Files, QDirIterator::Subdirectories);
  int Pages = 0;
  static const QRegularExpression Link(QStringLiteral("(?:href|src)=\"([^\"#:]+)(?:#[^\"]*)?\""));
  while (It.hasNext()) {
    const QString Page = It.next();
    ++Pages;
    QFile File(Page);
    ASSERT_TRUE(File.open(QIODevice::ReadOnly));
    const QString Html = QString::fromUtf8(File.readAll());
    for (auto M = Link.globalMatch(Html); M.hasNext();) {
      const QString Target = QFileInfo(Page).dir().filePath(M.next().captured(1));
      EXPECT_TRUE(QFileInfo::exists(QvHelpFallbackFile(HelpModule->HelpFile, Target))) << Page.toStdString() << " -> "
                                                                                         << Target.toStdString();
    }
  }
  EXPECT_GT(Pages, 0);
}

TEST_F(HelpTest, AMissingHelpFolderIsReported) {
  ASSERT_TRUE(QDir(BinFolder() + QStringLiteral("Help")).removeRecursively());
  HelpModule->ShowHelp(20);
  EXPECT_EQ(HelpModule->Viewer(), nullptr);
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].contains(QStringLiteral("getting-started.html"))) << Messages[0].toStdString();
}

TEST_F(HelpTest, SettingsHoldOneFalseBoolean) {
  QBuffer Buffer;
  Buffer.open(QIODevice::WriteOnly);
  {
    TQvSDFWriter Writer(&Buffer, false);
    HelpModule->SaveSettings(Writer);
  }
  TQvSDFReader Reader(Buffer.data());
  ASSERT_TRUE(Reader.EnterNode(1, QvSettingsGuid::Help));
  bool Value = true;
  EXPECT_TRUE(Reader.ReadBoolean(1, Value));
  EXPECT_FALSE(Value);
}
