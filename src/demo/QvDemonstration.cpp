#include "QvDemonstration.h"

#include "MainForm.h"
#include "QvApplication.h"
#include "QvDemoPlayback.h"
#include "QvDemoControlCentre.h"
#include "QvDemoScriptParams.h"
#include "QvDemoRecorder.h"
#include "QvGuid.h"
#include "QvSDF.h"

#include <QAction>
#include <QWidget>

#include <cmath>
#include <limits>
#include <optional>

TQvDemonstrationModule* DemonstrationModule = nullptr;

namespace {
// A numeric item as an integer, rounded to nearest (ties to even); nothing when it does not fit.
std::optional<int> ToInteger(const TQvDemoScriptParams& Params, int Index) {
  const double Value = std::nearbyint(Params.AsDouble(Index));
  if (!(Value >= std::numeric_limits<int>::min() && Value <= std::numeric_limits<int>::max())) return std::nullopt;
  return static_cast<int>(Value);
}

// Every demonstration target among the application's components, in creation order.
template <class F>
void ForEachTarget(F&& Call) {
  if (!Application) return;
  for (int I = 0; I < Application->ComponentCount(); ++I) {
    if (auto* Target = dynamic_cast<IQvDemoTarget*>(Application->Components(I)))
      if (Call(*Target)) return;
  }
}
}  // namespace

TQvDemonstrationModule::TQvDemonstrationModule() : FPlayback(std::make_unique<TQvDemoPlayback>()) {
  TQvDemoPlayback& P = *FPlayback;
  P.OnCommand = [this](TQvDemoPlayback* Sender, const QString& Command, bool& Handled,
                       TQvDemoScriptUserAction& Action, const TQvDemoScriptParams& Params) {
    Handled = ExecuteCommand(Sender, Command, &Action, Params);
  };
  P.OnGetControlPoint = [this](TQvDemoPlayback* Sender, const TQvDemoScriptParams& Params, bool& Handled,
                               QPoint& Point) { Handled = GetControlPoint(Sender, Params, Point); };
  P.OnBeforeStart = [this](TQvDemoPlayback* Sender, bool& Cancel) { OnBeforeStart(Sender, Cancel); };
  P.OnStopQuery = [this](TQvDemoPlayback* Sender, bool& Stop) { OnStopQuery(Sender, Stop); };
  P.OnEnd = [this](TQvDemoPlayback* Sender) { OnEnd(Sender); };
  P.OnError = [this](TQvDemoPlayback* Sender, const QString& Message, bool& Stop, const QString& LineText) {
    OnError(Sender, Message, Stop, LineText);
  };
  DemoErrorReporter = [](TQvDemoPlayback* Playback, const QString& Message) {
    if (Playback) Playback->Error(Message);
  };
  if (MainForm && MainForm->HelpMenuItem)
    DemoMenuItem = MainForm->AddMenuItem(QString(), QKeySequence(), nullptr, MainForm->HelpMenuItem, -1,
                                         [this] { ShowBrowser(); });
}

TQvDemonstrationModule::~TQvDemonstrationModule() {
  // The engine ends first (a held button is let go) while the module it calls is still whole.
  FPlayback.reset();
  if (DemonstrationModule == this) DemonstrationModule = nullptr;
}

// ---- registries ----

TQvDemoCommandInfo& TQvDemonstrationModule::AddCommand(const QString& Name) {
  TQvDemoCommandInfo& Info = FCommands.emplace_back();
  Info.Name = Name.toUpper();
  return Info;
}

void TQvDemonstrationModule::RegisterCommand(const QString& Name, std::function<void()> Procedure) {
  AddCommand(Name).Procedure = std::move(Procedure);
}

void TQvDemonstrationModule::RegisterNotifyCommand(const QString& Name, QObject* Sender,
                                                   std::function<void(QObject*)> Handler) {
  TQvDemoCommandInfo& Info = AddCommand(Name);
  Info.Sender = Sender;
  Info.Notify = std::move(Handler);
}

void TQvDemonstrationModule::RegisterBooleanCommand(const QString& Name, bool Default, std::function<void(bool)> Setter) {
  TQvDemoCommandInfo& Info = AddCommand(Name);
  Info.BooleanDefault = Default;
  Info.BooleanSetter = std::move(Setter);
}

void TQvDemonstrationModule::RegisterIntegerCommand(const QString& Name, int Default, std::function<void(int)> Setter) {
  TQvDemoCommandInfo& Info = AddCommand(Name);
  Info.IntegerDefault = Default;
  Info.IntegerSetter = std::move(Setter);
}

void TQvDemonstrationModule::RegisterIntegerCommand2(const QString& Name, int Default, std::function<void(int)> Setter) {
  TQvDemoCommandInfo& Info = AddCommand(Name);
  Info.IntegerDefault = Default;
  Info.IntegerSetter2 = std::move(Setter);
}

void TQvDemonstrationModule::RegisterPointCommand(const QString& Name, QPoint Default,
                                                  std::function<void(int, int)> Setter) {
  TQvDemoCommandInfo& Info = AddCommand(Name);
  Info.PointDefault = Default;
  Info.PointSetter = std::move(Setter);
}

void TQvDemonstrationModule::RegisterFloatCommand(const QString& Name, double Default, std::function<void(double)> Setter) {
  TQvDemoCommandInfo& Info = AddCommand(Name);
  Info.FloatDefault = Default;
  Info.FloatSetter = std::move(Setter);
}

void TQvDemonstrationModule::RegisterComponent(const QString& Name, QObject* Component) {
  if (!Component) return;
  FComponents.push_back({Name.toUpper(), Component});
}

// ---- the playback's questions ----

