#include "QvDemoScriptAction.h"

#include "QvDemoPlaybackBase.h"
#include "QvLocalizer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
const QString InvalidArguments = QStringLiteral("Invalid arguments.");

// Screen coordinates beyond this are no place a pointer can go; clamping keeps the arithmetic
// of a move far from overflow whatever a script says.
constexpr double CoordinateLimit = 1 << 24;
// Longest pause or message a script can ask for, in ms (about eleven days).
constexpr double DurationLimit = 1e9;

int ToCoordinate(double V) {
  return static_cast<int>(std::nearbyint(std::clamp(V, -CoordinateLimit, CoordinateLimit)));
}

std::int64_t SecondsToMs(double Seconds) {
  return static_cast<std::int64_t>(std::nearbyint(std::clamp(Seconds * 1000.0, -DurationLimit, DurationLimit)));
}

// Sends a button event; Left means the primary button.
void SendButton(TQvDemoPlaybackBase& Playback, TQvDemoMouseButton Button, bool Down) {
  if (Playback.ButtonsSwapped())
    Button = Button == TQvDemoMouseButton::Left ? TQvDemoMouseButton::Right : TQvDemoMouseButton::Left;
  Playback.Input().SendMouseButton(Button, Down, Playback.GetPointerPos());
}

// Stands for a line whose arguments could not be read.
class TInvalidArgumentsAction : public TQvDemoScriptAction {
 public:
  using TQvDemoScriptAction::TQvDemoScriptAction;
  void Start() override { FPlayback.Error(InvalidArguments); }
};

template <class T>
std::unique_ptr<TQvDemoScriptAction> Make(TQvDemoPlaybackBase& Playback, const TQvDemoScriptParams& Params) {
  return std::make_unique<T>(Playback, Params);
}

// A move with the line's arguments followed by button parts without arguments.
template <class TMove, class... TButtons>
std::unique_ptr<TQvDemoScriptAction> MoveThen(TQvDemoPlaybackBase& Playback, const TQvDemoScriptParams& Params) {
  auto Macro = std::make_unique<TQvDemoScriptMacroAction>(Playback, Params);
  const TQvDemoScriptParams None;
  Macro->Add(std::make_unique<TMove>(Playback, Params));
  (Macro->Add(std::make_unique<TButtons>(Playback, None)), ...);
  return Macro;
}
}  // namespace

// ---------------------------------------------------------------------------------------------

TQvDemoScriptAction::TQvDemoScriptAction(TQvDemoPlaybackBase& Playback, const TQvDemoScriptParams& Params)
    : FPlayback(Playback), FParams(Params) {}

TQvDemoScriptAction::~TQvDemoScriptAction() = default;

void TQvDemoScriptAction::Start() {}
bool TQvDemoScriptAction::IsDone() { return true; }

void TQvDemoScriptAction::Execute() {
  if (FStarted) return;
  FStarted = true;
  Start();
}

void TQvDemoScriptAction::Suspend() {}
void TQvDemoScriptAction::Resume() {}
void TQvDemoScriptAction::Abort() {}

QPoint TQvDemoScriptAction::FindTarget() {
  if (FParams.Count() == 0) return FPlayback.GetPointerPos();
  if (FParams.IsNumeric(0) && FParams.IsNumeric(1))
    return QPoint(ToCoordinate(FParams.AsDouble(0)), ToCoordinate(FParams.AsDouble(1)));
  QPoint Point;
  if (FPlayback.GetControlPoint(FParams, Point)) return QPoint(ToCoordinate(Point.x()), ToCoordinate(Point.y()));
  FPlayback.Error(InvalidArguments);
  return FPlayback.GetPointerPos();
}

// ---------------------------------------------------------------------------------------------

void TQvDemoScriptPauseAction::Start() {
  FDuration = FParams.IsNumeric(0) ? SecondsToMs(FParams.AsDouble(0)) : 1000;
  FElapsed = 0;
  FLastTick = FPlayback.TickCount();
}

