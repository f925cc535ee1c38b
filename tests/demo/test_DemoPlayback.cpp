// The playback engine driven step by step with a hand-driven clock and a recorded desktop: the
// start and end of a script, suspending, Esc, errors and exceptions, the held button, steps that
// wait in a dialog, the clock's speed and recording.
#include "DemoTestApplication.h"
#include "FakeDemoPlayback.h"
#include "QvApplication.h"
#include "QvDemoPlayback.h"
#include "QvDemoScript.h"
#include "QvForms.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QWidget>

#include <memory>
#include <stdexcept>

namespace {

// A widget that counts the keys it receives.
class TKeyTarget : public QWidget {
 public:
  int Presses = 0;
  int Releases = 0;

 protected:
  void keyPressEvent(QKeyEvent*) override { ++Presses; }
  void keyReleaseEvent(QKeyEvent*) override { ++Releases; }
};

class DemoPlayback : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureWidgetApplication();
    P = std::make_unique<TQvDemoPlayback>(&Sink, [this] { return Now; }, &Localizer);
    P->SetTimeScale(1);
    P->OnEnd = [this](TQvDemoPlayback*) { Events << "end"; };
    P->OnStopQuery = [this](TQvDemoPlayback*, bool& Stop) {
      Events << "stop?";
      Stop = StopAnswer;
    };
    P->OnError = [this](TQvDemoPlayback*, const QString& Message, bool&, const QString& Line) {
      Events << "error " + Message + " @" + Line;
    };
    P->OnCommand = [this](TQvDemoPlayback*, const QString& Command, bool& Handled, TQvDemoScriptUserAction&,
                          const TQvDemoScriptParams&) {
      Events << "command " + Command;
      if (Command == "BOOM") throw std::runtime_error("boom");
      if (OnCommand) OnCommand(Command);
      Handled = Command != "NOBODY";
    };
    Sink.SystemPointer = QPoint(10, 20);
  }

  void Load(const QByteArrayList& Lines) {
    TQvDemoScript Script;
    QByteArrayList File{"[Script]"};
    File += Lines;
    Script.LoadFromStrings(File);
    P->SetScript(Script);
  }
  // Steps until the playback ends (or Limit steps), the clock moving 10 ms each; returns the steps.
  int RunToEnd(int Limit = 10000) {
    int Steps = 0;
    while (Steps < Limit) {
      ++Steps;
      if (!P->Step()) break;
      Now += 10;
    }
    return Steps;
  }
  void Steps(int Count) {
    for (int I = 0; I < Count; ++I) {
      P->Step();
      Now += 10;
    }
  }
  // Esc pressed and released on Target, as the keyboard would deliver it.
  void Escape(QWidget& Target) {
    QKeyEvent Press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&Target, &Press);
    QKeyEvent Release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&Target, &Release);
  }

  TQvLocalizer Localizer;
  TFakeInputSink Sink;
  std::int64_t Now = 1000;
  std::unique_ptr<TQvDemoPlayback> P;
  QStringList Events;
  bool StopAnswer = true;
  std::function<void(const QString&)> OnCommand;
};

TEST_F(DemoPlayback, EmptyScriptEndsAtTheFirstStep) {
  Load({});
  ASSERT_TRUE(P->Play(0));
  EXPECT_EQ(P->State(), TQvDemoPlayback::StatePlaying);
  EXPECT_EQ(P->GetPointerPos(), QPoint(10, 20)) << "the playback starts where the pointer is";
  EXPECT_FALSE(P->Step());
  EXPECT_EQ(P->State(), TQvDemoPlayback::StateIdle);
  EXPECT_EQ(Events, QStringList{"end"});
  // Nothing is hooked any more: Esc reaches the program.
  TKeyTarget Target;
  Escape(Target);
  EXPECT_EQ(Target.Presses, 1);
  EXPECT_EQ(Events, QStringList{"end"});
}

