// The playback engine: runs a demonstration script line by line in the live program, one step
// about every 10 ms on the user-interface thread, pauses while the program is in the background,
// stops on Esc, reports script errors, and records script lines for the demo editor.
//
// Playing a script from code (tests included):
//     TQvDemoPlayback Playback;                   // the desktop's real pointer
//     Playback.SetTimeScale(20);                  // pauses and moves 20 times faster
//     Playback.OnEnd = [&](TQvDemoPlayback*) { ... };
//     Playback.SetScript(Script);
//     Playback.Play(0);                           // returns at once; steps run from the event loop
#pragma once

#include "QvDemoPlaybackBase.h"
#include "QvDemoRecorder.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class TQvBalloon;
class TQvDemoScriptAction;

// What the engine owns before its base is built: the input it drives and its clock.
class TQvDemoPlaybackParts {
 protected:
  explicit TQvDemoPlaybackParts(IQvDemoInputSink* Input);
  IQvDemoInputSink& InputSink() { return *FInput; }

  std::unique_ptr<IQvDemoInputSink> FOwnedInput;
  IQvDemoInputSink* FInput = nullptr;
};

class TQvDemoPlayback : public QObject, private TQvDemoPlaybackParts, public TQvDemoPlaybackBase {
  Q_OBJECT

 public:
  enum TState { StateIdle = 0, StatePlaying = 1, StateSuspended = 2, StateStopped = 3, StateRecording = 4 };

  // Without Input, the desktop's pointer (XTest on an X display, synthesised events elsewhere).
  // Without Clock, a monotonic millisecond clock. Input and Localizer must outlive the engine.
  explicit TQvDemoPlayback(IQvDemoInputSink* Input = nullptr, TClock Clock = {},
                           const TQvLocalizer* Localizer = nullptr);
  ~TQvDemoPlayback() override;

  // Refused (false) while playing or recording; true otherwise, also when OnBeforeStart cancels
  // (then nothing starts). The first step runs from the event loop.
  bool Play(int FromLine = 0);
  // Asks OnStopQuery; false when not playing or when the stop was refused.
  bool Stop();
  // Counted: every Suspend needs its Resume before playing continues.
  void Suspend();
  void Resume();
  void Error(const QString& Message) override;
  // One step of the playback; the timer calls it. True while playing or suspended. A step that is
  // already running (a module command waiting in a dialog) is not entered again.
  bool Step();

  TState State() const { return FState; }
  bool IsPlaying() const { return FState == StatePlaying || FState == StateSuspended; }
  bool IsRecording() const { return FState == StateRecording; }
  int Line() const { return FLine; }
  int SuspendCount() const { return FSuspendCount; }
  TQvDemoScriptAction* Action() const { return FAction.get(); }

  // ---- recording (the demo editor) ----
  // Refused while playing or recording. AtLine < 0 or past the end: lines are appended.
  bool StartRecording(int AtLine);
  void StopRecording();
  void RecordLine(const QString& Text);
  int RecordIndex() const { return FRecorder.RecordIndex(); }
  // The recorder that modules and tools write to (StartDemoRecording); lines go into Script().
  TQvDemoScriptRecorder* Recorder() { return &FRecorder; }
  bool RecordMessages() const { return FRecorder.RecordMessages(); }
  void SetRecordMessages(bool Value) { FRecorder.SetRecordMessages(Value); }

  // ---- the modules' answers ----
  bool GetControlPoint(const TQvDemoScriptParams& Params, QPoint& Point) override;
  bool ExecuteCommand(const QString& Command, TQvDemoScriptUserAction& Action,
                      const TQvDemoScriptParams& Params) override;
  void ShowBalloon(const QPoint& Pos, int Kind, const QString& Text) override;
  void HideBalloon() override;
  void SetToolTipsEnabled(bool Enabled) override;
  TQvBalloon* Balloon() const { return FBalloon.get(); }

  // ---- the clock's speed (tests) ----
  // Time on the playback's clock runs Scale times as fast as real time, so pauses, messages and
  // moves take 1/Scale of their time. 1 is real time; values <= 0 are ignored.
  void SetTimeScale(double Scale);
  double TimeScale() const { return FTimeScale; }
  // The scale new engines start with: 1, or the value of the environment variable
  // OCUVANE_DEMO_SPEED, or what the program's hidden option --demo-speed set.
  static double DefaultTimeScale();
  static void SetDefaultTimeScale(double Scale);

  // ---- events ----
  std::function<void(TQvDemoPlayback* Sender, bool& Cancel)> OnBeforeStart;
  std::function<void(TQvDemoPlayback* Sender, bool& Stop)> OnStopQuery;
  std::function<void(TQvDemoPlayback* Sender, const QString& Message, bool& Stop, const QString& LineText)> OnError;
  std::function<void(TQvDemoPlayback* Sender)> OnEnd;
  std::function<void(TQvDemoPlayback* Sender, const QString& Command, bool& Handled, TQvDemoScriptUserAction& Action,
                     const TQvDemoScriptParams& Params)>
      OnCommand;
  std::function<void(TQvDemoPlayback* Sender, const TQvDemoScriptParams& Params, bool& Handled, QPoint& Point)>
      OnGetControlPoint;
  std::function<void(TQvDemoPlayback* Sender)> OnRecordStart;
  std::function<void(TQvDemoPlayback* Sender)> OnRecordStop;
  std::function<void(TQvDemoPlayback* Sender, int Index, const QString& Line)> OnRecordLine;

 protected:
  // The application hooks: switching away and minimising suspend, coming back resumes, Esc stops.
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  std::int64_t Now();
  void Hook();
  void Unhook();
  void RemoveFilter();
  // Lets go of a button the script holds: the system pointer back on the simulated position and a
  // primary-button release.
  void ReleaseButton();
  // The playback has ended (stopped, failed or finished): nothing held, nothing hooked.
  void EndPlayback();
  // An exception escaped a step: the playback ends and the error is reported.
  void Fail(const QString& Reason);
  QString CurrentLineText() const;

  TState FState = StateIdle;
  int FLine = 0;
  int FSuspendCount = 0;
  std::unique_ptr<TQvDemoScriptAction> FAction;
  TQvDemoScriptRecorder FRecorder;
  std::unique_ptr<TQvBalloon> FBalloon;
  QTimer FTimer;
  bool FInStep = false;
  int FRun = 0;  // counts Play calls, so a step notices a new playback begun from inside it
  bool FHooked = false;           // the hooks act (playing or suspended)
  bool FFilterInstalled = false;  // the event filter is in place (a little longer than the hooks)
  bool FInactiveSuspended = false;   // suspended because the program went to the background
  bool FMinimizedSuspended = false;  // suspended because the main window was minimised
  bool FEatEscapeRelease = false;
  bool FToolTipsOff = false;

  // The scaled clock: real milliseconds since FScaleMark times FTimeScale, plus FScaledAtMark.
  TClock FRawClock;
  double FTimeScale = 1;
  std::int64_t FRawAtMark = 0;
  double FScaledAtMark = 0;
};
