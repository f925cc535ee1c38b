// The demo editor: its pages (edits and caret kept per section, languages added and deleted, the
// script's own sections protected), files (open errors, the byte-order mark, bytes of untouched
// lines), recording through the demonstration targets, and a play that takes over the engine's
// events and gives them back.
#include "DemoTestApplication.h"
#include "MainForm.h"
#include "QvApplication.h"
#include "QvDemoEditor.h"
#include "QvDemoScript.h"
#include "QvDemonstration.h"
#include "QvModules.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>

#include <memory>

namespace {
void ProcessEvents() {
  for (int I = 0; I < 5; ++I) QCoreApplication::processEvents();
}

// A target that records the line it was given each time it is told to record.
class TRecordingTarget : public TQvModule, public IQvDemoTarget {
 public:
  TRecordingTarget(QString Name, QStringList& Log) : FName(std::move(Name)), FLog(Log) {}
  void ExecuteDemoCommand(TQvDemoPlayback*, const QString&, bool&, TQvDemoScriptUserAction*,
                          TQvCustomProperties*) override {}
  void GetDemoControlPoint(TQvDemoPlayback*, TQvCustomProperties*, bool&, QPoint&) override {}
  void StartDemoRecording(TQvDemoRecorder* R) override {
    FLog << "start " + FName;
    Recorder = R;
  }
  void StopDemoRecording() override {
    FLog << "stop " + FName;
    Recorder = nullptr;
  }
  TQvDemoRecorder* Recorder = nullptr;

 private:
  QString FName;
  QStringList& FLog;
};

// An engine whose play the test ends, stops or fails by hand; the demonstration module's own
// handlers log what they are asked.
class TFakePlayEngine : public TQvDemoRecordingEngine {
 public:
  explicit TFakePlayEngine(QStringList& Log) : FLog(Log) {
    SetPlayEvents({[this] { FLog << "module end"; },
                   [this](bool& Stop) {
                     FLog << "module stop query";
                     Stop = StopAnswer;
                   },
                   [this](const QString& Message, bool&, const QString& Line) {
                     FLog << "module error " + Message + " / " + Line;
                   }});
    ModuleEvents = PlayEvents();
  }
  bool Play(int) override {
    if (FPlaying || IsRecording()) return false;
    FLog << "play " + QString::number(Script().Lines().size());
    FPlaying = !CancelStart;
    return true;
  }
  bool Stop() override {
    if (!FPlaying) return false;
    bool Stop = true;
    if (const auto Query = PlayEvents().OnStopQuery) Query(Stop);
    if (Stop) FPlaying = false;
    return Stop;
  }
  bool IsPlaying() const override { return FPlaying; }
  bool CanPlay() const override { return true; }
  void Finish() {
    FPlaying = false;
    if (const auto End = PlayEvents().OnEnd) End();
  }
  void Fail(const QString& Message) {
    bool Stop = true;
    if (const auto Error = PlayEvents().OnError) Error(Message, Stop, QStringLiteral("Bad line"));
    if (Stop) FPlaying = false;
  }

  bool StopAnswer = true;
  bool CancelStart = false;
  TPlayEvents ModuleEvents;