bool TQvDemonstrationModule::CallCommand(const TQvDemoCommandInfo& Info, const TQvDemoScriptParams& Params) {
  if (Info.Procedure) {
    Info.Procedure();
  } else if (Info.Notify) {
    Info.Notify(Info.Sender.data());
  } else if (Info.BooleanSetter) {
    Info.BooleanSetter(Params.Count() == 0 ? Info.BooleanDefault : Params.IsNumeric(0) && Params.AsDouble(0) != 0);
  } else if (Info.IntegerSetter || Info.IntegerSetter2) {
    int Value = Info.IntegerDefault;
    if (Params.IsNumeric(0)) {
      const std::optional<int> Item = ToInteger(Params, 0);
      if (!Item) return false;
      Value = *Item;
    }
    (Info.IntegerSetter ? Info.IntegerSetter : Info.IntegerSetter2)(Value);
  } else if (Info.PointSetter) {
    QPoint Value = Info.PointDefault;
    if (Params.Count() >= 2 && Params.IsNumeric(0) && Params.IsNumeric(1)) {
      const std::optional<int> X = ToInteger(Params, 0);
      const std::optional<int> Y = ToInteger(Params, 1);
      if (!X || !Y) return false;
      Value = QPoint(*X, *Y);
    }
    Info.PointSetter(Value.x(), Value.y());
  } else if (Info.FloatSetter) {
    Info.FloatSetter(Params.IsNumeric(0) ? Params.AsDouble(0) : Info.FloatDefault);
  }
  return true;
}

bool TQvDemonstrationModule::ExecuteCommand(TQvDemoPlayback* Playback, const QString& Command,
                                            TQvDemoScriptUserAction* Action, const TQvDemoScriptParams& Params) {
  const QString Name = Command.toUpper();
  for (const TQvDemoCommandInfo& Info : FCommands) {
    if (Info.Name != Name || !Info.HasHandler()) continue;
    // A copy: the handler may register further commands, which can move the registry.
    const TQvDemoCommandInfo Found = Info;
    if (!CallCommand(Found, Params) && DemoErrorReporter)
      DemoErrorReporter(Playback, QStringLiteral("Invalid arguments."));
    return true;
  }
  // Targets take a modifiable list; they get their own copy of the line's arguments.
  TQvDemoScriptParams Arguments(Params);
  bool Handled = false;
  ForEachTarget([&](IQvDemoTarget& Target) {
    Target.ExecuteDemoCommand(Playback, Name, Handled, Action, &Arguments);
    return Handled;
  });
  return Handled;
}

bool TQvDemonstrationModule::GetControlPoint(TQvDemoPlayback* Playback, const TQvDemoScriptParams& Params,
                                             QPoint& Point) {
  const QString Name = Params.AsString(0).toUpper();
  for (const TQvDemoComponentInfo& Info : FComponents) {
    if (Info.Name != Name || !Info.Component) continue;
    // A hidden control (a tool that plug-in mode hides) is nowhere a pointer could press it.
    if (auto* Control = qobject_cast<QWidget*>(Info.Component.data())) {
      if (!Control->isVisible()) continue;
      Point = GetControlCenter(*Control);
      return true;
    }
    if (auto* Item = qobject_cast<QAction*>(Info.Component.data()); Item && Item->isVisible()) {
      if (GetMenuItemCenter(Item, Point) || GetToolbarItemCenter(Item, Point)) return true;
    }
  }
  TQvDemoScriptParams Arguments(Params);
  bool Handled = false;
  ForEachTarget([&](IQvDemoTarget& Target) {
    Target.GetDemoControlPoint(Playback, &Arguments, Handled, Point);
    return Handled;
  });
  return Handled;
}

// ---- recording ----

void TQvDemonstrationModule::StartDemoRecording(TQvDemoRecorder* ARecorder) {
  FRecorder = ARecorder;
  ForEachTarget([&](IQvDemoTarget& Target) {
    Target.StartDemoRecording(ARecorder);
    return false;
  });
}

void TQvDemonstrationModule::StopDemoRecording() {
  ForEachTarget([](IQvDemoTarget& Target) {
    Target.StopDemoRecording();
    return false;
  });
  FRecorder = nullptr;
}

void TQvDemonstrationModule::RecordLine(const QString& Text) {
  TQvDemoLines::Line(FRecorder, Text);
}

void TQvDemonstrationModule::RecordMove(const QString& Name) { RecordLine(QStringLiteral("MouseCurvedMove ") + Name); }

void TQvDemonstrationModule::RecordCommand(const QString& Name, const QString& Arguments) {
  if (!FRecorder) return;
  RecordMove(Name);
  RecordLine(Arguments.isEmpty() ? Name : Name + QLatin1Char(' ') + Arguments);
}

void TQvDemonstrationModule::RecordMessage(const QString& Text) {
  TQvDemoLines::Message(FRecorder, Text);
}

bool TQvDemonstrationModule::RecordMessages() const { return FRecorder && FRecorder->RecordMessages(); }

// ---- folder and settings ----

void TQvDemonstrationModule::SetDemoFolder(const QString& Folder) {
  FDemoFolder = Folder;
  if (!FDemoFolder.isEmpty() && !FDemoFolder.endsWith(QLatin1Char('/'))) FDemoFolder += QLatin1Char('/');
}

void TQvDemonstrationModule::SaveSettings(TQvSDFWriter& Writer) {
  Writer.BeginNode(1, QvSettingsGuid::DemonstrationModule);
  Writer.WriteBoolean(1, FShowAtStartup);
  Writer.EndNode();
}

void TQvDemonstrationModule::LoadSettings(TQvSDFReader& Reader) {
  if (!Reader.EnterNode(1, QvSettingsGuid::DemonstrationModule)) return;
  Reader.ReadBoolean(1, FShowAtStartup);
  Reader.LeaveNode();
}
