#include "GeometryFixture.h"

#include "MainForm.h"
#include "QvGraphicsView.h"
#include "QvScrollTool.h"
#include "QvToolPanel.h"

#include <QCoreApplication>

TDocumentPicture Picture(const TQvGraphicsDocument& Doc) {
  return TDocumentPicture{QvTest::TDocumentSnapshot::Take(Doc), Doc.Area()};
}

QImage MakePattern(int W, int H) {
  QImage Image(W, H, QImage::Format_RGB888);
  for (int Y = 0; Y < H; ++Y)
    for (int X = 0; X < W; ++X) Image.setPixel(X, Y, qRgb((X * 7 + Y) & 255, (Y * 5 + X * 3) & 255, (X * Y + 11) & 255));
  return Image;
}

void GeometryWorld::SetUp() {
  ASSERT_EQ(Application, nullptr);
  App = std::make_unique<TQvApplication>();
  App->SetMessageBoxHandler([this](const QString& Text, const QString&, int Flags) {
    Messages << Text;
    // Questions (save the changes?) are answered no.
    return (Flags & QvMB::MB_TYPEMASK) == QvMB::MB_OK ? QvMB::IDOK : QvMB::IDNO;
  });
  App->CreateModule(GraphicsEditor);
  if (!ScrollTool) App->CreateModule(ScrollTool);
  App->CreateModule(ToolPanelModule);
  App->CreateModule(RotateTool);
  App->CreateModule(ResizeTool);
  App->CreateModule(Crop2Tool);
  for (TQvGraphicsTool* T : {static_cast<TQvGraphicsTool*>(RotateTool), static_cast<TQvGraphicsTool*>(ResizeTool),
                             static_cast<TQvGraphicsTool*>(Crop2Tool)})
    T->Localize();
  GraphicsEditor->SetDefaultTool(Crop2Tool);
}

void GeometryWorld::TearDown() {
  App.reset();
  Doc = nullptr;
  View = nullptr;
}

void GeometryWorld::OpenImage(const QImage& Image, const QString& Name) {
  ASSERT_TRUE(Image.save(Path(Name)));
  Open(Path(Name));
}

void GeometryWorld::Open(const QString& FileName) {
  if (MainForm) {
    MainForm->resize(900, 700);
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
}

void GeometryWorld::Press(const TPoint& P, TQvMouseButton Button) {
  View->DoMouseDown(Button, Button == TQvMouseButton::mbLeft ? ssLeft : ssRight, View->LogicalToDevice(P));
}

void GeometryWorld::Move(const TPoint& P) { View->DoMouseMove(ssLeft, View->LogicalToDevice(P)); }

void GeometryWorld::Release(const TPoint& P, TQvMouseButton Button) {
  View->DoMouseUp(Button, 0, View->LogicalToDevice(P));
}

void GeometryWorld::Key(int Key) { View->DoKeyDown(Key, 0); }
