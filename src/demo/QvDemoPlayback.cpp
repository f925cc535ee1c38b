#include "QvDemoPlayback.h"

#include "QvApplication.h"
#include "QvBalloon.h"
#include "QvDemoScriptAction.h"
#include "QvDemoSystemInput.h"
#include "QvLocalizer.h"

#include <QApplication>
#include <QKeyEvent>
#include <QToolTip>
#include <QWidget>

#include <chrono>
#include <cmath>
#include <optional>

namespace {
// One step about every 10 ms.
constexpr int StepInterval = 10;

std::optional<double>& DefaultScaleSetting() {
  static std::optional<double> Scale;
  return Scale;
}

bool IsEscape(QEvent* Event) {
  return static_cast<QKeyEvent*>(Event)->key() == Qt::Key_Escape;
}
}  // namespace

TQvDemoPlaybackParts::TQvDemoPlaybackParts(IQvDemoInputSink* Input) {
  if (!Input) {
    FOwnedInput = std::make_unique<TQvDemoSystemInput>();
    Input = FOwnedInput.get();
  }
  FInput = Input;
}

TQvDemoPlayback::TQvDemoPlayback(IQvDemoInputSink* Input, TClock Clock, const TQvLocalizer* Localizer)
    : TQvDemoPlaybackParts(Input),
      TQvDemoPlaybackBase(InputSink(), [this] { return Now(); }, Localizer),
      FRecorder(FScript),
      FRawClock(std::move(Clock)) {
  if (!FRawClock)
    FRawClock = [] {
      return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count();
    };
  FRawAtMark = FRawClock();
  FScaledAtMark = static_cast<double>(FRawAtMark);
  FTimeScale = DefaultTimeScale();
  FTimer.setInterval(StepInterval);
  connect(&FTimer, &QTimer::timeout, this, [this] {
    if (!FInStep && !Step()) FTimer.stop();
  });
  FRecorder.OnRecordStart = [this](TQvDemoScriptRecorder&) {
    if (OnRecordStart) OnRecordStart(this);
  };
  FRecorder.OnRecordStop = [this](TQvDemoScriptRecorder&) {
    if (OnRecordStop) OnRecordStop(this);
  };
  FRecorder.OnRecordLine = [this](TQvDemoScriptRecorder&, int Index, const QString& Text) {
    if (OnRecordLine) OnRecordLine(this, Index, Text);
  };
}

TQvDemoPlayback::~TQvDemoPlayback() {
  // Closing the program in the middle of a drag must not leave the button pressed.
  FTimer.stop();
  if (IsPlaying() || FState == StateStopped) EndPlayback();
  FAction.reset();
}

// ---- clock ----

double TQvDemoPlayback::DefaultTimeScale() {
  std::optional<double>& Scale = DefaultScaleSetting();
  if (!Scale) {
    bool Ok = false;
    const double FromEnvironment = qEnvironmentVariable("OCUVANE_DEMO_SPEED").toDouble(&Ok);
    Scale = Ok && FromEnvironment > 0 && std::isfinite(FromEnvironment) ? FromEnvironment : 1.0;
  }
  return *Scale;
}

void TQvDemoPlayback::SetDefaultTimeScale(double Scale) {
  if (Scale > 0 && std::isfinite(Scale)) DefaultScaleSetting() = Scale;
}

void TQvDemoPlayback::SetTimeScale(double Scale) {
  if (!(Scale > 0) || !std::isfinite(Scale)) return;
  // The clock keeps running from where it is, so actions under way see no jump.
  const std::int64_t Raw = FRawClock();
  FScaledAtMark += static_cast<double>(Raw - FRawAtMark) * FTimeScale;
  FRawAtMark = Raw;
  FTimeScale = Scale;
}

std::int64_t TQvDemoPlayback::Now() {
  return static_cast<std::int64_t>(FScaledAtMark + static_cast<double>(FRawClock() - FRawAtMark) * FTimeScale);
}

// ---- playing ----

bool TQvDemoPlayback::Play(int FromLine) {
  if (IsPlaying() || IsRecording()) return false;
  bool Cancel = false;
  if (OnBeforeStart) OnBeforeStart(this, Cancel);
  if (Cancel) return true;
  // What an earlier playback left behind (a stop whose last step has not run yet).
  EndPlayback();
  FAction.reset();
  ++FRun;
  FState = StatePlaying;
  FLine = FromLine < 0 ? 0 : FromLine;
  FSuspendCount = 0;
  FInactiveSuspended = FMinimizedSuspended = false;
  const QPoint Real = Input().PointerPos();
  FMouseX = Real.x();
  FMouseY = Real.y();
  Hook();
  FTimer.start();
  return true;
}

