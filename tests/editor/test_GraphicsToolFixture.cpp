#include "test_GraphicsToolFixture.h"

#include "MainForm.h"
#include "QvOriginalImageTool.h"
#include "QvScrollTool.h"

#include <QCoreApplication>
#include <QImage>

#include <cstring>

namespace {

std::string PointText(const TPoint& P) { return "(" + std::to_string(P.X) + ", " + std::to_string(P.Y) + ")"; }

}  // namespace

bool TPenControl::MouseDown(TQvMouseButton Button, TQvShiftState, const TPoint& Point) {
  if (Log) Log->push_back("MouseDown " + std::to_string(int(Button)) + " " + PointText(Point));
  if (!FActive || Button != TQvMouseButton::mbLeft) return false;
  FUserFlag = true;
  MouseMove(0, Point);
  return true;
}

bool TPenControl::MouseMove(TQvShiftState, const TPoint& Point) {
  if (!FActive || !FUserFlag) return false;
  const TPoint P = FView->DeviceToLogical(Point);
  static_cast<TPenTool*>(Tool())->Stroke(FView, TRect{P.X - 1, P.Y - 1, P.X + 2, P.Y + 2}, 0xEE);
  return true;
}

bool TPenControl::MouseUp(TQvMouseButton Button, TQvShiftState, const TPoint& Point) {
  if (Log) Log->push_back("MouseUp " + std::to_string(int(Button)) + " " + PointText(Point));
  if (!FActive || !FUserFlag) return false;
  FUserFlag = false;
  Tool()->EndChange();
  return true;
}

bool TPenControl::KeyDown(int Key, TQvShiftState) {
  if (Log) Log->push_back("KeyDown " + std::to_string(Key));
  return false;
}

bool TPenControl::KeyUp(int Key, TQvShiftState) {
  if (Log) Log->push_back("KeyUp " + std::to_string(Key));
  return false;
}

void TPenTool::Stroke(TQvGraphicsView* View, const TRect& Rect, uint8_t Value, bool Replace) {
  if (!Change().Document()) BeginChange(View);
  ASSERT_TRUE(Change().Pixels());
  const TRect R = IntersectRect(Rect, Change().Pixels()->BoundsRect());
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y) std::memset(Change().Pixels()->PixelAt(R.Left, Y), Value, size_t(R.Width()) * 3);
  AddChangedRect(R, Replace);
}

uint8_t PatternByte(int32_t X, int32_t Y, int C) { return uint8_t(X * 7 + Y * 13 + C * 101); }

std::vector<uint8_t> Snapshot(const TQvPixels& P, const TRect& Rect) {
  std::vector<uint8_t> Bytes;
  for (int32_t Y = Rect.Top; Y < Rect.Bottom; ++Y) {
    const uint8_t* Row = P.PixelAt(Rect.Left, Y);
    Bytes.insert(Bytes.end(), Row, Row + size_t(Rect.Width()) * P.BytesPerPixel);
  }
  return Bytes;
}

std::vector<uint8_t> Snapshot(const TQvPixels& P) { return Snapshot(P, P.BoundsRect()); }

void ToolWorld::SetUp() {
  ASSERT_EQ(Application, nullptr);
  App = std::make_unique<TQvApplication>();
  App->SetMessageBoxHandler([](const QString&, const QString&, int) { return QvMB::IDNO; });
  App->CreateModule(GraphicsEditor);
  if (!ScrollTool) App->CreateModule(ScrollTool);
  App->CreateModule(OriginalImageTool);
  App->CreateModule(Pen);
  App->CreateModule(Pen2);
}

void ToolWorld::TearDown() {
  App.reset();
  GraphicsEditor = nullptr;
  Doc = nullptr;
  View = nullptr;
}

void ToolWorld::Open(int Width, int Height, int WindowWidth, int WindowHeight) {
  ASSERT_TRUE(Dir.isValid());
  QImage Image(Width, Height, QImage::Format_RGB888);
  for (int Y = 0; Y < Height; ++Y)
    for (int X = 0; X < Width; ++X)
      Image.setPixel(X, Y, qRgb(PatternByte(X, Y, 2), PatternByte(X, Y, 1), PatternByte(X, Y, 0)));
  const QString Name = Dir.filePath(QStringLiteral("pattern.png"));
  ASSERT_TRUE(Image.save(Name));
  if (MainForm) {
    MainForm->resize(WindowWidth, WindowHeight);
    MainForm->show();
  }
  TQvDocument* Opened = nullptr;
  ASSERT_TRUE(GraphicsEditor->OpenFile(Name, Opened, false));
  Doc = qobject_cast<TQvGraphicsDocument*>(Opened);
  ASSERT_TRUE(Doc);
  View = qobject_cast<TQvGraphicsView*>(Doc->View());
  ASSERT_TRUE(View);
  QCoreApplication::processEvents();
  GraphicsEditor->SetZoom(View, 1, 1);
  View->CenterOn(TPoint{0, 0});  // an image larger than the view shows its top-left corner
  ASSERT_EQ(Snapshot(*Doc->Pixels()), Snapshot(Doc->Backup()));
  ASSERT_EQ(Doc->Pixels()->PixelAt(3, 2)[0], PatternByte(3, 2, 0));
}
