// Plug-in mode of the graphics editor, offscreen: entering it by opening an exchange file through
// any path, the OK and Cancel buttons, the close question, the exit codes, and what happens when
// the result cannot be written.

#include "MainForm.h"
#include "PhotoshopDataInfo.h"
#include "QvOriginalImageTool.h"
#include "QvScrollTool.h"
#include "QvTestSupport.h"
#include "test_GraphicsToolFixture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include <cstring>
#include <string>

namespace {

struct TAsked {
  QString Text;
  int Flags;
};

class PluginModeWorld : public ToolWorld {
 protected:
  void SetUp() override {
    ToolWorld::SetUp();
    App->SetTitle(QStringLiteral("Ocuvane"));
    App->SetMessageBoxHandler([this](const QString& Text, const QString&, int Flags) {
      Asked.push_back({Text, Flags});
      return Answer;
    });
    if (MainForm) {
      MainForm->resize(500, 400);
      MainForm->show();
    }
  }

  // A 4-plane request of Width × Height as the plug-in writes it, rows padded by 2 bytes.
  QString WriteRequest(const QString& Name, int Width = 6, int Height = 4) {
    const QString Path = Dir.filePath(Name);
    EXPECT_TRUE(QvTest::WriteExchangeRequest(Path, Width, Height));
    return Path;
  }

  QByteArray ReadAll(const QString& Path) {
    QFile File(Path);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
  }

  void OpenRequest(const QString& Path) {
    TQvDocument* Opened = nullptr;
    ASSERT_TRUE(GraphicsEditor->OpenFile(Path, Opened, true)) << (Asked.empty() ? "" : Asked.back().Text.toStdString());
    Doc = qobject_cast<TQvGraphicsDocument*>(Opened);
    View = GraphicsEditor->ActiveView();
    ASSERT_TRUE(Doc && View);
    ASSERT_TRUE(GraphicsEditor->PluginMode);
  }

  // A pen stroke on the image: the document is modified.
  void Retouch() {
    Pen->Stroke(View, TRect{1, 1, 3, 3}, 0xEE);
    Pen->EndChange();
    ASSERT_TRUE(Doc->Modified());
  }

  // The result the editor wrote: 3 planes, padded rows, the retouched pixel red at (1, 1).
  void ExpectResult(const QString& Path, std::uint8_t RedAt11) {
    const QByteArray Bytes = ReadAll(Path);
    ASSERT_EQ(Bytes.size(), 36 + 20 * 4) << "6 pixels of 3 bytes, padded to 20, 4 rows";
    const TPhotoshopDataInfo Header = DecodeDataInfo(reinterpret_cast<const std::uint8_t*>(Bytes.constData()) + 4);
    EXPECT_EQ(Header.Planes, 3);
    EXPECT_EQ(Header.RowBytes, 20);
    EXPECT_EQ(std::uint8_t(Bytes[36 + 20 + 3]), RedAt11);
  }

  bool MainFormOpen() const { return MainForm && MainForm->isVisible(); }

