// The services of the playback engine that a script line's action uses: the simulated pointer, the
// mouse speed, the held button, the time, error reports, the script's localised texts, the balloon
// and the two requests answered by the modules.
#pragma once

#include "QvDemoInputSink.h"
#include "QvDemoScript.h"

#include <QPoint>
#include <QString>

#include <cstdint>
#include <functional>

class TQvDemoScriptParams;
class TQvDemoScriptUserAction;
class TQvLocalizer;

class TQvDemoPlaybackBase {
 public:
  // Milliseconds from a steady clock; only differences are used.
  using TClock = std::function<std::int64_t()>;

  // Input must outlive the object. Without a clock, a monotonic millisecond clock is used; without
  // a localizer, the process's localizer.
  explicit TQvDemoPlaybackBase(IQvDemoInputSink& Input, TClock Clock = {},
                               const TQvLocalizer* Localizer = nullptr);
  virtual ~TQvDemoPlaybackBase();
  TQvDemoPlaybackBase(const TQvDemoPlaybackBase&) = delete;
  TQvDemoPlaybackBase& operator=(const TQvDemoPlaybackBase&) = delete;

  // The simulated pointer position; SetPointerPos also moves the system pointer there.
  QPoint GetPointerPos() const { return QPoint(FMouseX, FMouseY); }
  void SetPointerPos(const QPoint& Point);
  // Moves the system pointer back onto the simulated position.
  void RestorePointer();

  // Pixels per 20 ms of movement; a new value of 0 is ignored.
  std::uint16_t Speed() const { return FSpeed; }
  void SetSpeed(std::uint16_t Value);

  bool ButtonsSwapped() { return FInput.ButtonsSwapped(); }
  // The primary button is held by the script (released if the playback stops mid-drag).
  bool ButtonDown() const { return FButtonDown; }
  void SetButtonDown(bool Value) { FButtonDown = Value; }

  std::int64_t TickCount() const { return FClock(); }
  IQvDemoInputSink& Input() { return FInput; }
  const TQvLocalizer& Localizer() const { return *FLocalizer; }

  TQvDemoScript& Script() { return FScript; }
  const TQvDemoScript& Script() const { return FScript; }
  void SetScript(const TQvDemoScript& Script) { FScript = Script; }

  // A script error; the engine pauses, reports it with the line and normally stops.
  virtual void Error(const QString& Message) = 0;
  // Asks the modules for the screen position of the control named by item 0; true when one answered.
  virtual bool GetControlPoint(const TQvDemoScriptParams& Params, QPoint& Point) = 0;
  // Asks the modules to carry out Command (upper case); true when one handled it.
  virtual bool ExecuteCommand(const QString& Command, TQvDemoScriptUserAction& Action,
                              const TQvDemoScriptParams& Params) = 0;
  // The message balloon: shown with its tip on Pos; Kind 1 to 4 picks the corner that points at
  // it, 0 lets the screen position decide. HideBalloon destroys it.
  virtual void ShowBalloon(const QPoint& Pos, int Kind, const QString& Text) = 0;
  virtual void HideBalloon() = 0;
  // The application's tool tips, switched off while a balloon shows.
  virtual void SetToolTipsEnabled(bool Enabled) = 0;

 protected:
  TQvDemoScript FScript;
  std::uint16_t FSpeed = 5;
  int FMouseX = 0;
  int FMouseY = 0;
  bool FButtonDown = false;

 private:
  IQvDemoInputSink& FInput;
  TClock FClock;
  const TQvLocalizer* FLocalizer;
};
