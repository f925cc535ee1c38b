// The actions that carry out one demonstration script line each. The playback engine creates an
// action for the current line, calls Execute about every 10 ms until IsDone, then frees it. All
// timing reads the engine's clock, so that time spent suspended can be discounted.
#pragma once

#include "QvDemoScriptParams.h"

#include <QByteArrayView>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class TQvDemoPlaybackBase;

class TQvDemoScriptAction {
 public:
  // Params is copied: the action keeps its own argument list.
  TQvDemoScriptAction(TQvDemoPlaybackBase& Playback, const TQvDemoScriptParams& Params);
  virtual ~TQvDemoScriptAction();
  TQvDemoScriptAction(const TQvDemoScriptAction&) = delete;
  TQvDemoScriptAction& operator=(const TQvDemoScriptAction&) = delete;

  // Prepares the action; called once, by the first Execute.
  virtual void Start();
  // True when the action has finished. The base action is done at once.
  virtual bool IsDone();
  // One step; the first call starts the action.
  virtual void Execute();
  // The playback was paused / continues / was stopped.
  virtual void Suspend();
  virtual void Resume();
  virtual void Abort();

  bool Started() const { return FStarted; }
  const TQvDemoScriptParams& Params() const { return FParams; }
  // The engine the action runs in, for the parts a module command appends.
  TQvDemoPlaybackBase& Playback() const { return FPlayback; }

 protected:
  // The target of a jump or move: the current position without arguments, the screen point
  // (item 0, item 1) when both are numeric, else the control named by item 0. When no module
  // knows that control, reports "Invalid arguments." and returns the current position.
  QPoint FindTarget();

  bool FStarted = false;
  TQvDemoPlaybackBase& FPlayback;
  TQvDemoScriptParams FParams;
};

// PAUSE [seconds]: one second by default. Keeps the real pointer on the simulated position.
class TQvDemoScriptPauseAction : public TQvDemoScriptAction {
 public:
  using TQvDemoScriptAction::TQvDemoScriptAction;
  void Start() override;
  bool IsDone() override;
  void Execute() override;
  void Resume() override;

  std::int64_t Duration() const { return FDuration; }

 protected:
  std::int64_t FDuration = 0;  // ms
  std::int64_t FElapsed = 0;   // ms
  std::int64_t FLastTick = 0;
};

// MESSAGE text [, seconds [, kind]]: a pause of three seconds by default that shows a balloon.
// A text "%name" is the script's localised value of name, "&number" the program's local string.
class TQvDemoScriptBalloonAction : public TQvDemoScriptPauseAction {
 public:
  using TQvDemoScriptPauseAction::TQvDemoScriptPauseAction;
  ~TQvDemoScriptBalloonAction() override;
  void Start() override;
  void Suspend() override;
  void Resume() override;

  const QString& Text() const { return FText; }
  int Kind() const { return FKind; }

 private:
  void ShowBalloon();
  void HideBalloon();

  QString FText;
  int FKind = 0;
  QPoint FPos;
  bool FShown = false;         // this action has a balloon to show
  bool FVisible = false;       // the balloon is up now
  bool FCursorHidden = false;  // this action hid the cursor
};

// MOUSETO: puts the pointer on the target in one step.
class TQvDemoScriptMouseToAction : public TQvDemoScriptAction {
 public:
  using TQvDemoScriptAction::TQvDemoScriptAction;
  void Start() override;
  void Execute() override;

 private:
  QPoint FTarget;
};

// MOUSEMOVE: moves the pointer from where it is to the target, easing in and out, at the
// engine's speed (20 / Speed ms per pixel).
class TQvDemoScriptMouseMoveAction : public TQvDemoScriptAction {
 public:
  using TQvDemoScriptAction::TQvDemoScriptAction;
  void Start() override;
  bool IsDone() override;
  void Execute() override;
  void Resume() override;

  std::int64_t Duration() const { return FDuration; }
  QPoint Target() const { return FTarget; }

 protected:
  QPoint FStart;
  QPoint FTarget;
  double FDX = 0;
  double FDY = 0;
  double FDistance = 0;
  std::int64_t FDuration = 0;  // ms
  std::int64_t FElapsed = 0;   // ms
  std::int64_t FLastTick = 0;
  // Divisor of the sideways bulge; 0 for a straight path.
  double FCurve = 0;
  bool FDone = false;
};

// MOUSECURVEDMOVE: the move bulging sideways by at most a third of the smaller distance.
class TQvDemoScriptMouseCurvedMoveAction : public TQvDemoScriptMouseMoveAction {
 public:
  using TQvDemoScriptMouseMoveAction::TQvDemoScriptMouseMoveAction;
  void Start() override;
};

// The button actions send one event at the current position; "left" is the primary button, so
// they exchange the buttons when the user has swapped them.
class TQvDemoScriptMouseLeftDownAction : public TQvDemoScriptAction {
 public:
  using TQvDemoScriptAction::TQvDemoScriptAction;
  void Start() override;
};

class TQvDemoScriptMouseLeftUpAction : public TQvDemoScriptAction {
 public:
  using TQvDemoScriptAction::TQvDemoScriptAction;
  void Start() override;
};

class TQvDemoScriptMouseRightDownAction : public TQvDemoScriptAction {
 public:
  using TQvDemoScriptAction::TQvDemoScriptAction;
  void Start() override;
};

class TQvDemoScriptMouseRightUpAction : public TQvDemoScriptAction {
 public:
  using TQvDemoScriptAction::TQvDemoScriptAction;
  void Start() override;
};

// MOUSESPEED n: the low 16 bits of n become the engine's speed; 0 keeps it.
class TQvDemoScriptMouseSpeedAction : public TQvDemoScriptAction {
 public:
  using TQvDemoScriptAction::TQvDemoScriptAction;
  void Start() override;
};

// A sequence of actions run one after another, one part per step.
class TQvDemoScriptMacroAction : public TQvDemoScriptAction {
 public:
  using TQvDemoScriptAction::TQvDemoScriptAction;
  ~TQvDemoScriptMacroAction() override;
  bool IsDone() override;
  void Execute() override;
  void Suspend() override;
  void Resume() override;
  void Abort() override;

  // Appends a part (owned).
  void Add(std::unique_ptr<TQvDemoScriptAction> Action);
  int Count() const { return static_cast<int>(FActions.size()); }
  TQvDemoScriptAction* Actions(int Index) const;

 protected:
  std::vector<std::unique_ptr<TQvDemoScriptAction>> FActions;
  std::size_t FIndex = 0;  // the part being run
};

// Any other keyword: a command carried out by a module. A module may add parts, which then run
// in the following steps.
class TQvDemoScriptUserAction : public TQvDemoScriptMacroAction {
 public:
  TQvDemoScriptUserAction(TQvDemoPlaybackBase& Playback, const QString& Command, const TQvDemoScriptParams& Params);
  void Start() override;

  const QString& Command() const { return FCommand; }

 private:
  QString FCommand;  // upper case
};

// The action for one script line (UTF-8 bytes); nullptr for a line that does nothing (empty, or a
// command word starting with "#", "*", "/" or ";"). A malformed number in the arguments gives an
// action that reports "Invalid arguments." when it runs.
std::unique_ptr<TQvDemoScriptAction> CreateDemoScriptAction(TQvDemoPlaybackBase& Playback, QByteArrayView Line);