bool TQvDemoScriptPauseAction::IsDone() { return FElapsed >= FDuration; }

void TQvDemoScriptPauseAction::Execute() {
  TQvDemoScriptAction::Execute();
  if (IsDone()) return;
  const std::int64_t Now = FPlayback.TickCount();
  FElapsed += Now - FLastTick;
  FLastTick = Now;
  // The user cannot move the pointer away while the script waits.
  FPlayback.RestorePointer();
}

void TQvDemoScriptPauseAction::Resume() { FLastTick = FPlayback.TickCount(); }

// ---------------------------------------------------------------------------------------------

TQvDemoScriptBalloonAction::~TQvDemoScriptBalloonAction() {
  if (FShown) {
    FPlayback.SetToolTipsEnabled(true);
    FPlayback.HideBalloon();
  }
  if (FCursorHidden) FPlayback.Input().SetCursorVisible(true);
}

void TQvDemoScriptBalloonAction::Start() {
  FText = FParams.AsString(0);
  if (FText.size() > 1 && FText[0] == u'%') {
    FText = FPlayback.Script().GetLocalValue(FText.mid(1).toUtf8(), FPlayback.Localizer());
  } else if (FText.size() > 1 && FText[0] == u'&') {
    bool Ok = false;
    const int Id = FText.mid(1).trimmed().toInt(&Ok);
    if (Ok) {
      FText = FPlayback.Localizer().GetLocalString(Id);
    } else {
      FText.clear();
      FPlayback.Error(InvalidArguments);
    }
  }
  FDuration = FParams.IsNumeric(1) ? SecondsToMs(FParams.AsDouble(1)) : 3000;
  const double Kind = FParams.AsDouble(2);
  FKind = FParams.IsNumeric(2) && (Kind == 1 || Kind == 2 || Kind == 3 || Kind == 4) ? static_cast<int>(Kind) : 0;
  FPos = FPlayback.GetPointerPos();
  FElapsed = 0;
  if (FText.isEmpty()) {
    FDuration = 0;
    return;
  }
  FShown = true;
  ShowBalloon();
  FLastTick = FPlayback.TickCount();
}

void TQvDemoScriptBalloonAction::ShowBalloon() {
  if (!FShown || FVisible) return;
  FPlayback.SetToolTipsEnabled(false);
  FPlayback.ShowBalloon(FPos, FKind, FText);
  FVisible = true;
  if (!FCursorHidden) {
    FPlayback.Input().SetCursorVisible(false);
    FCursorHidden = true;
  }
}

void TQvDemoScriptBalloonAction::HideBalloon() {
  if (!FVisible) return;
  FPlayback.SetToolTipsEnabled(true);
  FPlayback.HideBalloon();
  FVisible = false;
  if (FCursorHidden) {
    FPlayback.Input().SetCursorVisible(true);
    FCursorHidden = false;
  }
}

void TQvDemoScriptBalloonAction::Suspend() { HideBalloon(); }

void TQvDemoScriptBalloonAction::Resume() {
  TQvDemoScriptPauseAction::Resume();
  ShowBalloon();
}

// ---------------------------------------------------------------------------------------------

void TQvDemoScriptMouseToAction::Start() { FTarget = FindTarget(); }

void TQvDemoScriptMouseToAction::Execute() {
  TQvDemoScriptAction::Execute();
  FPlayback.SetPointerPos(FTarget);
}

// ---------------------------------------------------------------------------------------------

void TQvDemoScriptMouseMoveAction::Start() {
  FStart = FPlayback.GetPointerPos();
  FTarget = FindTarget();
  FDX = double(FTarget.x()) - FStart.x();
  FDY = double(FTarget.y()) - FStart.y();
  FDistance = std::sqrt(FDX * FDX + FDY * FDY);
  if (FDistance == 0) {
    FDone = true;
    return;
  }
  FLastTick = FPlayback.TickCount();
  FElapsed = 0;
  const double Speed = std::max<int>(FPlayback.Speed(), 1);
  FDuration = static_cast<std::int64_t>(std::nearbyint(FDistance * 20 / Speed));
}

