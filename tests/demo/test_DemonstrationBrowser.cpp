// The demonstration browser and the module around a playing demonstration: the list and its
// order, thumbnails, the preselected entry, the start-up browser and the command line's
// demonstration, the title while playing, and what a stop, an error or the end brings back.
#include "DemoTestApplication.h"
#include "QvApplication.h"
#include "QvDemoPlayback.h"
#include "QvDemonstration.h"
#include "QvDemonstrationForm.h"
#include "QvForms.h"
#include "QvSDF.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include <memory>

namespace {

void WriteFile(const QString& Name, const QByteArray& Bytes) {
  QFile F(Name);
  ASSERT_TRUE(F.open(QIODevice::WriteOnly));
  F.write(Bytes);
}

// A folder of demonstration scripts; each is "[Info]", its title (if any), "[Script]", its lines.
class DemoFolder {
 public:
  QString Path() const { return FDir.path() + "/"; }
  void Add(const QString& File, const QByteArray& Title, const QByteArray& Lines = {}, const QByteArray& Image = {}) {
    QByteArray Text = "[Info]\n";
    if (!Title.isEmpty()) Text += "Title=" + Title + "\n";
    if (!Image.isEmpty()) Text += "Image=" + Image + "\n";
    Text += "[Script]\n" + Lines;
    WriteFile(Path() + File, Text);
  }

 private:
  QTemporaryDir FDir;
};

// An application with a main window (deferred calls need one) and the demonstration module; the
// browser is answered by Answer, message boxes by MessageAnswer.
class DemoSession : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureWidgetApplication();
    App = std::make_unique<TQvApplication>();
    App->SetTitle("Ocuvane");
    App->CreateForm(Main);
    App->SetMessageBoxHandler([this](const QString& Text, const QString&, int) {
      Messages << Text;
      return MessageAnswer;
    });
    App->CreateModule(DemonstrationModule);
    Demo = DemonstrationModule;
    Demo->SetDemoFolder(Folder.Path());
    Demo->ExecuteBrowser = [this](TQvDemonstrationForm& Form) {
      Shown << Form.SelectedIndex();
      return Answer;
    };
  }
  void TearDown() override { App.reset(); }

  // Steps the playback until it ends, its clock running a thousand times as fast.
  void PlayToEnd() {
    Demo->Playback()->SetTimeScale(1000);
    QElapsedTimer Deadline;
    Deadline.start();
    while (Demo->Playback()->Step() && Deadline.elapsed() < 10000) {
    }
    Demo->Playback()->SetTimeScale(1);
  }
  // Runs the deferred calls waiting now.
  void RunPostedCalls() {
    for (int N = App->PostedCallCount(); N > 0; --N) App->ProcessPostedCall();
  }

  DemoFolder Folder;
  std::unique_ptr<TQvApplication> App;
  TQvForm* Main = nullptr;
  TQvDemonstrationModule* Demo = nullptr;
  int Answer = QDialog::Accepted;
  int MessageAnswer = QvMB::IDYES;
  QStringList Messages;
  QList<int> Shown;
};

TEST(DemonstrationForm, ListsByTitleWithoutRegardToCase) {
  EnsureWidgetApplication();
  DemoFolder Folder;
  Folder.Add("1.dsc", "b");
  Folder.Add("2.dsc", "A");
  Folder.Add("three.dsc", "");  // no title: the file name
  WriteFile(Folder.Path() + "notes.txt", "not a script");
  TQvDemonstrationForm Form(Folder.Path(), 0, true, 0, nullptr);
  ASSERT_EQ(Form.Count(), 3);
  EXPECT_EQ(Form.Caption(0), "A");
  EXPECT_EQ(Form.Caption(1), "b");
  EXPECT_EQ(Form.Caption(2), "three");
  EXPECT_EQ(Form.SelectedIndex(), 0);
  EXPECT_TRUE(Form.StartButton->isEnabled());
  EXPECT_TRUE(Form.StartButton->isDefault());
  EXPECT_EQ(Form.SelectedScript()->GetTitle(), "A");

  Form.DemoListView->clearSelection();
  EXPECT_FALSE(Form.StartButton->isEnabled());
  EXPECT_EQ(Form.SelectedScript(), nullptr);

  DemoFolder Empty;
  TQvDemonstrationForm None(Empty.Path(), 5, false, 0, nullptr);
  EXPECT_EQ(None.Count(), 0);
  EXPECT_FALSE(None.StartButton->isEnabled());
}

TEST(DemonstrationForm, ThumbnailsAreFramedAndUndecodablePicturesGetTheDefault) {
  EnsureWidgetApplication();
  DemoFolder Folder;
  QImage Wide(40, 20, QImage::Format_RGB32);
  Wide.fill(Qt::red);
  ASSERT_TRUE(Wide.save(Folder.Path() + "wide.png"));
  WriteFile(Folder.Path() + "broken.png", "\x89PNG not really");

  const QImage Thumb = MakeDemoThumbnail(Folder.Path() + "wide.png", nullptr);
  ASSERT_EQ(Thumb.size(), QSize(64, 64));
  for (const QPoint P : {QPoint(0, 0), QPoint(63, 0), QPoint(0, 63), QPoint(63, 63), QPoint(32, 0)})
    EXPECT_EQ(Thumb.pixel(P), qRgb(0xCB, 0xCB, 0xCB)) << P.x() << "," << P.y();
  EXPECT_EQ(Thumb.pixel(32, 32), qRgb(255, 0, 0)) << "the picture, centred";
  EXPECT_EQ(Thumb.pixel(32, 8), qRgb(255, 255, 255)) << "a wide picture leaves room above";
  EXPECT_TRUE(MakeDemoThumbnail(Folder.Path() + "broken.png", nullptr).isNull());
  EXPECT_TRUE(MakeDemoThumbnail(Folder.Path() + "missing.png", nullptr).isNull());

  Folder.Add("a.dsc", "With picture", {}, "wide.png");
  Folder.Add("b.dsc", "Broken picture", {}, "broken.png");
  TQvDemonstrationForm Form(Folder.Path(), 0, true, 0, nullptr);
  ASSERT_EQ(Form.Count(), 2);
  for (int I = 0; I < 2; ++I) EXPECT_FALSE(Form.DemoListView->item(I)->icon().isNull()) << I;
}

