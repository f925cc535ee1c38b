// The image view under load: a 6000 × 4000 photo in a 1600 × 1000 view. A full repaint at best
// fit, a scroll step at 1:1, a zoom step (with and without the reduced copies in place), and a
// tool's 100 × 100 change recorded, undone and redone. The machine is shared, so the figures are
// the process CPU time (all of the work runs on one thread).

#include "MainForm.h"
#include "QvApplication.h"
#include "QvGraphicsEditor.h"
#include "QvGraphicsTool.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QImage>
#include <QTemporaryDir>

#include <cstring>
#include <memory>

namespace {

constexpr int ImageWidth = 6000, ImageHeight = 4000;
constexpr int ViewWidth = 1600, ViewHeight = 1000;

// Writes solid squares; nothing else.
class TBenchTool : public TQvGraphicsTool {
 public:
  void Write(TQvGraphicsView* View, const TRect& Rect, uint8_t Value) {
    BeginChange(View);
    for (int32_t Y = Rect.Top; Y < Rect.Bottom; ++Y) std::memset(Change().Pixels()->PixelAt(Rect.Left, Y), Value, size_t(Rect.Width()) * 3);
    AddChangedRect(Rect, false);
    EndChange();
  }
};

// One editor with the photo open, shared by every case (loading it takes longer than all of them).
struct TWorld {
  TWorld() {
    App = std::make_unique<TQvApplication>();
    App->SetMessageBoxHandler([](const QString&, const QString&, int) { return QvMB::IDNO; });
    App->CreateModule(GraphicsEditor);
    App->CreateModule(Tool);
    QImage Photo(ImageWidth, ImageHeight, QImage::Format_RGB888);
    for (int Y = 0; Y < ImageHeight; ++Y) {
      uchar* Row = Photo.scanLine(Y);
      for (int X = 0; X < ImageWidth * 3; ++X) Row[X] = uchar((X * 7) ^ (Y * 3));
    }
    const QString Name = Dir.filePath(QStringLiteral("photo.bmp"));
    Photo.save(Name);
    MainForm->resize(ViewWidth + 200, ViewHeight + 300);
    MainForm->show();
    TQvDocument* Opened = nullptr;
    if (!GraphicsEditor->OpenFile(Name, Opened, false)) return;
    Doc = qobject_cast<TQvGraphicsDocument*>(Opened);
    View = GraphicsEditor->ActiveView();
    View->setFixedSize(ViewWidth + 40, ViewHeight + 40);
    View->setFixedSize(View->width() + ViewWidth - View->ClientWidth(), View->height() + ViewHeight - View->ClientHeight());
    QCoreApplication::processEvents();
    Target = QImage(View->ClientWidth(), View->ClientHeight(), QImage::Format_RGB32);
  }

  void PaintAll() { View->PaintView(&Target, QRegion(Target.rect())); }

  std::unique_ptr<TQvApplication> App;
  QTemporaryDir Dir;
  TBenchTool* Tool = nullptr;
  TQvGraphicsDocument* Doc = nullptr;
  TQvGraphicsView* View = nullptr;
  QImage Target;
};

TWorld& World() {
  // Never freed: its widgets must not outlive the QApplication of the benchmark main.
  static TWorld* W = new TWorld;
  return *W;
}

bool Ready(benchmark::State& State) {
  if (World().View) return true;
  State.SkipWithError("the photo could not be opened");
  return false;
}

void RepaintBestFit(benchmark::State& State) {
  if (!Ready(State)) return;
  TWorld& W = World();
  GraphicsEditor->BestFit(W.View);
  W.PaintAll();
  for (auto _ : State) W.PaintAll();
  State.counters["zoom_permille"] = ZoomThousandths(W.View->ZoomNumerator(), W.View->ZoomDenominator());
}
BENCHMARK(RepaintBestFit)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// A scroll-bar line step at 1:1 as the window sees it: the view moves its pixels, and the event
// loop repaints the uncovered strip.
void ScrollStep(benchmark::State& State) {
  if (!Ready(State)) return;
  TWorld& W = World();
  GraphicsEditor->SetZoom(W.View, 1, 1);
  W.View->CenterOn(TPoint{ImageWidth / 2, ImageHeight / 2});
  QCoreApplication::processEvents();
  int Step = 10;
  for (auto _ : State) {
    W.View->ScrollView(0, Step);
    Step = -Step;
    QCoreApplication::processEvents();
  }
}
BENCHMARK(ScrollStep)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The whole client area repainted at 1:1 (what a scroll step costs at most).
void RepaintOneToOne(benchmark::State& State) {
  if (!Ready(State)) return;
  TWorld& W = World();
  GraphicsEditor->SetZoom(W.View, 1, 1);
  for (auto _ : State) W.PaintAll();
}
BENCHMARK(RepaintOneToOne)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// Zoom In and Zoom Out in turn around the best fit, each with a full repaint.
void ZoomStep(benchmark::State& State) {
  if (!Ready(State)) return;
  TWorld& W = World();
  GraphicsEditor->BestFit(W.View);
  W.PaintAll();
  bool In = true;
  for (auto _ : State) {
    if (In)
      GraphicsEditor->ZoomInCommand();
    else
      GraphicsEditor->ZoomOutCommand();
    In = !In;
    W.PaintAll();
  }
}
BENCHMARK(ZoomStep)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The same after the whole image was replaced, so the reduced copies are built again each time.
void ZoomStepColdCache(benchmark::State& State) {
  if (!Ready(State)) return;
  TWorld& W = World();
  GraphicsEditor->BestFit(W.View);
  bool In = true;
  for (auto _ : State) {
    W.View->DocumentView()->ResetCache();
    if (In)
      GraphicsEditor->ZoomInCommand();
    else
      GraphicsEditor->ZoomOutCommand();
    In = !In;
    W.PaintAll();
  }
}
BENCHMARK(ZoomStepColdCache)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// A tool's change of 100 × 100 pixels: begin, write, end (one undo step), undo, redo.
void SmallChange(benchmark::State& State) {
  if (!Ready(State)) return;
  TWorld& W = World();
  GraphicsEditor->BestFit(W.View);
  uint8_t Value = 0;
  int Count = 0;
  for (auto _ : State) {
    W.Tool->Write(W.View, TRect{2000, 1500, 2100, 1600}, ++Value);
    GraphicsEditor->DoUndo();
    GraphicsEditor->DoRedo();
    if (++Count % 256 == 0) {
      State.PauseTiming();
      W.Doc->History.Clear();
      State.ResumeTiming();
    }
  }
  State.counters["history"] = W.Doc->History.Count();
}
BENCHMARK(SmallChange)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

}  // namespace