  std::vector<TAsked> Asked;
  int Answer = QvMB::IDNO;
};

TEST_F(PluginModeWorld, OpeningARequestEntersPluginMode) {
  const QString Photo = Dir.filePath(QStringLiteral("photo.png"));
  QImage(8, 8, QImage::Format_RGB888).save(Photo);
  TQvDocument* Opened = nullptr;
  ASSERT_TRUE(GraphicsEditor->OpenFile(Photo, Opened, true));
  EXPECT_FALSE(GraphicsEditor->PluginMode);
  EXPECT_EQ(GraphicsEditor->ExitCode, 0);
  EXPECT_EQ(GraphicsEditor->OkButton, nullptr);

  const QString Request = WriteRequest(QStringLiteral("PSPFabc123"));
  OpenRequest(Request);
  EXPECT_EQ(Doc->FormatId, -1);
  EXPECT_EQ(GraphicsEditor->ExitCode, -1);
  EXPECT_EQ(App->GetTitle(), QStringLiteral("Ocuvane Plug-in"));
  EXPECT_EQ(MainForm->windowTitle(), QStringLiteral("Ocuvane Plug-in")) << "the title, not the file's name";
  EXPECT_EQ(GraphicsEditor->RecentFiles(), QStringList{Photo}) << "the exchange file is no recent file";
  ASSERT_TRUE(GraphicsEditor->OkButton && GraphicsEditor->CancelButton);
  EXPECT_EQ(GraphicsEditor->OkButton->text(), QStringLiteral("OK"));
  EXPECT_EQ(GraphicsEditor->CancelButton->text(), QStringLiteral("Cancel"));
  for (QAction* Button : {GraphicsEditor->OkButton, GraphicsEditor->CancelButton}) {
    auto* Widget = qobject_cast<QToolButton*>(GraphicsEditor->StandardToolbar->widgetForAction(Button));
    ASSERT_TRUE(Widget);
    EXPECT_TRUE(Button->isVisible());
    EXPECT_EQ(Widget->toolButtonStyle(), Qt::ToolButtonTextOnly);
    EXPECT_EQ(Widget->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
  }
  for (QAction* Hidden : {GraphicsEditor->PrevImageButton, GraphicsEditor->NextImageButton,
                          GraphicsEditor->OpenToolButton, GraphicsEditor->SaveToolButton,
                          MainForm->FileMenuItem->menuAction()})
    EXPECT_FALSE(Hidden->isVisible());
  // The hand and the comparison tools are unavailable; the space bar no longer picks the hand.
  ASSERT_TRUE(ScrollTool && OriginalImageTool);
  EXPECT_FALSE(ScrollTool->FAvailable);
  EXPECT_FALSE(OriginalImageTool->FAvailable);
  OriginalImageTool->UpdateControls();
  EXPECT_FALSE(OriginalImageTool->OriginalImageToolButton->isVisible());
  GraphicsEditor->SetActiveTool(Pen);
  ASSERT_TRUE(ScrollTool->Controls(0));
  EXPECT_FALSE(ScrollTool->Controls(0)->KeyDown(QvKey::Space, 0));
  EXPECT_EQ(GraphicsEditor->ActiveTool(), Pen);
  OriginalImageTool->ShowOriginal();
  EXPECT_EQ(GraphicsEditor->ActiveTool(), Pen);

  // Open, Save and a dropped file leave the session's image alone.
  GraphicsEditor->OpenCommand();
  GraphicsEditor->SaveAsCommand();
  MainForm->OnDropFile(Photo);
  EXPECT_EQ(GraphicsEditor->ActiveDocument(), Doc);
  // Entering again changes nothing.
  const int Items = int(GraphicsEditor->StandardToolbar->actions().size());
  GraphicsEditor->SetPluginMode(true);
  EXPECT_EQ(GraphicsEditor->StandardToolbar->actions().size(), Items);
  EXPECT_EQ(App->GetTitle(), QStringLiteral("Ocuvane Plug-in"));
}

TEST_F(PluginModeWorld, EveryWayOfOpeningARequestEntersPluginMode) {
  // The next image of the folder, and a name handed over as on the command line.
  const QString First = Dir.filePath(QStringLiteral("a.png"));
  QImage(8, 8, QImage::Format_RGB888).save(First);
  WriteRequest(QStringLiteral("b.png"));
  TQvDocument* Opened = nullptr;
  ASSERT_TRUE(GraphicsEditor->OpenFile(First, Opened, true));
  GraphicsEditor->NextImageCommand();
  EXPECT_TRUE(GraphicsEditor->PluginMode);
  ASSERT_TRUE(GraphicsEditor->ActiveDocument());
  EXPECT_EQ(GraphicsEditor->ActiveDocument()->FormatId, -1);
}

TEST_F(PluginModeWorld, ANameFromTheCommandLineEntersPluginMode) {
  GraphicsEditor->OpenFileByName(WriteRequest(QStringLiteral("request")));
  EXPECT_TRUE(GraphicsEditor->PluginMode);
  EXPECT_EQ(GraphicsEditor->ExitCode, -1);
}

TEST_F(PluginModeWorld, ARequestThatDoesNotFitIsRefusedOutsidePluginMode) {
  const QString Path = WriteRequest(QStringLiteral("request"));
  QFile::resize(Path, QFileInfo(Path).size() - 1);
  TQvDocument* Opened = nullptr;
  EXPECT_FALSE(GraphicsEditor->OpenFile(Path, Opened, true));
  ASSERT_EQ(Asked.size(), 1u);
  EXPECT_TRUE(Asked[0].Text.contains(QStringLiteral("exchange file"))) << Asked[0].Text.toStdString();
  EXPECT_TRUE(Asked[0].Text.contains(QStringLiteral("bytes"))) << Asked[0].Text.toStdString();
  EXPECT_FALSE(GraphicsEditor->PluginMode);
  EXPECT_EQ(GraphicsEditor->ExitCode, 0);
  const QString Missing = Dir.filePath(QStringLiteral("missing.jpg"));
  EXPECT_FALSE(GraphicsEditor->OpenFile(Missing, Opened, true));
  EXPECT_FALSE(QFileInfo::exists(Missing));
}

TEST_F(PluginModeWorld, OkWritesTheResultAndEndsWithZero) {
  const QString Path = WriteRequest(QStringLiteral("request"));
  OpenRequest(Path);
  Retouch();
  GraphicsEditor->OkButton->trigger();
  EXPECT_TRUE(Asked.empty()) << "nothing is asked";
  EXPECT_EQ(GraphicsEditor->ExitCode, 0);
  EXPECT_FALSE(MainFormOpen());
  ExpectResult(Path, 0xEE);
}

TEST_F(PluginModeWorld, OkWritesAnUnmodifiedImageToo) {
  const QString Path = WriteRequest(QStringLiteral("request"));
  const QByteArray Request = ReadAll(Path);
  OpenRequest(Path);
  GraphicsEditor->OkButtonClick();
  EXPECT_EQ(GraphicsEditor->ExitCode, 0);
  EXPECT_FALSE(MainFormOpen());
  // The request's first pixel of row 1 starts at 36 + 26; its red byte comes back unchanged.
  ExpectResult(Path, std::uint8_t(Request[36 + 26 + 4]));
}

TEST_F(PluginModeWorld, OkWithAChangeUnderWayWritesWhatIsOnScreen) {
  const QString Path = WriteRequest(QStringLiteral("request"));
  OpenRequest(Path);
  Pen->Stroke(View, TRect{1, 1, 3, 3}, 0x44);  // not ended: the pen is still drawing
  GraphicsEditor->OkButtonClick();
  EXPECT_EQ(GraphicsEditor->ExitCode, 0);
  ExpectResult(Path, 0x44);
}

TEST_F(PluginModeWorld, CancelEndsWithMinusOneAndLeavesTheRequest) {
  const QString Path = WriteRequest(QStringLiteral("request"));
  const QByteArray Request = ReadAll(Path);
  OpenRequest(Path);
  Retouch();
  GraphicsEditor->CancelButton->trigger();
  EXPECT_TRUE(Asked.empty()) << "Cancel does not ask to save";
  EXPECT_EQ(GraphicsEditor->ExitCode, -1);
  EXPECT_FALSE(MainFormOpen());
  EXPECT_EQ(ReadAll(Path), Request);
}

TEST_F(PluginModeWorld, TheCloseQuestion) {
  struct Case {
    const char* Name;
    int Answer;
    bool Closed;
    int ExitCode;
    bool Written;
  };
  const Case Cases[] = {{"No", QvMB::IDNO, true, -1, false},
                        {"Yes", QvMB::IDYES, true, 0, true},
                        {"Cancel", QvMB::IDCANCEL, false, -1, false}};
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    const QString Path = WriteRequest(QStringLiteral("request"));
    const QByteArray Request = ReadAll(Path);
    OpenRequest(Path);
    Retouch();
    Asked.clear();
    Answer = C.Answer;
    MainForm->close();
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0].Text, QStringLiteral("Do you want to save the changes to the image?"));
    EXPECT_EQ(Asked[0].Flags, 51);
    EXPECT_EQ(MainFormOpen(), !C.Closed);
    EXPECT_EQ(GraphicsEditor->ExitCode, C.ExitCode);
    if (C.Written)
      ExpectResult(Path, 0xEE);
    else
      EXPECT_EQ(ReadAll(Path), Request);
    // Next round: a fresh session in a fresh editor.
    TearDown();
    SetUp();
  }
}