 private:
  QStringList& FLog;
  bool FPlaying = false;
};

class DemoEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureWidgetApplication();
    ASSERT_TRUE(Dir.isValid());
    App = std::make_unique<TQvApplication>();
    App->SetMessageBoxHandler([this](const QString& Text, const QString&, int) {
      Messages << Text;
      return QvMB::IDOK;
    });
    App->CreateModule(DemonstrationModule);
    First = App->CreateModule<TRecordingTarget>(QStringLiteral("first"), Log);
    Second = App->CreateModule<TRecordingTarget>(QStringLiteral("second"), Log);
  }
  void TearDown() override {
    Form.reset();
    App.reset();
  }
  TQvDemoEditorForm& MakeForm(IQvDemoEditorEngine& Engine) {
    Form.reset(CreateInitialized<TQvDemoEditorForm>(Engine, DemonstrationModule));
    return *Form;
  }
  QString Write(const QString& Name, const QByteArray& Bytes) {
    const QString Path = Dir.filePath(Name);
    QFile F(Path);
    EXPECT_TRUE(F.open(QIODevice::WriteOnly));
    F.write(Bytes);
    return Path;
  }
  static QByteArray Read(const QString& Path) {
    QFile F(Path);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray();
  }
  // Selects a tab as a click on it would.
  static void ShowTab(TQvDemoEditorForm& F, const char* Name) {
    for (int I = 0; I < F.SectionsTabControl->count(); ++I)
      if (F.SectionsTabControl->tabText(I) == QLatin1String(Name)) F.SectionsTabControl->setCurrentIndex(I);
  }
  static QString TabName(TQvDemoEditorForm& F) {
    return F.SectionsTabControl->tabText(F.SectionsTabControl->currentIndex());
  }

  QTemporaryDir Dir;
  std::unique_ptr<TQvApplication> App;
  TQvDemoRecordingEngine Engine;  // outlives the form
  std::unique_ptr<TQvDemoEditorForm> Form;
  TRecordingTarget* First = nullptr;
  TRecordingTarget* Second = nullptr;
  QStringList Log;
  QStringList Messages;
};