TEST_F(DemoPlayback, PlayIsRefusedWhilePlayingAndCancelledStartsNothing) {
  Load({"Pause 1"});
  bool Cancel = true;
  P->OnBeforeStart = [&](TQvDemoPlayback*, bool& C) { C = Cancel; };
  EXPECT_TRUE(P->Play(0)) << "a cancelled start still answers true";
  EXPECT_EQ(P->State(), TQvDemoPlayback::StateIdle);
  Cancel = false;
  EXPECT_TRUE(P->Play(0));
  EXPECT_FALSE(P->Play(0));
  P->Suspend();
  EXPECT_FALSE(P->Play(0)) << "suspended counts as playing";
}

TEST_F(DemoPlayback, LinesRunInOrderAndCommentsAreSkipped) {
  Load({"First", "# a comment", "/ another", "Second 1, 2"});
  ASSERT_TRUE(P->Play(0));
  RunToEnd();
  EXPECT_EQ(Events, (QStringList{"command FIRST", "command SECOND", "end"}));
  Events.clear();
  ASSERT_TRUE(P->Play(3));
  RunToEnd();
  EXPECT_EQ(Events, (QStringList{"command SECOND", "end"})) << "from a later line";
}

TEST_F(DemoPlayback, TwoSuspendsNeedTwoResumesAndTimeAwayDoesNotCount) {
  Load({"Pause 1"});
  ASSERT_TRUE(P->Play(0));
  Steps(3);  // 20 ms of the pause gone
  P->Suspend();
  P->Suspend();
  EXPECT_EQ(P->State(), TQvDemoPlayback::StateSuspended);
  Now += 60000;
  P->Step();
  P->Resume();
  EXPECT_EQ(P->State(), TQvDemoPlayback::StateSuspended);
  EXPECT_EQ(P->SuspendCount(), 1);
  P->Resume();
  EXPECT_EQ(P->State(), TQvDemoPlayback::StatePlaying);
  // The minute away did not count: the rest of the second still has to pass.
  const int Left = RunToEnd();
  EXPECT_GE(Left, 95);
  EXPECT_LE(Left, 102);
  EXPECT_EQ(Events, QStringList{"end"});
}

TEST_F(DemoPlayback, EscStopsOnlyWhilePlaying) {
  TKeyTarget Target;
  Load({"Pause 5"});
  ASSERT_TRUE(P->Play(0));
  Steps(2);

  P->Suspend();
  Escape(Target);
  EXPECT_TRUE(Events.isEmpty()) << "suspended: Esc is the program's";
  EXPECT_EQ(Target.Presses, 1);
  P->Resume();

  StopAnswer = false;
  Escape(Target);
  EXPECT_EQ(Events, QStringList{"stop?"});
  EXPECT_EQ(Target.Presses, 1) << "the playback takes the key";
  EXPECT_EQ(Target.Releases, 1) << "and its release";
  EXPECT_EQ(P->State(), TQvDemoPlayback::StatePlaying) << "refused: playing on";
  EXPECT_EQ(P->SuspendCount(), 0);

  StopAnswer = true;
  Escape(Target);
  EXPECT_EQ(P->State(), TQvDemoPlayback::StateStopped);
  EXPECT_EQ(Target.Releases, 1);
  EXPECT_FALSE(P->Step()) << "the step after a stop ends the run";
  EXPECT_EQ(P->Action(), nullptr);
  Escape(Target);
  EXPECT_EQ(Target.Presses, 2) << "stopped: nothing hooked";
  EXPECT_FALSE(P->Stop()) << "nothing to stop";
}

