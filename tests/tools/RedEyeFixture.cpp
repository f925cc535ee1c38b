#include "RedEyeFixture.h"

#include <QImage>

#include "MainForm.h"
#include "QvGraphicsView.h"
#include "QvScrollTool.h"
#include "QvToolPanel.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

QString SamplePath() { return QStringLiteral(OCUVANE_SOURCE_DIR "/data/Images/red-eyes.jpg"); }

std::vector<uint8_t> Snapshot(const TQvPixels& P, const TRect& Rect) {
  std::vector<uint8_t> Bytes;
  for (int32_t Y = Rect.Top; Y < Rect.Bottom; ++Y) {
    const uint8_t* Row = P.PixelAt(Rect.Left, Y);
    Bytes.insert(Bytes.end(), Row, Row + size_t(Rect.Width()) * P.BytesPerPixel);
  }
  return Bytes;
}

std::vector<uint8_t> Snapshot(const TQvPixels& P) { return Snapshot(P, P.BoundsRect()); }

TRun RunProgram(const QString& Program, const QStringList& Args) {
  QProcess P;
  P.setProgram(Program);
  P.setArguments(Args);
  P.start();
  TRun R;
  if (!P.waitForFinished(120000)) return R;
  R.Code = P.exitStatus() == QProcess::NormalExit ? P.exitCode() : -2;
  R.Out = P.readAllStandardOutput();
  R.Err = P.readAllStandardError();
  return R;
}

TRun RunCli(const QStringList& Args) {
  return RunProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/ocuvane-cli"), Args);
}

QByteArray FileBytes(const QString& Name) {
  QFile F(Name);
  return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray();
}

void RedEyeWorld::SetUp() {
  ASSERT_EQ(Application, nullptr);
  App = std::make_unique<TQvApplication>();
  App->SetMessageBoxHandler([](const QString&, const QString&, int) { return QvMB::IDNO; });
  App->CreateModule(GraphicsEditor);
  if (!ScrollTool) App->CreateModule(ScrollTool);
  App->CreateModule(ToolPanelModule);
  App->CreateModule(RedEyeTool);
  Tool = RedEyeTool;
  ASSERT_TRUE(Tool);
  Tool->Localize();
  GraphicsEditor->SetDefaultTool(Tool);
}

void RedEyeWorld::TearDown() {
  App.reset();
  GraphicsEditor = nullptr;
  ToolPanelModule = nullptr;
  RedEyeTool = nullptr;
  Doc = nullptr;
  View = nullptr;
}

void RedEyeWorld::Open(const QString& FileName) {
  if (MainForm) {
    MainForm->resize(900, 600);
    MainForm->show();
  }
  TQvDocument* Opened = nullptr;
  ASSERT_TRUE(GraphicsEditor->OpenFile(FileName, Opened, false));
  Doc = qobject_cast<TQvGraphicsDocument*>(Opened);
  ASSERT_TRUE(Doc);
  View = qobject_cast<TQvGraphicsView*>(Doc->View());
  ASSERT_TRUE(View);
  QCoreApplication::processEvents();
  GraphicsEditor->SetZoom(View, 1, 1);
  View->UpdateScrollRange();
  // A view attached after the tool was made active gets an active control too.
  GraphicsEditor->SetActiveTool(Tool);
}

void RedEyeWorld::Click(const TPoint& P, TQvMouseButton Button) {
  View->DoMouseDown(Button, 0, View->LogicalToDevice(P));
}

TQvRedEyeCommandState* RedEyeWorld::RedEyeState(int I) const {
  return dynamic_cast<TQvRedEyeCommandState*>(Doc->History.States(I));
}

std::string FirstDifference(const QImage& Png, const TQvPixels& P) {
  if (Png.width() != P.Width || Png.height() != P.Height) return "size differs";
  for (int Y = 0; Y < P.Height; ++Y)
    for (int X = 0; X < P.Width; ++X) {
      const QRgb C = Png.pixel(X, Y);
      const uint8_t* Q = P.PixelAt(X, Y);
      if (qRed(C) != Q[ChannelRed] || qGreen(C) != Q[ChannelGreen] || qBlue(C) != Q[ChannelBlue])
        return "pixel " + std::to_string(X) + "," + std::to_string(Y);
    }
  return "";
}
