// A demonstration in the real editor: the questions before it starts, the image an earlier one
// opened, and plug-in mode, where the exchange document is written, closed, and opened again
// however the demonstration ends, and OK never writes over a demonstration's image.
#include "RedEyeFixture.h"

#include "MainForm.h"
#include "QvDemoPlayback.h"
#include "QvDemonstration.h"
#include "QvDemonstrationForm.h"
#include "QvTestSupport.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

class DemoSession : public RedEyeWorld {
 protected:
  void SetUp() override {
    RedEyeWorld::SetUp();
    App->SetMessageBoxHandler([this](const QString& Text, const QString&, int) {
      Asked << Text;
      return Answer;
    });
    Demo = App->CreateModule<TQvDemonstrationModule>();
    Demo->SetDemoFolder(Dir.path());
    GraphicsEditor->SetImagesFolder(QStringLiteral(OCUVANE_SOURCE_DIR "/data/Images/"));
    GraphicsEditor->DemoErrorReporter = [](TQvDemoPlayback* Playback, const QString& Message) {
      if (Playback) Playback->Error(Message);
    };
    Demo->ExecuteBrowser = [this](TQvDemonstrationForm&) { return BrowserAnswer; };
    MainForm->resize(900, 600);
    MainForm->show();
  }

  void Write(const QString& Name, const QByteArray& Lines) {
    QFile F(Dir.filePath(Name + ".dsc"));
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.write("[Info]\nTitle=" + Name.toUtf8() + "\n[Script]\n" + Lines);
  }
  // Steps the playback until it ends, its clock running a thousand times as fast.
  void PlayToEnd() {
    Demo->Playback()->SetTimeScale(1000);
    QElapsedTimer Deadline;
    Deadline.start();
    while (Demo->Playback()->Step() && Deadline.elapsed() < 20000) {
    }
  }
  void RunPostedCalls() {
    for (int N = App->PostedCallCount(); N > 0; --N) App->ProcessPostedCall();
  }
  TQvDocument* Active() const { return GraphicsEditor->ActiveDocument(); }

  TQvDemonstrationModule* Demo = nullptr;
  QStringList Asked;
  int Answer = QvMB::IDYES;
  int BrowserAnswer = QDialog::Accepted;
};

const char* const CloseQuestion =
    "All open images will be closed before the demonstration starts. Do you want to continue?";

TEST_F(DemoSession, QuestionsBeforeStarting) {
  Write("Tiny", "Pause 1\n");
  struct TCase {
    bool Maximize;
    int Answer;
    const char* Question;
    bool Started;
  } Cases[] = {
      {false, QvMB::IDNO, CloseQuestion, false},
      {false, QvMB::IDYES, CloseQuestion, true},
      {true, QvMB::IDYES,
       "All open images will be closed and the main window will be maximized before the demonstration starts. Do "
       "you want to continue?",
       true},
  };
  for (const TCase& C : Cases) {
    MainForm->showNormal();
    Open(SamplePath());
    Asked.clear();
    Answer = C.Answer;
    Demo->SetMaximize(C.Maximize);
    EXPECT_EQ(Demo->PlayDemo("Tiny"), C.Started) << "refused: nothing plays";
    EXPECT_EQ(Asked, QStringList{C.Question});
    EXPECT_EQ(Demo->Playback()->IsPlaying(), C.Started);
    EXPECT_EQ(GraphicsEditor->DocumentCount(), C.Started ? 0 : 1);
    EXPECT_EQ(MainForm->isMaximized(), C.Maximize);
    Answer = QvMB::IDYES;
    if (C.Started) PlayToEnd();
  }
  // Nothing open and nothing to maximise: no question at all.
  Asked.clear();
  Demo->SetMaximize(false);
  EXPECT_TRUE(Demo->PlayDemo("Tiny"));
  EXPECT_TRUE(Asked.isEmpty());
}

TEST_F(DemoSession, ARestartClosesTheImageTheLastOneOpenedWithoutAQuestion) {
  Write("Opens", "ImageOpen red-eyes.jpg\n");
  ASSERT_TRUE(Demo->PlayDemo("Opens"));
  PlayToEnd();
  ASSERT_TRUE(Active());
  EXPECT_TRUE(Active()->Temporary);
  Active()->MarkModified();
  Asked.clear();
  ASSERT_TRUE(Demo->PlayDemo("Opens"));
  EXPECT_TRUE(Asked.isEmpty()) << Asked.join('|').toStdString();
  EXPECT_EQ(GraphicsEditor->DocumentCount(), 0);
  PlayToEnd();
  EXPECT_EQ(GraphicsEditor->DocumentCount(), 1);
}