TEST_F(PluginModeWorld, ClosingAnUnmodifiedImageAsksNothingAndKeepsMinusOne) {
  OpenRequest(WriteRequest(QStringLiteral("request")));
  MainForm->close();
  EXPECT_TRUE(Asked.empty());
  EXPECT_FALSE(MainFormOpen());
  EXPECT_EQ(GraphicsEditor->ExitCode, -1);
}

TEST_F(PluginModeWorld, AResultThatCannotBeWrittenKeepsTheEditorOpen) {
  // The folder of the exchange file disappears under the editor: nothing can be written there.
  QDir Folder(Dir.filePath(QStringLiteral("session")));
  ASSERT_TRUE(Folder.mkpath(QStringLiteral(".")));
  OpenRequest(WriteRequest(QStringLiteral("session/request")));
  Retouch();
  ASSERT_TRUE(Folder.removeRecursively());

  GraphicsEditor->OkButtonClick();
  ASSERT_EQ(Asked.size(), 1u);
  EXPECT_EQ(Asked[0].Flags & 0xF0, QvMB::MB_ICONERROR) << Asked[0].Text.toStdString();
  EXPECT_TRUE(MainFormOpen());
  EXPECT_EQ(GraphicsEditor->ExitCode, -1);
  EXPECT_TRUE(Doc->Modified());

  // Yes in the close question fails the same way and the window stays.
  Asked.clear();
  Answer = QvMB::IDYES;
  MainForm->close();
  ASSERT_EQ(Asked.size(), 2u) << "the question, then the error";
  EXPECT_EQ(Asked[1].Flags & 0xF0, QvMB::MB_ICONERROR);
  EXPECT_TRUE(MainFormOpen());
  EXPECT_EQ(GraphicsEditor->ExitCode, -1);

  // Once the folder is back, OK succeeds.
  Asked.clear();
  ASSERT_TRUE(Folder.mkpath(QStringLiteral(".")));
  GraphicsEditor->OkButtonClick();
  EXPECT_TRUE(Asked.empty());
  EXPECT_EQ(GraphicsEditor->ExitCode, 0);
  EXPECT_FALSE(MainFormOpen());
  ExpectResult(Folder.filePath(QStringLiteral("request")), 0xEE);
}

}  // namespace