TEST_F(DemoEditorTest, ANewScriptShowsItsScriptPage) {
  TQvDemoEditorForm& F = MakeForm(Engine);
  ASSERT_EQ(F.SectionsTabControl->count(), 2);
  EXPECT_EQ(F.SectionsTabControl->tabText(0), "Info");
  EXPECT_EQ(TabName(F), "Script");
  EXPECT_TRUE(F.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(F.MessageComboBox->currentText(), "Click");
}

TEST_F(DemoEditorTest, SwitchingTabsKeepsEachSectionsEditsAndCaret) {
  TQvDemoEditorForm& F = MakeForm(Engine);
  F.ScriptMemo->setPlainText("MouseTo 10, 20\nPause 2");
  QTextCursor C = F.ScriptMemo->textCursor();
  C.setPosition(8);
  C.setPosition(14, QTextCursor::KeepAnchor);  // "10, 20" selected
  F.ScriptMemo->setTextCursor(C);

  ShowTab(F, "Info");
  EXPECT_EQ(F.ScriptMemo->toPlainText(), "");
  F.ScriptMemo->setPlainText("Title=Eyes");
  C = F.ScriptMemo->textCursor();
  C.setPosition(3);
  F.ScriptMemo->setTextCursor(C);

  ShowTab(F, "Script");
  EXPECT_EQ(F.ScriptMemo->toPlainText(), "MouseTo 10, 20\nPause 2");
  EXPECT_EQ(F.ScriptMemo->textCursor().selectedText(), "10, 20");
  EXPECT_EQ(F.ScriptMemo->textCursor().position(), 14);
  ShowTab(F, "Info");
  EXPECT_EQ(F.ScriptMemo->toPlainText(), "Title=Eyes");
  EXPECT_EQ(F.ScriptMemo->textCursor().position(), 3);
  EXPECT_FALSE(F.ScriptMemo->textCursor().hasSelection());

  // Saving takes the page shown too.
  const QString Path = Dir.filePath("tabs.dsc");
  ASSERT_TRUE(F.SaveFile(Path));
  EXPECT_EQ(Read(Path), "[Info]\r\nTitle=Eyes\r\n[Script]\r\nMouseTo 10, 20\r\nPause 2\r\n");
}

TEST_F(DemoEditorTest, AddingALanguageTwiceSelectsTheExistingTab) {
  TQvDemoEditorForm& F = MakeForm(Engine);
  F.AddLanguage(" 1033 ");
  ASSERT_EQ(F.SectionsTabControl->count(), 3);
  EXPECT_EQ(TabName(F), "1033");
  EXPECT_EQ(F.ScriptMemo->toPlainText(), "");
  F.ScriptMemo->setPlainText("Title=Red eyes");

  ShowTab(F, "Script");
  F.AddLanguage("1033");
  EXPECT_EQ(F.SectionsTabControl->count(), 3);
  EXPECT_EQ(TabName(F), "1033");
  EXPECT_EQ(F.ScriptMemo->toPlainText(), "Title=Red eyes");

  F.AddLanguage("   ");  // nothing to add
  EXPECT_EQ(F.SectionsTabControl->count(), 3);
}

TEST_F(DemoEditorTest, InfoAndScriptAreNeverDeletedWhereverTheyStand) {
  const QString Path = Write("languages-first.dsc",
                             "[1033]\r\nTitle=One\r\n[1031]\r\nTitle=Eins\r\n[Script]\r\nPause 1\r\n"
                             "[Info]\r\nTitle=Base\r\n[1049]\r\nTitle=x\r\n");
  TQvDemoEditorForm& F = MakeForm(Engine);
  ASSERT_TRUE(F.OpenFile(Path));
  EXPECT_EQ(TabName(F), "Script");
  const bool Deletable[] = {false, false, false, false, true};  // 1033, 1031, Script, Info, 1049
  for (int I = 0; I < 5; ++I) {
    F.SectionsTabControl->setCurrentIndex(I);
    F.UpdateControls();
    EXPECT_EQ(F.DeleteLanguageMenuItem->isEnabled(), Deletable[I]) << I;
    F.CmDeleteLanguage();
    EXPECT_EQ(F.SectionsTabControl->count(), Deletable[I] ? 4 : 5) << I;
  }
  // The script's lines survived every attempt and are still what gets played and saved.
  EXPECT_EQ(F.Script().Lines(), QByteArrayList{"Pause 1"});
  ShowTab(F, "Script");
  EXPECT_EQ(F.ScriptMemo->toPlainText(), "Pause 1");
  F.ScriptMemo->appendPlainText("Pause 2");
  ASSERT_TRUE(F.SaveFile(Path));
  EXPECT_EQ(Read(Path), "[1033]\r\nTitle=One\r\n[1031]\r\nTitle=Eins\r\n[Script]\r\nPause 1\r\nPause 2\r\n"
                        "[Info]\r\nTitle=Base\r\n");
}

TEST_F(DemoEditorTest, FilesKeepTheirMarkAndTheBytesOfUntouchedLines) {
  TQvDemoEditorForm& F = MakeForm(Engine);
  // A UTF-8 script with its byte-order mark: saved with the mark again, its texts read the same.
  const QByteArray Utf8 = "\xEF\xBB\xBF[Info]\r\nTitle=Augen\r\n[Script]\r\nMessage %Hello\r\n"
                          "[1049]\r\nHello=\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\r\n";
  const QString UtfPath = Write("utf8.dsc", Utf8);
  ASSERT_TRUE(F.OpenFile(UtfPath));
  ShowTab(F, "1049");
  EXPECT_EQ(F.ScriptMemo->toPlainText(), QString::fromUtf8("Hello=Привет"));
  const QString Saved = Dir.filePath("utf8-saved.dsc");
  ASSERT_TRUE(F.SaveFile(Saved));
  EXPECT_EQ(Read(Saved), Utf8);
  TQvDemoScript Reloaded;
  Reloaded.LoadFromFile(Saved);
  EXPECT_TRUE(Reloaded.Utf8());

  // A script in the languages' code pages: an edit in one line leaves the other lines' bytes
  // alone, and a new line is written in its section's code page.
  const QString AnsiPath = Write("ansi.dsc", "[Info]\r\n[Script]\r\n[1049]\r\nA=\xCF\xF0\xE8\r\nB=\x98\r\n");
  ASSERT_TRUE(F.OpenFile(AnsiPath));
  ShowTab(F, "1049");
  EXPECT_EQ(F.ScriptMemo->toPlainText().section('\n', 0, 0), QString::fromUtf8("A=При"));
  F.ScriptMemo->appendPlainText(QString::fromUtf8("C=Да"));
  ASSERT_TRUE(F.SaveFile(Saved));
  EXPECT_EQ(Read(Saved), "[Info]\r\n[Script]\r\n[1049]\r\nA=\xCF\xF0\xE8\r\nB=\x98\r\nC=\xC4\xE0\r\n");
}

TEST_F(DemoEditorTest, AFileThatCannotBeOpenedLeavesTheScript) {
  TQvDemoEditorForm& F = MakeForm(Engine);
  F.ScriptMemo->setPlainText("Pause 1");
  EXPECT_FALSE(F.OpenFile(Dir.filePath("missing.dsc")));
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].contains("missing.dsc"));
  EXPECT_EQ(F.ScriptMemo->toPlainText(), "Pause 1");
  EXPECT_FALSE(F.SaveFile(Dir.filePath("no/such/folder/x.dsc")));
  EXPECT_EQ(Messages.size(), 2);
}