TEST_F(DemoPlayback, EveryEndLetsGoOfAHeldButton) {
  struct TCase {
    const char* Name;
    QByteArrayList Lines;
    std::function<void(std::unique_ptr<TQvDemoPlayback>&)> End;
  } Cases[] = {
      {"stop", {"MouseDown", "Pause 5"}, [](auto& Engine) { EXPECT_TRUE(Engine->Stop()); }},
      {"error", {"MouseDrag Nowhere"}, [](auto&) {}},
      {"exception", {"MouseDown", "Boom"}, [](auto&) {}},
      {"closing", {"MouseDown", "Pause 5"}, [](auto& Engine) { Engine.reset(); }},
  };
  for (TCase& C : Cases) {
    SetUp();
    Load(C.Lines);
    ASSERT_TRUE(P->Play(0));
    Steps(4);
    C.End(P);
    if (P) RunToEnd();
    ASSERT_FALSE(Sink.Log.isEmpty()) << C.Name;
    EXPECT_TRUE(Sink.Log.first().startsWith("Ldown")) << C.Name;
    EXPECT_TRUE(Sink.Log.last().startsWith("Lup")) << C.Name << ": " << Sink.Log.join(' ').toStdString();
    if (P) {
      EXPECT_FALSE(P->ButtonDown()) << C.Name;
      EXPECT_EQ(P->State(), TQvDemoPlayback::StateStopped) << C.Name;
    }
    Sink.Log.clear();
    Events.clear();
  }
}

TEST_F(DemoPlayback, ScriptErrorsAreReportedWithTheirLineAndStop) {
  Load({"First", "Nobody 7", "Never"});
  ASSERT_TRUE(P->Play(0));
  RunToEnd();
  EXPECT_EQ(Events, (QStringList{"command FIRST", "command NOBODY", "error Unknown command: \"NOBODY\" @Nobody 7"}));
  EXPECT_EQ(P->State(), TQvDemoPlayback::StateStopped);
  EXPECT_EQ(P->SuspendCount(), 0) << "a later playback must not start suspended";

  // A handler that lets the playback go on.
  Events.clear();
  P->OnError = [this](TQvDemoPlayback*, const QString& Message, bool& Stop, const QString&) {
    Events << "error " + Message;
    Stop = false;
  };
  ASSERT_TRUE(P->Play(0));
  RunToEnd();
  EXPECT_EQ(Events, (QStringList{"command FIRST", "command NOBODY", "error Unknown command: \"NOBODY\"",
                                 "command NEVER", "end"}));
}

TEST_F(DemoPlayback, AnExceptionInAStepEndsThePlaybackAndTheNextOneRuns) {
  TKeyTarget Target;
  Load({"Boom", "Never"});
  ASSERT_TRUE(P->Play(0));
  EXPECT_FALSE(P->Step());
  EXPECT_EQ(Events, (QStringList{"command BOOM", "error An error stopped the demonstration: boom @Boom"}));
  EXPECT_EQ(P->State(), TQvDemoPlayback::StateStopped);
  EXPECT_EQ(P->Action(), nullptr);
  Escape(Target);
  EXPECT_EQ(Target.Presses, 1) << "hooks removed";

  Events.clear();
  Load({"Fine"});
  ASSERT_TRUE(P->Play(0));
  RunToEnd();
  EXPECT_EQ(Events, (QStringList{"command FINE", "end"}));
}

TEST_F(DemoPlayback, AStepWaitingInADialogIsNotEnteredAgain) {
  Load({"Dialog", "After"});
  int Calls = 0;
  OnCommand = [&](const QString& Command) {
    if (Command != "DIALOG") return;
    ++Calls;
    // The timer keeps ticking in the dialog's event loop.
    for (int I = 0; I < 5; ++I) {
      EXPECT_TRUE(P->Step());
      Now += 10;
    }
    EXPECT_EQ(P->Line(), 0);
  };
  ASSERT_TRUE(P->Play(0));
  RunToEnd();
  EXPECT_EQ(Calls, 1);
  EXPECT_EQ(Events, (QStringList{"command DIALOG", "command AFTER", "end"}));
}

TEST_F(DemoPlayback, EscInADialogOfAStepStopsAfterTheStep) {
  TKeyTarget Target;
  Load({"Dialog", "Never"});
  OnCommand = [&](const QString& Command) {
    if (Command == "DIALOG") Escape(Target);
  };
  ASSERT_TRUE(P->Play(0));
  RunToEnd();
  EXPECT_EQ(Events, (QStringList{"command DIALOG", "stop?"}));
  EXPECT_EQ(P->State(), TQvDemoPlayback::StateStopped);
  EXPECT_EQ(P->Action(), nullptr);
}

