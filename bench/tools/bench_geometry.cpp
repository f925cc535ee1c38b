// The geometry tools on a 6000 × 4000 photograph opened in the editor, fitted into a 1600 × 1000
// view:
//   RotateToolStep/0   a quarter turn through the rotate tool: both images, the area, the preview
//                      (target: 150 ms);
//   RotateToolStep/1   its undo (target: 150 ms);
//   ResizeToolHalve/0  6000 × 4000 to 3000 × 2000 through the resize tool, both images resampled
//                      (target: 200 ms);
//   ResizeToolHalve/1  its undo (target: 60 ms);
//   CropDragRepaint    one pointer move while a crop rectangle is dragged, until the view has
//                      repainted (target: 8 ms).
#include "QvCrop2Tool.h"
#include "QvGraphicsEditor.h"
#include "QvGraphicsView.h"
#include "QvResizeTool.h"
#include "QvRotateTool.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "MainForm.h"
#include "QvApplication.h"
#include "QvScrollTool.h"
#include "QvToolPanel.h"

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>

#include <memory>

namespace {

// The photograph: a smooth texture with a little detail, 6000 × 4000.
QImage MakeGeometryPhoto() {
  QImage Image(6000, 4000, QImage::Format_RGB888);
  for (int Y = 0; Y < Image.height(); ++Y) {
    uchar* Row = Image.scanLine(Y);
    for (int X = 0; X < Image.width(); ++X) {
      Row[3 * X] = uchar(120 + (X * 7 + Y * 3) % 97);
      Row[3 * X + 1] = uchar(90 + (X + Y * 5) % 81);
      Row[3 * X + 2] = uchar(60 + (X * 3 + Y) % 113);
    }
  }
  return Image;
}

// The editor with the three tools; it shares the application a benchmark before it made.
class TGeometryBench {
 public:
  TGeometryBench() {
    if (!Application) {
      FApp = std::make_unique<TQvApplication>();
      FApp->SetMessageBoxHandler([](const QString&, const QString&, int) { return QvMB::IDNO; });
      FApp->CreateModule(GraphicsEditor);
      if (!ScrollTool) FApp->CreateModule(ScrollTool);
      FApp->CreateModule(ToolPanelModule);
    }
    if (!RotateTool) Application->CreateModule(RotateTool);
    if (!ResizeTool) Application->CreateModule(ResizeTool);
    if (!Crop2Tool) Application->CreateModule(Crop2Tool);
    const QString Name = Dir.filePath(QStringLiteral("geometry.bmp"));
    MakeGeometryPhoto().save(Name, "BMP");
    if (MainForm) MainForm->show();
    TQvDocument* Opened = nullptr;
    GraphicsEditor->OpenFile(Name, Opened, false);
    Doc = qobject_cast<TQvGraphicsDocument*>(Opened);
    View = Doc ? qobject_cast<TQvGraphicsView*>(Doc->View()) : nullptr;
    QCoreApplication::processEvents();
    if (View && MainForm) {
      // Grow the window until the view itself is 1600 × 1000.
      const QSize Missing = QSize(1600, 1000) - View->viewport()->size();
      MainForm->resize(MainForm->size() + Missing);
      QCoreApplication::processEvents();
      GraphicsEditor->BestFit(View);
      QCoreApplication::processEvents();
    }
  }

  std::unique_ptr<TQvApplication> FApp;
  QTemporaryDir Dir;
  TQvGraphicsDocument* Doc = nullptr;
  TQvGraphicsView* View = nullptr;
};

std::unique_ptr<TGeometryBench> TheGeometryBench;

TGeometryBench& BenchWorld() {
  if (!TheGeometryBench) {
    TheGeometryBench = std::make_unique<TGeometryBench>();
    // Gone before the platform application is.
    qAddPostRoutine([] { TheGeometryBench.reset(); });
  }
  return *TheGeometryBench;
}


void RotateToolStep(benchmark::State& State) {
  TGeometryBench& W = BenchWorld();
  if (!W.View || !RotateTool) {
    State.SkipWithError("the photograph could not be opened");
    return;
  }
  GraphicsEditor->SetActiveTool(RotateTool);
  RotateTool->SetShowOptions(true);
  const bool MeasureUndo = State.range(0) == 1;
  for (auto _ : State) {
    if (MeasureUndo) State.PauseTiming();
    RotateTool->RotateRight();
    if (MeasureUndo) {
      State.ResumeTiming();
      GraphicsEditor->DoUndo();
    } else {
      State.PauseTiming();
      GraphicsEditor->DoUndo();
      State.ResumeTiming();
    }
  }
  W.Doc->History.Clear();
}
BENCHMARK(RotateToolStep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void ResizeToolHalve(benchmark::State& State) {
  TGeometryBench& W = BenchWorld();
  if (!W.View || !ResizeTool) {
    State.SkipWithError("the photograph could not be opened");
    return;
  }
  GraphicsEditor->SetActiveTool(ResizeTool);
  const bool MeasureUndo = State.range(0) == 1;
  for (auto _ : State) {
    State.PauseTiming();
    ResizeTool->SetWidth(3000);
    if (!MeasureUndo) State.ResumeTiming();
    ResizeTool->Perform();
    if (MeasureUndo) State.ResumeTiming();
    else State.PauseTiming();
    GraphicsEditor->DoUndo();
    if (!MeasureUndo) State.ResumeTiming();
  }
  W.Doc->History.Clear();
}
BENCHMARK(ResizeToolHalve)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void CropDragRepaint(benchmark::State& State) {
  TGeometryBench& W = BenchWorld();
  if (!W.View || !Crop2Tool) {
    State.SkipWithError("the photograph could not be opened");
    return;
  }
  GraphicsEditor->SetActiveTool(Crop2Tool);
  TQvGraphicsView& V = *W.View;
  const auto At = [&V](int X, int Y) { return V.LogicalToDevice(TPoint{X, Y}); };
  V.DoMouseDown(TQvMouseButton::mbLeft, ssLeft, At(1500, 1000));
  V.DoMouseMove(ssLeft, At(4500, 3000));
  V.DoMouseUp(TQvMouseButton::mbLeft, 0, At(4500, 3000));
  V.viewport()->repaint();
  // Grab the inside and move it back and forth by a few screen pixels.
  const TPoint Grab = At(3000, 2000);
  V.DoMouseDown(TQvMouseButton::mbLeft, ssLeft, Grab);
  int Step = 0;
  for (auto _ : State) {
    const int Offset = (Step++ % 2) ? 0 : 3;
    V.DoMouseMove(ssLeft, TPoint{Grab.X + Offset, Grab.Y + Offset});
    V.viewport()->repaint();
  }
  V.DoMouseUp(TQvMouseButton::mbLeft, 0, Grab);
  Crop2Tool->CancelChange();
}
BENCHMARK(CropDragRepaint)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
