// A playback engine stand-in for action tests: a hand-driven clock, a recorded desktop and
// scripted module answers.
#pragma once

#include "QvDemoPlaybackBase.h"
#include "QvDemoScriptAction.h"
#include "QvLocalizer.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <ostream>

class TFakeInputSink : public IQvDemoInputSink {
 public:
  void MovePointer(const QPoint& Pos) override { SystemPointer = Pos; }
  void SendMouseButton(TQvDemoMouseButton Button, bool Down, const QPoint& Pos) override {
    Log << QStringLiteral("%1%2@%3,%4")
               .arg(Button == TQvDemoMouseButton::Left ? "L" : "R", Down ? "down" : "up")
               .arg(Pos.x())
               .arg(Pos.y());
  }
  bool ButtonsSwapped() override { return Swapped; }
  void SetCursorVisible(bool Visible) override { Log << (Visible ? "cursor on" : "cursor off"); }
  QPoint PointerPos() override { return SystemPointer; }

  QPoint SystemPointer{-1, -1};
  bool Swapped = false;
  QStringList Log;
};

// Constructed before the engine part, which keeps references to them.
struct TFakeDesktop {
  TQvLocalizer EmptyLocalizer;
  TFakeInputSink Sink;
  std::int64_t Now = 1000;
};

class TFakeDemoPlayback : public TFakeDesktop, public TQvDemoPlaybackBase {
 public:
  explicit TFakeDemoPlayback(const TQvLocalizer* Localizer = nullptr)
      : TQvDemoPlaybackBase(Sink, [this] { return Now; }, Localizer ? Localizer : &EmptyLocalizer) {}

  void Error(const QString& Message) override { Errors << Message; }
  bool GetControlPoint(const TQvDemoScriptParams& Params, QPoint& Point) override {
    const QString Name = Params.AsString(0).toUpper();
    if (!Controls.contains(Name)) return false;
    Point = Controls.value(Name);
    return true;
  }
  bool ExecuteCommand(const QString& Command, TQvDemoScriptUserAction& Action,
                      const TQvDemoScriptParams& Params) override {
    Commands << Command + ":" + Params.AsString(0);
    return OnCommand ? OnCommand(Command, Action) : false;
  }
  void ShowBalloon(const QPoint& Pos, int Kind, const QString& Text) override {
    Sink.Log << QStringLiteral("balloon %1,%2 kind %3: %4").arg(Pos.x()).arg(Pos.y()).arg(Kind).arg(Text);
  }
  void HideBalloon() override { Sink.Log << "balloon off"; }
  void SetToolTipsEnabled(bool Enabled) override { Sink.Log << (Enabled ? "tips on" : "tips off"); }

  // The simulated position without touching the system pointer, as the engine sets it at Play.
  void PlaceAt(const QPoint& P) {
    FMouseX = P.x();
    FMouseY = P.y();
  }
  // Runs Action until done, advancing the clock by Step ms after each step; returns the steps.
  int RunToEnd(TQvDemoScriptAction& Action, std::int64_t Step = 10, int Limit = 100000) {
    int Steps = 0;
    for (; Steps < Limit; ++Steps) {
      Action.Execute();
      if (Action.IsDone()) return Steps + 1;
      Now += Step;
    }
    return Steps;
  }

  QStringList Errors;
  QStringList Commands;
  QMap<QString, QPoint> Controls;  // upper-case names
  std::function<bool(const QString&, TQvDemoScriptUserAction&)> OnCommand;
};

// Readable QString values in test failures.
inline void PrintTo(const QString& S, std::ostream* Out) { *Out << '"' << S.toStdString() << '"'; }