TEST_F(DemoEditorTest, RecordingTwiceAppendsTheSecondAfterTheFirst) {
  TQvDemoEditorForm& F = MakeForm(Engine);
  F.ScriptMemo->setPlainText("Pause 1");

  F.CmRecord();
  ASSERT_TRUE(Engine.IsRecording());
  EXPECT_EQ(Log, (QStringList{"start first", "start second"}));
  ASSERT_EQ(First->Recorder, Engine.Recorder());
  EXPECT_EQ(DemonstrationModule->Recorder(), Engine.Recorder());
  EXPECT_FALSE(F.ScriptMemo->isEnabled());
  F.UpdateControls();
  EXPECT_FALSE(F.PlayMenuItem->isEnabled());
  EXPECT_FALSE(F.RecordToolButton->isEnabled());
  EXPECT_TRUE(F.StopToolButton->isEnabled());
  First->Recorder->RecordLine("ZoomIn");
  DemonstrationModule->RecordCommand("Undo");

  F.CmStop();
  EXPECT_EQ(Log, (QStringList{"start first", "start second", "stop first", "stop second"}));
  EXPECT_EQ(First->Recorder, nullptr);
  EXPECT_TRUE(F.ScriptMemo->isEnabled());
  EXPECT_EQ(F.ScriptMemo->toPlainText(), "Pause 1\nZoomIn\nMouseCurvedMove Undo\nUndo");
  ProcessEvents();
  EXPECT_FALSE(Engine.RecordEvents().OnRecordStart);  // given back

  F.ScriptMemo->appendPlainText("Pause 2");
  F.CmRecord();
  Second->Recorder->RecordLine("ZoomOut");
  F.CmStop();
  EXPECT_EQ(F.Script().Lines(),
            (QByteArrayList{"Pause 1", "ZoomIn", "MouseCurvedMove Undo", "Undo", "Pause 2", "ZoomOut"}));
  F.UpdateControls();
  EXPECT_TRUE(F.RecordMenuItem->isEnabled());
  EXPECT_FALSE(F.StopMenuItem->isEnabled());
}

TEST_F(DemoEditorTest, RecorderOptions) {
  TQvDemoEditorForm& F = MakeForm(Engine);
  F.UpdateControls();
  EXPECT_TRUE(F.MessageToolButton->isChecked());
  F.MessageToolButton->trigger();
  EXPECT_FALSE(Engine.RecordMessages());
  F.UpdateControls();
  EXPECT_FALSE(F.MessageComboBox->isEnabled());
  F.MessageToolButton->trigger();
  F.UpdateControls();
  ASSERT_TRUE(F.MessageComboBox->isEnabled());

  // Typing sets the click message; accepting a text puts it at the top of the list once.
  QLineEdit* Edit = F.MessageComboBox->lineEdit();
  for (const char* Text : {"Press here", "Drag", "Press here"}) {
    Edit->selectAll();
    QTest::keyClicks(Edit, Text);
    QTest::keyClick(Edit, Qt::Key_Return);
  }
  EXPECT_EQ(DemonstrationModule->MessageText(), "Press here");
  ASSERT_EQ(F.MessageComboBox->count(), 2);
  EXPECT_EQ(F.MessageComboBox->itemText(0), "Drag");
  EXPECT_EQ(F.MessageComboBox->itemText(1), "Press here");
}

