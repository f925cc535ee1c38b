// The red-eye tool on a 6000 × 4000 photograph with two red pupils, opened in the editor and shown
// fitted into an offscreen window:
//   RedEyeClickRepaint  a click on a pupil until the view has repainted (target: 16 ms);
//   RedEyeSliderStep    one brightness step: the last red-eye state undone and the correction made
//                       again (target: 2 ms, in proportion to the eye's rectangle, not the image).
// Set OCUVANE_BENCH_KEEP=file.bmp to keep the generated photograph (for whole-command timings).
#include "MainForm.h"
#include "QvApplication.h"
#include "QvGraphicsEditor.h"
#include "QvGraphicsView.h"
#include "QvBrightnessContrastTool.h"
#include "QvGlareTool.h"
#include "QvRedEyeTool.h"
#include "QvUndoBrushTool.h"
#include "QvScrollTool.h"
#include "QvToolPanel.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QTemporaryDir>

#include <memory>

namespace {

constexpr int PhotoWidth = 6000;
constexpr int PhotoHeight = 4000;
constexpr TPoint Eyes[2] = {{2200, 1800}, {3800, 1800}};
constexpr int PupilRadius = 40;

// Skin-coloured texture with two red discs (pupils) in darker irises.
QImage MakePhoto() {
  QImage Image(PhotoWidth, PhotoHeight, QImage::Format_RGB888);
  for (int Y = 0; Y < PhotoHeight; ++Y) {
    uchar* Row = Image.scanLine(Y);
    for (int X = 0; X < PhotoWidth; ++X) {
      const int Noise = (X * 7 + Y * 13) % 17;
      int R = 200 + Noise, G = 150 + Noise, B = 120 + Noise;
      for (const TPoint& E : Eyes) {
        const int Dx = X - E.X, Dy = Y - E.Y, D2 = Dx * Dx + Dy * Dy;
        if (D2 < PupilRadius * PupilRadius) {
          R = 190 + Noise;
          G = 30 + Noise;
          B = 35 + Noise;
        } else if (D2 < 4 * PupilRadius * PupilRadius) {
          R = 90;
          G = 70;
          B = 50;
        }
      }
      Row[3 * X] = uchar(R);
      Row[3 * X + 1] = uchar(G);
      Row[3 * X + 2] = uchar(B);
    }
  }
  return Image;
}

class TRedEyeBench {
 public:
  TRedEyeBench() {
    const QString Keep = qEnvironmentVariable("OCUVANE_BENCH_KEEP");
    const QString Name = Keep.isEmpty() ? Dir.filePath(QStringLiteral("photo.bmp")) : Keep;
    MakePhoto().save(Name, "BMP");
    App = std::make_unique<TQvApplication>();
    App->SetMessageBoxHandler([](const QString&, const QString&, int) { return QvMB::IDNO; });
    App->CreateModule(GraphicsEditor);
    if (!ScrollTool) App->CreateModule(ScrollTool);
    App->CreateModule(ToolPanelModule);
    App->CreateModule(RedEyeTool);
    App->CreateModule(GlareTool);
    App->CreateModule(BrightnessContrastTool);
    App->CreateModule(UndoBrushTool);
    GraphicsEditor->SetDefaultTool(RedEyeTool);
    if (MainForm) {
      MainForm->resize(1400, 900);
      MainForm->show();
    }
    TQvDocument* Opened = nullptr;
    GraphicsEditor->OpenFile(Name, Opened, false);
    Doc = qobject_cast<TQvGraphicsDocument*>(Opened);
    View = Doc ? qobject_cast<TQvGraphicsView*>(Doc->View()) : nullptr;
    QCoreApplication::processEvents();
    if (View) GraphicsEditor->BestFit(View);
    GraphicsEditor->SetActiveTool(RedEyeTool);
    QCoreApplication::processEvents();
  }

  std::unique_ptr<TQvApplication> App;
  QTemporaryDir Dir;
  TQvGraphicsDocument* Doc = nullptr;
  TQvGraphicsView* View = nullptr;
};

// Made on first use and destroyed before the QApplication goes.
std::unique_ptr<TRedEyeBench> TheBench;

TRedEyeBench& Bench() {
  if (!TheBench) TheBench = std::make_unique<TRedEyeBench>();
  return *TheBench;
}

void RedEyeClickRepaint(benchmark::State& State) {
  TRedEyeBench& B = Bench();
  if (!B.View) {
    State.SkipWithError("the photograph could not be opened");
    return;
  }
  int I = 0;
  for (auto _ : State) {
    State.PauseTiming();
    // Keep the history short and the pupil red: the previous click is undone outside the timing.
    if (B.Doc->History.CanUndo()) GraphicsEditor->DoUndo();
    B.Doc->History.ClearRedo();
    QCoreApplication::processEvents();
    const TPoint Device = B.View->LogicalToDevice(Eyes[I++ % 2]);
    State.ResumeTiming();
    B.View->DoMouseDown(TQvMouseButton::mbLeft, 0, Device);
    B.View->viewport()->repaint();
  }
}
BENCHMARK(RedEyeClickRepaint)->Unit(benchmark::kMillisecond);

void RedEyeSliderStep(benchmark::State& State) {
  TRedEyeBench& B = Bench();
  if (!B.View) {
    State.SkipWithError("the photograph could not be opened");
    return;
  }
  RedEyeTool->SetSeed(Eyes[0]);
  RedEyeTool->Apply();
  int Brightness = RedEyeTool->FBrightness;
  for (auto _ : State) {
    Brightness = Brightness == 60 ? 61 : 60;
    RedEyeTool->SetBrightness(Brightness);
  }
  State.counters["states"] = B.Doc->History.Count();
}
BENCHMARK(RedEyeSliderStep)->Unit(benchmark::kMicrosecond);

}  // namespace

// The one editor of this program, for the benchmarks of the other tools.
void EnsureToolBench() { Bench(); }

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication Platform(argc, argv);
  ::benchmark::Initialize(&argc, argv);
  if (::benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  ::benchmark::RunSpecifiedBenchmarks();
  ::benchmark::Shutdown();
  TheBench.reset();
  return 0;
}