class DemoPluginSession : public DemoSession {
 protected:
  void SetUp() override {
    DemoSession::SetUp();
    Request = Dir.filePath("request");
    ASSERT_TRUE(QvTest::WriteExchangeRequest(Request));
    TQvDocument* Opened = nullptr;
    ASSERT_TRUE(GraphicsEditor->OpenFile(Request, Opened, true));
    ASSERT_TRUE(GraphicsEditor->PluginMode);
    Opened->MarkModified();
  }
  // The exchange document is open again, still in plug-in mode, and holds what was saved.
  void ExpectExchangeBack() {
    ASSERT_TRUE(Active());
    EXPECT_EQ(Active(), GraphicsEditor->PluginDocument());
    EXPECT_EQ(Active()->FileName, Request);
    EXPECT_FALSE(Active()->Modified());
    EXPECT_TRUE(GraphicsEditor->PluginMode);
    EXPECT_EQ(FileBytes(Request), Saved);
  }

  QString Request;
  QByteArray Saved;
};

TEST_F(DemoPluginSession, TheBrowsersDemonstrationWritesClosesAndReopensTheExchangeDocument) {
  Write("Opens", "ImageOpen red-eyes.jpg\n");
  const QByteArray Sample = FileBytes(SamplePath());
  Demo->ShowBrowser();
  ASSERT_TRUE(Demo->Playback()->IsPlaying());
  EXPECT_EQ(Asked, QStringList{CloseQuestion});
  EXPECT_EQ(GraphicsEditor->DocumentCount(), 0);
  Saved = FileBytes(Request);
  EXPECT_EQ(Saved.size(), 36 + 20 * 4) << "the retouched image went into the exchange file";
  PlayToEnd();
  EXPECT_TRUE(Active() && Active()->Temporary);
  // The browser comes back; closing it brings back the exchange document.
  BrowserAnswer = QDialog::Rejected;
  RunPostedCalls();
  ExpectExchangeBack();
  EXPECT_EQ(FileBytes(SamplePath()), Sample);
}

TEST_F(DemoPluginSession, AnErrorOrAStopOfACommandLineDemonstrationReopensItToo) {
  auto* Hidden = new QPushButton(MainForm);
  Hidden->hide();  // a control of a tool that plug-in mode hides
  Demo->RegisterComponent("HiddenTool", Hidden);
  Write("NeedsHidden", "ImageOpen red-eyes.jpg\nMouseClick HiddenTool\nPause 1\n");
  Write("Long", "ImageOpen red-eyes.jpg\nPause 100\n");

  ASSERT_TRUE(Demo->PlayDemo("NeedsHidden"));
  Saved = FileBytes(Request);
  Asked.clear();
  PlayToEnd();
  EXPECT_EQ(Asked, QStringList{"Invalid arguments.\nMouseClick HiddenTool"});
  RunPostedCalls();
  ExpectExchangeBack();

  ASSERT_TRUE(Demo->PlayDemo("Long"));
  for (int I = 0; I < 5; ++I) Demo->Playback()->Step();
  ASSERT_TRUE(Active() && Active()->Temporary);
  EXPECT_TRUE(Demo->Playback()->Stop());
  RunPostedCalls();
  ExpectExchangeBack();
}

TEST_F(DemoPluginSession, OkDuringADemonstrationReturnsTheExchangeFileAndLeavesTheImageAlone) {
  Write("Long", "ImageOpen red-eyes.jpg\nPause 100\n");
  const QByteArray Sample = FileBytes(SamplePath());
  ASSERT_TRUE(Demo->PlayDemo("Long"));
  Saved = FileBytes(Request);
  for (int I = 0; I < 5; ++I) Demo->Playback()->Step();
  ASSERT_TRUE(Active() && Active()->Temporary);
  Active()->MarkModified();
  GraphicsEditor->OkButtonClick();
  EXPECT_EQ(GraphicsEditor->ExitCode, 0);
  EXPECT_EQ(FileBytes(SamplePath()), Sample) << "the demonstration's image is not written";
  EXPECT_EQ(FileBytes(Request), Saved);
}

}  // namespace