bool TQvDemoPlayback::Step() {
  if (FInStep) return IsPlaying();
  FInStep = true;
  const int Run = FRun;
  try {
    if (FState == StatePlaying) {
      if (!FAction) {
        const QByteArrayList& Lines = FScript.Lines();
        if (FLine >= 0 && FLine < Lines.size()) {
          FAction = CreateDemoScriptAction(*this, Lines[FLine]);
        } else {
          FState = StateIdle;
          EndPlayback();
          FTimer.stop();
          FInStep = false;
          if (OnEnd) OnEnd(this);
          return IsPlaying();
        }
      }
      if (FAction) {
        FAction->Execute();
        // Playing may have been stopped (or even started anew) from inside the action.
        if (Run != FRun) {
          FInStep = false;
          return IsPlaying();
        }
        if (FState == StatePlaying && FAction->IsDone()) FAction.reset();
      }
      if (!FAction && FState == StatePlaying) ++FLine;
    }
    if (FState == StateStopped) {
      EndPlayback();
      FAction.reset();
    }
  } catch (const std::exception& E) {
    FInStep = false;
    if (Run == FRun) Fail(QString::fromUtf8(E.what()));
    return IsPlaying();
  } catch (...) {
    FInStep = false;
    if (Run == FRun) Fail(QStringLiteral("Unknown error"));
    return IsPlaying();
  }
  FInStep = false;
  return IsPlaying();
}

void TQvDemoPlayback::Fail(const QString& Reason) {
  const QString Message =
      Localizer().GetLocalString(5851, QStringLiteral("An error stopped the demonstration: %s")).replace("%s", Reason);
  const QString LineText = CurrentLineText();
  // Reported like a script error while the playback still counts as playing, so the handler
  // restores what the demonstration changed; then it ends whatever the handler says.
  if (FState == StatePlaying) Suspend();
  // The report is a message box: it must not meet a button the script holds down.
  ReleaseButton();
  if (OnError) {
    bool StopIt = true;
    OnError(this, Message, StopIt, LineText);
  } else if (Application) {
    Application->ShowException(Message);
  }
  FState = StateStopped;
  FSuspendCount = 0;
  if (FAction) FAction->Abort();
  EndPlayback();
  FAction.reset();
  FTimer.stop();
}

void TQvDemoPlayback::Suspend() {
  if (FState == StatePlaying) {
    if (FAction) FAction->Suspend();
    FState = StateSuspended;
  }
  ++FSuspendCount;
}

void TQvDemoPlayback::Resume() {
  --FSuspendCount;
  if (FSuspendCount > 0 || FState != StateSuspended) return;
  FSuspendCount = 0;
  if (FAction) FAction->Resume();
  FState = StatePlaying;
}

bool TQvDemoPlayback::Stop() {
  if (!IsPlaying()) return false;
  Suspend();
  bool StopIt = true;
  if (OnStopQuery) OnStopQuery(this, StopIt);
  // The question may have ended the playback some other way meanwhile.
  if (!IsPlaying()) return StopIt;
  if (StopIt) {
    if (FAction) FAction->Abort();
    FState = StateStopped;
    FSuspendCount = 0;
    EndPlayback();
  } else {
    Resume();
  }
  return StopIt;
}

void TQvDemoPlayback::Error(const QString& Message) {
  const bool WasPlaying = IsPlaying();
  Suspend();
  // The report is a message box: it must not meet a button the script holds down.
  if (WasPlaying) ReleaseButton();
  bool StopIt = true;
  if (OnError) OnError(this, Message, StopIt, CurrentLineText());
  if (!WasPlaying || !IsPlaying()) {
    if (!WasPlaying) --FSuspendCount;
    return;
  }
  if (StopIt) {
    // The action that reported the error is still running; the next step frees it.
    FState = StateStopped;
    FSuspendCount = 0;
    EndPlayback();
  } else {
    Resume();
  }
}

QString TQvDemoPlayback::CurrentLineText() const {
  const QByteArrayList& Lines = FScript.Lines();
  if (FLine < 0 || FLine >= Lines.size()) return QString();
  return FScript.DecodeValue(Lines[FLine], Localizer().CurrentLangId());
}

void TQvDemoPlayback::ReleaseButton() {
  if (!FButtonDown) return;
  FButtonDown = false;
  RestorePointer();
  const TQvDemoMouseButton Primary = ButtonsSwapped() ? TQvDemoMouseButton::Right : TQvDemoMouseButton::Left;
  Input().SendMouseButton(Primary, false, GetPointerPos());
}

