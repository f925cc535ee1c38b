// The user-interface thread's cost of one playback step outside the actions' own work: a script of
// 500 moves played against a desktop that only counts what it is sent, the clock advanced by the
// 10 ms of a step each time. Reports the median and the largest step, in microseconds.
#include "QvDemoPlayback.h"
#include "QvDemoScript.h"
#include "QvLocalizer.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

namespace {

class TCountingSink : public IQvDemoInputSink {
 public:
  void MovePointer(const QPoint& Pos) override {
    ++Moves;
    Last = Pos;
  }
  void SendMouseButton(TQvDemoMouseButton, bool, const QPoint&) override { ++Buttons; }
  bool ButtonsSwapped() override { return false; }
  void SetCursorVisible(bool) override {}
  QPoint PointerPos() override { return Last; }

  std::int64_t Moves = 0;
  std::int64_t Buttons = 0;
  QPoint Last;
};

TQvDemoScript MovesScript(int Count) {
  QByteArrayList Lines{"[Script]", "MouseSpeed 40"};
  for (int I = 0; I < Count; ++I) {
    const int X = 100 + (I * 37) % 900;
    const int Y = 100 + (I * 53) % 700;
    Lines << QByteArray(I % 2 ? "MouseCurvedMove " : "MouseMove ") + QByteArray::number(X) + ", " + QByteArray::number(Y);
  }
  TQvDemoScript Script;
  Script.LoadFromStrings(Lines);
  return Script;
}

void BM_PlaybackStep500Moves(benchmark::State& State) {
  TQvLocalizer Localizer;
  TCountingSink Sink;
  std::int64_t Now = 0;
  TQvDemoPlayback Playback(&Sink, [&Now] { return Now; }, &Localizer);
  Playback.SetTimeScale(1);
  const TQvDemoScript Script = MovesScript(500);
  std::vector<double> Steps;
  for (auto _ : State) {
    Playback.SetScript(Script);
    Playback.Play(0);
    bool Playing = true;
    while (Playing) {
      const auto Begin = std::chrono::steady_clock::now();
      Playing = Playback.Step();
      const auto End = std::chrono::steady_clock::now();
      Steps.push_back(std::chrono::duration<double, std::micro>(End - Begin).count());
      Now += 10;
    }
  }
  std::sort(Steps.begin(), Steps.end());
  State.counters["steps"] = static_cast<double>(Steps.size()) / static_cast<double>(State.iterations());
  State.counters["median_step_us"] = Steps.empty() ? 0 : Steps[Steps.size() / 2];
  State.counters["max_step_us"] = Steps.empty() ? 0 : Steps.back();
  State.counters["moves_sent"] = static_cast<double>(Sink.Moves) / static_cast<double>(State.iterations());
}
BENCHMARK(BM_PlaybackStep500Moves)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication App(argc, argv);  // the engine's timer and hooks want one
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