TEST_F(DemoSession, AfterTheLastOfThreeTheThirdIsPreselectedAgain) {
  Folder.Add("a.dsc", "A");
  Folder.Add("b.dsc", "B");
  Folder.Add("c.dsc", "C");
  for (int Round = 0; Round < 4; ++Round) {
    Demo->ShowBrowser();
    ASSERT_TRUE(Demo->Playback()->IsPlaying()) << Round;
    PlayToEnd();
  }
  EXPECT_EQ(Shown, (QList<int>{0, 1, 2, 2}));
  EXPECT_EQ(Messages.count("The demonstration is over."), 4);
}

TEST_F(DemoSession, TitleWhilePlayingAndTheBrowserAfterTheEndAStopOrAnError) {
  Folder.Add("a.dsc", "Tiny", "Pause 5\n");
  Folder.Add("b.dsc", "Wrong", "Nobody 1\n");

  // The end.
  Demo->ShowBrowser();
  EXPECT_EQ(App->GetTitle(), "Ocuvane - Tiny");
  PlayToEnd();
  EXPECT_EQ(App->GetTitle(), "Ocuvane");
  EXPECT_EQ(App->PostedCallCount(), 1) << "the browser comes back";

  // An error: the second script is preselected now.
  Answer = QDialog::Accepted;
  RunPostedCalls();
  EXPECT_EQ(App->GetTitle(), "Ocuvane - Wrong");
  Demo->SetLastIndex(0);
  Messages.clear();
  PlayToEnd();  // its only line is an error
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_EQ(Messages[0], "Unknown command: \"NOBODY\"\nNobody 1");
  EXPECT_EQ(App->GetTitle(), "Ocuvane") << "an error restores the title";
  EXPECT_EQ(App->PostedCallCount(), 1) << "and brings the browser back";

  RunPostedCalls();
  ASSERT_TRUE(Demo->Playback()->IsPlaying());
  Messages.clear();
  MessageAnswer = QvMB::IDNO;
  EXPECT_FALSE(Demo->Playback()->Stop());
  EXPECT_EQ(App->GetTitle(), "Ocuvane - Tiny");
  MessageAnswer = QvMB::IDYES;
  EXPECT_TRUE(Demo->Playback()->Stop());
  EXPECT_EQ(Messages, (QStringList{"Do you want to stop the demonstration?", "Do you want to stop the demonstration?"}));
  EXPECT_EQ(App->GetTitle(), "Ocuvane");
  EXPECT_EQ(App->PostedCallCount(), 1);

  // Closing the browser ends the cycle.
  Answer = QDialog::Rejected;
  RunPostedCalls();
  EXPECT_FALSE(Demo->Playback()->IsPlaying());
  EXPECT_EQ(App->PostedCallCount(), 0);
  EXPECT_EQ(Shown.size(), 4);
}

TEST_F(DemoSession, TheStartUpBrowserFollowsTheSavedOption) {
  Folder.Add("a.dsc", "A");
  for (const bool Saved : {false, true}) {
    TearDown();
    SetUp();
    Shown.clear();
    QBuffer Stream;
    Stream.open(QIODevice::WriteOnly);
    Demo->SetShowAtStartup(Saved);
    {
      TQvSDFWriter Writer(&Stream, false);
      Demo->SaveSettings(Writer);
    }
    Demo->SetShowAtStartup(!Saved);
    TQvSDFReader Reader(Stream.data());
    Demo->LoadSettings(Reader);
    Answer = QDialog::Rejected;
    Demo->Initialize();
    RunPostedCalls();
    EXPECT_EQ(Shown.size(), Saved ? 1 : 0) << Saved;
  }
}

TEST_F(DemoSession, TheCommandLinesDemonstrationPlaysInsteadOfTheBrowser) {
  Folder.Add("tiny.dsc", "Tiny", "Pause 5\n");
  Demo->SetShowAtStartup(true);
  Demo->SetStartDemo("tiny");
  Demo->Initialize();
  RunPostedCalls();
  EXPECT_TRUE(Shown.isEmpty());
  EXPECT_TRUE(Demo->Playback()->IsPlaying());
  EXPECT_EQ(App->GetTitle(), "Ocuvane - Tiny");
  PlayToEnd();
  EXPECT_EQ(App->PostedCallCount(), 0) << "no browser afterwards either";

  Messages.clear();
  EXPECT_FALSE(Demo->PlayDemo("missing"));
  EXPECT_EQ(Messages, QStringList{"There is no demonstration \"missing\"."});
  EXPECT_TRUE(Demo->PlayDemo("tiny.dsc")) << "the extension may be given";
}

}  // namespace