TEST_F(DemoEditorTest, PlayHidesTheEditorAndEveryEndBringsItBackWithTheEndMessage) {
  enum class TEnd { Finished, Stopped, Failed };
  struct TCase {
    TEnd End;
    QStringList ModuleLog;
  } Cases[] = {
      {TEnd::Finished, {"play 1", "module end"}},
      {TEnd::Stopped, {"play 1", "module stop query", "module end"}},
      {TEnd::Failed, {"play 1", "module error Unknown command: \"X\" / Bad line", "module end"}},
  };
  for (const TCase& C : Cases) {
    Log.clear();
    TFakePlayEngine Player(Log);
    TQvDemoEditorForm& F = MakeForm(Player);
    F.show();
    F.ScriptMemo->setPlainText("Pause 1");
    F.CmPlay();
    ASSERT_TRUE(Player.IsPlaying());
    EXPECT_FALSE(F.isVisible());
    F.UpdateControls();
    EXPECT_TRUE(F.StopMenuItem->isEnabled());
    EXPECT_FALSE(F.PlayToolButton->isEnabled());
    if (C.End == TEnd::Finished) Player.Finish();
    if (C.End == TEnd::Stopped) {
      EXPECT_TRUE(Player.Stop());
    }
    if (C.End == TEnd::Failed) Player.Fail(QStringLiteral("Unknown command: \"X\""));
    EXPECT_EQ(Log, C.ModuleLog);
    ProcessEvents();
    EXPECT_TRUE(F.isVisible());
    // The module has its own handlers again: an end now is the module's alone.
    Log.clear();
    Player.PlayEvents().OnEnd();
    EXPECT_EQ(Log, QStringList{"module end"});
    Form.reset();
  }
}

TEST_F(DemoEditorTest, ARefusedStopOrCancelledStartKeepsThingsAsTheyAre) {
  TFakePlayEngine Player(Log);
  TQvDemoEditorForm& F = MakeForm(Player);
  F.show();
  Player.StopAnswer = false;
  F.CmPlay();
  EXPECT_FALSE(Player.Stop());
  ProcessEvents();
  EXPECT_TRUE(Player.IsPlaying());
  EXPECT_FALSE(F.isVisible());
  EXPECT_EQ(Log, (QStringList{"play 0", "module stop query"}));
  Player.Finish();
  ProcessEvents();
  EXPECT_TRUE(F.isVisible());

  // A start that the module cancels (a document the user would not close) shows the editor still.
  Log.clear();
  Player.CancelStart = true;
  F.CmPlay();
  EXPECT_TRUE(F.isVisible());
  Player.PlayEvents().OnEnd();
  EXPECT_EQ(Log, (QStringList{"play 0", "module end"}));
  Form.reset();  // before the engine
}

TEST_F(DemoEditorTest, TheHiddenFileItemOpensTheEditor) {
  App->CreateForm(MainForm);
  ASSERT_TRUE(MainForm);
  App->CreateModule(DemoEditorModule);
  ASSERT_TRUE(DemoEditorModule && DemoEditorModule->DemoEditorMenuItem);
  const QList<QAction*> Items = MainForm->FileMenuItem->actions();
  const qsizetype At = Items.indexOf(DemoEditorModule->DemoEditorMenuItem);
  ASSERT_GE(At, 0);
  EXPECT_EQ(Items.value(At + 1), MainForm->FileMenuSeparator);
  EXPECT_FALSE(DemoEditorModule->DemoEditorMenuItem->isVisible());
  EXPECT_EQ(DemoEditorModule->DemoEditorMenuItem->shortcut(), QKeySequence("Ctrl+Shift+K"));

  MainForm->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));
  QTest::keyClick(MainForm, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_TRUE(DemoEditorModule->Form());
  EXPECT_TRUE(DemoEditorModule->Form()->isVisible());
  TQvDemoEditorForm* Shown = DemoEditorModule->Form();
  DemoEditorModule->CmDemoEditor();  // the same window again
  EXPECT_EQ(DemoEditorModule->Form(), Shown);
}

}  // namespace