bool TQvDemoScriptMouseMoveAction::IsDone() { return FDone; }

void TQvDemoScriptMouseMoveAction::Execute() {
  TQvDemoScriptAction::Execute();
  if (FDone) {
    FPlayback.SetPointerPos(FTarget);
    return;
  }
  const std::int64_t Now = FPlayback.TickCount();
  const std::int64_t Dt = Now - FLastTick;
  const double T = FDuration > 0 ? double(FElapsed + Dt) / double(FDuration) : 1.0;
  if (T >= 1) {
    FDone = true;
    FPlayback.SetPointerPos(FTarget);
    return;
  }
  const double E = T < 0.5 ? 2 * T * T : 1 - 2 * (1 - T) * (1 - T);
  double OffsetX = 0, OffsetY = 0;
  if (FCurve != 0 && FDX != 0 && FDY != 0) {
    const double K = std::min(std::fabs(FDX), std::fabs(FDY)) / FCurve;
    const double S = std::sin(std::numbers::pi * E) * K / FDistance;
    // Both offsets take the same sign rather than forming the perpendicular, so existing scripts
    // keep the paths they were written against.
    OffsetX = S * FDY;
    OffsetY = S * FDX;
  }
  FPlayback.SetPointerPos(QPoint(FStart.x() + static_cast<int>(std::nearbyint(FDX * E + OffsetX)),
                                 FStart.y() + static_cast<int>(std::nearbyint(FDY * E + OffsetY))));
  FElapsed += Dt;
  FLastTick += Dt;
}

void TQvDemoScriptMouseMoveAction::Resume() { FLastTick = FPlayback.TickCount(); }

void TQvDemoScriptMouseCurvedMoveAction::Start() {
  TQvDemoScriptMouseMoveAction::Start();
  FCurve = 3;
}

// ---------------------------------------------------------------------------------------------

void TQvDemoScriptMouseLeftDownAction::Start() {
  SendButton(FPlayback, TQvDemoMouseButton::Left, true);
  FPlayback.SetButtonDown(true);
}

void TQvDemoScriptMouseLeftUpAction::Start() {
  SendButton(FPlayback, TQvDemoMouseButton::Left, false);
  FPlayback.SetButtonDown(false);
}

void TQvDemoScriptMouseRightDownAction::Start() { SendButton(FPlayback, TQvDemoMouseButton::Right, true); }

void TQvDemoScriptMouseRightUpAction::Start() { SendButton(FPlayback, TQvDemoMouseButton::Right, false); }

void TQvDemoScriptMouseSpeedAction::Start() {
  if (!FParams.IsNumeric(0)) return;
  const double V = std::clamp(std::nearbyint(FParams.AsDouble(0)), -9e18, 9e18);
  FPlayback.SetSpeed(static_cast<std::uint16_t>(static_cast<std::int64_t>(V) & 0xFFFF));
}

// ---------------------------------------------------------------------------------------------

TQvDemoScriptMacroAction::~TQvDemoScriptMacroAction() = default;

bool TQvDemoScriptMacroAction::IsDone() { return FIndex >= FActions.size(); }

void TQvDemoScriptMacroAction::Execute() {
  TQvDemoScriptAction::Execute();
  if (FIndex >= FActions.size()) return;
  TQvDemoScriptAction& Part = *FActions[FIndex];
  Part.Execute();
  if (Part.IsDone()) ++FIndex;
}

void TQvDemoScriptMacroAction::Suspend() {
  if (FIndex < FActions.size()) FActions[FIndex]->Suspend();
}

void TQvDemoScriptMacroAction::Resume() {
  if (FIndex < FActions.size()) FActions[FIndex]->Resume();
}

void TQvDemoScriptMacroAction::Abort() {
  if (FIndex < FActions.size()) FActions[FIndex]->Abort();
}

void TQvDemoScriptMacroAction::Add(std::unique_ptr<TQvDemoScriptAction> Action) {
  if (Action) FActions.push_back(std::move(Action));
}