TEST_F(DemoPlayback, TheClockSpeedShortensPausesAndMoves) {
  Load({"Pause 2", "MouseMove 110, 20"});  // 100 px at speed 5: 400 ms
  P->SetTimeScale(10);
  ASSERT_TRUE(P->Play(0));
  const int Steps = RunToEnd();
  // 200 ms of pause and 40 ms of move at 10 ms a step, give or take the steps between lines.
  EXPECT_GE(Steps, 24);
  EXPECT_LE(Steps, 28);
  EXPECT_EQ(Sink.SystemPointer, QPoint(110, 20));

  // Changing the speed in the middle of a pause neither jumps nor loses time.
  Load({"Pause 1"});
  P->SetTimeScale(1);
  ASSERT_TRUE(P->Play(0));
  for (int I = 0; I < 50; ++I) {
    P->Step();
    Now += 10;
  }
  P->SetTimeScale(5);  // 500 ms left: 100 real ms
  const int Rest = RunToEnd();
  EXPECT_GE(Rest, 9);
  EXPECT_LE(Rest, 13);

  const double Old = TQvDemoPlayback::DefaultTimeScale();
  TQvDemoPlayback::SetDefaultTimeScale(3);
  EXPECT_EQ(TQvDemoPlayback(&Sink, [this] { return Now; }, &Localizer).TimeScale(), 3);
  TQvDemoPlayback::SetDefaultTimeScale(0);
  EXPECT_EQ(TQvDemoPlayback::DefaultTimeScale(), 3) << "0 is ignored";
  TQvDemoPlayback::SetDefaultTimeScale(Old);
}

TEST_F(DemoPlayback, RecordLineInsertsInTheMiddle) {
  Load({"A", "B", "C"});
  QStringList Recorded;
  P->OnRecordStart = [&](TQvDemoPlayback*) { Recorded << "start"; };
  P->OnRecordLine = [&](TQvDemoPlayback*, int Index, const QString& Line) {
    Recorded << QString::number(Index) + ":" + Line;
  };
  P->OnRecordStop = [&](TQvDemoPlayback*) { Recorded << "stop"; };
  ASSERT_TRUE(P->StartRecording(1));
  EXPECT_TRUE(P->IsRecording());
  EXPECT_FALSE(P->StartRecording(0));
  EXPECT_FALSE(P->Play(0)) << "no playing while recording";
  P->RecordLine("X");
  P->Recorder()->RecordLine("Y");  // as a module reports it
  P->StopRecording();
  EXPECT_EQ(P->State(), TQvDemoPlayback::StateStopped);
  P->RecordLine("late");
  EXPECT_EQ(P->Script().Lines(), (QByteArrayList{"A", "X", "Y", "B", "C"}));
  EXPECT_EQ(Recorded, (QStringList{"start", "1:X", "2:Y", "stop"}));

  ASSERT_TRUE(P->StartRecording(-1));
  P->RecordLine("Z");
  P->StopRecording();
  EXPECT_EQ(P->Script().Lines().last(), "Z") << "a negative line appends";
  Load({"A"});
  ASSERT_TRUE(P->Play(0));
  EXPECT_FALSE(P->StartRecording(0)) << "no recording while playing";
}

TEST_F(DemoPlayback, MinimisingTheMainWindowSuspendsUntilItIsRestored) {
  TQvApplication App;
  TQvForm* Main = nullptr;
  App.CreateForm(Main);
  Main->show();
  Load({"Pause 5"});
  ASSERT_TRUE(P->Play(0));
  P->Step();
  Main->showMinimized();
  EXPECT_EQ(P->State(), TQvDemoPlayback::StateSuspended);
  Main->showNormal();
  EXPECT_EQ(P->State(), TQvDemoPlayback::StatePlaying);
  EXPECT_EQ(P->SuspendCount(), 0);
}

}  // namespace
