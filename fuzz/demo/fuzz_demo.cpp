// Reads arbitrary bytes as a demonstration script, checks that saving and reloading is stable,
// then turns every script line into an action and runs it to its end against a stand-in engine
// whose clock jumps ahead, so that long pauses and moves finish in a few steps.
#include "QvDemoPlaybackBase.h"
#include "QvDemoScript.h"
#include "QvDemoScriptAction.h"
#include "QvLocalizer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
class TNullSink : public IQvDemoInputSink {
 public:
  void MovePointer(const QPoint&) override {}
  void SendMouseButton(TQvDemoMouseButton, bool, const QPoint&) override {}
  bool ButtonsSwapped() override { return Swapped; }
  void SetCursorVisible(bool) override {}
  bool Swapped = false;
};

struct TParts {
  TNullSink Sink;
  std::int64_t Now = 0;
};

class TFuzzPlayback : public TParts, public TQvDemoPlaybackBase {
 public:
  explicit TFuzzPlayback(const TQvLocalizer& L) : TQvDemoPlaybackBase(Sink, [this] { return Now; }, &L) {}
  void Error(const QString& Message) override { (void)Message.size(); }
  bool GetControlPoint(const TQvDemoScriptParams& Params, QPoint& Point) override {
    if (Params.AsString(0).size() % 2) return false;
    Point = QPoint(Params.Count() * 37, 11);
    return true;
  }
  bool ExecuteCommand(const QString& Command, TQvDemoScriptUserAction& Action,
                      const TQvDemoScriptParams& Params) override {
    if (Command.size() % 3 == 0) return false;
    if (Params.Count() > 1)
      Action.Add(CreateDemoScriptAction(*this, "MouseCurvedMove 5, 7"));
    return true;
  }
  void ShowBalloon(const QPoint&, int Kind, const QString& Text) override {
    if (Kind < 0 || Kind > 4) std::abort();
    (void)Text.size();
  }
  void HideBalloon() override {}
  void SetToolTipsEnabled(bool) override {}
};

const TQvLocalizer& FuzzLocalizer() {
  static TQvLocalizer* L = [] {
    auto* Loc = new TQvLocalizer;
    Loc->AddLanguageData("[Language]\nLangId=1033\nLanguage=English\n[Strings]\n37=Click\n", ":/fuzz/en.ini");
    Loc->AddLanguageData("[Language]\nLangId=1049\nLanguage=Russian\n[Strings]\n37=X\n", ":/fuzz/ru.ini");
    Loc->SelectBaseLanguage();
    Loc->SetLanguage(1049);
    return Loc;
  }();
  return *L;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const QByteArray Bytes(reinterpret_cast<const char*>(Data), static_cast<qsizetype>(Size));
  const TQvLocalizer& L = FuzzLocalizer();
  TQvDemoScript Script;
  Script.LoadFromData(Bytes);
  const QByteArray Once = Script.SaveToData();
  TQvDemoScript Again;
  Again.LoadFromData(Once);
  if (Again.SaveToData() != Once) std::abort();  // a second load and save must change nothing
  (void)Script.GetTitle(L);
  (void)Script.GetInfoValue("Image", L);

  TFuzzPlayback Playback(L);
  Playback.SetScript(Script);
  Playback.Sink.Swapped = Size % 2;
  int Lines = 0;
  for (const QByteArray& Line : Script.Lines()) {
    if (++Lines > 64) break;
    auto Action = CreateDemoScriptAction(Playback, Line);
    if (!Action) continue;
    for (int Step = 0; Step < 64; ++Step) {
      Action->Execute();
      if (Action->IsDone()) break;
      if (Step == 3) {
        Action->Suspend();
        Action->Resume();
      }
      Playback.Now += std::int64_t(10) << std::min(Step, 40);
    }
    if (Lines % 5 == 0) Action->Abort();
  }
  return 0;
}
