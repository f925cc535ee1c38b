// The retouching tools on the 6000 × 4000 photograph of the red-eye benchmarks, shown fitted into
// an offscreen window:
//   ToneSliderStep   one brightness step of an open adjustment: the table applied from the image
//                    as it was over the whole image, and the view repainted (target: 40 ms);
//   ToneAuto         Auto Correction with the options shown, and the repaint (target: 60 ms);
//   GleamApply       a released drag: the gleam as one step, and the repaint (target: 1 ms);
//   GleamSliderStep  the last gleam re-done with another strength (target: 1 ms);
//   UndoBrushDab     one dab of size 100 inside a stroke (target: 0.3 ms);
//   UndoBrushStroke  a stroke of 500 positions 10 pixels apart at size 50, each move repainted
//                    (target: 150 ms).
#include "QvBrightnessContrastTool.h"
#include "QvGlareTool.h"
#include "QvGraphicsEditor.h"
#include "QvGraphicsView.h"
#include "QvUndoBrushTool.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

void EnsureToolBench();

namespace {

TQvGraphicsView* FittedView(benchmark::State& State) {
  EnsureToolBench();
  TQvGraphicsView* View = GraphicsEditor ? GraphicsEditor->ActiveView() : nullptr;
  if (!View) {
    State.SkipWithError("the photograph could not be opened");
    return nullptr;
  }
  GraphicsEditor->BestFit(View);
  QCoreApplication::processEvents();
  return View;
}

// Paints what the change left to repaint, as the event loop does: only the dirty rectangles.
void Repaint(TQvGraphicsView*) { QCoreApplication::processEvents(); }

void ToneSliderStep(benchmark::State& State) {
  TQvGraphicsView* View = FittedView(State);
  if (!View) return;
  GraphicsEditor->SetActiveTool(BrightnessContrastTool);
  BrightnessContrastTool->SetShowOptions(true);
  int Brightness = 10;
  for (auto _ : State) {
    Brightness = Brightness == 10 ? 11 : 10;
    BrightnessContrastTool->SetBrightness(Brightness);
    Repaint(View);
  }
  BrightnessContrastTool->CancelButtonClick();
}
BENCHMARK(ToneSliderStep)->Unit(benchmark::kMillisecond)->UseRealTime();

void ToneAuto(benchmark::State& State) {
  TQvGraphicsView* View = FittedView(State);
  if (!View) return;
  GraphicsEditor->SetActiveTool(BrightnessContrastTool);
  BrightnessContrastTool->SetShowOptions(true);
  for (auto _ : State) {
    BrightnessContrastTool->AutoCorrectionButtonClick();
    Repaint(View);
  }
  BrightnessContrastTool->CancelButtonClick();
}
BENCHMARK(ToneAuto)->Unit(benchmark::kMillisecond)->UseRealTime();

constexpr TPoint GleamStart{2200, 1800};
constexpr TPoint GleamEnd{2215, 1810};

void GleamApply(benchmark::State& State) {
  TQvGraphicsView* View = FittedView(State);
  if (!View) return;
  GraphicsEditor->SetActiveTool(GlareTool);
  TQvGraphicsDocument* Doc = View->Document();
  for (auto _ : State) {
    State.PauseTiming();
    if (GlareTool->LastGlareState()) Doc->History.Undo();
    Doc->History.ClearRedo();
    State.ResumeTiming();
    View->DoMouseDown(TQvMouseButton::mbLeft, ssLeft, View->LogicalToDevice(GleamStart));
    View->DoMouseUp(TQvMouseButton::mbLeft, 0, View->LogicalToDevice(GleamEnd));
    Repaint(View);
  }
  if (GlareTool->LastGlareState()) Doc->History.Undo();
  Doc->History.ClearRedo();
}
BENCHMARK(GleamApply)->Unit(benchmark::kMicrosecond)->UseRealTime();

void GleamSliderStep(benchmark::State& State) {
  TQvGraphicsView* View = FittedView(State);
  if (!View) return;
  TQvGraphicsDocument* Doc = View->Document();
  GlareTool->FStart = GleamStart;
  GlareTool->FEnd = GleamEnd;
  GlareTool->Apply();
  int Brightness = 200;
  for (auto _ : State) {
    Brightness = Brightness == 200 ? 201 : 200;
    GlareTool->SetBrightness(Brightness);
  }
  State.counters["states"] = Doc->History.Count();
  if (GlareTool->LastGlareState()) Doc->History.Undo();
  Doc->History.ClearRedo();
}
BENCHMARK(GleamSliderStep)->Unit(benchmark::kMicrosecond)->UseRealTime();

void UndoBrushDab(benchmark::State& State) {
  TQvGraphicsView* View = FittedView(State);
  if (!View) return;
  GraphicsEditor->SetActiveTool(UndoBrushTool);
  UndoBrushTool->SetSize(100);
  TQvGraphicsDocument* Doc = View->Document();
  TQvGraphicsToolControl* Control = nullptr;
  for (TQvGraphicsToolControl* C : View->ToolControls())
    if (C->Tool() == UndoBrushTool) Control = C;
  auto* Brush = static_cast<TQvMaskDrawToolControl*>(Control);
  View->DoMouseDown(TQvMouseButton::mbLeft, ssLeft, View->LogicalToDevice(TPoint{1000, 2000}));
  int X = 1000;
  for (auto _ : State) {
    X = X >= 5000 ? 1000 : X + 1;
    Brush->FPosition = TPoint{X, 2000};
    Brush->FollowPosition();
    Brush->Dab();
  }
  View->DoMouseUp(TQvMouseButton::mbLeft, 0, View->LogicalToDevice(TPoint{X, 2000}));
  if (Doc->History.CanUndo()) Doc->History.Undo();
  Doc->History.ClearRedo();
}
BENCHMARK(UndoBrushDab)->Unit(benchmark::kMicrosecond)->UseRealTime();

void UndoBrushStroke(benchmark::State& State) {
  TQvGraphicsView* View = FittedView(State);
  if (!View) return;
  GraphicsEditor->SetActiveTool(UndoBrushTool);
  UndoBrushTool->SetSize(50);
  TQvGraphicsDocument* Doc = View->Document();
  for (auto _ : State) {
    View->DoMouseDown(TQvMouseButton::mbLeft, ssLeft, View->LogicalToDevice(TPoint{500, 2000}));
    for (int I = 1; I < 500; ++I) {
      View->DoMouseMove(ssLeft, View->LogicalToDevice(TPoint{500 + 10 * I, 2000 + (I % 7)}));
      Repaint(View);
    }
    View->DoMouseUp(TQvMouseButton::mbLeft, 0, View->LogicalToDevice(TPoint{5490, 2000}));
    State.PauseTiming();
    if (Doc->History.CanUndo()) Doc->History.Undo();
    Doc->History.ClearRedo();
    State.ResumeTiming();
  }
}
BENCHMARK(UndoBrushStroke)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
