// How modules and tools take part in demonstrations, without depending on the demonstration
// library: IQvDemoTarget answers named commands and controls and reports what the user does while
// a recording runs; IQvDemoRegistry is where a module registers its own commands and controls and
// records lines. The demonstration module implements the registry and finds targets by walking the
// application's components in creation order.
#pragma once

#include "QvApplication.h"

#include <QPoint>
#include <QString>

#include <functional>

class QObject;
class TQvCustomProperties;
class TQvDemoPlayback;
class TQvDemoRecorder;
class TQvDemoScriptUserAction;

class IQvDemoTarget {
 public:
  virtual ~IQvDemoTarget() = default;
  // Carries out Command (upper case) with the line's arguments; sets Handled when the command was
  // recognised. Action is the script line's action (nullptr when no line runs it).
  virtual void ExecuteDemoCommand(TQvDemoPlayback* Playback, const QString& Command, bool& Handled,
                                  TQvDemoScriptUserAction* Action, TQvCustomProperties* Params) = 0;
  // When item 0 of Params names one of this module's controls (any letter case): Point := its
  // screen position, normally its centre, and Handled := true.
  virtual void GetDemoControlPoint(TQvDemoPlayback* Playback, TQvCustomProperties* Params, bool& Handled,
                                   QPoint& Point) = 0;
  // From now on report the user's actions as script lines to Recorder (kept, not owned).
  virtual void StartDemoRecording(TQvDemoRecorder* Recorder) = 0;
  // Forget the recorder.
  virtual void StopDemoRecording() = 0;
};

// Every name is stored and compared in upper case. A command registered twice runs its first
// registration only.
class IQvDemoRegistry {
 public:
  virtual ~IQvDemoRegistry() = default;
  virtual void RegisterCommand(const QString& Name, std::function<void()> Procedure) = 0;
  // Handler receives Sender when the command runs.
  virtual void RegisterNotifyCommand(const QString& Name, QObject* Sender, std::function<void(QObject*)> Handler) = 0;
  // Without arguments Default; otherwise item 0 != 0 when it is a number, else false.
  virtual void RegisterBooleanCommand(const QString& Name, bool Default, std::function<void(bool)> Setter) = 0;
  // Item 0 when it is a number, else Default.
  virtual void RegisterIntegerCommand(const QString& Name, int Default, std::function<void(int)> Setter) = 0;
  virtual void RegisterIntegerCommand2(const QString& Name, int Default, std::function<void(int)> Setter) = 0;
  // Items 0 and 1 when both are numbers, else the default point.
  virtual void RegisterPointCommand(const QString& Name, QPoint Default, std::function<void(int, int)> Setter) = 0;
  // Item 0 when it is a number, else Default.
  virtual void RegisterFloatCommand(const QString& Name, double Default, std::function<void(double)> Setter) = 0;
  // A control (widget), menu item or toolbar item that scripts move the pointer to by Name;
  // ignored for nullptr.
  virtual void RegisterComponent(const QString& Name, QObject* Component) = 0;

  // The recording services; each does nothing unless a recording runs.
  virtual void RecordLine(const QString& Text) = 0;
  // "MouseCurvedMove Name".
  virtual void RecordMove(const QString& Name) = 0;
  // "MouseCurvedMove Name", then "Name Arguments" (Name alone without arguments).
  virtual void RecordCommand(const QString& Name, const QString& Arguments = QString()) = 0;
  // Message "Text".
  virtual void RecordMessage(const QString& Text) = 0;
  // Whether commands should also record a "Message" line that explains them.
  virtual bool RecordMessages() const = 0;
};

// The application's demonstration registry (the demonstration module), found among its components;
// nullptr when the program has none, as in tests of a single module.
inline IQvDemoRegistry* FindDemoRegistry() {
  if (!Application) return nullptr;
  for (int I = 0; I < Application->ComponentCount(); ++I)
    if (auto* Registry = dynamic_cast<IQvDemoRegistry*>(Application->Components(I))) return Registry;
  return nullptr;
}