void TQvDemoPlayback::EndPlayback() {
  ReleaseButton();
  Unhook();
}

// ---- recording ----

bool TQvDemoPlayback::StartRecording(int AtLine) {
  if (IsPlaying() || IsRecording()) return false;
  if (!FRecorder.StartRecording(AtLine)) return false;
  FState = StateRecording;
  return true;
}

void TQvDemoPlayback::StopRecording() {
  if (!IsRecording()) return;
  FRecorder.StopRecording();
  FState = StateStopped;
}

void TQvDemoPlayback::RecordLine(const QString& Text) { FRecorder.RecordLine(Text); }

// ---- the modules' answers ----

bool TQvDemoPlayback::GetControlPoint(const TQvDemoScriptParams& Params, QPoint& Point) {
  bool Handled = false;
  if (OnGetControlPoint) OnGetControlPoint(this, Params, Handled, Point);
  return Handled;
}

bool TQvDemoPlayback::ExecuteCommand(const QString& Command, TQvDemoScriptUserAction& Action,
                                     const TQvDemoScriptParams& Params) {
  bool Handled = false;
  if (OnCommand) OnCommand(this, Command, Handled, Action, Params);
  return Handled;
}

void TQvDemoPlayback::ShowBalloon(const QPoint& Pos, int Kind, const QString& Text) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
  if (!FBalloon) FBalloon = std::make_unique<TQvBalloon>();
  FBalloon->ShowAt(Pos.x(), Pos.y(), Kind, Text);
}

void TQvDemoPlayback::HideBalloon() {
  if (FBalloon) FBalloon->Hide();
}

void TQvDemoPlayback::SetToolTipsEnabled(bool Enabled) {
  FToolTipsOff = !Enabled;
  if (!Enabled && qobject_cast<QApplication*>(QCoreApplication::instance())) QToolTip::hideText();
}

// ---- application hooks ----

void TQvDemoPlayback::Hook() {
  if (FHooked || !QCoreApplication::instance()) return;
  if (!FFilterInstalled) QCoreApplication::instance()->installEventFilter(this);
  FFilterInstalled = true;
  FHooked = true;
}

void TQvDemoPlayback::Unhook() {
  FHooked = false;
  FInactiveSuspended = FMinimizedSuspended = false;
  FToolTipsOff = false;
  // The release of the Esc that stopped the playback is still to come and is swallowed too.
  if (!FEatEscapeRelease) RemoveFilter();
}

void TQvDemoPlayback::RemoveFilter() {
  if (FFilterInstalled && QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
  FFilterInstalled = false;
}

bool TQvDemoPlayback::eventFilter(QObject* Watched, QEvent* Event) {
  if (!FHooked) {
    if (Event->type() == QEvent::KeyRelease && FEatEscapeRelease && IsEscape(Event)) {
      FEatEscapeRelease = false;
      RemoveFilter();
      return true;
    }
    return QObject::eventFilter(Watched, Event);
  }
  switch (Event->type()) {
    case QEvent::ApplicationStateChange: {
      if (Watched != QCoreApplication::instance()) break;
      const bool Active = QGuiApplication::applicationState() == Qt::ApplicationActive;
      if (!Active && !FInactiveSuspended && IsPlaying()) {
        FInactiveSuspended = true;
        Suspend();
      } else if (Active && FInactiveSuspended) {
        FInactiveSuspended = false;
        Resume();
      }
      break;
    }
    case QEvent::WindowStateChange: {
      auto* Main = Application ? Application->MainForm() : nullptr;
      if (!Main || Watched != Main) break;
      const bool Minimized = Main->isMinimized();
      if (Minimized && !FMinimizedSuspended && IsPlaying()) {
        FMinimizedSuspended = true;
        Suspend();
      } else if (!Minimized && FMinimizedSuspended) {
        FMinimizedSuspended = false;
        Resume();
      }
      break;
    }
    case QEvent::ShortcutOverride:
      // Esc belongs to the playback while it plays: no shortcut or default button takes it.
      if (FState == StatePlaying && IsEscape(Event)) {
        Event->accept();
        return true;
      }
      break;
    case QEvent::KeyPress:
      if (FState == StatePlaying && IsEscape(Event)) {
        FEatEscapeRelease = true;
        Stop();
        return true;
      }
      break;
    case QEvent::KeyRelease:
      if (FEatEscapeRelease && IsEscape(Event)) {
        FEatEscapeRelease = false;
        return true;
      }
      break;
    case QEvent::ToolTip:
      if (FToolTipsOff) return true;
      break;
    default:
      break;
  }
  return QObject::eventFilter(Watched, Event);
}
