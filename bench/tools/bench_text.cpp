// The text tool on a 6000 × 4000 photograph shown fitted into an offscreen window:
//   TextDragStep       one pointer move while the corner of a 2000 × 600 text rectangle is
//                      dragged: the old place restored from the backup, the mask stretched to the
//                      new size, blended, and the view repainted (target: 16 ms);
//   TextTypeCharacter  one character typed into the memo at 400 points with that rectangle
//                      present, until the view has repainted (target: 30 ms).
// The photograph and editor are the red-eye benchmarks' when those ran first in this process.
#include "MainForm.h"
#include "QvApplication.h"
#include "QvGraphicsEditor.h"
#include "QvGraphicsView.h"
#include "QvScrollTool.h"
#include "QvTextTool.h"
#include "QvToolPanel.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QImage>
#include <QTemporaryDir>

#include <memory>

namespace {

constexpr int PhotoWidth = 6000;
constexpr int PhotoHeight = 4000;
constexpr TRect TextRect{1000, 1500, 3000, 2100};

struct TTextBench {
  std::unique_ptr<TQvApplication> OwnApp;  // only when no editor runs yet
  QTemporaryDir Dir;
  TQvGraphicsView* View = nullptr;

  TTextBench() {
    if (!Application) {
      OwnApp = std::make_unique<TQvApplication>();
      OwnApp->SetMessageBoxHandler([](const QString&, const QString&, int) { return QvMB::IDNO; });
      OwnApp->CreateModule(GraphicsEditor);
      if (!ScrollTool) OwnApp->CreateModule(ScrollTool);
      OwnApp->CreateModule(ToolPanelModule);
      if (MainForm) {
        MainForm->resize(1400, 900);
        MainForm->show();
      }
    }
    if (!TextTool) Application->CreateModule(TextTool);
    TQvGraphicsDocument* Doc = GraphicsEditor->ActiveDocument();
    if (!Doc || Doc->Width() != PhotoWidth) {
      QImage Photo(PhotoWidth, PhotoHeight, QImage::Format_RGB888);
      for (int Y = 0; Y < PhotoHeight; ++Y) {
        uchar* Row = Photo.scanLine(Y);
        for (int X = 0; X < 3 * PhotoWidth; ++X) Row[X] = uchar(120 + (X * 7 + Y * 13) % 61);
      }
      const QString Name = Dir.filePath(QStringLiteral("photo.bmp"));
      Photo.save(Name, "BMP");
      TQvDocument* Opened = nullptr;
      GraphicsEditor->OpenFile(Name, Opened, false);
      Doc = qobject_cast<TQvGraphicsDocument*>(Opened);
    }
    View = Doc ? qobject_cast<TQvGraphicsView*>(Doc->View()) : nullptr;
    QCoreApplication::processEvents();
    if (View) GraphicsEditor->BestFit(View);
    // A view opened before the tool existed has no control of it yet.
    if (View && TextTool->ControlCount() == 0) TextTool->CreateControl(View);
    GraphicsEditor->SetActiveTool(TextTool);
    TextTool->SetFontSize(200);
    TextTool->SetText(QStringLiteral("Yalta\n1945"));
    QCoreApplication::processEvents();
  }

  TPoint Device(int X, int Y) const { return View->LogicalToDevice(TPoint{X, Y}); }

  // A text rectangle over TextRect, present and at rest.
  void PlaceText() {
    TextTool->Cancel();
    View->DoMouseDown(TQvMouseButton::mbLeft, 0, Device(TextRect.Left, TextRect.Top));
    View->DoMouseMove(0, Device(TextRect.Right, TextRect.Bottom));
    View->DoMouseUp(TQvMouseButton::mbLeft, 0, Device(TextRect.Right, TextRect.Bottom));
    View->viewport()->repaint();
  }
};

std::unique_ptr<TTextBench> TheBench;

TTextBench& Bench() {
  if (!TheBench) {
    TheBench = std::make_unique<TTextBench>();
    // Gone with the application object, while the widgets can still be taken down.
    qAddPostRoutine([] { TheBench.reset(); });
  }
  return *TheBench;
}

void TextDragStep(benchmark::State& State) {
  TTextBench& B = Bench();
  if (!B.View) {
    State.SkipWithError("the photograph could not be opened");
    return;
  }
  B.PlaceText();
  const TPoint Corner = B.View->LogicalToDevice(TPoint{TextRect.Right - 1, TextRect.Bottom - 1});
  B.View->DoMouseDown(TQvMouseButton::mbLeft, 0, Corner);
  int Step = 0;
  for (auto _ : State) {
    // Back and forth by one window pixel: every move changes the rectangle's size.
    const int D = (Step++ & 1) ? 0 : 1;
    B.View->DoMouseMove(0, TPoint{Corner.X + D, Corner.Y + D});
    B.View->viewport()->repaint();
  }
  B.View->DoMouseUp(TQvMouseButton::mbLeft, 0, Corner);
  State.counters["width"] = TextTool->RectControl() ? TextTool->RectControl()->FRect.Width() : 0;
  TextTool->Cancel();
}
BENCHMARK(TextDragStep)->Unit(benchmark::kMillisecond);

void TextTypeCharacter(benchmark::State& State) {
  TTextBench& B = Bench();
  if (!B.View) {
    State.SkipWithError("the photograph could not be opened");
    return;
  }
  TextTool->SetFontSize(400);
  B.PlaceText();
  int Step = 0;
  for (auto _ : State) {
    TextTool->SetText((Step++ & 1) ? QStringLiteral("Yalt") : QStringLiteral("Yalta"));
    B.View->viewport()->repaint();
  }
  TextTool->Cancel();
  TextTool->SetFontSize(200);
}
BENCHMARK(TextTypeCharacter)->Unit(benchmark::kMillisecond);

}  // namespace