TQvDemoScriptAction* TQvDemoScriptMacroAction::Actions(int Index) const {
  return Index >= 0 && static_cast<std::size_t>(Index) < FActions.size() ? FActions[Index].get() : nullptr;
}

// ---------------------------------------------------------------------------------------------

TQvDemoScriptUserAction::TQvDemoScriptUserAction(TQvDemoPlaybackBase& Playback, const QString& Command,
                                                 const TQvDemoScriptParams& Params)
    : TQvDemoScriptMacroAction(Playback, Params), FCommand(Command.trimmed().toUpper()) {}

void TQvDemoScriptUserAction::Start() {
  if (!FPlayback.ExecuteCommand(FCommand, *this, FParams))
    FPlayback.Error(QStringLiteral("Unknown command: \"%1\"").arg(FCommand));
}

// ---------------------------------------------------------------------------------------------

std::unique_ptr<TQvDemoScriptAction> CreateDemoScriptAction(TQvDemoPlaybackBase& Playback, QByteArrayView Line) {
  QByteArray Command;
  QByteArrayView Arguments;
  if (!SplitDemoScriptLine(Line, Command, Arguments)) return nullptr;
  const TQvDemoScriptParams Params(Arguments);
  if (!Params.Valid()) return std::make_unique<TInvalidArgumentsAction>(Playback, Params);

  using Left = TQvDemoScriptMouseLeftDownAction;
  using LeftUp = TQvDemoScriptMouseLeftUpAction;
  if (Command == "PAUSE") return Make<TQvDemoScriptPauseAction>(Playback, Params);
  if (Command == "MESSAGE") return Make<TQvDemoScriptBalloonAction>(Playback, Params);
  if (Command == "MOUSETO") return Make<TQvDemoScriptMouseToAction>(Playback, Params);
  if (Command == "MOUSEMOVE") return Make<TQvDemoScriptMouseMoveAction>(Playback, Params);
  if (Command == "MOUSECURVEDMOVE") return Make<TQvDemoScriptMouseCurvedMoveAction>(Playback, Params);
  if (Command == "MOUSECLICK" || Command == "MOUSELEFTCLICK")
    return MoveThen<TQvDemoScriptMouseMoveAction, Left, LeftUp>(Playback, Params);
  if (Command == "MOUSEDRAG" || Command == "MOUSEDRAGANDDROP") {
    auto Macro = std::make_unique<TQvDemoScriptMacroAction>(Playback, Params);
    const TQvDemoScriptParams None;
    Macro->Add(std::make_unique<Left>(Playback, None));
    Macro->Add(std::make_unique<TQvDemoScriptMouseCurvedMoveAction>(Playback, Params));
    Macro->Add(std::make_unique<LeftUp>(Playback, None));
    return Macro;
  }
  if (Command == "MOUSEDBLCLICK" || Command == "MOUSELEFTDBLCLICK")
    return MoveThen<TQvDemoScriptMouseCurvedMoveAction, Left, LeftUp, Left, LeftUp>(Playback, Params);
  if (Command == "MOUSERIGHTCLICK")
    return MoveThen<TQvDemoScriptMouseCurvedMoveAction, TQvDemoScriptMouseRightDownAction,
                    TQvDemoScriptMouseRightUpAction>(Playback, Params);
  if (Command == "MOUSEDOWN" || Command == "MOUSELEFTDOWN") return Make<Left>(Playback, Params);
  if (Command == "MOUSEUP" || Command == "MOUSELEFTUP") return Make<LeftUp>(Playback, Params);
  if (Command == "MOUSERIGHTDOWN") return Make<TQvDemoScriptMouseRightDownAction>(Playback, Params);
  if (Command == "MOUSERIGHTUP") return Make<TQvDemoScriptMouseRightUpAction>(Playback, Params);
  if (Command == "MOUSESPEED") return Make<TQvDemoScriptMouseSpeedAction>(Playback, Params);
  return std::make_unique<TQvDemoScriptUserAction>(Playback, QString::fromUtf8(Command), Params);
}
